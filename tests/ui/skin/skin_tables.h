// Every table of declared controls. A window or page that looks controls up
// adds the header that registers its table here.
#pragma once

#include "app/main_wnd.h"
#include "buttons/msg_wnd.h"
#include "performance/select_color_wnd.h"
