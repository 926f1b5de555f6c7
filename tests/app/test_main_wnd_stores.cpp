// The main window's stores: saves that fail, damaged files, files it cannot
// read or write at start-up, and notices saved in the background.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <cstring>

#include "main_wnd_fixture.h"

namespace mouse {
namespace {

using namespace mainwndtest;

TEST_F(MainWndTest, AStoreThatCannotBeWrittenIsReportedOnceAfterTheSave) {
    struct Case {
        const char* trigger;
        QStringList files;  // named in the message
    };
    for (const Case& c :
         {Case{"apply", {"Data.bin", "profile.bin"}}, Case{"mode notice", {"profile.bin"}}}) {
        SCOPED_TRACE(c.trigger);
        SimProcess mouse;
        ASSERT_TRUE(mouse.Start(MOUSE_APP_DIR "/mouse-sim"));
        setenv("MOUSE_SIM_SOCKET", mouse.SocketPath().c_str(), 1);
        WriteIni(0);
        Create();
        wnd->Link().Worker()->WaitIdle();
        wnd->Writer().Drain();  // the start-up's own saves
        // The store folder becomes a file: nothing can be written into it.
        ASSERT_TRUE(QDir(program + "Data").removeRecursively());
        QFile blocker(program + "Data");
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        AnswerNextMessage(1);
        AnswerNextMessage(1);  // a second message would fail the test, not hang it
        if (QString(c.trigger) == "apply") {
            ASSERT_TRUE(Click("btn_apply"));
            ASSERT_TRUE(WaitFor([&] { return wnd->PendingApplies() == 0; }));
            EXPECT_EQ(test::ClosingCommands(mouse.SocketPath()), 1u) << "the mouse got the profile";
        } else {
            ASSERT_TRUE(SimPress(mouse.SocketPath(), SimButton::Mode, 2));
        }
        ASSERT_TRUE(WaitFor([&] { return !messages.isEmpty(); }));
        wnd->Writer().Drain();
        QCoreApplication::processEvents();
        ASSERT_EQ(messages.size(), 1) << "one message for the failures of one save";
        for (const QString& file : c.files) {
            EXPECT_TRUE(messages[0].contains(file)) << messages[0].toStdString();
        }
        wnd.reset();
        messages.clear();
        ModalSeam::Clear();
        QFile::remove(program + "Data");
    }
}

TEST_F(MainWndTest, DamagedStoresAreToldAndTheirWholeRecordsLoad) {
    std::vector<uint8_t> bytes(2 * sizeof(ProfileRecord) + 10, 0);
    for (int i = 0; i < 2; ++i) {
        ProfileRecord p{};
        MakeDefaultRecord(p, 3311);
        WriteText(p.name, i == 0 ? u"Kept A" : u"Kept B");
        std::memcpy(bytes.data() + i * sizeof p, &p, sizeof p);
    }
    ASSERT_TRUE(WriteFileAtomically((program + "Data/profile.bin").toStdString(), bytes.data(),
                                    bytes.size()));
    AnswerNextMessage(1);
    Create();
    ASSERT_TRUE(WaitFor([&] { return !messages.isEmpty(); }));
    EXPECT_TRUE(messages[0].contains("profile.bin.damaged-")) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains("2 whole records")) << messages[0].toStdString();
    auto* combo = wnd->FindControl<CComboUI>("profile_combo");
    ASSERT_NE(combo, nullptr);
    ASSERT_EQ(combo->GetCount(), 2);
    EXPECT_EQ(combo->GetItemText(1), "Kept B");
    const QStringList aside = QDir(program + "Data").entryList({"profile.bin.damaged-*"});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(ReadAll(program + "Data/" + aside[0]).size(), qsizetype(bytes.size()));
    EXPECT_EQ(ReadAll(program + "Data/profile.bin").size(), qsizetype(2 * sizeof(ProfileRecord)));
}

// A store the program cannot read is never replaced by a fresh one, and a
// store it cannot write at start-up is told in the window too.
TEST_F(MainWndTest, StoresThatCannotBeReadOrWrittenAtStartAreToldAndKept) {
    static const char* failing = "";
    SetWriteFaultHookForTesting(
        [](const char* step) { return step == std::string("read ") + failing ? EACCES : 0; });
    struct Case {
        const char* unreadable;  // a store whose reads fail
        const char* folder;      // a name under the program folder made a folder
        const char* file;        // ... or a file
        QStringList told;
    };
    const Case cases[] = {
        {"profile.bin", "", "", {"profile.bin", "Permission denied"}},
        {"", "Data/Data.bin", "", {"Data.bin", "a folder"}},
        {"", "", "Data", {"Data.bin", "Not a directory"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.told.join(' ').toStdString());
        QDir(program + "Data").removeRecursively();
        QFile::remove(program + "Data");
        QDir().mkpath(program + "Data");
        std::vector<uint8_t> five;
        for (int i = 0; i < 5; ++i) {
            ProfileRecord p{};
            MakeDefaultRecord(p, 3311);
            WriteText(p.name, u"Mine");
            const auto* b = reinterpret_cast<const uint8_t*>(&p);
            five.insert(five.end(), b, b + sizeof p);
        }
        ASSERT_TRUE(WriteFileAtomically((program + "Data/profile.bin").toStdString(), five.data(),
                                        five.size()));
        if (*c.folder != 0) {
            ASSERT_TRUE(QDir().mkpath(program + c.folder));
        }
        if (*c.file != 0) {
            QDir(program + c.file).removeRecursively();
            QFile blocker(program + c.file);
            ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        }
        failing = c.unreadable;
        messages.clear();
        AnswerNextMessage(1);
        Create();
        ASSERT_TRUE(WaitFor([&] { return !messages.isEmpty(); }));
        for (const QString& part : c.told) {
            EXPECT_TRUE(messages[0].contains(part)) << messages[0].toStdString();
        }
        if (*c.unreadable != 0) {
            EXPECT_EQ(wnd->FindControl<CComboUI>("profile_combo")->GetCount(), 1);
            wnd->GetStores().profiles.push_back(std::make_unique<ProfileRecord>());
            EXPECT_FALSE(wnd->GetStores().SaveInBackground({StoreFile::Profiles}, wnd->Writer()));
        }
        wnd.reset();
        if (*c.file == 0) {
            EXPECT_EQ(ReadAll(program + "Data/profile.bin").size(), qsizetype(five.size()));
        }
        EXPECT_TRUE(*c.folder == 0 || QFileInfo(program + c.folder).isDir());
    }
    SetWriteFaultHookForTesting(nullptr);
    QFile::remove(program + "Data");
}

TEST_F(MainWndTest, NoticesAreSavedInTheBackgroundAndTheLastOneStays) {
    StartMouse();
    WriteIni(0);
    Create();
    wnd->Link().Worker()->WaitIdle();
    // Levels 1 to 6: the notices arrive in order, so level 6 is the last.
    for (int level = 1; level <= 6; ++level) {
        ASSERT_TRUE(SimPress(sim.SocketPath(), SimButton::Dpi, level));
    }
    ASSERT_TRUE(WaitFor([&] { return wnd->CurrentProfile().currentDpiLevel == 5; }));
    wnd.reset();  // drains the writer
    QByteArray saved = ReadAll(program + "Data/profile.bin");
    ASSERT_EQ(saved.size(), qsizetype(sizeof(ProfileRecord)));
    EXPECT_EQ(reinterpret_cast<const ProfileRecord*>(saved.data())->currentDpiLevel, 5);
    EXPECT_TRUE(messages.isEmpty());
}

}  // namespace
}  // namespace mouse
