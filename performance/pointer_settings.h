// Writes the desktop pointer, wheel and double-click settings of a profile.
#pragma once

#include <string>

#include "device/records.h"

namespace mouse {

// Which of the profile's pointer settings a desktop takes, and the
// desktop's name for telling the user about the others.
struct PointerCapabilities {
    std::string desktop;  // "GNOME", "KDE Plasma", ...; empty: no particular desktop
    bool speed = true;
    bool acceleration = true;
    bool doubleClick = true;
    bool wheelLines = true;
    bool onePage = true;
    bool operator==(const PointerCapabilities&) const = default;
};

// The desktop's pointer settings, in the profile's own terms: one call per
// group of settings. Implementations write what their desktop supports and
// report nothing back; a setting the desktop rejects is simply not in effect.
class PointerPlatform {
public:
    virtual ~PointerPlatform() = default;
    // ms > 0.
    virtual void SetDoubleClickTime(int ms) = 0;
    // speed: -1 slowest, 0 the desktop's middle, 1 fastest
    // (DesktopPointerSpeed). enhancePrecision: pointer acceleration on.
    virtual void SetPointer(double speed, bool enhancePrecision) = 0;
    // lines: lines per wheel notch; onePage: a notch scrolls one page.
    virtual void SetWheel(int lines, bool onePage) = 0;
    // What the calls above reach; by default all of it.
    virtual PointerCapabilities Capabilities() const { return {}; }
};

// Writes nothing: for tools and for a program without a desktop to set.
class NoPointerSettings final : public PointerPlatform {
public:
    void SetDoubleClickTime(int) override {}
    void SetPointer(double, bool) override {}
    void SetWheel(int, bool) override {}
};

// The profile's pointer speed step 1-11 as a speed level 1-20 (1, 2, 4, ...,
// 20); any other step is the middle level 10.
int PointerSpeedLevel(int pointerSpeed);
// The same step on the desktops' scale -1..1: (level - 10) / 10.
double DesktopPointerSpeed(int pointerSpeed);
// The double-click time in ms of the profile's double-click speed step:
// 900 - 70 x step, 0 when a damaged step would make it negative.
int DoubleClickTimeMs(int doubleClickSpeed);

// Writes each group of settings whose fields differ between current and
// lastApplied: double-click time (skipped when the step gives no usable
// time), then pointer (speed and precision go together), then wheel. The
// caller copies current into lastApplied
// afterwards.
void ApplyPointerSettings(PointerPlatform& platform, const ProfileRecord& current,
                          const ProfileRecord& lastApplied);

}  // namespace mouse
