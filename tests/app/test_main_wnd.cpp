// The main window in-process, offscreen, with the real device-access library
// against a virtual mouse, in a fresh program folder per test.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <filesystem>

#include <cerrno>
#include <cstring>

#include "main_wnd_fixture.h"

namespace mouse {
namespace {

using namespace mainwndtest;

TEST_F(MainWndTest, FirstStartCreatesTheStoresAndApplyWritesTheProfileToTheMouse) {
    StartMouse();
    WriteIni(0);
    Create();
    EXPECT_EQ(ReadAll(program + "Data/Data.bin"), QByteArray(8, '\0'));
    QByteArray profiles = ReadAll(program + "Data/profile.bin");
    ASSERT_EQ(profiles.size(), qsizetype(sizeof(ProfileRecord)));
    EXPECT_EQ(ReadText(wnd->CurrentProfile().name), u"Profile1");
    EXPECT_FALSE(wnd->StartsHidden(false));
    EXPECT_TRUE(wnd->StartsHidden(true));
    auto* combo = wnd->FindControl<CComboUI>("profile_combo");
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->GetCount(), 1);
    EXPECT_EQ(combo->GetItemText(0), "Profile1");

    // Apply a changed profile; both stores are written again afterwards.
    wnd->CurrentProfile().buttonMode = 1;
    wnd->CurrentProfile().currentDpiLevel = 2;
    QFile::remove(program + "Data/Data.bin");
    QFile::remove(program + "Data/profile.bin");
    wnd->ShowMainWindow();
    CControlUI* ring = wnd->FindControl("ring_ver");
    ASSERT_NE(ring, nullptr);
    EXPECT_FALSE(ring->IsVisible());
    ASSERT_TRUE(Click("btn_apply"));
    EXPECT_TRUE(ring->IsVisible());
    ASSERT_TRUE(WaitFor([&] { return wnd->PendingApplies() == 0; }));
    EXPECT_FALSE(ring->IsVisible());
    wnd->Writer().Drain();  // the stores are written in the background

    std::optional<SimState> state = SimGetState(sim.SocketPath());
    ASSERT_TRUE(state.has_value());
    const ProfileRecord& p = wnd->CurrentProfile();
    EXPECT_EQ(state->buttonMode, 2);
    EXPECT_EQ(state->dpiLevel, 3);
    EXPECT_EQ(state->buttonTable, EncodeButtonTable(p, wnd->Config().buttonOverrides).codes);
    auto dpi = EncodeDpiTable(p, 3311);
    EXPECT_TRUE(std::equal(dpi.begin(), dpi.end(), state->dpiTable.begin()));
    EXPECT_EQ(state->closingCount, 1u);
    EXPECT_EQ(ReadAll(program + "Data/Data.bin"), QByteArray(8, '\0'));
    profiles = ReadAll(program + "Data/profile.bin");
    ASSERT_EQ(profiles.size(), qsizetype(sizeof(ProfileRecord)));
    EXPECT_EQ(std::memcmp(profiles.data(), &p, sizeof p), 0);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MainWndTest, ADifferentFirmwareAsksForTheUpdateAndDecliningKeepsRunning) {
    StartMouse({"--version", "2.0"});
    AnswerNextMessage(0);
    Create();
    ASSERT_TRUE(WaitFor([&] { return !messages.isEmpty(); }));
    EXPECT_EQ(messages, QStringList{"update_fw_text"});
    QCoreApplication::processEvents();
    EXPECT_EQ(quits, 0);
    EXPECT_TRUE(launcher.programs.isEmpty());
    // The program goes on: a show request brings the window up.
    wnd->SendMessage(kMsgShowRequest, 0, 0);
    EXPECT_TRUE(wnd->IsWindowVisible());
}

TEST_F(MainWndTest, ConfirmingTheUpdateStartsTheUpdaterAndEndsTheProgram) {
    StartMouse({"--version", "1.1"});
    AnswerNextMessage(1);
    Create();
    ASSERT_TRUE(WaitFor([&] { return quits > 0; }));
    EXPECT_EQ(launcher.programs, QStringList{program + "Update/flashOnLine"});
}

TEST_F(MainWndTest, AnUpdaterThatCannotBeStartedIsToldAndTheProgramGoesOn) {
    StartMouse({"--version", "1.1"});
    launcher.startResult = false;
    AnswerNextMessage(1);  // the update question
    bool notice = false;
    ModalSeam::Answer(1, [&](WindowImplBase& w) {
        if (auto* box = dynamic_cast<CMsgWnd*>(&w)) {
            messages << box->GetMsg();
            notice = box->IsNotice();
        }
    });
    Create();
    ASSERT_TRUE(WaitFor([&] { return messages.size() == 2; }));
    EXPECT_EQ(messages[0], "update_fw_text");
    EXPECT_TRUE(messages[1].startsWith(Text("update_start_failed_text")))
        << messages[1].toStdString();
    EXPECT_TRUE(notice) << "a notice has one OK button";
    EXPECT_EQ(launcher.programs, QStringList{program + "Update/flashOnLine"});
    QCoreApplication::processEvents();
    EXPECT_EQ(quits, 0);
    wnd->SendMessage(kMsgShowRequest, 0, 0);
    EXPECT_TRUE(wnd->IsWindowVisible());
}

TEST_F(MainWndTest, TheUpdateQuestionWaitsUntilEveryWorkerResultIsHandled) {
    StartMouse({"--version", "1.1"});
    // Two applies queued behind the start-up's settings sync and version
    // read: their results arrive in the same batch as the version. The
    // question must only open once the batch is handled, and confirming it
    // ends the program without touching the link again.
    int pendingAtQuestion = -1;
    ModalSeam::Answer(1, [&](WindowImplBase&) { pendingAtQuestion = wnd->PendingApplies(); });
    Create();
    wnd->ShowMainWindow();
    ASSERT_TRUE(Click("btn_apply"));
    ASSERT_TRUE(Click("btn_apply"));
    wnd->Link().Worker()->WaitIdle();
    ASSERT_TRUE(WaitFor([&] { return quits > 0; }));
    EXPECT_EQ(pendingAtQuestion, 0);
    EXPECT_EQ(launcher.programs, QStringList{program + "Update/flashOnLine"});
    EXPECT_EQ(Closings(), 2u);
}

TEST_F(MainWndTest, AnApplyTellsWhetherTheMouseTookIt) {
    StartMouse();
    WriteIni(0);
    Create();
    wnd->ShowMainWindow();
    wnd->Link().Worker()->WaitIdle();

    ASSERT_TRUE(Click("btn_apply"));
    EXPECT_EQ(StatusText(), QString()) << "nothing is claimed before the mouse answered";
    ASSERT_TRUE(WaitFor([&] { return wnd->PendingApplies() == 0; }));
    EXPECT_EQ(StatusText(), Text("apply_done_text"));
    // The confirmation goes by itself.
    ASSERT_TRUE(wnd->FireTimer(53));
    EXPECT_EQ(StatusText(), QString());

    // The mouse refuses the button table: the message names it and stays.
    ASSERT_TRUE(SimFailCommand(sim.SocketPath(), SimCall::SetFeature, 0x12));
    ASSERT_TRUE(Click("btn_apply"));
    ASSERT_TRUE(WaitFor([&] { return wnd->PendingApplies() == 0; }));
    EXPECT_EQ(StatusText(), Text("apply_failed_text").arg("button table"));
    EXPECT_FALSE(wnd->FireTimer(53)) << "a failure is not hidden by a timer";
    // Two refused steps: the first in order is named, the rest counted.
    ASSERT_TRUE(SimFailCommand(sim.SocketPath(), SimCall::SetFeature, 0x11));
    ASSERT_TRUE(Click("btn_apply"));
    ASSERT_TRUE(WaitFor([&] { return wnd->PendingApplies() == 0; }));
    EXPECT_EQ(StatusText(), Text("apply_failed_text").arg("DPI table (+1)"));

    // Every report refused (as when the mouse is pulled out mid-apply).
    ASSERT_TRUE(SimFailAll(sim.SocketPath()));
    ASSERT_TRUE(Click("btn_apply"));
    ASSERT_TRUE(WaitFor([&] { return wnd->PendingApplies() == 0; }));
    EXPECT_EQ(StatusText(), Text("apply_no_answer_text"));
    EXPECT_TRUE(messages.isEmpty()) << "no box for a refused apply";
}

TEST_F(MainWndTest, NoUpdateQuestionWhenTheVersionMatchesOrUpdateIsOff) {
    struct Case {
        const char* version;
        int update;
    };
    for (Case c : {Case{"1.0", 1}, Case{"2.0", 0}}) {
        SCOPED_TRACE(c.version);
        SimProcess mouse;
        ASSERT_TRUE(mouse.Start(MOUSE_APP_DIR "/mouse-sim", {"--version", c.version}));
        setenv("MOUSE_SIM_SOCKET", mouse.SocketPath().c_str(), 1);
        WriteIni(c.update);
        AnswerNextMessage(1);
        Create();
        // Every job of the start-up has run once the worker is idle; its
        // answers are then in the window's queue.
        wnd->Link().Worker()->WaitIdle();
        ASSERT_TRUE(WaitFor([&] { return SimGetState(mouse.SocketPath()).has_value(); }));
        for (int i = 0; i < 20; ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        EXPECT_TRUE(messages.isEmpty());
        EXPECT_EQ(ModalSeam::Pending(), 1) << "no question was asked";
        EXPECT_TRUE(wnd->Link().CanShowWindow());
        wnd.reset();
        ModalSeam::Clear();
    }
}

TEST_F(MainWndTest, AnApplyUnderWayWhenTheProgramEndsIsStillSaved) {
    StartMouse();
    WriteIni(0);
    MainWndOptions options = Options();
    options.workerPause = [](int) { QThread::msleep(2); };
    Create(options);
    wnd->Link().Worker()->WaitIdle();
    wnd->CurrentProfile().buttonMode = 1;
    QFile::remove(program + "Data/profile.bin");
    ASSERT_TRUE(Click("btn_apply"));
    wnd.reset();  // the tray menu's exit, right after the click
    QByteArray saved = ReadAll(program + "Data/profile.bin");
    ASSERT_EQ(saved.size(), qsizetype(sizeof(ProfileRecord)));
    EXPECT_EQ(reinterpret_cast<const ProfileRecord*>(saved.data())->buttonMode, 1);
    EXPECT_EQ(Closings(), 1u);
}

TEST_F(MainWndTest, WithoutTheMouseATrayClickShowsTheNoDeviceMessage) {
    Create();
    AnswerNextMessage(1);
    wnd->TrayIcon().SimulateClick(false);
    ASSERT_TRUE(WaitFor([&] { return !messages.isEmpty(); }));
    EXPECT_EQ(messages, QStringList{"no_connect_device_text"});
    EXPECT_FALSE(wnd->IsWindowVisible());
}

TEST_F(MainWndTest, AMissingLibraryIsExplainedAndNothingIsCalled) {
    Create(program + "MSDriver.so");
    EXPECT_EQ(wnd->Link().connectionState(), 0);
    AnswerNextMessage(1);
    wnd->SendMessage(kMsgShowRequest, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return messages.size() == 1; }));
    EXPECT_TRUE(messages[0].contains("MSDriver.so")) << messages[0].toStdString();
    // An apply still ends and hides the busy indicator, and says that
    // nothing reached the mouse.
    ASSERT_TRUE(Click("btn_apply"));
    ASSERT_TRUE(WaitFor([&] { return wnd->PendingApplies() == 0; }));
    EXPECT_EQ(StatusText(), Text("apply_no_answer_text"));
}

TEST_F(MainWndTest, ShowRequestAndTrayShowTheWindowWhenTheMouseIsReady) {
    StartMouse();
    WriteIni(0);
    Create();
    EXPECT_FALSE(wnd->IsWindowVisible());
    wnd->SendMessage(kMsgShowRequest, 0, 0);
    EXPECT_TRUE(wnd->IsWindowVisible());
    // exit_btn only hides: the link and the tray stay.
    ASSERT_TRUE(Click("exit_btn"));
    EXPECT_FALSE(wnd->IsWindowVisible());
    EXPECT_TRUE(wnd->Link().CanShowWindow());
    EXPECT_EQ(quits, 0);
    wnd->TrayIcon().SimulateClick(false);
    EXPECT_TRUE(WaitFor([&] { return wnd->IsWindowVisible(); }));
}

TEST_F(MainWndTest, MenuCommandsAreRoutedByNameWithoutRegardToCase) {
    StartMouse();
    WriteIni(0);
    Create();
    auto post = [&](const char* name) {
        auto* cmd = new MenuCmd{name, {}, {}};
        wnd->SendMessage(kMsgMenu, WPARAM(cmd), 0);
    };
    post("Configuration");
    EXPECT_TRUE(wnd->IsWindowVisible());
    post("copy");
    EXPECT_EQ(wnd->ButtonPage().LastMenuCommand(), "copy");
    ModalSeam::Clear();
    ModalSeam::Answer(0);  // the select-macro dialog the command opens
    post("select_Macro");
    EXPECT_EQ(wnd->ButtonPage().LastMenuCommand(), "select_Macro") << "passed on unchanged";
    EXPECT_EQ(ModalSeam::Answered(), QStringList{"SelectMacroWnd"});
    EXPECT_EQ(quits, 0);
    post("EXIT");
    EXPECT_TRUE(WaitFor([&] { return quits == 1; }));
    EXPECT_FALSE(wnd->IsWindowVisible());
}

TEST_F(MainWndTest, ClosingTheWindowOnlyHidesIt) {
    StartMouse();
    WriteIni(0);
    Create();
    wnd->ShowMainWindow();
    wnd->SendMessage(WM_CLOSE, 0, 0);
    EXPECT_FALSE(wnd->IsWindowVisible());
    EXPECT_EQ(quits, 0);
    wnd->TrayIcon().SimulateClick(false);
    EXPECT_TRUE(WaitFor([&] { return wnd->IsWindowVisible(); })) << "the window is only hidden";
}

TEST_F(MainWndTest, TheTrayMenuOffersConfigurationAndExit) {
    Create();
    wnd->TrayIcon().SimulateClick(true);
    ASSERT_TRUE(WaitFor([&] { return wnd->CurrentMenu() != nullptr; }));
    CMenuWnd* menu = wnd->CurrentMenu();
    ASSERT_NE(menu->FindItem("configuration"), nullptr);
    CButtonUI* exit = menu->FindItem("exit");
    ASSERT_NE(exit, nullptr);
    exit->Activate();
    EXPECT_TRUE(WaitFor([&] { return quits == 1; }));
}

TEST_F(MainWndTest, DeviceChangesShowTheBannerAndNoticesAreSaved) {
    StartMouse();
    WriteIni(0);
    Create();
    wnd->ShowMainWindow();
    ASSERT_TRUE(SimPress(sim.SocketPath(), SimButton::Mode, 2));
    ASSERT_TRUE(WaitFor([&] { return wnd->CurrentProfile().buttonMode == 1; }));
    wnd->Writer().Drain();
    QByteArray saved = ReadAll(program + "Data/profile.bin");
    ASSERT_EQ(saved.size(), qsizetype(sizeof(ProfileRecord)));
    EXPECT_EQ(reinterpret_cast<const ProfileRecord*>(saved.data())->buttonMode, 1);

    ASSERT_TRUE(SimUnplug(sim.SocketPath()));
    ASSERT_TRUE(WaitFor([&] { return Find("offline_banner")->IsVisible(); }));
    EXPECT_FALSE(wnd->Link().CanShowWindow());
    EXPECT_TRUE(wnd->IsWindowVisible()) << "the window stays usable";
    uint32_t before = Accepted();
    ASSERT_TRUE(SimPlug(sim.SocketPath()));
    // The arrival waits half a second, then opens and synchronises.
    ASSERT_TRUE(WaitFor([&] { return wnd->Link().CanShowWindow(); }));
    ASSERT_TRUE(WaitFor([&] { return Accepted() >= before + 3; }));
    EXPECT_FALSE(Find("offline_banner")->IsVisible());
}

TEST_F(MainWndTest, TabButtonsSwitchThePages) {
    Create();
    auto* configTab = wnd->FindControl<CTabLayoutUI>("config_tab");
    auto* mainTab = wnd->FindControl<CTabLayoutUI>("main_tab");
    ASSERT_TRUE(configTab && mainTab);
    struct Case {
        const char* option;
        int config;
        int main;
    };
    for (Case c : {Case{"light_btn", 0, 2}, Case{"macro_btn", 1, 2}, Case{"performance_btn", 0, 1},
                   Case{"gun_btn", 2, 1}, Case{"key_btn", 0, 0}}) {
        ASSERT_TRUE(Click(c.option)) << c.option;
        EXPECT_EQ(configTab->GetCurSel(), c.config) << c.option;
        EXPECT_EQ(mainTab->GetCurSel(), c.main) << c.option;
    }
}

TEST_F(MainWndTest, TheLogoOpensTheWebAddressOfTheLanguageFile) {
    Create();
    ASSERT_TRUE(Click("logo_btn"));
    ASSERT_EQ(launcher.urls.size(), 1);
    EXPECT_TRUE(IsWebAddress(launcher.urls[0]));
}

TEST(IsWebAddress, AcceptsOnlyHttpAndHttpsWithAHost) {
    EXPECT_TRUE(IsWebAddress("https://example.com/mouse"));
    EXPECT_TRUE(IsWebAddress("HTTP://example.com"));
    EXPECT_FALSE(IsWebAddress("file:///etc/passwd"));
    EXPECT_FALSE(IsWebAddress("/usr/bin/xterm"));
    EXPECT_FALSE(IsWebAddress("javascript:alert(1)"));
    EXPECT_FALSE(IsWebAddress("https://"));
    EXPECT_FALSE(IsWebAddress(""));
}

// A skin without a control a page needs does not come up half set up: the
// window says so and stops before the stores and the device.
TEST_F(MainWndTest, ASkinThatLacksAPageControlIsRefused) {
    namespace fs = std::filesystem;
    const fs::path res = (program + "res").toStdString();
    fs::copy(MOUSE_APP_DIR "/res", res, fs::copy_options::recursive);
    QFile skin(QString::fromStdString((res / "main.xml").string()));
    ASSERT_TRUE(skin.open(QIODevice::ReadOnly));
    QByteArray xml = skin.readAll();
    skin.close();
    ASSERT_TRUE(xml.contains("name=\"macro_list\""));
    xml.replace("name=\"macro_list\"", "name=\"macro_list_gone\"");
    ASSERT_TRUE(skin.open(QIODevice::WriteOnly | QIODevice::Truncate));
    skin.write(xml);
    skin.close();
    CPaintManagerUI::SetResourcePath(program + "res/");
    Create();
    CPaintManagerUI::SetResourcePath(MOUSE_APP_DIR "/res/");
    EXPECT_TRUE(wnd->SkinIncomplete());
    EXPECT_TRUE(CPaintManagerUI::GetErrors().join(' ').contains("macro_list")) << "and says which";
    EXPECT_FALSE(QFile::exists(program + "Data/Data.bin")) << "the stores were not touched";
}

}  // namespace
}  // namespace mouse
