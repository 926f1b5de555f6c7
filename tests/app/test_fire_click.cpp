// The fire-click dialog on its own: its fields, their clamping when they
// lose the focus, and its results, answered through the modal seam.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QWidget>

#include <functional>

#include "buttons/fire_click_wnd.h"
#include "ui/ui.h"

namespace mouse {
namespace {

class FireClickTest : public ::testing::Test {
protected:
    void SetUp() override {
        ModalSeam::Clear();
        CPaintManagerUI::SetResourcePath(MOUSE_APP_DIR "/res/");
        CPaintManagerUI::ClearErrors();
    }
    void TearDown() override { ModalSeam::Clear(); }

    // Runs the dialog modally; `user` acts on the shown window, then the
    // button named `button` is clicked. Returns the modal result.
    static int Run(CFireClickWnd& dlg, const std::function<void(CFireClickWnd&)>& user,
                   const char* button) {
        if (!dlg.Create(nullptr)) {
            return -1;
        }
        dlg.CenterWindow();
        ModalSeam::Answer(-1, [&](WindowImplBase& w) {
            w.ShowWindow(true);
            QCoreApplication::processEvents();
            user(dlg);
            w.FindControl<CButtonUI>(button)->Activate();
        });
        return dlg.ShowModal();
    }
    // Types into a field and moves the focus on, as leaving it with the
    // mouse or the tab key does.
    static void TypeAndLeave(CFireClickWnd& dlg, const char* field, const QString& text) {
        auto* edit = dlg.FindControl<CEditUI>(field);
        auto* other =
            dlg.FindControl<CEditUI>(QString(field) == "edit_time" ? "edit_delay" : "edit_time");
        edit->SetFocus();
        edit->TypeText(text);
        other->SetFocus();
        QCoreApplication::processEvents();
    }
};

TEST_F(FireClickTest, ShowsTheCallersValues) {
    CFireClickWnd dlg;
    dlg.SetCount(5);
    dlg.SetDelay(40);
    ASSERT_TRUE(dlg.Create(nullptr)) << CPaintManagerUI::GetErrors().join("\n").toStdString();
    EXPECT_EQ(dlg.FindControl<CEditUI>("edit_time")->GetText(), "5");
    EXPECT_EQ(dlg.FindControl<CEditUI>("edit_delay")->GetText(), "40");
    EXPECT_TRUE(CPaintManagerUI::GetErrors().isEmpty());
}

TEST_F(FireClickTest, TheDelayShowsItsUnitBesideTheField) {
    ASSERT_TRUE(CResourceManager::GetInstance()->LoadLanguage());
    CFireClickWnd dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    auto* unit = dlg.FindControl<CLabelUI>("label_fire_delay_unit");
    const QRect field = dlg.FindControl<CEditUI>("edit_delay")->GetPos();
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->GetText(), "ms");
    EXPECT_EQ(unit->GetPos().center().y(), field.center().y());
    EXPECT_GT(unit->GetPos().left(), field.right());
    EXPECT_LE(unit->GetWidget()->sizeHint().width(), unit->GetPos().width());
    EXPECT_LE(unit->GetPos().right(), dlg.GetHostWidget()->width());
}

TEST_F(FireClickTest, AFieldIsClampedWhenItLosesTheFocus) {
    struct Case {
        const char* field;
        const char* typed;
        const char* shown;  // text afterwards
        int count, delay;   // values afterwards (from 3 and 20)
    };
    const Case cases[] = {
        {"edit_delay", "0", "1", 3, 1},          {"edit_delay", "-4", "1", 3, 1},
        {"edit_delay", "1", "1", 3, 1},          {"edit_delay", "254", "254", 3, 254},
        {"edit_delay", "999", "255", 3, 255},    {"edit_time", "300", "255", 255, 20},
        {"edit_time", "255", "255", 255, 20},    {"edit_time", "abc", "0", 0, 20},
        {"edit_time", "-1", "0", 0, 20},         {"edit_time", "7", "7", 7, 20},
        {"edit_time", "12abc", "12abc", 12, 20}, {"edit_time", "999999", "255", 255, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " <- " + c.typed);
        CFireClickWnd dlg;
        dlg.SetCount(3);
        dlg.SetDelay(20);
        QString shown;
        const int result = Run(
            dlg,
            [&](CFireClickWnd& d) {
                TypeAndLeave(d, c.field, c.typed);
                shown = d.FindControl<CEditUI>(c.field)->GetText();
            },
            "ok_btn");
        EXPECT_EQ(result, 1);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(dlg.GetCount(), c.count);
        EXPECT_EQ(dlg.GetDelay(), c.delay);
    }
}

TEST_F(FireClickTest, TypingWithoutLeavingTheFieldChangesNothing) {
    CFireClickWnd dlg;
    dlg.SetCount(3);
    dlg.SetDelay(20);
    const int result = Run(
        dlg,
        [](CFireClickWnd& d) {
            d.FindControl<CEditUI>("edit_time")->TypeText("9");
            d.FindControl<CEditUI>("edit_delay")->TypeText("9");
        },
        "ok_btn");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(dlg.GetCount(), 3);
    EXPECT_EQ(dlg.GetDelay(), 20);
}

TEST_F(FireClickTest, CancelAndCloseEndWithZero) {
    for (const char* button : {"cancel_btn", "exit_btn"}) {
        SCOPED_TRACE(button);
        CFireClickWnd dlg;
        const int result = Run(
            dlg, [](CFireClickWnd& d) { TypeAndLeave(d, "edit_time", "50"); }, button);
        EXPECT_EQ(result, 0);
    }
    EXPECT_EQ(ModalSeam::Answered(), (QStringList{"FireClickWnd", "FireClickWnd"}));
}

}  // namespace
}  // namespace mouse
