// The client side on GDBus (GIO): synchronous calls, and the apply's end
// awaited as the program's ApplyFinished signal.
#include <gio/gio.h>

#include <chrono>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/command.h"
#include "cli/device_commands.h"
#include "cli/json_text.h"
#include "cli/program_client.h"
#include "store/program_ids.h"

namespace mouse::cli {

namespace {

constexpr int kCallMs = 5000;
constexpr auto kApplyWait = std::chrono::seconds(15);

// The session bus, or null (no bus: the program cannot be reached either).
GDBusConnection* Bus() {
    static GDBusConnection* bus = [] {
        GError* error = nullptr;
        GDBusConnection* c = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
        g_clear_error(&error);
        return c;
    }();
    return bus;
}

// The exit status for a failed call, with its message on err.
int Failed(GError* error, std::ostream& err) {
    gchar* remote = g_dbus_error_get_remote_error(error);
    const std::string name = remote != nullptr ? remote : "";
    g_free(remote);
    g_dbus_error_strip_remote_error(error);
    int status = kExitDevice;
    std::string message = error->message;
    if (name.ends_with(".Error.Busy")) {
        status = kExitBusy;
    } else if (name.ends_with(".Error.NoSuchProfile") || name.ends_with(".Error.BadDpiLevel")) {
        status = kExitUsage;
    } else if (name == "org.freedesktop.DBus.Error.ServiceUnknown" ||
               name == "org.freedesktop.DBus.Error.NameHasNoOwner") {
        status = kExitNotRunning;
        message = "the program is not running";
    }
    err << "mousectl: " << message << "\n";
    g_error_free(error);
    return status;
}

// Calls a method of the program; null after Failed() set *status.
GVariant* Call(const char* method, GVariant* params, const char* replyType, std::ostream& err,
               int* status) {
    GDBusConnection* bus = Bus();
    if (bus == nullptr) {
        if (params != nullptr) {
            g_variant_unref(g_variant_ref_sink(params));
        }
        err << "mousectl: no session bus: the program cannot be reached\n";
        *status = kExitNotRunning;
        return nullptr;
    }
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(
        bus, kServiceName, kServicePath, kServiceInterface, method, params,
        replyType != nullptr ? G_VARIANT_TYPE(replyType) : nullptr, G_DBUS_CALL_FLAGS_NO_AUTO_START,
        kCallMs, nullptr, &error);
    if (reply == nullptr) {
        *status = Failed(error, err);
    }
    return reply;
}

struct ApplyOutcome {
    bool done = false;
    bool complete = false;
    int reports = 0;
    int refused = 0;
    std::string steps;
};

void OnApplyFinished(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                     GVariant* params, gpointer data) {
    auto* outcome = static_cast<ApplyOutcome*>(data);
    gboolean complete = FALSE;
    gint32 reports = 0, refused = 0;
    GVariantIter* steps = nullptr;
    g_variant_get(params, "(biias)", &complete, &reports, &refused, &steps);
    const gchar* step = nullptr;
    while (g_variant_iter_next(steps, "&s", &step)) {
        outcome->steps += outcome->steps.empty() ? "" : ", ";
        outcome->steps += step;
    }
    g_variant_iter_free(steps);
    outcome->complete = complete;
    outcome->reports = reports;
    outcome->refused = refused;
    outcome->done = true;
}

bool MouseReady(std::ostream& err, int* status) {
    GVariant* reply = Call("GetState", nullptr, "(a{sv})", err, status);
    if (reply == nullptr) {
        return false;
    }
    GVariant* state = g_variant_get_child_value(reply, 0);
    gboolean ready = FALSE;
    g_variant_lookup(state, "Ready", "b", &ready);
    g_variant_unref(state);
    g_variant_unref(reply);
    return ready;
}

// Runs a request that starts an apply and waits for its end.
int RequestApply(const char* method, GVariant* params, const char* replyType, std::ostream& out,
                 std::ostream& err) {
    int status = kExitOk;
    const bool ready = MouseReady(err, &status);
    if (status != kExitOk) {
        if (params != nullptr) {
            g_variant_unref(g_variant_ref_sink(params));
        }
        return status;
    }
    ApplyOutcome outcome;
    const guint id = g_dbus_connection_signal_subscribe(
        Bus(), kServiceName, kServiceInterface, "ApplyFinished", kServicePath, nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, OnApplyFinished, &outcome, nullptr);
    GVariant* reply = Call(method, params, replyType, err, &status);
    if (reply != nullptr) {
        g_variant_unref(reply);
        if (!ready) {
            err << "mousectl: the mouse is not connected: the program writes it when the "
                   "mouse is plugged in\n";
            status = kExitDevice;
        } else {
            const auto deadline = std::chrono::steady_clock::now() + kApplyWait;
            while (!outcome.done && std::chrono::steady_clock::now() < deadline) {
                if (!g_main_context_iteration(nullptr, FALSE)) {
                    g_usleep(1000);
                }
            }
            if (!outcome.done) {
                err << "mousectl: the program did not say whether the mouse took the apply\n";
                status = kExitDevice;
            } else if (!outcome.complete) {
                err << "mousectl: the mouse refused " << outcome.refused << " of "
                    << outcome.reports << " reports (" << outcome.steps << ")\n";
                status = kExitRefused;
            } else {
                out << "applied: " << outcome.reports << " reports\n";
            }
        }
    }
    g_dbus_connection_signal_unsubscribe(Bus(), id);
    return status;
}

}  // namespace

bool ProgramOnBus() {
    GDBusConnection* bus = Bus();
    if (bus == nullptr) {
        return false;
    }
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "NameHasOwner", g_variant_new("(s)", kServiceName), G_VARIANT_TYPE("(b)"),
        G_DBUS_CALL_FLAGS_NONE, kCallMs, nullptr, nullptr);
    if (reply == nullptr) {
        return false;
    }
    gboolean owned = FALSE;
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
    return owned;
}

std::optional<LiveProfiles> LiveListProfiles(std::ostream& err, int* status) {
    GVariant* names = Call("ListProfiles", nullptr, "(as)", err, status);
    if (names == nullptr) {
        return std::nullopt;
    }
    LiveProfiles result;
    GVariantIter* it = nullptr;
    g_variant_get(names, "(as)", &it);
    const gchar* name = nullptr;
    while (g_variant_iter_next(it, "&s", &name)) {
        result.names.emplace_back(name);
    }
    g_variant_iter_free(it);
    g_variant_unref(names);
    GVariant* current = Call("CurrentProfile", nullptr, "(is)", err, status);
    if (current == nullptr) {
        return std::nullopt;
    }
    gint32 index = 0;
    g_variant_get(current, "(i&s)", &index, nullptr);
    g_variant_unref(current);
    result.current = index;
    return result;
}

std::optional<LiveDpi> LiveGetDpi(std::ostream& err, int* status) {
    GVariant* reply = Call("GetDpiLevel", nullptr, "(ii)", err, status);
    if (reply == nullptr) {
        return std::nullopt;
    }
    LiveDpi dpi;
    g_variant_get(reply, "(ii)", &dpi.level, &dpi.count);
    g_variant_unref(reply);
    return dpi;
}

std::optional<std::string> LiveStateText(bool json, std::ostream& err, int* status) {
    GVariant* reply = Call("GetState", nullptr, "(a{sv})", err, status);
    if (reply == nullptr) {
        return std::nullopt;
    }
    GVariant* state = g_variant_get_child_value(reply, 0);
    gboolean connected = FALSE, ready = FALSE;
    const gchar* firmware = "";
    const gchar* last = "none";
    g_variant_lookup(state, "Connected", "b", &connected);
    g_variant_lookup(state, "Ready", "b", &ready);
    g_variant_lookup(state, "FirmwareVersion", "&s", &firmware);
    g_variant_lookup(state, "LastApply", "&s", &last);
    std::string text;
    if (json) {
        text = JsonText(nlohmann::json{{"connected", bool(connected)},
                                       {"ready", bool(ready)},
                                       {"firmware", firmware},
                                       {"last_apply", last}});
    } else {
        text = std::string("mouse: ") +
               (ready       ? "ready"
                : connected ? "connected"
                            : "absent") +
               "\nfirmware: " + (*firmware ? firmware : "unknown") + "\nlast apply: " + last + "\n";
    }
    g_variant_unref(state);
    g_variant_unref(reply);
    return text;
}

int LiveSwitchProfile(const std::string& target, std::ostream& out, std::ostream& err) {
    // A number is a profile number from 1; anything else is a name.
    const bool number = !target.empty() &&
                        target.find_first_not_of("0123456789") == std::string::npos &&
                        target.size() < 6;
    if (number) {
        return RequestApply("SwitchProfile", g_variant_new("(i)", std::stoi(target) - 1), nullptr,
                            out, err);
    }
    return RequestApply("SwitchProfileByName", g_variant_new("(s)", target.c_str()), nullptr, out,
                        err);
}

int LiveDpiChange(const std::string& op, int level, std::ostream& out, std::ostream& err) {
    if (op == "set") {
        return RequestApply("SetDpiLevel", g_variant_new("(i)", level), nullptr, out, err);
    }
    int status = kExitOk;
    const auto before = LiveGetDpi(err, &status);
    if (!before) {
        return status;
    }
    const bool up = op == "up";
    if ((up && before->level >= before->count) || (!up && before->level <= 1)) {
        out << before->level << " of " << before->count << "\n";
        return kExitOk;  // at the end: nothing to apply
    }
    return RequestApply(up ? "DpiLevelUp" : "DpiLevelDown", nullptr, "(i)", out, err);
}

int LiveApply(std::ostream& out, std::ostream& err) {
    return RequestApply("Apply", nullptr, nullptr, out, err);
}

}  // namespace mouse::cli
