// The four store files of the Data folder and the lists they hold.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "device/records.h"
#include "store/file_io.h"

namespace mouse {

class StoreWriter;

// Folder of the program file (the folder holding the executable).
std::filesystem::path ProgramFolderOf(const std::filesystem::path& executablePath);
// The store folder: program folder / "Data".
std::filesystem::path StoreFolderOf(const std::filesystem::path& programFolder);

// Splits bytes into records of T. A trailing part record is dropped (the
// count of dropped bytes is returned through trailing when given).
template <typename T>
std::vector<std::unique_ptr<T>> SplitRecords(const std::vector<uint8_t>& bytes,
                                             size_t* trailing = nullptr);

// The four store files.
enum class StoreFile { DataBin, Profiles, Macros, Guns };
inline constexpr size_t kStoreFileCount = 4;

// The most records each list holds. A store file that holds more is treated
// as damaged (the records up to the bound are loaded), so a huge file from
// elsewhere cannot take minutes and gigabytes to start; imports and new
// records stop at the bound so that no list outgrows what the next start
// loads.
inline constexpr size_t kMaxProfiles = 1000;
inline constexpr size_t kMaxLibraryRecords = 10000;

// A store file whose length is not a whole number of its records (for
// Data.bin: not exactly one record), or that holds more records than its list
// may: its bytes are kept under another name in the store folder before
// anything is written over it, and the whole records it held (up to the
// bound) are loaded. Or a store file that exists but cannot be read: it is
// left exactly as it is and not written at all during this run.
struct DamagedFile {
    enum class Kind { Length, TooLarge, Unreadable };
    Kind kind = Kind::Length;
    std::string readError;  // Unreadable: why the read failed (no file name)
    StoreFile which = StoreFile::DataBin;
    std::filesystem::path file;     // the store file as found
    uintmax_t size = 0;             // its length in bytes
    size_t keptRecords = 0;         // whole records loaded from it
    bool defaultCreated = false;    // profile.bin held none: one default profile replaced it
    std::filesystem::path movedTo;  // where the original bytes now lie; empty when the move failed
    // Why the move failed. The file is then not written at all until the
    // next start: every save of it reports this instead.
    std::string error;
};

// One line for the user: which file, what was kept, where the original is.
std::string DescribeDamage(const DamagedFile& damaged);

struct LoadReport {
    bool dataBinCreated = false;
    bool defaultProfileCreated = false;
    bool indexReset = false;  // the stored index was out of range
    std::vector<DamagedFile> damaged;
    // Temporary files of saves that never finished, removed from the folder.
    std::vector<std::filesystem::path> removedTempFiles;
    std::vector<std::string> errors;  // saves that failed during loading
};

// profile.bin, macro.bin and gun.bin read into records, as LoadStores reads
// them, with the outcome of each read. ReadStoreLists may run on another
// thread while the program builds its window; LoadStores then takes these
// lists instead of reading the files again. Nothing may write the three
// files in between.
struct StoreLists {
    std::filesystem::path folder;
    std::vector<std::unique_ptr<ProfileRecord>> profiles;
    std::vector<std::unique_ptr<MacroRecord>> macros;
    std::vector<std::unique_ptr<GunRecord>> guns;
    ReadOutcome profilesRead, macrosRead, gunsRead;
};
StoreLists ReadStoreLists(const std::filesystem::path& storeFolder);

// The profile, macro and gun lists with the current profile index. Records
// are allocated separately and never move while they are in a list.
class Stores {
public:
    explicit Stores(std::filesystem::path storeFolder);

    const std::filesystem::path& Folder() const { return folder_; }
    std::filesystem::path DataBinPath() const { return folder_ / "Data.bin"; }
    std::filesystem::path ProfilePath() const { return folder_ / "profile.bin"; }
    std::filesystem::path MacroPath() const { return folder_ / "macro.bin"; }
    std::filesystem::path GunPath() const { return folder_ / "gun.bin"; }
    std::filesystem::path PathOf(StoreFile which) const;

    // Local time of the names given to damaged files; tests fix it.
    using Clock = std::function<std::chrono::system_clock::time_point()>;
    void SetClock(Clock clock) { clock_ = std::move(clock); }

    // First removes the temporary files that interrupted saves left in the
    // store folder (only names of the form <store file>.tmp-XXXXXX), then
    // reads Data.bin, profile.bin, macro.bin and gun.bin in that order. A
    // missing Data.bin is recreated with index 0; a missing or empty
    // profile.bin, or one that holds no whole record, gets one default
    // profile for the sensor code named profileText + "1"; an index outside
    // the list is reset to 0. A damaged file (see DamagedFile) is renamed to
    // <name>.damaged-YYYYMMDD-HHMMSS (local time; -1, -2, ... appended when
    // that name exists) and written anew from the whole records it held. A
    // file that exists but cannot be read is kept as it is and never written
    // during this run; the list starts as if the file were missing (one
    // default profile, kept in memory only, for profile.bin). Afterwards the
    // profile list is never empty. Call it before any save. readAhead: the
    // lists ReadStoreLists read from this folder, taken instead of reading
    // the three files (ignored when read from another folder).
    LoadReport LoadStores(int sensorCode, std::u16string_view profileText,
                          StoreLists* readAhead = nullptr);

    IoResult SaveCurrentProfileIndex() const;
    IoResult SaveProfiles() const;
    IoResult SaveMacros() const;
    IoResult SaveGuns() const;
    IoResult Save(StoreFile which) const;

    // The bytes a save of that file writes: a copy, so the lists may change
    // while a background writer writes it. Filled into buffer, whose memory
    // is reused when it has room.
    std::vector<uint8_t> Snapshot(StoreFile which, std::vector<uint8_t> buffer = {}) const;
    // Length in bytes of that file as the lists are now.
    size_t SizeOf(StoreFile which) const;
    // Failure when the file may not be written during this run (a damaged
    // file that could not be moved aside), else success.
    IoResult CheckWritable(StoreFile which) const;
    // Takes snapshots of the files now and queues them together on writer,
    // which reports the outcome of each write. A file that may not be
    // written is not queued; the first such refusal is returned.
    IoResult SaveInBackground(std::initializer_list<StoreFile> files, StoreWriter& writer) const;

    // Appends one default profile named profileText + (count + 1), made
    // unique with _1, _2, ...; saves profile.bin.
    ProfileRecord& CreateDefaultProfile(int sensorCode, std::u16string_view profileText,
                                        IoResult* saveResult = nullptr);

    bool ProfileNameExists(std::u16string_view name) const;

    std::vector<std::unique_ptr<ProfileRecord>> profiles;
    std::vector<std::unique_ptr<MacroRecord>> macros;
    std::vector<std::unique_ptr<GunRecord>> guns;
    int32_t currentIndex = 0;
    uint32_t dataReserved = 0;

    ProfileRecord& Current() { return *profiles.at(size_t(currentIndex)); }
    const ProfileRecord& Current() const { return *profiles.at(size_t(currentIndex)); }

private:
    // Moves a damaged file aside and notes the outcome in damaged; blocks
    // the file for this run when the move fails.
    void MoveAside(DamagedFile& damaged);
    // Keeps the file from being written for the rest of the run; each save
    // of it reports reason.
    void Block(StoreFile which, std::string reason);
    void RemoveStaleTempFiles(LoadReport& report) const;

    std::filesystem::path folder_;
    Clock clock_ = [] { return std::chrono::system_clock::now(); };
    bool blocked_[kStoreFileCount] = {};
    std::string blockedReason_[kStoreFileCount];
};

// First text field equals name (case-insensitive).
bool RecordNameExists(std::u16string_view name,
                      const std::vector<std::unique_ptr<MacroRecord>>& list);
bool RecordNameExists(std::u16string_view name,
                      const std::vector<std::unique_ptr<GunRecord>>& list);
// One record whose first field equals name and second field equals second.
bool RecordNameExists(std::u16string_view name, std::u16string_view second,
                      const std::vector<std::unique_ptr<MacroRecord>>& list);
bool RecordNameExists(std::u16string_view name, std::u16string_view second,
                      const std::vector<std::unique_ptr<GunRecord>>& list);

// base, or the first of base_1, base_2, ... that taken() rejects. The result
// is cut to fit a 49-character field with its suffix kept.
template <typename Taken>
std::u16string UniqueName(std::u16string_view base, Taken&& taken);

// A set of names compared without regard to case that hands out unique names
// as UniqueName does, in time that grows linearly with the number of names:
// each base remembers the last suffix it gave, so a thousand equal names do
// not try 1, 2, 3, ... against every name again.
class NameSet {
public:
    bool Contains(std::u16string_view name) const;
    void Add(std::u16string_view name);
    // UniqueName(base, Contains), which is then added to the set.
    std::u16string Take(std::u16string_view base);

private:
    std::unordered_set<std::u16string> folded_;
    std::unordered_map<std::u16string, int> nextSuffix_;
};

}  // namespace mouse

#include "store/stores_inl.h"
