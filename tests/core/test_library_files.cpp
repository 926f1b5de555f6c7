// Exchange files of the macro and recoil-preset libraries: imports into a
// folder or a new one, folder and single files round trips, and files from
// outside that are refused, cut or cleaned.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "core/library_test_util.h"

namespace mouse {
namespace {

using namespace librarytest;

TYPED_TEST_SUITE(LibraryTest, Kinds);

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

}  // namespace
}  // namespace mouse
