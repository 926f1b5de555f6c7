// The four store files of the Data folder and the lists they hold.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "device/records.h"

namespace mouse {

// Outcome of a file operation; the user interface decides what to show.
struct IoResult {
    bool ok = true;
    std::string message;  // what failed, naming the file
    explicit operator bool() const { return ok; }
    static IoResult Failure(std::string text) { return IoResult{false, std::move(text)}; }
};

// Writes bytes to path crash-safely: a temporary file in the same folder is
// written, flushed to disk and renamed over the target, so the old file stays
// whole when anything fails. Creates the folder when it is missing.
IoResult WriteFileAtomically(const std::filesystem::path& path, const void* data, size_t size);
// Test seam for WriteFileAtomically: when set, the hook is asked before each
// step ("open", "write" once per chunk of at most 64 KiB, "sync", "rename")
// and a non-zero return fails that step with that errno value. Not for
// production use; pass nullptr to remove it.
using WriteFaultHook = int (*)(const char* step);
void SetWriteFaultHookForTesting(WriteFaultHook hook);
// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::filesystem::path& path, std::vector<uint8_t>& bytes);

// Folder of the program file (the folder holding the executable).
std::filesystem::path ProgramFolderOf(const std::filesystem::path& executablePath);
// The store folder: program folder / "Data".
std::filesystem::path StoreFolderOf(const std::filesystem::path& programFolder);

// Splits bytes into records of T. A trailing part record is dropped (the
// count of dropped bytes is returned through trailing when given).
template <typename T>
std::vector<std::unique_ptr<T>> SplitRecords(const std::vector<uint8_t>& bytes,
                                             size_t* trailing = nullptr);

struct LoadReport {
    bool dataBinCreated = false;
    bool defaultProfileCreated = false;
    bool indexReset = false;          // the stored index was out of range
    size_t profileTrailingBytes = 0;  // bytes of a part record dropped
    size_t macroTrailingBytes = 0;
    size_t gunTrailingBytes = 0;
    std::vector<std::string> errors;  // saves that failed during loading
};

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

    // Reads Data.bin, profile.bin, macro.bin and gun.bin in that order. A
    // missing Data.bin is recreated with index 0; a missing profile.bin, or
    // one that holds no whole record, gets one default profile for the
    // sensor code named profileText + "1"; an index outside the list is
    // reset to 0. Afterwards the profile list is never empty.
    LoadReport LoadStores(int sensorCode, std::u16string_view profileText);

    IoResult SaveCurrentProfileIndex() const;
    IoResult SaveProfiles() const;
    IoResult SaveMacros() const;
    IoResult SaveGuns() const;

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
    std::filesystem::path folder_;
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

}  // namespace mouse

#include "store/stores_inl.h"
