// The button page's shortcut and fire-click dialogs: what they start from,
// what they store, and where the shortcut dialog takes its keys from (its own
// key events, or the program's input hook).
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QTest>

#include "button_page_fixture.h"

namespace mouse {
namespace {

using namespace buttontest;

TEST_F(ButtonPageTest, TheShortcutDialogStartsFromTheButtonAndOkStoresItsChoice) {
    Open();
    ButtonEntry& e = P().buttons[3];
    e.functionId = fn::kShortcut;
    e.shortcutModifiers = kModCtrl | kModAlt;
    e.shortcutKey = 43;
    bool sawOverlay = false;
    ModalSeam::Answer(1, [&](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CShortcutWnd&>(w);
        sawOverlay = wnd->FindControl("disable_window_ver")->IsVisible();
        for (int n = 1; n <= 4; ++n) {
            EXPECT_EQ(dlg.FindControl<CCheckBoxUI>(N("check_flag_%d", n))->GetCheck(),
                      n == 1 || n == 3)
                << n;
        }
        EXPECT_EQ(dlg.FindControl<CEditUI>("edit_key")->GetText(), Text("key_Tab"));
        dlg.FindControl<CCheckBoxUI>("check_flag_3")->Activate();  // Alt off
        dlg.FindControl<CCheckBoxUI>("check_flag_2")->Activate();  // Shift on
        dlg.OnCapturedKey(0x43);                                   // C
        EXPECT_EQ(dlg.FindControl<CEditUI>("edit_key")->GetText(), Text("key_C"));
    });
    Choose(3, "shortcut");
    EXPECT_TRUE(sawOverlay);
    EXPECT_FALSE(wnd->FindControl("disable_window_ver")->IsVisible());
    EXPECT_EQ(e.functionId, fn::kShortcut);
    EXPECT_EQ(e.shortcutModifiers, kModCtrl | kModShift);
    EXPECT_EQ(e.shortcutKey, 6);
    EXPECT_EQ(Label(3)->GetText(), "Ctrl+Shift+C");
}

TEST_F(ButtonPageTest, CancelledDialogsKeepTheFunctionButTheirResetsStay) {
    Open();
    ButtonEntry& e = P().buttons[4];  // "backward"
    e.shortcutModifiers = kModWin;
    e.shortcutKey = 9;
    e.fireClickCount = 9;
    e.fireClickDelay = 99;
    ModalSeam::Answer(0, [](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CShortcutWnd&>(w);
        EXPECT_EQ(dlg.GetModifierMask(), 0) << "a new shortcut starts empty";
        EXPECT_EQ(dlg.GetKey(), 0);
        dlg.OnCapturedKey(0x41);
    });
    Choose(4, "shortcut");
    EXPECT_EQ(e.functionId, 5);
    EXPECT_EQ(e.shortcutModifiers, 0);
    EXPECT_EQ(e.shortcutKey, 0) << "the captured key is ignored";
    EXPECT_EQ(Label(4)->GetTextKey(), "backward_text");

    ModalSeam::Answer(0, [](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CFireClickWnd&>(w);
        EXPECT_EQ(dlg.GetCount(), 0);
        EXPECT_EQ(dlg.GetDelay(), 2);
    });
    Choose(4, "fire_click");
    EXPECT_EQ(e.functionId, 5);
    EXPECT_EQ(e.fireClickCount, 0);
    EXPECT_EQ(e.fireClickDelay, 2);
    EXPECT_EQ(ModalSeam::Answered(), (QStringList{"ShortcutWnd", "FireClickWnd"}));
}

TEST_F(ButtonPageTest, TheFireClickDialogTakesTheButtonsValuesAgain) {
    Open();
    ButtonEntry& e = P().buttons[6];
    e.functionId = fn::kFireClick;
    e.fireClickCount = 12;
    e.fireClickDelay = 30;
    ModalSeam::Answer(1, [](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CFireClickWnd&>(w);
        EXPECT_EQ(dlg.FindControl<CEditUI>("edit_time")->GetText(), "12");
        EXPECT_EQ(dlg.FindControl<CEditUI>("edit_delay")->GetText(), "30");
        dlg.SetCount(7);
        dlg.SetDelay(255);
    });
    Choose(6, "fire_click");
    EXPECT_EQ(e.functionId, fn::kFireClick);
    EXPECT_EQ(e.fireClickCount, 7);
    EXPECT_EQ(e.fireClickDelay, 255);
    EXPECT_EQ(Label(6)->GetTextKey(), "fire_click_text");
}

TEST_F(ButtonPageTest, TheShortcutDialogCapturesKeysFromItsOwnKeyEvents) {
    Open();
    ModalSeam::Answer(1, [](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CShortcutWnd&>(w);
        w.ShowWindow(true);
        auto* edit = dlg.FindControl<CEditUI>("edit_key");
        edit->SetFocus();
        // Keys the tables do not know empty the field.
        dlg.OnCapturedKey(95);
        EXPECT_EQ(dlg.GetKey(), 0);
        EXPECT_EQ(edit->GetText(), QString());
        struct Case {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            uint8_t keyCode;
        };
        const Case cases[] = {
            {Qt::Key_B, Qt::NoModifier, 5},       {Qt::Key_Tab, Qt::NoModifier, 43},
            {Qt::Key_Escape, Qt::NoModifier, 41}, {Qt::Key_9, Qt::KeypadModifier, 97},
            {Qt::Key_F7, Qt::NoModifier, 64},     {Qt::Key_VolumeDown, Qt::NoModifier, 0},
            {Qt::Key_Home, Qt::NoModifier, 74}};
        for (const Case& c : cases) {
            QTest::keyClick(edit->GetWidget(), c.key, c.modifiers);
            EXPECT_EQ(dlg.GetKey(), c.keyCode) << c.key;
            const std::u16string name = KeyNameKey(c.keyCode);
            EXPECT_EQ(edit->GetText(),
                      name.empty() ? QString() : Text(QString::fromStdU16String(name)));
        }
        EXPECT_TRUE(w.IsWindowVisible()) << "Escape was a key, not a close";
    });
    Choose(10, "shortcut");
    EXPECT_EQ(P().buttons[10].shortcutKey, 74);
    EXPECT_EQ(Label(10)->GetText(), Text("key_Home"));
}

// A hook that records what the dialog asks of it.
class RecordingHook final : public KeyHook {
public:
    bool Available() const override { return true; }
    void Install(WindowImplBase&) override { calls << "install"; }
    void Enable(bool on) override { calls << (on ? "enable" : "disable"); }
    void Remove() override { calls << "remove"; }
    QStringList calls;
};

TEST_F(ButtonPageTest, WithAHookTheKeyComesFromItsNoticesWhileTheFieldHasTheFocus) {
    CPaintManagerUI::SetResourcePath(MOUSE_APP_DIR "/res/");
    CResourceManager::GetInstance()->LoadLanguage();
    RecordingHook hook;
    {
        CShortcutWnd dlg;
        dlg.SetKeyHook(&hook);
        ASSERT_TRUE(dlg.Create(nullptr));
        dlg.ShowWindow(true);
        auto* edit = dlg.FindControl<CEditUI>("edit_key");
        // The field still takes every key, so Tab and Escape stay keys; only
        // the hook's notices count while it is installed.
        EXPECT_TRUE(edit->IsKeyCapture());
        edit->SetFocus();
        ASSERT_TRUE(WaitFor([&] { return hook.calls.size() == 2; }));
        EXPECT_EQ(hook.calls, (QStringList{"install", "enable"}));
        dlg.SendMessage(kMsgHookKey, 162, 0);  // left Ctrl
        EXPECT_EQ(dlg.GetKey(), 224);
        EXPECT_EQ(edit->GetText(), Text("key_LCtrl"));
        // The same press also reaches the field: the hook had it already.
        QTest::keyClick(edit->GetWidget(), Qt::Key_B);
        EXPECT_EQ(dlg.GetKey(), 224) << "one key, one capture";
        // A release (detail 1) is not a key pressed.
        dlg.SendMessage(kMsgHookKey, 0x43, 1);
        EXPECT_EQ(dlg.GetKey(), 224);
        EXPECT_EQ(edit->GetText(), Text("key_LCtrl"));
        EXPECT_EQ(dlg.GetModifierMask(), 0) << "a key notice never ticks a box";
        dlg.FindControl<CCheckBoxUI>("check_flag_4")->SetFocus();
        ASSERT_TRUE(WaitFor([&] { return hook.calls.size() == 4; }));
        EXPECT_EQ(hook.calls.mid(2), (QStringList{"remove", "disable"}));
        edit->SetFocus();
        ASSERT_TRUE(WaitFor([&] { return hook.calls.size() == 6; }));
    }
    // Closing the window removes the hook once more.
    EXPECT_EQ(hook.calls.mid(6), (QStringList{"remove", "disable"}));
}

// A key pressed with modifiers held ticks exactly those boxes, from either
// source; a key alone, or a modifier on its way to a chord, leaves the boxes.
TEST_F(ButtonPageTest, AChordSetsTheModifierBoxesAsWellAsTheKey) {
    CPaintManagerUI::SetResourcePath(MOUSE_APP_DIR "/res/");
    CResourceManager::GetInstance()->LoadLanguage();
    struct Step {
        int key;             // Qt key (own key events) or virtual key (hook)
        unsigned modifiers;  // own key events: Qt modifiers; hook: 1 = a release
    };
    struct Case {
        bool fromHook;
        uint8_t ticked;  // boxes ticked before
        std::vector<Step> steps;
        uint8_t keyCode;
        uint8_t modifiers;
    };
    const unsigned ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    const Case cases[] = {
        {false, 0, {{Qt::Key_K, ctrlShift}}, 14, kModCtrl | kModShift},
        {false, kModCtrl, {{Qt::Key_F4, Qt::AltModifier}}, 61, kModAlt},
        {false, 0, {{Qt::Key_A, Qt::MetaModifier}}, 4, kModWin},
        {false, kModAlt, {{Qt::Key_K, Qt::NoModifier}}, 14, kModAlt},
        {false, kModShift, {{Qt::Key_Control, Qt::ControlModifier}}, 224, kModShift},
        {true, 0, {{162, 0}, {160, 0}, {0x4B, 0}}, 14, kModCtrl | kModShift},
        {true, kModAlt, {{162, 0}, {162, 1}, {0x4B, 0}}, 14, kModAlt},
        {true, 0, {{165, 0}, {0x73, 0}, {0x73, 1}, {165, 1}}, 61, kModAlt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "hook " << c.fromHook << " key " << int(c.keyCode));
        RecordingHook hook;
        CShortcutWnd dlg;
        if (c.fromHook) {
            dlg.SetKeyHook(&hook);
        }
        dlg.SetModifierMask(c.ticked);
        ASSERT_TRUE(dlg.Create(nullptr));
        dlg.ShowWindow(true);
        auto* edit = dlg.FindControl<CEditUI>("edit_key");
        edit->SetFocus();
        ASSERT_TRUE(WaitFor([&] { return dlg.HookCapturing() == c.fromHook; }));
        for (const Step& step : c.steps) {
            if (c.fromHook) {
                dlg.SendMessage(kMsgHookKey, WPARAM(step.key), LPARAM(step.modifiers));
            } else {
                QTest::keyClick(edit->GetWidget(), Qt::Key(step.key),
                                Qt::KeyboardModifiers(step.modifiers));
            }
        }
        EXPECT_EQ(dlg.GetKey(), c.keyCode);
        EXPECT_EQ(dlg.GetModifierMask(), c.modifiers);
        for (int n = 1; n <= 4; ++n) {
            EXPECT_EQ(dlg.FindControl<CCheckBoxUI>(N("check_flag_%d", n))->GetCheck(),
                      (c.modifiers & (1u << (n - 1))) != 0)
                << n;
        }
    }
}

// ---- the hook library behind the shortcut dialog ------------------------------------

TEST_F(ButtonPageTest, TheShortcutDialogTakesKeysFromTheProgramsHookWhileTheFieldHasTheFocus) {
    useFakeHook = true;
    Open();
    ModalSeam::Answer(1, [&](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CShortcutWnd&>(w);
        w.ShowWindow(true);
        auto* edit = dlg.FindControl<CEditUI>("edit_key");
        EXPECT_TRUE(hook.calls.empty()) << "nothing is hooked before the field has the focus";
        edit->SetFocus();
        ASSERT_TRUE(WaitFor([&] { return hook.calls.size() == 2; }));
        EXPECT_EQ(hook.calls, (std::vector<std::string>{"installhook", "enablehook(1)"}));
        ASSERT_TRUE(hook.keySink);
        ASSERT_TRUE(dlg.HookCapturing());

        // Posted from the hook's thread into the dialog's queue.
        ReportFromHookThread(hook, 0x43, 0);  // C pressed
        ASSERT_TRUE(WaitFor([&] { return dlg.GetKey() == 6; }));
        EXPECT_EQ(edit->GetText(), Text("key_C"));
        // The release of C and the field's own key event of the next press
        // do not capture anything; the hook's report of that press does.
        ReportFromHookThread(hook, 0x43, 1);
        QTest::keyClick(edit->GetWidget(), Qt::Key_F2);
        EXPECT_EQ(dlg.GetKey(), 6);
        ReportFromHookThread(hook, 0x71, 0);  // F2 pressed
        ASSERT_TRUE(WaitFor([&] { return dlg.GetKey() == 59; }));
        EXPECT_EQ(edit->GetText(), Text("key_F2"));
        EXPECT_EQ(dlg.GetModifierMask(), 0);

        // Leaving the field unhooks; OK then returns the last key pressed.
        dlg.FindControl<CCheckBoxUI>("check_flag_1")->SetFocus();
        ASSERT_TRUE(WaitFor([&] { return hook.calls.size() == 4; }));
        EXPECT_EQ(hook.calls[2], "removehook");
        EXPECT_EQ(hook.calls[3], "enablehook(0)");
        EXPECT_FALSE(dlg.HookCapturing());
        dlg.FindControl<CCheckBoxUI>("check_flag_1")->Activate();
    });
    Choose(11, "shortcut");
    EXPECT_EQ(P().buttons[11].functionId, fn::kShortcut);
    EXPECT_EQ(P().buttons[11].shortcutModifiers, kModCtrl);
    EXPECT_EQ(P().buttons[11].shortcutKey, 59);
    EXPECT_EQ(Label(11)->GetText(), "Ctrl+" + Text("key_F2"));
    EXPECT_EQ(hook.calls.size(), 4u) << "the dialog closed without hooking again";
}

TEST_F(ButtonPageTest, WithoutAUsableHookTheDialogsOwnKeyEventsAreTheCapture) {
    useFakeHook = true;
    hook.reason = "there is no X display";
    Open();
    ModalSeam::Answer(1, [&](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CShortcutWnd&>(w);
        w.ShowWindow(true);
        auto* edit = dlg.FindControl<CEditUI>("edit_key");
        edit->SetFocus();
        ASSERT_TRUE(WaitFor([&] { return edit->GetWidget()->hasFocus(); }));
        EXPECT_FALSE(dlg.HookCapturing());
        QTest::keyClick(edit->GetWidget(), Qt::Key_Escape);
        EXPECT_EQ(dlg.GetKey(), 41);
        EXPECT_TRUE(w.IsWindowVisible());
        dlg.FindControl<CCheckBoxUI>("check_flag_4")->SetFocus();
    });
    Choose(12, "shortcut");
    EXPECT_EQ(P().buttons[12].shortcutKey, 41);
    EXPECT_TRUE(hook.calls.empty()) << "an unavailable hook is never called";
}

TEST_F(ButtonPageTest, OnWaylandTheShortcutDialogTakesTheKeysOfItsWindowFromTheSessionsHook) {
    MainWndOptions options = Options();
    options.session = Session();
    options.session->type = SessionType::kWayland;
    Create(options);
    ASSERT_FALSE(HasFatalFailure());
    wnd->ShowMainWindow();
    ModalSeam::Answer(1, [&](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CShortcutWnd&>(w);
        w.ShowWindow(true);
        auto* edit = dlg.FindControl<CEditUI>("edit_key");
        edit->SetFocus();
        ASSERT_TRUE(WaitFor([&] { return dlg.HookCapturing(); }));
        // As the compositor delivers it: to the dialog's window.
        QTest::keyClick(edit->GetWidget()->window()->windowHandle(), Qt::Key_F2);
        ASSERT_TRUE(WaitFor([&] { return dlg.GetKey() == 59; }));
        EXPECT_EQ(edit->GetText(), Text("key_F2"));
    });
    Choose(11, "shortcut");
    EXPECT_EQ(P().buttons[11].shortcutKey, 59);
}

}  // namespace
}  // namespace mouse
