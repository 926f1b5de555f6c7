// The macro page's editor inside the real main window, driven through its
// controls: folders and macros selected, actions edited, moved and deleted,
// fields typed and left, and what reaches the buttons bound to a macro.
#include <gtest/gtest.h>

#include "macro_page_fixture.h"

namespace mouse {
namespace {

TEST_F(MacroPageTest, AFolderShowsItsMacrosAndAnEmptyEditor) {
    Open(Standard());
    auto* combo = Find<CComboUI>("macro_combo");
    ASSERT_EQ(combo->GetCount(), 2);
    EXPECT_EQ(combo->GetCurSel(), 0);
    auto* macros = Find<CListUI>("macro_list");
    ASSERT_EQ(macros->GetCount(), 3);
    EXPECT_EQ(macros->GetItemText(2), "a3") << "folder names match whatever their case";
    EXPECT_EQ(Page().ShownPositions(), (std::vector<int>{1, 4, 5}));

    // Load a macro, then choose another folder: the editor empties again.
    SelectMacro(0);
    ASSERT_EQ(Actions()->GetCount(), 4);
    SelectFolder(1);
    EXPECT_EQ(Page().SelectedFolder(), 1);
    EXPECT_EQ(Page().ShownPositions(), (std::vector<int>{3}));
    EXPECT_EQ(Page().CurrentPosition(), -1);
    EXPECT_EQ(macros->GetCurSel(), -1) << "no macro is selected by itself";
    EXPECT_EQ(Actions()->GetCount(), 0);
    EXPECT_EQ(Text("edit_loop_time"), "1");
    EXPECT_EQ(Text("edit_macro_name"), "");
    EXPECT_FALSE(Shown("macro_key_hor"));
    EXPECT_FALSE(Shown("macro_delay_hor"));
    EXPECT_FALSE(Shown("macro_mouse_move_hor"));
}

TEST_F(MacroPageTest, EachKindOfActionHasItsItemAndEditor) {
    Open(Standard());
    SelectMacro(0);
    EXPECT_EQ(Text("edit_macro_name"), "a1");
    EXPECT_EQ(Text("edit_loop_time"), "3");
    ASSERT_EQ(Actions()->GetCount(), 4);
    EXPECT_EQ(Actions()->GetCurSel(), 3) << "the last action is selected";

    struct Case {
        int item;
        QString key, action, delay, keyImage, actionImage;
        bool keyRow, keyEdit, mouseCombo, moveRow;
    };
    const QString keyboard = "res='skins/keyboard_key_action.png' dest='5,6,35,24'";
    const QString mouse = "res='skins/mouse.png' dest='2,2,28,28'";
    const QString down = "res='skins/macro_key_down.png' dest='5,6,21,24'";
    const QString up = "res='skins/macro_key_up.png' dest='5,6,21,24'";
    const Case cases[] = {
        {0, Lang(KeyNameKey(4)), Lang(u"key_down_action"), "30", keyboard, down, true, true, false,
         false},
        {1, Lang(KeyNameKey(4)), Lang(u"key_up_action"), "40", keyboard, up, true, true, false,
         false},
        {2, Lang(KeyNameKey(0xF0)), Lang(u"key_down_action"), "50", mouse, down, true, false, true,
         false},
        {3, Lang(u"mouse_move_text"), "X: 5\nY: -3", "60", "res='skins/move.png' dest='2,2,28,28'",
         "", false, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "item " << c.item);
        SelectAction(c.item);
        EXPECT_EQ(Page().SelectedAction(), c.item);
        EXPECT_EQ(ItemText(c.item, "key"), c.key);
        EXPECT_EQ(ItemText(c.item, "action"), c.action);
        EXPECT_EQ(ItemText(c.item, "delay"), c.delay);
        CControlUI* row = Actions()->GetItemAt(c.item);
        EXPECT_EQ(row->FindSubControl("key")->GetBkImage(), c.keyImage);
        EXPECT_EQ(row->FindSubControl("action")->GetBkImage(), c.actionImage);
        EXPECT_EQ(Text("edit_macro_delay"), c.delay);
        EXPECT_TRUE(Shown("macro_delay_hor"));
        EXPECT_EQ(Shown("macro_key_hor"), c.keyRow);
        EXPECT_EQ(Shown("edit_macro_action"), c.keyEdit);
        EXPECT_EQ(Shown("macro_mouse_action_combo"), c.mouseCombo);
        EXPECT_EQ(Shown("macro_mouse_move_hor"), c.moveRow);
    }
    SelectAction(0);
    EXPECT_EQ(Text("edit_macro_action"), Lang(KeyNameKey(4)));
    SelectAction(3);
    EXPECT_EQ(Text("edit_macro_action_x"), "5");
    EXPECT_EQ(Text("edit_macro_action_y"), "-3");
}

TEST_F(MacroPageTest, FieldsAreHeldInRangeWhenLeftAndSaved) {
    struct Case {
        const char* field;
        int action;  // selected first; -1 none
        const char* typed;
        const char* shown;
        int stored;  // in the record: delay of the action, loops, x or y
    };
    const Case cases[] = {
        {"edit_macro_delay", 0, "5", "10", 10},
        {"edit_macro_delay", 0, "70000", "65535", 65535},
        {"edit_macro_delay", 1, "250", "250", 250},
        {"edit_macro_delay", 1, "abc", "10", 10},
        {"edit_loop_time", -1, "0", "1", 1},
        {"edit_loop_time", -1, "300", "255", 255},
        {"edit_loop_time", -1, "7", "7", 7},
        {"edit_macro_action_x", 3, "40000", "32767", 32767},
        {"edit_macro_action_x", 3, "-12", "-12", -12},
        {"edit_macro_action_y", 3, "-99999", "-32767", -32767},
    };
    Open(Standard());
    SelectMacro(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.field << " <- " << c.typed);
        if (c.action >= 0) {
            SelectAction(c.action);
        }
        // The live limit only watches the coordinates; the commit does the rest.
        Commit(c.field, c.typed);
        EXPECT_EQ(Text(c.field), c.shown);
        const MacroRecord& r = Current();
        const std::string field = c.field;
        int stored = 0;
        if (field == "edit_macro_delay") {
            stored = r.actions[c.action].delay;
            EXPECT_EQ(ItemText(c.action, "delay"), c.shown);
        } else if (field == "edit_loop_time") {
            stored = r.loopCount;
        } else if (field == "edit_macro_action_x") {
            stored = r.actions[c.action].x;
        } else {
            stored = r.actions[c.action].y;
        }
        EXPECT_EQ(stored, c.stored);
    }
    EXPECT_EQ(ItemText(3, "action"), "X: -12\nY: -32767");
    EXPECT_EQ(MacroFile(), ListBytes()) << "every edit is saved";
}

TEST_F(MacroPageTest, CoordinateFieldsHoldTheirRangeWhileTyping) {
    struct Case {
        const char* typed;
        const char* shown;
    };
    const Case cases[] = {
        {"40000", "32767"}, {"-40000", "-32767"}, {"32767", "32767"}, {"-5", "-5"}, {"x", "x"},
    };
    Open(Standard());
    for (const char* field :
         {"edit_insert_x", "edit_insert_y", "edit_macro_action_x", "edit_macro_action_y"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << field << " <- " << c.typed);
            Find<CEditUI>(field)->TypeText(c.typed);
            EXPECT_EQ(Text(field), c.shown);
        }
    }
    // The delay field is only corrected when it is left.
    Find<CEditUI>("edit_macro_delay")->TypeText("99999");
    EXPECT_EQ(Text("edit_macro_delay"), "99999");
}

TEST_F(MacroPageTest, InsertingAMouseMove) {
    Library lib;
    lib.Folder(u"F");
    lib.Macro(u"F", u"ten", TenKeys());
    std::vector<MacroAction> many(35, Key(4, kActionPress));
    lib.Macro(u"F", u"thirty-five", many);
    many.push_back(Key(4, kActionRelease));
    lib.Macro(u"F", u"thirty-six", many);
    lib.Macro(u"F", u"empty");
    Open(lib);
    Find<CEditUI>("edit_insert_x")->TypeText("12");
    Find<CEditUI>("edit_insert_y")->TypeText("-7");

    // After the selected action 4 of 10: at 5, selected, revealed by timer 3.
    SelectMacro(0);
    SelectAction(4);
    Click("btn_insert_move");
    ASSERT_EQ(Page().ActionCount(), 11);
    const MacroAction& move = Page().Action(5);
    EXPECT_EQ(move.code, kMoveCode);
    EXPECT_EQ(move.kind, kActionMove);
    EXPECT_EQ(move.delay, 10);
    EXPECT_EQ(move.x, 12);
    EXPECT_EQ(move.y, -7);
    EXPECT_EQ(Page().SelectedAction(), 5);
    EXPECT_EQ(Actions()->GetCurSel(), 5);
    EXPECT_EQ(ItemText(5, "action"), "X: 12\nY: -7");
    EXPECT_TRUE(Actions()->IsTimerActive(CMacroPage::kRevealTimer));
    EXPECT_TRUE(WaitFor([&] { return !Actions()->IsTimerActive(CMacroPage::kRevealTimer); }));
    EXPECT_EQ(Current().actionCount, 11);
    EXPECT_EQ(std::memcmp(&Current().actions[5], &move, sizeof move), 0);

    // 35 actions take one more; 36 take none.
    SelectMacro(1);
    Click("btn_insert_move");
    EXPECT_EQ(Page().ActionCount(), 36);
    SelectMacro(2);
    Click("btn_insert_move");
    EXPECT_EQ(Page().ActionCount(), 36);
    EXPECT_EQ(Current().actionCount, 36);

    // With nothing selected the move goes to the end.
    SelectMacro(3);
    ASSERT_EQ(Page().SelectedAction(), -1);
    Click("btn_insert_move");
    Click("btn_insert_move");
    EXPECT_EQ(Page().ActionCount(), 2);
    EXPECT_EQ(Page().SelectedAction(), 1);
}

TEST_F(MacroPageTest, MovingActions) {
    Open(Standard());
    SelectMacro(1);  // a2: ten keys, delays 20..29
    const std::vector<uint8_t> before = Codes();

    // The second-to-last moves down: the last item shows 0 until a rebuild.
    SelectAction(8);
    Click("btn_macro_move_down");
    EXPECT_EQ(Page().Action(9).delay, 28);
    EXPECT_EQ(Page().Action(8).delay, 29);
    EXPECT_EQ(Actions()->GetCurSel(), 9);
    EXPECT_EQ(Page().SelectedAction(), 9);
    EXPECT_EQ(ItemText(9, "delay"), "0");
    EXPECT_EQ(ItemText(8, "delay"), "29");
    EXPECT_EQ(Current().actions[9].delay, 28) << "the stored delay is unchanged";

    // The last one cannot go further down, the first not further up.
    Click("btn_macro_move_down");
    EXPECT_EQ(Page().Action(9).delay, 28);
    SelectAction(0);
    Click("btn_macro_move_up");
    EXPECT_EQ(Page().Action(0).delay, 20);

    // Up from 3 swaps 3 and 2 and follows the action.
    SelectAction(3);
    Click("btn_macro_move_up");
    EXPECT_EQ(Page().Action(2).delay, 23);
    EXPECT_EQ(Page().Action(3).delay, 22);
    EXPECT_EQ(Page().SelectedAction(), 2);
    EXPECT_EQ(ItemText(2, "delay"), "23");
    std::vector<uint8_t> expected = before;
    std::swap(expected[8], expected[9]);
    std::swap(expected[2], expected[3]);
    EXPECT_EQ(Codes(), expected);
    EXPECT_EQ(MacroFile(), ListBytes());
}

TEST_F(MacroPageTest, DeletingAndClearingActions) {
    Open(Standard());
    SelectMacro(1);  // a2: ten keys, delays 20..29
    SelectAction(4);
    Click("btn_macro_action_delete");
    ASSERT_EQ(Page().ActionCount(), 9);
    EXPECT_EQ(Page().Action(4).delay, 25) << "later actions move up";
    EXPECT_EQ(Page().SelectedAction(), 4) << "the action that took the place is selected";
    EXPECT_EQ(Actions()->GetCount(), 9);
    EXPECT_EQ(Current().actionCount, 9);

    SelectAction(8);
    Click("btn_macro_action_delete");
    EXPECT_EQ(Page().SelectedAction(), 7) << "the new last action";
    EXPECT_EQ(Text("edit_macro_delay"), "28");

    Click("btn_macro_clear_all");
    EXPECT_EQ(Page().ActionCount(), 0);
    EXPECT_EQ(Actions()->GetCount(), 0);
    EXPECT_EQ(Page().SelectedAction(), -1);
    EXPECT_FALSE(Shown("macro_delay_hor"));
    EXPECT_EQ(Current().actionCount, 0);
    EXPECT_EQ(Current().actions[0].code, 0) << "cleared slots are zero";

    // A macro of one action: deleting it empties the editor.
    SelectFolder(1);
    SelectMacro(0);
    SelectAction(0);
    Click("btn_macro_action_delete");
    EXPECT_EQ(Page().ActionCount(), 0);
    EXPECT_EQ(Page().SelectedAction(), -1);
    EXPECT_FALSE(Shown("macro_delay_hor"));
    // Nothing selected: delete does nothing.
    Click("btn_macro_action_delete");
    EXPECT_EQ(MacroFile(), ListBytes());
}

TEST_F(MacroPageTest, LongActionListsAreBuiltOverSeveralTurnsAndComeOutWhole) {
    Library lib;
    lib.Folder(u"F");
    std::vector<MacroAction> forty;
    for (int i = 0; i < kMaxMacroActions; ++i) {
        forty.push_back(Key(uint8_t(4 + i % 26), kActionPress, uint16_t(100 + i)));
    }
    lib.Macro(u"F", u"forty", forty);
    lib.Macro(u"F", u"two", {Key(4, kActionPress), Key(4, kActionRelease)});
    Open(lib);

    // Left to the event loop, the list completes and selects its last item.
    SelectMacroOnly(0);
    EXPECT_EQ(Page().ActionCount(), kMaxMacroActions);
    EXPECT_TRUE(Page().IsFilling()) << "built in one go";
    EXPECT_LT(Actions()->GetCount(), kMaxMacroActions);
    ASSERT_TRUE(WaitFor([&] { return !Page().IsFilling(); }));
    ASSERT_EQ(Actions()->GetCount(), kMaxMacroActions);
    EXPECT_EQ(Actions()->GetCurSel(), kMaxMacroActions - 1);
    EXPECT_EQ(Page().SelectedAction(), kMaxMacroActions - 1);
    for (int i : {0, 17, 39}) {
        EXPECT_EQ(ItemText(i, "delay"), QString::number(100 + i)) << "item " << i;
    }

    // A shorter macro reuses items; a longer one again completes before a
    // click is handled: delete takes the last action.
    SelectMacroOnly(1);
    EXPECT_FALSE(Page().IsFilling());
    EXPECT_EQ(Actions()->GetCount(), 2);
    EXPECT_EQ(ItemText(1, "action"), Lang(u"key_up_action"));
    SelectMacroOnly(0);
    Click("btn_macro_action_delete");
    EXPECT_FALSE(Page().IsFilling());
    EXPECT_EQ(Page().ActionCount(), kMaxMacroActions - 1);
    EXPECT_EQ(Current().actions[kMaxMacroActions - 2].delay, 100 + kMaxMacroActions - 2);
    EXPECT_EQ(Actions()->GetCount(), kMaxMacroActions - 1);

    // Choosing an action while the list fills keeps the choice.
    SelectMacroOnly(1);
    SelectMacroOnly(0);
    ASSERT_TRUE(Page().IsFilling());
    SelectAction(2);
    ASSERT_TRUE(WaitFor([&] { return !Page().IsFilling(); }));
    EXPECT_EQ(Page().SelectedAction(), 2);
    EXPECT_EQ(Actions()->GetCurSel(), 2);
}

TEST_F(MacroPageTest, ChoosingTheMouseButtonOfAnAction) {
    Open(Standard());
    SelectMacro(0);
    SelectAction(2);  // left button press
    auto* combo = Find<CComboUI>("macro_mouse_action_combo");
    ASSERT_EQ(combo->GetCount(), 5);
    EXPECT_EQ(combo->GetCurSel(), 0);
    combo->SelectItem(3);
    EXPECT_EQ(Page().Action(2).code, 243);
    EXPECT_EQ(Current().actions[2].code, 243);
    EXPECT_EQ(ItemText(2, "key"), Lang(KeyNameKey(243)));
    SelectAction(0);
    SelectAction(2);
    EXPECT_EQ(combo->GetCurSel(), 3);
}

TEST_F(MacroPageTest, RefusedEditsDoNothing) {
    Open(Standard());
    const std::vector<uint8_t> before = ListBytes();
    // No macro shown: nothing to insert into, clear, move or delete.
    for (const char* button : {"btn_insert_move", "btn_macro_clear_all", "btn_macro_move_up",
                               "btn_macro_move_down", "btn_macro_action_delete"}) {
        Click(button);
    }
    Commit("edit_macro_delay", "50");
    Commit("edit_loop_time", "9");
    EXPECT_EQ(ListBytes(), before);
    // No folder: no macro can be added or deleted.
    Open(Library{});
    EXPECT_EQ(Page().SelectedFolder(), -1);
    Click("btn_add_macro");
    Click("btn_delete_macro");
    Click("btn_delete_macro_floder");
    EXPECT_EQ(ModalSeam::Answered().size(), 0);
    EXPECT_TRUE(Macros().empty());
}

std::unique_ptr<ProfileRecord> Profile(std::u16string_view name) {
    auto p = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*p, 3311);
    WriteText(p->name, name);
    return p;
}

void Bind(ProfileRecord& p, int slot, int position, int function = fn::kMacro) {
    p.buttons[slot].functionId = uint8_t(function);
    p.buttons[slot].macroIndex = position;
}

// Profile 0 (current) binds button 2 to a1 (position 1) and button 5 to a2
// (position 4); profile 1 binds button 40 to a3 (position 5) on the left
// button.
void BindStandard(MacroPageTest* test, std::unique_ptr<ProfileRecord>& p0,
                  std::unique_ptr<ProfileRecord>& p1) {
    p0 = Profile(u"One");
    p1 = Profile(u"Two");
    Bind(*p0, 2, 1);
    Bind(*p0, 5, 4);
    Bind(*p1, 40, 5, fn::kLeftButtonMacro);
    (void)test;
}

class MacroLibraryPageTest : public MacroPageTest {
protected:
    void OpenBound() {
        BindStandard(this, p0, p1);
        WriteProfiles({p0.get(), p1.get()});
        Open(Standard());
    }
    ButtonEntry& Button(int profile, int slot) {
        return wnd->GetStores().profiles.at(size_t(profile))->buttons[slot];
    }
    std::unique_ptr<ProfileRecord> p0, p1;
};

TEST_F(MacroLibraryPageTest, DeletingTheOnlyMacroOfAFolderEmptiesTheEditor) {
    OpenBound();
    SelectFolder(1);
    SelectMacro(0);
    ASSERT_EQ(Page().ActionCount(), 1);
    ModalSeam::Answer(1);
    Click("btn_delete_macro");
    EXPECT_EQ(Find<CListUI>("macro_list")->GetCount(), 0);
    EXPECT_EQ(Page().CurrentPosition(), -1);
    EXPECT_EQ(Page().ActionCount(), 0);
    EXPECT_EQ(Actions()->GetCount(), 0);
    EXPECT_EQ(Button(0, 5).macroIndex, 3) << "a2 moved down from 4";
    EXPECT_EQ(wnd->bindingChanged, 0) << "no button of the current profile played b1";
}

TEST_F(MacroLibraryPageTest, EditsReachTheButtonsBoundToTheMacro) {
    OpenBound();
    SelectMacro(1);  // a2, bound to button 5 of the current profile
    SelectAction(0);
    Commit("edit_macro_delay", "321");
    EXPECT_EQ(Button(0, 5).macroActions[0].delay, 321);
    EXPECT_EQ(Button(0, 5).bindingCount, 10);
    EXPECT_EQ(wnd->bindingChanged, 1);
    EXPECT_EQ(ProfileFile(), ProfileBytes());
    // A macro no button of the current profile plays: no notification.
    SelectMacro(2);
    Commit("edit_loop_time", "4");
    EXPECT_EQ(Button(1, 40).bindingLoops, 4);
    EXPECT_EQ(wnd->bindingChanged, 1);
}

}  // namespace
}  // namespace mouse
