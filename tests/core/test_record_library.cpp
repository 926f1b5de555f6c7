// The macro and recoil-preset libraries: list operations, exchange files,
// naming, and keeping bound buttons in step. What both share runs as typed
// tests over both libraries.
#include <gtest/gtest.h>

#include "core/temp_dir.h"

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "device/protocol.h"
#include "store/gun_library.h"
#include "store/macro_library.h"
#include "store/tables.h"

namespace mouse {
namespace {

namespace fs = std::filesystem;

struct TempDir : test::TempDir {
    TempDir() : test::TempDir("mouse-library") {}
};

std::vector<uint8_t> ReadBytes(const fs::path& p) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(ReadWholeFile(p, bytes)) << p;
    return bytes;
}

template <typename R>
std::vector<uint8_t> BytesOf(const std::vector<R>& records) {
    std::vector<uint8_t> bytes(records.size() * sizeof(R));
    if (!records.empty()) {
        std::memcpy(bytes.data(), records.data(), bytes.size());
    }
    return bytes;
}

template <typename R>
std::vector<uint8_t> ListBytes(const std::vector<std::unique_ptr<R>>& list) {
    std::vector<uint8_t> bytes;
    for (const auto& r : list) {
        const size_t at = bytes.size();
        bytes.resize(at + sizeof(R));
        std::memcpy(bytes.data() + at, r.get(), sizeof(R));
    }
    return bytes;
}

// What differs between the two libraries for the tests: their types, the
// function that binds a button, the record's name field and binding index,
// and how a record is marked.
struct MacroKind {
    using Lib = MacroLibrary;
    using Traits = MacroTraits;
    using Record = MacroRecord;
    static constexpr int kBound = fn::kMacro;
    static TextField& Name(Record& r) { return r.macroName; }
    static int32_t& Index(ButtonEntry& e) { return e.macroIndex; }
    static std::string File(const char* title) { return std::string(title) + ".mbin"; }
    // Marks a record's content so copies can be recognised.
    static void Mark(Record& r, int n) {
        r.actionCount = 1;
        r.loopCount = uint16_t(n % 200 + 1);
        r.actions[0] =
            MacroAction{0, uint8_t(4 + n % 20), kActionPress, 0, uint16_t(10 + n), 0, 0, 0};
    }
    static int MarkOf(const ButtonEntry& e) { return e.macroActions[0].delay - 10; }
};

struct GunKind {
    using Lib = GunLibrary;
    using Traits = GunTraits;
    using Record = GunRecord;
    static constexpr int kBound = fn::kRecoil;
    static TextField& Name(Record& r) { return r.gunName; }
    static int32_t& Index(ButtonEntry& e) { return e.gunIndex; }
    static std::string File(const char* title) { return std::string(title) + ".gbin"; }
    static void Mark(Record& r, int n) { r.bullets[0].x = n % 100; }
    static int MarkOf(const ButtonEntry& e) { return e.gunData[0].x; }
};

// Stores with three default profiles (the second current), a library whose
// saves are counted, and helpers to fill it.
template <typename Kind>
class LibraryTest : public ::testing::Test {
protected:
    using Lib = typename Kind::Lib;
    using Record = typename Kind::Record;

    LibraryTest() : stores(StoreFolderOf(dir.path())), lib(stores, [this] { ++saves; }) {
        for (int i = 0; i < 3; ++i) {
            auto p = std::make_unique<ProfileRecord>();
            MakeDefaultRecord(*p, 3050);
            stores.profiles.push_back(std::move(p));
        }
        stores.currentIndex = 1;
    }

    auto& List() { return lib.Records(); }
    Record& At(int i) { return *List().at(size_t(i)); }
    std::u16string NameAt(int i) { return ReadText(Kind::Name(At(i))); }
    std::u16string FolderAt(int i) { return ReadText(At(i).folderName); }

    // Folder f holding items named name0..name(n-1); each item marked with
    // its list position. Returns the folder record's position.
    int AddFolder(std::u16string_view f, std::initializer_list<std::u16string_view> items) {
        const int pos = lib.CreateFolder(f);
        EXPECT_GE(pos, 0);
        for (std::u16string_view n : items) {
            const int item = lib.CreateItem(f, n);
            EXPECT_GE(item, 0);
            Kind::Mark(At(item), item);
        }
        return pos;
    }

    void Bind(int profile, int slot, int position, int function = Kind::kBound) {
        ButtonEntry& e = stores.profiles[size_t(profile)]->buttons[slot];
        e.functionId = uint8_t(function);
        Kind::Index(e) = position;
    }
    ButtonEntry& Entry(int profile, int slot) {
        return stores.profiles[size_t(profile)]->buttons[slot];
    }

    TempDir dir;
    Stores stores;
    int saves = 0;
    Lib lib;
};

using Kinds = ::testing::Types<MacroKind, GunKind>;
TYPED_TEST_SUITE(LibraryTest, Kinds);

TYPED_TEST(LibraryTest, CreateAppendsFolderAndItemRecords) {
    using Kind = TypeParam;
    EXPECT_EQ(this->lib.CreateFolder(u"Games"), 0);
    EXPECT_EQ(this->lib.CreateItem(u"games", u"Combo"), 1);
    EXPECT_EQ(this->saves, 2);

    auto& folder = this->At(0);
    EXPECT_EQ(folder.isFolder, 1);
    EXPECT_EQ(ReadText(folder.folderName), u"Games");
    // A folder record is all zero besides its flag and name.
    typename Kind::Record expected{};
    expected.isFolder = 1;
    WriteText(expected.folderName, u"Games");
    EXPECT_EQ(std::memcmp(&folder, &expected, sizeof(expected)), 0);

    EXPECT_EQ(this->At(1).isFolder, 0);
    EXPECT_EQ(this->FolderAt(1), u"games");  // stored as the caller gave it
    EXPECT_EQ(this->NameAt(1), u"Combo");
}

TYPED_TEST(LibraryTest, CreateRefusesWithoutChange) {
    this->AddFolder(u"Games", {u"Combo"});
    const int saves = this->saves;
    struct Case {
        const char16_t* folder;  // nullptr: create a folder named name
        const char16_t* name;
    } cases[] = {
        {nullptr, u""},          // empty folder name
        {nullptr, u"GAMES"},     // folder taken, case ignored
        {u"Games", u""},         // empty item name
        {u"Games", u"combo"},    // item taken in the folder
        {u"Nowhere", u"Combo"},  // no such folder
    };
    for (const Case& c : cases) {
        const int pos =
            c.folder ? this->lib.CreateItem(c.folder, c.name) : this->lib.CreateFolder(c.name);
        EXPECT_EQ(pos, -1) << (c.folder ? "item" : "folder");
    }
    EXPECT_EQ(this->List().size(), 2u);
    EXPECT_EQ(this->saves, saves);
}

TYPED_TEST(LibraryTest, RenameFolderChangesEveryRecordOfTheFolder) {
    this->AddFolder(u"A", {u"one"});
    this->AddFolder(u"Other", {u"x"});
    // An item whose stored folder name differs only in case belongs to A.
    const int odd = this->lib.CreateItem(u"a", u"two");
    this->Bind(1, 3, 1);
    WriteText(this->Entry(1, 3).bindingFolder, u"A");
    const int saves = this->saves;

    ASSERT_TRUE(this->lib.RenameFolder(u"A", u"B"));
    EXPECT_EQ(this->saves, saves + 1);
    EXPECT_EQ(this->FolderAt(0), u"B");
    EXPECT_EQ(this->FolderAt(1), u"B");
    EXPECT_EQ(this->FolderAt(odd), u"B");
    EXPECT_EQ(this->FolderAt(2), u"Other");
    EXPECT_EQ(ReadText(this->Entry(1, 3).bindingFolder), u"A");  // buttons keep their text

    EXPECT_TRUE(this->lib.RenameFolder(u"B", u"b"));  // case only: allowed
    EXPECT_FALSE(this->lib.RenameFolder(u"b", u"other"));
    EXPECT_FALSE(this->lib.RenameFolder(u"missing", u"C"));
    EXPECT_FALSE(this->lib.RenameFolder(u"b", u""));
    EXPECT_EQ(this->FolderAt(0), u"b");
    EXPECT_EQ(this->saves, saves + 2);
}

TYPED_TEST(LibraryTest, QueriesListFoldersAndTheirItems) {
    this->AddFolder(u"A", {u"1", u"2"});
    this->AddFolder(u"B", {u"3"});
    this->lib.CreateItem(u"a", u"4");
    EXPECT_EQ(this->lib.FolderPositions(), (std::vector<int>{0, 3}));
    EXPECT_EQ(this->lib.ItemPositions(u"A"), (std::vector<int>{1, 2, 5}));
    EXPECT_EQ(this->lib.ItemPositions(u"b"), (std::vector<int>{4}));
    EXPECT_TRUE(this->lib.ItemPositions(u"C").empty());
}

// The deletion example: buttons 2 and 40 of the current profile bound to
// position 3, later records bound in other profiles.
TYPED_TEST(LibraryTest, DeleteItemResetsItsButtonsAndRenumbersLaterOnes) {
    using Kind = TypeParam;
    this->AddFolder(u"F", {u"a", u"b", u"c", u"d", u"e"});  // items at 1..5
    this->Bind(1, 2, 3);
    this->Bind(1, 40, 3);
    this->Bind(1, 7, 5);
    this->Bind(0, 9, 4);
    this->Bind(2, 33, 5);
    this->Bind(0, 1, 2);                 // earlier record: unchanged
    this->Bind(2, 4, 3, fn::kShortcut);  // index left over from an old binding
    const auto before0 = this->Entry(0, 1);
    const auto shortcut = this->Entry(2, 4);
    const int saves = this->saves;

    const BindingChange change = this->lib.DeleteItem(3);
    EXPECT_EQ(this->saves, saves + 1);
    EXPECT_TRUE(change.affected);
    EXPECT_TRUE(change.profilesChanged);
    ASSERT_EQ(this->List().size(), 5u);
    EXPECT_EQ(this->NameAt(3), u"d");

    for (int slot : {2, 40}) {
        EXPECT_EQ(this->Entry(1, slot).functionId, DefaultFunction(slot)) << slot;
        EXPECT_EQ(Kind::Index(this->Entry(1, slot)), -1) << slot;
    }
    EXPECT_EQ(Kind::Index(this->Entry(1, 7)), 4);
    EXPECT_EQ(Kind::Index(this->Entry(0, 9)), 3);
    EXPECT_EQ(Kind::Index(this->Entry(2, 33)), 4);
    EXPECT_EQ(this->Entry(1, 7).functionId, Kind::kBound);
    EXPECT_EQ(std::memcmp(&this->Entry(0, 1), &before0, sizeof(ButtonEntry)), 0);
    EXPECT_EQ(std::memcmp(&this->Entry(2, 4), &shortcut, sizeof(ButtonEntry)), 0);
}

TYPED_TEST(LibraryTest, DeleteReportsOnlyWhatChanged) {
    this->AddFolder(u"F", {u"a", u"b", u"c"});  // items at 1..3
    struct Case {
        const char* what;
        int profile, bound;
        bool affected, changed;
    } cases[] = {
        {"bound to the deleted, current profile", 1, 2, true, true},
        {"bound to the deleted, other profile", 0, 2, false, true},
        {"bound to a later one, current profile", 1, 3, false, true},
        {"bound to an earlier one", 1, 1, false, false},
        {"nothing bound", -1, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        while (this->List().size() > 4) {
            this->List().pop_back();
        }
        this->lib.CreateItem(u"F", u"tail");  // back to four records
        for (auto& p : this->stores.profiles) {
            MakeDefaultRecord(*p, 3050);
        }
        if (c.profile >= 0) {
            this->Bind(c.profile, 0, c.bound);
        }
        const BindingChange change = this->lib.DeleteItem(2);
        EXPECT_EQ(change.affected, c.affected);
        EXPECT_EQ(change.profilesChanged, c.changed);
    }
    EXPECT_FALSE(this->lib.DeleteItem(99).profilesChanged);
    EXPECT_FALSE(this->lib.DeleteItem(-1).profilesChanged);
}

TYPED_TEST(LibraryTest, DeleteFolderRemovesAllItsRecordsAndSavesOnce) {
    using Kind = TypeParam;
    this->AddFolder(u"Keep", {u"k1"});             // 0, 1
    this->AddFolder(u"Gone", {u"a", u"b", u"c"});  // 2, 3..5
    this->AddFolder(u"After", {u"z"});             // 6, 7
    this->lib.CreateItem(u"GONE", u"d");           // 8, case differs
    this->Bind(1, 0, 4);
    this->Bind(0, 60, 8);
    this->Bind(2, 5, 7);
    this->Bind(2, 6, 1);
    const int markBefore = Kind::MarkOf(this->Entry(2, 5));
    const int saves = this->saves;

    const BindingChange change = this->lib.DeleteFolder(u"gone");
    EXPECT_EQ(this->saves, saves + 1);
    ASSERT_EQ(this->List().size(), 4u);
    EXPECT_EQ(this->FolderAt(2), u"After");
    EXPECT_EQ(this->NameAt(3), u"z");
    EXPECT_TRUE(change.affected);
    EXPECT_TRUE(change.profilesChanged);
    EXPECT_EQ(this->Entry(1, 0).functionId, DefaultFunction(0));
    EXPECT_EQ(this->Entry(0, 60).functionId, DefaultFunction(60));
    EXPECT_EQ(Kind::Index(this->Entry(2, 5)), 3);  // z: 7 -> 3
    EXPECT_EQ(Kind::Index(this->Entry(2, 6)), 1);
    EXPECT_EQ(Kind::MarkOf(this->Entry(2, 5)), markBefore);  // its copy was not touched
}

TYPED_TEST(LibraryTest, DeletingEverythingLeavesAnEmptyFile) {
    using Kind = TypeParam;
    typename Kind::Lib real(this->stores);  // saves through the stores
    ASSERT_GE(real.CreateFolder(u"Only"), 0);
    ASSERT_GE(real.CreateItem(u"Only", u"x"), 0);
    const fs::path file = this->stores.PathOf(Kind::Traits::kFile);
    EXPECT_EQ(fs::file_size(file), 2 * sizeof(typename Kind::Record));
    real.DeleteFolder(u"Only");
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(fs::file_size(file), 0u);
}

TYPED_TEST(LibraryTest, PropagateCopiesIntoEveryBoundButton) {
    using Kind = TypeParam;
    this->AddFolder(u"F", {u"a", u"b"});  // items at 1, 2
    this->Bind(0, 5, 2);                  // another profile
    this->Bind(1, 36, 2);                 // current profile, game mode
    this->Bind(1, 6, 2, fn::kFireClick);  // left-over index: not bound
    WriteText(this->Entry(1, 36).bindingFolder, u"Old folder");
    const ButtonEntry unbound = this->Entry(1, 6);
    Kind::Mark(this->At(2), 77);
    WriteText(Kind::Name(this->At(2)), u"Renamed");

    BindingChange change = this->lib.PropagateItem(2);
    EXPECT_TRUE(change.affected);
    EXPECT_TRUE(change.profilesChanged);
    for (auto [profile, slot] : {std::pair{0, 5}, std::pair{1, 36}}) {
        EXPECT_EQ(Kind::MarkOf(this->Entry(profile, slot)), 77) << profile << "/" << slot;
        EXPECT_EQ(ReadText(this->Entry(profile, slot).bindingName), u"Renamed");
    }
    EXPECT_EQ(ReadText(this->Entry(1, 36).bindingFolder), u"Old folder");
    EXPECT_EQ(std::memcmp(&this->Entry(1, 6), &unbound, sizeof(ButtonEntry)), 0);

    // Copying the same again changes no byte, but the current profile still
    // has a bound button.
    change = this->lib.PropagateItem(2);
    EXPECT_TRUE(change.affected);
    EXPECT_FALSE(change.profilesChanged);

    // Only another profile bound: updated without a notification.
    this->Bind(1, 36, 1);
    Kind::Mark(this->At(2), 78);
    change = this->lib.PropagateItem(2);
    EXPECT_FALSE(change.affected);
    EXPECT_TRUE(change.profilesChanged);
    EXPECT_EQ(Kind::MarkOf(this->Entry(0, 5)), 78);

    // Nothing happens for a folder record or a position outside the list.
    this->Bind(1, 8, 0);
    this->Bind(1, 9, 50);
    EXPECT_FALSE(this->lib.PropagateItem(0).affected);
    EXPECT_FALSE(this->lib.PropagateItem(50).affected);
    EXPECT_EQ(this->Entry(1, 9).functionId, Kind::kBound);
}

TYPED_TEST(LibraryTest, ImportIntoASelectedFolderNamesItAfterTheFile) {
    using Kind = TypeParam;
    this->AddFolder(u"Games", {u"Combo", u"combo_1"});
    typename Kind::Record r{};
    Kind::Traits::InitItem(r);
    WriteText(r.folderName, u"Elsewhere");
    WriteText(Kind::Name(r), u"Stored");
    Kind::Mark(r, 9);
    const auto bytes = BytesOf(std::vector{r});
    const int saves = this->saves;

    const ImportResult result = this->lib.ImportItem(bytes, u"Combo", u"Games");
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(this->saves, saves + 1);
    EXPECT_FALSE(result.folderAdded);
    EXPECT_EQ(result.position, 3);
    EXPECT_EQ(this->NameAt(3), u"Combo_2");
    EXPECT_EQ(this->FolderAt(3), u"Games");
    // Everything else as read.
    typename Kind::Record expected = r;
    WriteText(expected.folderName, u"Games");
    WriteText(Kind::Name(expected), u"Combo_2");
    EXPECT_EQ(std::memcmp(&this->At(3), &expected, sizeof(expected)), 0);

    // A folder that is not there is refused.
    EXPECT_FALSE(this->lib.ImportItem(bytes, u"X", u"Nope").ok);
    EXPECT_EQ(this->List().size(), 4u);
}

TYPED_TEST(LibraryTest, ImportWithoutAFolderMakesANewFolder) {
    using Kind = TypeParam;
    this->AddFolder(u"Games", {u"a"});
    struct Case {
        const char16_t* storedFolder;
        const char16_t* storedName;
        const char16_t* title;
        const char16_t* folder;  // expected
        const char16_t* name;    // expected
    } cases[] = {
        {u"Games", u"Combo", u"file", u"Games_1", u"Combo"},
        {u"games", u"Combo", u"file", u"games_2", u"Combo"},
        {u"", u"Combo", u"file", u"file", u"Combo"},  // no stored folder: the title
        {u"New", u"", u"file", u"New", u"file"},      // no stored name: the title
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.folder));
        typename Kind::Record r{};
        WriteText(r.folderName, c.storedFolder);
        WriteText(Kind::Name(r), c.storedName);
        const size_t before = this->List().size();
        const ImportResult result =
            this->lib.ImportItem(BytesOf(std::vector{r}), c.title, std::nullopt);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_TRUE(result.folderAdded);
        EXPECT_EQ(result.folder, c.folder);
        ASSERT_EQ(this->List().size(), before + 2);
        EXPECT_EQ(this->At(int(before)).isFolder, 1);
        EXPECT_EQ(this->FolderAt(int(before)), c.folder);
        EXPECT_EQ(result.position, int(before) + 1);
        EXPECT_EQ(this->FolderAt(int(before) + 1), c.folder);
        EXPECT_EQ(this->NameAt(int(before) + 1), c.name);
    }
}

TYPED_TEST(LibraryTest, FolderFilesRoundTripAndImportTwice) {
    using Kind = TypeParam;
    this->AddFolder(u"Work", {u"one", u"two"});
    this->AddFolder(u"Empty", {});
    this->lib.CreateItem(u"WORK", u"three");
    const fs::path work = this->dir.path() / "Work.x";
    const fs::path empty = this->dir.path() / "Empty.x";
    ASSERT_TRUE(this->lib.ExportFolder(u"work", work));
    ASSERT_TRUE(this->lib.ExportFolder(u"Empty", empty));
    EXPECT_FALSE(this->lib.ExportFolder(u"Missing", this->dir.path() / "m.x"));
    using Record = typename Kind::Record;
    EXPECT_EQ(fs::file_size(work), 4 * sizeof(Record));
    EXPECT_EQ(fs::file_size(empty), sizeof(Record));
    const std::vector<uint8_t> exported = ReadBytes(work);
    EXPECT_EQ(exported, this->lib.FolderFileBytes(u"Work"));

    for (const char16_t* expected : {u"Work_1", u"Work_2"}) {
        const size_t before = this->List().size();
        const ImportResult result = this->lib.ImportFolder(work);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(result.folder, expected);
        ASSERT_EQ(this->List().size(), before + 4);
        // The same records, under the new folder name.
        for (size_t i = 0; i < 4; ++i) {
            Record copy;
            std::memcpy(&copy, exported.data() + i * sizeof(Record), sizeof(Record));
            WriteText(copy.folderName, expected);
            EXPECT_EQ(std::memcmp(&this->At(int(before + i)), &copy, sizeof(Record)), 0) << i;
        }
    }
    // The ImportFolder example: the file's title is the first folder's name.
    const fs::path set = this->dir.path() / "Set.x";
    fs::copy_file(work, set);
    EXPECT_EQ(this->lib.ImportFolder(set).folder, u"Set");
    EXPECT_EQ(this->lib.ImportFolder(set).folder, u"Set_1");
}

TYPED_TEST(LibraryTest, FolderFileWithoutFolderRecordGetsOne) {
    using Kind = TypeParam;
    using Record = typename Kind::Record;
    std::vector<Record> records(3);
    for (int i = 0; i < 3; ++i) {
        WriteText(records[size_t(i)].folderName, u"Stored");
        Kind::Mark(records[size_t(i)], i + 1);
    }
    WriteText(Kind::Name(records[0]), u"Same");
    WriteText(Kind::Name(records[1]), u"same");  // clash inside the file
    // records[2] has no name
    typename Kind::Lib real(this->stores);  // saves through the stores
    const ImportResult result = real.ImportFolder(BytesOf(records), u"Set");
    ASSERT_TRUE(result.ok) << result.error;
    ASSERT_EQ(this->List().size(), 4u);
    EXPECT_EQ(this->At(0).isFolder, 1);
    EXPECT_EQ(this->FolderAt(0), u"Set");
    EXPECT_EQ(this->NameAt(1), u"Same");
    EXPECT_EQ(this->NameAt(2), u"same_1");
    EXPECT_EQ(this->NameAt(3), Kind::Traits::kDefaultItemName);

    // The folder is still there after the next start.
    Stores reloaded(this->stores.Folder());
    reloaded.LoadStores(3050, u"Profile");
    typename Kind::Lib again(reloaded, [] {});
    EXPECT_EQ(again.FolderPositions(), std::vector<int>{0});
    EXPECT_EQ(again.ItemPositions(u"Set").size(), 3u);
}

}  // namespace
}  // namespace mouse

namespace mouse {
namespace {

// ---- exchange files from outside --------------------------------------------

TYPED_TEST(LibraryTest, RefusedFilesLeaveTheLibraryAlone) {
    using Kind = TypeParam;
    using Record = typename Kind::Record;
    this->AddFolder(u"Games", {u"a"});
    const std::vector<uint8_t> before = ListBytes(this->List());
    const int saves = this->saves;

    Record item{};
    Kind::Traits::InitItem(item);
    Record folder{};
    folder.isFolder = 1;
    Record badFlag = item;
    badFlag.isFolder = 2;
    auto withSize = [&](size_t n) {
        std::vector<uint8_t> b = BytesOf(std::vector{item, item});
        b.resize(n, 0x41);
        return b;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        bool single;
    } cases[] = {
        {"empty single", {}, true},
        {"short single", withSize(sizeof(Record) - 1), true},
        {"long single", withSize(sizeof(Record) + 1), true},
        {"two records as single", withSize(2 * sizeof(Record)), true},
        {"folder record as single", BytesOf(std::vector{folder}), true},
        {"folder flag 2, single", BytesOf(std::vector{badFlag}), true},
        {"empty folder file", {}, false},
        {"ragged folder file", withSize(2 * sizeof(Record) - 3), false},
        {"folder file with flag 2", BytesOf(std::vector{folder, item, badFlag}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (bool selected : {false, true}) {
            const ImportResult r =
                c.single
                    ? this->lib.ImportItem(
                          c.bytes, u"T",
                          selected ? std::optional<std::u16string_view>(u"Games") : std::nullopt)
                    : this->lib.ImportFolder(c.bytes, u"T");
            EXPECT_FALSE(r.ok);
            EXPECT_FALSE(r.error.empty());
            EXPECT_EQ(ListBytes(this->List()), before);
            EXPECT_EQ(this->saves, saves);
        }
    }
    // A file that cannot be read.
    EXPECT_FALSE(this->lib.ImportItem(this->dir.path() / "none", std::nullopt).ok);
    EXPECT_FALSE(this->lib.ImportFolder(this->dir.path() / "none").ok);
}

TYPED_TEST(LibraryTest, NamesWithoutTerminatorAndLongTitlesAreCut) {
    using Kind = TypeParam;
    using Record = typename Kind::Record;
    Record r{};
    Kind::Traits::InitItem(r);
    std::fill(std::begin(r.folderName), std::end(r.folderName), u'F');
    std::fill(std::begin(Kind::Name(r)), std::end(Kind::Name(r)), u'N');
    Kind::Name(r)[48] = 0xD83D;  // a pair split by the cut is dropped whole
    Kind::Name(r)[49] = 0xDE00;

    const ImportResult result = this->lib.ImportItem(BytesOf(std::vector{r}), u"t", std::nullopt);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.folder, std::u16string(49, u'F'));
    EXPECT_EQ(this->FolderAt(1), std::u16string(49, u'F'));
    EXPECT_EQ(this->NameAt(1), std::u16string(48, u'N'));

    // A title of 60 characters into a folder: cut to 49, and the suffix of a
    // taken name stays whole.
    const std::u16string title(60, u'x');
    const auto bytes = BytesOf(std::vector{r});
    ASSERT_TRUE(this->lib.ImportItem(bytes, title, result.folder).ok);
    ASSERT_TRUE(this->lib.ImportItem(bytes, title, result.folder).ok);
    EXPECT_EQ(this->NameAt(2), std::u16string(49, u'x'));
    EXPECT_EQ(this->NameAt(3), std::u16string(47, u'x') + u"_1");
    const ImportResult folder = this->lib.ImportFolder(bytes, title);
    EXPECT_EQ(folder.folder, std::u16string(49, u'x'));
}

// Files from outside that would stall the window or show unprintable names:
// thousands of records with no name or one name, and names with control
// characters, unpaired surrogates and non-characters.
TYPED_TEST(LibraryTest, HostileFilesImportWithCleanUniqueNames) {
    using Kind = TypeParam;
    using Record = typename Kind::Record;
    Record unnamed{};
    Kind::Traits::InitItem(unnamed);
    Record named = unnamed;
    WriteText(Kind::Name(named), u"Shot");
    const std::u16string none(Kind::Traits::kDefaultItemName);
    struct Case {
        const char* what;
        Record record;
        std::u16string first, last;
    };
    for (const Case& c : {Case{"no names", unnamed, none, none + u"_3999"},
                          Case{"one name", named, u"Shot", u"shot_3999"}}) {
        SCOPED_TRACE(c.what);
        std::vector<Record> records(4000, c.record);
        for (size_t i = 1; i < records.size(); i += 2) {
            for (char16_t* ch = Kind::Name(records[i]); *ch != 0; ++ch) {
                *ch = char16_t(std::tolower(*ch));  // equal without regard to case
            }
        }
        const ImportResult r = this->lib.ImportFolder(BytesOf(records), u"Big\u0001");
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.folder.substr(0, 4), u"Big\uFFFD");
        const std::vector<int> items = this->lib.ItemPositions(r.folder);
        ASSERT_EQ(items.size(), records.size());
        std::set<std::u16string> folded;
        for (int at : items) {
            folded.insert(FoldText(this->NameAt(at)));
        }
        EXPECT_EQ(folded.size(), records.size()) << "every name differs, case aside";
        EXPECT_EQ(this->NameAt(items.front()), c.first);
        EXPECT_EQ(FoldText(this->NameAt(items.back())), FoldText(c.last));
    }

    Record dirty = named;
    WriteText(dirty.folderName, u"a\nb");
    WriteText(Kind::Name(dirty),
              u"x\u0007\uFFFF"
              u"\xDC00");
    const ImportResult single =
        this->lib.ImportItem(BytesOf(std::vector{dirty}), u"t", std::nullopt);
    ASSERT_TRUE(single.ok) << single.error;
    EXPECT_EQ(single.folder, u"a\uFFFDb");
    EXPECT_EQ(this->NameAt(single.position), u"x\uFFFD\uFFFD\uFFFD");
}

TYPED_TEST(LibraryTest, FilesLargerThanAnyValidOneOrAFullLibraryAreRefused) {
    using Kind = TypeParam;
    using Record = typename Kind::Record;
    const fs::path single = this->dir.path() / Kind::File("huge");
    const fs::path folder = this->dir.path() / (Kind::File("huge") + "s");
    for (const auto& [path, size] :
         {std::pair{single, uintmax_t(2) << 30},
          std::pair{folder, uintmax_t(kMaxLibraryRecords + 1) * sizeof(Record)}}) {
        std::ofstream(path, std::ios::binary).flush();
        fs::resize_file(path, size);
    }
    this->AddFolder(u"Games", {u"a"});
    const std::vector<uint8_t> before = ListBytes(this->List());
    const int saves = this->saves;
    const ImportResult bigSingle = this->lib.ImportItem(single, std::nullopt);
    const ImportResult bigFolder = this->lib.ImportFolder(folder);
    for (const ImportResult& r : {bigSingle, bigFolder}) {
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.error.find("bytes long"), std::string::npos) << r.error;
    }

    // A list one record short of full takes neither a folder with an item
    // nor a new folder with an item.
    while (this->List().size() < kMaxLibraryRecords - 1) {
        this->List().push_back(std::make_unique<Record>(this->At(0)));
    }
    Record item{};
    Kind::Traits::InitItem(item);
    const ImportResult full = this->lib.ImportFolder(BytesOf(std::vector{item}), u"T");
    EXPECT_FALSE(full.ok);
    EXPECT_NE(full.error.find(std::to_string(kMaxLibraryRecords)), std::string::npos);
    EXPECT_FALSE(this->lib.ImportItem(BytesOf(std::vector{item}), u"T", std::nullopt).ok);
    EXPECT_TRUE(this->lib.ImportItem(BytesOf(std::vector{item}), u"T", u"Games").ok);
    EXPECT_EQ(this->lib.CreateItem(u"Games", u"one more"), -1);
    this->List().resize(before.size() / sizeof(Record));
    EXPECT_EQ(ListBytes(this->List()), before);
    EXPECT_EQ(this->saves, saves + 1);
}

TYPED_TEST(LibraryTest, SingleFilesRoundTripThroughDisk) {
    using Kind = TypeParam;
    this->AddFolder(u"Games", {u"Combo"});
    Kind::Mark(this->At(1), 5);
    const fs::path path = this->dir.path() / Kind::File("Combo");
    ASSERT_TRUE(this->lib.ExportItem(this->At(1), path));
    EXPECT_EQ(ReadBytes(path), Kind::Lib::ItemFileBytes(this->At(1)));

    const ImportResult result = this->lib.ImportItem(path, u"Games");
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(this->NameAt(result.position), u"Combo_1");  // the title, made unique
    auto copy = this->At(1);
    WriteText(Kind::Name(copy), u"Combo_1");
    EXPECT_EQ(std::memcmp(&copy, &this->At(result.position), sizeof(copy)), 0);
}

// ---- macro specifics ---------------------------------------------------------

using MacroTest = LibraryTest<MacroKind>;

MacroRecord ValidMacro() {
    MacroRecord r{};
    WriteText(r.folderName, u"F");
    WriteText(r.macroName, u"M");
    r.loopCount = 3;
    r.actionCount = 4;
    r.actions[0] = MacroAction{0, 0x04, kActionPress, 0, 20, 0, 0, 0};
    r.actions[1] = MacroAction{0, 0x04, kActionRelease, 0, 30, 0, 0, 0};
    r.actions[2] = MacroAction{0, kMoveCode, kActionMove, 0, 40, 0, -5, 7};
    r.actions[3] = MacroAction{0, 0xF0, kActionPress, 0, 50, 0, 0, 0};
    r.actions[10].kind = 9;  // beyond the count: no meaning
    r.reserved208 = 0xA5A5A5A5u;
    return r;
}

// Every slot in use with a valid action.
void FillActions(MacroRecord& r) {
    for (int i = 4; i < kMaxMacroActions; ++i) {
        r.actions[i] = MacroAction{0, uint8_t(4 + i), kActionPress, 0, 10, 0, 0, 0};
    }
}

TEST_F(MacroTest, ImportedMacrosAreCheckedAndCorrected) {
    struct Case {
        const char* what;
        void (*change)(MacroRecord&);
        bool accepted;
        void (*expect)(MacroRecord&);  // how the stored record differs from the file
    } cases[] = {
        {"valid", [](MacroRecord&) {}, true, [](MacroRecord&) {}},
        {"41 actions",
         [](MacroRecord& r) {
             FillActions(r);
             r.actionCount = 41;
         },
         true, [](MacroRecord& r) { r.actionCount = 40; }},
        {"65535 actions",
         [](MacroRecord& r) {
             FillActions(r);
             r.actionCount = 65535;
         },
         true, [](MacroRecord& r) { r.actionCount = 40; }},
        {"no loops", [](MacroRecord& r) { r.loopCount = 0; }, true,
         [](MacroRecord& r) { r.loopCount = 1; }},
        {"300 loops", [](MacroRecord& r) { r.loopCount = 300; }, true,
         [](MacroRecord& r) { r.loopCount = 255; }},
        {"far move",
         [](MacroRecord& r) {
             r.actions[2].x = 40000;
             r.actions[2].y = -99999;
         },
         true,
         [](MacroRecord& r) {
             r.actions[2].x = 32767;
             r.actions[2].y = -32767;
         }},
        {"press of key 0", [](MacroRecord& r) { r.actions[0].code = 0; }, true,
         [](MacroRecord&) {}},
        {"wheel code", [](MacroRecord& r) { r.actions[0].code = 248; }, true, [](MacroRecord&) {}},
        {"kind 3", [](MacroRecord& r) { r.actions[1].kind = 3; }, false, nullptr},
        {"move with a key code", [](MacroRecord& r) { r.actions[2].code = 0x04; }, false, nullptr},
        {"press of the move code", [](MacroRecord& r) { r.actions[3].code = kMoveCode; }, false,
         nullptr},
        {"press of an unknown code", [](MacroRecord& r) { r.actions[3].code = 250; }, false,
         nullptr},
        {"press of code 3", [](MacroRecord& r) { r.actions[3].code = 3; }, false, nullptr},
        {"bad kind within a raised count",
         [](MacroRecord& r) {
             FillActions(r);
             r.actions[10].kind = 9;
             r.actionCount = 11;
         },
         false, nullptr},
    };
    lib.CreateFolder(u"F");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MacroRecord file = ValidMacro();
        c.change(file);
        const auto bytes = BytesOf(std::vector{file});
        const size_t size = List().size();
        ImportResult single = lib.ImportItem(bytes, u"M", u"F");
        // The same record inside a folder file gets the same treatment.
        MacroRecord folder{};
        folder.isFolder = 1;
        ImportResult many = lib.ImportFolder(BytesOf(std::vector{folder, file}), u"F");
        EXPECT_EQ(single.ok, c.accepted) << single.error;
        EXPECT_EQ(many.ok, c.accepted) << many.error;
        if (!c.accepted) {
            EXPECT_EQ(List().size(), size);
            EXPECT_NE(single.error.find("action"), std::string::npos) << single.error;
            continue;
        }
        MacroRecord expected = file;
        c.expect(expected);
        WriteText(expected.macroName, NameAt(single.position));
        EXPECT_EQ(std::memcmp(&At(single.position), &expected, sizeof(expected)), 0);
        WriteText(expected.folderName, many.folder);
        WriteText(expected.macroName, u"M");
        EXPECT_EQ(std::memcmp(&At(int(List().size()) - 1), &expected, sizeof(expected)), 0);
    }
}

TEST_F(MacroTest, DeleteFolderWithThreeMacrosWritesTheFileOnce) {
    MacroLibrary real(stores);
    real.CreateFolder(u"Gone");
    for (const char16_t* n : {u"a", u"b", u"c"}) {
        real.CreateItem(u"Gone", n);
    }
    // Each save ends with one rename of its temporary file.
    static int renames;
    renames = 0;
    SetWriteFaultHookForTesting([](const char* step) {
        if (std::strcmp(step, "rename") == 0) {
            ++renames;
        }
        return 0;
    });
    real.DeleteFolder(u"Gone");
    SetWriteFaultHookForTesting(nullptr);
    EXPECT_EQ(renames, 1);
    EXPECT_EQ(fs::file_size(stores.MacroPath()), 0u);
}

// ---- gun specifics -----------------------------------------------------------

using GunTest = LibraryTest<GunKind>;

TEST_F(GunTest, NewGunExportedAtOnce) {
    lib.CreateFolder(u"Rifles");
    const int pos = lib.CreateItem(u"Rifles", u"AK");
    const fs::path path = dir.path() / "AK.gbin";
    ASSERT_TRUE(lib.ExportItem(At(pos), path));
    const std::vector<uint8_t> bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 576u);
    EXPECT_EQ(bytes[200], 30);  // bulletCount
    for (int row = 0; row < 30; ++row) {
        BulletRow r;
        std::memcpy(&r, bytes.data() + 216 + 12 * row, sizeof(r));
        EXPECT_EQ(r.delay, 10) << row;
        EXPECT_EQ(r.x, 0) << row;
        EXPECT_EQ(r.y, 0) << row;
    }
}

TEST_F(GunTest, ImportedGunsAreClampedToTheEditorsLimits) {
    struct Case {
        const char* what;
        uint8_t count;
        BulletRow row;  // written to rows 0 and 29
        uint8_t wantCount;
        BulletRow want;
    } cases[] = {
        {"valid", 12, {-127, 127, 0, 1270}, 12, {-127, 127, 0, 1270}},
        {"no bullets", 0, {1, 2, 0, 10}, 1, {1, 2, 0, 10}},
        {"31 bullets", 31, {1, 2, 0, 10}, 30, {1, 2, 0, 10}},
        {"255 bullets", 255, {1, 2, 0, 10}, 30, {1, 2, 0, 10}},
        {"offsets beyond a byte", 5, {200, -300, 0, 10}, 5, {127, -127, 0, 10}},
        {"short delay", 5, {0, 0, 0, 5}, 5, {0, 0, 0, 10}},
        {"long delay", 5, {0, 0, 7, 2000}, 5, {0, 0, 7, 1270}},
    };
    lib.CreateFolder(u"F");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GunRecord file{};
        GunTraits::InitItem(file);
        file.bulletCount = c.count;
        file.reserved202 = 4;
        file.reserved204 = 0x12345678u;
        file.bullets[0] = c.row;
        file.bullets[29] = c.row;
        const ImportResult r = lib.ImportItem(BytesOf(std::vector{file}), u"G", u"F");
        ASSERT_TRUE(r.ok) << r.error;
        const GunRecord& got = At(r.position);
        EXPECT_EQ(got.bulletCount, c.wantCount);
        EXPECT_EQ(got.reserved202, 4);
        EXPECT_EQ(got.reserved204, 0x12345678u);
        for (int row : {0, 29}) {
            EXPECT_EQ(std::memcmp(&got.bullets[row], &c.want, sizeof(BulletRow)), 0) << row;
        }
        EXPECT_EQ(got.bullets[1].delay, 10);
    }
}

TEST_F(GunTest, PropagateCopiesByte202AndTheCount) {
    lib.CreateFolder(u"F");
    const int pos = lib.CreateItem(u"F", u"G");
    At(pos).bulletCount = 12;
    At(pos).reserved202 = 3;
    Bind(1, 5, pos);
    lib.PropagateItem(pos);
    EXPECT_EQ(Entry(1, 5).bindingCount, 12);
    EXPECT_EQ(Entry(1, 5).bindingLoops, 3);
}

}  // namespace
}  // namespace mouse
