#include "performance/pointer_settings.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "device/diagnostics.h"

namespace mouse {

int PointerSpeedLevel(int pointerSpeed) {
    if (pointerSpeed == 1) {
        return 1;
    }
    if (pointerSpeed >= 2 && pointerSpeed <= 11) {
        return 2 * (pointerSpeed - 1);
    }
    return 10;
}

double DesktopPointerSpeed(int pointerSpeed) {
    return (PointerSpeedLevel(pointerSpeed) - 10) / 10.0;
}

int DoubleClickTimeMs(int doubleClickSpeed) {
    // The slider keeps the step small; a damaged record's step gives 0 (no
    // usable time) rather than an overflow.
    const int64_t ms = 900 - 70 * int64_t(doubleClickSpeed);
    return int(std::clamp<int64_t>(ms, 0, std::numeric_limits<int>::max()));
}

void ApplyPointerSettings(PointerPlatform& platform, const ProfileRecord& current,
                          const ProfileRecord& lastApplied) {
    if (current.doubleClickSpeed != lastApplied.doubleClickSpeed) {
        const int ms = DoubleClickTimeMs(current.doubleClickSpeed);
        if (ms > 0) {
            platform.SetDoubleClickTime(ms);
        } else {
            log::Warning(log::kDesktop, "double-click speed %d gives no usable time; not written",
                         int(current.doubleClickSpeed));
        }
    }
    if (current.pointerSpeed != lastApplied.pointerSpeed ||
        current.enhancePointerPrecision != lastApplied.enhancePointerPrecision) {
        platform.SetPointer(DesktopPointerSpeed(current.pointerSpeed),
                            current.enhancePointerPrecision != 0);
    }
    if (current.scrollLines != lastApplied.scrollLines ||
        current.onePageScroll != lastApplied.onePageScroll) {
        platform.SetWheel(current.scrollLines, current.onePageScroll != 0);
    }
}

}  // namespace mouse
