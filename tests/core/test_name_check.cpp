// The name dialogs' check, for both libraries' lists and texts.
#include <gtest/gtest.h>

#include "store/name_check.h"

namespace mouse {
namespace {

template <typename R>
void Add(std::vector<std::unique_ptr<R>>& list, std::u16string_view folder,
         std::u16string_view item) {
    auto r = std::make_unique<R>();
    r->isFolder = item.empty() ? 1 : 0;
    WriteText(r->folderName, folder);
    if constexpr (std::is_same_v<R, MacroRecord>) {
        WriteText(r->macroName, item);
    } else {
        WriteText(r->gunName, item);
    }
    list.push_back(std::move(r));
}

struct Case {
    const char* what;
    NameMode mode;
    const char16_t* text;
    const char16_t* initial;
    const char16_t* folder;
    NameVerdict::Outcome outcome;
    const char* message;  // for Warn
};

// Folders Work (holding Run) and Rifles (holding ak); folder B holds Fire.
const Case kCases[] = {
    {"folder taken, other case", NameMode::AddFolder, u"work", u"", u"", NameVerdict::Warn,
     "same_macro_dir_text"},
    {"new folder", NameMode::AddFolder, u"Play", u"", u"", NameVerdict::Accept, nullptr},
    {"empty add acts as cancel", NameMode::AddFolder, u"", u"", u"", NameVerdict::Cancel, nullptr},
    {"empty add item acts as cancel", NameMode::AddItem, u"", u"", u"Work", NameVerdict::Cancel,
     nullptr},
    {"item in another folder", NameMode::AddItem, u"Fire", u"", u"Work", NameVerdict::Accept,
     nullptr},
    {"item taken in the folder", NameMode::AddItem, u"AK", u"", u"Rifles", NameVerdict::Warn,
     "same_macro_text"},
    {"item free in another folder", NameMode::AddItem, u"AK", u"", u"Pistols", NameVerdict::Accept,
     nullptr},
    {"rename cleared", NameMode::RenameItem, u"", u"Run", u"Work", NameVerdict::Warn,
     "no_name_text"},
    {"rename, case only", NameMode::RenameItem, u"run", u"Run", u"Work", NameVerdict::Cancel,
     nullptr},
    {"rename folder, case only", NameMode::RenameFolder, u"rifles", u"Rifles", u"",
     NameVerdict::Cancel, nullptr},
    {"rename folder onto another", NameMode::RenameFolder, u"B", u"Rifles", u"", NameVerdict::Warn,
     "same_macro_dir_text"},
    {"rename folder cleared", NameMode::RenameFolder, u"", u"Rifles", u"", NameVerdict::Warn,
     "no_name_text"},
    {"rename item onto another", NameMode::RenameItem, u"ak", u"Run", u"Rifles", NameVerdict::Warn,
     "same_macro_text"},
    {"folder test ignores item names", NameMode::AddFolder, u"Run", u"", u"", NameVerdict::Accept,
     nullptr},
};

template <typename R>
class NameCheckTest : public ::testing::Test {
protected:
    NameCheckTest() {
        Add(list, u"Work", u"");
        Add(list, u"Work", u"Run");
        Add(list, u"Rifles", u"");
        Add(list, u"Rifles", u"ak");
        Add(list, u"B", u"");
        Add(list, u"B", u"Fire");
    }
    std::vector<std::unique_ptr<R>> list;
};

using Records = ::testing::Types<MacroRecord, GunRecord>;
TYPED_TEST_SUITE(NameCheckTest, Records);

TYPED_TEST(NameCheckTest, OrderOfTheChecks) {
    const NameTexts& texts =
        std::is_same_v<TypeParam, MacroRecord> ? kMacroNameTexts : kGunNameTexts;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        const NameVerdict v = CheckName(c.mode, c.text, c.initial, c.folder, texts, this->list);
        EXPECT_EQ(v.outcome, c.outcome);
        if (c.outcome == NameVerdict::Warn) {
            ASSERT_NE(v.messageKey, nullptr);
            EXPECT_STREQ(v.messageKey, c.message);
        }
        EXPECT_EQ(v.name, c.outcome == NameVerdict::Accept ? c.text : u"");
    }
}

TYPED_TEST(NameCheckTest, LongNamesAreCheckedAsStored) {
    const std::u16string stored(49, u'n');
    Add(this->list, stored, u"");
    const std::u16string typed = stored + u"tail";
    NameVerdict v = CheckName(NameMode::AddFolder, typed, u"", u"", kMacroNameTexts, this->list);
    EXPECT_EQ(v.outcome, NameVerdict::Warn);
    v = CheckName(NameMode::AddItem, typed, u"", u"Work", kMacroNameTexts, this->list);
    EXPECT_EQ(v.outcome, NameVerdict::Accept);
    EXPECT_EQ(v.name, stored);
}

}  // namespace
}  // namespace mouse
