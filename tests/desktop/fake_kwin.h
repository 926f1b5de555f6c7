// The compositor's input-device service as a test sees it: a manager that
// lists devices and one object per device, on a bus of the test's own,
// served by a thread with its own main loop. It notes each property a
// client sets, and each configuration key KDE's programs are told changed.
#pragma once

#include <gio/gio.h>

#include <charconv>
#include <chrono>
#include <condition_variable>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace mouse::test {

class FakeKWin {
public:
    struct Device {
        std::string sysName;  // "event5"
        std::string name;
        unsigned vendor = 0;
        unsigned product = 0;
        bool pointer = true;
        bool touchpad = false;
    };

    FakeKWin(const std::string& address, std::vector<Device> devices)
        : devices_(std::move(devices)) {
        std::promise<bool> ready;
        std::future<bool> started = ready.get_future();
        thread_ = std::thread([this, address, &ready] { Serve(address, ready); });
        ok_ = started.get();
    }
    ~FakeKWin() {
        if (loop_ != nullptr) {
            g_main_context_invoke(context_, &Quit, loop_);
        }
        thread_.join();
    }
    FakeKWin(const FakeKWin&) = delete;
    FakeKWin& operator=(const FakeKWin&) = delete;

    // The service owns its name and serves its objects.
    bool Ok() const { return ok_; }
    // The properties set since the last call: "event5 pointerAcceleration"
    // -> the value (doubles in their shortest exact text).
    std::map<std::string, std::string> TakeSets() {
        std::lock_guard lock(mutex_);
        return std::exchange(sets_, {});
    }
    // Waits (up to 10 s) until a change of file's group and key was
    // announced; a notice arrives after the call that sent it returned.
    bool WaitForChange(const std::string& file, const std::string& group, const std::string& key) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] {
            return sets_.count("/" + file + " " + group + " " + key) > 0;
        });
    }

private:
    static constexpr const char* kRoot = "/org/kde/KWin/InputDevice";
    static constexpr const char* kXml = R"(<node>
      <interface name="org.kde.KWin.InputDeviceManager">
        <property name="devicesSysNames" type="as" access="read"/>
      </interface>
      <interface name="org.kde.KWin.InputDevice">
        <property name="name" type="s" access="read"/>
        <property name="vendor" type="u" access="read"/>
        <property name="product" type="u" access="read"/>
        <property name="pointer" type="b" access="read"/>
        <property name="touchpad" type="b" access="read"/>
        <property name="pointerAcceleration" type="d" access="readwrite"/>
        <property name="pointerAccelerationProfileFlat" type="b" access="readwrite"/>
        <property name="pointerAccelerationProfileAdaptive" type="b" access="readwrite"/>
      </interface>
    </node>)";

    static gboolean Quit(gpointer loop) {
        g_main_loop_quit(static_cast<GMainLoop*>(loop));
        return G_SOURCE_REMOVE;
    }

    // The device an object path names.
    const Device& DeviceAt(const std::string& path) const {
        for (const Device& d : devices_) {
            if (path == std::string(kRoot) + "/" + d.sysName) {
                return d;
            }
        }
        return devices_.front();
    }

    static GVariant* GetProperty(GDBusConnection*, const gchar*, const gchar* path, const gchar*,
                                 const gchar* name, GError**, gpointer self) {
        const FakeKWin& kwin = *static_cast<FakeKWin*>(self);
        const std::string n = name;
        if (n == "devicesSysNames") {
            GVariantBuilder names;
            g_variant_builder_init(&names, G_VARIANT_TYPE_STRING_ARRAY);
            for (const Device& d : kwin.devices_) {
                g_variant_builder_add(&names, "s", d.sysName.c_str());
            }
            return g_variant_builder_end(&names);
        }
        const Device& d = kwin.DeviceAt(path);
        return n == "name"                  ? g_variant_new_string(d.name.c_str())
               : n == "vendor"              ? g_variant_new_uint32(d.vendor)
               : n == "product"             ? g_variant_new_uint32(d.product)
               : n == "touchpad"            ? g_variant_new_boolean(d.touchpad)
               : n == "pointerAcceleration" ? g_variant_new_double(0)
               : n == "pointer"             ? g_variant_new_boolean(d.pointer)
                                            : g_variant_new_boolean(false);
    }

    static gboolean SetProperty(GDBusConnection*, const gchar*, const gchar* path, const gchar*,
                                const gchar* name, GVariant* value, GError**, gpointer self) {
        FakeKWin& kwin = *static_cast<FakeKWin*>(self);
        std::string text;
        if (g_variant_is_of_type(value, G_VARIANT_TYPE_DOUBLE)) {
            char buffer[32];
            text.assign(
                buffer,
                std::to_chars(buffer, buffer + sizeof buffer, g_variant_get_double(value)).ptr);
        } else {
            gchar* printed = g_variant_print(value, FALSE);
            text = printed;
            g_free(printed);
        }
        std::lock_guard lock(kwin.mutex_);
        kwin.sets_[kwin.DeviceAt(path).sysName + " " + name] = text;
        return TRUE;
    }

    static void OnConfigChanged(GDBusConnection*, const gchar*, const gchar* path, const gchar*,
                                const gchar*, GVariant* args, gpointer self) {
        FakeKWin& kwin = *static_cast<FakeKWin*>(self);
        GVariantIter* groups = nullptr;
        g_variant_get(args, "(a{saay})", &groups);
        const gchar* group = nullptr;
        GVariantIter* keys = nullptr;
        std::lock_guard lock(kwin.mutex_);
        while (g_variant_iter_loop(groups, "{&saay}", &group, &keys)) {
            const gchar* key = nullptr;
            while (g_variant_iter_loop(keys, "^&ay", &key)) {
                kwin.sets_[std::string(path) + " " + group + " " + key] = "changed";
            }
        }
        g_variant_iter_free(groups);
        kwin.changed_.notify_all();
    }

    void Serve(const std::string& address, std::promise<bool>& ready) {
        context_ = g_main_context_new();
        g_main_context_push_thread_default(context_);
        GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
            address.c_str(),
            GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                 G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kXml, nullptr);
        static const GDBusInterfaceVTable vtable = {nullptr, &GetProperty, &SetProperty, {}};
        bool ok = connection != nullptr && node != nullptr &&
                  g_dbus_connection_register_object(connection, kRoot, node->interfaces[0], &vtable,
                                                    this, nullptr, nullptr) > 0;
        for (const Device& d : devices_) {
            const std::string path = std::string(kRoot) + "/" + d.sysName;
            ok = ok &&
                 g_dbus_connection_register_object(connection, path.c_str(), node->interfaces[1],
                                                   &vtable, this, nullptr, nullptr) > 0;
        }
        GVariant* owner = ok ? g_dbus_connection_call_sync(
                                   connection, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                   "org.freedesktop.DBus", "RequestName",
                                   g_variant_new("(su)", "org.kde.KWin", 4u), G_VARIANT_TYPE("(u)"),
                                   G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr)
                             : nullptr;
        if (owner != nullptr) {
            g_dbus_connection_signal_subscribe(
                connection, nullptr, "org.kde.kconfig.notify", "ConfigChanged", nullptr, nullptr,
                G_DBUS_SIGNAL_FLAGS_NONE, &OnConfigChanged, this, nullptr);
            loop_ = g_main_loop_new(context_, FALSE);
            g_variant_unref(owner);
        }
        ready.set_value(loop_ != nullptr);
        if (loop_ != nullptr) {
            g_main_loop_run(loop_);
            g_main_loop_unref(loop_);
        }
        if (node != nullptr) {
            g_dbus_node_info_unref(node);
        }
        if (connection != nullptr) {
            g_dbus_connection_close_sync(connection, nullptr, nullptr);
            g_object_unref(connection);
        }
        g_main_context_pop_thread_default(context_);
        g_main_context_unref(context_);
    }

    std::vector<Device> devices_;
    std::thread thread_;
    GMainContext* context_ = nullptr;
    GMainLoop* loop_ = nullptr;
    bool ok_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, std::string> sets_;
};

}  // namespace mouse::test
