#include "performance/pointer_settings.h"

namespace mouse {

int DesktopMouseSpeed(int pointerSpeed) {
    if (pointerSpeed == 1) {
        return 1;
    }
    if (pointerSpeed >= 2 && pointerSpeed <= 11) {
        return 2 * (pointerSpeed - 1);
    }
    return 10;
}

namespace {

// The speed and wheel values travel as the pointer argument's value.
void* AsPointerValue(uint32_t value) {
    return reinterpret_cast<void*>(uintptr_t(value));
}

}  // namespace

void ApplyPointerSettings(PointerPlatform& platform, const ProfileRecord& current,
                          const ProfileRecord& lastApplied) {
    if (current.doubleClickSpeed != lastApplied.doubleClickSpeed) {
        const uint32_t ms = uint32_t(900 - 70 * int64_t(current.doubleClickSpeed));
        platform.SetDoubleClickTime(ms);
        platform.SystemParametersInfoW(kSpiSetDoubleClickTime, ms, nullptr, kSpiUpdateAndBroadcast);
    }
    if (current.pointerSpeed != lastApplied.pointerSpeed ||
        current.enhancePointerPrecision != lastApplied.enhancePointerPrecision) {
        // Acceleration on: first threshold 6, second 10, level 1.
        int32_t mouse[3] = {0, 0, 0};
        if (current.enhancePointerPrecision != 0) {
            mouse[0] = 1;
            mouse[1] = 6;
            mouse[2] = 10;
        }
        platform.SystemParametersInfoW(kSpiSetMouse, 0, mouse, kSpiUpdateAndBroadcast);
        platform.SystemParametersInfoW(
            kSpiSetMouseSpeed, 0, AsPointerValue(uint32_t(DesktopMouseSpeed(current.pointerSpeed))),
            kSpiUpdateAndBroadcast);
    }
    if (current.scrollLines != lastApplied.scrollLines ||
        current.onePageScroll != lastApplied.onePageScroll) {
        const uint32_t lines =
            current.onePageScroll != 0 ? kWheelPageScroll : uint32_t(current.scrollLines);
        platform.SystemParametersInfoW(kSpiSetWheelScrollLines, lines, AsPointerValue(lines),
                                       kSpiUpdateAndBroadcast);
    }
}

}  // namespace mouse
