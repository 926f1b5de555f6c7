// Compiled with the core's include paths only; it must not find Qt.
#include <QObject>
#include "device/records.h"
