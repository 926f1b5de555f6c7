#include "performance/desktop_pointer.h"

#include <cstdlib>

#include "device/diagnostics.h"
#include "performance/desktop_pointer_base.h"
#include "performance/session.h"

namespace mouse {

namespace desktop_pointer {

void Notice::Say() {
    if (!said_.exchange(true)) {
        log::Write(log::kDesktop, log::Level::kWarning, line_);
    }
}

void DesktopPointerBase::SetWheel(int, bool) {
    wheelNotice_.Say();
}

}  // namespace desktop_pointer

namespace {

// Writes nothing; the first attempt says so.
class NoDesktopPointer final : public PointerPlatform {
public:
    void SetDoubleClickTime(int) override { notice_.Say(); }
    void SetPointer(double, bool) override { notice_.Say(); }
    void SetWheel(int, bool) override { notice_.Say(); }

private:
    desktop_pointer::Notice notice_{
        "desktop pointer settings: no GSettings mouse schema and no X11 session; pointer speed, "
        "acceleration, double-click time and wheel settings are not written"};
};

}  // namespace

DesktopProbe ProbeDesktop() {
    DesktopProbe probe;
    probe.mouseSchema = GSettingsMouseSchemaInstalled();
    probe.x11Display = X11DisplayAvailable();
    probe.waylandSession = DetectSession().type == SessionType::kWayland;
    return probe;
}

DesktopPointerBackend ChooseDesktopPointerBackend(const DesktopProbe& probe) {
    if (probe.mouseSchema) {
        return DesktopPointerBackend::kGSettings;
    }
    // Under Wayland the X server only serves X clients: its pointer settings
    // would not move the desktop's pointer.
    if (probe.x11Display && !probe.waylandSession) {
        return DesktopPointerBackend::kX11;
    }
    return DesktopPointerBackend::kNone;
}

const char* DesktopPointerBackendName(DesktopPointerBackend backend) {
    switch (backend) {
        case DesktopPointerBackend::kGSettings:
            return "GSettings";
        case DesktopPointerBackend::kX11:
            return "X11";
        case DesktopPointerBackend::kNone:
            break;
    }
    return "none";
}

std::unique_ptr<PointerPlatform> CreateDesktopPointerPlatform(DesktopPointerBackend backend) {
    std::unique_ptr<PointerPlatform> platform;
    switch (backend) {
        case DesktopPointerBackend::kGSettings:
            platform = CreateGSettingsPointerPlatform();
            break;
        case DesktopPointerBackend::kX11:
            platform = CreateX11PointerPlatform();
            break;
        case DesktopPointerBackend::kNone:
            break;
    }
    return platform != nullptr ? std::move(platform) : CreateNoDesktopPointerPlatform();
}

std::unique_ptr<PointerPlatform> CreateDesktopPointerPlatform() {
    const DesktopPointerBackend backend = ChooseDesktopPointerBackend(ProbeDesktop());
    log::Info(log::kDesktop, "desktop pointer settings: %s", DesktopPointerBackendName(backend));
    return CreateDesktopPointerPlatform(backend);
}

std::unique_ptr<PointerPlatform> CreateNoDesktopPointerPlatform() {
    return std::make_unique<NoDesktopPointer>();
}

}  // namespace mouse
