// Profile management in the main window (offscreen) in a fresh program
// folder: add, delete, reset, rename and switch.
#include <gtest/gtest.h>
#include <QTest>

#include "profiles_fixture.h"

namespace mouse {
namespace {

using namespace profilestest;

// ---- add ---------------------------------------------------------------------

// A new profile comes from the template (btn_add_profile) or is a copy of
// the current one (the profile menu's duplicate item); both take the same name.
TEST_F(ProfilesTest, AddAndDuplicateNameTheProfileAfterTheCount) {
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
        for (const bool duplicate : {false, true}) {
            SCOPED_TRACE(duplicate ? "duplicate" : "add");
            std::vector<std::unique_ptr<ProfileRecord>> records;
            QByteArray file;
            for (size_t i = 0; i < c.existing.size(); ++i) {
                records.push_back(Named(c.existing[i], int(i) + 3));
                file += Bytes(*records.back());
            }
            WriteAll(program + "Data/profile.bin", file);
            Create();
            if (duplicate) {
                ASSERT_TRUE(Click("btn_menu_profile"));
                wnd->CurrentMenu()->FindItem("duplicate_profile")->Activate();
            } else {
                ASSERT_TRUE(Click("btn_add_profile"));
            }
            const int added = int(c.existing.size());
            // The menu's command arrives through the event loop.
            ASSERT_TRUE(WaitFor([&] {
                return wnd->GetStores().profiles.size() == c.existing.size() + 1;
            })) << c.expected.toStdString();
            EXPECT_EQ(Names().back(), c.expected);
            EXPECT_EQ(wnd->CurrentProfileIndex(), added) << "the new profile is current";
            EXPECT_EQ(ComboItems().back(), c.expected);
            EXPECT_EQ(NameField(), c.expected);
            // The template's or the first profile's bytes under the new name;
            // profile.bin saved.
            ProfileRecord expected = duplicate ? *records.front() : defaultPbin;
            WriteText(expected.name, c.expected.toStdU16String());
            EXPECT_EQ(Bytes(wnd->CurrentProfile()), Bytes(expected));
            EXPECT_EQ(SavedProfiles(), file + Bytes(expected));
            wnd.reset();
        }
    }
}

// ---- delete ------------------------------------------------------------------

TEST_F(ProfilesTest, DeleteAsksAndMakesTheSuccessorOrTheNewLastCurrent) {
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
            // The question names the profile it deletes.
            EXPECT_EQ(boxes[0].msg, Text("delete_profile_text").arg(QString("P%1").arg(c.current)));
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

TEST_F(ProfilesTest, ResetKeepsTheNameAndWaitsForAnApply) {
    StartMouse();
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
    EXPECT_EQ(wnd->PendingApplies(), 0) << "like any edit, it waits for an apply";
    EXPECT_EQ(SavedProfiles(), Bytes(expected));
    EXPECT_EQ(test::ClosingCommands(sim.SocketPath()), 0u);
}

// ---- rename ------------------------------------------------------------------

TEST_F(ProfilesTest, RenameOnFocusLossOrEnterRefusesDuplicatesAndIgnoresCase) {
    struct Case {
        QString typed;
        bool byEnter;
        QString name;   // the current profile's name afterwards
        QString field;  // the field afterwards
        bool saved;
        bool refused = false;  // a notice says why the name was not taken
    } cases[] = {
        {"Work", false, "Work", "Work", true},
        {"Work", true, "Work", "Work", true},
        {"first", false, "First", "first", false},        // letter case only: nothing happens
        {"SECOND", true, "First", "First", false, true},  // another profile's name
        {"Second", false, "First", "First", false, true},
        {"", false, "", "", true},  // empty, and no other is empty
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
        boxes.clear();
        if (c.refused) {
            Answer(1);
        }
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
        if (c.refused) {
            ASSERT_TRUE(WaitFor([&] { return !boxes.empty(); })) << what;
            EXPECT_EQ(boxes[0].msg, Text("profile_name_taken_text").arg("Second")) << what;
            EXPECT_TRUE(boxes[0].notice) << what;
        }
        if (c.saved) {
            EXPECT_EQ(SavedProfiles(), ListBytes()) << what;
        } else {
            EXPECT_EQ(SavedProfiles(), before) << what;
        }
        wnd.reset();
    }
}

TEST_F(ProfilesTest, SwitchingShowsTheChosenProfileAndSavesNothing) {
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

}  // namespace
}  // namespace mouse
