#include "tests/ui/qt_main.inc"
