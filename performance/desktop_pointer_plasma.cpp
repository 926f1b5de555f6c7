// Pointer settings on KDE Plasma. The double-click interval and wheel lines
// live in kdeglobals; the pointer in kcminputrc: on X11 in its [Mouse]
// group (and the X server's devices are set at once), on Wayland in one
// group per device, which the compositor reads at start. On Wayland the
// compositor's input devices are also set over D-Bus, so the change takes
// effect at once.
#include <algorithm>
#include <cstdlib>

#include "performance/desktop_pointer.h"
#include "performance/desktop_pointer_base.h"
#include "performance/desktop_pointer_bus.h"
#include "performance/kconfig_file.h"
#include "store/data_location.h"

namespace mouse {

namespace {

constexpr const char* kService = "org.kde.KWin";
constexpr const char* kManagerPath = "/org/kde/KWin/InputDevice";
constexpr const char* kManager = "org.kde.KWin.InputDeviceManager";
constexpr const char* kDevice = "org.kde.KWin.InputDevice";

// kcminputrc's acceleration profile values (libinput's flags).
constexpr int kProfileFlat = 1;
constexpr int kProfileAdaptive = 2;

PointerCapabilities PlasmaCapabilities() {
    PointerCapabilities c;
    c.desktop = "KDE Plasma";
    c.onePage = false;
    return c;
}

std::string ConfigHome(const DesktopPointerPlaces& places) {
    if (!places.configHome.empty()) {
        return places.configHome;
    }
    return XdgBaseFolder("XDG_CONFIG_HOME", ".config").string();
}

// One of the compositor's pointer devices.
struct KWinDevice {
    std::string path;
    std::string name;
    unsigned vendor = 0;
    unsigned product = 0;
};

unsigned UnsignedOf(GVariant* value) {
    if (value == nullptr) {
        return 0;
    }
    unsigned result = 0;
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_UINT32)) {
        result = g_variant_get_uint32(value);
    } else if (g_variant_is_of_type(value, G_VARIANT_TYPE_INT32)) {
        result = unsigned(g_variant_get_int32(value));
    }
    g_variant_unref(value);
    return result;
}

bool BoolOf(GVariant* value) {
    if (value == nullptr) {
        return false;
    }
    const bool result =
        g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN) && g_variant_get_boolean(value);
    g_variant_unref(value);
    return result;
}

std::string StringOf(GVariant* value) {
    if (value == nullptr) {
        return {};
    }
    std::string result = g_variant_is_of_type(value, G_VARIANT_TYPE_STRING)
                             ? g_variant_get_string(value, nullptr)
                             : "";
    g_variant_unref(value);
    return result;
}

// The compositor's pointers that are not touchpads.
std::vector<KWinDevice> KWinPointers(desktop_pointer::Bus& bus) {
    std::vector<KWinDevice> devices;
    GVariant* names = bus.Get(kService, kManagerPath, kManager, "devicesSysNames");
    if (names == nullptr) {
        return devices;
    }
    if (g_variant_is_of_type(names, G_VARIANT_TYPE_STRING_ARRAY)) {
        GVariantIter iter;
        g_variant_iter_init(&iter, names);
        const gchar* sysName = nullptr;
        while (g_variant_iter_next(&iter, "&s", &sysName)) {
            KWinDevice d;
            d.path = std::string(kManagerPath) + "/" + sysName;
            const char* p = d.path.c_str();
            if (!BoolOf(bus.Get(kService, p, kDevice, "pointer")) ||
                BoolOf(bus.Get(kService, p, kDevice, "touchpad"))) {
                continue;
            }
            d.name = StringOf(bus.Get(kService, p, kDevice, "name"));
            d.vendor = UnsignedOf(bus.Get(kService, p, kDevice, "vendor"));
            d.product = UnsignedOf(bus.Get(kService, p, kDevice, "product"));
            devices.push_back(std::move(d));
        }
    }
    g_variant_unref(names);
    return devices;
}

class PlasmaPointer final : public desktop_pointer::DesktopPointerBase {
public:
    PlasmaPointer(DesktopPointerPlaces places, bool wayland)
        : DesktopPointerBase(PlasmaCapabilities()), places_(std::move(places)), wayland_(wayland) {
        if (!wayland_ && X11DisplayAvailable(places_.xDisplay)) {
            x11_ = CreateX11PointerPlatform(places_.xDisplay);
        }
    }

    void SetDoubleClickTime(int ms) override {
        SetGlobal("DoubleClickInterval", std::to_string(ms));
    }

    void SetWheel(int lines, bool onePage) override {
        SetGlobal("WheelScrollLines", std::to_string(lines));
        if (onePage) {
            NotTaken("one-page scrolling");
        }
    }

    void SetPointer(double speed, bool enhancePrecision) override {
        const std::string file = ConfigHome(places_) + "/kcminputrc";
        if (!wayland_) {
            SetKConfigEntries(file, {{"Mouse", "XLbInptPointerAcceleration", KConfigDouble(speed)},
                                     {"Mouse", "X11LibInputXAccelProfileFlat",
                                      enhancePrecision ? "false" : "true"}});
            if (x11_ != nullptr) {
                x11_->SetPointer(speed, enhancePrecision);
            }
            return;
        }
        desktop_pointer::Bus bus(places_.busAddress);
        const std::vector<KWinDevice> devices = bus ? KWinPointers(bus) : std::vector<KWinDevice>{};
        if (devices.empty()) {
            noDeviceNotice_.Say();
        }
        std::vector<KConfigEntry> entries;
        for (const KWinDevice& d : devices) {
            const char* p = d.path.c_str();
            bus.Set(kService, p, kDevice, "pointerAcceleration", g_variant_new_double(speed));
            bus.Set(kService, p, kDevice, "pointerAccelerationProfileFlat",
                    g_variant_new_boolean(!enhancePrecision));
            bus.Set(kService, p, kDevice, "pointerAccelerationProfileAdaptive",
                    g_variant_new_boolean(enhancePrecision));
            // A device's name comes from the device: one that would open
            // another group or line in the file is set at once only.
            if (std::any_of(d.name.begin(), d.name.end(), [](unsigned char c) {
                    return c < 0x20 || c == 0x7f || c == '[' || c == ']';
                })) {
                continue;
            }
            const std::string group = "Libinput][" + std::to_string(d.vendor) + "][" +
                                      std::to_string(d.product) + "][" + d.name;
            entries.push_back({group, "PointerAcceleration", KConfigDouble(speed)});
            entries.push_back({group, "PointerAccelerationProfile",
                               std::to_string(enhancePrecision ? kProfileAdaptive : kProfileFlat)});
        }
        if (!entries.empty()) {
            SetKConfigEntries(file, entries);
        }
    }

private:
    // A key of kdeglobals' [KDE] group, and the notice KDE's programs watch
    // for so that the running ones take it at once.
    void SetGlobal(const char* key, const std::string& value) {
        if (!SetKConfigEntries(ConfigHome(places_) + "/kdeglobals", {{"KDE", key, value}})) {
            return;
        }
        desktop_pointer::Bus bus(places_.busAddress);
        GVariantBuilder keys;
        g_variant_builder_init(&keys, G_VARIANT_TYPE("aay"));
        g_variant_builder_add_value(&keys, g_variant_new_bytestring(key));
        GVariantBuilder changed;
        g_variant_builder_init(&changed, G_VARIANT_TYPE("a{saay}"));
        g_variant_builder_add(&changed, "{saay}", "KDE", &keys);
        bus.Emit("/kdeglobals", "org.kde.kconfig.notify", "ConfigChanged",
                 g_variant_new("(a{saay})", &changed));
    }

    DesktopPointerPlaces places_;
    bool wayland_;
    std::unique_ptr<PointerPlatform> x11_;
    desktop_pointer::Notice noDeviceNotice_{
        "desktop pointer settings: KDE Plasma: the compositor lists no pointer device; pointer "
        "speed and acceleration not written"};
};

}  // namespace

std::unique_ptr<PointerPlatform> CreatePlasmaPointerPlatform(const DesktopPointerPlaces& places,
                                                             bool waylandSession) {
    return std::make_unique<PlasmaPointer>(places, waylandSession);
}

}  // namespace mouse
