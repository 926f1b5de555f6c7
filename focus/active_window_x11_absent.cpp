// Built without Xlib: no X11 source.
#include "focus/active_window.h"

namespace mouse {

std::unique_ptr<ActiveWindowSource> CreateX11ActiveWindowSource(std::string& whyNot) {
    whyNot = "This build has no X11 support for following the window in front.";
    return nullptr;
}

}  // namespace mouse
