// Pointer settings on Xfce: the xfconf daemon's channels, which Xfce's
// settings daemon watches. Pointer settings are kept per device, under the
// device's name with spaces as '_'; the double-click time is an XSETTING.
#include <set>

#include "performance/desktop_pointer.h"
#include "performance/desktop_pointer_base.h"
#include "performance/desktop_pointer_bus.h"

namespace mouse {

namespace {

constexpr const char* kService = "org.xfce.Xfconf";
constexpr const char* kPath = "/org/xfce/Xfconf";
constexpr const char* kInterface = "org.xfce.Xfconf";

PointerCapabilities XfceCapabilities() {
    PointerCapabilities c;
    c.desktop = "Xfce";
    c.wheelLines = false;
    c.onePage = false;
    return c;
}

// A device name as the pointers channel keeps it.
std::string ChannelName(std::string name) {
    for (char& c : name) {
        if (c == ' ' || c == '/') {
            c = '_';
        }
    }
    return name;
}

class XfcePointer final : public desktop_pointer::DesktopPointerBase {
public:
    explicit XfcePointer(DesktopPointerPlaces places)
        : DesktopPointerBase(XfceCapabilities()), places_(std::move(places)) {}

    void SetDoubleClickTime(int ms) override {
        desktop_pointer::Bus bus(places_.busAddress);
        SetProperty(bus, "xsettings", "/Net/DoubleClickTime", g_variant_new_int32(ms));
    }

    void SetPointer(double speed, bool enhancePrecision) override {
        desktop_pointer::Bus bus(places_.busAddress);
        if (!bus) {
            return;
        }
        const std::set<std::string> devices = Devices(bus);
        if (devices.empty()) {
            noDeviceNotice_.Say();
        }
        // The settings dialog's acceleration runs 0.1..10; the libinput
        // profile flags are adaptive, flat.
        const double acceleration = 0.1 + (speed + 1.0) * 4.95;
        for (const std::string& device : devices) {
            SetProperty(bus, "pointers", "/" + device + "/Acceleration",
                        g_variant_new_double(acceleration));
            GVariant* flags[] = {g_variant_new_variant(g_variant_new_int32(enhancePrecision)),
                                 g_variant_new_variant(g_variant_new_int32(!enhancePrecision))};
            SetProperty(bus, "pointers",
                        "/" + device + "/Properties/libinput_Accel_Profile_Enabled",
                        g_variant_new_array(G_VARIANT_TYPE_VARIANT, flags, 2));
        }
    }

private:
    static void SetProperty(desktop_pointer::Bus& bus, const char* channel,
                            const std::string& property, GVariant* value) {
        GVariant* reply = bus.Call(kService, kPath, kInterface, "SetProperty",
                                   g_variant_new("(ssv)", channel, property.c_str(), value));
        if (reply != nullptr) {
            g_variant_unref(reply);
        }
    }

    // The X server's pointers and the devices the channel already has.
    std::set<std::string> Devices(desktop_pointer::Bus& bus) const {
        std::set<std::string> devices;
        for (const std::string& name : X11PointerDeviceNames(places_.xDisplay)) {
            devices.insert(ChannelName(name));
        }
        // A channel nobody wrote yet does not exist: no devices, no error.
        GVariant* reply = bus.Call(kService, kPath, kInterface, "GetAllProperties",
                                   g_variant_new("(ss)", "pointers", "/"), true);
        if (reply != nullptr) {
            GVariantIter* iter = nullptr;
            g_variant_get(reply, "(a{sv})", &iter);
            const gchar* property = nullptr;
            GVariant* value = nullptr;
            while (g_variant_iter_loop(iter, "{&sv}", &property, &value)) {
                const std::string path = property;
                const size_t end = path.find('/', 1);
                if (end != std::string::npos && end > 1) {
                    devices.insert(path.substr(1, end - 1));
                }
            }
            g_variant_iter_free(iter);
            g_variant_unref(reply);
        }
        return devices;
    }

    DesktopPointerPlaces places_;
    desktop_pointer::Notice noDeviceNotice_{
        "desktop pointer settings: Xfce: no pointer device known by name; pointer speed and "
        "acceleration not written"};
};

}  // namespace

std::unique_ptr<PointerPlatform> CreateXfcePointerPlatform(const DesktopPointerPlaces& places) {
    return std::make_unique<XfcePointer>(places);
}

}  // namespace mouse
