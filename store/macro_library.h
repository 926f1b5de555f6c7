// The macro library: folders and macros as records of the macro list
// (macro.bin), the .mbin / .mbins exchange files and how edits and deletions
// reach the buttons bound to a macro. See store/record_library.h for what is
// shared with the recoil-preset library and for the binding rules.
//
// Use on the user-interface thread:
//   MacroLibrary lib(stores, [&] { /* queue a save of StoreFile::Macros */ });
//   int pos = lib.CreateMacro(u"Games", u"Combo");
//   ... edit *lib.Records()[pos] ...; lib.Save();
//   BindingChange c = lib.PropagateMacro(pos);   // after every edit
//   if (c.affected) send 0x467; if (c.profilesChanged) save profile.bin
#pragma once

#include "store/record_library.h"

namespace mouse {

// The record-specific parts of the macro library.
struct MacroTraits {
    using Record = MacroRecord;
    static constexpr StoreFile kFile = StoreFile::Macros;
    static constexpr const char* kNoun = "macro";
    static constexpr std::u16string_view kDefaultItemName = u"Macro";
    static constexpr std::u16string_view kDefaultFolderName = u"Macros";

    static std::vector<std::unique_ptr<MacroRecord>>& List(Stores& s) { return s.macros; }
    static TextField& ItemName(MacroRecord& r) { return r.macroName; }
    static int32_t& BoundIndex(ButtonEntry& e) { return e.macroIndex; }
    // Functions 22 (macro) and 57 (macro on the left button).
    static bool IsBound(const ButtonEntry& e);
    // bindingCount, bindingLoops, macroActions and bindingName from the record.
    static void CopyToEntry(const MacroRecord& r, ButtonEntry& e);
    // A new macro: loopCount 1, no actions.
    static void InitItem(MacroRecord& r);
    // Checks a macro record from an exchange file and corrects what can be
    // corrected; returns why it is refused, empty when accepted.
    static std::string CheckImported(MacroRecord& r);
};

// Limits of a macro record as the editor keeps them.
inline constexpr int kMinMacroLoops = 1;
inline constexpr int kMaxMacroLoops = 255;
inline constexpr int kMaxMoveCounts = 32767;

class MacroLibrary : public RecordLibrary<MacroTraits> {
public:
    using RecordLibrary::RecordLibrary;

    // Appends a folder record; returns its position, or -1 without change
    // when name is empty or already a folder name.
    int CreateFolder(std::u16string_view name) { return AddFolder(name); }
    // Appends a macro (loopCount 1, no actions) to an existing folder;
    // returns its position (the last), or -1 without change when the folder
    // does not exist or the name is empty or taken in it.
    int CreateMacro(std::u16string_view folder, std::u16string_view name) {
        return AddItem(folder, name);
    }
    bool RenameFolder(std::u16string_view from, std::u16string_view to) {
        return RenameFolderRecords(from, to);
    }
    // Removes the record, saves, then brings bound buttons in step.
    BindingChange DeleteMacro(int position) { return RemoveItem(position); }
    // Removes the folder record and its macros, saves once, then brings
    // bound buttons in step.
    BindingChange DeleteFolder(std::u16string_view folder) { return RemoveFolder(folder); }
    // After an edit of the macro at position (deleting false) copies it into
    // the buttons bound to it.
    BindingChange PropagateMacro(int position, bool deleting = false) {
        return Propagate(position, deleting);
    }

    IoResult ExportMacro(const MacroRecord& record, const std::filesystem::path& path) const {
        return ExportItemFile(record, path);
    }
    IoResult ExportFolder(std::u16string_view folder, const std::filesystem::path& path) const {
        return ExportFolderFile(folder, path);
    }
    // folder: the selected folder, or nullopt when none is selected.
    ImportResult ImportMacro(const std::filesystem::path& path,
                             std::optional<std::u16string_view> folder) {
        return ImportItemPath(path, folder);
    }
    ImportResult ImportMacro(std::span<const uint8_t> bytes, std::u16string_view title,
                             std::optional<std::u16string_view> folder) {
        return ImportItemBytes(bytes, title, folder);
    }
    ImportResult ImportFolder(const std::filesystem::path& path) { return ImportFolderPath(path); }
    ImportResult ImportFolder(std::span<const uint8_t> bytes, std::u16string_view title) {
        return ImportFolderBytes(bytes, title);
    }
};

extern template class RecordLibrary<MacroTraits>;

}  // namespace mouse
