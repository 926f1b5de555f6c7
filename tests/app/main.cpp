#include "ui/qt_main.inc"
