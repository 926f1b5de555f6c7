// The desktop session the program runs in: its type (X11 or Wayland) from
// the session's own variables, and the desktop from XDG_CURRENT_DESKTOP.
// Every choice of a desktop backend reads it from here.
#pragma once

#include <string>

#include "store/data_location.h"

namespace mouse {

enum class SessionType { kX11, kWayland, kTty, kUnknown };
enum class DesktopKind { kGnome, kKde, kXfce, kCinnamon, kMate, kOther, kNone };

struct Session {
    SessionType type = SessionType::kUnknown;
    DesktopKind desktop = DesktopKind::kNone;
    std::string desktopName;      // the first name of XDG_CURRENT_DESKTOP, as given
    bool xDisplay = false;        // DISPLAY is set (X11, or XWayland under Wayland)
    bool waylandDisplay = false;  // WAYLAND_DISPLAY is set
};

// XDG_SESSION_TYPE decides ("wayland", "x11", "tty"); without it a Wayland
// display makes a Wayland session and an X display an X11 one. The desktop
// is the first name of XDG_CURRENT_DESKTOP (a colon-separated list) that
// this program knows, letter case ignored.
Session DetectSession(const EnvReader& getenv = nullptr);

// "wayland session, desktop GNOME (X display :0 through XWayland)", for the
// diagnostics.
std::string DescribeSession(const Session& session);

}  // namespace mouse
