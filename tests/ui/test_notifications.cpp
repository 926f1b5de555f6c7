// Routing of notifications and the events each control produces.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QEnterEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "tests/ui/ui_test_util.h"

namespace mouse::test {
namespace {

class NotifyTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ASSERT_TRUE(wnd.Create(nullptr));
        wnd.AddVirtualWnd(QStringLiteral("PageA"), &pageA);
    }
    QWidget* W(const char* name) {
        CControlUI* c = wnd.FindControl(QString::fromLatin1(name));
        return c != nullptr ? c->GetWidget() : nullptr;
    }
    TestWnd wnd;
    RecordingPage pageA;
};

struct RouteCase {
    const char* button;
    bool toPage;             // reaches PageA's pump
    const char* virtualWnd;  // name the notification carries
};

TEST_F(NotifyTest, ClickGoesToThePageOfItsVirtualWindowOrElseToTheWindow) {
    const RouteCase cases[] = {
        {"btn_a", true, "PageA"},        // directly in the page
        {"btn_a_inner", true, "PageA"},  // inherited from the page's container
        {"btn_b", false, "PageB"},       // page without a registered pump
        {"btn_outside", false, ""},
    };
    for (const RouteCase& c : cases) {
        SCOPED_TRACE(c.button);
        pageA.notes.clear();
        wnd.notes.clear();
        wnd.clicks.clear();
        QTest::mouseClick(W(c.button), Qt::LeftButton);
        if (c.toPage) {
            ASSERT_EQ(pageA.notes.size(), 1u);
            EXPECT_EQ(pageA.notes[0].type, "click");
            EXPECT_EQ(pageA.notes[0].sender, c.button);
            EXPECT_EQ(pageA.notes[0].virtualWnd, c.virtualWnd);
            EXPECT_TRUE(wnd.notes.empty());
        } else {
            EXPECT_TRUE(pageA.notes.empty());
            ASSERT_EQ(wnd.notes.size(), 1u);
            EXPECT_EQ(wnd.notes[0].virtualWnd, c.virtualWnd);
            // A click without a handler of its own reaches OnClick.
            ASSERT_EQ(wnd.clicks.size(), 1u);
            EXPECT_EQ(wnd.clicks[0], c.button);
        }
    }
}

TEST_F(NotifyTest, RemovedPageNoLongerReceives) {
    ASSERT_TRUE(wnd.RemoveVirtualWnd(QStringLiteral("PageA")));
    QTest::mouseClick(W("btn_a"), Qt::LeftButton);
    EXPECT_TRUE(pageA.notes.empty());
    ASSERT_EQ(wnd.clicks.size(), 1u);
}

TEST_F(NotifyTest, WindowHandlerMapTakesPrecedenceOverOnClick) {
    int mapped = 0;
    wnd.OnNotify(QStringLiteral("click"), [&](TNotifyUI& m) {
        EXPECT_EQ(m.pSender->GetName(), QStringLiteral("btn_outside"));
        ++mapped;
    });
    QTest::mouseClick(W("btn_outside"), Qt::LeftButton);
    EXPECT_EQ(mapped, 1);
    EXPECT_TRUE(wnd.clicks.empty());
}

TEST_F(NotifyTest, OptionGroupSendsClickThenSelectChangedForTheNewOneOnly) {
    QTest::mouseClick(W("opt_2"), Qt::LeftButton);
    ASSERT_EQ(wnd.notes.size(), 2u);
    EXPECT_EQ(wnd.notes[0].type, "click");
    EXPECT_EQ(wnd.notes[1].type, "selectchanged");
    EXPECT_EQ(wnd.notes[1].sender, "opt_2");
    EXPECT_EQ(wnd.notes[1].wParam, 1u);

    wnd.notes.clear();
    QTest::mouseClick(W("opt_3"), Qt::LeftButton);
    auto* opt2 = wnd.FindControl<COptionUI>(QStringLiteral("opt_2"));
    auto* opt3 = wnd.FindControl<COptionUI>(QStringLiteral("opt_3"));
    EXPECT_FALSE(opt2->IsSelected());
    EXPECT_TRUE(opt3->IsSelected());
    ASSERT_EQ(wnd.Of("selectchanged").size(), 1u);
    EXPECT_EQ(wnd.Of("selectchanged")[0].sender, "opt_3");

    // Clicking the selected option again changes nothing.
    wnd.notes.clear();
    QTest::mouseClick(W("opt_3"), Qt::LeftButton);
    EXPECT_TRUE(wnd.Of("selectchanged").empty());
    EXPECT_TRUE(opt3->IsSelected());
}

TEST_F(NotifyTest, SelectedFromCodeNotifiesOnlyWhenAskedAndOnlyOnChange) {
    auto* opt1 = wnd.FindControl<COptionUI>(QStringLiteral("opt_1"));
    auto* opt2 = wnd.FindControl<COptionUI>(QStringLiteral("opt_2"));
    opt1->Selected(true, false);
    EXPECT_TRUE(wnd.notes.empty());
    opt2->Selected(true, true);
    ASSERT_EQ(wnd.notes.size(), 1u);
    EXPECT_EQ(wnd.notes[0].type, "selectchanged");
    EXPECT_EQ(wnd.notes[0].sender, "opt_2");
    EXPECT_FALSE(opt1->IsSelected());
    opt2->Selected(true, true);  // no change
    EXPECT_EQ(wnd.notes.size(), 1u);
    // A grouped option can be cleared from code.
    opt2->Selected(false, false);
    EXPECT_FALSE(opt2->IsSelected());

    // An option without a group reports both directions.
    wnd.notes.clear();
    QTest::mouseClick(W("opt_free"), Qt::LeftButton);
    QTest::mouseClick(W("opt_free"), Qt::LeftButton);
    const auto changes = wnd.Of("selectchanged");
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].wParam, 1u);
    EXPECT_EQ(changes[1].wParam, 0u);
}

TEST_F(NotifyTest, CheckBoxSendsCheckClickWithItsState) {
    auto* box = wnd.FindControl<CCheckBoxUI>(QStringLiteral("check_1"));
    ASSERT_NE(box, nullptr);
    QTest::mouseClick(W("check_1"), Qt::LeftButton);
    QTest::mouseClick(W("check_1"), Qt::LeftButton);
    const auto checks = wnd.Of("checkclick");
    ASSERT_EQ(checks.size(), 2u);
    EXPECT_EQ(checks[0].wParam, 1u);
    EXPECT_EQ(checks[1].wParam, 0u);
    box->SetCheck(true);  // from code: silent by default
    EXPECT_EQ(wnd.Of("checkclick").size(), 2u);
    EXPECT_TRUE(box->GetCheck());
    box->SetCheck(false, true);
    EXPECT_EQ(wnd.Of("checkclick").size(), 3u);

    // A push button marked "checkbox" in the skin is a check box.
    auto* record = wnd.FindControl<CCheckBoxUI>(QStringLiteral("btn_record"));
    ASSERT_NE(record, nullptr);
    wnd.notes.clear();
    QTest::mouseClick(W("btn_record"), Qt::LeftButton);
    ASSERT_EQ(wnd.notes.size(), 1u);
    EXPECT_EQ(wnd.notes[0].type, "checkclick");
    EXPECT_EQ(wnd.notes[0].wParam, 1u);
    EXPECT_TRUE(record->GetCheck());
}

TEST_F(NotifyTest, EditSendsTextChangedForTypingOnly) {
    auto* edit = wnd.FindControl<CEditUI>(QStringLiteral("edit_1"));
    QTest::keyClicks(W("edit_1"), QStringLiteral("42"));
    EXPECT_EQ(wnd.Of("textchanged").size(), 2u);
    EXPECT_EQ(edit->GetText(), QStringLiteral("42"));
    edit->SetText(QStringLiteral("7"));
    EXPECT_EQ(wnd.Of("textchanged").size(), 2u);
    EXPECT_EQ(edit->GetText(), QStringLiteral("7"));
}

TEST_F(NotifyTest, EnterInAnEditSendsReturn) {
    QTest::keyClicks(W("edit_1"), QStringLiteral("ab"));
    EXPECT_TRUE(wnd.Of("return").empty());
    QTest::keyClick(W("edit_1"), Qt::Key_Return);
    QTest::keyClick(W("edit_1"), Qt::Key_Enter);
    const auto returns = wnd.Of("return");
    ASSERT_EQ(returns.size(), 2u);
    EXPECT_EQ(returns[0].sender, "edit_1");
}

TEST_F(NotifyTest, SetPosPlacesAControlInWindowCoordinates) {
    // btn_a_inner sits two containers deep; SetPos takes what GetPos gives.
    CControlUI* inner = wnd.FindControl(QStringLiteral("btn_a_inner"));
    ASSERT_NE(inner, nullptr);
    const QRect before = inner->GetPos();
    const QRect target = before.translated(13, 7).adjusted(0, 0, 5, 2);
    inner->SetPos(target);
    EXPECT_EQ(inner->GetPos(), target);
    CControlUI* top = wnd.FindControl(QStringLiteral("btn_outside"));
    ASSERT_NE(top, nullptr);
    top->SetPos(QRect(3, 4, 50, 20));
    EXPECT_EQ(top->GetPos(), QRect(3, 4, 50, 20));
}

TEST_F(NotifyTest, SliderSendsMoveValueWhileDraggingAndValueOnRelease) {
    auto* slider = qobject_cast<QSlider*>(W("slider_1"));
    ASSERT_NE(slider, nullptr);
    slider->setSliderDown(true);
    slider->setSliderPosition(30);
    slider->setSliderPosition(35);
    slider->setSliderDown(false);
    ASSERT_EQ(wnd.Of("movevaluechanged").size(), 2u);
    EXPECT_EQ(wnd.Of("movevaluechanged")[1].wParam, 35u);
    ASSERT_EQ(wnd.Of("valuechanged").size(), 1u);
    EXPECT_EQ(wnd.Of("valuechanged")[0].wParam, 35u);

    // A keyboard step is a finished change.
    QTest::keyClick(slider, Qt::Key_Right);
    ASSERT_EQ(wnd.Of("valuechanged").size(), 2u);
    EXPECT_EQ(wnd.Of("valuechanged")[1].wParam, 36u);

    // From code: no notification; range setters work.
    auto* s = wnd.FindControl<CSliderUI>(QStringLiteral("slider_1"));
    s->SetMinValue(10);
    s->SetMaxValue(20);
    s->SetValue(50);
    EXPECT_EQ(s->GetValue(), 20);
    EXPECT_EQ(s->GetMinValue(), 10);
    EXPECT_EQ(wnd.Of("valuechanged").size(), 2u);

    // The wrapper's own drag acts like the user's, within the range.
    s->Drag(12);
    s->Drag(99);
    ASSERT_EQ(wnd.Of("movevaluechanged").size(), 4u);
    EXPECT_EQ(wnd.Of("movevaluechanged")[3].wParam, 20u);
    EXPECT_EQ(wnd.Of("valuechanged").size(), 2u) << "nothing is final while the handle is held";
    s->Release();
    ASSERT_EQ(wnd.Of("valuechanged").size(), 3u);
    EXPECT_EQ(wnd.Of("valuechanged")[2].wParam, 20u);
    s->Release();
    EXPECT_EQ(wnd.Of("valuechanged").size(), 3u) << "a second release is no release";
}

TEST_F(NotifyTest, ComboItemSelectCarriesNewAndOldIndex) {
    auto* combo = wnd.FindControl<CComboUI>(QStringLiteral("combo_1"));
    for (const char* t : {"one", "two", "three"}) {
        combo->AddItem(QString::fromLatin1(t), 25);
    }
    EXPECT_EQ(combo->GetCurSel(), -1);  // adding selects nothing
    EXPECT_TRUE(combo->SelectItem(0));
    ASSERT_EQ(wnd.Of("itemselect").size(), 1u);
    EXPECT_EQ(wnd.Of("itemselect")[0].wParam, 0u);
    EXPECT_EQ(wnd.Of("itemselect")[0].lParam, -1);

    // The user picks the next item with the keyboard.
    QTest::keyClick(W("combo_1"), Qt::Key_Down);
    ASSERT_EQ(wnd.Of("itemselect").size(), 2u);
    EXPECT_EQ(wnd.Of("itemselect")[1].wParam, 1u);
    EXPECT_EQ(wnd.Of("itemselect")[1].lParam, 0);
    EXPECT_EQ(combo->GetText(), QStringLiteral("two"));

    EXPECT_TRUE(combo->SelectItem(2, false));
    EXPECT_EQ(wnd.Of("itemselect").size(), 2u);
    EXPECT_TRUE(combo->SelectItem(-1));  // clears, shows no text, no notification
    EXPECT_EQ(combo->GetText(), QString());
    EXPECT_EQ(wnd.Of("itemselect").size(), 2u);
    EXPECT_FALSE(combo->SelectItem(3));
}

TEST_F(NotifyTest, ListClickSendsItemSelect) {
    auto* list = wnd.FindControl<CListUI>(QStringLiteral("list_1"));
    for (const char* t : {"a", "b", "c"}) {
        list->AddItem(QString::fromLatin1(t), 30);
    }
    auto* view = qobject_cast<QListWidget*>(W("list_1"));
    wnd.ShowWindow();
    const QRect second = view->visualItemRect(view->item(1));
    EXPECT_EQ(second.height(), 30);  // the fixed item height
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, second.center());
    ASSERT_EQ(wnd.Of("itemselect").size(), 1u);
    EXPECT_EQ(wnd.Of("itemselect")[0].wParam, 1u);
    EXPECT_EQ(wnd.Of("itemselect")[0].sender, "list_1");
    EXPECT_EQ(list->GetCurSel(), 1);
}

struct RemoveCase {
    int selected;
    int removed;
    int expectSel;      // selection afterwards
    bool expectNotify;  // an itemselect for the new selection
};

TEST_F(NotifyTest, RemovingTheSelectedItemSelectsItsSuccessor) {
    const RemoveCase cases[] = {
        {1, 1, 1, true},   // the next item takes its place
        {2, 2, 1, true},   // the last one: the new last item
        {2, 0, 1, false},  // another item: the selection follows its item
        {-1, 0, -1, false},
    };
    for (const RemoveCase& c : cases) {
        SCOPED_TRACE(c.selected * 10 + c.removed);
        for (CItemsUI* items : std::initializer_list<CItemsUI*>{
                 wnd.FindControl<CListUI>(QStringLiteral("list_1")),
                 wnd.FindControl<CComboUI>(QStringLiteral("combo_1"))}) {
            items->RemoveAll();
            for (const char* t : {"a", "b", "c"}) {
                items->AddItem(QString::fromLatin1(t));
            }
            items->SelectItem(c.selected, false);
            wnd.notes.clear();
            ASSERT_TRUE(items->RemoveAt(c.removed));
            EXPECT_EQ(items->GetCount(), 2);
            EXPECT_EQ(items->GetCurSel(), c.expectSel);
            EXPECT_EQ(wnd.Of("itemselect").size(), c.expectNotify ? 1u : 0u);
            if (c.expectNotify) {
                EXPECT_EQ(wnd.Of("itemselect")[0].wParam, static_cast<WPARAM>(c.expectSel));
            }
        }
    }
}

TEST_F(NotifyTest, InsertAndItemTextKeepOrder) {
    auto* list = wnd.FindControl<CListUI>(QStringLiteral("list_1"));
    list->AddItem(QStringLiteral("a"));
    list->AddItem(QStringLiteral("c"));
    list->SelectItem(1, false);
    ASSERT_TRUE(list->InsertItem(1, QStringLiteral("b")));
    EXPECT_EQ(list->GetItemText(1), QStringLiteral("b"));
    EXPECT_EQ(list->GetCurSel(), 2);  // still on "c"
    ASSERT_TRUE(list->SetItemText(0, QStringLiteral("A")));
    EXPECT_EQ(list->GetItemText(0), QStringLiteral("A"));
    EXPECT_FALSE(list->InsertItem(5, QStringLiteral("x")));
    EXPECT_FALSE(list->RemoveAt(3));
}

TEST_F(NotifyTest, FocusAndHoverNotifications) {
    wnd.ShowWindow();
    QApplication::setActiveWindow(wnd.GetHostWidget());
    auto* edit = wnd.FindControl<CEditUI>(QStringLiteral("edit_1"));
    edit->SetFocus();
    ASSERT_TRUE(edit->IsFocused());
    wnd.notes.clear();  // showing the window may have focused another control
    wnd.FindControl(QStringLiteral("btn_outside"))->SetFocus();
    edit->SetFocus();
    const auto gained = wnd.Of("setfocus");
    const auto lost = wnd.Of("killfocus");
    ASSERT_EQ(gained.size(), 2u);
    ASSERT_EQ(lost.size(), 2u);
    EXPECT_EQ(lost[0].sender, "edit_1");
    EXPECT_EQ(gained[0].sender, "btn_outside");
    EXPECT_EQ(lost[1].sender, "btn_outside");
    EXPECT_EQ(gained[1].sender, "edit_1");

    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(W("btn_outside"), &enter);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(W("btn_outside"), &leave);
    ASSERT_EQ(wnd.Of("mouseenter").size(), 1u);
    ASSERT_EQ(wnd.Of("mouseleave").size(), 1u);
    EXPECT_EQ(wnd.Of("mouseenter")[0].sender, "btn_outside");
    // Labels and containers stay quiet.
    QCoreApplication::sendEvent(W("label_outside"), &enter);
    EXPECT_EQ(wnd.Of("mouseenter").size(), 1u);
}

TEST_F(NotifyTest, PaletteSendsColoursWhileDraggingAndOnRelease) {
    QWidget* palette = W("palette_1");
    auto* control = wnd.FindControl<CColorPaletteUI>(QStringLiteral("palette_1"));
    ASSERT_NE(control, nullptr);
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, palette->mapToGlobal(at), Qt::LeftButton, buttons, {});
        QCoreApplication::sendEvent(palette, &e);
    };
    send(QEvent::MouseButtonPress, QPoint(5, 10), Qt::LeftButton);
    send(QEvent::MouseMove, QPoint(60, 10), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, QPoint(100, 10), Qt::NoButton);
    const auto moves = wnd.Of("colorchanged");
    const auto ups = wnd.Of("colorchangedbuttonup");
    ASSERT_EQ(moves.size(), 2u);
    ASSERT_EQ(ups.size(), 1u);
    for (const Note& n : {moves[0], moves[1], ups[0]}) {
        EXPECT_EQ(n.wParam >> 24, 0xFFu);
    }
    // Different places on the hue field give different colours.
    EXPECT_NE(moves[0].wParam, moves[1].wParam);
    EXPECT_NE(moves[1].wParam, ups[0].wParam);
    EXPECT_EQ(control->GetSelectColor(), static_cast<uint32_t>(ups[0].wParam));

    control->SetSelectColor(0xFF00FF00);
    EXPECT_EQ(control->GetSelectColor(), 0xFF00FF00u);
    control->SetSelectColor(0x00123456);  // alpha is always opaque
    EXPECT_EQ(control->GetSelectColor(), 0xFF123456u);
}

TEST_F(NotifyTest, APickOnTheFieldOfABlackPaletteGivesAColour) {
    QWidget* palette = W("palette_1");
    auto* control = wnd.FindControl<CColorPaletteUI>(QStringLiteral("palette_1"));
    ASSERT_NE(control, nullptr);
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, palette->mapToGlobal(at), Qt::LeftButton, buttons, {});
        QCoreApplication::sendEvent(palette, &e);
    };
    control->SetSelectColor(0xFF000000);
    send(QEvent::MouseButtonPress, QPoint(1, 1), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, QPoint(1, 1), Qt::NoButton);
    const uint32_t picked = control->GetSelectColor();
    // Near the top left of the field: a saturated red at full brightness.
    EXPECT_GE((picked >> 16) & 0xFF, 250u);
    EXPECT_LE(picked & 0xFFFF, 0x4040u);

    // A dark colour that is not black keeps its brightness.
    control->SetSelectColor(0xFF400000);
    send(QEvent::MouseButtonPress, QPoint(1, 1), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, QPoint(1, 1), Qt::NoButton);
    EXPECT_LE((control->GetSelectColor() >> 16) & 0xFF, 0x41u);
}

TEST_F(NotifyTest, ControlTimersFireOnDemandWithTheirId) {
    CPaintManagerUI::SetManualTimers(true);
    CControlUI* list = wnd.FindControl(QStringLiteral("list_1"));
    CControlUI* btn = wnd.FindControl(QStringLiteral("btn_a"));
    ASSERT_TRUE(list->SetTimer(1000, 100));
    ASSERT_TRUE(btn->SetTimer(3, 50));
    EXPECT_TRUE(list->IsTimerActive(1000));
    EXPECT_EQ(wnd.GetPaintManager()->FirePendingTimers(), 2);
    ASSERT_EQ(wnd.Of("timer").size(), 1u);  // the other one went to PageA
    EXPECT_EQ(wnd.Of("timer")[0].sender, "list_1");
    EXPECT_EQ(wnd.Of("timer")[0].wParam, 1000u);
    ASSERT_EQ(pageA.notes.size(), 1u);
    EXPECT_EQ(pageA.notes[0].wParam, 3u);

    list->KillTimer(1000);
    EXPECT_FALSE(list->IsTimerActive(1000));
    EXPECT_EQ(wnd.GetPaintManager()->FirePendingTimers(), 1);
    EXPECT_EQ(wnd.Of("timer").size(), 1u);
}

TEST_F(NotifyTest, RealControlTimerFires) {
    CControlUI* list = wnd.FindControl(QStringLiteral("list_1"));
    ASSERT_TRUE(list->SetTimer(7, 1));
    QTRY_VERIFY_WITH_TIMEOUT(!wnd.Of("timer").empty(), 2000);
    list->KillTimer(7);
    EXPECT_EQ(wnd.Of("timer")[0].wParam, 7u);
}

TEST_F(NotifyTest, ActivateActsLikeAUserClick) {
    wnd.FindControl<CButtonUI>(QStringLiteral("btn_outside"))->Activate();
    wnd.FindControl<COptionUI>(QStringLiteral("opt_1"))->Activate();
    ASSERT_EQ(wnd.clicks.size(), 2u);
    EXPECT_EQ(wnd.Of("selectchanged").size(), 1u);
    wnd.FindControl(QStringLiteral("btn_outside"))->SetEnabled(false);
    wnd.FindControl<CButtonUI>(QStringLiteral("btn_outside"))->Activate();
    EXPECT_EQ(wnd.clicks.size(), 2u);
}

}  // namespace
}  // namespace mouse::test

namespace mouse::test {
namespace {

// A window whose own handler must never run once its destructor has begun.
class FocusHandlerWnd : public TestWnd {
public:
    FocusHandlerWnd() { OnNotify(ev::kKillFocus, &FocusHandlerWnd::OnKillFocus); }
    ~FocusHandlerWnd() override { s_destroyed = true; }
    static inline bool s_destroyed = false;
    static inline int s_lateCalls = 0;
    int calls = 0;

private:
    void OnKillFocus(TNotifyUI&) {
        if (s_destroyed) {
            ++s_lateCalls;
        } else {
            ++calls;
        }
    }
};

TEST_F(UiTest, AWindowBeingDestroyedSendsNoNotifications) {
    FocusHandlerWnd::s_destroyed = false;
    FocusHandlerWnd::s_lateCalls = 0;
    {
        FocusHandlerWnd focused;
        ASSERT_TRUE(focused.Create(nullptr));
        focused.ShowWindow();
        QApplication::setActiveWindow(focused.GetHostWidget());
        auto* edit = focused.FindControl<CEditUI>(QStringLiteral("edit_1"));
        ASSERT_NE(edit, nullptr);
        edit->SetFocus();
        ASSERT_TRUE(edit->IsFocused());
        focused.calls = 0;  // showing the window may have moved the focus
        focused.FindControl(QStringLiteral("btn_outside"))->SetFocus();
        EXPECT_EQ(focused.calls, 1) << "the handler works while the window lives";
        edit->SetFocus();
    }
    EXPECT_TRUE(FocusHandlerWnd::s_destroyed);
    EXPECT_EQ(FocusHandlerWnd::s_lateCalls, 0);
}

}  // namespace
}  // namespace mouse::test
