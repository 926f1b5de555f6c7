// The macro page inside the real main window, driven through its controls:
// folders and macros selected, actions edited, moved and deleted, fields
// typed and left, menus clicked, files chosen through the file-dialog seam and
// confirmations answered through the modal seam.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/main_wnd.h"
#include "app_test_util.h"
#include "device/messages.h"
#include "device/protocol.h"
#include "hook/recorder_fakes.h"
#include "macros/select_macro_wnd.h"
#include "store/tables.h"
#include "ui/ui.h"

namespace mouse {
namespace {

using test::WaitFor;

const char* const kIni =
    "[Default]\r\nVID=04d9\r\nPID=a09f\r\nSensor=3311\r\nDistance=1\r\n"
    "Distance_Value=1,2,3,4,5,6,7,8\r\nVer_H=1\r\nVer_L=0\r\nUpdate=0\r\n";

MacroAction Key(uint8_t code, uint8_t kind, uint16_t delay = 10) {
    MacroAction a{};
    a.code = code;
    a.kind = kind;
    a.delay = delay;
    return a;
}

MacroAction Move(int x, int y, uint16_t delay = 10) {
    MacroAction a{};
    a.code = kMoveCode;
    a.kind = kActionMove;
    a.delay = delay;
    a.x = x;
    a.y = y;
    return a;
}

// A macro library written to macro.bin before the window starts.
struct Library {
    std::vector<MacroRecord> records;
    int Folder(std::u16string_view name) {
        MacroRecord r{};
        WriteText(r.folderName, name);
        r.isFolder = 1;
        records.push_back(r);
        return int(records.size()) - 1;
    }
    int Macro(std::u16string_view folder, std::u16string_view name,
              const std::vector<MacroAction>& actions = {}, uint16_t loops = 1) {
        MacroRecord r{};
        WriteText(r.folderName, folder);
        WriteText(r.macroName, name);
        r.loopCount = loops;
        r.actionCount = uint16_t(actions.size());
        std::copy(actions.begin(), actions.end(), r.actions);
        records.push_back(r);
        return int(records.size()) - 1;
    }
};

// Ten key actions: presses and releases of A..E.
std::vector<MacroAction> TenKeys() {
    std::vector<MacroAction> out;
    for (int i = 0; i < 10; ++i) {
        out.push_back(
            Key(uint8_t(4 + i / 2), i % 2 == 0 ? kActionPress : kActionRelease, uint16_t(20 + i)));
    }
    return out;
}

QString Lang(const std::u16string& key) {
    return CResourceManager::GetInstance()->GetText(
        QString::fromUtf16(key.data(), qsizetype(key.size())));
}

// The main window, counting the macro-changed notifications it receives.
class CountingWnd final : public CMainWnd {
public:
    using CMainWnd::CMainWnd;
    int bindingChanged = 0;

protected:
    LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override {
        if (msg == kMsgBindingChanged) {
            ++bindingChanged;
        }
        return CMainWnd::HandleCustomMessage(msg, wParam, lParam, handled);
    }
};

class MacroPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ModalSeam::Clear();
        CFileDialog::ClearAnswers();
        CPaintManagerUI::SetManualTimers(false);
        CPaintManagerUI::SetResourcePath(MOUSE_APP_DIR "/res/");
        CPaintManagerUI::ClearErrors();
        ASSERT_TRUE(folder.isValid());
        program = folder.path() + "/";
        ASSERT_TRUE(test::PrepareProgramFolder(program, kIni));
    }
    void TearDown() override {
        wnd.reset();
        unsetenv("MOUSE_SIM_SOCKET");
        ModalSeam::Clear();
        CFileDialog::ClearAnswers();
        CPaintManagerUI::SetManualTimers(false);
    }
    // Profiles to start with, written to profile.bin before the window starts.
    void WriteProfiles(const std::vector<ProfileRecord*>& profiles) {
        QFile f(program + "Data/profile.bin");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        for (const ProfileRecord* p : profiles) {
            f.write(reinterpret_cast<const char*>(p), sizeof *p);
        }
    }
    void WriteLibrary(const Library& lib) {
        QFile f(program + "Data/macro.bin");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(lib.records.data()),
                qint64(lib.records.size() * sizeof(MacroRecord)));
    }
    // The main window, shown, on the macro tab.
    void Open(const Library& lib) {
        WriteLibrary(lib);
        setenv("MOUSE_SIM_SOCKET", (program + "no-such-socket").toUtf8().data(), 1);
        MainWndOptions options = test::TestWindowOptions(program);
        options.hook = &hook;  // never the tester's own input
        options.keyboard = &usLayout;
        wnd = std::make_unique<CountingWnd>(options);
        ASSERT_TRUE(wnd->Create(nullptr)) << CPaintManagerUI::GetErrors().join("\n").toStdString();
        wnd->ShowMainWindow();
        wnd->FindControl<COptionUI>("macro_btn")->Activate();
        EXPECT_TRUE(CPaintManagerUI::GetErrors().isEmpty())
            << CPaintManagerUI::GetErrors().join("\n").toStdString();
    }

    template <class T = CControlUI>
    T* Find(const QString& name) {
        T* control = wnd->FindControl<T>(name);
        EXPECT_NE(control, nullptr) << name.toStdString();
        return control;
    }
    CMacroPage& Page() { return wnd->MacroPage(); }
    std::vector<std::unique_ptr<MacroRecord>>& Macros() { return wnd->GetStores().macros; }
    QString Text(const char* name) { return Find(name)->GetText(); }
    bool Shown(const char* name) { return Find(name)->IsVisible(); }
    CListUI* Actions() { return Find<CListUI>("macro_action_list"); }
    QString ItemText(int item, const char* part) {
        CControlUI* row = Actions()->GetItemAt(item);
        EXPECT_NE(row, nullptr) << "item " << item;
        return row != nullptr ? row->FindSubControl(part)->GetText() : QString();
    }
    void SelectFolder(int index) { Find<CComboUI>("macro_combo")->SelectItem(index); }
    // Selects a macro and lets its action list finish building, as the user
    // sees it before clicking an action.
    void SelectMacro(int index) {
        Find<CListUI>("macro_list")->SelectItem(index);
        EXPECT_TRUE(WaitFor([&] { return !Page().IsFilling(); }));
    }
    void SelectMacroOnly(int index) { Find<CListUI>("macro_list")->SelectItem(index); }
    void SelectAction(int index) { Actions()->SelectItem(index); }
    void Click(const char* name) { Find<CButtonUI>(name)->Activate(); }
    // Types into a field and leaves it.
    void Commit(const char* name, const QString& text) {
        auto* edit = Find<CEditUI>(name);
        edit->TypeText(text);
        wnd->GetPaintManager()->SendNotify(edit, ev::kKillFocus);
    }
    // The record of the macro shown in the editor.
    const MacroRecord& Current() { return *Macros().at(size_t(Page().CurrentPosition())); }
    std::vector<uint8_t> Codes() {
        std::vector<uint8_t> codes;
        for (int i = 0; i < Page().ActionCount(); ++i) {
            codes.push_back(Page().Action(i).code);
        }
        return codes;
    }
    // macro.bin as the background writer leaves it once everything is saved.
    std::vector<uint8_t> MacroFile() {
        wnd->Writer().Drain();
        std::vector<uint8_t> bytes;
        ReadWholeFile((program + "Data/macro.bin").toStdString(), bytes);
        return bytes;
    }
    std::vector<uint8_t> ProfileFile() {
        wnd->Writer().Drain();
        std::vector<uint8_t> bytes;
        ReadWholeFile((program + "Data/profile.bin").toStdString(), bytes);
        return bytes;
    }
    std::vector<uint8_t> ProfileBytes() {
        std::vector<uint8_t> bytes;
        for (const auto& r : wnd->GetStores().profiles) {
            const auto* p = reinterpret_cast<const uint8_t*>(r.get());
            bytes.insert(bytes.end(), p, p + sizeof(ProfileRecord));
        }
        return bytes;
    }
    std::vector<uint8_t> ListBytes() {
        std::vector<uint8_t> bytes;
        for (const auto& r : Macros()) {
            const auto* p = reinterpret_cast<const uint8_t*>(r.get());
            bytes.insert(bytes.end(), p, p + sizeof(MacroRecord));
        }
        return bytes;
    }

    QTemporaryDir folder;
    QString program;
    test::FakeHook hook;
    UsKeyboardLayout usLayout;
    std::unique_ptr<CountingWnd> wnd;
};

// Library used by most tests: folders A and B; A holds a1 (four actions of
// every kind), a2 (ten keys) and a3 (stored under "a", other case); B holds b1.
Library Standard() {
    Library lib;
    lib.Folder(u"A");       // 0
    lib.Macro(u"A", u"a1",  // 1
              {Key(4, kActionPress, 30), Key(4, kActionRelease, 40), Key(0xF0, kActionPress, 50),
               Move(5, -3, 60)},
              3);
    lib.Folder(u"B");                                // 2
    lib.Macro(u"B", u"b1", {Key(5, kActionPress)});  // 3
    lib.Macro(u"A", u"a2", TenKeys());               // 4
    lib.Macro(u"a", u"a3");                          // 5
    return lib;
}

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
        {3, Lang(u"mouse_move_text"), "X: 5 Y: -3", "60", "res='skins/move.png' dest='2,2,28,28'",
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
    EXPECT_EQ(ItemText(3, "action"), "X: -12 Y: -32767");
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
    EXPECT_EQ(ItemText(5, "action"), "X: 12 Y: -7");
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

}  // namespace
}  // namespace mouse

namespace mouse {
namespace {

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

// ---- the select-macro dialog ----------------------------------------------------

class SelectMacroTest : public ::testing::Test {
protected:
    void SetUp() override {
        ModalSeam::Clear();
        CPaintManagerUI::SetManualTimers(false);
        CPaintManagerUI::SetResourcePath(MOUSE_APP_DIR "/res/");
        CPaintManagerUI::ClearErrors();
        for (const MacroRecord& r : Standard().records) {
            macros.push_back(std::make_unique<MacroRecord>(r));
        }
        dlg = std::make_unique<CSelectMacroWnd>(macros);
    }
    void TearDown() override {
        dlg.reset();
        ModalSeam::Clear();
        CPaintManagerUI::SetManualTimers(false);
    }
    template <class T = CControlUI>
    T* Find(const QString& name) {
        T* control = dlg->FindControl<T>(name);
        EXPECT_NE(control, nullptr) << name.toStdString();
        return control;
    }
    std::vector<std::unique_ptr<MacroRecord>> macros;
    std::unique_ptr<CSelectMacroWnd> dlg;
};

TEST_F(SelectMacroTest, TheBoundMacroIsPreselectedOnceTheTimerFires) {
    dlg->SetMacroIndex(3);  // b1, the first macro of the second folder
    ASSERT_TRUE(dlg->Create(nullptr));
    EXPECT_TRUE(CPaintManagerUI::GetErrors().isEmpty())
        << CPaintManagerUI::GetErrors().join("\n").toStdString();
    auto* combo = Find<CComboUI>("macro_combo");
    auto* list = Find<CListUI>("macro_list");
    ASSERT_EQ(combo->GetCount(), 2);
    EXPECT_EQ(combo->GetCurSel(), -1) << "no folder before the timer";
    ASSERT_TRUE(dlg->StartPreselection());
    dlg->ShowWindow(true);
    ASSERT_TRUE(WaitFor([&] { return combo->GetCurSel() == 1; }));
    EXPECT_EQ(list->GetCurSel(), 0);
    EXPECT_EQ(dlg->GetMacroIndex(), 3);
    EXPECT_FALSE(list->IsTimerActive(CSelectMacroWnd::kPreselectTimer)) << "fires once";

    // Another folder drops the choice until a macro is clicked.
    combo->SelectItem(0);
    EXPECT_EQ(list->GetCount(), 3);
    EXPECT_EQ(dlg->GetMacroIndex(), -1);
    list->SelectItem(2);
    EXPECT_EQ(dlg->GetMacroIndex(), 5);
}

TEST_F(SelectMacroTest, PreselectionCases) {
    struct Case {
        int in;
        int folder, item, out;
    };
    const Case cases[] = {
        {4, 0, 1, 4},      // a2
        {5, 0, 2, 5},      // a3, stored under another case of the folder name
        {-1, -1, -1, -1},  // none
        {0, 0, -1, 0},     // a folder record: its folder, no macro
        {99, -1, -1, 99},  // beyond the list
    };
    CPaintManagerUI::SetManualTimers(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "macro " << c.in);
        dlg = std::make_unique<CSelectMacroWnd>(macros);
        dlg->SetMacroIndex(c.in);
        ASSERT_TRUE(dlg->Create(nullptr));
        ASSERT_TRUE(dlg->StartPreselection());
        auto* list = Find<CListUI>("macro_list");
        ASSERT_TRUE(dlg->GetPaintManager()->FireTimer(list, CSelectMacroWnd::kPreselectTimer));
        EXPECT_EQ(Find<CComboUI>("macro_combo")->GetCurSel(), c.folder);
        EXPECT_EQ(list->GetCurSel(), c.item);
        EXPECT_EQ(dlg->GetMacroIndex(), c.out);
    }
}

TEST_F(SelectMacroTest, RepeatLeftButtonAndColourComeBackOnOk) {
    dlg->SetRepeatMode(2);
    dlg->SetLeftButton(false);
    dlg->SetColour(255);
    ASSERT_TRUE(dlg->Create(nullptr));
    EXPECT_TRUE(Find<COptionUI>("repeat_3")->IsSelected());
    EXPECT_FALSE(Find<CCheckBoxUI>("check_left_macro")->GetCheck());
    EXPECT_EQ(Find<CTabLayoutUI>("tab_macro")->GetCurSel(), 0);
    EXPECT_EQ(Find("btn_gun_color")->GetBkColor(), 0xFFFF0000u);

    Find<COptionUI>("repeat_2")->Activate();
    EXPECT_EQ(dlg->GetRepeatMode(), 1);
    Find<CCheckBoxUI>("check_left_macro")->Activate();
    EXPECT_TRUE(dlg->GetLeftButton());
    EXPECT_EQ(Find<CTabLayoutUI>("tab_macro")->GetCurSel(), 1);

    // The colour picker answers 10, 20, 30; cancelled, nothing changes.
    ModalSeam::Answer(0, [](WindowImplBase& w) {
        w.FindControl<CEditUI>("r_edit")->TypeText("10");
        w.FindControl<CEditUI>("g_edit")->TypeText("20");
        w.FindControl<CEditUI>("b_edit")->TypeText("30");
        w.FindControl<CButtonUI>("cancel_btn")->Activate();
    });
    Find<CButtonUI>("btn_gun_color")->Activate();
    EXPECT_EQ(dlg->GetColour(), 255u);
    ModalSeam::Answer(0, [](WindowImplBase& w) {
        w.FindControl<CEditUI>("r_edit")->TypeText("10");
        w.FindControl<CEditUI>("g_edit")->TypeText("20");
        w.FindControl<CEditUI>("b_edit")->TypeText("30");
        w.FindControl<CButtonUI>("ok_btn")->Activate();
    });
    Find<CButtonUI>("btn_gun_color")->Activate();
    EXPECT_EQ(dlg->GetColour(), MakeColour(10, 20, 30));
    EXPECT_EQ(Find("btn_gun_color")->GetBkColor(), 0xFF0A141Eu);

    Find<CCheckBoxUI>("check_left_macro")->Activate();
    EXPECT_FALSE(dlg->GetLeftButton());
    EXPECT_EQ(Find<CTabLayoutUI>("tab_macro")->GetCurSel(), 0);

    for (const auto& [button, result] :
         {std::pair{"ok_btn", 1}, std::pair{"cancel_btn", 0}, std::pair{"exit_btn", 0}}) {
        ModalSeam::Answer(-1, [button = button](WindowImplBase& w) {
            w.FindControl<CButtonUI>(button)->Activate();
        });
        EXPECT_EQ(dlg->ShowModal(), result) << button;
    }
}

TEST(ApplyMacroChoice, BindsOnlyAMacroWithActions) {
    Library lib;
    lib.Folder(u"F");
    lib.Macro(u"F", u"Short", {Key(4, kActionPress, 33), Key(4, kActionRelease)}, 7);
    lib.Macro(u"F", u"Empty");
    struct Case {
        int record, position;
        bool left;
        bool applied;
        int function, colour;
    };
    const Case cases[] = {
        {1, 1, false, true, fn::kMacro, 255},
        {1, 1, true, true, fn::kLeftButtonMacro, int(MakeColour(1, 2, 3))},
        {1, -1, false, false, 0, 0},
        {2, 2, false, false, 0, 0},
        {0, 0, false, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "record " << c.record << " left " << c.left);
        ButtonEntry entry{};
        entry.functionId = 1;
        // A longer earlier name must not show through the new one.
        WriteText(entry.bindingName, u"A much longer earlier name");
        const ButtonEntry before = entry;
        const bool applied = ApplyMacroChoice(entry, lib.records[size_t(c.record)], c.position, 2,
                                              c.left, MakeColour(1, 2, 3));
        EXPECT_EQ(applied, c.applied);
        if (!c.applied) {
            EXPECT_EQ(std::memcmp(&entry, &before, sizeof entry), 0);
            continue;
        }
        const MacroRecord& r = lib.records[size_t(c.record)];
        EXPECT_EQ(entry.functionId, c.function);
        EXPECT_EQ(entry.bindingColour, c.colour);
        EXPECT_EQ(entry.macroIndex, c.position);
        EXPECT_EQ(entry.repeatMode, 2);
        EXPECT_EQ(entry.bindingCount, 2);
        EXPECT_EQ(entry.bindingLoops, 7);
        EXPECT_EQ(ReadText(entry.bindingFolder), u"F");
        EXPECT_EQ(std::u16string(entry.bindingName, entry.bindingName + kTextChars),
                  std::u16string(u"Short") + std::u16string(kTextChars - 5, u'\0'));
        EXPECT_EQ(std::memcmp(entry.macroActions, r.actions, sizeof r.actions), 0);
    }
}

}  // namespace
}  // namespace mouse

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
