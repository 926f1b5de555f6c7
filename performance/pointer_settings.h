// Writes the desktop pointer, wheel and double-click settings of a profile.
#pragma once

#include <cstdint>

#include "device/records.h"

namespace mouse {

inline constexpr uint32_t kSpiSetMouse = 0x04;
inline constexpr uint32_t kSpiSetDoubleClickTime = 0x20;
inline constexpr uint32_t kSpiSetWheelScrollLines = 0x69;
inline constexpr uint32_t kSpiSetMouseSpeed = 0x71;
inline constexpr uint32_t kSpiUpdateAndBroadcast = 3;  // update the user profile, broadcast
inline constexpr uint32_t kWheelPageScroll = 0xFFFFFFFFu;

// The desktop's pointer settings, shaped like the two system calls the
// settings are written with. For kSpiSetMouse, pvParam points to three
// int32 values; for kSpiSetMouseSpeed and kSpiSetWheelScrollLines the value
// itself travels in pvParam. Results are not checked.
class PointerPlatform {
public:
    virtual ~PointerPlatform() = default;
    virtual void SetDoubleClickTime(uint32_t ms) = 0;
    virtual void SystemParametersInfoW(uint32_t action, uint32_t uiParam, void* pvParam,
                                       uint32_t winIni) = 0;
};

// Writes nothing: for tools and for a program without a desktop to set.
class NoPointerSettings final : public PointerPlatform {
public:
    void SetDoubleClickTime(uint32_t) override {}
    void SystemParametersInfoW(uint32_t, uint32_t, void*, uint32_t) override {}
};

// Maps the profile's pointer speed step 1-11 to the desktop's speed 1-20.
int DesktopMouseSpeed(int pointerSpeed);

// Writes each group of settings whose fields differ between current and
// lastApplied (double-click time, pointer, wheel), in that order. The caller
// copies current into lastApplied afterwards.
void ApplyPointerSettings(PointerPlatform& platform, const ProfileRecord& current,
                          const ProfileRecord& lastApplied);

}  // namespace mouse
