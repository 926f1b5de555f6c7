// Built when GIO is not available: this desktop's settings are not written.
#include "performance/desktop_pointer.h"

namespace mouse {

std::unique_ptr<PointerPlatform> CreateXfcePointerPlatform(const DesktopPointerPlaces&) {
    return nullptr;
}

}  // namespace mouse
