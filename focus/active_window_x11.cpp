// The window in front on an X server: the root window's _NET_ACTIVE_WINDOW,
// which window managers keep up to date (and a test can set itself), and
// that window's WM_CLASS, title and _NET_WM_PID. Changes arrive as
// PropertyNotify events on the root window, read from the connection's
// socket through a QSocketNotifier: nothing is polled.
//
// It speaks XCB on a connection of its own: a request about a window that
// has just gone answers with an error for that request only, where Xlib
// would call one process-wide error handler.
#include <unistd.h>
#include <xcb/xcb.h>

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "focus/active_window.h"

namespace mouse {

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

class X11ActiveWindowSource final : public ActiveWindowSource {
public:
    explicit X11ActiveWindowSource(xcb_connection_t* connection) : c_(connection) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        const char* names[] = {"_NET_ACTIVE_WINDOW", "_NET_CLIENT_LIST", "_NET_WM_PID",
                               "_NET_WM_NAME", "UTF8_STRING"};
        xcb_intern_atom_cookie_t cookies[std::size(names)];
        for (size_t i = 0; i < std::size(names); ++i) {
            cookies[i] = xcb_intern_atom(c_, 0, uint16_t(strlen(names[i])), names[i]);
        }
        xcb_atom_t* atoms[] = {&active_, &clientList_, &pid_, &netName_, &utf8_};
        for (size_t i = 0; i < std::size(names); ++i) {
            XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c_, cookies[i], nullptr));
            *atoms[i] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        }
    }
    ~X11ActiveWindowSource() override {
        Stop();
        xcb_disconnect(c_);
    }

    const char* Name() const override { return "X11"; }

    bool Start(Listener changed, std::string& error) override {
        if (xcb_connection_has_error(c_)) {
            error = "The connection to the X display was lost.";
            return false;
        }
        listener_ = std::move(changed);
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c_);
        notifier_ =
            std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c_), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                         [this] { Drain(false); });
        // The window in front now, reported from the event loop like every change.
        QTimer::singleShot(0, notifier_.get(), [this] { Drain(true); });
        return true;
    }

    void Stop() override {
        notifier_.reset();
        listener_ = nullptr;
    }

    ActiveWindow Current() const override { return current_; }

    std::vector<std::string> OpenApplications() const override {
        // The window manager's list of client windows; without a window
        // manager, the root window's children that have a class.
        std::vector<xcb_window_t> windows = Windows(root_, clientList_, XCB_ATOM_WINDOW);
        if (windows.empty()) {
            XcbReply<xcb_query_tree_reply_t> tree(
                xcb_query_tree_reply(c_, xcb_query_tree(c_, root_), nullptr));
            if (tree) {
                const xcb_window_t* children = xcb_query_tree_children(tree.get());
                windows.assign(children, children + xcb_query_tree_children_length(tree.get()));
            }
        }
        // All requests first, then the replies: one round trip in all.
        std::vector<xcb_get_property_cookie_t> cookies;
        cookies.reserve(windows.size());
        for (xcb_window_t w : windows) {
            cookies.push_back(ClassRequest(w));
        }
        std::vector<std::string> ids;
        for (xcb_get_property_cookie_t cookie : cookies) {
            std::string id = ClassOf(cookie);
            if (!id.empty()) {
                ids.push_back(std::move(id));
            }
        }
        std::sort(ids.begin(), ids.end());
        ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
        // Waiting for the replies may have queued events without the socket
        // becoming readable again: they are read from the event loop.
        if (notifier_ != nullptr) {
            auto* self = const_cast<X11ActiveWindowSource*>(this);
            QTimer::singleShot(0, notifier_.get(), [self] { self->Drain(false); });
        }
        return ids;
    }

private:
    // Reads the events that arrived; reads the window in front again when
    // it changed (or when `force`). Replies read on the way may queue more
    // events without the socket becoming readable again, so it loops until
    // the queue is empty.
    void Drain(bool force) {
        for (;;) {
            bool changed = force;
            force = false;
            while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
                if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
                    const auto* property = reinterpret_cast<xcb_property_notify_event_t*>(event);
                    changed |= property->window == root_ && property->atom == active_;
                }
                std::free(event);
            }
            if (xcb_connection_has_error(c_)) {
                notifier_.reset();  // nothing more will come
                return;
            }
            if (!changed) {
                return;
            }
            ActiveWindow now = Read();
            if (reportedOnce_ && now == current_) {
                continue;
            }
            reportedOnce_ = true;
            current_ = std::move(now);
            if (!listener_) {
                return;
            }
            // A copy: the listener may stop or destroy this source.
            const Listener listener = listener_;
            const std::weak_ptr<int> alive = life_;
            listener(ActiveWindow(current_));
            if (alive.expired() || !listener_) {
                return;
            }
        }
    }

    ActiveWindow Read() const {
        ActiveWindow window;
        const std::vector<xcb_window_t> active = Windows(root_, active_, XCB_ATOM_ANY);
        if (active.empty() || active[0] == XCB_WINDOW_NONE) {
            return window;
        }
        const xcb_window_t w = active[0];
        const xcb_get_property_cookie_t classCookie = ClassRequest(w);
        const xcb_get_property_cookie_t netName =
            xcb_get_property(c_, 0, w, netName_, utf8_, 0, 256);
        const xcb_get_property_cookie_t name =
            xcb_get_property(c_, 0, w, XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 0, 256);
        const xcb_get_property_cookie_t pid =
            xcb_get_property(c_, 0, w, pid_, XCB_ATOM_CARDINAL, 0, 1);
        window.appId = ClassOf(classCookie);
        window.title = Text(netName);
        const std::string plainName = Text(name);
        if (window.title.empty()) {
            window.title = plainName;
        }
        XcbReply<xcb_get_property_reply_t> pidReply(xcb_get_property_reply(c_, pid, nullptr));
        if (pidReply && pidReply->format == 32 &&
            xcb_get_property_value_length(pidReply.get()) == 4) {
            const uint32_t value =
                *static_cast<const uint32_t*>(xcb_get_property_value(pidReply.get()));
            window.executable = ExecutableOfProcess(long(value));
        }
        return window;
    }

    // A property of 32-bit window ids.
    std::vector<xcb_window_t> Windows(xcb_window_t w, xcb_atom_t property, xcb_atom_t type) const {
        std::vector<xcb_window_t> out;
        if (property == XCB_ATOM_NONE) {
            return out;
        }
        XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            c_, xcb_get_property(c_, 0, w, property, type, 0, 4096), nullptr));
        if (reply && reply->format == 32) {
            const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
            out.assign(ids, ids + xcb_get_property_value_length(reply.get()) / 4);
        }
        return out;
    }

    xcb_get_property_cookie_t ClassRequest(xcb_window_t w) const {
        return xcb_get_property(c_, 0, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256);
    }

    // WM_CLASS holds the instance name and the class, each ended by a NUL:
    // the class is the application id.
    std::string ClassOf(xcb_get_property_cookie_t cookie) const {
        const std::string value = Text(cookie);
        const size_t end = value.find('\0');
        if (end == std::string::npos) {
            return {};
        }
        std::string id = value.substr(end + 1);
        id.erase(std::find(id.begin(), id.end(), '\0'), id.end());
        return id;
    }

    std::string Text(xcb_get_property_cookie_t cookie) const {
        XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c_, cookie, nullptr));
        if (!reply || reply->format != 8) {
            return {};
        }
        const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply.get()));
        return std::string(bytes, size_t(xcb_get_property_value_length(reply.get())));
    }

    xcb_connection_t* c_;
    xcb_window_t root_ = 0;
    xcb_atom_t active_ = XCB_ATOM_NONE, clientList_ = XCB_ATOM_NONE, pid_ = XCB_ATOM_NONE,
               netName_ = XCB_ATOM_NONE, utf8_ = XCB_ATOM_NONE;
    std::unique_ptr<QSocketNotifier> notifier_;
    // Gone with the source: a listener that destroyed it is noticed.
    std::shared_ptr<int> life_ = std::make_shared<int>(0);
    Listener listener_;
    ActiveWindow current_;
    bool reportedOnce_ = false;
};

}  // namespace

std::unique_ptr<ActiveWindowSource> CreateX11ActiveWindowSource(std::string& whyNot) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        whyNot = "The X display could not be opened, so the window in front cannot be known.";
        return nullptr;
    }
    return std::make_unique<X11ActiveWindowSource>(connection);
}

}  // namespace mouse
