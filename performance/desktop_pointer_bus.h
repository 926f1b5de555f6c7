// A D-Bus connection for one write of the desktop pointer backends that talk
// to a settings service. Each write opens its own: the apply runs on the
// device worker, and a connection of its own needs no main loop there.
#pragma once

#include <gio/gio.h>

#include <atomic>
#include <string>

#include "device/diagnostics.h"

namespace mouse::desktop_pointer {

class Bus {
public:
    // address: empty for the session bus.
    explicit Bus(const std::string& address) {
        GError* error = nullptr;
        if (address.empty()) {
            connection_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
        } else {
            connection_ = g_dbus_connection_new_for_address_sync(
                address.c_str(),
                GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                     G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                nullptr, nullptr, &error);
        }
        // Said once: without a bus every write would say it again.
        static std::atomic<bool> said{false};
        if (error != nullptr && !said.exchange(true)) {
            log::Warning(log::kDesktop, "desktop pointer settings: no session bus: %s",
                         error->message);
        }
        if (error != nullptr) {
            g_error_free(error);
        }
    }
    ~Bus() {
        if (connection_ != nullptr) {
            g_dbus_connection_flush_sync(connection_, nullptr, nullptr);
            g_object_unref(connection_);
        }
    }
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;

    explicit operator bool() const { return connection_ != nullptr; }

    // Calls a method and gives its reply (unref it), or null after a
    // diagnostic line naming what failed (none when quiet). args: floating
    // or null.
    GVariant* Call(const char* service, const char* path, const char* interface, const char* method,
                   GVariant* args, bool quiet = false) {
        if (connection_ == nullptr) {
            if (args != nullptr) {
                g_variant_unref(g_variant_ref_sink(args));
            }
            return nullptr;
        }
        GError* error = nullptr;
        GVariant* reply =
            g_dbus_connection_call_sync(connection_, service, path, interface, method, args,
                                        nullptr, G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, &error);
        if (error != nullptr) {
            if (!quiet) {
                log::Warning(log::kDesktop, "desktop pointer settings: %s %s.%s: %s", path,
                             interface, method, error->message);
            }
            g_error_free(error);
        }
        return reply;
    }

    // A property through org.freedesktop.DBus.Properties; null when it
    // cannot be read. Unref the result.
    GVariant* Get(const char* service, const char* path, const char* interface, const char* name) {
        GVariant* reply = Call(service, path, "org.freedesktop.DBus.Properties", "Get",
                               g_variant_new("(ss)", interface, name));
        if (reply == nullptr) {
            return nullptr;
        }
        GVariant* value = nullptr;
        g_variant_get(reply, "(v)", &value);
        g_variant_unref(reply);
        return value;
    }

    // Broadcasts a signal; args: floating.
    void Emit(const char* path, const char* interface, const char* name, GVariant* args) {
        if (connection_ == nullptr) {
            g_variant_unref(g_variant_ref_sink(args));
            return;
        }
        g_dbus_connection_emit_signal(connection_, nullptr, path, interface, name, args, nullptr);
    }

    bool Set(const char* service, const char* path, const char* interface, const char* name,
             GVariant* value) {
        GVariant* reply = Call(service, path, "org.freedesktop.DBus.Properties", "Set",
                               g_variant_new("(ssv)", interface, name, value));
        if (reply == nullptr) {
            return false;
        }
        g_variant_unref(reply);
        return true;
    }

private:
    GDBusConnection* connection_ = nullptr;
};

}  // namespace mouse::desktop_pointer
