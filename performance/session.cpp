#include "performance/session.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>

namespace mouse {

namespace {

bool Set(const char* value) {
    return value != nullptr && *value != '\0';
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return lower;
}

DesktopKind KnownDesktop(std::string_view name) {
    const std::string n = Lower(name);
    if (n == "gnome" || n == "gnome-classic" || n == "gnome-flashback") {
        return DesktopKind::kGnome;
    }
    if (n == "kde") {
        return DesktopKind::kKde;
    }
    if (n == "xfce") {
        return DesktopKind::kXfce;
    }
    if (n == "x-cinnamon" || n == "cinnamon") {
        return DesktopKind::kCinnamon;
    }
    if (n == "mate") {
        return DesktopKind::kMate;
    }
    return DesktopKind::kOther;
}

const char* TypeName(SessionType type) {
    switch (type) {
        case SessionType::kX11:
            return "x11";
        case SessionType::kWayland:
            return "wayland";
        case SessionType::kTty:
            return "tty";
        case SessionType::kUnknown:
            break;
    }
    return "unknown";
}

}  // namespace

Session DetectSession(const EnvReader& getenv) {
    const EnvReader env = getenv ? getenv : [](const char* n) { return std::getenv(n); };
    Session s;
    s.xDisplay = Set(env("DISPLAY"));
    s.waylandDisplay = Set(env("WAYLAND_DISPLAY"));
    const std::string type = Set(env("XDG_SESSION_TYPE")) ? Lower(env("XDG_SESSION_TYPE")) : "";
    if (type == "wayland") {
        s.type = SessionType::kWayland;
    } else if (type == "x11") {
        s.type = SessionType::kX11;
    } else if (type == "tty" && !s.xDisplay && !s.waylandDisplay) {
        s.type = SessionType::kTty;
    } else if (s.waylandDisplay) {
        s.type = SessionType::kWayland;
    } else if (s.xDisplay) {
        s.type = SessionType::kX11;
    } else if (type == "tty") {
        s.type = SessionType::kTty;
    }
    if (const char* desktops = env("XDG_CURRENT_DESKTOP"); Set(desktops)) {
        std::string_view list(desktops);
        // The first name this program knows wins ("ubuntu:GNOME" is GNOME);
        // without one, the first name as an unknown desktop.
        for (size_t at = 0; at <= list.size();) {
            const size_t end = std::min(list.find(':', at), list.size());
            const std::string_view name = list.substr(at, end - at);
            if (!name.empty() && s.desktopName.empty()) {
                s.desktopName = std::string(name);
                s.desktop = DesktopKind::kOther;
            }
            if (!name.empty() && KnownDesktop(name) != DesktopKind::kOther) {
                s.desktopName = std::string(name);
                s.desktop = KnownDesktop(name);
                break;
            }
            at = end + 1;
        }
    }
    return s;
}

std::string DescribeSession(const Session& s) {
    std::string text = TypeName(s.type);
    text += " session, desktop ";
    text += s.desktopName.empty() ? std::string("unknown") : s.desktopName;
    if (s.type == SessionType::kWayland) {
        text += s.xDisplay ? " (with XWayland)" : " (without XWayland)";
    }
    return text;
}

}  // namespace mouse
