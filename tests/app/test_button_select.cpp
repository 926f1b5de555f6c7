// The macro and preset branches of the button page with their select
// dialogs, and bindings made on the page reaching a virtual mouse on apply.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QTest>

#include "button_page_fixture.h"

namespace mouse {
namespace {

using namespace buttontest;

// ---- the macro and preset branches with their dialogs ------------------------------

TEST_F(ButtonPageTest, SelectMacroPreselectsTheBoundMacroAndBindsALeftButtonMacroInItsColour) {
    WriteStore("macro.bin", Macros());
    CPaintManagerUI::SetManualTimers(true);
    Open();
    ButtonEntry& e = P().buttons[6];
    e.functionId = fn::kMacro;
    e.macroIndex = 7;
    e.repeatMode = 1;
    bool timerStarted = false;
    int folderShown = -2;
    int macroShown = -2;
    bool overlay = false;
    ModalSeam::Answer(1, [&](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CSelectMacroWnd&>(w);
        auto* list = dlg.FindControl<CListUI>("macro_list");
        overlay = wnd->FindControl("disable_window_ver")->IsVisible();
        timerStarted = dlg.GetPaintManager()->IsTimerActive(list, CSelectMacroWnd::kPreselectTimer);
        ASSERT_TRUE(dlg.GetPaintManager()->FireTimer(list, CSelectMacroWnd::kPreselectTimer));
        folderShown = dlg.FindControl<CComboUI>("macro_combo")->GetCurSel();
        macroShown = list->GetCurSel();
        EXPECT_TRUE(dlg.FindControl<COptionUI>("repeat_2")->IsSelected());
        EXPECT_FALSE(dlg.GetLeftButton());
        dlg.FindControl<CCheckBoxUI>("check_left_macro")->Activate();
        dlg.FindControl<CButtonUI>("btn_gun_color")->Activate();  // the picker: next answer
    });
    ModalSeam::Answer(1, [](WindowImplBase& w) {
        w.FindControl<CEditUI>("r_edit")->TypeText("10");
        w.FindControl<CEditUI>("g_edit")->TypeText("20");
        w.FindControl<CEditUI>("b_edit")->TypeText("30");
        w.FindControl<CButtonUI>("ok_btn")->Activate();
    });
    Choose(6, "select_macro");
    EXPECT_EQ(ModalSeam::Answered(), (QStringList{"SelectMacroWnd", "SelectColorWnd"}));
    EXPECT_TRUE(overlay);
    EXPECT_FALSE(wnd->FindControl("disable_window_ver")->IsVisible());
    EXPECT_TRUE(timerStarted) << "timer 1000 runs on macro_list before the dialog shows";
    EXPECT_EQ(folderShown, 1) << "Beta";
    EXPECT_EQ(macroShown, 2) << "b3, third of Beta";

    const MacroRecord b3 = Macros()[7];
    EXPECT_EQ(e.functionId, fn::kLeftButtonMacro);
    EXPECT_EQ(e.bindingColour, 0x1E140A) << "red 10 in the low byte";
    EXPECT_EQ(e.macroIndex, 7);
    EXPECT_EQ(e.repeatMode, 1);
    EXPECT_EQ(e.bindingCount, 3);
    EXPECT_EQ(e.bindingLoops, 2);
    EXPECT_EQ(TextOf(e.bindingFolder), "Beta");
    EXPECT_EQ(TextOf(e.bindingName), "b3");
    EXPECT_EQ(std::memcmp(e.macroActions, b3.actions, sizeof e.macroActions), 0);
    EXPECT_EQ(Label(6)->GetText(), Text("set_left_macro_text") + "Beta-b3");

    // Choosing again: a left-button macro is not function 22, so its macro
    // index, repeat mode and colour are reset before the dialog opens; only
    // the left-button flag starts set. Cancelled, the function stays.
    ModalSeam::Answer(0, [](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CSelectMacroWnd&>(w);
        EXPECT_TRUE(dlg.GetLeftButton());
        EXPECT_EQ(dlg.GetMacroIndex(), -1);
        EXPECT_EQ(dlg.GetRepeatMode(), 0);
        EXPECT_EQ(dlg.GetColour(), 255u);
    });
    Choose(6, "select_macro");
    EXPECT_EQ(e.functionId, fn::kLeftButtonMacro);
    EXPECT_EQ(e.macroIndex, -1);
    EXPECT_EQ(e.bindingColour, 255);
    EXPECT_EQ(TextOf(e.bindingName), "b3");
}

TEST_F(ButtonPageTest, SelectMacroAndSelectGunBindWhatTheUserPicksInTheLists) {
    WriteStore("macro.bin", Macros());
    WriteStore("gun.bin", Guns());
    CPaintManagerUI::SetManualTimers(true);
    Open();
    // Slot 8 ("button_off" by default): b1 through the folder and list, repeat mode 3.
    ModalSeam::Answer(1, [](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CSelectMacroWnd&>(w);
        auto* list = dlg.FindControl<CListUI>("macro_list");
        dlg.GetPaintManager()->FireTimer(list, CSelectMacroWnd::kPreselectTimer);
        EXPECT_EQ(list->GetCurSel(), -1) << "nothing was bound";
        dlg.FindControl<CComboUI>("macro_combo")->SelectItem(1);
        list->SelectItem(0);
        dlg.FindControl<COptionUI>("repeat_3")->Activate();
    });
    Choose(8, "select_macro");
    const ButtonEntry& m = P().buttons[8];
    EXPECT_EQ(m.functionId, fn::kMacro);
    EXPECT_EQ(m.macroIndex, 4);
    EXPECT_EQ(m.repeatMode, 2);
    EXPECT_EQ(m.bindingColour, 255);
    EXPECT_EQ(m.bindingCount, 1);
    EXPECT_EQ(TextOf(m.bindingName), "b1");
    EXPECT_EQ(Label(8)->GetText(), Text("set_macro_text") + "Beta-b1");

    // Slot 9: preset P1, second folder, repeat mode 2.
    ModalSeam::Answer(1, [](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CSelectGunWnd&>(w);
        auto* list = dlg.FindControl<CListUI>("gun_list");
        EXPECT_TRUE(dlg.GetPaintManager()->IsTimerActive(list, CSelectGunWnd::kPreselectTimer));
        dlg.GetPaintManager()->FireTimer(list, CSelectGunWnd::kPreselectTimer);
        dlg.FindControl<CComboUI>("gun_combo")->SelectItem(1);
        list->SelectItem(0);
        dlg.FindControl<COptionUI>("repeat_2")->Activate();
    });
    Choose(9, "select_gun");
    // ... then AK over it, from the first folder.
    int folderShown = -2;
    int gunShown = -2;
    ModalSeam::Answer(1, [&](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CSelectGunWnd&>(w);
        auto* list = dlg.FindControl<CListUI>("gun_list");
        dlg.GetPaintManager()->FireTimer(list, CSelectGunWnd::kPreselectTimer);
        folderShown = dlg.FindControl<CComboUI>("gun_combo")->GetCurSel();
        gunShown = list->GetCurSel();
        EXPECT_TRUE(dlg.FindControl<COptionUI>("repeat_2")->IsSelected());
        dlg.FindControl<CComboUI>("gun_combo")->SelectItem(0);
        list->SelectItem(0);
    });
    Choose(9, "select_gun");
    EXPECT_EQ(folderShown, 1) << "the bound preset P1 was preselected";
    EXPECT_EQ(gunShown, 0);
    const GunRecord ak = Guns()[1];
    const ButtonEntry& g = P().buttons[9];
    EXPECT_EQ(g.functionId, fn::kRecoil);
    EXPECT_EQ(g.gunIndex, 1);
    EXPECT_EQ(g.repeatMode, 1);
    EXPECT_EQ(g.bindingColour, 255);
    EXPECT_EQ(g.bindingCount, 12) << "record byte 200";
    EXPECT_EQ(g.bindingLoops, 3) << "record byte 202";
    EXPECT_EQ(TextOf(g.bindingFolder), "Rifles");
    EXPECT_EQ(std::u16string(g.bindingName, g.bindingName + kTextChars),
              u"AK" + std::u16string(kTextChars - 2, u'\0'))
        << "nothing of P1 left behind";
    EXPECT_EQ(std::memcmp(g.gunData, ak.bullets, sizeof g.gunData), 0) << "360 bytes from 216";
    EXPECT_EQ(Label(9)->GetText(), Text("set_gun_text") + "Rifles-AK");
}

TEST_F(ButtonPageTest, ADialogAnswerThatNamesNoUsableRecordBindsNothing) {
    WriteStore("macro.bin", Macros());
    WriteStore("gun.bin", Guns());
    Open();
    struct Case {
        const char* what;
        const char* item;
        int index;
    };
    const Case cases[] = {
        {"a macro without actions", "select_macro", 5},
        {"a macro folder", "select_macro", 3},
        {"just past the macro list", "select_macro", 8},
        {"far past the macro list", "select_macro", 99},
        {"no macro", "select_macro", -1},
        {"just past the preset list", "select_gun", 4},
        {"a preset folder", "select_gun", 2},
        {"no preset", "select_gun", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const bool macro = std::strcmp(c.item, "select_macro") == 0;
        // The button holds this branch's binding already, so no reset runs.
        ButtonEntry& e = P().buttons[7];
        e.functionId = macro ? fn::kMacro : fn::kRecoil;
        e.macroIndex = 1;
        e.gunIndex = 3;
        e.repeatMode = 1;
        e.bindingCount = 2;
        WriteText(e.bindingFolder, u"Kept");
        WriteText(e.bindingName, u"Binding");
        Page().ShowButton(7);
        const ButtonEntry before = e;
        const QString label = Label(7)->GetText();
        ModalSeam::Answer(1, [&](WindowImplBase& w) {
            if (auto* m = dynamic_cast<CSelectMacroWnd*>(&w)) {
                m->SetMacroIndex(c.index);
            } else {
                dynamic_cast<CSelectGunWnd&>(w).SetGunIndex(c.index);
            }
        });
        Choose(7, c.item);
        EXPECT_EQ(ModalSeam::Pending(), 0) << "the dialog opened";
        EXPECT_EQ(std::memcmp(&e, &before, sizeof e), 0);
        EXPECT_EQ(Label(7)->GetText(), label);
        EXPECT_FALSE(wnd->FindControl("disable_window_ver")->IsVisible());
    }
}

// ---- end to end --------------------------------------------------------------------

TEST_F(ButtonPageTest, BindingsMadeOnThePageReachTheMouseOnApply) {
    SimProcess sim;
    ASSERT_TRUE(sim.Start(MOUSE_APP_DIR "/mouse-sim", {})) << sim.Error();
    setenv("MOUSE_SIM_SOCKET", sim.SocketPath().c_str(), 1);
    Open();
    // Button 4 (slot 3): Ctrl+Shift+C; button 5 (slot 4): fire click, 5 clicks 40 ms apart;
    // slot 8: volume up; slot 2: mode switch (and slot 34 with it).
    ModalSeam::Answer(1, [](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CShortcutWnd&>(w);
        dlg.FindControl<CCheckBoxUI>("check_flag_1")->Activate();
        dlg.FindControl<CCheckBoxUI>("check_flag_2")->Activate();
        dlg.OnCapturedKey('C');
    });
    Choose(3, "shortcut");
    ModalSeam::Answer(1, [](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CFireClickWnd&>(w);
        dlg.SetCount(5);
        dlg.SetDelay(40);
    });
    Choose(4, "fire_click");
    Choose(8, "volume_up");
    Choose(2, "mode_switch");
    ASSERT_TRUE(wnd->FindControl<CButtonUI>("btn_apply") != nullptr);
    wnd->FindControl<CButtonUI>("btn_apply")->Activate();
    ASSERT_TRUE(WaitFor([&] { return wnd->PendingApplies() == 0; }, 20000));
    std::optional<SimState> state = SimGetState(sim.SocketPath());
    ASSERT_TRUE(state.has_value());
    auto code = [&](int slot) {
        const uint8_t* b = state->buttonTable.data() + 4 * slot;
        return std::array<int, 4>{b[0], b[1], b[2], b[3]};
    };
    using A = std::array<int, 4>;
    EXPECT_EQ(code(0), (A{0x01, 0x00, 0xF0, 0x00}));   // left click, untouched
    EXPECT_EQ(code(3), (A{0x00, 0x03, 0x06, 0x00}));   // Ctrl+Shift, key C
    EXPECT_EQ(code(4), (A{0x0A, 0xF0, 40, 5}));        // delay, then count
    EXPECT_EQ(code(8), (A{0x03, 0x00, 0xE9, 0x00}));   // consumer usage 0x00E9
    EXPECT_EQ(code(2), (A{0x08, 0x00, 0x01, 0x00}));   // mode switch
    EXPECT_EQ(code(34), (A{0x08, 0x00, 0x01, 0x00}));  // ... and its twin
    EXPECT_EQ(code(35), (A{0x01, 0x00, 0xF4, 0x00}));  // game-mode forward, untouched
}

TEST_F(ButtonPageTest, AMacroAShortcutAFireClickAndPresetsReachTheMouseOnApply) {
    SimProcess sim;
    ASSERT_TRUE(sim.Start(MOUSE_APP_DIR "/mouse-sim", {})) << sim.Error();
    setenv("MOUSE_SIM_SOCKET", sim.SocketPath().c_str(), 1);
    WriteStore("macro.bin", Macros());
    WriteStore("gun.bin", Guns());
    useFakeHook = true;
    CPaintManagerUI::SetManualTimers(true);
    Open();
    // Picks folder `folder`, item `item` of a select dialog after its
    // preselection tick, with repeat option `repeat`.
    auto pick = [](const char* combo, const char* listName, int folder, int item,
                   const char* repeat, bool leftButton = false) {
        return [=](WindowImplBase& w) {
            auto* list = w.FindControl<CListUI>(QString::fromLatin1(listName));
            ASSERT_TRUE(w.GetPaintManager()->FireTimer(list, 1000));
            w.FindControl<CComboUI>(QString::fromLatin1(combo))->SelectItem(folder);
            list->SelectItem(item);
            w.FindControl<COptionUI>(QString::fromLatin1(repeat))->Activate();
            if (leftButton) {
                w.FindControl<CCheckBoxUI>("check_left_macro")->Activate();
            }
        };
    };
    // Slot 6: macro b3, repeat mode 2.
    ModalSeam::Answer(1, pick("macro_combo", "macro_list", 1, 2, "repeat_3"));
    Choose(6, "select_macro");
    // Slot 3: Shift+Alt and F1, the key from the hook.
    ModalSeam::Answer(1, [&](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CShortcutWnd&>(w);
        w.ShowWindow(true);
        dlg.FindControl<CEditUI>("edit_key")->SetFocus();
        ASSERT_TRUE(WaitFor([&] { return dlg.HookCapturing(); }));
        ReportFromHookThread(hook, 0x70, 0);
        ASSERT_TRUE(WaitFor([&] { return dlg.GetKey() == 58; }));
        dlg.FindControl<CCheckBoxUI>("check_flag_2")->Activate();
        dlg.FindControl<CCheckBoxUI>("check_flag_3")->Activate();
    });
    Choose(3, "shortcut");
    // Slot 4: fire click, 3 clicks 25 ms apart.
    ModalSeam::Answer(1, [](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CFireClickWnd&>(w);
        dlg.SetCount(3);
        dlg.SetDelay(25);
    });
    Choose(4, "fire_click");
    // Slot 9: preset AK; slot 10: a2 on the left button.
    ModalSeam::Answer(1, pick("gun_combo", "gun_list", 0, 0, "repeat_1"));
    Choose(9, "select_gun");
    ModalSeam::Answer(1, pick("macro_combo", "macro_list", 0, 1, "repeat_1", true));
    Choose(10, "select_macro");
    // Slot 40, in the game mode: macro a1, repeat mode 0.
    wnd->FindControl<COptionUI>("button_mode_option_2")->Activate();
    ModalSeam::Answer(1, pick("macro_combo", "macro_list", 0, 0, "repeat_1"));
    Choose(40, "select_macro");
    wnd->FindControl<COptionUI>("button_mode_option_1")->Activate();
    EXPECT_EQ(ModalSeam::Pending(), 0);
    ASSERT_EQ(P().buttons[10].functionId, fn::kLeftButtonMacro);

    wnd->FindControl<CButtonUI>("btn_apply")->Activate();
    ASSERT_TRUE(WaitFor([&] { return wnd->PendingApplies() == 0; }, 20000));
    std::optional<SimState> state = SimGetState(sim.SocketPath());
    ASSERT_TRUE(state.has_value());
    using A = std::array<int, 4>;
    auto code = [&](int slot) {
        const uint8_t* b = state->buttonTable.data() + 4 * slot;
        return A{b[0], b[1], b[2], b[3]};
    };
    EXPECT_EQ(code(0), (A{0x01, 0x00, 0xF0, 0x00}));   // left click, untouched
    EXPECT_EQ(code(3), (A{0x00, 0x06, 0x3A, 0x00}));   // Shift+Alt, F1
    EXPECT_EQ(code(4), (A{0x0A, 0xF0, 0x19, 0x03}));   // 25 ms, 3 clicks
    EXPECT_EQ(code(6), (A{0x09, 0x02, 0x01, 0x00}));   // macro, repeat 2, block 1
    EXPECT_EQ(code(9), (A{0x08, 0x00, 0x04, 0x00}));   // preset, recoil slot 0
    EXPECT_EQ(code(10), (A{0x08, 0x00, 0x05, 0x00}));  // left-button macro, recoil slot 1
    EXPECT_EQ(code(40), (A{0x09, 0x00, 0x02, 0x00}));  // macro, repeat 0, block 2

    using Block = std::array<uint8_t, 128>;
    auto block = [](std::initializer_list<uint8_t> head) {
        Block b{};
        std::copy(head.begin(), head.end(), b.begin());
        return b;
    };
    // b3 twice: A pressed (30 ms), A released (2000 ms: u 0, L 100), left button pressed.
    ASSERT_TRUE(state->macroBlocks[0].has_value());
    EXPECT_EQ(*state->macroBlocks[0],
              block({0x00, 0x02, 0x03, 0x04, 0x80, 0x04, 0x00, 0x01, 0x00, 0x64, 0x01, 0xF0}));
    // a1 once: B pressed and released, 10 ms each.
    ASSERT_TRUE(state->macroBlocks[1].has_value());
    EXPECT_EQ(*state->macroBlocks[1], block({0x00, 0x01, 0x01, 0x05, 0x81, 0x05}));
    for (size_t k = 2; k < state->macroBlocks.size(); ++k) {
        EXPECT_FALSE(state->macroBlocks[k].has_value()) << "block " << k + 1 << " was not sent";
    }
}

// A left-button macro takes one of the three preset places: with all three
// taken, turning a macro button into one binds nothing, while the plain macro
// it already was can still be chosen again.
TEST_F(ButtonPageTest, ALeftButtonMacroCountsAgainstTheThreePresetPlaces) {
    WriteStore("macro.bin", Macros());
    CPaintManagerUI::SetManualTimers(true);
    Open();
    for (int slot : {40, 41, 42}) {
        P().buttons[slot].functionId = fn::kRecoil;
    }
    ButtonEntry& e = P().buttons[6];
    e.functionId = fn::kMacro;
    e.macroIndex = 7;
    for (const bool left : {true, false}) {
        SCOPED_TRACE(left);
        ModalSeam::Answer(1, [left](WindowImplBase& w) {
            auto& dlg = dynamic_cast<CSelectMacroWnd&>(w);
            auto* list = dlg.FindControl<CListUI>("macro_list");
            ASSERT_TRUE(dlg.GetPaintManager()->FireTimer(list, CSelectMacroWnd::kPreselectTimer));
            if (left) {
                dlg.FindControl<CCheckBoxUI>("check_left_macro")->Activate();
            }
        });
        Choose(6, "select_macro");
        EXPECT_EQ(e.functionId, fn::kMacro);
        EXPECT_EQ(e.macroIndex, 7);
        EXPECT_EQ(e.bindingCount, left ? 0 : 3) << "bound only without the left-button option";
    }
}

}  // namespace
}  // namespace mouse
