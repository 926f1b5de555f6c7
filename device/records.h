// Fixed-size records whose bytes are the file bytes of profile.bin, .pbin,
// macro.bin, .mbin/.mbins, gun.bin, .gbin/.gbins and Data.bin.
//
// Every record is a standard-layout struct of little-endian integers and
// UTF-16LE text arrays, with no padding: reading a file is a memcpy into the
// struct and writing it is a memcpy out. The static_asserts below pin every
// size and every field offset of the file formats.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace mouse {

static_assert(std::endian::native == std::endian::little,
              "records are memory images of little-endian files");

inline constexpr int kTextChars = 50;  // 49 characters and a terminating zero
using TextField = char16_t[kTextChars];

// Reads a text field: stops at the terminator or after 50 characters, so a
// field without a terminator never reads past the record.
std::u16string ReadText(const TextField& field);
// Writes a text field: cuts the text at 49 characters and terminates it; the
// rest of the field is zeroed so records compare and save deterministically.
void WriteText(TextField& field, std::u16string_view text);
// Case-insensitive comparison of two texts (Latin, Greek and Cyrillic letters
// fold to lower case; other characters compare as they are).
bool TextEqualsNoCase(std::u16string_view a, std::u16string_view b);
bool TextEqualsNoCase(const TextField& a, std::u16string_view b);
// The text with every character folded as TextEqualsNoCase folds it: two
// texts compare equal without regard to case exactly when their folds are
// equal, so a fold is a key for hashing names.
std::u16string FoldText(std::u16string_view text);
// A name from outside made fit to show and store: control characters,
// unpaired surrogates and the non-characters U+FFFE and U+FFFF become
// U+FFFD; the length is unchanged.
std::u16string CleanText(std::u16string_view text);

// UTF-8 <-> UTF-16 for command-line tools and the language file. Invalid
// input sequences become U+FFFD.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

// Colours are stored as red in the low byte, then green, then blue, top 0.
inline constexpr uint32_t MakeColour(uint8_t r, uint8_t g, uint8_t b) {
    return uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16);
}
inline constexpr uint8_t ColourRed(uint32_t c) {
    return uint8_t(c);
}
inline constexpr uint8_t ColourGreen(uint32_t c) {
    return uint8_t(c >> 8);
}
inline constexpr uint8_t ColourBlue(uint32_t c) {
    return uint8_t(c >> 16);
}
// Controls show colours as 0xAARRGGBB. A stored colour is shown opaque; a
// colour taken from a control drops its alpha byte.
inline constexpr uint32_t ColourToArgb(uint32_t c) {
    return 0xFF000000u | (uint32_t(ColourRed(c)) << 16) | (uint32_t(ColourGreen(c)) << 8) |
           ColourBlue(c);
}
inline constexpr uint32_t ArgbToColour(uint32_t argb) {
    return MakeColour(uint8_t(argb >> 16), uint8_t(argb >> 8), uint8_t(argb));
}

// One action of a macro (16 bytes).
struct MacroAction {
    uint8_t reserved0;
    uint8_t code;  // key code; 0xF0-0xF4 mouse buttons, 0xF6 mouse move
    uint8_t kind;  // 1 press, 2 release, 0 move
    uint8_t reserved3;
    uint16_t delay;  // ms to wait after the action
    uint16_t reserved6;
    int32_t x;
    int32_t y;
};

inline constexpr uint8_t kActionMove = 0;
inline constexpr uint8_t kActionPress = 1;
inline constexpr uint8_t kActionRelease = 2;
inline constexpr uint8_t kMoveCode = 0xF6;
inline constexpr int kMaxMacroActions = 40;

// One row of a recoil preset (12 bytes).
struct BulletRow {
    int32_t x;
    int32_t y;
    uint16_t reserved8;
    uint16_t delay;
};

inline constexpr int kMaxBullets = 30;

// One button slot of a profile (1836 bytes).
struct ButtonEntry {
    TextField bindingFolder;
    TextField bindingName;
    uint8_t buttonIndex;
    uint8_t functionId;
    uint8_t reserved202[2];
    int32_t gunIndex;
    int32_t macroIndex;
    int32_t repeatMode;
    uint8_t reserved216[4];
    uint8_t shortcutModifiers;
    uint8_t shortcutKey;
    uint8_t reserved222[4];
    uint16_t bindingCount;
    int32_t bindingLoops;
    uint8_t reserved232[520];
    BulletRow gunData[kMaxBullets];
    int32_t bindingColour;
    MacroAction macroActions[kMaxMacroActions];
    int32_t fireClickCount;
    int32_t fireClickDelay;
    uint8_t reserved1764[72];
};

inline constexpr int kButtonSlots = 64;
inline constexpr int kSlotsPerMode = 32;
inline constexpr int kDpiLevels = 8;
// liftOffDistance of a new profile: outside the distance list, so the mouse
// receives 0 until the user picks a position.
inline constexpr int32_t kDefaultLiftOffDistance = 16;

// One profile (117840 bytes): a 336-byte head and 64 button entries.
struct ProfileRecord {
    TextField name;
    int32_t pointerSpeed;
    int32_t scrollLines;
    int32_t doubleClickSpeed;
    int32_t enhancePointerPrecision;
    int32_t onePageScroll;
    int32_t reserved120;
    int32_t reserved124;
    int32_t reportRateIndex;
    int32_t currentDpiLevel;
    int32_t dpiValue[kDpiLevels];
    int32_t dpiValueY[kDpiLevels];
    uint8_t dpiLevelEnabled[kDpiLevels];
    uint32_t dpiColour[kDpiLevels];
    int32_t lightMode;
    int32_t lightBrightness;
    int32_t lightFrequency;
    int32_t lightColourMode;
    int32_t lightLength;
    uint32_t lightFixedColour;
    uint8_t cycleColourEnabled[8];
    uint32_t cycleColour[8];
    int32_t liftOffDistance;
    int32_t distanceEnabled;
    uint8_t keyResponse;
    uint8_t dpiLevelCount;
    uint8_t reserved314[18];
    int32_t buttonMode;
    ButtonEntry buttons[kButtonSlots];
};

// One record of the macro library: a folder or a macro (856 bytes).
struct MacroRecord {
    TextField folderName;
    TextField macroName;
    uint16_t loopCount;
    uint16_t reserved202;
    uint16_t actionCount;
    uint16_t reserved206;
    uint32_t reserved208;
    int32_t isFolder;
    MacroAction actions[kMaxMacroActions];
};

// One record of the recoil-preset library: a folder or a gun (576 bytes).
struct GunRecord {
    TextField folderName;
    TextField gunName;
    uint8_t bulletCount;
    uint8_t reserved201;
    uint8_t reserved202;  // taken over into bindingLoops of bound buttons
    uint8_t reserved203;
    uint32_t reserved204;
    int32_t isFolder;
    uint32_t reserved212;
    BulletRow bullets[kMaxBullets];
};

// The only record of Data.bin (8 bytes).
struct DataRecord {
    int32_t currentProfileIndex;
    uint32_t reserved;  // written back as read, never interpreted
};

// ---- layout checks -------------------------------------------------------

template <typename T>
inline constexpr bool kIsFileRecord =
    std::is_standard_layout_v<T>&& std::is_trivially_copyable_v<T>;

static_assert(kIsFileRecord<MacroAction> && sizeof(MacroAction) == 16);
static_assert(offsetof(MacroAction, code) == 1 && offsetof(MacroAction, kind) == 2);
static_assert(offsetof(MacroAction, delay) == 4 && offsetof(MacroAction, reserved6) == 6);
static_assert(offsetof(MacroAction, x) == 8 && offsetof(MacroAction, y) == 12);

static_assert(kIsFileRecord<BulletRow> && sizeof(BulletRow) == 12);
static_assert(offsetof(BulletRow, x) == 0 && offsetof(BulletRow, y) == 4);
static_assert(offsetof(BulletRow, reserved8) == 8 && offsetof(BulletRow, delay) == 10);

static_assert(kIsFileRecord<ButtonEntry> && sizeof(ButtonEntry) == 1836);
static_assert(offsetof(ButtonEntry, bindingFolder) == 0);
static_assert(offsetof(ButtonEntry, bindingName) == 100);
static_assert(offsetof(ButtonEntry, buttonIndex) == 200);
static_assert(offsetof(ButtonEntry, functionId) == 201);
static_assert(offsetof(ButtonEntry, reserved202) == 202);
static_assert(offsetof(ButtonEntry, gunIndex) == 204);
static_assert(offsetof(ButtonEntry, macroIndex) == 208);
static_assert(offsetof(ButtonEntry, repeatMode) == 212);
static_assert(offsetof(ButtonEntry, reserved216) == 216);
static_assert(offsetof(ButtonEntry, shortcutModifiers) == 220);
static_assert(offsetof(ButtonEntry, shortcutKey) == 221);
static_assert(offsetof(ButtonEntry, reserved222) == 222);
static_assert(offsetof(ButtonEntry, bindingCount) == 226);
static_assert(offsetof(ButtonEntry, bindingLoops) == 228);
static_assert(offsetof(ButtonEntry, reserved232) == 232);
static_assert(offsetof(ButtonEntry, gunData) == 752 && sizeof(ButtonEntry::gunData) == 360);
static_assert(offsetof(ButtonEntry, bindingColour) == 1112);
static_assert(offsetof(ButtonEntry, macroActions) == 1116);
static_assert(sizeof(ButtonEntry::macroActions) == 640);
static_assert(offsetof(ButtonEntry, fireClickCount) == 1756);
static_assert(offsetof(ButtonEntry, fireClickDelay) == 1760);
static_assert(offsetof(ButtonEntry, reserved1764) == 1764);

static_assert(kIsFileRecord<ProfileRecord> && sizeof(ProfileRecord) == 117840);
static_assert(offsetof(ProfileRecord, name) == 0);
static_assert(offsetof(ProfileRecord, pointerSpeed) == 100);
static_assert(offsetof(ProfileRecord, scrollLines) == 104);
static_assert(offsetof(ProfileRecord, doubleClickSpeed) == 108);
static_assert(offsetof(ProfileRecord, enhancePointerPrecision) == 112);
static_assert(offsetof(ProfileRecord, onePageScroll) == 116);
static_assert(offsetof(ProfileRecord, reserved120) == 120);
static_assert(offsetof(ProfileRecord, reserved124) == 124);
static_assert(offsetof(ProfileRecord, reportRateIndex) == 128);
static_assert(offsetof(ProfileRecord, currentDpiLevel) == 132);
static_assert(offsetof(ProfileRecord, dpiValue) == 136);
static_assert(offsetof(ProfileRecord, dpiValueY) == 168);
static_assert(offsetof(ProfileRecord, dpiLevelEnabled) == 200);
static_assert(offsetof(ProfileRecord, dpiColour) == 208);
static_assert(offsetof(ProfileRecord, lightMode) == 240);
static_assert(offsetof(ProfileRecord, lightBrightness) == 244);
static_assert(offsetof(ProfileRecord, lightFrequency) == 248);
static_assert(offsetof(ProfileRecord, lightColourMode) == 252);
static_assert(offsetof(ProfileRecord, lightLength) == 256);
static_assert(offsetof(ProfileRecord, lightFixedColour) == 260);
static_assert(offsetof(ProfileRecord, cycleColourEnabled) == 264);
static_assert(offsetof(ProfileRecord, cycleColour) == 272);
static_assert(offsetof(ProfileRecord, liftOffDistance) == 304);
static_assert(offsetof(ProfileRecord, distanceEnabled) == 308);
static_assert(offsetof(ProfileRecord, keyResponse) == 312);
static_assert(offsetof(ProfileRecord, dpiLevelCount) == 313);
static_assert(offsetof(ProfileRecord, reserved314) == 314);
static_assert(offsetof(ProfileRecord, buttonMode) == 332);
static_assert(offsetof(ProfileRecord, buttons) == 336);

static_assert(kIsFileRecord<MacroRecord> && sizeof(MacroRecord) == 856);
static_assert(offsetof(MacroRecord, folderName) == 0);
static_assert(offsetof(MacroRecord, macroName) == 100);
static_assert(offsetof(MacroRecord, loopCount) == 200);
static_assert(offsetof(MacroRecord, reserved202) == 202);
static_assert(offsetof(MacroRecord, actionCount) == 204);
static_assert(offsetof(MacroRecord, reserved206) == 206);
static_assert(offsetof(MacroRecord, reserved208) == 208);
static_assert(offsetof(MacroRecord, isFolder) == 212);
static_assert(offsetof(MacroRecord, actions) == 216);

static_assert(kIsFileRecord<GunRecord> && sizeof(GunRecord) == 576);
static_assert(offsetof(GunRecord, folderName) == 0);
static_assert(offsetof(GunRecord, gunName) == 100);
static_assert(offsetof(GunRecord, bulletCount) == 200);
static_assert(offsetof(GunRecord, reserved201) == 201);
static_assert(offsetof(GunRecord, reserved202) == 202);
static_assert(offsetof(GunRecord, reserved203) == 203);
static_assert(offsetof(GunRecord, reserved204) == 204);
static_assert(offsetof(GunRecord, isFolder) == 208);
static_assert(offsetof(GunRecord, reserved212) == 212);
static_assert(offsetof(GunRecord, bullets) == 216);

static_assert(kIsFileRecord<DataRecord> && sizeof(DataRecord) == 8);
static_assert(offsetof(DataRecord, currentProfileIndex) == 0);
static_assert(offsetof(DataRecord, reserved) == 4);

// ---- defaults ------------------------------------------------------------

// Zeroes the record and fills in every default for the given sensor code;
// the name stays empty (the caller names the record).
void MakeDefaultRecord(ProfileRecord& record, int sensorCode);
// Copies the whole template, then writes the name (cut at 49 characters).
void CopyFromTemplate(ProfileRecord& record, const ProfileRecord& templ, std::u16string_view name);

}  // namespace mouse
