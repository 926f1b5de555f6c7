// The macro and recoil-preset libraries: list operations (create, rename,
// query, delete) and keeping bound buttons in step. What both share runs as
// typed tests over both libraries.
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

}  // namespace
}  // namespace mouse
