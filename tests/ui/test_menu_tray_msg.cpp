// Pop-up menus, the tray icon and the message box, over the shipped skins.
#include <QKeyEvent>
#include <QTest>
#include <QTimer>

#include "buttons/msg_wnd.h"
#include "tests/ui/ui_test_util.h"

namespace mouse::test {
namespace {

class ShippedSkinTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        CPaintManagerUI::SetResourcePath(ResDir());
        ASSERT_TRUE(CResourceManager::GetInstance()->LoadLanguage());
    }
};

TEST_F(ShippedSkinTest, MenuChoiceArrivesAsMenuCommandWithItsName) {
    TestWnd owner(QStringLiteral("msg.xml"));
    ASSERT_TRUE(owner.Create(nullptr));
    auto menu = CMenuWnd::CreateMenu(&owner, QStringLiteral("traymenu.xml"), QPoint(300, 400));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->GetVisibleItemCount(), 2);
    CButtonUI* exit = menu->FindItem(QStringLiteral("exit"));
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(exit->GetText(), QStringLiteral("Exit"));  // from its language key
    exit->Activate();
    EXPECT_FALSE(menu->IsWindowVisible());
    Pump();
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0].msg, kMsgMenu);
    std::unique_ptr<MenuCmd> cmd = TakeMenuCmd(owner.messages[0].wParam);
    ASSERT_NE(cmd, nullptr);
    EXPECT_EQ(cmd->szName, QStringLiteral("exit"));
    EXPECT_EQ(cmd->szText, QStringLiteral("Exit"));
    EXPECT_EQ(TakeMenuCmd(0), nullptr);
}

// A queued menu command whose window is gone before it arrives is freed by
// the layer; one that reaches a live window belongs to its handler. The
// command's name shares its text with `name`, so `name` is detached again
// exactly when the command has been freed.
TEST_F(UiTest, QueuedMenuCommandIsFreedOnlyWhenNoLiveWindowReceivesIt) {
    enum class Fate { kDelivered, kWindowDestroyedFirst, kWindowDeletedWhileQueued };
    for (Fate fate :
         {Fate::kDelivered, Fate::kWindowDestroyedFirst, Fate::kWindowDeletedWhileQueued}) {
        SCOPED_TRACE(int(fate));
        QString name = QString::number(0x403) + QStringLiteral("-choice");
        ASSERT_TRUE(name.isDetached());
        auto owner = std::make_unique<TestWnd>();
        ASSERT_TRUE(owner->Create(nullptr));
        if (fate == Fate::kWindowDestroyedFirst) {
            owner->DestroyWindow();
            Pump();
        }
        owner->PostMessage(kMsgMenu, reinterpret_cast<WPARAM>(new MenuCmd{name, {}, {}}), 0);
        EXPECT_FALSE(name.isDetached());
        if (fate == Fate::kWindowDeletedWhileQueued) {
            owner.reset();
        }
        Pump();
        std::vector<WPARAM> received;
        for (const auto& m : owner ? owner->messages : decltype(owner->messages){}) {
            if (m.msg == kMsgMenu) {
                received.push_back(m.wParam);
            }
        }
        if (fate == Fate::kDelivered) {
            ASSERT_EQ(received.size(), 1u);
            EXPECT_FALSE(name.isDetached()) << "freed under the handler";
            std::unique_ptr<MenuCmd> cmd = TakeMenuCmd(received[0]);
            EXPECT_EQ(cmd->szName, name);
        } else {
            EXPECT_TRUE(received.empty());
        }
        EXPECT_TRUE(name.isDetached());
    }
}

TEST_F(ShippedSkinTest, MenuAlignmentCountAndResize) {
    TestWnd owner(QStringLiteral("msg.xml"));
    ASSERT_TRUE(owner.Create(nullptr));
    const QPoint anchor(500, 400);
    auto topLeft = CMenuWnd::CreateMenu(&owner, QStringLiteral("profilemenu.xml"), anchor,
                                        kMenuAlignLeft | kMenuAlignTop);
    auto bottomRight = CMenuWnd::CreateMenu(&owner, QStringLiteral("profilemenu.xml"), anchor,
                                            kMenuAlignRight | kMenuAlignBottom);
    ASSERT_NE(topLeft, nullptr);
    ASSERT_NE(bottomRight, nullptr);
    EXPECT_EQ(topLeft->GetWindowRect().topLeft(), anchor);
    const QRect r = bottomRight->GetWindowRect();
    EXPECT_EQ(QPoint(r.x() + r.width(), r.y() + r.height()), anchor);

    topLeft->FindItem(QStringLiteral("export_profile"))->Hide();
    topLeft->FindItem(QStringLiteral("duplicate_profile"))->Hide();
    topLeft->FindItem(QStringLiteral("app_rules"))->Hide();
    EXPECT_EQ(topLeft->GetVisibleItemCount(), 1);
    topLeft->ResizeMenu(180, 1 * 25 + 8);
    topLeft->MoveMenu(QPoint(10, 20));
    EXPECT_EQ(topLeft->GetWindowRect(), QRect(10, 20, 180, 33));

    EXPECT_EQ(CMenuWnd::CreateMenu(&owner, QStringLiteral("nomenu.xml"), anchor), nullptr);
    EXPECT_TRUE(ErrorsMention(QStringLiteral("nomenu.xml")));
}

TEST_F(ShippedSkinTest, TrayClicksArriveAsTrayMessages) {
    TestWnd owner(QStringLiteral("msg.xml"));
    ASSERT_TRUE(owner.Create(nullptr));
    CTrayIcon tray;
    tray.CreateTrayIcon(&owner, ResDir() + QStringLiteral("logo.png"),
                        QStringLiteral("Gaming Mouse"));
    EXPECT_TRUE(tray.IsCreated());
    EXPECT_EQ(tray.GetTooltipText(), QStringLiteral("Gaming Mouse"));
    tray.SimulateClick(false);
    tray.SimulateClick(true);
    Pump();
    ASSERT_EQ(owner.messages.size(), 2u);
    EXPECT_EQ(owner.messages[0].msg, kMsgTrayIcon);
    EXPECT_EQ(owner.messages[0].lParam, static_cast<LPARAM>(WM_LBUTTONUP));
    EXPECT_EQ(owner.messages[1].lParam, static_cast<LPARAM>(WM_RBUTTONUP));
    EXPECT_FALSE(tray.SetIcon(TestDataDir() + QStringLiteral("none.png")));
    tray.DeleteTrayIcon();
    tray.SimulateClick(false);
    Pump();
    EXPECT_EQ(owner.messages.size(), 2u);
}

TEST_F(UiTest, TrayAvailabilityFollowsTheOverrideUntilItIsCleared) {
    const bool desktop = CTrayIcon::IsAvailable();
    CTrayIcon::SetAvailabilityOverride(!desktop);
    EXPECT_EQ(CTrayIcon::IsAvailable(), !desktop);
    CTrayIcon::SetAvailabilityOverride(desktop);
    EXPECT_EQ(CTrayIcon::IsAvailable(), desktop);
    CTrayIcon::SetAvailabilityOverride(std::nullopt);
    EXPECT_EQ(CTrayIcon::IsAvailable(), desktop);
}

TEST_F(ShippedSkinTest, MessageBoxButtonsGiveTheirResults) {
    const struct {
        const char* button;
        int result;
    } cases[] = {{"ok_btn", 1}, {"cancel_btn", 0}, {"exit_btn", 0}, {"label_string", 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        CMsgWnd wnd;
        wnd.SetTitle(QStringLiteral("warning_title_text"));
        wnd.SetMsg(QStringLiteral("delete_profile_text"));
        ASSERT_TRUE(wnd.Create(nullptr));
        // A click on anything but the three buttons leaves the box open: the
        // seam's own result (5) then stands.
        ModalSeam::Answer(5, [&](WindowImplBase& w) {
            CControlUI* control = w.FindControl(QString::fromLatin1(c.button));
            ASSERT_NE(control, nullptr);
            QTest::mouseClick(control->GetWidget(), Qt::LeftButton);
        });
        EXPECT_EQ(wnd.ShowModal(), c.result);
    }
}

TEST_F(ShippedSkinTest, MessageBoxShowsTheTextsOfItsKeys) {
    const struct {
        const char* title;
        const char* msg;
        const char* shownTitle;
        const char* shownMsg;
    } cases[] = {
        {"warning_title_text", "reset_profile_text", "Warning",
         "Reset this profile to the default settings?"},
        {"", "", "", ""},
    };
    for (const auto& c : cases) {
        CMsgWnd wnd;
        EXPECT_TRUE(wnd.GetTitle().isEmpty());
        wnd.SetTitle(QString::fromLatin1(c.title));
        wnd.SetMsg(QString::fromLatin1(c.msg));
        ASSERT_TRUE(wnd.Create(nullptr));
        EXPECT_EQ(wnd.FindControl(QStringLiteral("label_title"))->GetText(),
                  QString::fromLatin1(c.shownTitle));
        EXPECT_EQ(wnd.FindControl(QStringLiteral("label_string"))->GetText(),
                  QString::fromLatin1(c.shownMsg));
    }
}

TEST_F(ShippedSkinTest, AMessageBoxGrowsWithItsTextAndKeepsItsButtonsBelowIt) {
    QString longText = QStringLiteral("A settings file could not be read:");
    for (int i = 0; i < 4; ++i) {
        longText += QStringLiteral(
            "\n\n/home/user/.local/share/mouse/Data/profile.bin cannot be "
            "read (Permission denied). It is kept as it is.");
    }
    for (const QString& text : {QStringLiteral("Short."), longText}) {
        CMsgWnd wnd;
        wnd.SetMsg(text);
        ASSERT_TRUE(wnd.Create(nullptr));
        auto* label = wnd.FindControl<CLabelUI>(QStringLiteral("label_string"));
        const QRect ok = wnd.FindControl(QStringLiteral("ok_btn"))->GetPos();
        EXPECT_GE(label->GetPos().height(), label->TextHeight()) << "nothing is cut off";
        EXPECT_GT(ok.top(), label->GetPos().bottom());
        EXPECT_LE(ok.bottom(), wnd.GetWindowRect().height());
        EXPECT_EQ(wnd.GetWindowRect().height() > 210, text == longText);
    }
}

TEST_F(ShippedSkinTest, MessageBoxClosedOtherwiseGivesZero) {
    for (int way = 0; way < 2; ++way) {
        SCOPED_TRACE(way);
        CMsgWnd wnd;
        ASSERT_TRUE(wnd.Create(nullptr));
        QTimer::singleShot(0, [&] {
            if (way == 0) {
                QTest::keyClick(wnd.GetHostWidget(), Qt::Key_Escape);
            } else {
                wnd.GetHostWidget()->close();
            }
        });
        QTimer::singleShot(2000, [&] { wnd.Close(7); });  // guards against a hang
        EXPECT_EQ(wnd.ShowModal(), 0);
    }
}

TEST_F(ShippedSkinTest, ShowMessageRunsTheBoxOverItsParent) {
    TestWnd parent(QStringLiteral("main.xml"));
    ASSERT_TRUE(parent.Create(nullptr));
    QString seenMsg;
    ModalSeam::Answer(0, [&](WindowImplBase& w) {
        seenMsg = w.FindControl(QStringLiteral("label_string"))->GetText();
        w.FindControl<CButtonUI>(QStringLiteral("ok_btn"))->Activate();
    });
    EXPECT_EQ(ShowMessage(&parent, QStringLiteral("warning_title_text"),
                          QStringLiteral("no_connect_device_text")),
              1);
    EXPECT_EQ(ModalSeam::Answered(), QStringList{QStringLiteral("MsgWnd")});
    EXPECT_TRUE(seenMsg.startsWith(QStringLiteral("No mouse")));
}

}  // namespace
}  // namespace mouse::test
