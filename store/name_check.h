// The check the name dialogs make when OK is pressed, shared by the macro
// and the recoil-preset name dialogs: they differ only in their texts and in
// the list they check.
#pragma once

#include <string>
#include <string_view>

#include "store/stores.h"

namespace mouse {

// The four modes of a name dialog.
enum class NameMode { AddFolder = 0, AddItem = 1, RenameFolder = 2, RenameItem = 3 };

inline bool IsFolderMode(NameMode mode) {
    return mode == NameMode::AddFolder || mode == NameMode::RenameFolder;
}

// Language keys of one name dialog: title and label per mode, then the
// messages of the check.
struct NameTexts {
    const char* title[4];
    const char* label[4];
    const char* noName;      // the text is empty
    const char* sameItem;    // an item of that name is in the folder
    const char* sameFolder;  // a folder of that name exists
};

inline constexpr NameTexts kMacroNameTexts{
    {"add_macro_dir_text", "add_macro_text", "rename_macro_dir_text", "rename_macro_text"},
    {"input_macro_dir_text", "input_macro_text", "input_macro_dir_text", "input_macro_text"},
    "no_name_text",
    "same_macro_text",
    "same_macro_dir_text"};

inline constexpr NameTexts kGunNameTexts{
    {"add_gun_dir_text", "add_gun_text", "rename_gun_dir_text", "rename_gun_text"},
    {"input_gun_dir_text", "input_gun_text", "input_gun_dir_text", "input_gun_text"},
    "no_name_text",
    "same_macro_text",
    "same_macro_dir_text"};

struct NameVerdict {
    enum Outcome { Cancel, Warn, Accept };
    Outcome outcome = Cancel;
    // Warn: the message key to show (title warning_title_text); the dialog
    // stays open.
    const char* messageKey = nullptr;
    // Accept: the name to store (at most 49 characters).
    std::u16string name;
};

// In this order: a text equal to the initial name (case ignored) cancels, so
// OK on an empty add dialog and a rename that changes only the letter case
// change nothing; an empty text warns noName; a folder mode warns sameFolder
// when some record has the text as folderName, an item mode warns sameItem
// when a record has folder as folderName and the text as item name (case
// ignored); else the text is accepted. Texts longer than 49 characters are
// cut before the checks, as they would be stored.
template <typename R>
NameVerdict CheckName(NameMode mode, std::u16string_view text, std::u16string_view initial,
                      std::u16string_view folder, const NameTexts& texts,
                      const std::vector<std::unique_ptr<R>>& list) {
    const std::u16string name = detail::CutText(text, size_t(kTextChars - 1));
    if (TextEqualsNoCase(name, initial)) {
        return {NameVerdict::Cancel, nullptr, {}};
    }
    if (name.empty()) {
        return {NameVerdict::Warn, texts.noName, {}};
    }
    if (IsFolderMode(mode)) {
        if (RecordNameExists(name, list)) {
            return {NameVerdict::Warn, texts.sameFolder, {}};
        }
    } else if (RecordNameExists(folder, name, list)) {
        return {NameVerdict::Warn, texts.sameItem, {}};
    }
    return {NameVerdict::Accept, nullptr, name};
}

}  // namespace mouse
