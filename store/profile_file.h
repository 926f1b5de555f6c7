// Single-profile exchange files (.pbin): exactly one ProfileRecord, raw.
//
// A .pbin file comes from outside (another computer, a download), so reading
// one never trusts it:
//   - only a regular file of exactly one record is taken; an empty, shorter
//     or longer file, a folder, a FIFO or a device is refused as a whole and
//     nothing is read into any list;
//   - the name is read up to its terminator, or cut to 49 characters when the
//     field has none (a surrogate pair is never split); control characters,
//     unpaired surrogates, U+FFFE and U+FFFF become U+FFFD; an empty name takes the file's
//     base name;
//   - every field with a fixed range that is out of it takes the default of
//     the record made for the sensor code: the desktop settings, the report
//     rate, the level count and the current level (one of the levels
//     counted), DPI steps outside the sensor's slider, the lighting fields,
//     the lift-off position and the key response time;
//   - a button entry whose function id is unknown, whose macro copy would
//     play an action nobody recorded (as an imported macro is refused) or
//     whose shortcut names no key becomes the default entry of its slot, as
//     do macro buttons beyond the tenth and preset or left-button-macro
//     buttons beyond the third; a mode without a left click gets its first
//     slot's default back. A library index beyond the library drops the
//     binding's index (-1) but keeps the copied macro or preset; copied
//     moves, preset rows and loop counts are brought into the editors'
//     limits; colours lose a non-zero top byte.
//   Each correction is named in the result.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "device/records.h"
#include "store/stores.h"

namespace mouse {

// What an imported profile must fit into.
struct ProfileLimits {
    int sensorCode = -1;    // defaults of corrected fields
    size_t macroCount = 0;  // macroIndex must be -1 or below it
    size_t gunCount = 0;    // gunIndex must be -1 or below it
};

enum class ProfileFileError {
    None,
    Unreadable,  // missing, not a regular file, or a read error
    Empty,
    TooShort,
    TooLong,
};

struct ProfileFileResult {
    ProfileFileError error = ProfileFileError::None;
    std::unique_ptr<ProfileRecord> record;  // set when error is None
    // Fields set back to a default or cut ("name", "reportRateIndex",
    // "buttons[3]", "buttons[3].macroIndex", ...), in record order.
    std::vector<std::string> corrected;
    explicit operator bool() const { return error == ProfileFileError::None; }
};

// Checks bytes taken from a .pbin file. fallbackName is used when the
// record's name is empty.
ProfileFileResult ParseProfileFile(std::span<const uint8_t> bytes, const ProfileLimits& limits,
                                   std::u16string_view fallbackName);

// Reads a .pbin file (at most one record and one byte more, whatever its
// size) and checks it; the fallback name is the file's base name.
ProfileFileResult ReadProfileFile(const std::filesystem::path& path, const ProfileLimits& limits);

// Corrects a record in place as ParseProfileFile does; returns what changed.
std::vector<std::string> SanitizeProfile(ProfileRecord& record, const ProfileLimits& limits,
                                         std::u16string_view fallbackName);
// The same with the default record of limits.sensorCode made by the caller
// (MakeDefaultRecord), for checking many records with one.
std::vector<std::string> SanitizeProfile(ProfileRecord& record, const ProfileLimits& limits,
                                         std::u16string_view fallbackName,
                                         const ProfileRecord& defaults);

// The profiles of profile.bin checked as an import checks them, so that no
// field out of range reaches the mouse or the pages whatever wrote the file
// (another version, a damaged disk, a hand edit). An empty name stays empty:
// the name field allows one. Only memory changes: the file is written at the
// next save, as after any edit.
struct StoredProfileCorrection {
    size_t index = 0;
    std::vector<std::string> fields;
};
std::vector<StoredProfileCorrection> SanitizeStoredProfiles(Stores& stores, int sensorCode);

// Writes one record as a .pbin file (crash-safe, as the store files).
IoResult WriteProfileFile(const std::filesystem::path& path, const ProfileRecord& record);

// One line for the user and the diagnostic output.
std::string DescribeProfileFileError(ProfileFileError error);

}  // namespace mouse
