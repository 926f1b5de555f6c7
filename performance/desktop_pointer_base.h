// Shared by the desktop pointer backends.
#pragma once

#include <atomic>

#include "performance/pointer_settings.h"

namespace mouse::desktop_pointer {

// A diagnostic line said the first time only.
class Notice {
public:
    explicit Notice(const char* line) : line_(line) {}
    void Say();

private:
    const char* line_;
    std::atomic<bool> said_{false};
};

// Linux desktops have no global wheel-lines or one-page-scrolling setting:
// both stay in the profile, and the first write says so.
class DesktopPointerBase : public PointerPlatform {
public:
    void SetWheel(int lines, bool onePage) final;

private:
    Notice wheelNotice_{
        "desktop pointer settings: wheel scroll lines and one-page scrolling have no "
        "desktop-wide setting here; they stay in the profile and are not applied"};
};

}  // namespace mouse::desktop_pointer
