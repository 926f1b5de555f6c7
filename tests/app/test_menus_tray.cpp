// The menus and their routing, and desktops without a tray: the missing
// mouse and library shown in the window, or told as a notice.
#include <gtest/gtest.h>
#include <QTest>

#include "app/autostart.h"
#include "profiles_fixture.h"

namespace mouse {
namespace {

using namespace profilestest;

// ---- menus ---------------------------------------------------------------------

TEST(MenuRouting, EveryCommandGoesWhereTheTableSaysWithoutRegardToCase) {
    struct Case {
        const char* name;
        MenuTarget target;
        const char* command;
    } cases[] = {
        {"configuration", MenuTarget::Configuration, "configuration"},
        {"CONFIGURATION", MenuTarget::Configuration, "configuration"},
        {"exit", MenuTarget::Exit, "exit"},
        {"Exit", MenuTarget::Exit, "exit"},
        {"AutoStart", MenuTarget::Autostart, "autostart"},
        {"import_profile", MenuTarget::ImportProfile, "import_profile"},
        {"Export_Profile", MenuTarget::ExportProfile, "export_profile"},
        {"rename_macro_dir", MenuTarget::MacroPage, "rename_macro_dir"},
        {"IMPORT_MACRO_DIR", MenuTarget::MacroPage, "import_macro_dir"},
        {"export_macro_dir", MenuTarget::MacroPage, "export_macro_dir"},
        {"Rename_Macro", MenuTarget::MacroPage, "rename_macro"},
        {"import_macro", MenuTarget::MacroPage, "import_macro"},
        {"export_macro", MenuTarget::MacroPage, "export_macro"},
        {"rename_gun_dir", MenuTarget::GunPage, "rename_gun_dir"},
        {"import_gun_dir", MenuTarget::GunPage, "import_gun_dir"},
        {"Export_Gun_Dir", MenuTarget::GunPage, "export_gun_dir"},
        {"rename_gun", MenuTarget::GunPage, "rename_gun"},
        {"IMPORT_GUN", MenuTarget::GunPage, "import_gun"},
        {"export_gun", MenuTarget::GunPage, "export_gun"},
        {"tray_profile_12", MenuTarget::Profile, "tray_profile_12"},
        // Everything else, unchanged, to the button page.
        {"copy", MenuTarget::ButtonPage, "copy"},
        {"select_Macro", MenuTarget::ButtonPage, "select_Macro"},
        {"export_macros", MenuTarget::ButtonPage, "export_macros"},
        {"exit ", MenuTarget::ButtonPage, "exit "},
        {"", MenuTarget::ButtonPage, ""},
    };
    for (const Case& c : cases) {
        const MenuRoute route = RouteMenuCommand(QString::fromLatin1(c.name));
        EXPECT_EQ(route.target, c.target) << c.name;
        EXPECT_EQ(route.command, QString::fromLatin1(c.command)) << c.name;
    }
}

TEST_F(ProfilesTest, OnlyOnePopUpMenuIsOpenAtATime) {
    Create();
    wnd->ShowMainWindow();
    ASSERT_TRUE(Click("btn_menu_profile"));
    QPointer<QWidget> profileMenu = wnd->CurrentMenu()->GetHostWidget();
    wnd->TrayIcon().SimulateClick(true);
    ASSERT_TRUE(WaitFor([&] {
        return wnd->CurrentMenu() != nullptr && wnd->CurrentMenu()->GetSkinFile() == "traymenu.xml";
    }));
    EXPECT_TRUE(profileMenu.isNull() || !profileMenu->isVisible()) << "the profile menu closed";
    QPointer<QWidget> trayMenu = wnd->CurrentMenu()->GetHostWidget();
    ASSERT_TRUE(Click("setting_btn"));
    EXPECT_EQ(wnd->CurrentMenu()->GetSkinFile(), "settingmenu.xml");
    EXPECT_TRUE(trayMenu.isNull() || !trayMenu->isVisible()) << "the tray menu closed";
    // The pages' own menus open in the same place.
    QPointer<QWidget> settingMenu = wnd->CurrentMenu()->GetHostWidget();
    wnd->ButtonPage().OpenButtonMenu(0);
    ASSERT_NE(wnd->CurrentMenu(), nullptr);
    EXPECT_EQ(wnd->CurrentMenu()->GetSkinFile(), "buttonmenu.xml");
    EXPECT_TRUE(settingMenu.isNull() || !settingMenu->isVisible()) << "the settings menu closed";
    QPointer<QWidget> buttonMenu = wnd->CurrentMenu()->GetHostWidget();
    ASSERT_TRUE(Click("btn_menu_profile"));
    EXPECT_EQ(wnd->CurrentMenu()->GetSkinFile(), "profilemenu.xml");
    EXPECT_TRUE(buttonMenu.isNull() || !buttonMenu->isVisible()) << "the button menu closed";
}

TEST_F(ProfilesTest, TheTrayMenuListsTheProfilesAndAClickSwitchesAndApplies) {
    StartMouse();
    WriteProfiles({Named(u"Work", 0).get(), Named(u"Play", 3).get(), Named(u"Other", 1).get()});
    Create();
    ASSERT_TRUE(WaitFor([&] { return wnd->Link().CanShowWindow(); }));
    const struct {
        int click;
        int mode;  // the mouse's button mode and DPI level afterwards
        int dpi;
    } cases[] = {{1, 2, 4}, {2, 2, 2}, {0, 1, 1}};
    for (const auto& c : cases) {
        const int current = wnd->CurrentProfileIndex();
        wnd->ClosePopupMenu();  // the menu of the last click
        wnd->TrayIcon().SimulateClick(true);
        ASSERT_TRUE(WaitFor([&] {
            return wnd->CurrentMenu() != nullptr &&
                   wnd->CurrentMenu()->GetSkinFile() == "traymenu.xml";
        }));
        CMenuWnd* menu = wnd->CurrentMenu();
        EXPECT_EQ(menu->GetVisibleItemCount(), 5) << "three profiles, configuration and exit";
        const char16_t* names[] = {u"Work", u"Play", u"Other"};
        for (int i = 0; i < 3; ++i) {
            auto* item =
                dynamic_cast<COptionUI*>(menu->FindItem(QString("tray_profile_%1").arg(i)));
            ASSERT_NE(item, nullptr) << i;
            EXPECT_EQ(item->GetText(), QString::fromStdU16String(names[i]));
            EXPECT_EQ(item->IsSelected(), i == current) << i;
        }
        const uint32_t closings = Closings();
        menu->FindItem(QString("tray_profile_%1").arg(c.click))->Activate();
        ASSERT_TRUE(WaitFor([&] { return Closings() == closings + 1; })) << "applied";
        EXPECT_EQ(wnd->CurrentProfileIndex(), c.click);
        EXPECT_EQ(Find<CComboUI>("profile_combo")->GetCurSel(), c.click);
        std::optional<SimState> state = SimGetState(sim.SocketPath());
        ASSERT_TRUE(state.has_value());
        EXPECT_EQ(state->buttonMode, c.mode) << c.click;
        EXPECT_EQ(state->dpiLevel, c.dpi) << c.click;
    }
}

// ---- desktops without a tray -------------------------------------------------------

TEST_F(ProfilesTest, WithoutATrayTheWindowShowsTheMissingMouseAndGetsReadyWhenItArrives) {
    CTrayIcon::SetAvailabilityOverride(false);
    StartMouse();
    ASSERT_TRUE(SimUnplug(sim.SocketPath()));
    Create();
    EXPECT_FALSE(wnd->StartsHidden(false)) << "a start from the menu shows the window";
    EXPECT_TRUE(wnd->StartsHidden(true)) << "an autostart stays hidden";
    EXPECT_TRUE(wnd->ShowsNoMouseState() || !wnd->IsWindowVisible());
    wnd->SendMessage(kMsgShowRequest, 0, 0);  // a second copy
    EXPECT_TRUE(wnd->IsWindowVisible());
    EXPECT_TRUE(wnd->ShowsNoMouseState());
    QCoreApplication::processEvents();
    EXPECT_TRUE(ModalSeam::Answered().isEmpty()) << "no box: the window tells it";

    ASSERT_TRUE(SimPlug(sim.SocketPath()));
    ASSERT_TRUE(WaitFor([&] { return !wnd->ShowsNoMouseState(); }));
    EXPECT_TRUE(wnd->Link().CanShowWindow());
    EXPECT_TRUE(wnd->IsWindowVisible());

    // Unplugged again: the window stays usable, with the banner.
    ASSERT_TRUE(SimUnplug(sim.SocketPath()));
    ASSERT_TRUE(WaitFor([&] { return Find("offline_banner")->IsVisible(); }));
    EXPECT_FALSE(wnd->ShowsNoMouseState());
    EXPECT_TRUE(wnd->IsWindowVisible());

    // Closing keeps the program; Quit in the settings menu ends it.
    wnd->SendMessage(WM_CLOSE, 0, 0);
    EXPECT_FALSE(wnd->IsWindowVisible());
    EXPECT_EQ(quits, 0);
    wnd->SendMessage(kMsgShowRequest, 0, 0);
    EXPECT_TRUE(wnd->IsWindowVisible());
    ASSERT_TRUE(Click("setting_btn"));
    ASSERT_NE(wnd->CurrentMenu(), nullptr);
    CButtonUI* quit = wnd->CurrentMenu()->FindItem("exit");
    ASSERT_NE(quit, nullptr);
    EXPECT_EQ(quit->GetText(), Text("quit_text"));
    quit->Activate();
    EXPECT_TRUE(WaitFor([&] { return quits == 1; }));
}

TEST_F(ProfilesTest, AMissingLibraryIsNamedInTheWindowWithoutATray) {
    CTrayIcon::SetAvailabilityOverride(false);
    Create(program + "MSDriver.so");  // not there
    wnd->ShowWindowOrNoDevice();
    EXPECT_TRUE(wnd->IsWindowVisible());
    EXPECT_TRUE(wnd->ShowsNoMouseState());
    auto* reason = wnd->FindControl<CLabelUI>("no_mouse_reason_label");
    ASSERT_NE(reason, nullptr);
    EXPECT_TRUE(reason->GetText().contains("MSDriver.so")) << reason->GetText().toStdString();
}

TEST_F(ProfilesTest, WithATrayTheNoDeviceMessageIsANoticeShownOnceAtATime) {
    Create();
    EXPECT_FALSE(wnd->StartsHidden(false)) << "a start from the menu shows the no-mouse view";
    // A second request while the box is open is answered by that box: the
    // second answer stays unused until a request after it closed.
    ModalSeam::Answer(1, [this](WindowImplBase& w) {
        auto& box = static_cast<CMsgWnd&>(w);
        boxes.push_back({box.GetMsg(), box.IsNotice()});
        wnd->SendMessage(kMsgShowRequest, 0, 0);
    });
    Answer(1);
    wnd->TrayIcon().SimulateClick(false);
    ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }));
    EXPECT_EQ(ModalSeam::Pending(), 1);
    wnd->SendMessage(kMsgShowRequest, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return boxes.size() == 2; }));
    EXPECT_EQ(boxes[1].msg, "no_connect_device_text");
    EXPECT_TRUE(boxes[1].notice);
    EXPECT_FALSE(wnd->IsWindowVisible());
}

// ---- start at login, a hidden start ------------------------------------------------

TEST(AutostartEntry, ExecQuotesAnArgumentOnlyWhereTheEntryRulesAsk) {
    const struct {
        const char* argument;
        const char* exec;
    } cases[] = {
        {"mouse-driver", "mouse-driver"},
        {"/usr/lib/mouse-driver/mouse-driver", "/usr/lib/mouse-driver/mouse-driver"},
        {"/home/a b/mouse-driver", "\"/home/a b/mouse-driver\""},
        {"/x/100%/m", "/x/100%%/m"},
        {"/x/$HOME \"q\"/m", "\"/x/\\\\$HOME \\\\\"q\\\\\"/m\""},
        {"/x/back\\slash", "\"/x/back\\\\\\\\slash\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DesktopExecArgument(c.argument), c.exec) << c.argument;
        EXPECT_NE(AutostartEntry(c.argument).find(std::string("\nExec=") + c.exec + " --tray\n"),
                  std::string::npos)
            << c.argument;
    }
}

TEST(AutostartEntry, LivesInTheXdgConfigFolderOrUnderHome) {
    const struct {
        const char* configHome;
        const char* home;
        const char* file;
    } cases[] = {
        {"/cfg", "/home/u", "/cfg/autostart/io.github.mousedriver.MouseDriver.desktop"},
        {"relative", "/home/u",
         "/home/u/.config/autostart/io.github.mousedriver.MouseDriver.desktop"},
        {nullptr, "/home/u", "/home/u/.config/autostart/io.github.mousedriver.MouseDriver.desktop"},
    };
    for (const auto& c : cases) {
        const auto env = [&c](const char* name) {
            return std::string_view(name) == "XDG_CONFIG_HOME" ? c.configHome
                   : std::string_view(name) == "HOME"          ? c.home
                                                               : nullptr;
        };
        EXPECT_EQ(AutostartFile(env), std::filesystem::path(c.file)) << c.file;
    }
}

TEST_F(ProfilesTest, StartAtLoginInTheSettingsMenuWritesAndRemovesTheAutostartEntry) {
    const QString entry = program + "config/autostart/entry.desktop";
    const struct {
        const char* before;  // nullptr: no entry
        bool shownOn;
        bool onAfterClick;
    } cases[] = {
        {nullptr, false, true},
        {"[Desktop Entry]\nExec=mouse-driver --tray\n", true, false},
        {"[Desktop Entry]\nExec=mouse-driver --tray\nHidden=true\n", false, true},
    };
    MainWndOptions options = Options();
    options.autostartCommand = "/opt/my mouse/mouse-driver";
    Create(options);
    for (const auto& c : cases) {
        QFile::remove(entry);
        if (c.before != nullptr) {
            ASSERT_TRUE(QDir().mkpath(QFileInfo(entry).path()));
            QFile f(entry);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(c.before);
        }
        ASSERT_TRUE(Click("setting_btn"));
        ASSERT_NE(wnd->CurrentMenu(), nullptr);
        auto* item = dynamic_cast<COptionUI*>(wnd->CurrentMenu()->FindItem("autostart"));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->GetText(), Text("autostart_text"));
        EXPECT_EQ(item->IsSelected(), c.shownOn) << (c.before ? c.before : "none");
        item->Activate();
        ASSERT_TRUE(WaitFor([&] { return wnd->AutostartOn() == c.onAfterClick; }))
            << (c.before ? c.before : "none");
        EXPECT_EQ(QFile::exists(entry), c.onAfterClick);
        if (c.onAfterClick) {
            QFile f(entry);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_TRUE(f.readAll().contains("\nExec=\"/opt/my mouse/mouse-driver\" --tray\n"));
        }
    }
}

TEST_F(ProfilesTest, AHiddenStartWithoutATrayTellsTheUserOnceThroughTheDesktop) {
    const struct {
        bool tray;
        bool commandLine;
        int notices;
        bool visible;
    } cases[] = {
        {false, true, 1, false},
        {true, true, 0, false},
        {false, false, 0, true},
    };
    for (const auto& c : cases) {
        CTrayIcon::SetAvailabilityOverride(c.tray);
        QStringList notices;
        MainWndOptions options = Options();
        options.notify = [&notices](const QString& title, const QString& body) {
            notices << title + "\n" + body;
        };
        Create(options);
        wnd->Start(c.commandLine);
        wnd->Start(c.commandLine);  // a second start request tells nothing new
        EXPECT_EQ(notices.size(), c.notices) << c.tray << c.commandLine;
        EXPECT_EQ(wnd->IsWindowVisible(), c.visible) << c.tray << c.commandLine;
        if (!notices.isEmpty()) {
            EXPECT_EQ(notices[0],
                      Text("hidden_start_title_text") + "\n" + Text("hidden_start_text"));
        }
        wnd.reset();
    }
}

}  // namespace
}  // namespace mouse
