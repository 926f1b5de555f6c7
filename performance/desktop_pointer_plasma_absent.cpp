// Built when GIO is not available: this desktop's settings are not written.
#include "performance/desktop_pointer.h"

namespace mouse {

std::unique_ptr<PointerPlatform> CreatePlasmaPointerPlatform(const DesktopPointerPlaces&, bool) {
    return nullptr;
}

}  // namespace mouse
