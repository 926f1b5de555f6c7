// Profile management, the menus and their routing, and desktops without a
// tray: the main window in-process (offscreen) in a fresh program folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <functional>

#include "app/main_wnd.h"
#include "app/menu_route.h"
#include "app_test_util.h"
#include "buttons/msg_wnd.h"
#include "device/messages.h"
#include "drivers/sim/sim_client.h"
#include "drivers/sim/sim_process.h"
#include "sim_counters.h"
#include "ui/ui.h"

namespace mouse {
namespace {

using test::WaitFor;

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray Bytes(const ProfileRecord& r) {
    return QByteArray(reinterpret_cast<const char*>(&r), sizeof r);
}

// A profile made from the program's default record with a name and a mark
// (its button mode and DPI level) that tells it apart.
std::unique_ptr<ProfileRecord> Named(const std::u16string& name, int mark = 0) {
    auto r = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*r, 3311);
    WriteText(r->name, name);
    r->currentDpiLevel = mark % 8;
    r->buttonMode = mark % 2;
    return r;
}

struct Box {
    QString msg;
    bool notice = false;
    bool overlayShown = false;
};

struct ProfilesTest : ::testing::Test {
    void SetUp() override {
        ModalSeam::Clear();
        CFileDialog::ClearAnswers();
        CPaintManagerUI::SetResourcePath(MOUSE_APP_DIR "/res/");
        ASSERT_TRUE(folder.isValid());
        program = folder.path() + "/";
        QDir().mkpath(program + "Data");
        ASSERT_TRUE(QFile::copy(MOUSE_APP_DIR "/Data/Default.pbin", program + "Data/Default.pbin"));
        WriteAll(program + "Data.ini",
                 "[Default]\r\nSensor=3311\r\nDistance=1\r\nUpdate=0\r\n[BUTTON]\r\n");
        std::memcpy(&defaultPbin, ReadAll(program + "Data/Default.pbin").constData(),
                    sizeof defaultPbin);
    }
    void TearDown() override {
        wnd.reset();
        unsetenv("MOUSE_SIM_SOCKET");
        ModalSeam::Clear();
        CFileDialog::ClearAnswers();
        CTrayIcon::SetAvailabilityOverride(true);
    }
    void StartSim() {
        ASSERT_TRUE(sim.Start(MOUSE_APP_DIR "/mouse-sim")) << sim.Error();
        setenv("MOUSE_SIM_SOCKET", sim.SocketPath().c_str(), 1);
    }
    void NoSim() { setenv("MOUSE_SIM_SOCKET", (program + "no-such-socket").toUtf8().data(), 1); }
    // profile.bin made of these records, current index 0.
    void WriteProfiles(std::initializer_list<const ProfileRecord*> records) {
        QByteArray bytes;
        for (const ProfileRecord* r : records) {
            bytes += Bytes(*r);
        }
        WriteAll(program + "Data/profile.bin", bytes);
    }
    void Create() {
        MainWndOptions options = test::TestWindowOptions(program);
        options.launcher = &launcher;
        options.quit = [this] { ++quits; };
        wnd = std::make_unique<CMainWnd>(options);
        ASSERT_TRUE(wnd->Create(nullptr)) << CPaintManagerUI::GetErrors().join("\n").toStdString();
    }
    bool Click(const char* name) {
        auto* button = wnd->FindControl<CButtonUI>(name);
        if (button == nullptr) {
            return false;
        }
        button->Activate();
        return true;
    }
    // Answers the next message box with result and notes what it showed.
    void Answer(int result) {
        ModalSeam::Answer(result, [this](WindowImplBase& w) {
            if (auto* box = dynamic_cast<CMsgWnd*>(&w)) {
                CControlUI* overlay = wnd->FindControl("disable_window_ver");
                boxes.push_back(
                    {box->GetMsg(), box->IsNotice(), overlay != nullptr && overlay->IsVisible()});
            }
        });
    }
    QStringList Names() const {
        QStringList names;
        for (const auto& p : wnd->GetStores().profiles) {
            std::u16string n = ReadText(p->name);
            names << QString::fromStdU16String(n);
        }
        return names;
    }
    QStringList ComboItems() {
        QStringList items;
        auto* combo = wnd->FindControl<CComboUI>("profile_combo");
        for (int i = 0; combo != nullptr && i < combo->GetCount(); ++i) {
            items << combo->GetItemText(i);
        }
        return items;
    }
    QString NameField() { return wnd->FindControl<CEditUI>("edit_profile_name")->GetText(); }
    // profile.bin once every queued save has been written.
    QByteArray SavedProfiles() {
        wnd->Writer().Drain();
        return ReadAll(program + "Data/profile.bin");
    }
    QByteArray ListBytes() const {
        QByteArray bytes;
        for (const auto& p : wnd->GetStores().profiles) {
            bytes += Bytes(*p);
        }
        return bytes;
    }
    static QString Text(const char* key) { return CResourceManager::GetInstance()->GetText(key); }

    struct Launcher final : mouse::Launcher {
        bool OpenUrl(const QString&) override { return true; }
        bool StartProgram(const QString&) override { return true; }
    } launcher;
    QTemporaryDir folder;
    QString program;
    SimProcess sim;
    ProfileRecord defaultPbin{};
    int quits = 0;
    std::vector<Box> boxes;
    std::unique_ptr<CMainWnd> wnd;
};

// ---- add ---------------------------------------------------------------------

TEST_F(ProfilesTest, AddNamesTheProfileAfterTheCountAndMakesItFromTheTemplate) {
    NoSim();
    struct Case {
        std::vector<std::u16string> existing;
        QString expected;
    } cases[] = {
        {{u"Profile1"}, "Profile2"},
        {{u"Profile1", u"profile3"}, "Profile3_1"},  // taken without regard to case
        {{u"Profile3", u"Profile3_1"}, "Profile3_2"},
        {{u"A", u"B", u"Profile4", u"Profile4_1", u"Profile4_2"}, "Profile6"},
    };
    for (const Case& c : cases) {
        std::vector<std::unique_ptr<ProfileRecord>> records;
        QByteArray file;
        for (size_t i = 0; i < c.existing.size(); ++i) {
            records.push_back(Named(c.existing[i], int(i)));
            file += Bytes(*records.back());
        }
        WriteAll(program + "Data/profile.bin", file);
        Create();
        ASSERT_TRUE(Click("btn_add_profile"));
        const int added = int(c.existing.size());
        ASSERT_EQ(wnd->GetStores().profiles.size(), c.existing.size() + 1)
            << c.expected.toStdString();
        EXPECT_EQ(Names().back(), c.expected);
        EXPECT_EQ(wnd->CurrentProfileIndex(), added) << "the new profile is current";
        EXPECT_EQ(ComboItems().back(), c.expected);
        EXPECT_EQ(NameField(), c.expected);
        // The template's bytes under the new name; profile.bin saved.
        ProfileRecord expected = defaultPbin;
        WriteText(expected.name, c.expected.toStdU16String());
        EXPECT_EQ(Bytes(wnd->CurrentProfile()), Bytes(expected));
        EXPECT_EQ(SavedProfiles(), file + Bytes(expected));
        wnd.reset();
    }
}

// ---- delete ------------------------------------------------------------------

TEST_F(ProfilesTest, DeleteAsksAndMakesTheSuccessorOrTheNewLastCurrent) {
    NoSim();
    struct Case {
        int profiles;
        int current;
        int answer;  // -1: no question may be asked
        QStringList names;
        int newCurrent;
    } cases[] = {
        {1, 0, -1, {"P0"}, 0},      {3, 1, 1, {"P0", "P2"}, 1},       {3, 2, 1, {"P0", "P1"}, 1},
        {3, 0, 1, {"P1", "P2"}, 0}, {3, 0, 0, {"P0", "P1", "P2"}, 0},
    };
    for (const Case& c : cases) {
        const std::string what = std::to_string(c.profiles) + "/" + std::to_string(c.current) +
                                 "/" + std::to_string(c.answer);
        std::vector<std::unique_ptr<ProfileRecord>> records;
        QByteArray file;
        for (int i = 0; i < c.profiles; ++i) {
            records.push_back(Named(u"P" + std::u16string(1, char16_t(u'0' + i)), i));
            file += Bytes(*records.back());
        }
        WriteAll(program + "Data/profile.bin", file);
        boxes.clear();
        Create();
        if (c.current != 0) {
            wnd->FindControl<CComboUI>("profile_combo")->SelectItem(c.current);
        }
        ASSERT_EQ(wnd->CurrentProfileIndex(), c.current) << what;
        // An answer is queued even where no question may come, so that a
        // wrong question cannot wait for a user.
        Answer(c.answer < 0 ? 1 : c.answer);
        ASSERT_TRUE(Click("btn_delete_profile"));
        if (c.answer < 0) {
            EXPECT_TRUE(boxes.empty()) << what;
            EXPECT_EQ(ModalSeam::Pending(), 1) << what;
            ModalSeam::Clear();
        } else {
            ASSERT_EQ(boxes.size(), 1u) << what;
            EXPECT_EQ(boxes[0].msg, "delete_profile_text");
            EXPECT_FALSE(boxes[0].notice) << "a question has OK and Cancel";
            EXPECT_TRUE(boxes[0].overlayShown) << what;
        }
        EXPECT_FALSE(wnd->FindControl("disable_window_ver")->IsVisible()) << what;
        EXPECT_EQ(Names(), c.names) << what;
        EXPECT_EQ(ComboItems(), c.names) << what;
        EXPECT_EQ(wnd->CurrentProfileIndex(), c.newCurrent) << what;
        EXPECT_EQ(NameField(), c.names[c.newCurrent]) << what;
        // The pages show the new current profile (its mark is its level).
        const int mark = c.names[c.newCurrent].mid(1).toInt();
        EXPECT_EQ(wnd->CurrentProfile().currentDpiLevel, mark) << what;
        EXPECT_EQ(wnd->ButtonPage().ShownMode(), mark % 2) << what;
        if (c.answer == 1) {
            EXPECT_EQ(SavedProfiles(), ListBytes()) << what;
        } else {
            EXPECT_EQ(SavedProfiles(), file) << what;
        }
        wnd.reset();
    }
}

// ---- reset -------------------------------------------------------------------

TEST_F(ProfilesTest, ResetKeepsTheNameAndWritesTheTemplateToTheMouse) {
    StartSim();
    auto mine = Named(u"Mine", 5);
    mine->buttons[2].functionId = 3;
    WriteProfiles({mine.get()});
    Create();
    wnd->ShowMainWindow();
    // Declined: nothing changes, nothing is sent.
    Answer(0);
    ASSERT_TRUE(Click("btn_reset_profile"));
    EXPECT_EQ(Bytes(wnd->CurrentProfile()), Bytes(*mine));
    EXPECT_EQ(wnd->PendingApplies(), 0);

    Answer(1);
    ASSERT_TRUE(Click("btn_reset_profile"));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].msg, "reset_profile_text");
    EXPECT_TRUE(boxes[1].overlayShown);
    ProfileRecord expected = defaultPbin;
    WriteText(expected.name, u"Mine");
    EXPECT_EQ(Bytes(wnd->CurrentProfile()), Bytes(expected));
    EXPECT_EQ(wnd->ButtonPage().ShownMode(), expected.buttonMode) << "the pages were refreshed";
    ASSERT_TRUE(WaitFor([&] { return wnd->PendingApplies() == 0; }));
    EXPECT_EQ(test::ClosingCommands(sim.SocketPath()), 1u) << "the reset was applied";
    std::optional<SimState> state = SimGetState(sim.SocketPath());
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(state->buttonMode, expected.buttonMode + 1);
    EXPECT_EQ(SavedProfiles(), Bytes(expected));
}

// ---- rename ------------------------------------------------------------------

TEST_F(ProfilesTest, RenameOnFocusLossOrEnterRefusesDuplicatesAndIgnoresCase) {
    NoSim();
    struct Case {
        QString typed;
        bool byEnter;
        QString name;   // the current profile's name afterwards
        QString field;  // the field afterwards
        bool saved;
    } cases[] = {
        {"Work", false, "Work", "Work", true},
        {"Work", true, "Work", "Work", true},
        {"first", false, "First", "first", false},  // letter case only: nothing happens
        {"SECOND", true, "First", "First", false},  // another profile's name
        {"", false, "", "", true},                  // empty, and no other is empty
        {QString(60, 'x'), false, QString(49, 'x'), QString(49, 'x'), true},
    };
    auto first = Named(u"First");
    auto second = Named(u"Second", 1);
    for (const Case& c : cases) {
        const std::string what = c.typed.left(10).toStdString() + (c.byEnter ? " enter" : " focus");
        WriteProfiles({first.get(), second.get()});
        const QByteArray before = ReadAll(program + "Data/profile.bin");
        Create();
        wnd->ShowMainWindow();
        QApplication::setActiveWindow(wnd->GetHostWidget());
        auto* edit = wnd->FindControl<CEditUI>("edit_profile_name");
        edit->SetFocus();
        ASSERT_TRUE(WaitFor([&] { return edit->IsFocused(); })) << what;
        edit->TypeText(c.typed);
        if (c.byEnter) {
            QTest::keyClick(edit->GetWidget(), Qt::Key_Return);
        } else {
            wnd->FindControl("btn_apply")->SetFocus();
            ASSERT_TRUE(WaitFor([&] { return !edit->IsFocused(); })) << what;
        }
        EXPECT_EQ(Names()[0], c.name) << what;
        EXPECT_EQ(ComboItems()[0], c.name) << what;
        EXPECT_EQ(NameField(), c.field) << what;
        EXPECT_EQ(Names()[1], "Second") << what;
        if (c.saved) {
            EXPECT_EQ(SavedProfiles(), ListBytes()) << what;
        } else {
            EXPECT_EQ(SavedProfiles(), before) << what;
        }
        wnd.reset();
    }
}

TEST_F(ProfilesTest, SwitchingShowsTheChosenProfileAndSavesNothing) {
    NoSim();
    auto a = Named(u"A", 2);
    auto b = Named(u"B", 3);
    WriteProfiles({a.get(), b.get()});
    Create();
    const QByteArray before = SavedProfiles();
    wnd->FindControl<CComboUI>("profile_combo")->SelectItem(1);
    EXPECT_EQ(wnd->CurrentProfileIndex(), 1);
    EXPECT_EQ(NameField(), "B");
    EXPECT_EQ(wnd->ButtonPage().ShownMode(), 1);
    EXPECT_EQ(SavedProfiles(), before);
    EXPECT_EQ(ReadAll(program + "Data/Data.bin"), QByteArray(8, '\0'))
        << "only an apply saves the index";
}

// ---- the profile menu, import and export -----------------------------------------

TEST_F(ProfilesTest, TheProfileMenuOpensUnderItsButtonAndItsItemsImportAndExport) {
    NoSim();
    Create();
    wnd->ShowMainWindow();
    ASSERT_TRUE(Click("btn_menu_profile"));
    CMenuWnd* menu = wnd->CurrentMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->GetSkinFile(), "profilemenu.xml");
    const QRect button = wnd->FindControl("btn_menu_profile")->GetPos();
    const QRect window = wnd->GetWindowRect();
    EXPECT_EQ(menu->GetWindowRect().topLeft(),
              QPoint(window.left() + button.left(), window.top() + button.bottom() + 1));

    // Export through the menu item; a name without extension gets .pbin.
    CFileDialog::QueueAnswer(program + "out");
    menu->FindItem("export_profile")->Activate();
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(program + "out.pbin"); }));
    const CFileDialog::Request request = CFileDialog::LastRequest();
    EXPECT_TRUE(request.save);
    EXPECT_TRUE(request.filter.contains("*.pbin")) << request.filter.toStdString();
    EXPECT_EQ(request.folder, program + "Data");
    EXPECT_EQ(request.fileName, "Profile1.pbin");
    EXPECT_EQ(ReadAll(program + "out.pbin"), Bytes(wnd->CurrentProfile()));

    // Import the exported file back: the name is taken, so it gets _1.
    ASSERT_TRUE(Click("btn_menu_profile"));
    CFileDialog::QueueAnswer(program + "out.pbin");
    wnd->CurrentMenu()->FindItem("import_profile")->Activate();
    ASSERT_TRUE(WaitFor([&] { return wnd->GetStores().profiles.size() == 2; }));
    EXPECT_FALSE(CFileDialog::LastRequest().save);
    EXPECT_EQ(CFileDialog::LastRequest().folder, program + "Data/");
    EXPECT_EQ(Names(), (QStringList{"Profile1", "Profile1_1"}));
    EXPECT_EQ(wnd->CurrentProfileIndex(), 1);
    EXPECT_EQ(ComboItems(), Names());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ProfilesTest, AnImportedProfileIsSavedAtOnceAndTakenByteForByte) {
    NoSim();
    Create();
    auto theirs = Named(u"Theirs", 3);
    theirs->buttons[4].functionId = 22;  // a macro binding with its copy, no index here
    theirs->buttons[4].bindingCount = 2;
    theirs->buttons[4].macroActions[0].code = 4;
    WriteAll(program + "theirs.pbin", Bytes(*theirs));
    const QByteArray before = SavedProfiles();
    CFileDialog::QueueAnswer(program + "theirs.pbin");
    wnd->SendMessage(kMsgMenu, WPARAM(new MenuCmd{"IMPORT_PROFILE", {}, {}}), 0);
    EXPECT_EQ(Bytes(wnd->CurrentProfile()), Bytes(*theirs));
    // Saved without waiting for another change of the list.
    EXPECT_EQ(SavedProfiles(), before + Bytes(*theirs));
    QCoreApplication::processEvents();
    EXPECT_TRUE(boxes.empty()) << "nothing to tell";
}

TEST_F(ProfilesTest, HostileFilesAreRefusedWithANoticeAndLeaveTheProfilesAlone) {
    NoSim();
    auto good = Named(u"Good");
    const QByteArray whole = Bytes(*good);
    struct Case {
        const char* what;
        std::function<QString()> make;  // path of the file to import
    } cases[] = {
        {"empty",
         [&] {
             WriteAll(program + "e.pbin", {});
             return program + "e.pbin";
         }},
        {"short",
         [&] {
             WriteAll(program + "s.pbin", whole.left(336));
             return program + "s.pbin";
         }},
        {"one byte short",
         [&] {
             WriteAll(program + "s1.pbin", whole.chopped(1));
             return program + "s1.pbin";
         }},
        {"oversize",
         [&] {
             WriteAll(program + "l.pbin", whole + whole);
             return program + "l.pbin";
         }},
        {"folder",
         [&] {
             QDir().mkpath(program + "d.pbin");
             return program + "d.pbin";
         }},
        {"missing", [&] { return program + "none.pbin"; }},
        {"fifo",
         [&] {
             ::mkfifo((program + "f.pbin").toUtf8().constData(), 0600);
             return program + "f.pbin";
         }},
    };
    Create();
    const QByteArray before = SavedProfiles();
    for (const Case& c : cases) {
        boxes.clear();
        Answer(1);
        CFileDialog::QueueAnswer(c.make());
        wnd->ImportProfile();
        ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); })) << c.what;
        EXPECT_TRUE(boxes[0].msg.startsWith(Text("import_profile_failed_text"))) << c.what;
        EXPECT_TRUE(boxes[0].notice) << c.what;
        EXPECT_EQ(Names(), QStringList{"Profile1"}) << c.what;
        EXPECT_EQ(wnd->CurrentProfileIndex(), 0) << c.what;
        EXPECT_EQ(SavedProfiles(), before) << c.what;
    }
    // A cancelled dialog does nothing at all.
    CFileDialog::QueueAnswer(QString());
    wnd->ImportProfile();
    QCoreApplication::processEvents();
    EXPECT_EQ(Names(), QStringList{"Profile1"});
}

TEST_F(ProfilesTest, AProfileWithFieldsOutOfRangeIsImportedCorrectedWithANotice) {
    NoSim();
    Create();
    auto odd = Named(u"", 0);  // no name: the file's name is taken
    odd->reportRateIndex = 9;
    odd->buttons[1].macroIndex = 7;  // this library holds no macros
    WriteAll(program + "Odd one.pbin", Bytes(*odd));
    Answer(1);
    CFileDialog::QueueAnswer(program + "Odd one.pbin");
    wnd->ImportProfile();
    ASSERT_EQ(Names().size(), 2);
    EXPECT_EQ(Names()[1], "Odd one");
    EXPECT_EQ(wnd->CurrentProfile().reportRateIndex, 2);
    EXPECT_EQ(wnd->CurrentProfile().buttons[1].macroIndex, -1);
    ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }));
    EXPECT_EQ(boxes[0].msg, Text("import_profile_corrected_text"));
    EXPECT_TRUE(boxes[0].notice);
}

// A profile name proposed as a file name cannot lead the dialog out of its
// folder, and the list stops at the most profiles the next start loads.
TEST_F(ProfilesTest, ExportNamesStayInTheirFolderAndTheListHasABound) {
    NoSim();
    Create();
    WriteText(wnd->CurrentProfile().name, u"../../.config/autostart/evil");
    CFileDialog::QueueAnswer({});
    wnd->ExportProfile();
    EXPECT_EQ(CFileDialog::LastRequest().folder, program + "Data");
    EXPECT_EQ(CFileDialog::LastRequest().fileName, "_.._.config_autostart_evil.pbin");

    auto& profiles = wnd->GetStores().profiles;
    while (profiles.size() < kMaxProfiles - 1) {
        profiles.push_back(std::make_unique<ProfileRecord>(*profiles.front()));
    }
    Answer(1);
    wnd->AddProfile();
    EXPECT_EQ(profiles.size(), kMaxProfiles);
    wnd->AddProfile();
    EXPECT_EQ(profiles.size(), kMaxProfiles);
    ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }));
    EXPECT_EQ(boxes[0].msg, Text("profile_limit_text").arg(kMaxProfiles));
    profiles.resize(1);  // the combo box never held the copies
    wnd->GetStores().currentIndex = 0;
}

TEST_F(ProfilesTest, AnExportThatCannotBeWrittenIsTold) {
    NoSim();
    Create();
    Answer(1);
    // Data.ini is a file: nothing can be written below it.
    CFileDialog::QueueAnswer(program + "Data.ini/x.pbin");
    wnd->ExportProfile();
    ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }));
    EXPECT_TRUE(boxes[0].msg.startsWith(Text("export_profile_failed_text")));
    EXPECT_TRUE(boxes[0].notice);
}

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
    NoSim();
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

// ---- desktops without a tray -------------------------------------------------------

TEST_F(ProfilesTest, WithoutATrayTheWindowShowsTheMissingMouseAndGetsReadyWhenItArrives) {
    CTrayIcon::SetAvailabilityOverride(false);
    StartSim();
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

    // Unplugged again: the window stays, with the state.
    ASSERT_TRUE(SimUnplug(sim.SocketPath()));
    ASSERT_TRUE(WaitFor([&] { return wnd->ShowsNoMouseState(); }));
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
    NoSim();
    MainWndOptions options = test::TestWindowOptions(program);
    options.driverLibrary = program + "MSDriver.so";  // not there
    wnd = std::make_unique<CMainWnd>(options);
    ASSERT_TRUE(wnd->Create(nullptr));
    wnd->ShowWindowOrNoDevice();
    EXPECT_TRUE(wnd->IsWindowVisible());
    EXPECT_TRUE(wnd->ShowsNoMouseState());
    auto* reason = wnd->FindControl<CLabelUI>("no_mouse_reason_label");
    ASSERT_NE(reason, nullptr);
    EXPECT_TRUE(reason->GetText().contains("MSDriver.so")) << reason->GetText().toStdString();
}

TEST_F(ProfilesTest, WithATrayTheNoDeviceMessageIsANotice) {
    NoSim();
    Create();
    EXPECT_TRUE(wnd->StartsHidden(false));
    Answer(1);
    wnd->TrayIcon().SimulateClick(false);
    ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }));
    EXPECT_EQ(boxes[0].msg, "no_connect_device_text");
    EXPECT_TRUE(boxes[0].notice);
    EXPECT_FALSE(wnd->IsWindowVisible());
}

}  // namespace
}  // namespace mouse
