// Built without wayland-client: no wlroots source.
#include "focus/active_window_wlroots.h"

namespace mouse {

std::unique_ptr<ActiveWindowSource> CreateWlrootsActiveWindowSource(std::string& whyNot) {
    whyNot = "This build has no wlroots support for following the window in front.";
    return nullptr;
}

std::unique_ptr<ActiveWindowSource> MakeWlrootsActiveWindowSource(const std::string&) {
    return nullptr;
}

}  // namespace mouse
