// Where a pop-up menu's command goes (message 0x403): the main window's own
// commands, the macro and recoil-preset pages' commands, and every other
// name to the button page, whose function menu uses it. Names are compared
// without regard to letter case.
#pragma once

#include <QString>

namespace mouse {

enum class MenuTarget {
    Configuration,  // show the window (or the no-device message)
    Exit,           // end the program
    Autostart,      // switch "Start at login"
    ImportProfile,
    ExportProfile,
    DuplicateProfile,
    AppRules,  // the per-application profiles dialog
    Profile,   // the tray's profile items, "tray_profile_<n>" with userdata n
    MacroPage,
    GunPage,
    ButtonPage,
};

struct MenuRoute {
    MenuTarget target;
    // The command as the target receives it: a known name in its lower-case
    // spelling; for the button page the name unchanged.
    QString command;
};

// The name of the tray's profile items before their index.
inline constexpr const char* kTrayProfileItem = "tray_profile_";

MenuRoute RouteMenuCommand(const QString& name);

}  // namespace mouse
