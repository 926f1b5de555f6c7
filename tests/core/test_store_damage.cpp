// Damaged store files: moved aside under a dated name before the whole
// records are written back, never over an earlier copy, and left unwritten
// when they cannot be moved.
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

TEST(DamagedStores, MovedAsideBeforeTheWholeRecordsAreWrittenBack) {
    struct Case {
        StoreFile which;
        size_t whole;  // whole records at the start
        size_t extra;  // bytes of a part record after them
    };
    const size_t profile = sizeof(ProfileRecord), macro = sizeof(MacroRecord),
                 gun = sizeof(GunRecord);
    const Case cases[] = {
        {StoreFile::Profiles, 2, profile - 1},  // short by one byte
        {StoreFile::Profiles, 0, profile - 1},  // shorter than one record
        {StoreFile::Profiles, 0, 100},
        {StoreFile::Profiles, 2, 1000},  // trailing bytes
        {StoreFile::Macros, 3, macro - 1},
        {StoreFile::Macros, 0, 1},
        {StoreFile::Macros, 1, 10},
        {StoreFile::Guns, 4, gun - 1},
        {StoreFile::Guns, 0, 10},
        {StoreFile::Guns, 2, 1},
        {StoreFile::DataBin, 0, 7},
        {StoreFile::DataBin, 0, 3},
        {StoreFile::DataBin, 1, 1},
        {StoreFile::DataBin, 2, 0},  // Data.bin holds exactly one record
    };
    TimeZone utc("UTC");
    for (const Case& c : cases) {
        TempDir dir;
        Stores s(dir.path() / "Data");
        s.SetClock(FixedNow);
        const fs::path file = s.PathOf(c.which);
        const size_t recordSize = RecordSizeOf(c.which);
        const auto original = PatternBytes(c.whole * recordSize + c.extra, uint8_t(c.extra));
        WriteBytes(file, original);
        SCOPED_TRACE(file.filename().string() + " of " + std::to_string(original.size()));

        const LoadReport report = s.LoadStores(3050, u"Profile");
        ASSERT_EQ(report.damaged.size(), 1u);
        const DamagedFile& d = report.damaged[0];
        EXPECT_EQ(d.which, c.which);
        EXPECT_EQ(d.file, file);
        EXPECT_EQ(d.size, original.size());
        EXPECT_EQ(d.keptRecords,
                  c.which == StoreFile::DataBin ? std::min<size_t>(c.whole, 1) : c.whole);
        const bool defaultCreated = c.which == StoreFile::Profiles && c.whole == 0;
        EXPECT_EQ(d.defaultCreated, defaultCreated);
        EXPECT_EQ(report.defaultProfileCreated, c.which != StoreFile::Profiles || c.whole == 0)
            << "a missing profile.bin gets a default too";
        EXPECT_TRUE(d.error.empty()) << d.error;
        EXPECT_EQ(d.movedTo, fs::path(file.string() + ".damaged-20261208-101500"));
        EXPECT_EQ(ReadBytes(d.movedTo), original) << "the original bytes are kept whole";
        EXPECT_TRUE(report.errors.empty());

        // The list holds the whole records, and the file under the store's
        // own name now holds the same.
        const auto now = ReadBytes(file);
        if (c.which == StoreFile::DataBin) {
            auto expected = original;
            expected.resize(sizeof(DataRecord), 0);  // the short-file rule still reads the index
            EXPECT_EQ(now, expected);
            int32_t index;
            std::memcpy(&index, expected.data(), sizeof index);
            EXPECT_EQ(s.currentIndex, index >= 0 && index < 1 ? index : 0);
        } else if (defaultCreated) {
            ASSERT_EQ(s.profiles.size(), 1u);
            EXPECT_EQ(ReadText(s.profiles[0]->name), u"Profile1");
            EXPECT_EQ(now.size(), sizeof(ProfileRecord));
        } else {
            EXPECT_EQ(ListSize(s, c.which), c.whole);
            EXPECT_EQ(now, std::vector<uint8_t>(original.begin(),
                                                original.begin() + long(c.whole * recordSize)));
        }
        EXPECT_TRUE(TempFilesIn(s.Folder()).empty());

        // What the user is told names the file, what was kept and where the
        // original went.
        const std::string told = DescribeDamage(d);
        EXPECT_NE(told.find(file.string()), std::string::npos) << told;
        EXPECT_NE(told.find(d.movedTo.string()), std::string::npos) << told;
        EXPECT_NE(told.find(defaultCreated ? "default profile"
                                           : std::to_string(d.keptRecords) + " whole record"),
                  std::string::npos)
            << told;
    }
}

TEST(DamagedStores, AnEarlierDamagedCopyIsNeverOverwritten) {
    TimeZone tz("XST-2");  // two hours east of UTC, no summer time
    TempDir dir;
    Stores s(dir.path() / "Data");
    s.SetClock(FixedNow);
    const std::string base = s.MacroPath().string() + ".damaged-20261208-121500";
    WriteBytes(base, {1});
    WriteBytes(base + "-1", {2});
    const auto damaged = PatternBytes(sizeof(MacroRecord) + 5, 9);
    WriteBytes(s.MacroPath(), damaged);

    LoadReport report = s.LoadStores(3050, u"Profile");
    ASSERT_EQ(report.damaged.size(), 1u);
    EXPECT_EQ(report.damaged[0].movedTo, fs::path(base + "-2"));
    EXPECT_EQ(ReadBytes(base), std::vector<uint8_t>{1});
    EXPECT_EQ(ReadBytes(base + "-1"), std::vector<uint8_t>{2});
    EXPECT_EQ(ReadBytes(base + "-2"), damaged);

    // The same again within the same second takes the next free name; the
    // written-back file is whole now and stays where it is.
    WriteBytes(s.MacroPath(), damaged);
    report = s.LoadStores(3050, u"Profile");
    ASSERT_EQ(report.damaged.size(), 1u);
    EXPECT_EQ(report.damaged[0].movedTo, fs::path(base + "-3"));
    report = s.LoadStores(3050, u"Profile");
    EXPECT_TRUE(report.damaged.empty());
    EXPECT_EQ(s.macros.size(), 1u);
}

TEST(DamagedStores, AFileThatCannotBeMovedAsideIsNotWrittenDuringTheRun) {
    struct Case {
        StoreFile which;
        size_t size;
        size_t listSize;  // after loading
    };
    const Case cases[] = {
        {StoreFile::Profiles, 2 * sizeof(ProfileRecord) + 3, 2},
        {StoreFile::Profiles, 100, 1},  // a default profile, in memory only
        {StoreFile::Macros, sizeof(MacroRecord) + 1, 1},
        {StoreFile::Guns, 3, 0},
        {StoreFile::DataBin, 5, 1},
    };
    for (const Case& c : cases) {
        TempDir dir;
        Stores s(dir.path() / "Data");
        const fs::path file = s.PathOf(c.which);
        const auto original = PatternBytes(c.size, 1);
        WriteBytes(file, original);
        SCOPED_TRACE(file.filename().string());

        LoadReport report;
        {
            HookGuard guard({"move-aside", 0, EACCES});
            report = s.LoadStores(3050, u"Profile");
        }
        ASSERT_EQ(report.damaged.size(), 1u);
        const DamagedFile& d = report.damaged[0];
        EXPECT_TRUE(d.movedTo.empty());
        EXPECT_NE(d.error.find(file.string()), std::string::npos) << d.error;
        EXPECT_NE(d.error.find(std::strerror(EACCES)), std::string::npos) << d.error;
        EXPECT_NE(DescribeDamage(d).find(d.error), std::string::npos) << DescribeDamage(d);
        EXPECT_EQ(ListSize(s, c.which), c.listSize);
        EXPECT_EQ(ReadBytes(file), original);
        // The default profile that stands in is not saved over the file; the
        // damage report already says why.
        EXPECT_TRUE(report.errors.empty());

        // Every save of that file refuses and says why; the others still work.
        const IoResult refused = s.Save(c.which);
        EXPECT_FALSE(refused);
        EXPECT_NE(refused.message.find(file.string()), std::string::npos) << refused.message;
        EXPECT_FALSE(s.CheckWritable(c.which));
        EXPECT_EQ(ReadBytes(file), original);
        for (StoreFile other :
             {StoreFile::DataBin, StoreFile::Profiles, StoreFile::Macros, StoreFile::Guns}) {
            if (other != c.which) {
                EXPECT_TRUE(s.Save(other)) << s.PathOf(other);
            }
        }

        // The next start moves it aside and writes again.
        report = s.LoadStores(3050, u"Profile");
        ASSERT_EQ(report.damaged.size(), 1u);
        EXPECT_FALSE(report.damaged[0].movedTo.empty());
        EXPECT_TRUE(s.Save(c.which));
    }
}

}  // namespace
}  // namespace mouse
