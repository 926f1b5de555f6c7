// The recoil-preset page inside the real main window, driven through its
// controls: folders and presets chosen, counts picked, values typed and
// stepped with the arrows, names given through the name dialog, deletions
// confirmed through the message box, the menus, and files exchanged through
// the file-dialog seam. What the page saved is read back from gun.bin.
#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "app/main_wnd.h"
#include "app_test_util.h"
#include "device/protocol.h"
#include "ui/ui.h"

namespace mouse {
namespace {

using test::WaitFor;

GunRecord Folder(const char16_t* name) {
    GunRecord r;
    std::memset(&r, 0, sizeof r);
    WriteText(r.folderName, name);
    r.isFolder = 1;
    return r;
}

// A preset whose row i holds x = i + 1, y = 2 * (i + 1), delay 20 + i.
GunRecord Gun(const char16_t* folder, const char16_t* name, int count = 30) {
    GunRecord r;
    std::memset(&r, 0, sizeof r);
    WriteText(r.folderName, folder);
    WriteText(r.gunName, name);
    r.bulletCount = uint8_t(count);
    for (int i = 0; i < kMaxBullets; ++i) {
        r.bullets[i] = BulletRow{i + 1, 2 * (i + 1), 0, uint16_t(20 + i)};
    }
    return r;
}

class GunPageTest : public test::MainWndTest {
protected:
    void WriteGuns(const std::vector<GunRecord>& guns) { WriteStore("gun.bin", guns); }
    // gun.bin as the page saved it, once every queued save is written.
    std::vector<GunRecord> SavedGuns() {
        const QByteArray bytes = SavedStore("gun.bin");
        EXPECT_EQ(bytes.size() % qsizetype(sizeof(GunRecord)), 0);
        std::vector<GunRecord> out(size_t(bytes.size()) / sizeof(GunRecord));
        if (!out.empty()) {
            std::memcpy(out.data(), bytes.data(), out.size() * sizeof(GunRecord));
        }
        return out;
    }
    QByteArray GunFile() { return SavedStore("gun.bin"); }
    // The main window, shown, on the recoil tab.
    void Open() { OpenOn("gun_btn"); }

    CComboUI* Folders() { return Find<CComboUI>("gun_combo"); }
    CListUI* List() { return Find<CListUI>("gun_list"); }
    CComboUI* Count() { return Find<CComboUI>("zidan_combo"); }
    CEditUI* Edit(const char* field, int row) {
        return Find<CEditUI>(QString("edit_zidan_%1_%2").arg(field).arg(row));
    }
    void Click(const QString& name) { Find<CButtonUI>(name)->Activate(); }
    void Arrow(const char* which, int row) {
        Click(QString("zidan_%1_btn_%2").arg(which).arg(row));
    }
    const CGunPage& Page() { return wnd->GunPage(); }
    GunRecord& Record(int position) { return *wnd->GetStores().guns.at(size_t(position)); }
    // Rows 1-30 that are shown.
    int ShownRows() {
        int shown = 0;
        for (int r = 1; r <= kMaxBullets; ++r) {
            if (Find(QString("ver_zidan_num_%1").arg(r))->IsVisible()) {
                EXPECT_EQ(shown, r - 1) << "row " << r << " shown after a hidden one";
                ++shown;
            }
        }
        return shown;
    }
    // Types into a row edit and leaves it, as the tab key does.
    void TypeAndLeave(const char* field, int row, const QString& text) {
        CEditUI* edit = Edit(field, row);
        edit->SetFocus();
        edit->TypeText(text);
        Edit("delay", 30)->SetFocus();
        QCoreApplication::processEvents();
    }
};

TEST_F(GunPageTest, FoldersAndTheirPresetsShowInLibraryOrder) {
    WriteGuns({Folder(u"Rifles"), Folder(u"Pistols"), Gun(u"Rifles", u"AK"), Gun(u"Pistols", u"P1"),
               Gun(u"rifles", u"M4")});
    Open();
    EXPECT_EQ(Items(Folders()), (QStringList{"Rifles", "Pistols"}));
    EXPECT_EQ(Folders()->GetCurSel(), 0);
    EXPECT_EQ(Items(List()), (QStringList{"AK", "M4"}));
    EXPECT_EQ(Page().ShownPositions(), (std::vector<int>{2, 4}));
    // Until a preset is chosen the editor is empty.
    EXPECT_EQ(Page().CurrentItem(), nullptr);
    EXPECT_EQ(ShownRows(), 0);
    EXPECT_EQ(Count()->GetCurSel(), -1);
    EXPECT_EQ(Find<CEditUI>("edit_gun_name")->GetText(), "");

    List()->SelectItem(1);
    EXPECT_EQ(Page().CurrentItem(), &Record(4));
    EXPECT_EQ(ShownRows(), 30);

    // Another folder empties the editor and lists its presets.
    Folders()->SelectItem(1);
    EXPECT_EQ(Items(List()), QStringList{"P1"});
    EXPECT_EQ(Page().CurrentItem(), nullptr);
    EXPECT_EQ(ShownRows(), 0);
    for (int r = 1; r <= kMaxBullets; ++r) {
        EXPECT_EQ(Edit("x", r)->GetText(), "0");
        EXPECT_EQ(Edit("y", r)->GetText(), "0");
        EXPECT_EQ(Edit("delay", r)->GetText(), "10");
    }
}

TEST_F(GunPageTest, APresetShowsItsCountRowsNameAndPattern) {
    WriteGuns({Folder(u"F"), Gun(u"F", u"Short", 5)});
    Open();
    List()->SelectItem(0);
    EXPECT_EQ(ShownRows(), 5);
    EXPECT_EQ(Count()->GetCurSel(), 4);
    EXPECT_EQ(Find<CEditUI>("edit_gun_name")->GetText(), "Short");
    // Every row shows the record's values, hidden ones too.
    for (int r = 1; r <= kMaxBullets; ++r) {
        EXPECT_EQ(Edit("x", r)->GetText(), QString::number(r));
        EXPECT_EQ(Edit("y", r)->GetText(), QString::number(2 * r));
        EXPECT_EQ(Edit("delay", r)->GetText(), QString::number(19 + r));
    }
    // The plot draws the bullets in use.
    auto* plot = Find<CPatternPlotUI>("gun_pattern_plot");
    EXPECT_EQ(plot->GetSteps(), (std::vector<QPoint>{{1, 2}, {2, 4}, {3, 6}, {4, 8}, {5, 10}}));
}

TEST_F(GunPageTest, TwelveBulletsHideTheRestAndKeepTheirValues) {
    WriteGuns({Folder(u"F"), Gun(u"F", u"AK")});
    Open();
    List()->SelectItem(0);
    Count()->SelectItem(11);  // "12"
    EXPECT_EQ(ShownRows(), 12);
    EXPECT_EQ(Record(1).bulletCount, 12);
    EXPECT_EQ(Find<CPatternPlotUI>("gun_pattern_plot")->GetSteps().size(), 12u);
    const std::vector<GunRecord> saved = SavedGuns();
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[1].bulletCount, 12);
    const GunRecord original = Gun(u"F", u"AK");
    EXPECT_EQ(std::memcmp(saved[1].bullets, original.bullets, sizeof original.bullets), 0)
        << "rows 13-30 keep their values";
    // Back to 30: the kept rows show again as they were.
    Count()->SelectItem(29);
    EXPECT_EQ(ShownRows(), 30);
    EXPECT_EQ(Edit("x", 30)->GetText(), "30");
}

TEST_F(GunPageTest, TypedValuesAreLimitedWhileTypingAndClampedWhenLeft) {
    struct Case {
        const char* field;
        const char* typed;
        const char* whileTyping;  // what the edit shows at once
        int stored;
    };
    const Case cases[] = {
        {"x", "200", "127", 127},    {"x", "-300", "-127", -127},
        {"y", "128", "127", 127},    {"y", "-128", "-127", -127},
        {"x", "-127", "-127", -127}, {"y", " -7", " -7", -7},
        {"x", "12abc", "12abc", 12}, {"y", "abc", "abc", 0},
        {"delay", "5", "5", 10},     {"delay", "2000", "2000", 1270},
        {"delay", "", "", 10},       {"delay", "1270", "1270", 1270},
        {"delay", "+15", "+15", 15},
    };
    WriteGuns({Folder(u"F"), Gun(u"F", u"AK")});
    Open();
    List()->SelectItem(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.field << " '" << c.typed << "'");
        CEditUI* edit = Edit(c.field, 4);
        edit->SetFocus();
        edit->TypeText(c.typed);
        EXPECT_EQ(edit->GetText(), c.whileTyping);
        Edit("delay", 1)->SetFocus();
        QCoreApplication::processEvents();
        const BulletRow& row = Record(1).bullets[3];
        const int stored = QString(c.field) == "x"   ? row.x
                           : QString(c.field) == "y" ? row.y
                                                     : row.delay;
        EXPECT_EQ(stored, c.stored);
        EXPECT_EQ(edit->GetText(), QString::number(c.stored));
    }
    const std::vector<GunRecord> saved = SavedGuns();
    EXPECT_EQ(saved[1].bullets[3].delay, 15);
    EXPECT_EQ(saved[1].bullets[3].x, 12);
    EXPECT_EQ(saved[1].bullets[3].y, 0);
}

TEST_F(GunPageTest, ArrowsStepByOneAndStopAtTheTypedValueLimits) {
    struct Case {
        const char* button;  // zidan_<button>_btn_3
        int start;
        int expected;
    };
    // x runs the other way: its down arrow adds one.
    const Case cases[] = {
        {"x_down", 0, 1},
        {"x_up", 0, -1},
        {"y_up", 0, 1},
        {"y_down", 0, -1},
        {"delay_up", 10, 11},
        {"delay_down", 11, 10},
        {"x_down", 127, 127},
        {"x_up", -127, -127},
        {"y_up", 127, 127},
        {"y_down", -127, -127},
        {"delay_up", 1270, 1270},
        {"delay_down", 10, 10},
        // A value from outside the range (an imported file) comes back into it.
        {"delay_down", 1, 10},
        {"x_up", 300, 127},
        {"y_down", -200, -127},
    };
    WriteGuns({Folder(u"F"), Gun(u"F", u"AK")});
    Open();
    List()->SelectItem(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.button << " from " << c.start);
        const QString which = QString(c.button).section('_', 0, 0);
        Edit(which.toLatin1().constData(), 3)->SetText(QString::number(c.start));
        Arrow(c.button, 3);
        const BulletRow& row = Record(1).bullets[2];
        const int stored = which == "x" ? row.x : which == "y" ? row.y : row.delay;
        EXPECT_EQ(stored, c.expected);
        EXPECT_EQ(Edit(which.toLatin1().constData(), 3)->GetText(), QString::number(c.expected));
    }
    // Each step is saved and drawn.
    EXPECT_EQ(SavedGuns()[1].bullets[2].y, -127);
    EXPECT_EQ(Find<CPatternPlotUI>("gun_pattern_plot")->GetSteps()[2], QPoint(127, -127));
}

TEST_F(GunPageTest, EditsWithoutAPresetChangeOnlyTheEdit) {
    WriteGuns({Folder(u"F"), Gun(u"F", u"AK")});
    Open();
    const QByteArray before = GunFile();
    Arrow("x_down", 1);
    TypeAndLeave("y", 2, "50");
    Count()->SelectItem(4);
    EXPECT_EQ(Edit("x", 1)->GetText(), "1");
    EXPECT_EQ(Edit("y", 2)->GetText(), "50");
    EXPECT_EQ(Page().WorkingRow(0).x, 1);
    EXPECT_EQ(GunFile(), before) << "nothing is saved without a preset";
    EXPECT_EQ(Record(1).bullets[0].x, 1) << "the library keeps its own values";
}

TEST_F(GunPageTest, EditsReachTheButtonsBoundToThePreset) {
    WriteGuns({Folder(u"F"), Gun(u"F", u"AK")});
    Open();
    ButtonEntry& bound = wnd->CurrentProfile().buttons[2];
    bound.functionId = uint8_t(fn::kRecoil);
    bound.gunIndex = 1;
    List()->SelectItem(0);
    TypeAndLeave("x", 1, "-40");
    EXPECT_EQ(bound.gunData[0].x, -40);
    Count()->SelectItem(7);
    EXPECT_EQ(bound.bindingCount, 8);
}

TEST_F(GunPageTest, TabMovesAlongARowAndDownTheTableScrollingAsItGoes) {
    WriteGuns({Folder(u"F"), Gun(u"F", u"AK")});
    Open();
    List()->SelectItem(0);
    QCoreApplication::processEvents();  // the shown rows are laid out
    Edit("delay", 1)->SetFocus();
    ASSERT_TRUE(Edit("delay", 1)->IsFocused());
    auto* scroll = qobject_cast<QScrollArea*>(Find("zidan_scroll")->GetWidget());
    ASSERT_NE(scroll, nullptr);
    const char* const order[] = {"x", "y", "delay"};
    for (int r = 1; r <= kMaxBullets; ++r) {
        for (int f = 0; f < 3; ++f) {
            const int row = f == 2 ? r + 1 : r;
            if (row > kMaxBullets) {
                break;
            }
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            CEditUI* expected = Edit(order[f], row);
            ASSERT_TRUE(expected->IsFocused()) << "row " << row << " " << order[f];
            // The focused row is scrolled into view.
            QWidget* w = expected->GetWidget();
            const QRect inView(w->mapTo(scroll->viewport(), QPoint(0, 0)), w->size());
            EXPECT_TRUE(scroll->viewport()->rect().contains(inView)) << "row " << row;
        }
    }
}

}  // namespace
}  // namespace mouse
