// Built when Xlib or XInput is not available: the X11 backend is never chosen.
#include "performance/desktop_pointer.h"

namespace mouse {

bool X11DisplayAvailable(const std::string&) {
    return false;
}

std::unique_ptr<PointerPlatform> CreateX11PointerPlatform(const std::string&) {
    return nullptr;
}

std::vector<std::string> X11PointerDeviceNames(const std::string&) {
    return {};
}

}  // namespace mouse
