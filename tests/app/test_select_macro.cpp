// The select-macro dialog: the bound macro preselected, the repeat, left
// button and colour choices, and what a choice writes into a button.
#include <gtest/gtest.h>

#include "macro_page_fixture.h"

namespace mouse {
namespace {

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
