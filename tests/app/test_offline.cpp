// Unapplied changes and editing without the mouse: the marker on APPLY, the
// banner while the mouse is away, an apply that waits for the mouse, and
// the notices of the mouse's own DPI button.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <functional>

#include "main_wnd_fixture.h"

namespace mouse {
namespace {

using namespace mainwndtest;

struct OfflineTest : MainWndTest {
    void SetUp() override {
        MainWndTest::SetUp();
        WriteIni(0);
    }
    bool Shown(const char* name) { return Find(name)->IsVisible(); }
    bool Marker() { return Shown("apply_marker"); }
    bool ApplyAndWait() {
        return Click("btn_apply") && WaitFor([&] { return wnd->PendingApplies() == 0; });
    }
    // Two edits through the pages: game mode, DPI level 3.
    void Edit() {
        ASSERT_TRUE(Click("button_mode_option_2"));
        ASSERT_TRUE(Click("mouse_dpi_btn_3"));
    }
};

TEST_F(OfflineTest, TheApplyMarkerShowsWhileTheProfileDiffersFromTheMouse) {
    StartMouse();
    ProfileRecord first{}, second{};
    MakeDefaultRecord(first, 3311);
    MakeDefaultRecord(second, 3311);
    WriteText(second.name, u"Second");
    second.buttonMode = 1;
    WriteProfiles({&first, &second});
    Open();
    ASSERT_TRUE(WaitFor([&] { return wnd->Link().CanShowWindow(); }));
    auto* combo = Find<CComboUI>("profile_combo");
    struct Step {
        const char* what;
        std::function<void()> act;
        bool marker;
    } steps[] = {
        {"start", [] {}, false},
        {"edit", [&] { Edit(); }, true},
        {"apply", [&] { ASSERT_TRUE(ApplyAndWait()); }, false},
        {"another profile", [&] { combo->SelectItem(1); }, true},
        {"back", [&] { combo->SelectItem(0); }, false},
        {"reset",
         [&] {
             AnswerNextMessage(1);
             ASSERT_TRUE(Click("btn_reset_profile"));
         },
         true},
        {"refused apply",
         [&] {
             ASSERT_TRUE(SimFailAll(sim.SocketPath()));
             ASSERT_TRUE(ApplyAndWait());
             ASSERT_TRUE(SimFailClear(sim.SocketPath()));
         },
         true},
        {"restart",
         [&] {
             wnd.reset();
             Open();
         },
         true},
        {"apply again", [&] { ASSERT_TRUE(ApplyAndWait()); }, false},
    };
    for (const Step& step : steps) {
        step.act();
        ASSERT_FALSE(HasFatalFailure()) << step.what;
        EXPECT_EQ(Marker(), step.marker) << step.what;
    }
    EXPECT_EQ(messages, QStringList{"reset_profile_text"});
}

// A first start without the mouse shows the "no mouse" view until the user
// asks to edit; an apply then waits for the mouse and only it is sent when
// the mouse arrives. Once seen, a start without the mouse opens the pages.
TEST_F(OfflineTest, AnApplyWithoutTheMouseIsSentWhenItArrivesAndNothingElseIs) {
    struct Case {
        bool apply;
        const char* banner;
        uint8_t buttonMode, dpiLevel;  // what the mouse has after its arrival
        uint32_t closings;
    };
    for (Case c : {Case{true, "offline_apply_waiting_text", 2, 3, 1},
                   Case{false, "offline_banner_text", 0, 0, 0}}) {
        SCOPED_TRACE(c.banner);
        QFile::remove(program + "Data/applied.pbin");
        QFile::remove(program + "Data/profile.bin");
        SimProcess mouse;  // a fresh one: it holds nothing yet
        ASSERT_TRUE(mouse.Start(MOUSE_APP_DIR "/mouse-sim")) << mouse.Error();
        setenv("MOUSE_SIM_SOCKET", mouse.SocketPath().c_str(), 1);
        ASSERT_TRUE(SimUnplug(mouse.SocketPath()));
        Open();
        EXPECT_TRUE(wnd->ShowsNoMouseState());
        ASSERT_TRUE(Click("btn_edit_offline"));
        EXPECT_FALSE(wnd->ShowsNoMouseState());
        Edit();
        if (c.apply) {
            ASSERT_TRUE(Click("btn_apply"));
        }
        EXPECT_TRUE(Shown("offline_banner"));
        EXPECT_EQ(Find<CLabelUI>("offline_banner")->GetText(), Text(c.banner));
        EXPECT_EQ(wnd->PendingApplies(), 0);
        EXPECT_TRUE(Marker());

        ASSERT_TRUE(SimPlug(mouse.SocketPath()));
        ASSERT_TRUE(WaitFor([&] { return wnd->Link().CanShowWindow(); }));
        ASSERT_TRUE(WaitFor([&] { return wnd->PendingApplies() == 0; }));
        wnd->Link().Worker()->WaitIdle();
        std::optional<SimState> state = SimGetState(mouse.SocketPath());
        ASSERT_TRUE(state.has_value());
        EXPECT_EQ(state->buttonMode, c.buttonMode);
        EXPECT_EQ(state->dpiLevel, c.dpiLevel);
        EXPECT_EQ(state->closingCount, c.closings);
        ASSERT_TRUE(WaitFor([&] { return Marker() != c.apply; }));
        EXPECT_FALSE(Shown("offline_banner"));

        // Seen: the next start without the mouse opens the pages.
        wnd.reset();
        ASSERT_TRUE(SimUnplug(mouse.SocketPath()));
        Open();
        EXPECT_FALSE(wnd->ShowsNoMouseState());
        EXPECT_TRUE(Shown("offline_banner"));
        EXPECT_EQ(Marker(), !c.apply) << "unapplied edits were kept";
        wnd.reset();
    }
}

// A mouse plugged in but closed to this user is told as such, with the
// commands that open it, which the copy button puts on the clipboard.
TEST_F(OfflineTest, AMouseClosedToTheUserIsToldWithTheCommandsThatOpenIt) {
    SimProcess mouse;
    ASSERT_TRUE(mouse.Start(MOUSE_APP_DIR "/mouse-sim", {"--unplugged"})) << mouse.Error();
    setenv("MOUSE_SIM_SOCKET", mouse.SocketPath().c_str(), 1);
    const QString commands = "sudo udevadm control --reload";
    for (bool blocked : {false, true}) {
        SCOPED_TRACE(blocked ? "blocked" : "absent");
        access =
            blocked ? HidrawAccess{{{"/dev/hidraw3", false, "Permission denied"}}} : HidrawAccess{};
        QGuiApplication::clipboard()->clear();
        Open();
        ASSERT_TRUE(wnd->ShowsNoMouseState());
        EXPECT_EQ(Find<CLabelUI>("no_mouse_title_label")->GetText(),
                  Text(blocked ? "no_mouse_blocked_title_text" : "no_mouse_title_text"));
        EXPECT_EQ(Find<CLabelUI>("no_mouse_hint_label")->GetText().contains(commands), blocked);
        EXPECT_EQ(Shown("btn_copy_fix"), blocked);
        if (blocked) {
            ASSERT_TRUE(Click("btn_copy_fix"));
            EXPECT_TRUE(QGuiApplication::clipboard()->text().contains(commands))
                << QGuiApplication::clipboard()->text().toStdString();
        }
        ASSERT_TRUE(Click("btn_edit_offline"));
        EXPECT_EQ(Find<CLabelUI>("offline_banner")->GetText(),
                  Text(blocked ? "offline_blocked_banner_text" : "offline_banner_text"));
        wnd.reset();
    }
}

// The mouse's DPI button only selects levels the profile uses.
TEST_F(OfflineTest, ADpiNoticeBeyondTheLevelsInUseChangesNothing) {
    StartMouse();
    Open();
    ASSERT_TRUE(WaitFor([&] { return wnd->Link().CanShowWindow(); }));
    ASSERT_TRUE(Find<CComboUI>("max_dpi_combo")->SelectItem(3));  // four levels
    ASSERT_EQ(wnd->CurrentProfile().dpiLevelCount, 4);
    ASSERT_TRUE(Click("prate_1_option"));  // index 0; every sentry below changes it
    struct Case {
        int press;
        int level;   // the current level afterwards, 0-based; -1 unchanged
        int sentry;  // a report-rate press after it, to know it was handled
    };
    for (Case c : {Case{5, -1, 1}, Case{4, 3, 2}, Case{8, -1, 4}, Case{1, 0, 8}}) {
        SCOPED_TRACE(c.press);
        const ProfileRecord before = wnd->CurrentProfile();
        ASSERT_TRUE(SimPress(sim.SocketPath(), SimButton::Dpi, c.press));
        ASSERT_TRUE(SimPress(sim.SocketPath(), SimButton::Rate, c.sentry));
        ASSERT_TRUE(WaitFor(
            [&] { return wnd->CurrentProfile().reportRateIndex != before.reportRateIndex; }));
        EXPECT_EQ(wnd->CurrentProfile().currentDpiLevel,
                  c.level < 0 ? before.currentDpiLevel : c.level);
        EXPECT_EQ(wnd->CurrentProfile().dpiLevelCount, 4);
    }
}

}  // namespace
}  // namespace mouse
