// What the program knows about each sensor a mouse may carry, by the sensor
// code of Data.ini: one row per sensor in one table (sensors.cpp). The DPI
// encoder, the DPI texts and slider ranges, the high-DPI mask, the default
// steps of a new profile and mousectl's list of codes all read it, so a new
// sensor is one new row.
//
// A profile stores a DPI level as a step (the slider position). The byte sent
// for a step is worked out in two stages: the first segment whose last step
// is at or above the step turns it into a number,
//     ((step + before) / divisor + after) | bits     (divisor 0: just `after`)
// and, for sensors with a register list, that number is a 1-based position
// in the list and the list's entry is sent (a position outside the list
// sends `outsideList`); otherwise the number's low byte is sent.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <span>
#include <string_view>

namespace mouse {

struct StepSegment {
    int64_t lastStep;  // the segment takes the steps up to this one
    int64_t before;
    int64_t divisor;
    int64_t after;
    uint8_t bits;
};
inline constexpr int64_t kEveryStep = std::numeric_limits<int64_t>::max();

struct StepEncoding {
    std::array<StepSegment, 3> segments;  // the last one used ends at kEveryStep
    std::span<const uint8_t> registers;   // empty: the segment's number is sent
    uint8_t outsideList = 0;
};

// How the DPI number shown for a step is worked out.
enum class DpiTextRule {
    Times,         // step × unit up to unitSplit, then unitAbove more per step
    TimesLastEnd,  // as Times, but the last step reads the right end's text
    Listed,        // texts[step − 1]; fallbackText outside the list
    RegisterByte,  // from the byte the step is sent as: its low six bits count
                   // units, bit 6 doubles them
};

struct DpiScale {
    int minStep;
    int maxStep;
    const char* leftText;   // DPI at the slider's left end
    const char* rightText;  // DPI at the slider's right end
};

struct SensorRow {
    int code;  // Sensor= of Data.ini
    DpiScale scale;
    DpiTextRule textRule;
    int unit;       // DPI per step (Times), per register count (RegisterByte)
    int unitSplit;  // Times: the last step counted in `unit`
    int unitAbove;  // Times: DPI per step above unitSplit
    std::span<const char* const> texts;
    const char* fallbackText;
    StepEncoding encoding;
    // Disabled levels are sent as the previous level's byte with bit 7 set.
    bool levelFlags;
    // Steps above this limit are marked in the high-DPI mask sent after the
    // closing command; 0: the sensor has no mask.
    int highDpiLimit;
    // The eight DPI steps of a new profile; all 0 for a sensor without
    // defaults.
    std::array<int32_t, 8> defaultSteps;
};

// The row of a sensor code; nullptr for a sensor the program does not know.
const SensorRow* FindSensor(int sensorCode);
// Every row, in increasing order of code.
std::span<const SensorRow> SensorRows();
// The codes of the rows, in increasing order; any other code encodes every
// step as 0.
std::span<const int> KnownSensorCodes();
// The known codes as text, "36, 37, ..., 6400".
std::string_view KnownSensorCodesText();

// The number a step encodes to for a sensor (flags not applied).
uint8_t EncodeStep(const StepEncoding& encoding, int step);
// The sensor has a high-DPI mask (its limit is above 0).
bool SensorHasHighDpiMask(int sensorCode);
// The sensor sends disabled levels with bit 7 set.
bool SensorUsesLevelFlags(int sensorCode);
// The default steps of a new profile; all 0 for an unknown sensor.
std::array<int32_t, 8> SensorDefaultSteps(int sensorCode);

}  // namespace mouse
