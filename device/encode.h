// Encoding of a profile into the mouse's feature and data reports.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "device/records.h"
#include "device/sensors.h"
#include "store/data_ini.h"

namespace mouse {

using FeatureReport = std::array<uint8_t, 8>;
using DataReport = std::array<uint8_t, 32>;
using MacroBlock = std::array<uint8_t, 128>;

inline constexpr int kMaxMacroBlocks = 10;

// 0xFF minus the sum of bytes 0-6, so that all eight bytes add up to 0xFF.
uint8_t FeatureChecksum(const uint8_t* report);
// A feature report with the given command and parameters and its checksum.
FeatureReport MakeFeature(uint8_t command, uint8_t p1 = 0, uint8_t p2 = 0, uint8_t p3 = 0,
                          uint8_t p4 = 0, uint8_t p5 = 0, uint8_t p6 = 0);
bool FeatureChecksumValid(const uint8_t* report);

// Report-rate device value (8, 4, 2, 1) of a report-rate index.
uint8_t ReportRateValue(int reportRateIndex);
// Bytes 2 and 3 (p and q) of the lighting command 0x0D.
std::array<uint8_t, 2> LightingParameters(const ProfileRecord& record);
// The eight DPI level bytes of the DPI table for a sensor code.
std::array<uint8_t, 8> EncodeDpiTable(const ProfileRecord& record, int sensorCode);
// Byte of one DPI step for a sensor code (flags not applied); 0 for a sensor
// without a row in the sensor table.
uint8_t EncodeDpiStep(int step, int sensorCode);
// Bit i set when dpiValue[i] exceeds the sensor's high-DPI limit; 0 for
// sensors without one.
uint8_t HighDpiMask(const ProfileRecord& record, int sensorCode);
// Lift-off distance byte: entry liftOffDistance of the distance list, 0 when
// the position is outside 0-7.
uint8_t LiftOffDistanceValue(const ProfileRecord& record, const DeviceConfig& config);
// The same for a position on its own (what the performance page shows).
uint8_t LiftOffDistanceValue(int32_t position, const DeviceConfig& config);

struct ButtonTable {
    std::array<uint8_t, 256> codes{};       // 64 four-byte codes in slot order
    std::vector<MacroBlock> macroBlocks;    // block k+1 at index k, at most 10
    std::array<uint8_t, 64> blockOfSlot{};  // macro block number 1-10 of each slot, 0 none
};
// The 256-byte button table with the BUTTON overrides, and the macro blocks
// of the macro buttons that received a block number.
ButtonTable EncodeButtonTable(const ProfileRecord& record,
                              const std::array<ButtonOverride, 64>& overrides);

// 128-byte macro block of a button entry; items that would run past byte 127
// are dropped (the block ends at the last whole item).
MacroBlock EncodeMacroBlock(const ButtonEntry& entry);
// One or two 128-byte blocks of a recoil preset bound to a button entry
// (rows 16-30 go into the second block); a left-button macro (function 57)
// gives its single macro block.
std::vector<MacroBlock> EncodeRecoilBlocks(const ButtonEntry& entry);

}  // namespace mouse
