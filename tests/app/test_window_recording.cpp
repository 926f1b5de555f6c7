// Recording in a Wayland session: the events of the program's own windows
// give the hook's reports, and the macro page says that only this window is
// recorded.
#include <gtest/gtest.h>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

#include "macro_page_fixture.h"
#include "macros/window_input_hook.h"

namespace mouse {
namespace {

TEST(WindowInputHookTest, WindowEventsGiveTheHooksReportsAtTheirOwnTimes) {
    struct Row {
        const char* what;
        QEvent::Type type;
        int key;  // or the mouse button
        Qt::KeyboardModifiers modifiers;
        quint32 scanCode;  // evdev code + 8
        uint32_t event, detail;
    };
    const Qt::KeyboardModifiers none = Qt::NoModifier, pad = Qt::KeypadModifier;
    const Row rows[] = {
        {"A on a US keyboard", QEvent::KeyPress, Qt::Key_A, none, 30 + 8, 'A', 0},
        {"A released", QEvent::KeyRelease, Qt::Key_A, none, 30 + 8, 'A', 1},
        {"A on a French keyboard: the place of Q", QEvent::KeyPress, Qt::Key_A, none, 16 + 8, 'Q',
         0},
        {"& on a French keyboard: the place of 1", QEvent::KeyPress, Qt::Key_Ampersand, none, 2 + 8,
         '1', 0},
        {"an accented letter: its place", QEvent::KeyPress, Qt::Key_Eacute, none, 3 + 8, '2', 0},
        {"! with Shift", QEvent::KeyPress, Qt::Key_Exclam, Qt::ShiftModifier, 2 + 8, '1', 0},
        {"right Shift", QEvent::KeyPress, Qt::Key_Shift, none, 54 + 8, 161, 0},
        {"pad 1 without Num Lock", QEvent::KeyPress, Qt::Key_End, pad, 79 + 8, 97, 0},
        {"pad Enter", QEvent::KeyRelease, Qt::Key_Enter, pad, 96 + 8, 108, 1},
        {"F5", QEvent::KeyPress, Qt::Key_F5, none, 63 + 8, 116, 0},
        // A virtual keyboard's keymap puts its keys anywhere.
        {"a letter on the Esc key", QEvent::KeyPress, Qt::Key_H, none, 1 + 8, 'H', 0},
        {"a letter where digits sit", QEvent::KeyPress, Qt::Key_B, none, 2 + 8, 'B', 0},
        {"Return on a digit's place", QEvent::KeyPress, Qt::Key_Return, none, 4 + 8, 13, 0},
        {"left button", QEvent::MouseButtonPress, Qt::LeftButton, none, 0, 513, 0},
        {"right button up", QEvent::MouseButtonRelease, Qt::RightButton, none, 0, 517, 0},
        {"middle button", QEvent::MouseButtonPress, Qt::MiddleButton, none, 0, 519, 0},
        {"back button", QEvent::MouseButtonPress, Qt::BackButton, none, 0, 523, 1},
        {"forward button up", QEvent::MouseButtonRelease, Qt::ForwardButton, none, 0, 524, 2},
    };
    QWindow window;
    WindowInputHook hook;
    ASSERT_TRUE(hook.Available()) << hook.Unavailable();
    std::vector<HookReport> got;
    const auto sink = [&](const HookReport& r) { got.push_back(r); };
    hook.InstallHook(sink);
    hook.InstallMouseHook(sink);
    // The stamps of the platform's clock, milliseconds apart as the events were.
    const auto stamp = [](size_t i) { return ulong(4000000000u + 37 * i * i); };
    const auto send = [&](const Row& row, ulong at, bool repeat = false) {
        std::unique_ptr<QInputEvent> e;
        if (row.type == QEvent::KeyPress || row.type == QEvent::KeyRelease) {
            e = std::make_unique<QKeyEvent>(row.type, row.key, row.modifiers, row.scanCode, 0, 0,
                                            QString(), repeat);
        } else {
            const auto button = Qt::MouseButton(row.key);
            e = std::make_unique<QMouseEvent>(row.type, QPointF(5, 5), QPointF(5, 5), button,
                                              button, row.modifiers);
        }
        e->setTimestamp(at);
        QCoreApplication::sendEvent(&window, e.get());
    };
    send(rows[0], 1);
    EXPECT_TRUE(got.empty()) << "a fresh install reports nothing until enabled";
    hook.EnableHook(true);
    hook.EnableMouseHook(true);
    for (size_t i = 0; i < std::size(rows); ++i) {
        send(rows[i], stamp(i));
        if (rows[i].scanCode != 0) {
            send(rows[i], stamp(i) + 1, true);  // a key's repeats give nothing
        }
    }
    // The second press of a double click comes as a press and then a double
    // click: only the press is a button going down.
    send({"double click", QEvent::MouseButtonDblClick, Qt::LeftButton, none, 0, 0, 0}, stamp(99));
    ASSERT_EQ(got.size(), std::size(rows));
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(rows[i].what);
        const bool key = rows[i].scanCode != 0;
        EXPECT_EQ(got[i].message, key ? kMsgHookKey : kMsgHookMouse);
        EXPECT_EQ(got[i].event, rows[i].event);
        EXPECT_EQ(got[i].detail, rows[i].detail);
        EXPECT_EQ(got[i].readAt - got[0].readAt, std::chrono::milliseconds(stamp(i) - stamp(0)));
    }
    // Stamps of 32 bits wrap; the distance stays.
    got.clear();
    send(rows[0], 0xFFFFFFF0u);
    send(rows[1], 0x10u);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].readAt - got[0].readAt, std::chrono::milliseconds(0x20));
    hook.RemoveHook();
    hook.RemoveMouseHook();
    send(rows[0], 1);
    EXPECT_EQ(got.size(), 2u) << "nothing after the removal";
}

class WindowRecordingPageTest : public MacroPageTest {};

TEST_F(WindowRecordingPageTest,
       OnlyAWaylandSessionSaysBeforeRecordingThatOnlyThisWindowIsRecorded) {
    useFakeHook = false;
    for (const SessionType type : {SessionType::kWayland, SessionType::kX11}) {
        SCOPED_TRACE(int(type));
        wnd.reset();
        MainWndOptions options = Options();
        options.session = Session();
        options.session->type = type;
        Create(options);
        ASSERT_FALSE(HasFatalFailure());
        const bool wayland = type == SessionType::kWayland;
        auto* notice = Find<CLabelUI>("label_macro_record_notice");
        ASSERT_NE(notice, nullptr);
        EXPECT_EQ(!notice->GetWidget()->isHidden(), wayland);
        EXPECT_EQ(notice->GetText(), Lang(u"macro_record_window_only_text"));
        EXPECT_EQ(Find("btn_record")->GetToolTip(),
                  wayland ? Lang(u"macro_record_window_only_tip_text") : QString());
        EXPECT_EQ(wnd->Hook().Available(), wayland) << "no Hook.so in the program folder";
    }
}

}  // namespace
}  // namespace mouse
