// What the macro library and the recoil-preset (gun) library share: folders
// kept as records of the list, naming with UniqueName, the exchange-file
// framing (one record, or the records of one folder back to back), the
// checks applied to exchange files from outside, and keeping the button
// entries of every profile pointed at the same record after a deletion.
//
// RecordLibrary<Traits> is the one implementation, with one set of names for
// both libraries; MacroLibrary (store/macro_library.h) and GunLibrary
// (store/gun_library.h) supply the record-specific parts as Traits.
//
// Button entries and library positions. A button entry names its macro or
// preset by list position (macroIndex / gunIndex) and carries its own copy
// of the record's data. The library keeps them in step:
//  - An entry counts as bound only when its function says so (macro: 22 or
//    57, preset: 121). The index of an entry that was later given another
//    function is left over from the earlier binding; treating it as bound
//    would overwrite that function's data (the shared bindingName,
//    bindingCount and bindingLoops of a preset button, for instance) or
//    reset a shortcut to the default function when an unrelated macro is
//    deleted.
//  - All 64 entries are kept in step, the game-mode entries 32..63 as well
//    as the office-mode ones: a game-mode button bound to a macro must play
//    the macro as edited, and its index has to follow deletions like any
//    other, or it would name a different record after one.
//  - Removing records (one item, or a folder with all its items) resets the
//    entries bound to a removed record to the default function of their
//    slot and sets their index to -1, and lowers the index of entries bound
//    to later records by the number of removed records before them, so they
//    keep naming the same record. A folder deletion treats its items the same
//    way: an index left pointing at a removed position would silently bind
//    the button to whatever record takes that position later.
// Library operations never save profile.bin; they report whether a profile
// changed (BindingChange::profilesChanged) so the caller saves it once.
//
// Exchange files from outside are checked before anything is appended; a
// refused file leaves the list exactly as it was. What is refused and what
// is corrected is listed at the traits' CheckImported (macro_library.cpp,
// gun_library.cpp) and at ParseSingleFile / ParseFolderFile below.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/records.h"
#include "store/stores.h"

namespace mouse {

// What a library change did to the button entries of the profiles.
struct BindingChange {
    // A button of the current profile is bound to the changed or removed
    // record: the caller sends the main window 0x467 so it re-shows the
    // button labels.
    bool affected = false;
    // Some profile's bytes changed: the caller saves profile.bin once.
    bool profilesChanged = false;
};

// The records an exchange file holds after checking, or why it is refused.
template <typename R>
struct ExchangeFile {
    std::vector<R> records;
    std::string error;  // empty when the file is accepted
    // Fields set to a valid value, each named "<record>.<field>" (the
    // record's stored name, or "<noun> <place in file>" without one).
    std::vector<std::string> corrected;
    bool ok() const { return error.empty(); }
};

// Outcome of an import. When ok is false the list is unchanged, nothing was
// saved and error says why, for the page to show.
struct ImportResult {
    bool ok = false;
    std::string error;
    std::u16string folder;     // the folder the records went into
    bool folderAdded = false;  // a folder new to the list: add it to the folder selector
    int position = -1;         // single imports: list position of the imported record
    // Fields that were out of range and set to a valid value, as
    // ExchangeFile::corrected names them; for the page to tell the user.
    std::vector<std::string> corrected;
};

// Longest name a text field holds (49 characters and the terminator).
inline constexpr size_t kMaxNameChars = size_t(kTextChars - 1);

// The file title of a path: its name without directory and extension, as
// UTF-16 (cut later by UniqueName to what a field holds).
std::u16string FileTitleOf(const std::filesystem::path& path);

template <typename Traits>
class RecordLibrary {
public:
    using Record = typename Traits::Record;
    using List = std::vector<std::unique_ptr<Record>>;
    // Writes the library's store file. Tests count calls; the program queues
    // a background save of that file.
    using SaveFn = std::function<void()>;

    // The lists live in stores; save defaults to a synchronous save of the
    // library's file through stores.
    explicit RecordLibrary(Stores& stores, SaveFn save = {});

    List& Records() { return Traits::List(stores_); }
    const List& Records() const { return Traits::List(stores_); }
    Stores& GetStores() { return stores_; }
    // Saves the library's file (after an edit of a record in place).
    void Save() { save_(); }

    // ---- changes (the same names for both libraries) ----------------------
    // Appends a folder record; its position, or -1 without change when name
    // is empty or already a folder name.
    int CreateFolder(std::u16string_view name) { return AddFolder(name); }
    // Appends a new item (Traits::InitItem) to an existing folder; its
    // position (the last), or -1 without change when the folder does not
    // exist or the name is empty or taken in it.
    int CreateItem(std::u16string_view folder, std::u16string_view name) {
        return AddItem(folder, name);
    }
    bool RenameFolder(std::u16string_view from, std::u16string_view to) {
        return RenameFolderRecords(from, to);
    }
    // Removes the record, saves, then brings bound buttons in step.
    BindingChange DeleteItem(int position) { return RemoveItem(position); }
    // Removes the folder record and its items, saves once, then brings bound
    // buttons in step.
    BindingChange DeleteFolder(std::u16string_view folder) { return RemoveFolder(folder); }
    // After an edit of the item at position (deleting false) copies it into
    // the buttons bound to it. deleting true tells that the record at
    // position has been removed from the list: its buttons are reset and
    // later ones renumbered. DeleteItem already does this; do not call it
    // again.
    BindingChange PropagateItem(int position, bool deleting = false) {
        return Propagate(position, deleting);
    }

    // ---- exchange files ------------------------------------------------------
    IoResult ExportItem(const Record& record, const std::filesystem::path& path) const {
        return ExportItemFile(record, path);
    }
    IoResult ExportFolder(std::u16string_view folder, const std::filesystem::path& path) const {
        return ExportFolderFile(folder, path);
    }
    // folder: the selected folder, or nullopt when none is selected.
    ImportResult ImportItem(const std::filesystem::path& path,
                            std::optional<std::u16string_view> folder) {
        return ImportItemPath(path, folder);
    }
    ImportResult ImportItem(std::span<const uint8_t> bytes, std::u16string_view title,
                            std::optional<std::u16string_view> folder) {
        return ImportItemBytes(bytes, title, folder);
    }
    ImportResult ImportFolder(const std::filesystem::path& path) { return ImportFolderPath(path); }
    ImportResult ImportFolder(std::span<const uint8_t> bytes, std::u16string_view title) {
        return ImportFolderBytes(bytes, title);
    }

    // ---- queries -----------------------------------------------------------
    // Folder test: some record of the list has that folderName (case ignored).
    bool FolderExists(std::u16string_view folder) const;
    // Item-in-folder test: a record has both that folderName and that item
    // name (case ignored).
    bool ItemExists(std::u16string_view folder, std::u16string_view name) const;
    // List positions of the folder records, in list order.
    std::vector<int> FolderPositions() const;
    // List positions of the item records (not folder records) of a folder.
    std::vector<int> ItemPositions(std::u16string_view folder) const;
    // UniqueName with the folder test / the item-in-folder test.
    std::u16string UniqueFolderName(std::u16string_view base) const;
    std::u16string UniqueItemName(std::u16string_view folder, std::u16string_view base) const;

    // ---- exchange-file bytes (pure) ----------------------------------------
    // One record's file image.
    static std::vector<uint8_t> ItemFileBytes(const Record& record);
    // Every record of the folder (case ignored), in list order.
    std::vector<uint8_t> FolderFileBytes(std::u16string_view folder) const;
    // A single-record file: exactly one record that is not a folder record.
    // Refused: any other length; a folder record; what CheckImported refuses.
    static ExchangeFile<Record> ParseSingleFile(std::span<const uint8_t> bytes);
    // A folder file: one or more whole records. Refused: an empty file, a
    // length that is not a whole number of records (a cut or damaged file;
    // its last record would be partly undefined), an isFolder other than 0
    // or 1, and what CheckImported refuses in any record.
    static ExchangeFile<Record> ParseFolderFile(std::span<const uint8_t> bytes);

protected:
    // Each appends and saves once; -1 without any change when the name is
    // empty or the folder test already finds it (AddFolder), or when the
    // folder does not exist or the item name is empty or taken (AddItem).
    int AddFolder(std::u16string_view name);
    int AddItem(std::u16string_view folder, std::u16string_view name);
    // Writes to into folderName of every record of folder from (case
    // ignored) and saves once. False without change when from does not
    // exist, to is empty, or to names another existing folder. Button entries
    // keep their bindingFolder text.
    bool RenameFolderRecords(std::u16string_view from, std::u16string_view to);
    // Removes one record (item or folder record), saves once and brings the
    // button entries in step; nothing when position is not in the list.
    BindingChange RemoveItem(int position);
    // Removes the folder's records (case ignored), folder record included,
    // highest position first, then saves once: the intermediate lists are
    // never wanted on disk, and one write leaves no half-deleted folder in
    // macro.bin / gun.bin if the program stops part way.
    BindingChange RemoveFolder(std::u16string_view folder);
    // deleting false: copies the item record at position into every entry
    // bound to it (the record's data, count, loops and name; bindingFolder
    // is left as it is). A position outside the list or naming a folder
    // record changes nothing. deleting true: the record at position has
    // just been removed; see the header comment.
    BindingChange Propagate(int position, bool deleting);

    IoResult ExportItemFile(const Record& record, const std::filesystem::path& path) const;
    IoResult ExportFolderFile(std::u16string_view folder, const std::filesystem::path& path) const;

    // Single import. With a folder (which must exist): the record goes into
    // it, named UniqueName(title) in that folder. Without: a new folder
    // named UniqueName(the record's stored folderName) is appended, then the
    // record under its stored name. An empty stored folder name takes the
    // title instead, and an empty stored item name the title, so no folder
    // or item without a name enters the list. Saves once.
    ImportResult ImportItemBytes(std::span<const uint8_t> bytes, std::u16string_view title,
                                 std::optional<std::u16string_view> folder);
    // Folder import into a new folder named UniqueName(title) (the file's
    // first stored folderName when the title is empty). The file's first
    // folder record becomes the folder's record; a file without one gets a
    // new folder record ahead of its items (otherwise the folder would not
    // show after the next start), and further folder records are dropped
    // (each would show the folder once more). Items keep their stored names,
    // made unique within the folder with UniqueName; an empty one becomes
    // Traits::kDefaultItemName. Saves once.
    ImportResult ImportFolderBytes(std::span<const uint8_t> bytes, std::u16string_view title);
    ImportResult ImportItemPath(const std::filesystem::path& path,
                                std::optional<std::u16string_view> folder);
    ImportResult ImportFolderPath(const std::filesystem::path& path);

private:
    // The largest folder file a valid one can be: the library's whole capacity.
    static constexpr size_t kMaxFolderFileBytes = kMaxLibraryRecords * sizeof(Record);
    // Adding that many records would take the list beyond its capacity.
    bool Full(size_t adding) const;
    std::string FullText() const;
    static std::string TooLargeText(uintmax_t size, size_t most);
    BindingChange RebindAfterRemoval(const std::vector<int>& removed);
    void Append(const Record& record);

    Stores& stores_;
    SaveFn save_;
};

// Zero-terminates a text field that holds 50 characters without a
// terminator, cutting it to 49 (a half surrogate pair is dropped too).
// Returns true when the field was changed.
bool TerminateText(TextField& field);

}  // namespace mouse
