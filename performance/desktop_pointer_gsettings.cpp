// Pointer settings through GSettings, the store the desktop's settings
// daemon watches and applies to every mouse.
#include <gio/gio.h>

#include <initializer_list>

#include "device/diagnostics.h"
#include "performance/desktop_pointer.h"
#include "performance/desktop_pointer_base.h"

namespace mouse {

namespace {

constexpr const char* kMouseSchema = "org.gnome.desktop.peripherals.mouse";

// The mouse schema, or null when it is not installed. Looked up instead of
// passed to g_settings_new, which aborts the process on a missing schema.
GSettingsSchema* LookupMouseSchema() {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (source == nullptr) {
        return nullptr;
    }
    return g_settings_schema_source_lookup(source, kMouseSchema, TRUE);
}

class GSettingsPointer final : public desktop_pointer::DesktopPointerBase {
public:
    explicit GSettingsPointer(GSettingsSchema* schema) : schema_(schema) {}
    ~GSettingsPointer() override { g_settings_schema_unref(schema_); }
    GSettingsPointer(const GSettingsPointer&) = delete;
    GSettingsPointer& operator=(const GSettingsPointer&) = delete;

    void SetDoubleClickTime(int ms) override { Write({{"double-click", g_variant_new_int32(ms)}}); }
    void SetPointer(double speed, bool enhancePrecision) override {
        Write({{"speed", g_variant_new_double(speed)},
               {"accel-profile", g_variant_new_string(enhancePrecision ? "adaptive" : "flat")}});
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
                             kMouseSchema, key.name);
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

    GSettingsSchema* schema_;
};

}  // namespace

bool GSettingsMouseSchemaInstalled() {
    GSettingsSchema* schema = LookupMouseSchema();
    if (schema == nullptr) {
        return false;
    }
    g_settings_schema_unref(schema);
    return true;
}

std::unique_ptr<PointerPlatform> CreateGSettingsPointerPlatform() {
    GSettingsSchema* schema = LookupMouseSchema();
    if (schema == nullptr) {
        return nullptr;
    }
    return std::make_unique<GSettingsPointer>(schema);
}

}  // namespace mouse
