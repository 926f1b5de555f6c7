#include "performance/desktop_pointer.h"

#include <cstdlib>

#include "device/diagnostics.h"
#include "performance/desktop_pointer_base.h"

namespace mouse {

namespace desktop_pointer {

void Notice::Say() {
    if (!said_.exchange(true)) {
        log::Write(log::kDesktop, log::Level::kWarning, line_);
    }
}

void DesktopPointerBase::NotTaken(const char* what) {
    {
        std::lock_guard lock(mutex_);
        if (!said_.insert(what).second) {
            return;
        }
    }
    log::Warning(log::kDesktop, "desktop pointer settings: %s has no %s setting; not written",
                 capabilities_.desktop.c_str(), what);
}

}  // namespace desktop_pointer

namespace {

// Writes nothing; the first attempt says so.
class NoDesktopPointer final : public PointerPlatform {
public:
    explicit NoDesktopPointer(std::string desktop) {
        capabilities_.desktop = std::move(desktop);
        capabilities_.speed = false;
        capabilities_.acceleration = false;
        capabilities_.doubleClick = false;
        capabilities_.wheelLines = false;
        capabilities_.onePage = false;
    }
    void SetDoubleClickTime(int) override { notice_.Say(); }
    void SetPointer(double, bool) override { notice_.Say(); }
    void SetWheel(int, bool) override { notice_.Say(); }
    PointerCapabilities Capabilities() const override { return capabilities_; }

private:
    PointerCapabilities capabilities_;
    desktop_pointer::Notice notice_{
        "desktop pointer settings: no store of this desktop's pointer settings was found; pointer "
        "speed, acceleration, double-click time and wheel settings are not written"};
};

// The name the user knows the desktop by.
const char* DesktopNameOf(DesktopPointerBackend backend) {
    switch (backend) {
        case DesktopPointerBackend::kGnome:
            return "GNOME";
        case DesktopPointerBackend::kCinnamon:
            return "Cinnamon";
        case DesktopPointerBackend::kMate:
            return "MATE";
        case DesktopPointerBackend::kPlasma:
            return "KDE Plasma";
        case DesktopPointerBackend::kXfce:
            return "Xfce";
        case DesktopPointerBackend::kX11:
            return "X11";
        case DesktopPointerBackend::kNone:
            break;
    }
    return "This desktop";
}

}  // namespace

DesktopPointerBackend ChooseDesktopPointerBackend(const Session& session, bool x11Display) {
    switch (session.desktop) {
        case DesktopKind::kGnome:
            return DesktopPointerBackend::kGnome;
        case DesktopKind::kCinnamon:
            return DesktopPointerBackend::kCinnamon;
        case DesktopKind::kMate:
            return DesktopPointerBackend::kMate;
        case DesktopKind::kKde:
            return DesktopPointerBackend::kPlasma;
        case DesktopKind::kXfce:
            return DesktopPointerBackend::kXfce;
        case DesktopKind::kOther:
        case DesktopKind::kNone:
            break;
    }
    return x11Display && session.type == SessionType::kX11 ? DesktopPointerBackend::kX11
                                                           : DesktopPointerBackend::kNone;
}

const char* DesktopPointerBackendName(DesktopPointerBackend backend) {
    switch (backend) {
        case DesktopPointerBackend::kGnome:
            return "GNOME (GSettings)";
        case DesktopPointerBackend::kCinnamon:
            return "Cinnamon (GSettings)";
        case DesktopPointerBackend::kMate:
            return "MATE (GSettings)";
        case DesktopPointerBackend::kPlasma:
            return "KDE Plasma (kcminputrc, KWin)";
        case DesktopPointerBackend::kXfce:
            return "Xfce (xfconf)";
        case DesktopPointerBackend::kX11:
            return "X11";
        case DesktopPointerBackend::kNone:
            break;
    }
    return "none";
}

std::unique_ptr<PointerPlatform> CreateDesktopPointerPlatform(DesktopPointerBackend backend,
                                                              const DesktopPointerPlaces& places,
                                                              bool waylandSession) {
    std::unique_ptr<PointerPlatform> platform;
    switch (backend) {
        case DesktopPointerBackend::kGnome:
        case DesktopPointerBackend::kCinnamon:
        case DesktopPointerBackend::kMate:
            platform = CreateGSettingsPointerPlatform(backend);
            break;
        case DesktopPointerBackend::kPlasma:
            platform = CreatePlasmaPointerPlatform(places, waylandSession);
            break;
        case DesktopPointerBackend::kXfce:
            platform = CreateXfcePointerPlatform(places);
            break;
        case DesktopPointerBackend::kX11:
            platform = CreateX11PointerPlatform(places.xDisplay);
            break;
        case DesktopPointerBackend::kNone:
            break;
    }
    return platform != nullptr ? std::move(platform)
                               : CreateNoDesktopPointerPlatform(DesktopNameOf(backend));
}

std::unique_ptr<PointerPlatform> CreateDesktopPointerPlatform() {
    const Session session = DetectSession();
    const DesktopPointerBackend backend =
        ChooseDesktopPointerBackend(session, session.xDisplay && X11DisplayAvailable());
    log::Info(log::kDesktop, "desktop pointer settings: %s", DesktopPointerBackendName(backend));
    if (backend == DesktopPointerBackend::kNone && !session.desktopName.empty()) {
        return CreateNoDesktopPointerPlatform(session.desktopName);  // "sway has no ..."
    }
    return CreateDesktopPointerPlatform(backend, {}, session.type == SessionType::kWayland);
}

std::unique_ptr<PointerPlatform> CreateNoDesktopPointerPlatform(const std::string& desktop) {
    return std::make_unique<NoDesktopPointer>(desktop);
}

}  // namespace mouse
