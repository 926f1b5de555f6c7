// Built when GIO is not available: the GSettings backend is never chosen.
#include "performance/desktop_pointer.h"

namespace mouse {

bool GSettingsMouseSchemaInstalled() {
    return false;
}

std::unique_ptr<PointerPlatform> CreateGSettingsPointerPlatform() {
    return nullptr;
}

}  // namespace mouse
