#include "focus/active_window_wlroots.h"

#include <wayland-client.h>

#include <QLoggingCategory>
#include <QSocketNotifier>
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

namespace mouse {

namespace {

Q_LOGGING_CATEGORY(lcFocus, "mouse.focus")

constexpr uint32_t kManagerVersion = 3;

// One toplevel window: what took effect at its last done, and what came
// since.
struct Toplevel {
    zwlr_foreign_toplevel_handle_v1* handle = nullptr;
    std::string appId, title;
    bool activated = false;
    std::string pendingAppId, pendingTitle;
    bool pendingActivated = false;
};

class WlrootsSource final : public ActiveWindowSource {
public:
    explicit WlrootsSource(std::string display) : displayName_(std::move(display)) {}
    ~WlrootsSource() override { Stop(); }
    WlrootsSource(const WlrootsSource&) = delete;
    WlrootsSource& operator=(const WlrootsSource&) = delete;

    const char* Name() const override { return "wlroots"; }

    bool Start(Listener changed, std::string& error) override {
        Stop();
        display_ = wl_display_connect(displayName_.empty() ? nullptr : displayName_.c_str());
        if (display_ == nullptr) {
            error =
                "No Wayland compositor could be reached, so the window in front cannot be known.";
            return false;
        }
        registry_ = wl_display_get_registry(display_);
        wl_registry_add_listener(registry_, &kRegistryListener, this);
        // One round trip to learn the compositor's globals, so that a missing
        // protocol is told at once; the compositor answers it at once (it is
        // the session's display server, which answers every client's).
        if (wl_display_roundtrip(display_) < 0) {
            error = "The Wayland compositor closed the connection.";
            Stop();
            return false;
        }
        if (manager_ == nullptr) {
            error =
                "This Wayland compositor does not tell other programs which window is in front "
                "(it lacks the wlroots foreign-toplevel protocol).";
            Stop();
            return false;
        }
        listener_ = std::move(changed);
        current_ = {};
        notifier_ =
            std::make_unique<QSocketNotifier>(wl_display_get_fd(display_), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                         [this] { Read(); });
        // The toplevels the compositor sent with the round trip's answer.
        if (wl_display_dispatch_pending(display_) < 0) {
            error = "The Wayland connection failed while listing the windows.";
            Stop();
            return false;
        }
        wl_display_flush(display_);
        Report();
        return true;
    }

    void Stop() override {
        listener_ = nullptr;
        notifier_.reset();
        for (auto& toplevel : toplevels_) {
            zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
        }
        toplevels_.clear();
        if (manager_ != nullptr) {
            zwlr_foreign_toplevel_manager_v1_destroy(manager_);
            manager_ = nullptr;
        }
        if (registry_ != nullptr) {
            wl_registry_destroy(registry_);
            registry_ = nullptr;
        }
        if (display_ != nullptr) {
            wl_display_disconnect(display_);
            display_ = nullptr;
        }
        changed_ = false;
    }

    ActiveWindow Current() const override { return current_; }

    std::vector<std::string> OpenApplications() const override {
        std::vector<std::string> ids;
        for (const auto& toplevel : toplevels_) {
            if (!toplevel->appId.empty()) {
                ids.push_back(toplevel->appId);
            }
        }
        std::sort(ids.begin(), ids.end());
        ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
        return ids;
    }

private:
    // The socket has data: read it without blocking, handle every event,
    // then report once for the whole batch (a focus change deactivates one
    // window and activates another, each with its own done).
    void Read() {
        while (wl_display_prepare_read(display_) != 0) {
            // A connection in error keeps its queue: stop rather than spin.
            if (wl_display_dispatch_pending(display_) < 0) {
                qCWarning(lcFocus,
                          "the Wayland connection failed: the window in front is no "
                          "longer followed");
                Stop();
                return;
            }
        }
        wl_display_flush(display_);
        if (wl_display_read_events(display_) < 0 || wl_display_dispatch_pending(display_) < 0) {
            qCWarning(lcFocus,
                      "the Wayland connection was lost: the window in front is no longer followed");
            Stop();
            return;
        }
        wl_display_flush(display_);
        Report();
    }

    void Report() {
        if (!changed_) {
            return;
        }
        changed_ = false;
        ActiveWindow front;
        for (const auto& toplevel : toplevels_) {
            if (toplevel->activated) {
                front.appId = toplevel->appId;
                front.title = toplevel->title;
                break;
            }
        }
        if (front == current_) {
            return;
        }
        current_ = front;
        if (listener_) {
            // A copy: the listener may stop this source.
            Listener listener = listener_;
            listener(front);
        }
    }

    Toplevel* Find(zwlr_foreign_toplevel_handle_v1* handle) {
        for (auto& toplevel : toplevels_) {
            if (toplevel->handle == handle) {
                return toplevel.get();
            }
        }
        return nullptr;
    }

    static void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                         uint32_t version) {
        auto* self = static_cast<WlrootsSource*>(data);
        if (self->manager_ == nullptr &&
            std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0) {
            self->manager_ = static_cast<zwlr_foreign_toplevel_manager_v1*>(
                wl_registry_bind(registry, name, &zwlr_foreign_toplevel_manager_v1_interface,
                                 std::min(version, kManagerVersion)));
            zwlr_foreign_toplevel_manager_v1_add_listener(self->manager_, &kManagerListener, self);
        }
    }
    static void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

    static void OnToplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                           zwlr_foreign_toplevel_handle_v1* handle) {
        auto* self = static_cast<WlrootsSource*>(data);
        auto toplevel = std::make_unique<Toplevel>();
        toplevel->handle = handle;
        zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kHandleListener, self);
        self->toplevels_.push_back(std::move(toplevel));
    }
    static void OnFinished(void* data, zwlr_foreign_toplevel_manager_v1* manager) {
        auto* self = static_cast<WlrootsSource*>(data);
        zwlr_foreign_toplevel_manager_v1_destroy(manager);
        self->manager_ = nullptr;
    }

    static void OnTitle(void* data, zwlr_foreign_toplevel_handle_v1* handle, const char* title) {
        if (Toplevel* toplevel = static_cast<WlrootsSource*>(data)->Find(handle)) {
            toplevel->pendingTitle = title;
        }
    }
    static void OnAppId(void* data, zwlr_foreign_toplevel_handle_v1* handle, const char* appId) {
        if (Toplevel* toplevel = static_cast<WlrootsSource*>(data)->Find(handle)) {
            toplevel->pendingAppId = appId;
        }
    }
    static void OnOutput(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void OnState(void* data, zwlr_foreign_toplevel_handle_v1* handle, wl_array* states) {
        Toplevel* toplevel = static_cast<WlrootsSource*>(data)->Find(handle);
        if (toplevel == nullptr) {
            return;
        }
        toplevel->pendingActivated = false;
        const auto* state = static_cast<const uint32_t*>(states->data);
        for (size_t i = 0; i < states->size / sizeof(uint32_t); ++i) {
            if (state[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) {
                toplevel->pendingActivated = true;
            }
        }
    }
    static void OnDone(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
        auto* self = static_cast<WlrootsSource*>(data);
        if (Toplevel* toplevel = self->Find(handle)) {
            toplevel->appId = toplevel->pendingAppId;
            toplevel->title = toplevel->pendingTitle;
            toplevel->activated = toplevel->pendingActivated;
            self->changed_ = true;
        }
    }
    static void OnClosed(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
        auto* self = static_cast<WlrootsSource*>(data);
        std::erase_if(self->toplevels_, [&](const std::unique_ptr<Toplevel>& toplevel) {
            return toplevel->handle == handle;
        });
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
        self->changed_ = true;
    }
    static void OnParent(void*, zwlr_foreign_toplevel_handle_v1*,
                         zwlr_foreign_toplevel_handle_v1*) {}

    static constexpr wl_registry_listener kRegistryListener = {&OnGlobal, &OnGlobalRemove};
    static constexpr zwlr_foreign_toplevel_manager_v1_listener kManagerListener = {&OnToplevel,
                                                                                   &OnFinished};
    static constexpr zwlr_foreign_toplevel_handle_v1_listener kHandleListener = {
        &OnTitle, &OnAppId, &OnOutput, &OnOutput, &OnState, &OnDone, &OnClosed, &OnParent};

    std::string displayName_;
    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    zwlr_foreign_toplevel_manager_v1* manager_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<std::unique_ptr<Toplevel>> toplevels_;
    Listener listener_;
    ActiveWindow current_;
    bool changed_ = false;  // a toplevel changed since the last report
};

}  // namespace

std::unique_ptr<ActiveWindowSource> MakeWlrootsActiveWindowSource(const std::string& display) {
    return std::make_unique<WlrootsSource>(display);
}

std::unique_ptr<ActiveWindowSource> CreateWlrootsActiveWindowSource(std::string&) {
    return MakeWlrootsActiveWindowSource({});
}

}  // namespace mouse
