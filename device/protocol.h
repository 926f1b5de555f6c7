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
}  // namespace cmd

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
