// Pointer settings on a plain X11 session: the libinput driver's device
// properties where pointer devices have them, else the core pointer's
// acceleration.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "device/diagnostics.h"
#include "performance/desktop_pointer.h"
#include "performance/desktop_pointer_base.h"

namespace mouse {

namespace {

// Xlib's error handler is process-wide and its default ends the process.
// Errors on the connections opened here (a device unplugged between the
// query and the write, a driver refusing a value) are counted instead; every
// other connection keeps the handler it had.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display) : display_(display) {
        std::call_once(installed_, [] { previous_ = XSetErrorHandler(&ErrorTrap::Handler); });
        std::lock_guard lock(mutex_);
        errors_[display_] = 0;
    }
    ~ErrorTrap() {
        std::lock_guard lock(mutex_);
        errors_.erase(display_);
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // Errors so far; call after XSync.
    int Errors() const {
        std::lock_guard lock(mutex_);
        return errors_.at(display_);
    }

private:
    static int Handler(Display* display, XErrorEvent* event) {
        {
            std::lock_guard lock(mutex_);
            auto it = errors_.find(display);
            if (it != errors_.end()) {
                ++it->second;
                return 0;
            }
        }
        return previous_ != nullptr ? previous_(display, event) : 0;
    }

    Display* display_;
    static inline std::once_flag installed_;
    static inline XErrorHandler previous_ = nullptr;
    static inline std::mutex mutex_;
    static inline std::map<Display*, int> errors_;
};

// One device property as read back: its type, format and raw items.
struct Property {
    Atom type = None;
    int format = 0;
    std::vector<unsigned char> bytes;  // format 32 items are 32-bit values
    unsigned long items = 0;
};

bool ReadProperty(Display* display, int device, Atom name, Property& out) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XIGetProperty(display, device, name, 0, 64, False, AnyPropertyType, &type, &format, &items,
                      &after, &data) != Success) {
        return false;
    }
    const bool found = type != None && data != nullptr;
    if (found) {
        out.type = type;
        out.format = format;
        out.items = items;
        out.bytes.assign(data, data + items * unsigned(format / 8));
    }
    if (data != nullptr) {
        XFree(data);
    }
    return found;
}

// The libinput driver's properties on one connection; None where the server
// never heard of them.
struct LibinputAtoms {
    explicit LibinputAtoms(Display* display)
        : speed(XInternAtom(display, "libinput Accel Speed", True)),
          profileEnabled(XInternAtom(display, "libinput Accel Profile Enabled", True)),
          profilesAvailable(XInternAtom(display, "libinput Accel Profiles Available", True)),
          floatType(XInternAtom(display, "FLOAT", True)) {}
    Atom speed;
    Atom profileEnabled;
    Atom profilesAvailable;
    Atom floatType;
};

// Profile flags are 8-bit items in the order adaptive, flat (newer drivers
// add more after them).
constexpr unsigned kAdaptive = 0;
constexpr unsigned kFlat = 1;

// Writes speed and profile to one device that has the speed property;
// false when it does not.
bool WriteLibinputDevice(Display* display, int device, const LibinputAtoms& atoms, float speed,
                         bool enhancePrecision) {
    Property current;
    if (!ReadProperty(display, device, atoms.speed, current) || current.type != atoms.floatType ||
        current.format != 32 || current.items != 1) {
        return false;
    }
    XIChangeProperty(display, device, atoms.speed, atoms.floatType, 32, PropModeReplace,
                     reinterpret_cast<unsigned char*>(&speed), 1);

    Property enabled;
    if (atoms.profileEnabled == None ||
        !ReadProperty(display, device, atoms.profileEnabled, enabled) || enabled.format != 8 ||
        enabled.items <= kFlat) {
        return true;
    }
    const unsigned wanted = enhancePrecision ? kAdaptive : kFlat;
    Property available;
    if (atoms.profilesAvailable != None &&
        ReadProperty(display, device, atoms.profilesAvailable, available) &&
        available.format == 8 && available.items > wanted && available.bytes[wanted] == 0) {
        return true;  // the device does not offer that profile
    }
    std::vector<unsigned char> flags(enabled.items, 0);
    flags[wanted] = 1;
    XIChangeProperty(display, device, atoms.profileEnabled, enabled.type, 8, PropModeReplace,
                     flags.data(), int(flags.size()));
    return true;
}

// The number of pointer devices written through their libinput properties.
int WriteLibinputDevices(Display* display, double speed, bool enhancePrecision) {
    int opcode = 0;
    int event = 0;
    int error = 0;
    int major = 2;
    int minor = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error) ||
        XIQueryVersion(display, &major, &minor) != Success) {
        return 0;
    }
    const LibinputAtoms atoms(display);
    if (atoms.speed == None || atoms.floatType == None) {
        return 0;
    }
    int count = 0;
    XIDeviceInfo* devices = XIQueryDevice(display, XIAllDevices, &count);
    int written = 0;
    for (int i = 0; i < count; ++i) {
        const XIDeviceInfo& device = devices[i];
        if ((device.use == XISlavePointer || device.use == XIFloatingSlave) &&
            WriteLibinputDevice(display, device.deviceid, atoms, float(speed), enhancePrecision)) {
            ++written;
        }
    }
    XIFreeDeviceInfo(devices);
    return written;
}

PointerCapabilities X11Capabilities() {
    PointerCapabilities c;
    c.desktop = "X11";
    c.doubleClick = false;
    c.wheelLines = false;
    c.onePage = false;
    return c;
}

class X11Pointer final : public desktop_pointer::DesktopPointerBase {
public:
    explicit X11Pointer(std::string display)
        : DesktopPointerBase(X11Capabilities()), display_(std::move(display)) {}

    // X11 keeps neither server-wide: each toolkit has its own.
    void SetDoubleClickTime(int) override { NotTaken("server-wide double-click time"); }

    void SetPointer(double speed, bool enhancePrecision) override {
        // A connection of its own: this runs on the device worker, not on the
        // thread that owns the program's connection.
        Display* display = XOpenDisplay(display_.empty() ? nullptr : display_.c_str());
        if (display == nullptr) {
            log::Warning(log::kDesktop,
                         "desktop pointer settings: cannot open X display %s; not written",
                         display_.empty() ? "$DISPLAY" : display_.c_str());
            return;
        }
        {
            ErrorTrap trap(display);
            if (WriteLibinputDevices(display, speed, enhancePrecision) == 0) {
                // Acceleration doubles motion beyond 4 pixels per event; off
                // is a factor of 1. The core pointer has no speed setting.
                if (enhancePrecision) {
                    XChangePointerControl(display, True, True, 2, 1, 4);
                } else {
                    XChangePointerControl(display, True, False, 1, 1, 0);
                }
                coreSpeedNotice_.Say();
            }
            XSync(display, False);
            if (trap.Errors() > 0) {
                log::Warning(log::kDesktop,
                             "desktop pointer settings: the X server refused %d request(s)",
                             trap.Errors());
            }
        }
        XCloseDisplay(display);
    }

private:
    std::string display_;
    desktop_pointer::Notice coreSpeedNotice_{
        "desktop pointer settings: no pointer device offers libinput properties; only the core "
        "pointer's acceleration is set, the pointer speed is not applied"};
};

}  // namespace

bool X11DisplayAvailable(const std::string& display) {
    Display* connection = XOpenDisplay(display.empty() ? nullptr : display.c_str());
    if (connection == nullptr) {
        return false;
    }
    XCloseDisplay(connection);
    return true;
}

std::vector<std::string> X11PointerDeviceNames(const std::string& name) {
    std::vector<std::string> names;
    Display* display = XOpenDisplay(name.empty() ? nullptr : name.c_str());
    if (display == nullptr) {
        return names;
    }
    int opcode = 0;
    int event = 0;
    int error = 0;
    int major = 2;
    int minor = 0;
    if (XQueryExtension(display, "XInputExtension", &opcode, &event, &error) &&
        XIQueryVersion(display, &major, &minor) == Success) {
        int count = 0;
        XIDeviceInfo* devices = XIQueryDevice(display, XIAllDevices, &count);
        for (int i = 0; i < count; ++i) {
            const XIDeviceInfo& device = devices[i];
            if ((device.use == XISlavePointer || device.use == XIFloatingSlave) &&
                std::strstr(device.name, "XTEST") == nullptr) {
                names.emplace_back(device.name);
            }
        }
        XIFreeDeviceInfo(devices);
    }
    XCloseDisplay(display);
    return names;
}

std::unique_ptr<PointerPlatform> CreateX11PointerPlatform(const std::string& display) {
    return std::make_unique<X11Pointer>(display);
}

}  // namespace mouse
