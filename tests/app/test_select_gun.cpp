// The select-preset dialog as the button page runs it: the caller's values
// in, the preselection on the first timer tick, the folder and preset
// lists, the repeat options and the colour through the picker; and how a
// choice is stored in a button entry.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QWidget>

#include <cstring>
#include <memory>
#include <vector>

#include "device/protocol.h"
#include "guns/select_gun_wnd.h"
#include "macros/select_macro_wnd.h"
#include "ui/resource_manager.h"
#include "ui/ui.h"

namespace mouse {
namespace {

std::unique_ptr<GunRecord> Folder(const char16_t* name) {
    auto r = std::make_unique<GunRecord>();
    std::memset(r.get(), 0, sizeof *r);
    WriteText(r->folderName, name);
    r->isFolder = 1;
    return r;
}

std::unique_ptr<GunRecord> Gun(const char16_t* folder, const char16_t* name, int count = 30) {
    auto r = std::make_unique<GunRecord>();
    std::memset(r.get(), 0, sizeof *r);
    WriteText(r->folderName, folder);
    WriteText(r->gunName, name);
    r->bulletCount = uint8_t(count);
    for (int i = 0; i < kMaxBullets; ++i) {
        r->bullets[i] = BulletRow{i, -i, 0, uint16_t(10 + i)};
    }
    return r;
}

// Two folders whose presets are interleaved in the list, a preset whose
// folder has no folder record, and a folder named only by case.
std::vector<std::unique_ptr<GunRecord>> Library() {
    std::vector<std::unique_ptr<GunRecord>> list;
    list.push_back(Folder(u"Rifles"));       // 0
    list.push_back(Gun(u"Rifles", u"AK"));   // 1
    list.push_back(Folder(u"Pistols"));      // 2
    list.push_back(Gun(u"pistols", u"P1"));  // 3
    list.push_back(Gun(u"Rifles", u"M4"));   // 4
    list.push_back(Gun(u"Pistols", u"P2"));  // 5
    list.push_back(Gun(u"Gone", u"Lost"));   // 6
    list.push_back(Gun(u"PISTOLS", u"P3"));  // 7
    return list;
}

class SelectGunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ModalSeam::Clear();
        CPaintManagerUI::SetResourcePath(QStringLiteral(MOUSE_SOURCE_DIR "/res/"));
        CPaintManagerUI::ClearErrors();
        CPaintManagerUI::SetManualTimers(true);
    }
    void TearDown() override {
        CPaintManagerUI::SetManualTimers(false);
        ModalSeam::Clear();
        EXPECT_TRUE(CPaintManagerUI::GetErrors().isEmpty())
            << CPaintManagerUI::GetErrors().join('\n').toStdString();
    }
    // A dialog for the button values, created, with its preselection started.
    std::unique_ptr<CSelectGunWnd> Open(int gunIndex, int repeat = 0, uint32_t colour = 255) {
        auto dlg = std::make_unique<CSelectGunWnd>(guns);
        dlg->SetGunIndex(gunIndex);
        dlg->SetRepeatMode(repeat);
        dlg->SetColour(colour);
        EXPECT_TRUE(dlg->Create(nullptr));
        EXPECT_TRUE(dlg->StartPreselection());
        return dlg;
    }
    static CListUI* List(CSelectGunWnd& d) { return d.FindControl<CListUI>("gun_list"); }
    static CComboUI* Combo(CSelectGunWnd& d) { return d.FindControl<CComboUI>("gun_combo"); }
    static bool FireTick(CSelectGunWnd& d) {
        return d.GetPaintManager()->FireTimer(List(d), CSelectGunWnd::kPreselectTimer);
    }
    static QStringList Items(CItemsUI* items) {
        QStringList out;
        for (int i = 0; i < items->GetCount(); ++i) {
            out << items->GetItemText(i);
        }
        return out;
    }

    std::vector<std::unique_ptr<GunRecord>> guns = Library();
};

TEST_F(SelectGunTest, FolderRecordsFillTheSelectorAndNothingIsSelectedBeforeTheTick) {
    auto dlg = Open(4);
    EXPECT_EQ(Items(Combo(*dlg)), (QStringList{"Rifles", "Pistols"}));
    EXPECT_EQ(Combo(*dlg)->GetCurSel(), -1);
    EXPECT_EQ(List(*dlg)->GetCount(), 0);
    // The tick is the caller's 100 ms timer on gun_list.
    EXPECT_TRUE(dlg->GetPaintManager()->IsTimerActive(List(*dlg), 1000));
}

TEST_F(SelectGunTest, TheFirstTickSelectsTheBoundPresetAndItsFolder) {
    struct Case {
        int gunIndex;
        int folder;        // selected item of gun_combo, -1 none
        QStringList list;  // items of gun_list
        int item;          // selected item of gun_list
    };
    const QStringList pistols{"P1", "P2", "P3"};
    const Case cases[] = {
        {7, 1, pistols, 2},       // third preset of the second folder
        {3, 1, pistols, 0},       // folder named with other letter case
        {4, 0, {"AK", "M4"}, 1},  //
        {6, -1, {}, -1},          // its folder is gone: nothing preselected
        {2, 1, pistols, -1},      // a folder record: its folder, no preset
        {-1, -1, {}, -1},         // no binding
        {8, -1, {}, -1},          // beyond the list
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gunIndex);
        auto dlg = Open(c.gunIndex);
        ASSERT_TRUE(FireTick(*dlg));
        EXPECT_EQ(Combo(*dlg)->GetCurSel(), c.folder);
        EXPECT_EQ(Items(List(*dlg)), c.list);
        EXPECT_EQ(List(*dlg)->GetCurSel(), c.item);
        EXPECT_EQ(dlg->GetGunIndex(), c.gunIndex) << "the preselection changes no output";
        // One tick only: the timer is stopped.
        EXPECT_FALSE(dlg->GetPaintManager()->IsTimerActive(List(*dlg), 1000));
    }
}

TEST_F(SelectGunTest, ChoosingAFolderAndAPresetGivesItsListPosition) {
    auto dlg = Open(-1);
    Combo(*dlg)->SelectItem(1);
    EXPECT_EQ(dlg->ShownPositions(), (std::vector<int>{3, 5, 7}));
    EXPECT_EQ(dlg->GetGunIndex(), -1) << "showing a folder chooses nothing";
    List(*dlg)->SelectItem(1);
    EXPECT_EQ(dlg->GetGunIndex(), 5);
    Combo(*dlg)->SelectItem(0);
    EXPECT_EQ(Items(List(*dlg)), (QStringList{"AK", "M4"}));
    EXPECT_EQ(dlg->GetGunIndex(), 5) << "the choice stands until another preset is chosen";
}

TEST_F(SelectGunTest, RepeatOptionsShowAndSetTheMode) {
    for (int start = 0; start < 3; ++start) {
        for (int option = 1; option <= 3; ++option) {
            SCOPED_TRACE(testing::Message() << start << " -> " << option);
            auto dlg = Open(-1, start);
            for (int n = 1; n <= 3; ++n) {
                EXPECT_EQ(dlg->FindControl<COptionUI>(QString("repeat_%1").arg(n))->IsSelected(),
                          n == start + 1);
            }
            dlg->FindControl<COptionUI>(QString("repeat_%1").arg(option))->Activate();
            EXPECT_EQ(dlg->GetRepeatMode(), option - 1);
        }
    }
}

// The repeat options of the select-preset and select-macro dialogs read the
// same: caption, option texts and tips, all from the language file.
TEST_F(SelectGunTest, RepeatOptionsReadTheSameInBothSelectDialogs) {
    ASSERT_TRUE(CResourceManager::GetInstance()->LoadLanguage());
    auto gunDlg = Open(-1);
    std::vector<std::unique_ptr<MacroRecord>> macros;
    CSelectMacroWnd macroDlg(macros);
    ASSERT_TRUE(macroDlg.Create(nullptr));
    for (const char* name : {"label_repeat", "repeat_1", "repeat_2", "repeat_3"}) {
        SCOPED_TRACE(name);
        CControlUI* gun = gunDlg->FindControl(name);
        CControlUI* macro = macroDlg.FindControl(name);
        ASSERT_NE(gun, nullptr);
        ASSERT_NE(macro, nullptr);
        EXPECT_EQ(gun->GetText(), macro->GetText());
        EXPECT_EQ(gun->GetWidget()->toolTip(), macro->GetWidget()->toolTip());
        EXPECT_TRUE(CResourceManager::GetInstance()->HasText(gun->GetTextKey()))
            << gun->GetTextKey().toStdString();
    }
}

TEST_F(SelectGunTest, ModalRunReturnsTheChoiceOnOkOnly) {
    struct Case {
        const char* button;
        int result;
    };
    for (const Case c : {Case{"ok_btn", 1}, Case{"cancel_btn", 0}, Case{"exit_btn", 0}}) {
        SCOPED_TRACE(c.button);
        auto dlg = Open(1, 0);
        ModalSeam::Answer(-1, [&](WindowImplBase& w) {
            auto& d = static_cast<CSelectGunWnd&>(w);
            FireTick(d);
            Combo(d)->SelectItem(1);
            List(d)->SelectItem(2);
            d.FindControl<COptionUI>("repeat_3")->Activate();
            d.FindControl<CButtonUI>(c.button)->Activate();
        });
        EXPECT_EQ(dlg->ShowModal(), c.result);
        EXPECT_EQ(dlg->GetGunIndex(), 7);
        EXPECT_EQ(dlg->GetRepeatMode(), 2);
    }
}

TEST_F(SelectGunTest, TheColourButtonRunsThePickerAndKeepsTheColourOnCancel) {
    auto dlg = Open(-1, 0, MakeColour(0x10, 0x20, 0x30));
    auto* button = dlg->FindControl<CButtonUI>("btn_gun_color");
    EXPECT_EQ(button->GetBkColor(), 0xFF102030u);

    uint32_t pickerStart = 0;
    auto answer = [&](const char* which) {
        ModalSeam::Answer(0, [&, which](WindowImplBase& w) {
            pickerStart = w.FindControl<CColorPaletteUI>("color_Pallet")->GetSelectColor();
            w.FindControl<CEditUI>("r_edit")->TypeText("200");
            w.FindControl<CEditUI>("g_edit")->TypeText("0");
            w.FindControl<CEditUI>("b_edit")->TypeText("7");
            w.FindControl<CButtonUI>(which)->Activate();
        });
    };
    answer("cancel_btn");
    button->Activate();
    EXPECT_EQ(pickerStart, 0xFF102030u) << "the picker opens on the button's colour";
    EXPECT_EQ(dlg->GetColour(), MakeColour(0x10, 0x20, 0x30));
    EXPECT_EQ(button->GetBkColor(), 0xFF102030u);

    answer("ok_btn");
    button->Activate();
    EXPECT_EQ(dlg->GetColour(), MakeColour(200, 0, 7));
    EXPECT_EQ(button->GetBkColor(), 0xFFC80007u);
    EXPECT_EQ(ModalSeam::Pending(), 0);
}

TEST(ApplyGunChoiceTest, StoresThePresetAndTheDialogsValuesInTheEntry) {
    auto gun = Gun(u"Rifles", u"AK", 12);
    gun->reserved202 = 3;
    ButtonEntry entry;
    std::memset(&entry, 0, sizeof entry);
    WriteText(entry.bindingName, u"A much longer name left from an earlier binding");
    entry.functionId = 22;
    entry.macroIndex = 4;
    entry.macroActions[0].code = 0x04;
    entry.fireClickCount = 9;

    ApplyGunChoice(entry, *gun, 5, 2, MakeColour(1, 2, 3));

    EXPECT_EQ(entry.functionId, fn::kRecoil);
    EXPECT_EQ(entry.gunIndex, 5);
    EXPECT_EQ(entry.repeatMode, 2);
    EXPECT_EQ(entry.bindingColour, int32_t(MakeColour(1, 2, 3)));
    EXPECT_EQ(entry.bindingCount, 12);
    EXPECT_EQ(entry.bindingLoops, 3);
    EXPECT_EQ(ReadText(entry.bindingName), u"AK");
    for (size_t i = 2; i < std::size(entry.bindingName); ++i) {
        EXPECT_EQ(entry.bindingName[i], 0) << "no rest of the old name at " << i;
    }
    EXPECT_EQ(ReadText(entry.bindingFolder), u"Rifles");
    EXPECT_EQ(std::memcmp(entry.gunData, gun->bullets, sizeof entry.gunData), 0);
    // What belongs to other functions stays.
    EXPECT_EQ(entry.macroIndex, 4);
    EXPECT_EQ(entry.macroActions[0].code, 0x04);
    EXPECT_EQ(entry.fireClickCount, 9);
}

}  // namespace
}  // namespace mouse
