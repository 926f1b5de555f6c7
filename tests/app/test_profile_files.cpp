// The profile menu: importing profiles (hostile files, fields out of range)
// and exporting them (names kept in their folder, files that cannot be
// written).
#include <gtest/gtest.h>
#include <QTest>

#include <random>

#include "device/encode.h"
#include "store/profile_file.h"

#include "profiles_fixture.h"
#include "ui/user_folders.h"

namespace mouse {
namespace {

using namespace profilestest;

// ---- the profile menu, import and export -----------------------------------------

TEST_F(ProfilesTest, TheProfileMenuOpensUnderItsButtonAndItsItemsImportAndExport) {
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
    // Exchange files start in the user's folders, not among the stores.
    EXPECT_EQ(request.folder, ExchangeStartFolder());
    EXPECT_EQ(request.fileName, "Profile1.pbin");
    EXPECT_EQ(ReadAll(program + "out.pbin"), Bytes(wnd->CurrentProfile()));

    // Import the exported file back: the name is taken, so it gets _1.
    ASSERT_TRUE(Click("btn_menu_profile"));
    CFileDialog::QueueAnswer(program + "out.pbin");
    wnd->CurrentMenu()->FindItem("import_profile")->Activate();
    ASSERT_TRUE(WaitFor([&] { return wnd->GetStores().profiles.size() == 2; }));
    EXPECT_FALSE(CFileDialog::LastRequest().save);
    EXPECT_EQ(CFileDialog::LastRequest().folder, ExchangeStartFolder());
    EXPECT_EQ(Names(), (QStringList{"Profile1", "Profile1_1"}));
    EXPECT_EQ(wnd->CurrentProfileIndex(), 1);
    EXPECT_EQ(ComboItems(), Names());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ProfilesTest, AnImportedProfileIsSavedAtOnceAndTakenByteForByte) {
    Create();
    auto theirs = Named(u"Theirs", 3);
    theirs->buttons[4].functionId = 22;  // a macro binding with its copy, no index here
    theirs->buttons[4].bindingCount = 2;
    theirs->buttons[4].bindingLoops = 1;
    theirs->buttons[4].macroActions[0] = MacroAction{0, 4, kActionPress, 0, 10, 0, 0, 0};
    theirs->buttons[4].macroActions[1] = MacroAction{0, 4, kActionRelease, 0, 10, 0, 0, 0};
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
    // The notice names what was changed (the name taken from the file is not
    // a setting).
    EXPECT_EQ(boxes[0].msg,
              Text("import_profile_corrected_text").arg("reportRateIndex, buttons[1].macroIndex"));
    EXPECT_TRUE(boxes[0].notice);
}

// What the virtual mouse holds after an apply is what the pages can set.
void ExpectOnlyValidBytes(const SimState& s, const ProfileRecord& p) {
    EXPECT_EQ(s.refusedCount, 0u);
    EXPECT_TRUE(s.reportRate == 1 || s.reportRate == 2 || s.reportRate == 4 || s.reportRate == 8)
        << int(s.reportRate);
    EXPECT_GE(s.dpiLevelCount, 1);
    EXPECT_LE(s.dpiLevel, s.dpiLevelCount);
    EXPECT_GE(s.dpiLevel, 1);
    EXPECT_GE(s.keyResponse, 1);
    EXPECT_LE(s.keyResponse, 30);
    EXPECT_LE(s.liftOff, 8) << "an entry of Distance_Value, or 0";
    // Each level's byte is one of the bytes the slider's steps send.
    for (int i = 0; i < kDpiLevels; ++i) {
        bool sliderByte = false;
        for (int step = 1; step <= 240; ++step) {
            sliderByte = sliderByte || s.dpiTable[size_t(i)] == EncodeDpiStep(step, 3311);
        }
        EXPECT_TRUE(sliderByte) << i << ": " << int(s.dpiTable[size_t(i)]);
    }
    for (int slot = 0; slot < kButtonSlots; ++slot) {
        EXPECT_EQ(p.buttons[slot].buttonIndex, slot);
        EXPECT_LE(p.buttons[slot].repeatMode, 2) << slot;
    }
}

TEST_F(ProfilesTest, RandomBytesImportWithEveryFieldInRangeAndApplyOnlyValidBytes) {
    StartMouse();
    Create();
    wnd->ShowMainWindow();
    for (const unsigned seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        QByteArray noise(qsizetype(sizeof(ProfileRecord)), '\0');
        for (char& b : noise) {
            b = char(random());
        }
        WriteAll(program + "noise.pbin", noise);
        boxes.clear();
        Answer(1);
        ASSERT_TRUE(Click("btn_menu_profile"));
        CFileDialog::QueueAnswer(program + "noise.pbin");
        wnd->CurrentMenu()->FindItem("import_profile")->Activate();
        ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }));
        EXPECT_TRUE(
            boxes[0].msg.startsWith(Text("import_profile_corrected_text").section('%', 0, 0)));
        // Nothing is left for a second check to correct.
        ProfileRecord again = wnd->CurrentProfile();
        EXPECT_TRUE(SanitizeProfile(again, {3311, 0, 0}, u"x").empty());
        const uint32_t closings = Closings();
        ASSERT_TRUE(Click("btn_apply"));
        ASSERT_TRUE(WaitFor([&] { return wnd->PendingApplies() == 0 && Closings() > closings; }));
        std::optional<SimState> state = SimGetState(sim.SocketPath());
        ASSERT_TRUE(state.has_value());
        ExpectOnlyValidBytes(*state, wnd->CurrentProfile());
    }
}

TEST_F(ProfilesTest, ProfilesReadAtStartAreCorrectedBeforeTheyReachTheMouse) {
    StartMouse();
    std::mt19937 random(7);
    auto noise = Named(u"Noise");
    auto* bytes = reinterpret_cast<uint8_t*>(noise.get());
    for (size_t i = 100; i < sizeof(ProfileRecord); ++i) {  // the name kept
        bytes[i] = uint8_t(random());
    }
    WriteProfiles({noise.get()});
    Create();
    EXPECT_EQ(Names(), QStringList{"Noise"});
    ProfileRecord again = wnd->CurrentProfile();
    EXPECT_TRUE(SanitizeProfile(again, {3311, 0, 0}, u"x").empty());
    wnd->ShowMainWindow();
    ASSERT_TRUE(Click("btn_apply"));
    ASSERT_TRUE(WaitFor([&] { return wnd->PendingApplies() == 0 && Closings() > 0; }));
    std::optional<SimState> state = SimGetState(sim.SocketPath());
    ASSERT_TRUE(state.has_value());
    ExpectOnlyValidBytes(*state, wnd->CurrentProfile());
}

// A profile name proposed as a file name cannot lead the dialog out of its
// folder, and the list stops at the most profiles the next start loads.
TEST_F(ProfilesTest, ExportNamesStayInTheirFolderAndTheListHasABound) {
    Create();
    WriteText(wnd->CurrentProfile().name, u"../../.config/autostart/evil");
    CFileDialog::QueueAnswer({});
    wnd->ExportProfile();
    EXPECT_EQ(CFileDialog::LastRequest().folder, ExchangeStartFolder());
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
    Create();
    Answer(1);
    // Data.ini is a file: nothing can be written below it.
    CFileDialog::QueueAnswer(program + "Data.ini/x.pbin");
    wnd->ExportProfile();
    ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); }));
    EXPECT_TRUE(boxes[0].msg.startsWith(Text("export_profile_failed_text")));
    EXPECT_TRUE(boxes[0].notice);
}

}  // namespace
}  // namespace mouse
