// Built when GIO is not available: the GSettings desktops write nothing.
#include "performance/desktop_pointer.h"

namespace mouse {

bool GSettingsPointerSchemaInstalled(DesktopPointerBackend) {
    return false;
}

std::unique_ptr<PointerPlatform> CreateGSettingsPointerPlatform(DesktopPointerBackend) {
    return nullptr;
}

}  // namespace mouse
