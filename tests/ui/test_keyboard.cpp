// The keyboard in the layer's windows: Tab order, Return and Escape in
// dialogs, arrow keys and a resting pointer in menus; and the Qt file dialog
// over a styled window.
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <cmath>

#include "tests/ui/ui_test_util.h"

namespace mouse::test {
namespace {

// A dialog over a shipped skin that ends on its ok and cancel buttons.
class DialogWnd : public TestWnd {
public:
    using TestWnd::TestWnd;
    bool ended = false;

protected:
    void OnClick(TNotifyUI& msg) override { ended = CloseOnDialogButton(msg); }
    LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override {
        ended = ended || msg == WM_CLOSE;
        return TestWnd::HandleCustomMessage(msg, wParam, lParam, handled);
    }
};

QWidget* Focused() {
    return QApplication::focusWidget();
}

void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* to = QApplication::activePopupWidget();
    if (to == nullptr) {
        to = Focused();
    }
    ASSERT_NE(to, nullptr) << "nothing has the keyboard";
    QTest::keyClick(to, key, modifiers);
}

TEST_F(UiTest, TabGoesThroughEachPanelInReadingOrderAndShiftTabGoesBack) {
    // Two panels side by side under a combo box, written in the skin in the
    // reverse of their places.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile f(folder.filePath(QStringLiteral("tabs.xml")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0"><class>T</class>
 <widget class="QWidget" name="tabs">
  <property name="geometry"><rect><x>0</x><y>0</y><width>320</width><height>200</height></rect></property>
  <widget class="QPushButton" name="btn_bottom">
   <property name="geometry"><rect><x>10</x><y>160</y><width>80</width><height>24</height></rect></property></widget>
  <widget class="QWidget" name="panel_right">
   <property name="geometry"><rect><x>170</x><y>40</y><width>140</width><height>100</height></rect></property>
   <widget class="QPushButton" name="btn_r2">
    <property name="geometry"><rect><x>0</x><y>40</y><width>60</width><height>24</height></rect></property></widget>
   <widget class="QCheckBox" name="check_r1">
    <property name="geometry"><rect><x>0</x><y>0</y><width>60</width><height>24</height></rect></property></widget>
   <widget class="QPushButton" name="btn_r1b">
    <property name="geometry"><rect><x>70</x><y>2</y><width>60</width><height>24</height></rect></property></widget>
  </widget>
  <widget class="QWidget" name="panel_left">
   <property name="geometry"><rect><x>10</x><y>40</y><width>150</width><height>100</height></rect></property>
   <widget class="QLineEdit" name="edit_l2">
    <property name="geometry"><rect><x>0</x><y>40</y><width>100</width><height>24</height></rect></property></widget>
   <widget class="QLineEdit" name="edit_l1">
    <property name="geometry"><rect><x>0</x><y>0</y><width>100</width><height>24</height></rect></property></widget>
  </widget>
  <widget class="QComboBox" name="combo_top">
   <property name="geometry"><rect><x>10</x><y>4</y><width>100</width><height>24</height></rect></property></widget>
 </widget>
</ui>)");
    f.close();
    CPaintManagerUI::SetResourcePath(folder.path() + "/");
    TestWnd wnd(QStringLiteral("tabs.xml"));
    ASSERT_TRUE(wnd.Create(nullptr)) << CPaintManagerUI::GetErrors().join("\n").toStdString();
    wnd.ShowWindow(true);
    QApplication::setActiveWindow(wnd.GetHostWidget());
    const QStringList order = {"combo_top", "edit_l1", "edit_l2",   "check_r1",
                               "btn_r1b",   "btn_r2",  "btn_bottom"};
    wnd.FindControl(order.constFirst())->SetFocus();
    ASSERT_TRUE(QTest::qWaitFor([] { return Focused() != nullptr; }));
    const qsizetype n = order.size();
    for (const bool forward : {true, false}) {
        SCOPED_TRACE(forward);
        for (qsizetype i = 1; i <= n; ++i) {
            Press(Qt::Key_Tab, forward ? Qt::NoModifier : Qt::ShiftModifier);
            ASSERT_NE(Focused(), nullptr);
            EXPECT_EQ(Focused()->objectName(), order[((forward ? i : -i) % n + n) % n]) << i;
        }
    }
}

TEST_F(UiTest, ReturnConfirmsADialogThroughItsDefaultButtonAndEscapeCancelsIt) {
    CPaintManagerUI::SetResourcePath(ResDir());
    ASSERT_TRUE(CResourceManager::GetInstance()->LoadLanguage());
    struct Case {
        const char* focus;
        Qt::Key key;
        int result;
    };
    const Case cases[] = {
        {"edit_name", Qt::Key_Return, 1},  // the edit leaves Return to the dialog
        {"edit_name", Qt::Key_Enter, 1},  {"cancel_btn", Qt::Key_Return, 0},
        {"ok_btn", Qt::Key_Return, 1},    {"edit_name", Qt::Key_Escape, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.focus + std::string(" ") + std::to_string(c.key));
        DialogWnd dlg(QStringLiteral("editname.xml"));
        ASSERT_TRUE(dlg.Create(nullptr));
        bool pressed = false;
        QTimer::singleShot(0, [&] {
            QApplication::setActiveWindow(dlg.GetHostWidget());
            QWidget* focus = dlg.FindControl(QString::fromLatin1(c.focus))->GetWidget();
            focus->setFocus();
            if (QTest::qWaitFor([&] { return Focused() == focus; })) {
                Press(c.key);
                pressed = true;
            }
            if (!dlg.ended) {
                dlg.Close(-1);  // the key did not end the dialog
            }
        });
        EXPECT_EQ(dlg.ShowModal(), c.result);
        EXPECT_TRUE(pressed);
    }
}

// Whether w is drawn with the light focus ring: its left edge, half-way down.
bool Ringed(QWidget* w) {
    const QImage image = w->grab().toImage();
    return qGray(image.pixel(0, image.height() / 2)) > 220;
}

TEST_F(UiTest, TheFocusRingMarksTheControlTheKeyboardIsOnButNotAClickedButton) {
    CPaintManagerUI::SetResourcePath(ResDir());
    ASSERT_TRUE(CResourceManager::GetInstance()->LoadLanguage());
    TestWnd dlg(QStringLiteral("editname.xml"));
    ASSERT_TRUE(dlg.Create(nullptr));
    dlg.ShowWindow(true);
    QApplication::setActiveWindow(dlg.GetHostWidget());
    enum class How { Click, Tab, BackTab };
    struct Case {
        How how;
        const char* target;  // clicked, or where the focus should land
        bool ring;
    };
    const Case cases[] = {
        {How::Click, "cancel_btn", false}, {How::BackTab, "ok_btn", true},
        {How::Tab, "cancel_btn", true},    {How::Click, "edit_name", true},
        {How::Click, "ok_btn", false},     {How::BackTab, "edit_name", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        QWidget* target = dlg.FindControl(QString::fromLatin1(c.target))->GetWidget();
        if (c.how == How::Click) {
            QTest::mouseClick(target, Qt::LeftButton);
        } else {
            Press(Qt::Key_Tab, c.how == How::BackTab ? Qt::ShiftModifier : Qt::NoModifier);
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return Focused() == target; }));
        EXPECT_EQ(Ringed(target), c.ring);
        for (const char* other : {"exit_btn", "edit_name", "ok_btn", "cancel_btn"}) {
            QWidget* w = dlg.FindControl(QString::fromLatin1(other))->GetWidget();
            if (w != target) {
                EXPECT_FALSE(Ringed(w)) << other;
            }
        }
    }
}

// The luminance contrast of two colours (1 to 21).
double Contrast(const QColor& a, const QColor& b) {
    const auto lum = [](const QColor& c) {
        const auto lin = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
    };
    const double x = lum(a), y = lum(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

TEST_F(UiTest, TheQtFileDialogOverAStyledWindowKeepsItsTextReadable) {
    CPaintManagerUI::SetResourcePath(ResDir());
    TestWnd owner(QStringLiteral("msg.xml"));
    ASSERT_TRUE(owner.Create(nullptr));
    owner.ShowWindow(true);
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    struct Seen {
        const char* what;
        double contrast;
    };
    std::vector<Seen> seen;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
        auto* label = dialog->findChild<QLabel*>(QStringLiteral("lookInLabel"));
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* files = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_TRUE(label != nullptr && name != nullptr && files != nullptr);
        const QPalette l = label->palette(), n = name->palette(), f = files->palette();
        seen = {{"label", Contrast(l.color(label->foregroundRole()), l.color(QPalette::Window))},
                {"name", Contrast(n.color(QPalette::Text), n.color(QPalette::Base))},
                {"files", Contrast(f.color(QPalette::Text), f.color(QPalette::Base))}};
        EXPECT_EQ(dialog->windowHandle()->transientParent(), owner.GetHostWidget()->windowHandle());
        dialog->reject();
    });
    EXPECT_EQ(CFileDialog::GetOpenFileName(&owner, QStringLiteral("Profile (*.pbin)"),
                                           folder.path(), QStringLiteral("pbin")),
              QString());
    ASSERT_EQ(seen.size(), 3u);
    for (const Seen& s : seen) {
        EXPECT_GE(s.contrast, 4.5) << s.what;
    }
}

class MenuKeysTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        CPaintManagerUI::SetResourcePath(ResDir());
        ASSERT_TRUE(CResourceManager::GetInstance()->LoadLanguage());
        ASSERT_TRUE(owner.Create(nullptr));
        menu = CMenuWnd::CreateMenu(&owner, QStringLiteral("buttonmenu.xml"), QPoint(50, 50));
        ASSERT_NE(menu, nullptr);
    }
    QString Current() const {
        return menu->GetCurrentItem() != nullptr ? menu->GetCurrentItem()->GetName() : QString();
    }
    QString OpenSubMenu() const {
        return menu->GetOpenSubMenu() != nullptr ? menu->GetOpenSubMenu()->GetName() : QString();
    }
    TestWnd owner{QStringLiteral("msg.xml")};
    std::unique_ptr<CMenuWnd> menu;
};

TEST_F(MenuKeysTest, ArrowKeysMoveThroughTheMenuAndOpenAndCloseSubMenus) {
    struct Case {
        std::vector<Qt::Key> keys;
        const char* current;
        const char* open;     // the open sub-menu, "" for none
        const char* command;  // posted to the owner, "" for none
    };
    const Case cases[] = {
        {{Qt::Key_Down}, "menu_group_mouse", "", ""},
        {{Qt::Key_Up}, "button_off", "", ""},
        {{Qt::Key_Down, Qt::Key_Up, Qt::Key_Up}, "send_gun", "", ""},
        {{Qt::Key_Down, Qt::Key_Down, Qt::Key_Right}, "shortcut", "keyboard_menu", ""},
        {{Qt::Key_Down, Qt::Key_Down, Qt::Key_Right, Qt::Key_Down}, "copy", "keyboard_menu", ""},
        {{Qt::Key_Down, Qt::Key_Right, Qt::Key_Left}, "menu_group_mouse", "", ""},
        {{Qt::Key_Down, Qt::Key_Return, Qt::Key_Escape}, "menu_group_mouse", "", ""},
        {{Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Space, Qt::Key_Down,
          Qt::Key_Return},
         "dpi_down",
         "",
         "dpi_down"},
        {{Qt::Key_Up, Qt::Key_Return}, "button_off", "", "button_off"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.current) + " " + c.command);
        // Away from where another test may have left the pointer: an item
        // under the pointer would be the current one.
        menu = CMenuWnd::CreateMenu(&owner, QStringLiteral("buttonmenu.xml"), QPoint(500, 300));
        ASSERT_NE(menu, nullptr);
        owner.messages.clear();
        for (Qt::Key key : c.keys) {
            Press(key);
        }
        Pump();
        EXPECT_EQ(Current(), QString::fromLatin1(c.current));
        EXPECT_EQ(OpenSubMenu(), QString::fromLatin1(c.open));
        const bool chosen = *c.command != '\0';
        EXPECT_EQ(menu->IsWindowVisible(), !chosen);
        ASSERT_EQ(owner.messages.size(), chosen ? 1u : 0u);
        if (chosen) {
            EXPECT_EQ(TakeMenuCmd(owner.messages[0].wParam)->szName,
                      QString::fromLatin1(c.command));
        }
    }
}

TEST_F(MenuKeysTest, ASubMenuOpensWhenThePointerRestsOnItsItem) {
    CPaintManagerUI::SetManualTimers(true);
    struct Case {
        const char* restOn;
        bool rests;        // false: the pointer moves on before the delay
        const char* open;  // the open sub-menu afterwards
    };
    const Case cases[] = {
        {"menu_group_media", true, "media_menu"},
        {"menu_group_dpi", false, "media_menu"},
        {"menu_group_dpi", true, "dpi_menu"},
        {"select_macro", true, ""},  // a plain item closes it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.restOn);
        QWidget* item = menu->FindItem(QString::fromLatin1(c.restOn))->GetWidget();
        QTest::mouseMove(item);
        ASSERT_TRUE(QTest::qWaitFor([&] { return Current() == QString::fromLatin1(c.restOn); }));
        ASSERT_TRUE(menu->IsTimerActive(CMenuWnd::kHoverTimer));
        EXPECT_EQ(menu->GetTimerInterval(CMenuWnd::kHoverTimer), kSubMenuDelayMs);
        if (!c.rests) {
            QTest::mouseMove(menu->GetHostWidget(), QPoint(1, 1));
            ASSERT_TRUE(
                QTest::qWaitFor([&] { return !menu->IsTimerActive(CMenuWnd::kHoverTimer); }));
        }
        menu->FireTimer(CMenuWnd::kHoverTimer);
        EXPECT_EQ(OpenSubMenu(), QString::fromLatin1(c.open));
    }
}

}  // namespace
}  // namespace mouse::test
