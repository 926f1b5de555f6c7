#include <gtest/gtest.h>

#include "core/temp_dir.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

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

TEST(LoadStores, TrailingPartRecordsAreDropped) {
    TempDir dir;
    Stores s(dir.path() / "Data");
    auto profileBytes = ProfileFileOf(2);
    profileBytes.resize(profileBytes.size() + 1000, 0x77);
    WriteBytes(s.ProfilePath(), profileBytes);
    std::vector<uint8_t> macroBytes;
    MacroRecord m{};
    WriteText(m.folderName, u"F");
    m.isFolder = 1;
    AppendRecord(macroBytes, m);
    macroBytes.resize(macroBytes.size() + 855, 0x55);
    WriteBytes(s.MacroPath(), macroBytes);
    std::vector<uint8_t> gunBytes(10, 1);
    WriteBytes(s.GunPath(), gunBytes);

    const LoadReport report = s.LoadStores(3050, u"Profile");
    EXPECT_EQ(s.profiles.size(), 2u);
    EXPECT_EQ(report.profileTrailingBytes, 1000u);
    EXPECT_FALSE(report.defaultProfileCreated);
    ASSERT_EQ(s.macros.size(), 1u);
    EXPECT_EQ(ReadText(s.macros[0]->folderName), u"F");
    EXPECT_EQ(report.macroTrailingBytes, 855u);
    EXPECT_TRUE(s.guns.empty());
    EXPECT_EQ(report.gunTrailingBytes, 10u);
    // Loading never rewrites the lists; the next save drops the part record.
    EXPECT_EQ(ReadBytes(s.ProfilePath()).size(), profileBytes.size());
    ASSERT_TRUE(s.SaveProfiles());
    EXPECT_EQ(ReadBytes(s.ProfilePath()).size(), 2 * sizeof(ProfileRecord));
}

TEST(LoadStores, ProfileFileWithoutAWholeRecordCountsAsMissing) {
    for (size_t size : {size_t(0), size_t(100), sizeof(ProfileRecord) - 1}) {
        TempDir dir;
        Stores s(dir.path() / "Data");
        WriteBytes(s.ProfilePath(), std::vector<uint8_t>(size, 0x33));
        WriteBytes(s.DataBinPath(), DataBinOf(0, 0));
        const LoadReport report = s.LoadStores(3050, u"Profil ");
        EXPECT_TRUE(report.defaultProfileCreated) << size;
        EXPECT_EQ(report.profileTrailingBytes, size);
        EXPECT_FALSE(report.dataBinCreated);
        ASSERT_EQ(s.profiles.size(), 1u);
        EXPECT_EQ(ReadText(s.profiles[0]->name), u"Profil 1");
        EXPECT_EQ(s.profiles[0]->dpiValue[7], 12);
        EXPECT_EQ(ReadBytes(s.ProfilePath()).size(), sizeof(ProfileRecord)) << size;
    }
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
    EXPECT_EQ(report.macroTrailingBytes, 0u);
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

    // Loading with such a store reports the failed save and still ends with
    // one profile in memory.
    Stores s(dir.path() / "Data");
    fs::create_directories(s.ProfilePath() / "x");
    const LoadReport report = s.LoadStores(3050, u"Profile");
    EXPECT_TRUE(report.defaultProfileCreated);
    ASSERT_EQ(report.errors.size(), 1u);
    EXPECT_NE(report.errors[0].find("profile.bin"), std::string::npos);
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

}  // namespace
}  // namespace mouse
