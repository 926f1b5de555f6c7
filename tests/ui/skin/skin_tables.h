// Every table of declared controls. A window or page that looks controls up
// adds the header that registers its table here.
#pragma once

#include "app/main_wnd.h"
#include "app/rules_wnd.h"
#include "buttons/dpi_msg.h"
#include "buttons/fire_click_wnd.h"
#include "buttons/msg_wnd.h"
#include "buttons/shortcut_wnd.h"
#include "guns/select_gun_wnd.h"
#include "macros/edit_name_wnd.h"
#include "macros/select_macro_wnd.h"
#include "performance/performance_page.h"
#include "performance/select_color_wnd.h"
