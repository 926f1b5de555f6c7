// Loading the store files: first start, order, indexes, short and empty
// files, libraries, unique names, and lists read ahead on another thread.
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
