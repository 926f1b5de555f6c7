// Recording on the macro page, fed with the input hook's messages as the
// main window receives them, and key capture for the selected action.
#include <gtest/gtest.h>

#include "macro_page_fixture.h"

namespace mouse {
namespace {

// Recording, fed with the hook's messages as the main window receives them.
class MacroRecordingTest : public MacroPageTest {
protected:
    // Sends a hook report read at `ms` milliseconds after t0.
    void Hook(unsigned message, uint32_t event, uint32_t detail, int ms) {
        const HookMessageParams p = EncodeHookMessage(
            HookReport{message, event, detail, t0 + std::chrono::milliseconds(ms)});
        wnd->SendMessage(message, p.wParam, LPARAM(p.lParam));
    }
    void Key(uint32_t vk, bool up, int ms) { Hook(kMsgHookKey, vk, up ? 1 : 0, ms); }
    void Mouse(uint32_t event, uint32_t detail, int ms) { Hook(kMsgHookMouse, event, detail, ms); }
    void Record() { Find<CCheckBoxUI>("btn_record")->Activate(); }
    std::vector<std::pair<int, int>> CodesKinds() {
        std::vector<std::pair<int, int>> out;
        for (int i = 0; i < Page().ActionCount(); ++i) {
            out.emplace_back(Page().Action(i).code, Page().Action(i).kind);
        }
        return out;
    }
    std::vector<int> Delays() {
        std::vector<int> out;
        for (int i = 0; i < Page().ActionCount(); ++i) {
            out.push_back(Page().Action(i).delay);
        }
        return out;
    }
    HookClock::time_point t0 = HookClock::now() + std::chrono::seconds(1);
};

Library EmptyAndFive() {
    Library lib;
    lib.Folder(u"F");
    lib.Macro(u"F", u"empty");
    lib.Macro(u"F", u"five",
              {Key(4, kActionPress, 11), Key(5, kActionPress, 12), Key(6, kActionPress, 13),
               Key(7, kActionPress, 14), Key(8, kActionPress, 15)});
    lib.Macro(u"F", u"ctrl", {Key(224, kActionPress, 40), Key(224, kActionRelease)});
    return lib;
}

TEST_F(MacroRecordingTest, MeasuredDelaysComeFromTheReadTimesRepeatsAndTheWheelAreDropped) {
    Open(EmptyAndFive());
    SelectMacro(0);
    Find<COptionUI>("macro_delay_option_3")->Activate();
    ASSERT_EQ(Page().DelayMode(), kDelayMeasured);
    Record();
    ASSERT_TRUE(Page().IsRecording());
    EXPECT_EQ(Find("btn_record")->GetTextKey(), "stop_recording_text");
    EXPECT_EQ(hook.calls,
              (std::vector<std::string>{"installhook", "installmousehook", "enablehook(1)"}));

    Key('A', false, 0);
    Key('A', false, 5);  // the held key repeats: dropped
    Key('A', true, 37);
    Mouse(513, 0, 100);
    Mouse(514, 0, 150);
    Mouse(522, 0, 160);  // the wheel: dropped
    Mouse(523, 2, 200);
    Mouse(524, 2, 230);
    const std::vector<std::pair<int, int>> expected = {{4, 1},   {4, 2},   {240, 1},
                                                       {240, 2}, {244, 1}, {244, 2}};
    EXPECT_EQ(CodesKinds(), expected);
    EXPECT_EQ(Delays(), (std::vector<int>{37, 63, 50, 50, 30, 10}));
    EXPECT_EQ(Actions()->GetCount(), 6);
    EXPECT_EQ(Actions()->GetCurSel(), 5);
    EXPECT_EQ(Current().actionCount, 0) << "nothing is saved while recording runs";

    Record();
    EXPECT_FALSE(Page().IsRecording());
    EXPECT_EQ(Find("btn_record")->GetTextKey(), "start_recording_text");
    EXPECT_FALSE(Find<CCheckBoxUI>("btn_record")->GetCheck());
    EXPECT_EQ(Current().actionCount, 6);
    EXPECT_EQ(Current().actions[1].delay, 63);
    EXPECT_EQ(MacroFile(), ListBytes());
    // A report that was under way when the hooks came off changes nothing.
    Key('B', false, 300);
    EXPECT_EQ(Page().ActionCount(), 6);
}

// Keys typed on another tab are not meant for the macro: showing another tab
// ends the recording, and the hook's reports are then not recorded.
TEST_F(MacroRecordingTest, ShowingAnotherTabStopsTheRecording) {
    Open(EmptyAndFive());
    for (const char* tab : {"key_btn", "performance_btn", "light_btn", "gun_btn"}) {
        SCOPED_TRACE(tab);
        Find<COptionUI>("macro_btn")->Activate();
        SelectMacro(0);
        Record();
        ASSERT_TRUE(Page().IsRecording());
        Find<COptionUI>(tab)->Activate();
        EXPECT_FALSE(Page().IsRecording());
        EXPECT_FALSE(Find<CCheckBoxUI>("btn_record")->GetCheck());
        Key(0x41, false, 10);
        EXPECT_EQ(Page().ActionCount(), 0);
    }
}

TEST_F(MacroRecordingTest, RecordingAfterTheSelectedActionWithTheDefaultDelay) {
    Open(EmptyAndFive());
    SelectMacro(1);
    SelectAction(1);
    Find<CEditUI>("edit_default_delay")->TypeText("25");
    ASSERT_EQ(Page().DelayMode(), kDelayDefault) << "the page starts in the default-delay mode";
    Record();
    Key('B', false, 0);
    Key('B', true, 500);
    Record();
    EXPECT_EQ(CodesKinds(), (std::vector<std::pair<int, int>>{
                                {4, 1}, {5, 1}, {5, 1}, {5, 2}, {6, 1}, {7, 1}, {8, 1}}));
    EXPECT_EQ(Delays(), (std::vector<int>{11, 25, 25, 10, 13, 14, 15}));
    EXPECT_EQ(Page().SelectedAction(), 3) << "the last recorded action";
    EXPECT_EQ(Current().actionCount, 7);
}

TEST_F(MacroRecordingTest, FixedDelaysAndTheFortiethActionStopsTheRecording) {
    Open(EmptyAndFive());
    SelectMacro(0);
    Find<COptionUI>("macro_delay_option_1")->Activate();
    Record();
    for (int i = 0; i < kMaxMacroActions; ++i) {
        Key('A', i % 2 == 1, i * 7);
    }
    EXPECT_FALSE(Page().IsRecording()) << "the 40th action ends it";
    EXPECT_FALSE(Find<CCheckBoxUI>("btn_record")->GetCheck());
    EXPECT_EQ(Current().actionCount, kMaxMacroActions);
    EXPECT_EQ(Delays(), std::vector<int>(kMaxMacroActions, 10));
    // A full macro refuses a new recording: the check is cleared at once.
    Record();
    EXPECT_FALSE(Page().IsRecording());
    EXPECT_FALSE(Find<CCheckBoxUI>("btn_record")->GetCheck());
}

TEST_F(MacroRecordingTest, MouseReportsPauseWhileThePointerIsOverTheRecordButton) {
    Open(EmptyAndFive());
    SelectMacro(0);
    Record();
    hook.calls.clear();
    auto* button = Find("btn_record");
    wnd->GetPaintManager()->SendNotify(button, ev::kMouseEnter);
    wnd->GetPaintManager()->SendNotify(button, ev::kMouseLeave);
    EXPECT_EQ(hook.calls, (std::vector<std::string>{"enablemousehook(0)", "enablemousehook(1)"}));
    // Another macro ends the recording and saves it first.
    Key('C', false, 10);
    SelectMacro(1);
    EXPECT_FALSE(Page().IsRecording());
    EXPECT_EQ(Macros()[1]->actionCount, 1);
}

TEST_F(MacroRecordingTest, KeyCaptureReplacesTheKeyOfTheSelectedAction) {
    Open(EmptyAndFive());
    SelectMacro(2);
    SelectAction(0);  // left Ctrl pressed
    auto* field = Find<CEditUI>("edit_macro_action");
    wnd->GetPaintManager()->SendNotify(field, ev::kSetFocus);
    EXPECT_EQ(hook.calls, (std::vector<std::string>{"installhook", "enablehook(1)"}));
    Key('A', false, 0);
    EXPECT_EQ(Page().Action(0).code, 4);
    EXPECT_EQ(Page().Action(0).kind, kActionPress) << "the kind stays";
    EXPECT_EQ(Page().Action(0).delay, 40);
    EXPECT_EQ(Text("edit_macro_action"), Lang(KeyNameKey(4)));
    EXPECT_EQ(ItemText(0, "key"), Lang(KeyNameKey(4)));
    EXPECT_EQ(Current().actions[0].code, 4);
    EXPECT_EQ(Page().ActionCount(), 2) << "nothing is added";
    wnd->GetPaintManager()->SendNotify(field, ev::kKillFocus);
    EXPECT_EQ(hook.calls.back(), "removehook");
    Key('B', false, 10);
    EXPECT_EQ(Page().Action(0).code, 4) << "capture ended with the focus";
}

TEST_F(MacroRecordingTest, WithoutAMacroOrAHookNothingIsRecorded) {
    Open(EmptyAndFive());
    // No macro in the editor: the click only clears the check.
    Record();
    EXPECT_FALSE(Page().IsRecording());
    EXPECT_FALSE(Find<CCheckBoxUI>("btn_record")->GetCheck());
    EXPECT_TRUE(hook.calls.empty());

    // No hook: the page says why once.
    hook.reason = "there is no X display";
    SelectMacro(0);
    ModalSeam::Answer(1);
    Record();
    EXPECT_FALSE(Page().IsRecording());
    EXPECT_FALSE(Find<CCheckBoxUI>("btn_record")->GetCheck());
    EXPECT_EQ(ModalSeam::Answered(), QStringList{"MsgWnd"});
    Record();
    EXPECT_EQ(ModalSeam::Answered().size(), 1) << "said once";
    EXPECT_TRUE(hook.calls.empty()) << "an unavailable hook is never called";
}

}  // namespace
}  // namespace mouse
