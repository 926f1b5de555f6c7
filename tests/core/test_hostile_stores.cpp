// Store files that could lose the user's data or stall the start: files that
// cannot be read, files far larger than the program keeps, stores kept
// through links, and names that are not fit to be file names.
#include <gtest/gtest.h>

#include "core/temp_dir.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "store/file_names.h"
#include "store/store_writer.h"
#include "store/stores.h"

namespace mouse {
namespace {

namespace fs = std::filesystem;

using test::WriteBytes;

// A file of that length that takes no room on the disk.
void Sparse(const fs::path& p, uintmax_t size) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary).flush();
    fs::resize_file(p, size);
}

template <typename T>
std::vector<uint8_t> RecordsOf(size_t count, uint8_t fill) {
    return std::vector<uint8_t>(count * sizeof(T), fill);
}

std::vector<std::string> DamagedCopiesIn(const fs::path& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().find(".damaged-") != std::string::npos) {
            found.push_back(entry.path().filename().string());
        }
    }
    return found;
}

// The read seam: the read of the file named g_failing fails with g_error.
std::string g_failing;
int g_error = 0;
int FailOneRead(const char* step) {
    return step == "read " + g_failing ? g_error : 0;
}

// Four stores, each with content a fresh start would not make.
void WriteAllStores(const Stores& s) {
    WriteBytes(s.DataBinPath(), {2, 0, 0, 0, 7, 0, 0, 0});
    std::vector<uint8_t> profiles;
    for (int i = 0; i < 3; ++i) {
        ProfileRecord p{};
        MakeDefaultRecord(p, 3050);
        WriteText(p.name, i == 0 ? u"Mine A" : i == 1 ? u"Mine B" : u"Mine C");
        const auto* b = reinterpret_cast<const uint8_t*>(&p);
        profiles.insert(profiles.end(), b, b + sizeof p);
    }
    WriteBytes(s.ProfilePath(), profiles);
    WriteBytes(s.MacroPath(), RecordsOf<MacroRecord>(2, 0));
    WriteBytes(s.GunPath(), RecordsOf<GunRecord>(2, 0));
}

TEST(HostileStores, AStoreThatCannotBeReadIsKeptToldAndNeverWritten) {
    struct Case {
        StoreFile which;
        bool folder;  // the store is a folder instead of a file
        int error;
        const char* told;
    };
    for (const Case c : {Case{StoreFile::DataBin, false, EACCES, "Permission denied"},
                         Case{StoreFile::Profiles, false, EIO, "Input/output error"},
                         Case{StoreFile::Macros, false, EACCES, "Permission denied"},
                         Case{StoreFile::Guns, false, EIO, "Input/output error"},
                         Case{StoreFile::DataBin, true, 0, "a folder"},
                         Case{StoreFile::Profiles, true, 0, "a folder"}}) {
        SCOPED_TRACE(std::to_string(int(c.which)) + " " + c.told);
        test::TempDir dir("mouse-hostile");
        Stores s(dir.path() / "Data");
        WriteAllStores(s);
        const fs::path file = s.PathOf(c.which);
        if (c.folder) {
            fs::remove(file);
            fs::create_directory(file);
            WriteBytes(file / "inside", {1});
        }
        const std::vector<uint8_t> before =
            fs::is_regular_file(file) ? test::ReadBytes(file) : std::vector<uint8_t>{};
        g_failing = file.filename().string();
        g_error = c.error;
        SetWriteFaultHookForTesting(c.folder ? nullptr : &FailOneRead);
        const LoadReport report = s.LoadStores(3050, u"Profile");
        SetWriteFaultHookForTesting(nullptr);

        ASSERT_EQ(report.damaged.size(), 1u);
        EXPECT_EQ(report.damaged[0].kind, DamagedFile::Kind::Unreadable);
        EXPECT_EQ(report.damaged[0].which, c.which);
        const std::string told = DescribeDamage(report.damaged[0]);
        EXPECT_NE(told.find(file.string()), std::string::npos) << told;
        EXPECT_NE(told.find(c.told), std::string::npos) << told;
        EXPECT_TRUE(report.errors.empty());
        EXPECT_EQ(s.profiles.size(), c.which == StoreFile::Profiles ? 1u : 3u);

        // Nothing the user does in this run writes over it.
        s.profiles.push_back(std::make_unique<ProfileRecord>());
        s.macros.push_back(std::make_unique<MacroRecord>());
        s.guns.push_back(std::make_unique<GunRecord>());
        EXPECT_FALSE(s.Save(c.which));
        StoreWriter writer;
        EXPECT_FALSE(s.SaveInBackground({c.which}, writer));
        writer.Drain();
        if (c.folder) {
            EXPECT_TRUE(fs::is_directory(file));
            EXPECT_TRUE(fs::exists(file / "inside"));
        } else {
            EXPECT_EQ(test::ReadBytes(file), before);
        }
        EXPECT_TRUE(DamagedCopiesIn(s.Folder()).empty());
        for (StoreFile other : {StoreFile::DataBin, StoreFile::Profiles, StoreFile::Macros}) {
            if (other != c.which) {
                EXPECT_TRUE(s.Save(other)) << "the other stores are saved as usual";
            }
        }
    }
}

TEST(HostileStores, HugeStoresAreCappedAndKeptAsideWithoutBeingReadWhole) {
    constexpr uintmax_t kHuge = uintmax_t(2) << 30;
    struct Case {
        StoreFile which;
        size_t kept;
        size_t recordSize;
    };
    for (const Case c : {Case{StoreFile::DataBin, 1, sizeof(DataRecord)},
                         Case{StoreFile::Profiles, kMaxProfiles, sizeof(ProfileRecord)},
                         Case{StoreFile::Macros, kMaxLibraryRecords, sizeof(MacroRecord)},
                         Case{StoreFile::Guns, kMaxLibraryRecords, sizeof(GunRecord)}}) {
        SCOPED_TRACE(int(c.which));
        test::TempDir dir("mouse-hostile");
        Stores s(dir.path() / "Data");
        Sparse(s.PathOf(c.which), kHuge);
        const LoadReport report = s.LoadStores(3050, u"Profile");

        ASSERT_EQ(report.damaged.size(), 1u);
        const DamagedFile& damaged = report.damaged[0];
        EXPECT_EQ(damaged.kind, c.which == StoreFile::DataBin ? DamagedFile::Kind::Length
                                                              : DamagedFile::Kind::TooLarge);
        EXPECT_EQ(damaged.size, kHuge);
        EXPECT_EQ(damaged.keptRecords, c.kept);
        ASSERT_FALSE(damaged.movedTo.empty()) << damaged.error;
        EXPECT_EQ(fs::file_size(damaged.movedTo), kHuge) << "the original is kept whole";
        EXPECT_EQ(fs::file_size(s.PathOf(c.which)), c.kept * c.recordSize);
        const size_t lists[] = {1, s.profiles.size(), s.macros.size(), s.guns.size()};
        EXPECT_EQ(lists[size_t(c.which)], c.kept);
        EXPECT_NE(DescribeDamage(damaged).find(std::to_string(c.kept)), std::string::npos);
    }
}

TEST(HostileStores, AStoreKeptThroughALinkIsWrittenThroughIt) {
    test::TempDir dir("mouse-hostile");
    const fs::path synced = dir.path() / "synced";
    Stores s(dir.path() / "Data");
    fs::create_directories(s.Folder());
    fs::create_directories(synced);
    WriteBytes(synced / "profile.bin", RecordsOf<ProfileRecord>(1, 0));
    fs::create_symlink("../synced/profile.bin", s.ProfilePath());  // relative, as users make them
    WriteBytes(synced / "macro.bin", {1, 2, 3});                   // a length a list cannot have...
    fs::create_symlink(synced / "macro.bin", s.MacroPath());

    const LoadReport report = s.LoadStores(3050, u"Profile");
    ASSERT_EQ(s.profiles.size(), 1u);
    s.profiles.push_back(std::make_unique<ProfileRecord>());
    ASSERT_TRUE(s.SaveProfiles());

    EXPECT_TRUE(fs::is_symlink(s.ProfilePath()));
    EXPECT_EQ(fs::file_size(synced / "profile.bin"), 2 * sizeof(ProfileRecord));
    // ...is moved aside beside its target, and the link keeps naming the
    // store written anew.
    ASSERT_EQ(report.damaged.size(), 1u);
    EXPECT_EQ(report.damaged[0].movedTo.parent_path(), synced);
    EXPECT_TRUE(fs::is_symlink(s.MacroPath()));
    EXPECT_EQ(fs::file_size(synced / "macro.bin"), 0u);
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(synced)) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names.size(), 3u) << "no temporary file is left beside the targets";
}

TEST(HostileStores, SpareSnapshotMemoryStaysBounded) {
    StoreWriter writer;
    writer.Reserve(size_t(100) << 20, 3);
    writer.Drain();
    EXPECT_EQ(writer.TakeBuffer(size_t(100) << 20).capacity(), 0u) << "a huge store gets none";
    writer.Reserve(size_t(30) << 20, 3);
    writer.Drain();
    size_t total = 0;
    for (int i = 0; i < 3; ++i) {
        total += writer.TakeBuffer(size_t(30) << 20).capacity();
    }
    EXPECT_GT(total, 0u);
    EXPECT_LE(total, size_t(64) << 20);
}

TEST(HostileStores, NameSetHandsOutWhatUniqueNameWouldInLinearTime) {
    NameSet set;
    set.Add(u"Macro");
    std::vector<std::u16string> given;
    for (int i = 0; i < 20000; ++i) {
        given.push_back(set.Take(i % 2 ? u"macro" : u"MACRO"));
    }
    EXPECT_EQ(given[0], u"MACRO_1");
    EXPECT_EQ(given[1], u"macro_2");
    EXPECT_EQ(given.back(), u"macro_20000");
    const std::u16string long49(49, u'x');
    EXPECT_EQ(set.Take(long49), long49);
    EXPECT_EQ(set.Take(long49), std::u16string(47, u'x') + u"_1") << "cut to fit its suffix";
    EXPECT_TRUE(set.Contains(u"Macro_7"));
}

TEST(HostileStores, NamesProposedAsFileNamesStayInTheirFolder) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"Profile 1", u"Profile 1"},
        {u"../../.config/autostart/x", u"_.._.config_autostart_x"},
        {u"..", u""},
        {u".hidden", u"hidden"},
        {u"a\\b", u"a_b"},
        {u"tab\there\nnew\u0001", u"tabherenew"},
        {u"odd\uFFFF"
         u"\xD800"
         u"end ",
         u"oddend"},
        {u"Ü ßpeed", u"Ü ßpeed"},
    };
    for (const auto& [name, safe] : cases) {
        EXPECT_EQ(SafeFileName(name), safe) << ToUtf8(name);
    }
}

}  // namespace
}  // namespace mouse
