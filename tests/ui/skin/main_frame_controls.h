// Controls of main.xml that the main window's frame looks up: title bar, tabs,
// tab layouts, profile bar, busy ring and overlay. Kept here until the main
// window's own table replaces it.
#pragma once

#include "ui/control_table.h"

namespace mouse {

inline constexpr ControlSpec kMainFrameControls[] = {
    {"logo_btn", ControlKind::Button},
    {"skin_btn", ControlKind::Button},
    {"setting_btn", ControlKind::Button},
    {"min_btn", ControlKind::Button},
    {"exit_btn", ControlKind::Button},
    {"key_btn", ControlKind::Option},
    {"performance_btn", ControlKind::Option},
    {"light_btn", ControlKind::Option},
    {"macro_btn", ControlKind::Option},
    {"gun_btn", ControlKind::Option},
    {"config_tab", ControlKind::TabLayout},
    {"main_tab", ControlKind::TabLayout},
    {"profile_combo", ControlKind::Combo},
    {"btn_add_profile", ControlKind::Button},
    {"btn_delete_profile", ControlKind::Button},
    {"btn_menu_profile", ControlKind::Button},
    {"edit_profile_name", ControlKind::Edit},
    {"btn_reset_profile", ControlKind::Button},
    {"btn_apply", ControlKind::Button},
    {"ring_ver", ControlKind::Control},
    {"disable_window_ver", ControlKind::Control},
};
inline constexpr ControlTable kMainFrameTable{"main.xml", "main window frame", kMainFrameControls};
MOUSE_REGISTER_CONTROL_TABLE(kMainFrameTable);

}  // namespace mouse
