// Sub-menus of pop-up menus (over the shipped button menu) and key capture in
// edits.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include "tests/ui/ui_test_util.h"

namespace mouse::test {
namespace {

class SubMenuTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        CPaintManagerUI::SetResourcePath(ResDir());
        ASSERT_TRUE(CResourceManager::GetInstance()->LoadLanguage());
    }
    void TearDown() override {
        CMenuWnd::SetScreenRectForTesting(QRect());
        UiTest::TearDown();
    }
};

TEST_F(SubMenuTest, AGroupItemOpensItsSubMenuBesideTheMenuAndPostsNothing) {
    struct Case {
        QRect screen;
        QPoint anchor;
        const char* group;
        const char* container;
        bool toTheLeft;  // no room on the right
        bool movedUp;    // would pass the bottom of the screen
    };
    const Case cases[] = {
        {QRect(0, 0, 1024, 768), QPoint(100, 100), "menu_group_mouse", "mouse_menu", false, false},
        {QRect(0, 0, 1024, 768), QPoint(700, 100), "menu_group_media", "media_menu", true, false},
        {QRect(0, 0, 1024, 768), QPoint(100, 500), "menu_group_keyboard", "keyboard_menu", false,
         true},
        {QRect(0, 0, 560, 600), QPoint(200, 300), "menu_group_dpi", "dpi_menu", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.group);
        CMenuWnd::SetScreenRectForTesting(c.screen);
        TestWnd owner(QStringLiteral("msg.xml"));
        ASSERT_TRUE(owner.Create(nullptr));
        auto menu = CMenuWnd::CreateMenu(&owner, QStringLiteral("buttonmenu.xml"), c.anchor);
        ASSERT_NE(menu, nullptr) << CPaintManagerUI::GetErrors().join("\n").toStdString();
        // Five groups and four items of its own; the sub-menus' items do not count.
        EXPECT_EQ(menu->GetVisibleItemCount(), 9);
        EXPECT_EQ(menu->GetOpenSubMenu(), nullptr);
        menu->FindItem(QString::fromLatin1(c.group))->Activate();
        Pump();
        EXPECT_TRUE(owner.messages.empty()) << "a group is no command";
        EXPECT_TRUE(menu->IsWindowVisible());
        CControlUI* sub = menu->GetOpenSubMenu();
        ASSERT_NE(sub, nullptr);
        EXPECT_EQ(sub->GetName(), QString::fromLatin1(c.container));
        EXPECT_EQ(menu->GetVisibleItemCount(), 9) << "an open sub-menu does not add items";

        const QRect m = menu->GetWindowRect();
        const QRect s = sub->GetWidget()->geometry();
        EXPECT_EQ(s.left(), c.toTheLeft ? m.left() - s.width() : m.left() + m.width());
        EXPECT_LE(s.top() + s.height(), c.screen.top() + c.screen.height());
        EXPECT_GE(s.top(), c.screen.top());
        const int itemTop = m.top() + menu->FindItem(QString::fromLatin1(c.group))->GetPos().top();
        if (c.movedUp) {
            EXPECT_EQ(s.top() + s.height(), c.screen.top() + c.screen.height());
        } else {
            EXPECT_EQ(s.top(), itemTop);
        }
    }
}

TEST_F(SubMenuTest, AnItemOfASubMenuIsChosenLikeAnyOtherAndClosesBoth) {
    TestWnd owner(QStringLiteral("msg.xml"));
    ASSERT_TRUE(owner.Create(nullptr));
    auto menu = CMenuWnd::CreateMenu(&owner, QStringLiteral("buttonmenu.xml"), QPoint(50, 50));
    ASSERT_NE(menu, nullptr);
    menu->FindItem(QStringLiteral("menu_group_keyboard"))->Activate();
    CControlUI* sub = menu->GetOpenSubMenu();
    ASSERT_NE(sub, nullptr);
    // Opening another group closes the first.
    menu->FindItem(QStringLiteral("menu_group_browser"))->Activate();
    ASSERT_NE(menu->GetOpenSubMenu(), nullptr);
    EXPECT_EQ(menu->GetOpenSubMenu()->GetName(), QStringLiteral("browser_menu"));
    EXPECT_FALSE(sub->GetWidget()->isVisible());

    CButtonUI* copy = menu->FindItem(QStringLiteral("copy"));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetText(), QStringLiteral("Copy"));
    copy->Activate();
    Pump();
    EXPECT_FALSE(menu->IsWindowVisible());
    EXPECT_EQ(menu->GetOpenSubMenu(), nullptr);
    ASSERT_EQ(owner.messages.size(), 1u);
    std::unique_ptr<MenuCmd> cmd = TakeMenuCmd(owner.messages[0].wParam);
    ASSERT_NE(cmd, nullptr);
    EXPECT_EQ(cmd->szName, QStringLiteral("copy"));
}

TEST_F(UiTest, ASubMenuNamingNoContainerIsReportedAndStaysACommand) {
    TestWnd owner;
    ASSERT_TRUE(owner.Create(nullptr));
    // A menu skin whose group item names a container it does not have.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString dir = folder.path() + "/";
    QFile f(dir + "badmenu.xml");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0"><class>M</class>
 <widget class="QWidget" name="menu_root">
  <property name="geometry"><rect><x>0</x><y>0</y><width>100</width><height>25</height></rect></property>
  <layout class="QVBoxLayout" name="l"><item>
   <widget class="MenuElement" name="lost">
    <property name="submenu" stdset="0"><string>nowhere</string></property>
   </widget></item></layout>
 </widget>
 <customwidgets><customwidget><class>MenuElement</class><extends>QPushButton</extends><header>ui/widgets_p.h</header></customwidget></customwidgets>
</ui>)");
    f.close();
    CPaintManagerUI::SetResourcePath(dir);
    auto menu = CMenuWnd::CreateMenu(&owner, QStringLiteral("badmenu.xml"), QPoint(0, 0));
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(ErrorsMention("badmenu.xml", "nowhere"));
    menu->FindItem(QStringLiteral("lost"))->Activate();
    Pump();
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(TakeMenuCmd(owner.messages[0].wParam)->szName, QStringLiteral("lost"));
}

TEST_F(UiTest, AKeyCapturingEditReportsKeysInsteadOfTypingThem) {
    TestWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr));
    wnd.ShowWindow(true);
    auto* edit = wnd.FindControl<CEditUI>(QStringLiteral("edit_1"));
    ASSERT_NE(edit, nullptr);
    std::vector<KeyPress> presses;
    wnd.OnNotify(QString::fromLatin1(ev::kKeyDown), [&](TNotifyUI& msg) {
        ASSERT_NE(msg.lParam, 0);
        const KeyPress& press = *reinterpret_cast<const KeyPress*>(msg.lParam);
        EXPECT_EQ(msg.wParam, WPARAM(unsigned(press.qtKey)));
        presses.push_back(press);
    });
    edit->SetFocus();
    QTest::keyClick(edit->GetWidget(), Qt::Key_A);
    EXPECT_EQ(edit->GetText(), QStringLiteral("a")) << "typed while capture is off";
    EXPECT_TRUE(presses.empty());

    edit->SetKeyCapture(true);
    EXPECT_TRUE(edit->IsKeyCapture());
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    };
    const Case cases[] = {{Qt::Key_B, Qt::NoModifier},
                          {Qt::Key_Tab, Qt::NoModifier},
                          {Qt::Key_Escape, Qt::NoModifier},
                          {Qt::Key_5, Qt::KeypadModifier},
                          {Qt::Key_C, Qt::ControlModifier}};
    for (const Case& c : cases) {
        QTest::keyClick(edit->GetWidget(), c.key, c.modifiers);
    }
    // A held modifier is a key press of its own before the key it modifies.
    const int expected[] = {Qt::Key_B, Qt::Key_Tab,     Qt::Key_Escape,
                            Qt::Key_5, Qt::Key_Control, Qt::Key_C};
    ASSERT_EQ(presses.size(), std::size(expected));
    for (size_t i = 0; i < presses.size(); ++i) {
        EXPECT_EQ(presses[i].qtKey, expected[i]) << i;
    }
    EXPECT_NE(presses[3].modifiers & unsigned(Qt::KeypadModifier), 0u);
    EXPECT_NE(presses[5].modifiers & unsigned(Qt::ControlModifier), 0u);
    EXPECT_EQ(presses[0].modifiers, 0u);
    EXPECT_EQ(edit->GetText(), QStringLiteral("a")) << "nothing typed while capturing";
    EXPECT_TRUE(wnd.IsWindowVisible());
}

}  // namespace
}  // namespace mouse::test
