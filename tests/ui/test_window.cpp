// Windows: creation, modal runs, numbered messages across threads, timers,
// the final message and dragging by the caption.
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <thread>

#include "tests/ui/ui_test_util.h"

namespace mouse::test {
namespace {

using WindowTest = UiTest;

TEST_F(WindowTest, InitWindowRunsOnceAfterTheControlsExist) {
    TestWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr));
    ASSERT_TRUE(wnd.Create(nullptr));  // a second Create changes nothing
    EXPECT_EQ(wnd.initCount, 1);
    EXPECT_TRUE(wnd.controlsAtInit);
    EXPECT_EQ(wnd.GetWindowRect().size(), QSize(420, 320));
    EXPECT_EQ(wnd.GetHostWidget()->objectName(), QStringLiteral("TestWnd"));
}

TEST_F(WindowTest, SeamAnswersTheModalRunAfterLettingTheTestFillIn) {
    TestWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr));
    ModalSeam::Answer(7, [](WindowImplBase& w) {
        w.FindControl<CEditUI>(QStringLiteral("edit_1"))->SetText(QStringLiteral("typed"));
    });
    EXPECT_EQ(wnd.ShowModal(), 7);
    EXPECT_EQ(ModalSeam::Pending(), 0);
    EXPECT_EQ(ModalSeam::Answered(), QStringList{QStringLiteral("TestWnd")});
    // The fields set by the callback are what the caller reads afterwards.
    EXPECT_EQ(wnd.FindControl(QStringLiteral("edit_1"))->GetText(), QStringLiteral("typed"));
    EXPECT_EQ(wnd.finalMessages, 1);
}

TEST_F(WindowTest, ACloseInsideTheSeamCallbackDecidesTheResult) {
    TestWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr));
    ModalSeam::Answer(0, [](WindowImplBase& w) { w.Close(3); });
    EXPECT_EQ(wnd.ShowModal(), 3);
}

TEST_F(WindowTest, RealModalLoopReturnsTheCloseValue) {
    TestWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr));
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(wnd.IsModal());
        EXPECT_TRUE(wnd.IsWindowVisible());
        wnd.Close(5);
    });
    EXPECT_EQ(wnd.ShowModal(), 5);
    EXPECT_FALSE(wnd.IsWindowVisible());
    EXPECT_FALSE(wnd.IsModal());
}

TEST_F(WindowTest, EscapeAndSystemCloseEndAModalRunWithZero) {
    for (int way = 0; way < 2; ++way) {
        SCOPED_TRACE(way);
        TestWnd wnd;
        ASSERT_TRUE(wnd.Create(nullptr));
        QTimer::singleShot(0, [&] {
            if (way == 0) {
                QTest::keyClick(wnd.GetHostWidget(), Qt::Key_Escape);
            } else {
                wnd.GetHostWidget()->close();
            }
        });
        QTimer::singleShot(2000, [&] { wnd.Close(99); });  // guards against a hang
        EXPECT_EQ(wnd.ShowModal(), 0);
        ASSERT_FALSE(wnd.messages.empty());
        EXPECT_EQ(wnd.messages[0].msg, WM_CLOSE);
    }
}

TEST_F(WindowTest, HandledCloseKeepsANonModalWindowOpen) {
    TestWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr));
    wnd.keepOpenOnClose = true;
    wnd.ShowWindow();
    wnd.GetHostWidget()->close();
    Pump();
    EXPECT_TRUE(wnd.IsWindowVisible());
    EXPECT_EQ(wnd.finalMessages, 0);
}

TEST_F(WindowTest, SkinFailureMakesCreateFailAndModalReturnZero) {
    TestWnd wnd(QStringLiteral("broken.xml"));
    EXPECT_FALSE(wnd.Create(nullptr));
    EXPECT_EQ(wnd.initCount, 0);
    EXPECT_EQ(wnd.ShowModal(), 0);
    EXPECT_EQ(wnd.FindControl(QStringLiteral("ok_btn")), nullptr);
}

TEST_F(WindowTest, EveryMessageNumberPassesThroughUnchanged) {
    TestWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr));
    const UINT numbers[] = {0x401, 0x403, 0x40D, 0x467, 0x469, 0x500, 0x501, 0x52D, 0x52E};
    LPARAM l = -3;
    for (UINT n : numbers) {
        ASSERT_TRUE(wnd.PostMessage(n, n * 2, l--));
    }
    EXPECT_TRUE(wnd.messages.empty());  // posted: nothing before the loop runs
    Pump();
    ASSERT_EQ(wnd.messages.size(), std::size(numbers));
    l = -3;
    for (size_t i = 0; i < std::size(numbers); ++i) {
        EXPECT_EQ(wnd.messages[i].msg, numbers[i]);
        EXPECT_EQ(wnd.messages[i].wParam, numbers[i] * 2);
        EXPECT_EQ(wnd.messages[i].lParam, l--);
    }
    // Sent: handled at once, with the handler's result.
    EXPECT_EQ(wnd.SendMessage(0x469, 0, 12), 0x469 + 1);
    EXPECT_EQ(wnd.messages.back().lParam, 12);
}

TEST_F(WindowTest, MessagesFromAnotherThreadAreHandledOnTheUiThread) {
    TestWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr));
    std::atomic<bool> posted{false};
    std::atomic<LRESULT> sentResult{0};
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i) {
            wnd.PostMessage(0x52E, static_cast<WPARAM>(i), 0);
        }
        posted = true;
        sentResult = wnd.SendMessage(0x467, 1, 2);  // waits for the UI thread
    });
    QTRY_VERIFY_WITH_TIMEOUT(sentResult.load() != 0, 5000);
    worker.join();
    EXPECT_TRUE(posted.load());
    EXPECT_EQ(sentResult.load(), 0x467 + 1);
    ASSERT_EQ(wnd.messages.size(), 51u);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(wnd.messages[i].msg, 0x52Eu);
        EXPECT_EQ(wnd.messages[i].wParam, static_cast<WPARAM>(i));  // in order
        EXPECT_EQ(wnd.messages[i].thread, QThread::currentThread());
    }
    EXPECT_EQ(wnd.messages[50].msg, 0x467u);
    EXPECT_EQ(wnd.messages[50].thread, QThread::currentThread());
}

TEST_F(WindowTest, WindowTimersDeliverWmTimerWithTheirId) {
    CPaintManagerUI::SetManualTimers(true);
    TestWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr));
    ASSERT_TRUE(wnd.SetTimer(52, 2000));
    EXPECT_TRUE(wnd.IsTimerActive(52));
    EXPECT_EQ(wnd.GetTimerInterval(52), 2000u);
    EXPECT_EQ(wnd.GetTimerInterval(53), 0u);
    EXPECT_FALSE(wnd.FireTimer(53));
    ASSERT_TRUE(wnd.FireTimer(52));
    ASSERT_EQ(wnd.messages.size(), 1u);
    EXPECT_EQ(wnd.messages[0].msg, WM_TIMER);
    EXPECT_EQ(wnd.messages[0].wParam, 52u);
    wnd.KillTimer(52);
    EXPECT_FALSE(wnd.FireTimer(52));
    EXPECT_EQ(wnd.GetTimerInterval(52), 0u);
    EXPECT_EQ(wnd.messages.size(), 1u);
}

TEST_F(WindowTest, RealWindowTimerFires) {
    TestWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr));
    ASSERT_TRUE(wnd.SetTimer(4, 1));
    EXPECT_EQ(wnd.GetTimerInterval(4), 1u);
    QTRY_VERIFY_WITH_TIMEOUT(!wnd.messages.empty(), 2000);
    wnd.KillTimer(4);
    EXPECT_EQ(wnd.messages[0].msg, WM_TIMER);
    EXPECT_EQ(wnd.messages[0].wParam, 4u);
}

TEST_F(WindowTest, DeleteOnFinalMessageDeletesAfterTheClickHandler) {
    bool destroyed = false;
    auto* wnd = new TestWnd();
    wnd->destroyedFlag = &destroyed;
    ASSERT_TRUE(wnd->Create(nullptr));
    wnd->SetDeleteOnFinalMessage(true);
    wnd->OnNotify(QStringLiteral("click"), [wnd](TNotifyUI&) { wnd->Close(0); });
    wnd->ShowWindow();
    QTest::mouseClick(wnd->FindControl(QStringLiteral("btn_outside"))->GetWidget(), Qt::LeftButton);
    EXPECT_FALSE(destroyed);  // not inside the handler
    Pump();
    EXPECT_TRUE(destroyed);
}

TEST_F(WindowTest, DestroyWindowSendsWmDestroyThenTheFinalMessage) {
    TestWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr));
    wnd.ShowWindow();
    wnd.DestroyWindow();
    EXPECT_FALSE(wnd.IsWindowVisible());
    Pump();
    ASSERT_EQ(wnd.messages.size(), 1u);
    EXPECT_EQ(wnd.messages[0].msg, WM_DESTROY);
    EXPECT_EQ(wnd.finalMessages, 1);
    // Gone windows take no more messages.
    wnd.PostMessage(0x401);
    Pump();
    EXPECT_EQ(wnd.messages.size(), 1u);
}

TEST_F(WindowTest, DraggingTheCaptionMovesTheWindow) {
    TestWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr));
    wnd.MoveWindow(100, 100);
    wnd.ShowWindow();
    QWidget* host = wnd.GetHostWidget();
    const QPoint start = wnd.GetWindowRect().topLeft();
    auto send = [&](QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
        QMouseEvent e(type, local, host->mapToGlobal(local), Qt::LeftButton, buttons, {});
        QCoreApplication::sendEvent(host, &e);
    };
    // Below the caption (30 px in the test skin): no move.
    send(QEvent::MouseButtonPress, QPoint(300, 100), Qt::LeftButton);
    send(QEvent::MouseMove, QPoint(340, 120), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, QPoint(340, 120), Qt::NoButton);
    EXPECT_EQ(wnd.GetWindowRect().topLeft(), start);
    // In the caption: the window follows the pointer.
    send(QEvent::MouseButtonPress, QPoint(300, 10), Qt::LeftButton);
    send(QEvent::MouseMove, QPoint(340, 30), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, QPoint(340, 30), Qt::NoButton);
    EXPECT_EQ(wnd.GetWindowRect().topLeft(), start + QPoint(40, 20));
}

TEST_F(WindowTest, CenterWindowCentresOnTheParent) {
    TestWnd parent;
    ASSERT_TRUE(parent.Create(nullptr));
    parent.MoveWindow(200, 100);
    parent.ResizeWindow(600, 500);
    TestWnd child;
    ASSERT_TRUE(child.Create(&parent));
    child.ResizeWindow(200, 100);
    child.CenterWindow();
    EXPECT_EQ(child.GetWindowRect().center(), parent.GetWindowRect().center());
    EXPECT_EQ(child.GetParent(), &parent);
}

TEST_F(WindowTest, IconFromAFileOrAClearFailure) {
    TestWnd wnd;
    ASSERT_TRUE(wnd.Create(nullptr));
    EXPECT_TRUE(wnd.SetIcon(ResDir() + QStringLiteral("logo.png")));
    EXPECT_FALSE(wnd.GetHostWidget()->windowIcon().isNull());
    EXPECT_FALSE(wnd.SetIcon(TestDataDir() + QStringLiteral("no-such.png")));
}

}  // namespace
}  // namespace mouse::test
