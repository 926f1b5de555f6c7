// Crash-safe saves: a fault at any step keeps the old file, real failures
// are reported, and only the stores' own stale temporary files are removed.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "core/stores_test_util.h"
#include "store/stores.h"

namespace mouse {
namespace {

using namespace storetest;

TEST(AtomicSave, FailureAtAnyStepKeepsTheOldFile) {
    const FaultPlan plans[] = {
        {"write", 2, ENOSPC},  // after 128 KiB of the new file
        {"write", 0, EIO},    {"open", 0, EACCES}, {"sync", 0, EIO}, {"rename", 0, EXDEV},
    };
    for (const auto& plan : plans) {
        TempDir dir;
        Stores s(dir.path() / "Data");
        const auto oldBytes = ProfileFileOf(3);
        WriteBytes(s.ProfilePath(), oldBytes);
        s.LoadStores(3050, u"Profile");
        ASSERT_EQ(s.profiles.size(), 3u);
        s.profiles.push_back(NamedProfile(u"New", 9));
        s.profiles[0]->pointerSpeed = 11;

        IoResult result;
        {
            HookGuard guard(plan);
            result = s.SaveProfiles();
            if (std::strcmp(plan.step, "write") == 0) {
                EXPECT_EQ(g_writeCalls, plan.countdown + 1)
                    << "the save stops at the failing chunk";
            }
        }
        EXPECT_FALSE(result) << plan.step;
        EXPECT_NE(result.message.find("profile.bin"), std::string::npos) << result.message;
        EXPECT_NE(result.message.find(std::strerror(plan.error)), std::string::npos)
            << result.message;
        EXPECT_EQ(ReadBytes(s.ProfilePath()), oldBytes) << plan.step;
        EXPECT_TRUE(TempFilesIn(s.Folder()).empty()) << plan.step;

        // Without the fault the same save goes through.
        ASSERT_TRUE(s.SaveProfiles());
        EXPECT_EQ(ReadBytes(s.ProfilePath()).size(), 4 * sizeof(ProfileRecord));
    }
}

TEST(AtomicSave, RealFailuresAreReported) {
    TempDir dir;
    // The parent of the target is a file.
    const fs::path file = dir.path() / "plain";
    WriteBytes(file, {1, 2, 3});
    const uint8_t bytes[8] = {};
    IoResult r = WriteFileAtomically(file / "Data.bin", bytes, sizeof(bytes));
    EXPECT_FALSE(r);
    EXPECT_NE(r.message.find("Data.bin"), std::string::npos) << r.message;
    EXPECT_NE(r.message.find(std::strerror(ENOTDIR)), std::string::npos) << r.message;
    EXPECT_EQ(ReadBytes(file), (std::vector<uint8_t>{1, 2, 3}));

    // The target is a folder that the rename cannot replace.
    const fs::path target = dir.path() / "profile.bin";
    fs::create_directories(target / "inside");
    r = WriteFileAtomically(target, bytes, sizeof(bytes));
    EXPECT_FALSE(r);
    EXPECT_NE(r.message.find("profile.bin"), std::string::npos) << r.message;
    EXPECT_TRUE(fs::is_directory(target / "inside"));
    EXPECT_TRUE(TempFilesIn(dir.path()).empty());

    // Loading with such a store reports it, leaves it alone and still ends
    // with one profile in memory.
    Stores s(dir.path() / "Data");
    fs::create_directories(s.ProfilePath() / "x");
    const LoadReport report = s.LoadStores(3050, u"Profile");
    EXPECT_TRUE(report.defaultProfileCreated);
    ASSERT_EQ(report.damaged.size(), 1u);
    EXPECT_EQ(report.damaged[0].kind, DamagedFile::Kind::Unreadable);
    EXPECT_NE(DescribeDamage(report.damaged[0]).find("profile.bin"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(s.ProfilePath() / "x"));
    EXPECT_EQ(s.profiles.size(), 1u);
}

TEST(AtomicSave, CreatesMissingFoldersAndReplacesWhole) {
    TempDir dir;
    const fs::path target = dir.path() / "a" / "b" / "file.bin";
    const std::vector<uint8_t> first(1000, 0x11);
    ASSERT_TRUE(WriteFileAtomically(target, first.data(), first.size()));
    EXPECT_EQ(ReadBytes(target), first);
    const std::vector<uint8_t> second(10, 0x22);
    ASSERT_TRUE(WriteFileAtomically(target, second.data(), second.size()));
    EXPECT_EQ(ReadBytes(target), second);
    ASSERT_TRUE(WriteFileAtomically(target, nullptr, 0));
    EXPECT_EQ(fs::file_size(target), 0u);
    EXPECT_TRUE(TempFilesIn(target.parent_path()).empty());

    std::vector<uint8_t> bytes{9};
    EXPECT_FALSE(ReadWholeFile(dir.path() / "missing", bytes));
    EXPECT_TRUE(bytes.empty());
}

// Makes the next save leave its temporary file behind, as a crash between
// writing and renaming would: the hook takes the file out of the folder
// before the save fails and removes it.
fs::path g_crashFolder;
int LeaveTempFileBehind(const char* step) {
    if (std::strcmp(step, "rename") != 0) {
        return 0;
    }
    for (const auto& entry : fs::directory_iterator(g_crashFolder)) {
        if (entry.path().filename().string().find(".tmp-") != std::string::npos) {
            fs::rename(entry.path(), g_crashFolder / "kept" / entry.path().filename());
        }
    }
    return EIO;
}

TEST(StaleTempFiles, OnlyTheStoresOwnTemporaryFilesAreRemoved) {
    TempDir dir;
    Stores s(dir.path() / "Data");
    fs::create_directories(s.Folder() / "kept");
    fs::create_directories(s.Folder() / "sub");

    // Temporary files as real interrupted saves leave them.
    g_crashFolder = s.Folder();
    SetWriteFaultHookForTesting(&LeaveTempFileBehind);
    const uint8_t eight[8] = {};
    EXPECT_FALSE(WriteFileAtomically(s.DataBinPath(), eight, sizeof eight));
    EXPECT_FALSE(WriteFileAtomically(s.ProfilePath(), eight, sizeof eight));
    EXPECT_FALSE(WriteFileAtomically(s.MacroPath(), eight, sizeof eight));
    EXPECT_FALSE(WriteFileAtomically(s.GunPath(), eight, sizeof eight));
    SetWriteFaultHookForTesting(nullptr);
    std::set<fs::path> stale;
    for (const auto& entry : fs::directory_iterator(s.Folder() / "kept")) {
        stale.insert(s.Folder() / entry.path().filename());
        fs::rename(entry.path(), s.Folder() / entry.path().filename());
    }
    ASSERT_EQ(stale.size(), 4u);
    stale.insert(s.Folder() / "gun.bin.tmp-000000");

    const char* const others[] = {
        "profile.bin.tmp-ABC123",     "profile.bin.tmp-abc12",
        "profile.bin.tmp-abc1234",    "profile.bin.tmp-abc-12",
        "xprofile.bin.tmp-abc123",    "notes.txt.tmp-abc123",
        "profile.bin.tmp-",           "profile.bin.damaged-20261208-101500",
        "sub/profile.bin.tmp-abc123",
    };
    for (const fs::path& p : stale) {
        WriteBytes(p, {1});
    }
    for (const char* name : others) {
        WriteBytes(s.Folder() / name, {2});
    }
    WriteBytes(dir.path() / "profile.bin.tmp-abc123", {3});  // beside the store folder
    fs::create_directories(s.Folder() / "macro.bin.tmp-dir123");
    fs::create_symlink(dir.path() / "profile.bin.tmp-abc123", s.Folder() / "Data.bin.tmp-link12");

    const LoadReport report = s.LoadStores(3050, u"Profile");
    const std::set<fs::path> removed(report.removedTempFiles.begin(),
                                     report.removedTempFiles.end());
    EXPECT_EQ(removed, stale);
    for (const fs::path& p : stale) {
        EXPECT_FALSE(fs::exists(fs::symlink_status(p))) << p;
    }
    for (const char* name : others) {
        EXPECT_TRUE(fs::exists(s.Folder() / name)) << name;
    }
    EXPECT_TRUE(fs::exists(dir.path() / "profile.bin.tmp-abc123"));
    EXPECT_TRUE(fs::is_directory(s.Folder() / "macro.bin.tmp-dir123"));
    EXPECT_TRUE(fs::is_symlink(s.Folder() / "Data.bin.tmp-link12"));
}

}  // namespace
}  // namespace mouse
