// Names for the numbers of the mouse's protocol and of the profile record
// that more than one place relies on: the command bytes of the feature
// reports, the button functions with special handling, the lighting effects
// and the positions of the main window's tabs.
#pragma once

#include <cstdint>

namespace mouse {

// Byte 0 of an 8-byte feature report.
namespace cmd {
inline constexpr uint8_t kReportRate = 0x01;       // report-rate value 8, 4, 2 or 1
inline constexpr uint8_t kButtonMode = 0x02;       // button mode 1 (office) or 2 (game)
inline constexpr uint8_t kSettingsWrite = 0x03;    // settings block written back
inline constexpr uint8_t kLiftOff = 0x04;          // lift-off distance and key response
inline constexpr uint8_t kHighDpiMask = 0x07;      // levels above the sensor's limit
inline constexpr uint8_t kClose = 0x08;            // closes every apply (08 AA CC EE)
inline constexpr uint8_t kDpiLevel = 0x0B;         // active DPI level 1-8
inline constexpr uint8_t kFixedColour = 0x0C;      // single effect colour R G B
inline constexpr uint8_t kLighting = 0x0D;         // effect and its two parameters
inline constexpr uint8_t kColourList = 0x10;       // announces 24 colour bytes
inline constexpr uint8_t kDpiTable = 0x11;         // announces the 8-byte DPI table
inline constexpr uint8_t kButtonTable = 0x12;      // announces a 64-byte button-table chunk
inline constexpr uint8_t kMacroBlock = 0x13;       // announces a 128-byte macro block
inline constexpr uint8_t kVersionRead = 0x80;      // firmware version, then a read
inline constexpr uint8_t kSettingsPrepare = 0x83;  // sent right before the settings read
inline constexpr uint8_t kSettingsRead = 0x8B;     // settings block, read back

// The closing command's three fixed bytes.
inline constexpr uint8_t kCloseBytes[3] = {0xAA, 0xCC, 0xEE};
// Colour lists of the 0x10 command.
inline constexpr uint8_t kCycleColourList = 0;
inline constexpr uint8_t kDpiColourList = 1;
// Lift-off bit in byte 3 of the settings block.
inline constexpr uint8_t kLiftOffBit = 0x08;
// Byte 4 of the settings write, always this value whatever was read.
inline constexpr uint8_t kSettingsWriteByte4 = 0x40;
// Byte 1 of the high-DPI mask command; the mask itself is byte 2.
inline constexpr uint8_t kHighDpiMaskPrefix = 0x00;

// Byte 2 of the announcing commands: how many data bytes follow, and in how
// many 32-byte data reports they come.
inline constexpr uint8_t kColourListLength = 0x18;  // 8 colours of 3 bytes
inline constexpr uint8_t kDpiTableLength = 0x08;    // one byte per DPI level
inline constexpr uint8_t kButtonChunkLength = 0x40;
inline constexpr uint8_t kMacroBlockLength = 0x80;
inline constexpr int kButtonChunks = 4;  // the 256-byte table in four numbered chunks
inline constexpr int kButtonChunkReports = kButtonChunkLength / 32;
inline constexpr int kMacroBlockReports = kMacroBlockLength / 32;
}  // namespace cmd

// The four-byte code of a button in the button table: byte 0 is the family,
// the other three depend on it.
namespace code {
// Family of the functions that run a macro block: 09 repeat block 00.
inline constexpr uint8_t kMacroFamily = 0x09;
// The mouse's own switches: 08 00 n 00 (n 1: button mode, as the function
// table gives). From n 4 on they are the recoil presets and left-button
// macros, counted over the profile's slots in order.
inline constexpr uint8_t kSwitchFamily = 0x08;
inline constexpr uint8_t kFirstPresetNumber = 4;
// Fire click: 0A F0 delay count.
inline constexpr uint8_t kFireClickFamily = 0x0A;
inline constexpr uint8_t kFireClickMarker = 0xF0;
// A disabled DPI level of a sensor with level flags is sent as the previous
// level's byte with this bit set (the first level as the bit alone).
inline constexpr uint8_t kDisabledLevelBit = 0x80;
}  // namespace code

// Items of a 128-byte macro block. The block starts with the loop count
// (16 bits, big-endian); each item starts with a delay byte in 10 ms units
// whose low bit marks a key press and whose top bit a release.
namespace items {
inline constexpr int kShortDelayMaxMs = 1270;  // longest delay of the one-byte form
inline constexpr uint8_t kPressBits = 0x01;
inline constexpr uint8_t kReleaseBits = 0x81;
inline constexpr uint8_t kReleaseBit = 0x80;
// Key code of a pointer move; x and y follow as two 16-bit little-endian
// numbers.
inline constexpr uint8_t kMoveCode = 0xFB;
// Between an item and the 16-bit big-endian count of 20 ms units of a delay
// longer than the one-byte form holds.
inline constexpr uint8_t kLongDelayMarker[2] = {0x00, 0x01};
// A recoil row: press the left button, move by x and y (one signed byte
// each), release it.
inline constexpr uint8_t kLeftButtonCode = 0xF0;
inline constexpr uint8_t kRelativeMoveCode = 0xFA;
// The loop count of a recoil block without rows, and of its second block.
inline constexpr uint8_t kOneLoop = 0x01;
}  // namespace items

// Button function ids whose device bytes or handling differ from their
// table row.
namespace fn {
inline constexpr int kOff = 0;
inline constexpr int kLeftClick = 1;
inline constexpr int kFireClick = 10;
inline constexpr int kShortcut = 21;
inline constexpr int kMacro = 22;
inline constexpr int kSendGun = 25;
inline constexpr int kModeSwitch = 26;
inline constexpr int kLeftButtonMacro = 57;  // macro on the left button, sent like a preset
inline constexpr int kRecoil = 121;          // recoil preset
}  // namespace fn

// Lighting effects (lightMode). The names describe what the user sees; the
// parameters each one takes are fixed by LightingParameters.
namespace light {
inline constexpr int kOff = 0;
inline constexpr int kSteady = 1;
inline constexpr int kBreathing = 2;
inline constexpr int kSpectrum = 3;
inline constexpr int kWave = 4;
inline constexpr int kReactive = 5;
inline constexpr int kFlow = 6;
inline constexpr int kMarquee = 7;
inline constexpr int kStarlight = 8;
inline constexpr int kRipple = 9;
inline constexpr int kRainbow = 10;
inline constexpr int kSpotlight = 11;
inline constexpr int kCount = 12;

// Lower-case name of an effect for tools and diagnostics; nullptr outside
// 0-11.
inline const char* EffectName(int effect) {
    static constexpr const char* kNames[kCount] = {
        "off",  "steady",  "breathing", "spectrum", "wave",    "reactive",
        "flow", "marquee", "starlight", "ripple",   "rainbow", "spotlight"};
    return effect >= 0 && effect < kCount ? kNames[effect] : nullptr;
}
}  // namespace light

// Positions in the main window's two tab layouts: config_tab holds the
// settings tabs (buttons, performance and lighting share main_tab), the macro
// editor and the recoil editor.
namespace tab {
inline constexpr int kConfigSettings = 0;
inline constexpr int kConfigMacro = 1;
inline constexpr int kConfigGun = 2;
inline constexpr int kMainButtons = 0;
inline constexpr int kMainPerformance = 1;
inline constexpr int kMainLighting = 2;
}  // namespace tab

}  // namespace mouse
