// Template definitions of store/record_library.h. Included only by
// macro_library.cpp and gun_library.cpp, which instantiate RecordLibrary for
// their traits.
#pragma once

#include <algorithm>
#include <cstring>

#include "store/record_library.h"
#include "store/tables.h"

namespace mouse {

namespace detail {

// The first text that is not empty (empty when all are): the base of a name.
inline std::u16string FirstNonEmpty(std::initializer_list<std::u16string_view> texts) {
    for (std::u16string_view t : texts) {
        if (!t.empty()) {
            return std::u16string(t);
        }
    }
    return {};
}

}  // namespace detail

template <typename Traits>
RecordLibrary<Traits>::RecordLibrary(Stores& stores, SaveFn save)
    : stores_(stores), save_(std::move(save)) {
    if (!save_) {
        // Bound to the stores, not to this object, so copies stay valid.
        save_ = [&stores] { (void)stores.Save(Traits::kFile); };
    }
}

// ---- queries ---------------------------------------------------------------

template <typename Traits>
bool RecordLibrary<Traits>::FolderExists(std::u16string_view folder) const {
    return RecordNameExists(folder, Records());
}

template <typename Traits>
bool RecordLibrary<Traits>::ItemExists(std::u16string_view folder, std::u16string_view name) const {
    return RecordNameExists(folder, name, Records());
}

template <typename Traits>
std::vector<int> RecordLibrary<Traits>::FolderPositions() const {
    std::vector<int> out;
    const List& list = Records();
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i]->isFolder == 1) {
            out.push_back(int(i));
        }
    }
    return out;
}

template <typename Traits>
std::vector<int> RecordLibrary<Traits>::ItemPositions(std::u16string_view folder) const {
    std::vector<int> out;
    const List& list = Records();
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i]->isFolder == 0 && TextEqualsNoCase(list[i]->folderName, folder)) {
            out.push_back(int(i));
        }
    }
    return out;
}

// Both gather the names in use once, so that naming stays linear in the
// size of the list however many names are taken.
template <typename Traits>
std::u16string RecordLibrary<Traits>::UniqueFolderName(std::u16string_view base) const {
    NameSet taken;
    for (const auto& r : Records()) {
        taken.Add(ReadText(r->folderName));
    }
    return taken.Take(base);
}

template <typename Traits>
std::u16string RecordLibrary<Traits>::UniqueItemName(std::u16string_view folder,
                                                     std::u16string_view base) const {
    NameSet taken;
    for (const auto& r : Records()) {
        if (TextEqualsNoCase(r->folderName, folder)) {
            taken.Add(ReadText(Traits::ItemName(*r)));
        }
    }
    return taken.Take(base);
}

// ---- exchange-file bytes ---------------------------------------------------

template <typename Traits>
std::vector<uint8_t> RecordLibrary<Traits>::ItemFileBytes(const Record& record) {
    std::vector<uint8_t> bytes(sizeof(Record));
    std::memcpy(bytes.data(), &record, sizeof(Record));
    return bytes;
}

template <typename Traits>
std::vector<uint8_t> RecordLibrary<Traits>::FolderFileBytes(std::u16string_view folder) const {
    std::vector<uint8_t> bytes;
    for (const auto& r : Records()) {
        if (TextEqualsNoCase(r->folderName, folder)) {
            const size_t at = bytes.size();
            bytes.resize(at + sizeof(Record));
            std::memcpy(bytes.data() + at, r.get(), sizeof(Record));
        }
    }
    return bytes;
}

namespace detail {

// Copies whole records out of bytes and checks each one; the first refusal
// names the record by its place in the file.
template <typename Traits>
ExchangeFile<typename Traits::Record> SplitExchange(std::span<const uint8_t> bytes) {
    using Record = typename Traits::Record;
    ExchangeFile<Record> file;
    const size_t count = bytes.size() / sizeof(Record);
    file.records.resize(count);
    for (size_t i = 0; i < count; ++i) {
        Record& r = file.records[i];
        std::memcpy(static_cast<void*>(&r), bytes.data() + i * sizeof(Record), sizeof(Record));
        if (r.isFolder != 0 && r.isFolder != 1) {
            file.error = "record " + std::to_string(i + 1) + ": the folder flag is " +
                         std::to_string(r.isFolder) + ", not 0 or 1";
        } else {
            // Names without a terminator are cut to what a field holds, and
            // nothing unprintable reaches the list or the window.
            TerminateText(r.folderName);
            TerminateText(Traits::ItemName(r));
            WriteText(r.folderName, CleanText(ReadText(r.folderName)));
            WriteText(Traits::ItemName(r), CleanText(ReadText(Traits::ItemName(r))));
            if (r.isFolder == 0) {
                std::vector<std::string> fields;
                file.error = Traits::CheckImported(r, fields);
                const std::u16string name = ReadText(Traits::ItemName(r));
                if (!file.error.empty()) {
                    file.error = std::string(Traits::kNoun) + " " + std::to_string(i + 1) +
                                 (name.empty() ? "" : " \"" + ToUtf8(name) + "\"") + ": " +
                                 file.error;
                }
                const std::string record =
                    name.empty() ? std::string(Traits::kNoun) + " " + std::to_string(i + 1)
                                 : ToUtf8(name);
                for (const std::string& field : fields) {
                    file.corrected.push_back(record + "." + field);
                }
            }
        }
        if (!file.error.empty()) {
            file.records.clear();
            file.corrected.clear();
            return file;
        }
    }
    return file;
}

}  // namespace detail

template <typename Traits>
auto RecordLibrary<Traits>::ParseSingleFile(std::span<const uint8_t> bytes)
    -> ExchangeFile<Record> {
    ExchangeFile<Record> file;
    if (bytes.size() != sizeof(Record)) {
        file.error = "a " + std::string(Traits::kNoun) + " file holds exactly " +
                     std::to_string(sizeof(Record)) + " bytes; this one holds " +
                     std::to_string(bytes.size());
        return file;
    }
    file = detail::SplitExchange<Traits>(bytes);
    if (file.ok() && file.records[0].isFolder != 0) {
        file.error = "the file holds a folder, not a " + std::string(Traits::kNoun);
        file.records.clear();
        file.corrected.clear();
    }
    return file;
}

template <typename Traits>
auto RecordLibrary<Traits>::ParseFolderFile(std::span<const uint8_t> bytes)
    -> ExchangeFile<Record> {
    ExchangeFile<Record> file;
    if (bytes.empty()) {
        file.error = "the folder file is empty";
        return file;
    }
    if (bytes.size() % sizeof(Record) != 0) {
        file.error = "the folder file's length (" + std::to_string(bytes.size()) +
                     " bytes) is not a whole number of " + std::to_string(sizeof(Record)) +
                     "-byte records; it is cut or damaged";
        return file;
    }
    if (bytes.size() > kMaxFolderFileBytes) {
        file.error = TooLargeText(bytes.size(), kMaxFolderFileBytes);
        return file;
    }
    return detail::SplitExchange<Traits>(bytes);
}

// ---- list operations -------------------------------------------------------

template <typename Traits>
void RecordLibrary<Traits>::Append(const Record& record) {
    auto r = std::make_unique<Record>();
    std::memcpy(static_cast<void*>(r.get()), &record, sizeof(Record));
    Records().push_back(std::move(r));
}

template <typename Traits>
int RecordLibrary<Traits>::AddFolder(std::u16string_view name) {
    if (name.empty() || FolderExists(name) || Full(1)) {
        return -1;
    }
    Record r{};
    r.isFolder = 1;
    WriteText(r.folderName, name);
    Append(r);
    save_();
    return int(Records().size() - 1);
}

template <typename Traits>
int RecordLibrary<Traits>::AddItem(std::u16string_view folder, std::u16string_view name) {
    if (name.empty() || !FolderExists(folder) || ItemExists(folder, name) || Full(1)) {
        return -1;
    }
    Record r{};
    WriteText(r.folderName, folder);
    WriteText(Traits::ItemName(r), name);
    Traits::InitItem(r);
    Append(r);
    save_();
    return int(Records().size() - 1);
}

template <typename Traits>
bool RecordLibrary<Traits>::RenameFolderRecords(std::u16string_view from, std::u16string_view to) {
    if (to.empty() || !FolderExists(from) || (!TextEqualsNoCase(from, to) && FolderExists(to))) {
        return false;
    }
    // from may view a record's own field: keep a copy while fields change.
    const std::u16string old(from);
    for (auto& r : Records()) {
        if (TextEqualsNoCase(r->folderName, old)) {
            WriteText(r->folderName, to);
        }
    }
    save_();
    return true;
}

template <typename Traits>
BindingChange RecordLibrary<Traits>::RemoveItem(int position) {
    List& list = Records();
    if (position < 0 || size_t(position) >= list.size()) {
        return {};
    }
    list.erase(list.begin() + position);
    save_();
    return RebindAfterRemoval({position});
}

template <typename Traits>
BindingChange RecordLibrary<Traits>::RemoveFolder(std::u16string_view folder) {
    const std::u16string name(folder);
    List& list = Records();
    std::vector<int> removed;
    for (size_t i = 0; i < list.size(); ++i) {
        if (TextEqualsNoCase(list[i]->folderName, name)) {
            removed.push_back(int(i));
        }
    }
    if (removed.empty()) {
        return {};
    }
    for (auto it = removed.rbegin(); it != removed.rend(); ++it) {
        list.erase(list.begin() + *it);
    }
    save_();
    return RebindAfterRemoval(removed);
}

template <typename Traits>
BindingChange RecordLibrary<Traits>::Propagate(int position, bool deleting) {
    if (deleting) {
        return RebindAfterRemoval({position});
    }
    BindingChange change;
    const List& list = Records();
    if (position < 0 || size_t(position) >= list.size() || list[size_t(position)]->isFolder != 0) {
        return change;
    }
    const Record& record = *list[size_t(position)];
    for (size_t p = 0; p < stores_.profiles.size(); ++p) {
        for (ButtonEntry& e : stores_.profiles[p]->buttons) {
            if (!Traits::IsBound(e) || Traits::BoundIndex(e) != position) {
                continue;
            }
            ButtonEntry before;
            std::memcpy(static_cast<void*>(&before), &e, sizeof(e));
            Traits::CopyToEntry(record, e);
            if (std::memcmp(&before, &e, sizeof(e)) != 0) {
                change.profilesChanged = true;
            }
            if (int(p) == stores_.currentIndex) {
                change.affected = true;
            }
        }
    }
    return change;
}

template <typename Traits>
BindingChange RecordLibrary<Traits>::RebindAfterRemoval(const std::vector<int>& removed) {
    // removed is ascending.
    BindingChange change;
    for (size_t p = 0; p < stores_.profiles.size(); ++p) {
        ButtonEntry* buttons = stores_.profiles[p]->buttons;
        for (int slot = 0; slot < kButtonSlots; ++slot) {
            ButtonEntry& e = buttons[slot];
            int32_t& index = Traits::BoundIndex(e);
            if (!Traits::IsBound(e) || index < 0) {
                continue;
            }
            const auto below = std::lower_bound(removed.begin(), removed.end(), index);
            if (below != removed.end() && *below == index) {
                e.functionId = DefaultFunction(slot);
                index = -1;
                change.profilesChanged = true;
                if (int(p) == stores_.currentIndex) {
                    change.affected = true;
                }
            } else if (below != removed.begin()) {
                index -= int32_t(below - removed.begin());
                change.profilesChanged = true;
            }
        }
    }
    return change;
}

// ---- export and import -----------------------------------------------------

template <typename Traits>
IoResult RecordLibrary<Traits>::ExportItemFile(const Record& record,
                                               const std::filesystem::path& path) const {
    const std::vector<uint8_t> bytes = ItemFileBytes(record);
    return WriteFileAtomically(path, bytes.data(), bytes.size());
}

template <typename Traits>
IoResult RecordLibrary<Traits>::ExportFolderFile(std::u16string_view folder,
                                                 const std::filesystem::path& path) const {
    const std::vector<uint8_t> bytes = FolderFileBytes(folder);
    if (bytes.empty()) {
        return IoResult::Failure("there is no folder named \"" + ToUtf8(folder) + "\"");
    }
    return WriteFileAtomically(path, bytes.data(), bytes.size());
}

template <typename Traits>
ImportResult RecordLibrary<Traits>::ImportItemBytes(std::span<const uint8_t> bytes,
                                                    std::u16string_view title,
                                                    std::optional<std::u16string_view> folder) {
    ImportResult result;
    ExchangeFile<Record> file = ParseSingleFile(bytes);
    if (!file.ok()) {
        result.error = std::move(file.error);
        return result;
    }
    if (Full(folder ? 1 : 2)) {
        result.error = FullText();
        return result;
    }
    Record& r = file.records[0];
    const std::u16string stored = ReadText(Traits::ItemName(r));
    if (folder) {
        if (!FolderExists(*folder)) {
            result.error = "there is no folder named \"" + ToUtf8(*folder) + "\"";
            return result;
        }
        result.folder = detail::CutText(*folder, kMaxNameChars);
        const std::u16string base =
            detail::FirstNonEmpty({title, stored, Traits::kDefaultItemName});
        WriteText(r.folderName, result.folder);
        WriteText(Traits::ItemName(r), UniqueItemName(result.folder, base));
    } else {
        result.folder = UniqueFolderName(
            detail::FirstNonEmpty({ReadText(r.folderName), title, Traits::kDefaultFolderName}));
        Record folderRecord{};
        folderRecord.isFolder = 1;
        WriteText(folderRecord.folderName, result.folder);
        Append(folderRecord);
        result.folderAdded = true;
        WriteText(r.folderName, result.folder);
        if (stored.empty()) {
            WriteText(Traits::ItemName(r),
                      detail::FirstNonEmpty({title, Traits::kDefaultItemName}));
        }
    }
    Append(r);
    result.position = int(Records().size() - 1);
    save_();
    result.ok = true;
    result.corrected = std::move(file.corrected);
    return result;
}

template <typename Traits>
ImportResult RecordLibrary<Traits>::ImportFolderBytes(std::span<const uint8_t> bytes,
                                                      std::u16string_view title) {
    ImportResult result;
    ExchangeFile<Record> file = ParseFolderFile(bytes);
    if (!file.ok()) {
        result.error = std::move(file.error);
        return result;
    }
    const size_t items = size_t(std::count_if(file.records.begin(), file.records.end(),
                                              [](const Record& r) { return r.isFolder == 0; }));
    if (Full(items + 1)) {
        result.error = FullText();
        return result;
    }
    result.folder = UniqueFolderName(detail::FirstNonEmpty(
        {CleanText(title), ReadText(file.records[0].folderName), Traits::kDefaultFolderName}));
    result.folderAdded = true;

    // Records are appended only after every name is settled, so the list is
    // touched in one go. Item names are made unique among the file's items.
    NameSet names;
    std::vector<const Record*> order;
    bool haveFolderRecord = false;
    for (Record& r : file.records) {
        WriteText(r.folderName, result.folder);
        if (r.isFolder == 1) {
            if (!haveFolderRecord) {
                haveFolderRecord = true;
                order.push_back(&r);
            }
            continue;
        }
        const std::u16string base =
            detail::FirstNonEmpty({ReadText(Traits::ItemName(r)), Traits::kDefaultItemName});
        WriteText(Traits::ItemName(r), names.Take(base));
        order.push_back(&r);
    }
    if (!haveFolderRecord) {
        Record folderRecord{};
        folderRecord.isFolder = 1;
        WriteText(folderRecord.folderName, result.folder);
        Append(folderRecord);
    }
    for (const Record* r : order) {
        Append(*r);
    }
    save_();
    result.ok = true;
    result.corrected = std::move(file.corrected);
    return result;
}

template <typename Traits>
ImportResult RecordLibrary<Traits>::ImportItemPath(const std::filesystem::path& path,
                                                   std::optional<std::u16string_view> folder) {
    // One byte more than a record tells a longer file from a whole one; a
    // far longer file is refused by its length before anything is read.
    std::vector<uint8_t> bytes;
    const ReadOutcome read = ReadFileUpTo(path, sizeof(Record) + 1, bytes);
    if (!read) {
        ImportResult result;
        result.error = read.status == ReadStatus::TooLarge ? TooLargeText(read.size, sizeof(Record))
                                                           : read.message;
        return result;
    }
    return ImportItemBytes(bytes, FileTitleOf(path), folder);
}

template <typename Traits>
ImportResult RecordLibrary<Traits>::ImportFolderPath(const std::filesystem::path& path) {
    std::vector<uint8_t> bytes;
    const ReadOutcome read = ReadFileUpTo(path, kMaxFolderFileBytes, bytes);
    if (!read) {
        ImportResult result;
        result.error = read.status == ReadStatus::TooLarge
                           ? TooLargeText(read.size, kMaxFolderFileBytes)
                           : read.message;
        return result;
    }
    return ImportFolderBytes(bytes, FileTitleOf(path));
}

template <typename Traits>
bool RecordLibrary<Traits>::Full(size_t adding) const {
    return Records().size() + adding > kMaxLibraryRecords;
}

template <typename Traits>
std::string RecordLibrary<Traits>::FullText() const {
    return "the library holds at most " + std::to_string(kMaxLibraryRecords) + " folders and " +
           std::string(Traits::kNoun) + "s together, and has " + std::to_string(Records().size());
}

template <typename Traits>
std::string RecordLibrary<Traits>::TooLargeText(uintmax_t size, size_t most) {
    return "the file is " + std::to_string(size) + " bytes long; a valid one holds at most " +
           std::to_string(most) + " bytes";
}

}  // namespace mouse
