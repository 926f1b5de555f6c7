#include <gtest/gtest.h>

#include <map>
#include <string>

#include "performance/session.h"

namespace mouse {
namespace {

TEST(Session, TypeFromTheSessionsOwnVariablesAndTheDesktopFromItsList) {
    struct Case {
        std::map<std::string, std::string> env;
        SessionType type;
        DesktopKind desktop;
        const char* text;
    } cases[] = {
        {{{"XDG_SESSION_TYPE", "wayland"},
          {"DISPLAY", ":0"},
          {"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}},
         SessionType::kWayland,
         DesktopKind::kGnome,
         "wayland session, desktop GNOME (with XWayland)"},
        {{{"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"}, {"XDG_CURRENT_DESKTOP", "KDE"}},
         SessionType::kX11,
         DesktopKind::kKde,
         "x11 session, desktop KDE"},
        // Only the displays: a Wayland display wins over XWayland's.
        {{{"WAYLAND_DISPLAY", "wayland-0"}, {"XDG_CURRENT_DESKTOP", "sway"}},
         SessionType::kWayland,
         DesktopKind::kOther,
         "wayland session, desktop sway (without XWayland)"},
        {{{"DISPLAY", ":1"}, {"XDG_CURRENT_DESKTOP", "X-Cinnamon"}},
         SessionType::kX11,
         DesktopKind::kCinnamon,
         "x11 session, desktop X-Cinnamon"},
        // A tty login that started an X server itself is an X11 session.
        {{{"XDG_SESSION_TYPE", "tty"}, {"DISPLAY", ":0"}, {"XDG_CURRENT_DESKTOP", "XFCE"}},
         SessionType::kX11,
         DesktopKind::kXfce,
         "x11 session, desktop XFCE"},
        {{{"XDG_SESSION_TYPE", "tty"}},
         SessionType::kTty,
         DesktopKind::kNone,
         "tty session, desktop unknown"},
        {{{"XDG_CURRENT_DESKTOP", "Budgie:MATE"}},
         SessionType::kUnknown,
         DesktopKind::kMate,
         "unknown session, desktop MATE"},
    };
    for (const Case& c : cases) {
        const Session s = DetectSession([&](const char* name) -> const char* {
            const auto it = c.env.find(name);
            return it == c.env.end() ? nullptr : it->second.c_str();
        });
        EXPECT_EQ(s.type, c.type) << c.text;
        EXPECT_EQ(s.desktop, c.desktop) << c.text;
        EXPECT_EQ(DescribeSession(s), c.text);
    }
}

}  // namespace
}  // namespace mouse
