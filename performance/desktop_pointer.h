// The desktop's pointer settings on Linux: a PointerPlatform that writes the
// profile's pointer speed, acceleration and double-click time where the
// desktop keeps them. No Qt; usable from any tool.
#pragma once

#include <memory>
#include <string>

#include "performance/pointer_settings.h"

namespace mouse {

enum class DesktopPointerBackend {
    kGSettings,  // the desktop's settings store (org.gnome.desktop.peripherals.mouse)
    kX11,        // the X server's input devices and core pointer
    kNone,       // nothing known to write: writes nothing and says so
};

// What the running session offers.
struct DesktopProbe {
    bool mouseSchema = false;     // the GSettings mouse schema is installed
    bool x11Display = false;      // an X display can be opened
    bool waylandSession = false;  // the session is Wayland (its X server only serves X clients)
};

DesktopProbe ProbeDesktop();
DesktopPointerBackend ChooseDesktopPointerBackend(const DesktopProbe& probe);
const char* DesktopPointerBackendName(DesktopPointerBackend backend);

// The platform of a backend; a backend that is not built or not available
// gives the one that writes nothing.
std::unique_ptr<PointerPlatform> CreateDesktopPointerPlatform(DesktopPointerBackend backend);
// Probes the session, chooses a backend, names it on the diagnostic output
// and creates its platform. Call once and keep the platform: it says what it
// cannot write once per object.
std::unique_ptr<PointerPlatform> CreateDesktopPointerPlatform();

// The backends themselves (nullptr when not built, or for GSettings when the
// schema is missing).
bool GSettingsMouseSchemaInstalled();
std::unique_ptr<PointerPlatform> CreateGSettingsPointerPlatform();
// display: an X display name; empty means $DISPLAY, read at each write. The
// X11 platform opens its own connection for each write and closes it, so it
// can run on any thread.
bool X11DisplayAvailable(const std::string& display = {});
std::unique_ptr<PointerPlatform> CreateX11PointerPlatform(const std::string& display = {});
std::unique_ptr<PointerPlatform> CreateNoDesktopPointerPlatform();

}  // namespace mouse
