// The recorder: what each hook report becomes, the delays of the three
// modes, the repeat filter, the insertion point, the 40-action stop, key
// capture and the hook calls around them.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "drivers/hook/hook_keys.h"
#include "macros/x_keyboard.h"
#include "recorder_fakes.h"

namespace mouse {
namespace {

using namespace std::chrono_literals;
using test::Action;
using test::FakeHook;
using test::FakeHost;

constexpr uint8_t P = kActionPress;
constexpr uint8_t R = kActionRelease;

struct Expected {
    uint8_t code;
    uint8_t kind;
};

class RecorderTest : public ::testing::Test {
protected:
    RecorderTest() { host.work = &work; }

    // A report read `at` after the start of the test's clock.
    HookReport Key(uint32_t vk, uint32_t detail, HookClock::duration at = 0ms) const {
        return {kMsgHookKey, vk, detail, t0 + at};
    }
    HookReport Mouse(uint32_t message, uint32_t detail = 0, HookClock::duration at = 0ms) const {
        return {kMsgHookMouse, message, detail, t0 + at};
    }
    void Fill(int count) {
        for (int i = 0; i < count; ++i) {
            work.actions[size_t(i)] = Action(uint8_t(10 + i), P, uint16_t(100 + i));
        }
        work.count = count;
    }
    std::vector<uint8_t> Codes() const {
        std::vector<uint8_t> codes;
        for (int i = 0; i < work.count; ++i) {
            codes.push_back(work.actions[size_t(i)].code);
        }
        return codes;
    }
    std::vector<uint16_t> Delays() const {
        std::vector<uint16_t> delays;
        for (int i = 0; i < work.count; ++i) {
            delays.push_back(work.actions[size_t(i)].delay);
        }
        return delays;
    }

    const HookClock::time_point t0 = HookClock::time_point(1000s);
    HookClock::time_point now = t0;
    MacroWorkingCopy work;
    FakeHost host;
    FakeHook hook;
    UsKeyboardLayout us;
    MacroRecorder recorder{work, host, &hook, [](const HookReport&) {}, us, [this] { return now; }};
};

TEST(TranslateHookEvent, EachReportBecomesItsCodeAndKind) {
    struct Case {
        uint32_t event;
        uint32_t detail;
        bool recordable;
        uint8_t code;
        uint8_t kind;
    };
    const Case cases[] = {
        {513, 0, true, 240, P},
        {514, 0, true, 240, R},
        {516, 0, true, 241, P},
        {517, 0, true, 241, R},
        {519, 0, true, 242, P},
        {520, 0, true, 242, R},
        {523, 1, true, 243, P},
        {524, 1, true, 243, R},
        {523, 2, true, 244, P},
        {524, 2, true, 244, R},
        // Another extra button is looked up as a key: not in the table.
        {523, 3, true, 0, R},
        {522, 0, false, 0, 0},
        {522, 7, false, 0, 0},
        {65, 0, true, 4, P},  // A
        {65, 1, true, 4, R},
        {65, 9, true, 4, R},     // any non-zero detail releases
        {162, 0, true, 224, P},  // left Ctrl, no place lookup
        {13, 0, true, 40, P},    // Enter
        {108, 0, true, 88, P},   // numeric pad Enter
        {95, 0, true, 0, P},     // not in the table: code 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.event << "," << c.detail);
        const RecordedKey key = TranslateHookEvent(c.event, c.detail, UsKeyboardLayout());
        EXPECT_EQ(key.recordable, c.recordable);
        if (c.recordable) {
            EXPECT_EQ(key.code, c.code);
            EXPECT_EQ(key.kind, c.kind);
        }
    }
}

TEST(TranslateHookEvent, LettersKeepTheirPlaceOnAnotherLayout) {
    const test::QwertyToAzertyLayout azerty;
    EXPECT_EQ(TranslateHookEvent('A', 0, azerty).code, 20);  // the key where Q sits
    EXPECT_EQ(TranslateHookEvent('Q', 0, azerty).code, 4);
    EXPECT_EQ(TranslateHookEvent(162, 0, azerty).code, 224);
}

TEST_F(RecorderTest, DelaysInEachMode) {
    struct Case {
        int mode;
        long long defaultField;
        std::vector<uint16_t> delays;
    };
    // The user plays: A down 120.4 ms after the start, A up 130.5 ms later,
    // B down 0.4 ms later, B up 80 s later. The first gap has no action to
    // go to (the macro was empty); the last action keeps 10.
    const Case cases[] = {
        {kDelayFixed, 25, {10, 10, 10, 10}},
        {kDelayDefault, 25, {25, 25, 25, 10}},
        {kDelayDefault, 65536 + 30, {30, 30, 30, 10}},  // low 16 bits of the field
        {kDelayMeasured, 25, {131, 0, 65535, 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        work = MacroWorkingCopy{};
        host.defaultDelayField = c.defaultField;
        recorder.SetDelayMode(c.mode);
        now = t0;
        ASSERT_EQ(recorder.ToggleRecording(), MacroRecorder::Toggle::Started);
        // Handled late, in a burst: only the times the hook read them count.
        now = t0 + 200s;
        recorder.OnHookEvent(Key('A', 0, 120400us));
        recorder.OnHookEvent(Key('A', 1, 250900us));
        recorder.OnHookEvent(Key('B', 0, 251300us));
        recorder.OnHookEvent(Key('B', 1, 251300us + 80s));
        ASSERT_EQ(recorder.ToggleRecording(), MacroRecorder::Toggle::Stopped);
        EXPECT_EQ(Codes(), (std::vector<uint8_t>{4, 4, 5, 5}));
        EXPECT_EQ(Delays(), c.delays);
    }
}

TEST_F(RecorderTest, MeasuredDelayRoundsToTheNearestMillisecondAndNeverGoesNegative) {
    struct Case {
        HookClock::duration gap;
        uint16_t delay;
    };
    const Case cases[] = {{0us, 0},         {499us, 0},          {500us, 1},
                          {1499us, 1},      {1500us, 2},         {-5ms, 0},
                          {65535ms, 65535}, {65535499us, 65535}, {65536ms, 65535}};
    recorder.SetDelayMode(kDelayMeasured);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::chrono::duration_cast<std::chrono::microseconds>(c.gap).count());
        work = MacroWorkingCopy{};
        now = t0;
        ASSERT_EQ(recorder.ToggleRecording(), MacroRecorder::Toggle::Started);
        recorder.OnHookEvent(Key('A', 0, 1s));
        recorder.OnHookEvent(Key('A', 1, 1s + c.gap));
        recorder.ToggleRecording();
        ASSERT_EQ(work.count, 2);
        EXPECT_EQ(work.actions[0].delay, c.delay);
    }
}

TEST_F(RecorderTest, AReportWithoutATimeIsTimedWhenHandled) {
    recorder.SetDelayMode(kDelayMeasured);
    recorder.ToggleRecording();
    now = t0 + 5s;
    recorder.OnHookEvent(Key('A', 0, 5s));
    now = t0 + 5s + 42ms;
    recorder.OnHookEvent(DecodeHookMessage(kMsgHookKey, 'A', 1));  // no time in lParam
    EXPECT_EQ(work.actions[0].delay, 42);
}

TEST_F(RecorderTest, RepeatFilter) {
    struct Case {
        const char* name;
        std::vector<HookReport> reports;
        std::vector<Expected> recorded;
    };
    const Case cases[] = {
        {"held key",
         {Key('A', 0), Key('A', 0), Key('A', 0), Key('A', 0), Key('A', 1)},
         {{4, P}, {4, R}}},
        {"press release press", {Key('A', 0), Key('A', 1), Key('A', 0)}, {{4, P}, {4, R}, {4, P}}},
        {"wheel adds nothing", {Mouse(522), Mouse(522), Mouse(522)}, {}},
        {"extra button 2", {Mouse(523, 2), Mouse(524, 2)}, {{244, P}, {244, R}}},
        {"buttons",
         {Mouse(513), Mouse(514), Mouse(516), Mouse(517), Mouse(519), Mouse(520)},
         {{240, P}, {240, R}, {241, P}, {241, R}, {242, P}, {242, R}}},
        // The filter compares with the report just before, wheel included.
        {"held key around a wheel turn",
         {Key('A', 0), Mouse(522), Key('A', 0), Key('A', 1)},
         {{4, P}, {4, P}, {4, R}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        work = MacroWorkingCopy{};
        recorder.ToggleRecording();
        // The previous report is kept across recordings: start from a
        // report the cases do not use.
        recorder.OnHookEvent(Key('Z', 0));
        work = MacroWorkingCopy{};
        for (const HookReport& r : c.reports) {
            recorder.OnHookEvent(r);
        }
        recorder.ToggleRecording();
        ASSERT_EQ(work.count, int(c.recorded.size()));
        for (size_t i = 0; i < c.recorded.size(); ++i) {
            EXPECT_EQ(work.actions[i].code, c.recorded[i].code) << i;
            EXPECT_EQ(work.actions[i].kind, c.recorded[i].kind) << i;
        }
    }
}

TEST_F(RecorderTest, PreviousReportIsKeptAcrossRecordings) {
    recorder.ToggleRecording();
    recorder.OnHookEvent(Key('A', 1));
    recorder.ToggleRecording();
    work = MacroWorkingCopy{};
    recorder.ToggleRecording();
    recorder.OnHookEvent(Key('A', 1));  // same as the last report of the last recording
    recorder.OnHookEvent(Key('B', 0));
    recorder.ToggleRecording();
    EXPECT_EQ(Codes(), (std::vector<uint8_t>{5}));
}

TEST_F(RecorderTest, RecordingAfterTheSelectedActionInsertsThere) {
    Fill(5);  // codes 10..14
    work.selected = 1;
    recorder.SetDelayMode(kDelayMeasured);
    now = t0;
    ASSERT_EQ(recorder.ToggleRecording(), MacroRecorder::Toggle::Started);
    EXPECT_EQ(work.insertPoint, 2);
    EXPECT_EQ(work.insertStart, 2);
    EXPECT_TRUE(work.showInsertion);
    recorder.OnHookEvent(Key('B', 0, 300ms));
    recorder.OnHookEvent(Key('B', 1, 345ms));
    EXPECT_EQ(Codes(), (std::vector<uint8_t>{10, 11, 5, 5, 12, 13, 14}));
    EXPECT_EQ(work.actions[2].kind, P);
    EXPECT_EQ(work.actions[3].kind, R);
    // Action 1: start to B down; B down: down to up; B up keeps 10; the
    // actions after the insertion keep theirs.
    EXPECT_EQ(Delays(), (std::vector<uint16_t>{100, 300, 45, 10, 102, 103, 104}));
    EXPECT_EQ(work.insertPoint, 4);
    EXPECT_EQ(work.insertStart, 2);
    EXPECT_EQ(host.rebuilds, 2);
    EXPECT_EQ(host.saves, 0);  // nothing is saved while recording
    recorder.ToggleRecording();
    EXPECT_EQ(host.saves, 1);
    EXPECT_EQ(work.insertPoint, 4);  // stopping keeps the insertion point
}

TEST_F(RecorderTest, RecordingWithoutASelectionReplacesTheMacro) {
    Fill(12);
    work.selected = -1;
    work.insertPoint = 3;
    work.showInsertion = true;
    ASSERT_EQ(recorder.ToggleRecording(), MacroRecorder::Toggle::Started);
    EXPECT_EQ(work.count, 0);
    EXPECT_EQ(work.insertPoint, -1);
    EXPECT_FALSE(work.showInsertion);
    for (const MacroAction& a : work.actions) {
        EXPECT_EQ(a.code, 0);
        EXPECT_EQ(a.delay, 0);
    }
    recorder.OnHookEvent(Key('C', 0));
    EXPECT_EQ(Codes(), (std::vector<uint8_t>{6}));
}

TEST_F(RecorderTest, TheFortiethActionStopsAndSavesAtOnce) {
    struct Case {
        const char* name;
        int filled;
        int selected;
        int toRecord;
    };
    const Case cases[] = {
        {"append", 0, -1, 40},
        {"insert after action 30 of 38", 38, 30, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        work = MacroWorkingCopy{};
        Fill(c.filled);
        work.selected = c.selected;
        host.saves = 0;
        host.savedCounts.clear();
        host.shownRecording.clear();
        hook.calls.clear();
        ASSERT_EQ(recorder.ToggleRecording(), MacroRecorder::Toggle::Started);
        for (int i = 0; i < c.toRecord; ++i) {
            ASSERT_TRUE(recorder.Recording()) << i;
            recorder.OnHookEvent(Key(uint32_t('A' + i / 2 % 26), uint32_t(i % 2)));
        }
        EXPECT_FALSE(recorder.Recording());
        EXPECT_EQ(work.count, 40);
        EXPECT_EQ(host.savedCounts, std::vector<int>{40});
        EXPECT_EQ(host.shownRecording, (std::vector<bool>{true, false}));
        EXPECT_EQ(hook.calls.back(), "enablehook(0)");
        // Later reports change nothing; a click is refused.
        recorder.OnHookEvent(Key('X', 0));
        EXPECT_EQ(work.count, 40);
        const int clears = host.checkClears;
        EXPECT_EQ(recorder.ToggleRecording(), MacroRecorder::Toggle::Refused);
        EXPECT_EQ(host.checkClears, clears + 1);
        EXPECT_FALSE(recorder.Recording());
    }
}

TEST_F(RecorderTest, RefusedWithoutAMacroOrAHook) {
    struct Case {
        const char* name;
        bool hasMacro;
        std::string hookReason;
        MacroRecorder::Toggle result;
    };
    const Case cases[] = {
        {"no macro", false, "", MacroRecorder::Toggle::Refused},
        {"no hook", true, "there is no X display", MacroRecorder::Toggle::Unavailable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        work = MacroWorkingCopy{};
        Fill(12);
        host.hasMacro = c.hasMacro;
        hook.reason = c.hookReason;
        hook.calls.clear();
        const int clears = host.checkClears;
        EXPECT_EQ(recorder.ToggleRecording(), c.result);
        EXPECT_EQ(host.checkClears, clears + 1);
        EXPECT_FALSE(recorder.Recording());
        EXPECT_EQ(work.count, 12);  // the macro is not emptied
        EXPECT_TRUE(hook.calls.empty());
        recorder.BeginKeyCapture();
        recorder.EndKeyCapture();
        if (!c.hookReason.empty()) {
            EXPECT_TRUE(hook.calls.empty());  // an unavailable hook is never called
            EXPECT_EQ(recorder.UnavailableReason(), c.hookReason);
        }
    }
}

TEST_F(RecorderTest, HookCallsAroundARecording) {
    recorder.PointerOverRecordButton(true);  // not recording: nothing
    EXPECT_TRUE(hook.calls.empty());
    recorder.ToggleRecording();
    recorder.PointerOverRecordButton(false);
    recorder.PointerOverRecordButton(true);
    recorder.ToggleRecording();
    recorder.PointerOverRecordButton(false);
    EXPECT_EQ(hook.calls,
              (std::vector<std::string>{"installhook", "installmousehook", "enablehook(1)",
                                        "enablemousehook(1)", "enablemousehook(0)", "removehook",
                                        "removemousehook", "enablemousehook(0)", "enablehook(0)"}));
    EXPECT_EQ(host.shownRecording, (std::vector<bool>{true, false}));
}

TEST_F(RecorderTest, DefaultDelayIsTakenWhenRecordingStarts) {
    recorder.SetDelayMode(kDelayDefault);
    host.defaultDelayField = 77;
    recorder.ToggleRecording();
    host.defaultDelayField = 5;  // changed during the recording: not used
    recorder.OnHookEvent(Key('A', 0));
    recorder.OnHookEvent(Key('A', 1));
    EXPECT_EQ(work.actions[0].delay, 77);
    EXPECT_EQ(recorder.DefaultDelay(), 77);
}

TEST_F(RecorderTest, KeyCaptureReplacesTheSelectedActionsKey) {
    Fill(5);
    work.actions[3] = Action(224, P, 33);  // left Ctrl down
    work.actions[3].x = 5;
    work.selected = 3;
    recorder.BeginKeyCapture();
    EXPECT_EQ(hook.calls, (std::vector<std::string>{"installhook", "enablehook(1)"}));
    recorder.OnHookEvent(Key(65, 0));
    EXPECT_EQ(work.actions[3].code, 4);
    EXPECT_EQ(work.actions[3].kind, P);
    EXPECT_EQ(work.actions[3].delay, 33);
    EXPECT_EQ(work.actions[3].x, 5);
    EXPECT_EQ(host.captured, (std::vector<std::pair<int, int>>{{3, 4}}));
    EXPECT_EQ(host.saves, 1);
    // A release is taken like a press; a mouse report is not a key.
    recorder.OnHookEvent(Key('B', 1));
    EXPECT_EQ(work.actions[3].code, 5);
    EXPECT_EQ(work.actions[3].kind, P);
    recorder.OnHookEvent(Mouse(513));
    EXPECT_EQ(work.actions[3].code, 5);
    EXPECT_EQ(host.saves, 2);
    EXPECT_EQ(work.count, 5);
    recorder.EndKeyCapture();
    EXPECT_EQ(hook.calls.back(), "removehook");
    recorder.OnHookEvent(Key('C', 0));  // after the capture: ignored
    EXPECT_EQ(work.actions[3].code, 5);
    EXPECT_EQ(host.saves, 2);
}

TEST_F(RecorderTest, KeyCaptureWithoutASelectedActionChangesNothing) {
    Fill(3);
    work.selected = -1;
    recorder.BeginKeyCapture();
    recorder.OnHookEvent(Key('A', 0));
    EXPECT_EQ(Codes(), (std::vector<uint8_t>{10, 11, 12}));
    EXPECT_EQ(host.saves, 0);
    EXPECT_TRUE(host.captured.empty());
}

TEST_F(RecorderTest, KeyFieldFocusDuringARecordingKeepsTheKeyboardHooked) {
    recorder.ToggleRecording();
    hook.calls.clear();
    recorder.BeginKeyCapture();
    recorder.EndKeyCapture();
    EXPECT_TRUE(hook.calls.empty());
    recorder.OnHookEvent(Key('A', 0));
    EXPECT_EQ(work.count, 1);  // still recorded, not captured
    // Stopping while the key field has the focus leaves its capture running.
    recorder.BeginKeyCapture();
    recorder.ToggleRecording();
    EXPECT_EQ(hook.calls, (std::vector<std::string>{"removemousehook", "enablemousehook(0)"}));
    work.selected = 0;
    recorder.OnHookEvent(Key('B', 0));
    EXPECT_EQ(work.actions[0].code, 5);
}

TEST_F(RecorderTest, ReportsAfterTheRecordingAreIgnored) {
    recorder.ToggleRecording();
    recorder.OnHookEvent(Key('A', 0));
    recorder.ToggleRecording();
    const int saves = host.saves;
    work.selected = 0;
    recorder.OnHookEvent(Key('B', 0));  // posted before the hook was removed
    recorder.OnHookEvent(Mouse(513));
    EXPECT_EQ(Codes(), (std::vector<uint8_t>{4}));
    EXPECT_EQ(host.saves, saves);
}

TEST_F(RecorderTest, MessagesCarryTheReadTime) {
    recorder.SetDelayMode(kDelayMeasured);
    recorder.ToggleRecording();
    now = t0 + 1h;  // handled much later than read
    for (const HookReport& r : {Key('A', 0, 10ms), Key('A', 1, 37ms)}) {
        const HookMessageParams p = EncodeHookMessage(r);
        recorder.OnHookMessage(r.message, p.wParam, p.lParam);
    }
    EXPECT_EQ(work.actions[0].delay, 27);
}

TEST(HookMessage, EncodeAndDecode) {
    const HookClock::time_point t(std::chrono::microseconds(123456789012345));
    struct Case {
        HookReport report;
        uint32_t detail;
        bool timed;
    };
    const Case cases[] = {
        {{kMsgHookKey, 65, 0, t}, 0, true},
        {{kMsgHookKey, 65, 1, t + 1us}, 1, true},
        {{kMsgHookMouse, 523, 2, t}, 2, true},
        {{kMsgHookKey, 66, 300, t}, 255, true},  // still a release
        {{kMsgHookMouse, 513, 0, HookClock::time_point{}}, 0, false},
    };
    for (const Case& c : cases) {
        const HookMessageParams p = EncodeHookMessage(c.report);
        const HookReport back = DecodeHookMessage(c.report.message, p.wParam, p.lParam);
        EXPECT_EQ(back.message, c.report.message);
        EXPECT_EQ(back.event, c.report.event);
        EXPECT_EQ(back.detail, c.detail);
        if (c.timed) {
            EXPECT_EQ(back.readAt,
                      std::chrono::time_point_cast<std::chrono::microseconds>(c.report.readAt));
        } else {
            EXPECT_EQ(back.readAt, HookClock::time_point{});
        }
    }
    // A plain message (wParam, 0 or 1) reads as a report without a time.
    const HookReport plain = DecodeHookMessage(kMsgHookKey, 65, 1);
    EXPECT_EQ(plain.detail, 1u);
    EXPECT_EQ(plain.readAt, HookClock::time_point{});
}

TEST(MacroWorkingCopy, InsertAction) {
    struct Case {
        int count;
        int insertPoint;
        int selected;
        std::vector<uint8_t> codes;
        int newInsertPoint;
        int newSelected;
    };
    const Case cases[] = {
        {3, -1, -1, {10, 11, 12, 99}, -1, 0},
        {3, 0, 2, {99, 10, 11, 12}, 1, 3},
        {3, 2, 1, {10, 11, 99, 12}, 3, 2},
        {3, 3, 2, {10, 11, 12, 99}, 4, 3},
        {40, -1, 39, {}, -1, 39},  // full: nothing changes
    };
    for (const Case& c : cases) {
        MacroWorkingCopy w;
        for (int i = 0; i < c.count; ++i) {
            w.actions[size_t(i)] = Action(uint8_t(10 + i), P);
        }
        w.count = c.count;
        w.insertPoint = c.insertPoint;
        w.selected = c.selected;
        const bool inserted = w.InsertAction(Action(99, R));
        EXPECT_EQ(inserted, c.count < 40);
        if (inserted) {
            ASSERT_EQ(w.count, int(c.codes.size()));
            for (size_t i = 0; i < c.codes.size(); ++i) {
                EXPECT_EQ(w.actions[i].code, c.codes[i]) << i;
            }
        } else {
            EXPECT_EQ(w.count, 40);
        }
        EXPECT_EQ(w.insertPoint, c.newInsertPoint);
        EXPECT_EQ(w.selected, c.newSelected);
    }
}

// The hook names keys by place; the key table's scan codes must be the
// places the hook reports those virtual keys from, or recorded keys would
// move on the keyboard.
TEST(KeyPlaces, HookPlacesAgreeWithTheKeyTable) {
    const XKeyboardLayout noServer(":no-such-display");
    ASSERT_FALSE(noServer.FromServer());
    for (const VirtualKeyRow& row : VirtualKeyTable()) {
        SCOPED_TRACE(row.virtualKey);
        if (row.keyCode >= 4 && row.keyCode <= 69) {
            EXPECT_EQ(hook::EvdevFromVirtualKey(row.virtualKey), row.scanCode);
            EXPECT_EQ(noServer.VirtualKeyToScanCode(row.virtualKey), row.scanCode);
        }
        // Every key the table knows (but the mouse codes) can be reported.
        if (row.virtualKey < 240) {
            EXPECT_NE(hook::EvdevFromVirtualKey(row.virtualKey), 0);
        }
    }
    for (int evdev = 0; evdev < 256; ++evdev) {
        const int vk = hook::VirtualKeyFromEvdev(evdev);
        if (vk != 0) {
            EXPECT_EQ(hook::EvdevFromVirtualKey(vk), evdev);
        }
    }
}

}  // namespace
}  // namespace mouse
