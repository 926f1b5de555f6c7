// Data.ini: device identity, sensor type, button overrides and switches,
// read once at start-up.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace mouse {

struct ButtonOverride {
    uint8_t code[4] = {0, 0, 0, 0};
    uint8_t useProfile = 0;  // 1: send the profile's own code
};

struct DeviceConfig {
    int vid = 0x04D9;
    int pid = 0xA09F;
    int dpi = -1;
    int sensor = -1;
    int distance = -1;  // non-zero enables the lift-off and high-DPI commands
    int distanceMin = 0;
    int distanceMax = 0;
    std::array<ButtonOverride, 64> buttonOverrides{};
    int verH = -1;
    int verL = -1;
    int update = -1;  // non-zero runs the firmware check at start-up
    std::array<uint8_t, 8> distanceValue{};
};

// Parses Data.ini text with the semantics of the Windows profile functions:
// section and key names ignore case, the first matching key wins, missing
// keys give the defaults above, integers are decimal (leading digits, with
// an optional sign; no digits gives 0), hex keys are read as hexadecimal.
DeviceConfig ParseDeviceConfig(const std::string& text);
// Reads the file; a missing or unreadable file gives all defaults.
DeviceConfig LoadDeviceConfig(const std::string& path);

}  // namespace mouse
