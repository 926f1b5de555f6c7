#include "focus/active_window.h"

#include <filesystem>

namespace mouse {

std::string ExecutableOfProcess(long pid) {
    if (pid <= 0) {
        return {};
    }
    std::error_code error;
    const std::filesystem::path exe =
        std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", error);
    return error ? std::string() : exe.string();
}

std::unique_ptr<ActiveWindowSource> CreateActiveWindowSource(const Session& session,
                                                             std::string& whyNot) {
    switch (session.type) {
        case SessionType::kX11:
            return CreateX11ActiveWindowSource(whyNot);
        case SessionType::kWayland:
            // An X display under Wayland belongs to XWayland: it sees only X
            // windows, so it cannot tell which window is in front.
            switch (session.desktop) {
                case DesktopKind::kGnome:
                    whyNot =
                        "GNOME on Wayland does not tell other programs which window is in front. "
                        "Per-application profiles work in a GNOME session on X11.";
                    return nullptr;
                case DesktopKind::kKde:
                    return CreateKWinActiveWindowSource(whyNot);
                default:
                    // Sway, Hyprland, Wayfire, labwc, river and other wlroots
                    // compositors; one without the protocol fails to start
                    // and says so.
                    return CreateWlrootsActiveWindowSource(whyNot);
            }
        case SessionType::kTty:
        case SessionType::kUnknown:
            break;
    }
    if (session.xDisplay) {
        return CreateX11ActiveWindowSource(whyNot);
    }
    whyNot = "No graphical session was found, so the window in front cannot be known.";
    return nullptr;
}

}  // namespace mouse
