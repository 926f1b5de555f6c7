#include <gtest/gtest.h>

#include "core/temp_dir.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "store/store_writer.h"
#include "store/stores.h"

namespace mouse {
namespace {

namespace fs = std::filesystem;

struct TempDir : test::TempDir {
    TempDir() : test::TempDir("mouse-writer") {}
};

// Fault hook that holds the writer at its next "open" until released, and
// fails the steps named in failStep with failError.
struct Hook {
    std::mutex mutex;
    std::condition_variable changed;
    bool armed = false;
    bool held = false;
    std::string failStep;
    int failError = 0;
};
Hook g_hook;

int HookStep(const char* step) {
    std::unique_lock lock(g_hook.mutex);
    if (g_hook.armed && std::strcmp(step, "open") == 0) {
        g_hook.armed = false;
        g_hook.held = true;
        g_hook.changed.notify_all();
        g_hook.changed.wait(lock, [] { return !g_hook.held; });
    }
    return g_hook.failStep == step ? g_hook.failError : 0;
}

class HookGuard {
public:
    HookGuard() { SetWriteFaultHookForTesting(&HookStep); }
    ~HookGuard() {
        Release();
        SetWriteFaultHookForTesting(nullptr);
        std::lock_guard lock(g_hook.mutex);
        g_hook.armed = false;
        g_hook.failStep.clear();
    }
    // The next write stops at its start until Release.
    void HoldNextWrite() {
        std::lock_guard lock(g_hook.mutex);
        g_hook.armed = true;
    }
    void WaitHeld() {
        std::unique_lock lock(g_hook.mutex);
        g_hook.changed.wait(lock, [] { return g_hook.held; });
    }
    void Release() {
        std::lock_guard lock(g_hook.mutex);
        g_hook.held = false;
        g_hook.changed.notify_all();
    }
    void Fail(const char* step, int error) {
        std::lock_guard lock(g_hook.mutex);
        g_hook.failStep = step;
        g_hook.failError = error;
    }
};

std::vector<uint8_t> Bytes(uint32_t version, size_t size = 70 * 1024) {
    std::vector<uint8_t> bytes(size, uint8_t(version));
    std::memcpy(bytes.data(), &version, sizeof version);
    return bytes;
}

// Version at the start of a file, or -1.
int64_t VersionIn(const fs::path& p) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(p, bytes) || bytes.size() < 4) {
        return -1;
    }
    uint32_t v;
    std::memcpy(&v, bytes.data(), sizeof v);
    return v;
}

// What the done callback saw, read on the writer thread right after each
// write.
struct Log {
    struct Entry {
        fs::path file;
        IoResult result;
        int64_t version;
        bool queueEmpty;
    };
    std::mutex mutex;
    std::vector<Entry> entries;

    StoreWriter::DoneFn Callback() {
        return [this](const StoreWriteDone& done) {
            const int64_t version = VersionIn(done.file);
            std::lock_guard lock(mutex);
            entries.push_back({done.file, done.result, version, done.queueEmpty});
        };
    }
    std::vector<Entry> Take() {
        std::lock_guard lock(mutex);
        return entries;
    }
};

TEST(StoreWriter, SnapshotsWaitingBehindAWriteAreCoalesced) {
    TempDir dir;
    const fs::path a = dir.path() / "profile.bin", b = dir.path() / "macro.bin";
    HookGuard hook;
    Log log;
    StoreWriter writer(log.Callback());

    hook.HoldNextWrite();
    writer.Save(a, Bytes(1));
    hook.WaitHeld();  // version 1 is being written
    writer.Save(a, Bytes(2));
    writer.Save(b, Bytes(10));
    writer.Save(a, Bytes(3));
    writer.Save(a, Bytes(4, 100));
    EXPECT_FALSE(writer.Idle());
    hook.Release();
    writer.Drain();
    EXPECT_TRUE(writer.Idle());

    const auto entries = log.Take();
    ASSERT_EQ(entries.size(), 3u) << "versions 2 and 3 were never written";
    EXPECT_EQ(entries[0].file, a);
    EXPECT_EQ(entries[0].version, 1);
    EXPECT_EQ(entries[1].file, a) << "a keeps its place in the queue";
    EXPECT_EQ(entries[1].version, 4);
    EXPECT_EQ(entries[2].file, b);
    EXPECT_EQ(entries[2].version, 10);
    for (const auto& e : entries) {
        EXPECT_TRUE(e.result) << e.result.message;
    }
    EXPECT_FALSE(entries[0].queueEmpty);
    EXPECT_FALSE(entries[1].queueEmpty);
    EXPECT_TRUE(entries[2].queueEmpty);
    EXPECT_EQ(fs::file_size(a), 100u);
}

TEST(StoreWriter, EachFileGetsItsSnapshotsInTheOrderQueued) {
    TempDir dir;
    const fs::path files[] = {dir.path() / "Data.bin", dir.path() / "profile.bin",
                              dir.path() / "gun.bin"};
    constexpr uint32_t kVersions = 300;
    Log log;
    {
        StoreWriter writer(log.Callback());
        // Two threads queue at once: versions rise per file.
        std::thread other([&] {
            for (uint32_t v = 1; v <= kVersions; ++v) {
                writer.Save(files[2], Bytes(v, 4096));
            }
        });
        for (uint32_t v = 1; v <= kVersions; ++v) {
            writer.Save(files[v % 2], Bytes(v, 4096));
        }
        other.join();
    }  // the destructor drains

    std::map<fs::path, int64_t> last;
    for (const auto& e : log.Take()) {
        ASSERT_TRUE(e.result) << e.result.message;
        EXPECT_GT(e.version, last[e.file]) << e.file << ": an older snapshot after a newer one";
        last[e.file] = e.version;
    }
    EXPECT_EQ(VersionIn(files[0]), kVersions);
    EXPECT_EQ(VersionIn(files[1]), kVersions - 1);
    EXPECT_EQ(VersionIn(files[2]), kVersions);
    EXPECT_EQ(last[files[0]], kVersions);
    EXPECT_EQ(last[files[2]], kVersions);
}

TEST(StoreWriter, FailuresReachTheCallbackAndKeepTheOldFile) {
    struct Case {
        const char* step;
        int error;
    };
    for (Case c :
         {Case{"open", EACCES}, Case{"write", ENOSPC}, Case{"sync", EIO}, Case{"rename", EXDEV}}) {
        SCOPED_TRACE(c.step);
        TempDir dir;
        const fs::path a = dir.path() / "profile.bin", b = dir.path() / "gun.bin";
        const auto old = Bytes(7);
        ASSERT_TRUE(WriteFileAtomically(a, old.data(), old.size()));
        HookGuard hook;
        Log log;
        StoreWriter writer(log.Callback());

        hook.Fail(c.step, c.error);
        writer.Save(a, Bytes(8));
        writer.Save(b, Bytes(9));
        writer.Drain();
        auto entries = log.Take();
        ASSERT_EQ(entries.size(), 2u);
        for (const auto& e : entries) {
            EXPECT_FALSE(e.result);
            EXPECT_NE(e.result.message.find(e.file.filename().string()), std::string::npos)
                << e.result.message;
            EXPECT_NE(e.result.message.find(std::strerror(c.error)), std::string::npos)
                << e.result.message;
        }
        EXPECT_EQ(VersionIn(a), 7);
        EXPECT_FALSE(fs::exists(b));

        // The writer goes on after a failure.
        hook.Fail("", 0);
        writer.Save(a, Bytes(10));
        writer.Drain();
        entries = log.Take();
        ASSERT_EQ(entries.size(), 3u);
        EXPECT_TRUE(entries[2].result);
        EXPECT_EQ(VersionIn(a), 10);
    }
}

TEST(StoreWriter, DrainAndTheDestructorWaitForEverythingQueued) {
    struct Case {
        bool destroy;
        uint32_t files;  // 1: only the write under way is left
    };
    for (Case c : {Case{false, 1}, Case{false, 5}, Case{true, 1}, Case{true, 5}}) {
        SCOPED_TRACE(std::string(c.destroy ? "destructor, " : "Drain, ") + std::to_string(c.files));
        TempDir dir;
        HookGuard hook;
        Log log;
        auto writer = std::make_unique<StoreWriter>(log.Callback());
        hook.HoldNextWrite();
        for (uint32_t i = 0; i < c.files; ++i) {
            writer->Save(dir.path() / std::string("f").append(std::to_string(i)),
                         Bytes(i + 1, 256 * 1024));
        }
        hook.WaitHeld();
        EXPECT_FALSE(writer->Idle());
        std::thread release([&] { hook.Release(); });
        if (c.destroy) {
            writer.reset();
        } else {
            writer->Drain();
            EXPECT_TRUE(writer->Idle());
        }
        EXPECT_EQ(log.Take().size(), c.files) << "every done call has returned";
        release.join();
        for (uint32_t i = 0; i < c.files; ++i) {
            EXPECT_EQ(VersionIn(dir.path() / std::string("f").append(std::to_string(i))), i + 1);
        }
    }
}

TEST(StoreWriter, BuffersOfFinishedWritesAreHandedOutAgain) {
    TempDir dir;
    StoreWriter writer;
    EXPECT_EQ(writer.TakeBuffer(1 << 20).capacity(), 0u) << "nothing spare yet";

    // A buffer made on the writer thread.
    writer.Reserve(3 << 20);
    writer.Drain();
    std::vector<uint8_t> reserved = writer.TakeBuffer(1 << 20);
    EXPECT_GE(reserved.capacity(), size_t(3 << 20));
    EXPECT_TRUE(reserved.empty());
    EXPECT_EQ(writer.TakeBuffer(1 << 20).capacity(), 0u) << "handed out only once";

    // The memory of a written snapshot comes back, also through Snapshot.
    Stores s(dir.path() / "Data");
    for (int i = 0; i < 20; ++i) {
        s.profiles.push_back(std::make_unique<ProfileRecord>());
        s.profiles.back()->pointerSpeed = i;
    }
    std::vector<uint8_t> bytes = s.Snapshot(StoreFile::Profiles, std::move(reserved));
    const uint8_t* memory = bytes.data();
    ASSERT_EQ(bytes.size(), 20 * sizeof(ProfileRecord));
    writer.Save(s.ProfilePath(), std::move(bytes));
    writer.Drain();
    EXPECT_EQ(writer.TakeBuffer(8).capacity(), 0u) << "small snapshots get new memory";
    ASSERT_TRUE(s.SaveInBackground({StoreFile::Profiles}, writer));
    writer.Drain();
    std::vector<uint8_t> again = writer.TakeBuffer(20 * sizeof(ProfileRecord));
    EXPECT_EQ(again.data(), memory) << "the same memory went round twice";

    // With several spare, the smallest that fits is taken, else the largest.
    writer.Save(dir.path() / "a", std::vector<uint8_t>(1 << 20, 1));
    writer.Drain();
    writer.Save(dir.path() / "b", std::vector<uint8_t>(2 << 20, 2));
    writer.Drain();
    EXPECT_LT(writer.TakeBuffer(900 << 10).capacity(), size_t(2 << 20));
    EXPECT_GE(writer.TakeBuffer(900 << 10).capacity(), size_t(2 << 20));
    writer.Save(dir.path() / "a", std::vector<uint8_t>(1 << 20, 1));
    writer.Drain();
    writer.Save(dir.path() / "b", std::vector<uint8_t>(2 << 20, 2));
    writer.Drain();
    EXPECT_GE(writer.TakeBuffer(4 << 20).capacity(), size_t(2 << 20));
}

TEST(StoreWriter, StoresQueueTheBytesAsTheyAreAtTheCall) {
    TempDir dir;
    Stores s(dir.path() / "Data");
    s.LoadStores(3050, u"Profile");
    ASSERT_EQ(s.profiles.size(), 1u);
    s.currentIndex = 0;
    s.dataReserved = 0x01020304;
    HookGuard hook;
    Log log;
    StoreWriter writer(log.Callback());

    hook.HoldNextWrite();
    s.profiles[0]->pointerSpeed = 5;
    ASSERT_TRUE(s.SaveInBackground({StoreFile::Profiles, StoreFile::DataBin}, writer));
    hook.WaitHeld();
    // Changes after the call do not reach the file.
    s.profiles[0]->pointerSpeed = 9;
    s.profiles.push_back(std::make_unique<ProfileRecord>());
    s.dataReserved = 0;
    hook.Release();
    writer.Drain();

    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(s.ProfilePath(), bytes));
    ASSERT_EQ(bytes.size(), sizeof(ProfileRecord));
    EXPECT_EQ(reinterpret_cast<const ProfileRecord*>(bytes.data())->pointerSpeed, 5);
    ASSERT_TRUE(ReadWholeFile(s.DataBinPath(), bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0, 0, 0, 0, 4, 3, 2, 1}));
    // Files queued together: only the last write ends with an empty queue.
    const auto entries = log.Take();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].file, s.ProfilePath());
    EXPECT_FALSE(entries[0].queueEmpty);
    EXPECT_EQ(entries[1].file, s.DataBinPath());
    EXPECT_TRUE(entries[1].queueEmpty);
}

TEST(StoreWriter, AFileThatMayNotBeWrittenIsRefusedWithoutQueuing) {
    TempDir dir;
    Stores s(dir.path() / "Data");
    fs::create_directories(s.Folder());
    const std::vector<uint8_t> damaged(sizeof(GunRecord) + 1, 0x5A);
    ASSERT_TRUE(WriteFileAtomically(s.GunPath(), damaged.data(), damaged.size()));
    {
        HookGuard hook;
        hook.Fail("move-aside", EROFS);
        s.LoadStores(3050, u"Profile");
    }
    Log log;
    StoreWriter writer(log.Callback());
    const IoResult refused = s.SaveInBackground({StoreFile::Guns, StoreFile::Macros}, writer);
    EXPECT_FALSE(refused);
    EXPECT_NE(refused.message.find("gun.bin"), std::string::npos) << refused.message;
    writer.Drain();
    const auto entries = log.Take();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].file, s.MacroPath());
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadWholeFile(s.GunPath(), bytes));
    EXPECT_EQ(bytes, damaged);
}

}  // namespace
}  // namespace mouse
