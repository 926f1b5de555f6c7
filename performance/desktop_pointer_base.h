// Shared by the desktop pointer backends.
#pragma once

#include <atomic>
#include <mutex>
#include <set>
#include <string>

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

// A backend knows what its desktop takes; a write of something else is
// named once on the diagnostic output and otherwise ignored.
class DesktopPointerBase : public PointerPlatform {
public:
    explicit DesktopPointerBase(PointerCapabilities capabilities)
        : capabilities_(std::move(capabilities)) {}
    PointerCapabilities Capabilities() const final { return capabilities_; }
    // Most desktops keep no wheel setting: named once, not written.
    void SetWheel(int, bool) override { NotTaken("wheel-lines or one-page scrolling"); }

protected:
    // "<desktop> has no <what> setting; not written", once per what.
    void NotTaken(const char* what);

private:
    PointerCapabilities capabilities_;
    std::mutex mutex_;
    std::set<std::string> said_;
};

}  // namespace mouse::desktop_pointer
