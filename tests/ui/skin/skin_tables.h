// Every table of declared controls. A window or page that looks controls up
// adds the header that registers its table here.
#pragma once

#include "buttons/msg_wnd.h"
#include "tests/ui/skin/main_frame_controls.h"
