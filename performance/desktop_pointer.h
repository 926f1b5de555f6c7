// The desktop's pointer settings on Linux: a PointerPlatform that writes the
// profile's pointer speed, acceleration, double-click time and wheel lines
// where the session's desktop keeps them. No Qt; usable from any tool.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "performance/pointer_settings.h"
#include "performance/session.h"

namespace mouse {

enum class DesktopPointerBackend {
    kGnome,     // GSettings org.gnome.desktop.peripherals.mouse
    kCinnamon,  // GSettings org.cinnamon.desktop.peripherals.mouse
    kMate,      // GSettings org.mate.peripherals-mouse
    kPlasma,    // kcminputrc and kdeglobals; on Wayland also the compositor over D-Bus
    kXfce,      // the xfconf daemon's pointers and xsettings channels over D-Bus
    kX11,       // the X server's input devices and core pointer
    kNone,      // nothing known to write: writes nothing and says so
};

// Where the backends write; empty fields mean the session's own.
struct DesktopPointerPlaces {
    std::string xDisplay;    // X display name; empty: $DISPLAY, read at each write
    std::string configHome;  // Plasma's config folder; empty: $XDG_CONFIG_HOME or ~/.config
    std::string busAddress;  // D-Bus bus address; empty: the session bus
};

// The desktop decides; a session without a known desktop gets the X11
// backend when it is an X11 session with a display, else none. Under
// Wayland the X server only serves X clients: its settings would not move
// the desktop's pointer.
DesktopPointerBackend ChooseDesktopPointerBackend(const Session& session, bool x11Display);
const char* DesktopPointerBackendName(DesktopPointerBackend backend);

// The platform of a backend; a backend that is not built or whose store is
// missing gives one that writes nothing. waylandSession: Plasma also sets
// the compositor's devices.
std::unique_ptr<PointerPlatform> CreateDesktopPointerPlatform(
    DesktopPointerBackend backend, const DesktopPointerPlaces& places = {},
    bool waylandSession = false);
// Detects the session, chooses a backend, names it on the diagnostic output
// and creates its platform. Call once and keep the platform: it says what it
// cannot write once per object.
std::unique_ptr<PointerPlatform> CreateDesktopPointerPlatform();

// The backends themselves (nullptr when not built, or for GSettings when the
// schema is missing). The X11 platform opens its own connection for each
// write and closes it, so it can run on any thread.
bool GSettingsPointerSchemaInstalled(DesktopPointerBackend backend);
std::unique_ptr<PointerPlatform> CreateGSettingsPointerPlatform(DesktopPointerBackend backend);
bool X11DisplayAvailable(const std::string& display = {});
std::unique_ptr<PointerPlatform> CreateX11PointerPlatform(const std::string& display = {});
// The X server's pointer devices (not its virtual XTEST one), for the
// desktops that keep settings per device name; empty without X.
std::vector<std::string> X11PointerDeviceNames(const std::string& display = {});
std::unique_ptr<PointerPlatform> CreatePlasmaPointerPlatform(const DesktopPointerPlaces& places,
                                                             bool waylandSession);
std::unique_ptr<PointerPlatform> CreateXfcePointerPlatform(const DesktopPointerPlaces& places);
// desktop: the name the platform reports ("" for no particular one).
std::unique_ptr<PointerPlatform> CreateNoDesktopPointerPlatform(const std::string& desktop = {});

}  // namespace mouse
