// The real hook library on a private X server: key presses and button
// clicks injected with XTest are recorded with the right codes, and with
// delays that match the injected gaps although the thread handling the
// reports is kept busy between them.
// GoogleTest first: Xlib defines None and Bool as macros.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
// clang-format on
#include <poll.h>
#include <sys/prctl.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "ci_env.h"
#include "desktop/xvfb.h"
#include "macros/hook_library.h"
#include "macros/x_keyboard.h"
#include "recorder_fakes.h"

namespace mouse {
namespace {

using namespace std::chrono_literals;

// The main window's message queue, reduced to what the test needs.
class MessageQueue {
public:
    struct Message {
        unsigned message;
        uintptr_t wParam;
        intptr_t lParam;
    };
    void Post(unsigned message, uintptr_t wParam, intptr_t lParam) {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back({message, wParam, lParam});
        }
        cv_.notify_one();
    }
    bool Take(Message& out, std::chrono::milliseconds wait) {
        std::unique_lock lock(mutex_);
        if (!cv_.wait_for(lock, wait, [&] { return !queue_.empty(); })) {
            return false;
        }
        out = queue_.front();
        queue_.pop_front();
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Message> queue_;
};

// Sleeps until `t` on the steady clock, spinning through the last
// millisecond so the wake-up does not depend on the scheduler's timer slack.
void SleepUntil(HookClock::time_point t) {
    if (t - HookClock::now() > 2ms) {
        std::this_thread::sleep_until(t - 1ms);
    }
    while (HookClock::now() < t) {
    }
}

// Keeps the handling thread from its queue for `d`, as a handler that
// waits for the disk would. It sleeps rather than spins: on a two-core
// machine a spinning thread would take the processor from the X server and
// the hook, and measure the machine instead of the recorder.
void KeepBusy(HookClock::duration d) {
    std::this_thread::sleep_for(d);
}

struct Step {
    enum Kind { Key, Button } kind;
    unsigned code;  // X key code or X button
    bool press;
    int gapMs;        // after the step before
    bool recorded;    // the wheel is not
    uint8_t keyCode;  // expected key code of the action
};

class XvfbRecording : public ::testing::Test {
protected:
    void SetUp() override {
        if (xvfb.Name().empty()) {
            MOUSE_SKIP_UNLESS_CI("Xvfb could not be started");
        }
        setenv("DISPLAY", xvfb.Name().c_str(), 1);
    }
    void TearDown() override { unsetenv("DISPLAY"); }

    test::Xvfb xvfb;
};

// X key codes are evdev codes + 8: 38 A, 37 left Ctrl, 71 F5.
const std::vector<Step> kSteps = {
    {Step::Key, 38, true, 0, true, 4},      {Step::Key, 38, false, 40, true, 4},
    {Step::Button, 1, true, 25, true, 240}, {Step::Button, 1, false, 60, true, 240},
    {Step::Button, 9, true, 15, true, 244}, {Step::Button, 9, false, 30, true, 244},
    {Step::Button, 4, true, 20, false, 0},  {Step::Button, 4, false, 3, false, 0},
    {Step::Key, 37, true, 35, true, 224},   {Step::Key, 37, false, 20, true, 224},
    {Step::Key, 71, true, 45, true, 62},    {Step::Key, 71, false, 12, true, 62},
    {Step::Button, 3, true, 7, true, 241},  {Step::Button, 3, false, 50, true, 241},
    {Step::Button, 2, true, 18, true, 242}, {Step::Button, 2, false, 26, true, 242},
};

struct Attempt {
    bool ok = false;   // the steps were injected and recorded with the right codes
    double worst = 0;  // largest |recorded delay - injected gap| in ms
    double slowestRoundTripMs = 0;
};

// Records kSteps once, injected on `display` while the handling thread is
// kept busy, and compares the recorded delays with the injected gaps.
Attempt RecordOnce(const std::string& display, HookApi& hook, const KeyboardLayout& layout) {
    Attempt result;
    MessageQueue queue;
    MacroWorkingCopy work;
    test::FakeHost host;
    host.work = &work;
    MacroRecorder recorder(
        work, host, &hook,
        PostingSink([&](unsigned m, uintptr_t w, intptr_t l) { queue.Post(m, w, l); }), layout);
    recorder.SetDelayMode(kDelayMeasured);
    EXPECT_EQ(recorder.ToggleRecording(), MacroRecorder::Toggle::Started);
    recorder.PointerOverRecordButton(false);  // the pointer left btn_record
    const int expected =
        int(std::count_if(kSteps.begin(), kSteps.end(), [](const Step& s) { return s.recorded; }));

    // The injector notes when it sent each event.
    std::vector<HookClock::time_point> injectedAt(kSteps.size());
    HookClock::duration slowestRoundTrip{};
    bool injectorOk = true;
    std::thread injector([&] {
        prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
        Display* dpy = XOpenDisplay(display.c_str());
        int event = 0, error = 0, major = 0, minor = 0;
        if (dpy == nullptr || !XTestQueryExtension(dpy, &event, &error, &major, &minor)) {
            injectorOk = false;
            if (dpy != nullptr) {
                XCloseDisplay(dpy);
            }
            return;
        }
        HookClock::time_point next = HookClock::now() + 50ms;
        for (size_t i = 0; i < kSteps.size(); ++i) {
            next += std::chrono::milliseconds(kSteps[i].gapMs);
            SleepUntil(next);
            // The injection time is taken just before the request goes out
            // (XFlush writes it at once). The time XSync returns would be
            // worse: it includes this thread's own wake-up, which on a
            // loaded machine comes milliseconds after the hook read the event.
            injectedAt[i] = HookClock::now();
            if (kSteps[i].kind == Step::Key) {
                XTestFakeKeyEvent(dpy, kSteps[i].code, kSteps[i].press, CurrentTime);
            } else {
                XTestFakeButtonEvent(dpy, kSteps[i].code, kSteps[i].press, CurrentTime);
            }
            XFlush(dpy);
            XSync(dpy, False);
            slowestRoundTrip = std::max(slowestRoundTrip, HookClock::now() - injectedAt[i]);
        }
        XCloseDisplay(dpy);
    });

    // The "window": handles one report, then is busy for 30 ms, so reports
    // pile up and are handled long after they were read.
    const HookClock::time_point giveUp = HookClock::now() + 30s;
    while (work.count < expected && recorder.Recording() && HookClock::now() < giveUp) {
        MessageQueue::Message m{};
        if (queue.Take(m, 100ms)) {
            recorder.OnHookMessage(m.message, m.wParam, m.lParam);
            KeepBusy(30ms);
        }
    }
    injector.join();
    result.slowestRoundTripMs = std::chrono::duration<double, std::milli>(slowestRoundTrip).count();
    EXPECT_TRUE(injectorOk) << "no XTest on the private X server";
    EXPECT_EQ(recorder.ToggleRecording(), MacroRecorder::Toggle::Stopped);
    EXPECT_EQ(work.count, expected);
    EXPECT_EQ(host.saves, 1);
    if (!injectorOk || work.count != expected) {
        return result;
    }

    std::vector<size_t> recordedSteps;
    for (size_t i = 0; i < kSteps.size(); ++i) {
        if (kSteps[i].recorded) {
            recordedSteps.push_back(i);
        }
    }
    result.ok = true;
    for (int a = 0; a < work.count; ++a) {
        const MacroAction& action = work.actions[size_t(a)];
        const Step& step = kSteps[recordedSteps[size_t(a)]];
        EXPECT_EQ(action.code, step.keyCode) << "action " << a;
        EXPECT_EQ(action.kind, step.press ? kActionPress : kActionRelease) << "action " << a;
        result.ok &= action.code == step.keyCode;
        if (a + 1 == work.count) {
            EXPECT_EQ(action.delay, 10);  // the last action keeps 10
            break;
        }
        const double gapMs =
            std::chrono::duration<double, std::milli>(injectedAt[recordedSteps[size_t(a) + 1]] -
                                                      injectedAt[recordedSteps[size_t(a)]])
                .count();
        result.worst = std::max(result.worst, std::abs(double(action.delay) - gapMs));
    }
    return result;
}

// Scheduling on a loaded two-core machine can delay any of the injector,
// the X server and the hook's thread by milliseconds, so a recording gets
// up to six chances to come within 2 ms. An attempt in which some XTest
// round trip took over 1 ms had a starved X server: its events reached the
// server later than they were sent, so its gaps say nothing about the
// hook. When every attempt was like that the timing is not judged (the
// codes were). Timestamps taken where the busy thread handles the reports
// would be off by tens of milliseconds in every attempt.
TEST_F(XvfbRecording, KeysAndButtonsAreRecordedWithTheirGaps) {
    HookLibrary library;
    ASSERT_TRUE(library.Load(HOOK_LIBRARY_FILE)) << library.Unavailable();
    const XKeyboardLayout layout(xvfb.Name());
    ASSERT_TRUE(layout.FromServer());
    double best = 1e9;
    double bestQuiet = 1e9;
    for (int attempt = 1; attempt <= 6 && best > 2.0; ++attempt) {
        const Attempt a = RecordOnce(xvfb.Name(), library, layout);
        ASSERT_TRUE(a.ok);
        std::printf(
            "attempt %d: largest recorded delay error %.3f ms over %zu gaps (slowest XTest "
            "round trip %.3f ms)\n",
            attempt, a.worst, kSteps.size() - 3, a.slowestRoundTripMs);
        best = std::min(best, a.worst);
        if (a.slowestRoundTripMs <= 1.0) {
            bestQuiet = std::min(bestQuiet, a.worst);
        }
    }
    RecordProperty("largest_delay_error_us", int(best * 1000));
    if (best > 2.0 && bestQuiet > 1e8) {
        GTEST_SKIP() << "the X server was starved in every attempt (XTest round trips over 1 ms): "
                        "too loaded to measure to 2 ms";
    }
    EXPECT_LE(best, 2.0);
}

TEST_F(XvfbRecording, KeyCaptureTakesTheKeyByItsPlace) {
    HookLibrary library;
    ASSERT_TRUE(library.Load(HOOK_LIBRARY_FILE)) << library.Unavailable();
    const XKeyboardLayout layout(xvfb.Name());
    MessageQueue queue;
    MacroWorkingCopy work;
    work.actions[0] = test::Action(224, kActionPress, 50);
    work.count = 1;
    work.selected = 0;
    test::FakeHost host;
    MacroRecorder recorder(
        work, host, &library,
        PostingSink([&](unsigned m, uintptr_t w, intptr_t l) { queue.Post(m, w, l); }), layout);
    recorder.BeginKeyCapture();
    Display* dpy = XOpenDisplay(xvfb.Name().c_str());
    ASSERT_NE(dpy, nullptr);
    XTestFakeButtonEvent(dpy, 1, True, CurrentTime);  // not captured: a mouse report
    XTestFakeButtonEvent(dpy, 1, False, CurrentTime);
    XTestFakeKeyEvent(dpy, 24 + 8, True, CurrentTime);  // the key right of I: O
    XTestFakeKeyEvent(dpy, 24 + 8, False, CurrentTime);
    XSync(dpy, False);
    XCloseDisplay(dpy);
    MessageQueue::Message m{};
    while (host.captured.size() < 2 && queue.Take(m, 10s)) {
        recorder.OnHookMessage(m.message, m.wParam, m.lParam);
    }
    recorder.EndKeyCapture();
    ASSERT_EQ(host.captured.size(), 2u);  // press and release
    EXPECT_EQ(work.actions[0].code, 18);  // key_O
    EXPECT_EQ(work.actions[0].kind, kActionPress);
    EXPECT_EQ(work.actions[0].delay, 50);
}

TEST_F(XvfbRecording, KeyboardLayoutComesFromTheServersKeyMap) {
    struct Case {
        int virtualKey;
        int scanCode;
    };
    const Case cases[] = {{'A', 30}, {'Q', 16}, {'1', 2}, {'0', 11}, {13, 28},
                          {112, 59}, {123, 88}, {20, 58}, {189, 12}, {36, 0}};
    const XKeyboardLayout layout(xvfb.Name());
    ASSERT_TRUE(layout.FromServer());
    for (const Case& c : cases) {
        EXPECT_EQ(layout.VirtualKeyToScanCode(c.virtualKey), c.scanCode) << c.virtualKey;
    }
    // A keyboard without the A key: the layout says so (0) and the virtual
    // key keeps its own row.
    Display* dpy = XOpenDisplay(xvfb.Name().c_str());
    ASSERT_NE(dpy, nullptr);
    int perCode = 0;
    KeySym* old = XGetKeyboardMapping(dpy, 38, 1, &perCode);
    ASSERT_NE(old, nullptr);
    std::vector<KeySym> none(size_t(perCode), NoSymbol);
    XChangeKeyboardMapping(dpy, 38, perCode, none.data(), 1);
    XSync(dpy, False);
    const XKeyboardLayout withoutA(xvfb.Name());
    XChangeKeyboardMapping(dpy, 38, perCode, old, 1);
    XSync(dpy, False);
    XFree(old);
    XCloseDisplay(dpy);
    EXPECT_EQ(withoutA.VirtualKeyToScanCode('A'), 0);
    EXPECT_EQ(withoutA.VirtualKeyToScanCode('B'), 48);
    EXPECT_EQ(VirtualKeyToKeyCode('A', withoutA).keyCode, 4);
}

}  // namespace
}  // namespace mouse

namespace mouse {
namespace {

// Reads events of `dpy` until `done` says enough or none came for 5 s.
template <typename Done>
void ReadWindowEvents(Display* dpy, std::vector<int>& types, Done done) {
    while (!done()) {
        if (XPending(dpy) == 0) {
            pollfd fd{ConnectionNumber(dpy), POLLIN, 0};
            if (poll(&fd, 1, 5000) <= 0) {
                return;
            }
            continue;
        }
        XEvent event;
        XNextEvent(dpy, &event);
        types.push_back(event.type);
    }
}

// Another program's window under the pointer and with the keyboard focus
// gets every click and key while the hook reports them too: the hook takes
// no grab, and the implicit grab of that window's button press does not
// hide the release from the hook.
TEST_F(XvfbRecording, OtherProgramsKeepTheirEvents) {
    Display* other = XOpenDisplay(xvfb.Name().c_str());
    ASSERT_NE(other, nullptr);
    const Window window =
        XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 640, 480, 0, 0, 0);
    XSelectInput(
        other, window,
        ButtonPressMask | ButtonReleaseMask | KeyPressMask | KeyReleaseMask | StructureNotifyMask);
    XMapWindow(other, window);
    std::vector<int> types;
    ReadWindowEvents(other, types, [&] {
        return std::find(types.begin(), types.end(), MapNotify) != types.end();
    });
    ASSERT_NE(std::find(types.begin(), types.end(), MapNotify), types.end());
    XSetInputFocus(other, window, RevertToParent, CurrentTime);
    XSync(other, False);
    types.clear();

    HookLibrary library;
    ASSERT_TRUE(library.Load(HOOK_LIBRARY_FILE)) << library.Unavailable();
    std::mutex mutex;
    std::condition_variable cv;
    std::vector<uint32_t> reported;
    const HookSink sink = [&](const HookReport& r) {
        {
            std::lock_guard lock(mutex);
            reported.push_back(r.event);
        }
        cv.notify_one();
    };
    library.InstallHook(sink);
    library.EnableHook(true);
    library.InstallMouseHook(sink);
    library.EnableMouseHook(true);

    Display* injector = XOpenDisplay(xvfb.Name().c_str());
    ASSERT_NE(injector, nullptr);
    XTestFakeMotionEvent(injector, 0, 100, 100, CurrentTime);
    XTestFakeButtonEvent(injector, 1, True, CurrentTime);
    XTestFakeButtonEvent(injector, 1, False, CurrentTime);
    XTestFakeKeyEvent(injector, 38, True, CurrentTime);
    XTestFakeKeyEvent(injector, 38, False, CurrentTime);
    XSync(injector, False);
    XCloseDisplay(injector);

    {
        std::unique_lock lock(mutex);
        cv.wait_for(lock, 10s, [&] { return reported.size() >= 4; });
        EXPECT_EQ(reported, (std::vector<uint32_t>{513, 514, 'A', 'A'}));
    }
    library.RemoveHook();
    library.RemoveMouseHook();

    ReadWindowEvents(other, types, [&] { return types.size() >= 4; });
    EXPECT_EQ(types, (std::vector<int>{ButtonPress, ButtonRelease, KeyPress, KeyRelease}));
    XDestroyWindow(other, window);
    XCloseDisplay(other);
}

}  // namespace
}  // namespace mouse

namespace mouse {
namespace {

// With A and Q swapped in the server's key map (as on a French keyboard),
// the keys still record by place: the key where US keyboards have A is
// code 4, whatever letter it types now.
TEST_F(XvfbRecording, RecordedKeysKeepTheirPlaceOnAnotherLayout) {
    Display* dpy = XOpenDisplay(xvfb.Name().c_str());
    ASSERT_NE(dpy, nullptr);
    const KeyCode aPlace = 30 + 8, qPlace = 16 + 8;
    int perCode = 0;
    KeySym* a = XGetKeyboardMapping(dpy, aPlace, 1, &perCode);
    KeySym* q = XGetKeyboardMapping(dpy, qPlace, 1, &perCode);
    ASSERT_TRUE(a != nullptr && q != nullptr);
    XChangeKeyboardMapping(dpy, aPlace, perCode, q, 1);
    XChangeKeyboardMapping(dpy, qPlace, perCode, a, 1);
    XSync(dpy, False);
    KeySym* swapped = XGetKeyboardMapping(dpy, aPlace, 1, &perCode);
    ASSERT_NE(swapped, nullptr);
    EXPECT_EQ(swapped[0], KeySym(XK_q));
    XFree(swapped);

    HookLibrary library;
    ASSERT_TRUE(library.Load(HOOK_LIBRARY_FILE)) << library.Unavailable();
    const XKeyboardLayout layout(xvfb.Name());
    MessageQueue queue;
    MacroWorkingCopy work;
    test::FakeHost host;
    MacroRecorder recorder(
        work, host, &library,
        PostingSink([&](unsigned m, uintptr_t w, intptr_t l) { queue.Post(m, w, l); }), layout);
    ASSERT_EQ(recorder.ToggleRecording(), MacroRecorder::Toggle::Started);
    XTestFakeKeyEvent(dpy, aPlace, True, CurrentTime);
    XTestFakeKeyEvent(dpy, aPlace, False, CurrentTime);
    XTestFakeKeyEvent(dpy, qPlace, True, CurrentTime);
    XSync(dpy, False);
    MessageQueue::Message m{};
    while (work.count < 3 && queue.Take(m, 10s)) {
        recorder.OnHookMessage(m.message, m.wParam, m.lParam);
    }
    recorder.ToggleRecording();
    XTestFakeKeyEvent(dpy, qPlace, False, CurrentTime);
    XChangeKeyboardMapping(dpy, aPlace, perCode, a, 1);
    XChangeKeyboardMapping(dpy, qPlace, perCode, q, 1);
    XSync(dpy, False);
    XFree(a);
    XFree(q);
    XCloseDisplay(dpy);
    ASSERT_EQ(work.count, 3);
    EXPECT_EQ(work.actions[0].code, 4);
    EXPECT_EQ(work.actions[1].code, 4);
    EXPECT_EQ(work.actions[2].code, 20);
}

}  // namespace
}  // namespace mouse
