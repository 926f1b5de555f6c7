// The input hook library on X11: one thread reads the XInput 2 raw key and
// button events of the root window and posts them to the windows the
// program installed.
//
// Raw events are delivered to every client that selects them, whatever
// window has the focus or holds a grab, and selecting them takes no grab
// itself: other programs keep getting every event.
#include "drivers/hook/hook.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>

#include "drivers/hook/hook_keys.h"

namespace {

constexpr unsigned kMsgKey = 0x500;
constexpr unsigned kMsgMouse = 0x501;

// Windows mouse message numbers.
constexpr unsigned kLeftDown = 513, kLeftUp = 514;
constexpr unsigned kRightDown = 516, kRightUp = 517;
constexpr unsigned kMiddleDown = 519, kMiddleUp = 520;
constexpr unsigned kWheel = 522;
constexpr unsigned kExtraDown = 523, kExtraUp = 524;

struct Report {
    unsigned message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

// X button numbers: 1 left, 2 middle, 3 right, 4/5 wheel up/down, 6/7 wheel
// left/right, 8 back, 9 forward. False for events that are not reported
// (wheel releases, the horizontal wheel, buttons beyond 9).
bool ButtonReport(int button, bool press, Report& out) {
    out.message = kMsgMouse;
    out.lParam = 0;
    switch (button) {
        case 1:
            out.wParam = press ? kLeftDown : kLeftUp;
            return true;
        case 2:
            out.wParam = press ? kMiddleDown : kMiddleUp;
            return true;
        case 3:
            out.wParam = press ? kRightDown : kRightUp;
            return true;
        case 4:
        case 5:
            out.wParam = kWheel;
            return press;
        case 8:
        case 9:
            out.wParam = press ? kExtraDown : kExtraUp;
            out.lParam = button - 7;
            return true;
        default:
            return false;
    }
}

bool KeyReport(int xKeycode, bool press, Report& out) {
    const int virtualKey =
        mouse::hook::VirtualKeyFromEvdev(xKeycode - mouse::hook::kXKeycodeOffset);
    if (virtualKey == 0) {
        return false;
    }
    out.message = kMsgKey;
    out.wParam = uintptr_t(virtualKey);
    out.lParam = press ? 0 : 1;
    return true;
}

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Sink {
    HookWindow window{};
    bool installed = false;
    bool enabled = false;
};

class Hook {
public:
    static Hook& Get() {
        static Hook hook;
        return hook;
    }

    void Install(Sink Hook::*which, const HookWindow* window) {
        std::lock_guard life(lifeMutex_);
        {
            std::lock_guard lock(mutex_);
            Sink& sink = this->*which;
            sink.window = window != nullptr ? *window : HookWindow{};
            sink.installed = window != nullptr && window->post != nullptr;
            sink.enabled = false;
        }
        if (!thread_.joinable()) {
            Start();
        }
    }

    void Remove(Sink Hook::*which) {
        std::lock_guard life(lifeMutex_);
        bool anyLeft = false;
        {
            // Once this lock is released no post to the window runs or starts.
            std::lock_guard lock(mutex_);
            Sink& sink = this->*which;
            sink = Sink{};
            anyLeft = keys_.installed || mouse_.installed;
        }
        if (!anyLeft) {
            Stop();
        }
    }

    void Enable(Sink Hook::*which, bool on) {
        std::lock_guard lock(mutex_);
        (this->*which).enabled = on;
    }

    Sink keys_;
    Sink mouse_;

private:
    Hook() = default;
    ~Hook() {
        std::lock_guard life(lifeMutex_);
        Stop();
    }

    // Connects to the X server and selects the raw events before returning,
    // so every event after an install call is seen. Without a display or
    // XInput 2 there is no thread and nothing is reported.
    void Start() {
        Display* display = XOpenDisplay(nullptr);
        if (display == nullptr) {
            return;
        }
        // Announcing XI 2.1 or later matters: to a 2.0 client the server
        // sends no raw events while any grab is active, and every button
        // press on another program's window starts an implicit grab, which
        // would hide its release.
        int event = 0, error = 0;
        int major = 2, minor = 2;
        if (!XQueryExtension(display, "XInputExtension", &xiOpcode_, &event, &error) ||
            XIQueryVersion(display, &major, &minor) != Success || major < 2 ||
            (major == 2 && minor < 1)) {
            XCloseDisplay(display);
            return;
        }
        unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
        XISetMask(bits, XI_RawKeyPress);
        XISetMask(bits, XI_RawKeyRelease);
        XISetMask(bits, XI_RawButtonPress);
        XISetMask(bits, XI_RawButtonRelease);
        XIEventMask mask{XIAllMasterDevices, int(sizeof(bits)), bits};
        XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
        XSync(display, False);
        wakeFd_ = eventfd(0, EFD_CLOEXEC);
        if (wakeFd_ < 0) {
            XCloseDisplay(display);
            return;
        }
        thread_ = std::thread([this, display] { Run(display); });
    }

    void Stop() {
        if (!thread_.joinable()) {
            return;
        }
        const uint64_t one = 1;
        (void)!write(wakeFd_, &one, sizeof(one));
        thread_.join();
        close(wakeFd_);
        wakeFd_ = -1;
    }

    void Run(Display* display) {
        pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        for (;;) {
            while (XPending(display) > 0) {
                XEvent event;
                XNextEvent(display, &event);
                const int64_t readNs = NowNs();
                Handle(display, event, readNs);
            }
            if (poll(fds, 2, -1) < 0) {
                continue;  // interrupted
            }
            if (fds[1].revents != 0) {
                break;
            }
            if ((fds[0].revents & (POLLERR | POLLHUP)) != 0) {
                break;  // the server went away
            }
        }
        XCloseDisplay(display);
    }

    void Handle(Display* display, XEvent& event, int64_t readNs) {
        XGenericEventCookie* cookie = &event.xcookie;
        if (cookie->type != GenericEvent || cookie->extension != xiOpcode_ ||
            !XGetEventData(display, cookie)) {
            return;
        }
        const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
        Report report;
        bool reported = false;
        Sink Hook::*which = &Hook::keys_;
        switch (cookie->evtype) {
            case XI_RawKeyPress:
            case XI_RawKeyRelease:
                reported = KeyReport(raw->detail, cookie->evtype == XI_RawKeyPress, report);
                break;
            case XI_RawButtonPress:
            case XI_RawButtonRelease:
                which = &Hook::mouse_;
                reported = ButtonReport(raw->detail, cookie->evtype == XI_RawButtonPress, report);
                break;
            default:
                break;
        }
        XFreeEventData(display, cookie);
        if (!reported) {
            return;
        }
        std::lock_guard lock(mutex_);
        const Sink& sink = this->*which;
        if (sink.installed && sink.enabled) {
            sink.window.post(sink.window.target, report.message, report.wParam, report.lParam,
                             readNs);
        }
    }

    std::mutex lifeMutex_;  // serialises install and remove (thread start and stop)
    std::mutex mutex_;      // the sinks; held while posting
    std::thread thread_;
    int wakeFd_ = -1;
    int xiOpcode_ = 0;
};

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void installhook(const HookWindow* window) {
    Hook::Get().Install(&Hook::keys_, window);
}
__attribute__((visibility("default"))) void removehook(void) {
    Hook::Get().Remove(&Hook::keys_);
}
__attribute__((visibility("default"))) void enablehook(int on) {
    Hook::Get().Enable(&Hook::keys_, on != 0);
}
__attribute__((visibility("default"))) void installmousehook(const HookWindow* window) {
    Hook::Get().Install(&Hook::mouse_, window);
}
__attribute__((visibility("default"))) void removemousehook(void) {
    Hook::Get().Remove(&Hook::mouse_);
}
__attribute__((visibility("default"))) void enablemousehook(int on) {
    Hook::Get().Enable(&Hook::mouse_, on != 0);
}
__attribute__((visibility("default"))) int MouseMoveHook(int on) {
    (void)on;
    return 0;
}

}  // extern "C"
