// Pointer settings through GSettings, the store each of these desktops'
// settings daemon watches and applies to every mouse: one implementation,
// a schema and its keys per desktop.
#include <gio/gio.h>

#include <initializer_list>

#include "device/diagnostics.h"
#include "performance/desktop_pointer.h"
#include "performance/desktop_pointer_base.h"

namespace mouse {

namespace {

// How a desktop's schema keeps the pointer speed.
enum class SpeedScale {
    kSigned,      // -1..1, as the profile's desktop speed
    kMultiplier,  // an acceleration multiplier 1..10, the middle 5.5
};

struct SchemaKeys {
    DesktopPointerBackend backend;
    const char* desktop;
    const char* schema;
    const char* speed;
    SpeedScale scale;
    const char* profile;  // enum key with the nicks "adaptive" and "flat"
    const char* doubleClick;
};

constexpr SchemaKeys kSchemas[] = {
    {DesktopPointerBackend::kGnome, "GNOME", "org.gnome.desktop.peripherals.mouse", "speed",
     SpeedScale::kSigned, "accel-profile", "double-click"},
    {DesktopPointerBackend::kCinnamon, "Cinnamon", "org.cinnamon.desktop.peripherals.mouse",
     "speed", SpeedScale::kSigned, "accel-profile", "double-click"},
    {DesktopPointerBackend::kMate, "MATE", "org.mate.peripherals-mouse", "motion-acceleration",
     SpeedScale::kMultiplier, "accel-profile", "double-click"},
};

const SchemaKeys* KeysOf(DesktopPointerBackend backend) {
    for (const SchemaKeys& keys : kSchemas) {
        if (keys.backend == backend) {
            return &keys;
        }
    }
    return nullptr;
}

// The schema, or null when it is not installed. Looked up instead of passed
// to g_settings_new, which aborts the process on a missing schema.
GSettingsSchema* LookupSchema(const char* id) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (source == nullptr) {
        return nullptr;
    }
    return g_settings_schema_source_lookup(source, id, TRUE);
}

PointerCapabilities CapabilitiesOf(const SchemaKeys& keys) {
    PointerCapabilities c;
    c.desktop = keys.desktop;
    c.wheelLines = false;
    c.onePage = false;
    return c;
}

class GSettingsPointer final : public desktop_pointer::DesktopPointerBase {
public:
    GSettingsPointer(const SchemaKeys& keys, GSettingsSchema* schema)
        : DesktopPointerBase(CapabilitiesOf(keys)), keys_(keys), schema_(schema) {}
    ~GSettingsPointer() override { g_settings_schema_unref(schema_); }
    GSettingsPointer(const GSettingsPointer&) = delete;
    GSettingsPointer& operator=(const GSettingsPointer&) = delete;

    void SetDoubleClickTime(int ms) override {
        Write({{keys_.doubleClick, g_variant_new_int32(ms)}});
    }
    void SetPointer(double speed, bool enhancePrecision) override {
        // The multiplier's 1..10 follows the signed speed's -1..1 linearly.
        const double value = keys_.scale == SpeedScale::kSigned ? speed : 1.0 + (speed + 1.0) * 4.5;
        Write({{keys_.speed, g_variant_new_double(value)},
               {keys_.profile, g_variant_new_string(enhancePrecision ? "adaptive" : "flat")}});
    }

private:
    struct Key {
        const char* name;
        GVariant* value;  // floating
    };

    // Writes the keys and waits until the backend has them: the apply runs
    // on the device worker, and the process may exit right after it.
    void Write(std::initializer_list<Key> keys) {
        GSettings* settings = g_settings_new_full(schema_, nullptr, nullptr);
        for (const Key& key : keys) {
            GVariant* value = g_variant_ref_sink(key.value);
            if (!Writable(key.name, value) || !g_settings_set_value(settings, key.name, value)) {
                log::Warning(log::kDesktop, "desktop pointer settings: %s %s not written",
                             keys_.schema, key.name);
            }
            g_variant_unref(value);
        }
        g_settings_sync();
        g_object_unref(settings);
    }

    // An older schema may lack a key; a value outside the key's range would
    // only raise a critical warning.
    bool Writable(const char* name, GVariant* value) const {
        if (!g_settings_schema_has_key(schema_, name)) {
            return false;
        }
        GSettingsSchemaKey* key = g_settings_schema_get_key(schema_, name);
        const bool ok = g_variant_is_of_type(value, g_settings_schema_key_get_value_type(key)) &&
                        g_settings_schema_key_range_check(key, value);
        g_settings_schema_key_unref(key);
        return ok;
    }

    const SchemaKeys& keys_;
    GSettingsSchema* schema_;
};

}  // namespace

bool GSettingsPointerSchemaInstalled(DesktopPointerBackend backend) {
    const SchemaKeys* keys = KeysOf(backend);
    GSettingsSchema* schema = keys != nullptr ? LookupSchema(keys->schema) : nullptr;
    if (schema == nullptr) {
        return false;
    }
    g_settings_schema_unref(schema);
    return true;
}

std::unique_ptr<PointerPlatform> CreateGSettingsPointerPlatform(DesktopPointerBackend backend) {
    const SchemaKeys* keys = KeysOf(backend);
    GSettingsSchema* schema = keys != nullptr ? LookupSchema(keys->schema) : nullptr;
    if (schema == nullptr) {
        return nullptr;
    }
    return std::make_unique<GSettingsPointer>(*keys, schema);
}

}  // namespace mouse
