#include <gtest/gtest.h>

#include "core/temp_dir.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>

#include <sys/stat.h>
#include <unistd.h>

#include "store/stores.h"

namespace mouse {
namespace {

namespace fs = std::filesystem;

struct TempDir : test::TempDir {
    TempDir() : test::TempDir("mouse-stores") {}
};

std::vector<uint8_t> ReadBytes(const fs::path& p) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(ReadWholeFile(p, bytes)) << p;
    return bytes;
}

void WriteBytes(const fs::path& p, const std::vector<uint8_t>& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

template <typename T>
void AppendRecord(std::vector<uint8_t>& bytes, const T& record) {
    const size_t at = bytes.size();
    bytes.resize(at + sizeof(T));
    std::memcpy(bytes.data() + at, &record, sizeof(T));
}

std::unique_ptr<ProfileRecord> NamedProfile(std::u16string_view name, int seed) {
    auto p = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*p, 3050);
    WriteText(p->name, name);
    p->dpiValue[0] = seed;
    p->buttons[seed % 64].macroActions[seed % 40].x = seed * 1000;
    p->reserved314[0] = uint8_t(seed);
    return p;
}

std::vector<uint8_t> ProfileFileOf(int count) {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < count; ++i) {
        AppendRecord(bytes, *NamedProfile(std::u16string{u'P', char16_t(u'A' + i)}, i + 1));
    }
    return bytes;
}

std::vector<uint8_t> DataBinOf(int32_t index, uint32_t reserved) {
    std::vector<uint8_t> bytes;
    AppendRecord(bytes, DataRecord{index, reserved});
    return bytes;
}

// Files whose names show a temporary file of a save.
std::vector<std::string> TempFilesIn(const fs::path& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".tmp-") != std::string::npos) {
            found.push_back(name);
        }
    }
    return found;
}

TEST(StoreFolders, ProgramAndStoreFolder) {
    EXPECT_EQ(ProgramFolderOf("/opt/mouse/bin/mouse-driver"), fs::path("/opt/mouse/bin"));
    EXPECT_EQ(StoreFolderOf("/opt/mouse/bin"), fs::path("/opt/mouse/bin/Data"));
    EXPECT_EQ(StoreFolderOf(ProgramFolderOf("mouse-driver")), fs::path("./Data"));
    Stores s("/x/Data");
    EXPECT_EQ(s.DataBinPath(), fs::path("/x/Data/Data.bin"));
    EXPECT_EQ(s.ProfilePath(), fs::path("/x/Data/profile.bin"));
    EXPECT_EQ(s.MacroPath(), fs::path("/x/Data/macro.bin"));
    EXPECT_EQ(s.GunPath(), fs::path("/x/Data/gun.bin"));
}

TEST(LoadStores, FirstStartInAnEmptyFolder) {
    TempDir dir;
    Stores s(StoreFolderOf(dir.path()));
    const LoadReport report = s.LoadStores(3104, u"Profile");

    EXPECT_TRUE(report.dataBinCreated);
    EXPECT_TRUE(report.defaultProfileCreated);
    EXPECT_FALSE(report.indexReset);
    EXPECT_TRUE(report.errors.empty());
    ASSERT_EQ(s.profiles.size(), 1u);
    EXPECT_EQ(s.currentIndex, 0);
    EXPECT_TRUE(s.macros.empty());
    EXPECT_TRUE(s.guns.empty());
    EXPECT_EQ(ReadText(s.Current().name), u"Profile1");

    EXPECT_TRUE(fs::is_directory(dir.path() / "Data"));
    EXPECT_EQ(ReadBytes(s.DataBinPath()), std::vector<uint8_t>(8, 0));
    const auto profileBytes = ReadBytes(s.ProfilePath());
    ASSERT_EQ(profileBytes.size(), sizeof(ProfileRecord));
    auto expected = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*expected, 3104);
    WriteText(expected->name, u"Profile1");
    EXPECT_EQ(std::memcmp(profileBytes.data(), expected.get(), sizeof(ProfileRecord)), 0);
    EXPECT_FALSE(fs::exists(s.MacroPath()));
    EXPECT_FALSE(fs::exists(s.GunPath()));
    EXPECT_TRUE(TempFilesIn(s.Folder()).empty());
}

TEST(LoadStores, ThreeProfilesLoadInOrderAndSaveByteIdentical) {
    TempDir dir;
    Stores s(dir.path() / "Data");
    const auto profileBytes = ProfileFileOf(3);
    const auto dataBytes = DataBinOf(2, 0xDEADBEEF);
    WriteBytes(s.ProfilePath(), profileBytes);
    WriteBytes(s.DataBinPath(), dataBytes);

    const LoadReport report = s.LoadStores(3050, u"Profile");
    EXPECT_FALSE(report.dataBinCreated);
    EXPECT_FALSE(report.defaultProfileCreated);
    EXPECT_FALSE(report.indexReset);
    ASSERT_EQ(s.profiles.size(), 3u);
    EXPECT_EQ(ReadText(s.profiles[0]->name), u"PA");
    EXPECT_EQ(ReadText(s.profiles[1]->name), u"PB");
    EXPECT_EQ(ReadText(s.profiles[2]->name), u"PC");
    EXPECT_EQ(s.currentIndex, 2);
    EXPECT_EQ(s.dataReserved, 0xDEADBEEFu);
    EXPECT_EQ(&s.Current(), s.profiles[2].get());

    ASSERT_TRUE(s.SaveProfiles());
    ASSERT_TRUE(s.SaveCurrentProfileIndex());
    EXPECT_EQ(ReadBytes(s.ProfilePath()), profileBytes);
    EXPECT_EQ(ReadBytes(s.DataBinPath()), dataBytes);
    EXPECT_TRUE(TempFilesIn(s.Folder()).empty());
}

TEST(LoadStores, AnEmptyProfileFileCountsAsMissing) {
    TempDir dir;
    Stores s(dir.path() / "Data");
    WriteBytes(s.ProfilePath(), {});
    WriteBytes(s.DataBinPath(), DataBinOf(0, 0));
    const LoadReport report = s.LoadStores(3050, u"Profil ");
    EXPECT_TRUE(report.defaultProfileCreated);
    EXPECT_TRUE(report.damaged.empty()) << "an empty file holds nothing to keep";
    EXPECT_FALSE(report.dataBinCreated);
    ASSERT_EQ(s.profiles.size(), 1u);
    EXPECT_EQ(ReadText(s.profiles[0]->name), u"Profil 1");
    EXPECT_EQ(s.profiles[0]->dpiValue[7], 12);
    EXPECT_EQ(ReadBytes(s.ProfilePath()).size(), sizeof(ProfileRecord));
}

TEST(LoadStores, AStoreThatIsNotAFileDoesNotBlockTheStart) {
    TempDir dir;
    Stores s(dir.path() / "Data");
    std::filesystem::create_directories(s.Folder());
    // A FIFO would block an ordinary open until some writer came; a device
    // would read forever.
    ASSERT_EQ(mkfifo(s.ProfilePath().c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", s.MacroPath());
    const LoadReport report = s.LoadStores(3311, u"Profile");
    EXPECT_TRUE(report.defaultProfileCreated);
    EXPECT_EQ(s.profiles.size(), 1u);
    EXPECT_TRUE(s.macros.empty());
}

TEST(LoadStores, IndexOutsideTheListIsReset) {
    for (int32_t index : {-1, 3, 4, INT_MIN, INT_MAX}) {
        TempDir dir;
        Stores s(dir.path() / "Data");
        WriteBytes(s.ProfilePath(), ProfileFileOf(3));
        const auto dataBytes = DataBinOf(index, 5);
        WriteBytes(s.DataBinPath(), dataBytes);
        const LoadReport report = s.LoadStores(3050, u"Profile");
        EXPECT_TRUE(report.indexReset) << index;
        EXPECT_EQ(s.currentIndex, 0) << index;
        EXPECT_EQ(s.dataReserved, 5u);
        EXPECT_EQ(ReadBytes(s.DataBinPath()), dataBytes) << "not rewritten by loading";
    }
}

TEST(LoadStores, ShortDataBinFillsTheLowBytes) {
    struct Case {
        std::vector<uint8_t> bytes;
        int32_t index;
    };
    const Case cases[] = {
        {{}, 0}, {{1}, 1}, {{2, 0, 0}, 2}, {{1, 0, 0, 0, 9}, 1},  // reserved partly read
    };
    for (const auto& c : cases) {
        TempDir dir;
        Stores s(dir.path() / "Data");
        WriteBytes(s.ProfilePath(), ProfileFileOf(3));
        WriteBytes(s.DataBinPath(), c.bytes);
        const LoadReport report = s.LoadStores(3050, u"Profile");
        EXPECT_FALSE(report.dataBinCreated);
        EXPECT_FALSE(report.indexReset);
        EXPECT_EQ(s.currentIndex, c.index) << c.bytes.size();
        EXPECT_EQ(s.dataReserved, c.bytes.size() > 4 ? 9u : 0u);
        // A part record is damaged and kept aside; the index read from it
        // is written back whole. An empty file holds nothing to keep.
        EXPECT_EQ(report.damaged.size(), c.bytes.empty() ? 0u : 1u);
        if (!c.bytes.empty()) {
            EXPECT_EQ(ReadBytes(s.DataBinPath()), DataBinOf(c.index, s.dataReserved));
        }
    }
}

TEST(LoadStores, EmptyAndFilledLibraries) {
    TempDir dir;
    Stores s(dir.path() / "Data");
    WriteBytes(s.ProfilePath(), ProfileFileOf(1));
    WriteBytes(s.MacroPath(), {});
    std::vector<uint8_t> gunBytes;
    for (int i = 0; i < 3; ++i) {
        GunRecord g{};
        WriteText(g.folderName, u"Folder");
        WriteText(g.gunName, u"G" + std::u16string(1, char16_t(u'0' + i)));
        g.bulletCount = uint8_t(i + 1);
        AppendRecord(gunBytes, g);
    }
    WriteBytes(s.GunPath(), gunBytes);

    const LoadReport report = s.LoadStores(3050, u"Profile");
    EXPECT_TRUE(s.macros.empty());
    EXPECT_TRUE(report.damaged.empty()) << "an empty library is not damaged";
    ASSERT_EQ(s.guns.size(), 3u);
    EXPECT_EQ(s.guns[2]->bulletCount, 3);
    EXPECT_EQ(ReadText(s.guns[1]->gunName), u"G1");

    // An emptied library saves as a zero-length file.
    s.guns.clear();
    ASSERT_TRUE(s.SaveGuns());
    EXPECT_TRUE(fs::exists(s.GunPath()));
    EXPECT_EQ(fs::file_size(s.GunPath()), 0u);
    ASSERT_TRUE(s.SaveMacros());
    EXPECT_EQ(fs::file_size(s.MacroPath()), 0u);
}

TEST(CreateDefaultProfile, NumberedAndMadeUnique) {
    TempDir dir;
    Stores s(dir.path() / "Data");
    s.profiles.push_back(NamedProfile(u"PROFILE3", 1));
    s.profiles.push_back(NamedProfile(u"profile3_1", 2));

    IoResult saved = IoResult::Failure("unset");
    ProfileRecord& a = s.CreateDefaultProfile(3050, u"Profile", &saved);
    EXPECT_TRUE(saved) << saved.message;
    EXPECT_EQ(ReadText(a.name), u"Profile3_2");
    EXPECT_EQ(&a, s.profiles.back().get());
    EXPECT_EQ(a.dpiValue[0], 2);

    ProfileRecord& b = s.CreateDefaultProfile(3050, u"Profile");
    EXPECT_EQ(ReadText(b.name), u"Profile4");
    EXPECT_EQ(ReadBytes(s.ProfilePath()).size(), 4 * sizeof(ProfileRecord));
    EXPECT_TRUE(s.ProfileNameExists(u"profile4"));
    EXPECT_FALSE(s.ProfileNameExists(u"Profile5"));
}

TEST(UniqueName, SuffixesAndCuts) {
    std::set<std::u16string> taken;
    auto isTaken = [&](const std::u16string& n) { return taken.count(n) > 0; };

    EXPECT_EQ(UniqueName(u"Name", isTaken), u"Name");
    taken = {u"Name", u"Name_1", u"Name_3"};
    EXPECT_EQ(UniqueName(u"Name", isTaken), u"Name_2");

    // A long base is cut so that the stored name keeps its suffix.
    const std::u16string base49(49, u'a');
    taken = {base49};
    EXPECT_EQ(UniqueName(base49, isTaken), std::u16string(47, u'a') + u"_1");
    const std::u16string base60(60, u'b');
    taken = {};
    EXPECT_EQ(UniqueName(base60, isTaken), std::u16string(49, u'b'));
    taken = {std::u16string(49, u'b')};
    for (int i = 1; i <= 9; ++i) {
        taken.insert(std::u16string(47, u'b') + u"_" + std::u16string(1, char16_t(u'0' + i)));
    }
    const std::u16string tenth = UniqueName(base60, isTaken);
    EXPECT_EQ(tenth, std::u16string(46, u'b') + u"_10");
    EXPECT_EQ(tenth.size(), 49u);
}

TEST(RecordNameExists, FirstAndSecondField) {
    std::vector<std::unique_ptr<MacroRecord>> macros;
    auto folder = std::make_unique<MacroRecord>();
    WriteText(folder->folderName, u"Games");
    folder->isFolder = 1;
    auto macro = std::make_unique<MacroRecord>();
    WriteText(macro->folderName, u"Games");
    WriteText(macro->macroName, u"Combo");
    macros.push_back(std::move(folder));
    macros.push_back(std::move(macro));

    EXPECT_TRUE(RecordNameExists(u"GAMES", macros));
    EXPECT_FALSE(RecordNameExists(u"Combo", macros));
    EXPECT_TRUE(RecordNameExists(u"games", u"COMBO", macros));
    EXPECT_FALSE(RecordNameExists(u"Other", u"Combo", macros));
    EXPECT_FALSE(RecordNameExists(u"Games", u"Comb", macros));

    std::vector<std::unique_ptr<GunRecord>> guns;
    auto gun = std::make_unique<GunRecord>();
    WriteText(gun->folderName, u"Рюкзак");
    WriteText(gun->gunName, u"Ak");
    guns.push_back(std::move(gun));
    EXPECT_TRUE(RecordNameExists(u"РЮКЗАК", guns));
    EXPECT_TRUE(RecordNameExists(u"рюкзак", u"AK", guns));
    EXPECT_FALSE(RecordNameExists(u"рюкзак", u"", guns));
    EXPECT_FALSE(RecordNameExists(u"", guns));
}

// ---- crash-safe saves ------------------------------------------------------

struct FaultPlan {
    const char* step;
    int countdown;  // calls of that step that pass before the fault
    int error;
};
FaultPlan g_plan{};
int g_writeCalls = 0;

int PlannedFault(const char* step) {
    if (std::strcmp(step, "write") == 0) {
        ++g_writeCalls;
    }
    if (std::strcmp(step, g_plan.step) != 0) {
        return 0;
    }
    return g_plan.countdown-- > 0 ? 0 : g_plan.error;
}

class HookGuard {
public:
    explicit HookGuard(FaultPlan plan) {
        g_plan = plan;
        g_writeCalls = 0;
        SetWriteFaultHookForTesting(&PlannedFault);
    }
    ~HookGuard() { SetWriteFaultHookForTesting(nullptr); }
};

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

// ---- damaged store files and stale temporary files -------------------------

// Local time zone for the names of damaged copies; restored afterwards.
class TimeZone {
public:
    explicit TimeZone(const char* tz) {
        if (const char* old = std::getenv("TZ")) {
            old_ = old;
        }
        ::setenv("TZ", tz, 1);
        ::tzset();
    }
    ~TimeZone() {
        if (old_) {
            ::setenv("TZ", old_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

private:
    std::optional<std::string> old_;
};

// 2026-12-08 10:15:00 UTC.
std::chrono::system_clock::time_point FixedNow() {
    using namespace std::chrono;
    return sys_days{year{2026} / 12 / 8} + hours{10} + minutes{15};
}

size_t RecordSizeOf(StoreFile which) {
    switch (which) {
        case StoreFile::DataBin:
            return sizeof(DataRecord);
        case StoreFile::Profiles:
            return sizeof(ProfileRecord);
        case StoreFile::Macros:
            return sizeof(MacroRecord);
        case StoreFile::Guns:
            return sizeof(GunRecord);
    }
    return 0;
}

size_t ListSize(const Stores& s, StoreFile which) {
    switch (which) {
        case StoreFile::DataBin:
            return 1;
        case StoreFile::Profiles:
            return s.profiles.size();
        case StoreFile::Macros:
            return s.macros.size();
        case StoreFile::Guns:
            return s.guns.size();
    }
    return 0;
}

std::vector<uint8_t> PatternBytes(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = uint8_t(i * 7 + seed + i / 997);
    }
    return bytes;
}

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

// Lists read ahead (on another thread in the program) load exactly as the
// files read by LoadStores itself: the same records, the same report and the
// same files left behind; lists read from another folder are not taken.
TEST(LoadStores, ListsReadAheadLoadAsTheFilesDo) {
    struct Case {
        const char* what;
        int profiles;       // whole records in profile.bin; -1: no file
        size_t extraBytes;  // bytes of a part record after them
        bool gunFolder;     // gun.bin is a folder (unreadable)
        bool otherFolder;   // the lists were read from another folder
    };
    const Case kCases[] = {
        {"three profiles", 3, 0, false, false},
        {"a part record at the end", 2, 100, false, false},
        {"no profile.bin", -1, 0, false, false},
        {"an unreadable gun.bin", 1, 0, true, false},
        {"lists of another folder", 3, 0, false, true},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        std::vector<uint8_t> macroBytes;
        MacroRecord macro{};
        WriteText(macro.macroName, u"M");
        AppendRecord(macroBytes, macro);
        AppendRecord(macroBytes, macro);
        auto fill = [&](const fs::path& data) {
            fs::create_directories(data);
            if (c.profiles >= 0) {
                std::vector<uint8_t> bytes = ProfileFileOf(c.profiles);
                bytes.resize(bytes.size() + c.extraBytes, 0x5A);
                WriteBytes(data / "profile.bin", bytes);
            }
            WriteBytes(data / "macro.bin", macroBytes);
            if (c.gunFolder) {
                fs::create_directories(data / "gun.bin");
            }
        };
        fill(dir.path() / "self");
        fill(dir.path() / "ahead");
        fill(dir.path() / "other");
        WriteBytes(dir.path() / "other" / "macro.bin", {});

        Stores self(dir.path() / "self");
        const LoadReport selfReport = self.LoadStores(3050, u"Profile");
        Stores ahead(dir.path() / "ahead");
        StoreLists lists = ReadStoreLists(dir.path() / (c.otherFolder ? "other" : "ahead"));
        const LoadReport aheadReport = ahead.LoadStores(3050, u"Profile", &lists);

        for (StoreFile file :
             {StoreFile::DataBin, StoreFile::Profiles, StoreFile::Macros, StoreFile::Guns}) {
            EXPECT_EQ(self.Snapshot(file), ahead.Snapshot(file)) << int(file);
            EXPECT_EQ(bool(self.CheckWritable(file)), bool(ahead.CheckWritable(file))) << int(file);
        }
        EXPECT_EQ(selfReport.defaultProfileCreated, aheadReport.defaultProfileCreated);
        ASSERT_EQ(selfReport.damaged.size(), aheadReport.damaged.size());
        for (size_t i = 0; i < selfReport.damaged.size(); ++i) {
            EXPECT_EQ(selfReport.damaged[i].which, aheadReport.damaged[i].which);
            EXPECT_EQ(selfReport.damaged[i].kind, aheadReport.damaged[i].kind);
            EXPECT_EQ(selfReport.damaged[i].keptRecords, aheadReport.damaged[i].keptRecords);
        }
        if (c.profiles >= 0) {
            EXPECT_EQ(ReadBytes(self.ProfilePath()), ReadBytes(ahead.ProfilePath()));
        }
    }
}

}  // namespace
}  // namespace mouse
