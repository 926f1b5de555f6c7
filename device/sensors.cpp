#include "device/sensors.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace mouse {

namespace {

// Register values of the 3311 and 3335 sensors by DPI step. Steps 1-120 are
// shared; the 3335 continues to step 160.
constexpr uint8_t kRegisters3335[160] = {
    0, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14, 16, 17, 18, 19, 20, 22, 23, 24, 25, 26, 27, 29, 30,
    31, 32, 33, 35, 37, 38, 39, 40, 41, 42, 44, 45, 46, 47, 48, 50, 51, 52, 53, 54, 56, 57, 58, 59,
    60, 62, 63, 64, 65, 66, 68, 69, 70, 71, 72, 74, 75, 76, 77, 78, 80, 81, 82, 83, 84, 86, 87, 88,
    89, 90, 92, 93, 94, 95, 96, 98, 99, 100, 101, 102, 104, 105, 106, 107, 108, 110, 111, 112, 113,
    114, 116, 117, 118, 119, 120, 122, 123, 124, 125, 126, 128, 129, 130, 131, 132, 134, 135, 136,
    137, 138, 140, 141, 142, 143,
    // steps 121-160 (3335 only)
    144, 146, 147, 148, 149, 150, 152, 153, 154, 155, 156, 158, 159, 160, 161, 162, 164, 165, 166,
    167, 168, 170, 171, 172, 173, 174, 176, 177, 178, 179, 180, 181, 182, 183, 184, 185, 186, 187,
    188, 189};
constexpr std::span<const uint8_t> kRegisters3311{kRegisters3335, 120};

// The 3050's twelve steps: 1-8 as they are, then 0x45-0x48.
constexpr uint8_t kRegisters3050[12] = {1, 2, 3, 4, 5, 6, 7, 8, 0x45, 0x46, 0x47, 0x48};
constexpr const char* kTexts3050[12] = {"250",  "500",  "750",  "1000", "1250", "1500",
                                        "1750", "2000", "2500", "3000", "3500", "4000"};

// The 5050 takes a register byte whose low six bits count DPI units of 125
// and whose bit 6 doubles them: bytes 0x01-0x0A are 125-1250 DPI and
// 0x46-0x4B are 6-11 units doubled, 1500-2750 DPI. Step 11 is sent as 0x01,
// like step 1, and reads 125; a step outside 1-17 is sent as 0x06 (750).
constexpr uint8_t kRegisters5050[17] = {1,  2,    3,    4,    5,    6,    7,    8,   9,
                                        10, 0x01, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B};

// Encodings (see sensors.h). Most sensors send a step as it is, with an
// offset, up to a split, and half the step with a range bit above it.
constexpr StepSegment Plain(int64_t lastStep = kEveryStep, int64_t after = 0) {
    return {lastStep, 0, 1, after, 0};
}
constexpr StepEncoding Segments(StepSegment a, StepSegment b = StepSegment{},
                                StepSegment c = StepSegment{}) {
    return {{a, b, c}, std::span<const uint8_t>{}, 0};
}
constexpr StepEncoding HalvedAbove(int64_t split, int64_t after, uint8_t bits) {
    return Segments(Plain(split, after), {kEveryStep, 0, 2, after, bits});
}
// The step (halved above `split`) is a position in a register list.
constexpr StepEncoding Registers(std::span<const uint8_t> list, uint8_t outside,
                                 int64_t split = kEveryStep) {
    return {{Plain(split), {kEveryStep, 0, 2, 0, 0}, StepSegment{}}, list, outside};
}

constexpr std::array<int32_t, 8> kNoDefaults{};
constexpr std::array<int32_t, 8> kTensOfSteps{10, 20, 30, 40, 50, 60, 70, 80};
constexpr std::array<int32_t, 8> k3050Defaults{2, 3, 4, 5, 6, 8, 10, 12};
constexpr std::array<int32_t, 8> k3104Defaults{25, 50, 75, 100, 125, 150, 175, 200};
constexpr std::array<int32_t, 8> k3212Defaults{13, 26, 52, 78, 86, 189, 70, 80};
constexpr std::span<const char* const> kNoTexts{};

// One row per sensor, in increasing order of code.
// clang-format off
constexpr SensorRow kSensors[] = {
    // code  slider, its end texts      DPI text rule, units                     texts     fallback
    //       step encoding                                     level flags, high-DPI limit, defaults
    {36,   {1, 80, "100", "8000"},      DpiTextRule::Times, 100, 0, 0,          kNoTexts,   nullptr,
           Segments({41, -1, 1, 0, 0}, {kEveryStep, -1, 2, 0, 0x40}),    true,  0,   kNoDefaults},
    {37,   {1, 120, "100", "12000"},    DpiTextRule::Times, 100, 0, 0,          kNoTexts,   nullptr,
           HalvedAbove(60, -1, 0x40),                                    false, 0,   kNoDefaults},
    {38,   {1, 160, "100", "16000"},    DpiTextRule::Times, 100, 0, 0,          kNoTexts,   nullptr,
           HalvedAbove(80, -1, 0x80),                                    false, 0,   kNoDefaults},
    {60,   {1, 240, "100", "24000"},    DpiTextRule::Times, 100, 0, 0,          kNoTexts,   nullptr,
           HalvedAbove(120, -1, 0x80),                                   false, 0,   kNoDefaults},
    {3050, {1, 12, "250", "4000"},      DpiTextRule::Listed, 0, 0, 0,            kTexts3050, "1000",
           Registers(kRegisters3050, 0x06),                              true,  0,   k3050Defaults},
    {3104, {16, 212, "640", "8480"},    DpiTextRule::Times, 40, 0, 0,           kNoTexts,   nullptr,
           HalvedAbove(106, 0, 0x80),                                    false, 0,   k3104Defaults},
    {3212, {1, 189, "40", "7560"},      DpiTextRule::Times, 40, 0, 0,           kNoTexts,   nullptr,
           Segments(Plain(63), {126, 0, 2, 0, 0x40}, {kEveryStep, 0, 3, 0, 0xC0}),
                                                                         false, 0,   k3212Defaults},
    {3311, {1, 240, "100", "24000"},    DpiTextRule::Times, 100, 0, 0,          kNoTexts,   nullptr,
           Registers(kRegisters3311, 0, 120),                            false, 120, kTensOfSteps},
    {3325, {2, 100, "200", "10000"},    DpiTextRule::Times, 100, 0, 0,          kNoTexts,   nullptr,
           HalvedAbove(50, -1, 0x40),                                    true,  0,   kTensOfSteps},
    {3327, {2, 120, "200", "12000"},    DpiTextRule::Times, 100, 0, 0,          kNoTexts,   nullptr,
           HalvedAbove(62, 0, 0x40),                                     true,  0,   kTensOfSteps},
    {3330, {1, 144, "50", "7200"},      DpiTextRule::Times, 50, 0, 0,           kNoTexts,   nullptr,
           Segments(Plain(kEveryStep, -1)),                              false, 0,   kTensOfSteps},
    {3333, {2, 160, "200", "16000"},    DpiTextRule::Times, 100, 0, 0,          kNoTexts,   nullptr,
           HalvedAbove(80, 0, 0x80),                                     false, 0,   kTensOfSteps},
    {3335, {1, 160, "100", "19000"},    DpiTextRule::TimesLastEnd, 100, 0, 0,   kNoTexts,   nullptr,
           Registers(kRegisters3335, 0, 160),                            false, 160, kTensOfSteps},
    // Fifty DPI a step up to 10000 at step 200, then a hundred; steps above
    // 200 skip a hundred register values, and steps below 1 send 0.
    {3370, {1, 290, "50", "19000"},     DpiTextRule::Times, 50, 200, 100,       kNoTexts,   nullptr,
           Segments({0, 0, 0, 0, 0}, Plain(200, -1), Plain(kEveryStep, -101)),
                                                                         false, 200, kNoDefaults},
    {5050, {1, 17, "125", "2750"},     DpiTextRule::RegisterByte, 125, 0, 0,    kNoTexts,   nullptr,
           Registers(kRegisters5050, 0x06),                              true,  0,   kNoDefaults},
    {6400, {4, 248, "200", "12400"},    DpiTextRule::Times, 50, 0, 0,           kNoTexts,   nullptr,
           HalvedAbove(124, -2, 0x80),                                   false, 0,   kTensOfSteps},
};
// clang-format on

constexpr bool RowIsWhole(const SensorRow& row) {
    if (row.scale.minStep < 1 || row.scale.minStep > row.scale.maxStep) {
        return false;
    }
    // The segments rise and the last one used takes every step above.
    bool ended = false;
    int64_t previous = std::numeric_limits<int64_t>::min();
    for (const StepSegment& s : row.encoding.segments) {
        if (s.lastStep <= previous || s.divisor < 0) {
            break;
        }
        previous = s.lastStep;
        if (s.lastStep == kEveryStep) {
            ended = true;
            break;
        }
    }
    if (!ended) {
        return false;
    }
    if ((row.textRule == DpiTextRule::Listed) !=
        (!row.texts.empty() && row.fallbackText != nullptr)) {
        return false;
    }
    if ((row.textRule == DpiTextRule::Times || row.textRule == DpiTextRule::TimesLastEnd ||
         row.textRule == DpiTextRule::RegisterByte) &&
        row.unit <= 0) {
        return false;
    }
    if (row.highDpiLimit < 0 || row.highDpiLimit > row.scale.maxStep) {
        return false;
    }
    // Default steps are all 0 or all inside the slider's range.
    const bool none = row.defaultSteps == kNoDefaults;
    for (const int32_t step : row.defaultSteps) {
        if (!none && (step < row.scale.minStep || step > row.scale.maxStep)) {
            return false;
        }
    }
    return true;
}

constexpr bool TableIsWhole() {
    for (size_t i = 0; i < std::size(kSensors); ++i) {
        if (!RowIsWhole(kSensors[i]) || (i > 0 && kSensors[i - 1].code >= kSensors[i].code)) {
            return false;
        }
    }
    return true;
}
static_assert(TableIsWhole(), "every sensor row is whole, and codes rise");
static_assert(std::size(kRegisters3335) == 160 && kRegisters3311.size() == 120);
static_assert(std::size(kTexts3050) == std::size(kRegisters3050));

constexpr auto kCodes = [] {
    std::array<int, std::size(kSensors)> codes{};
    for (size_t i = 0; i < codes.size(); ++i) {
        codes[i] = kSensors[i].code;
    }
    return codes;
}();

}  // namespace

const SensorRow* FindSensor(int sensorCode) {
    const auto* it =
        std::lower_bound(std::begin(kSensors), std::end(kSensors), sensorCode,
                         [](const SensorRow& row, int code) { return row.code < code; });
    return it != std::end(kSensors) && it->code == sensorCode ? it : nullptr;
}

std::span<const SensorRow> SensorRows() {
    return kSensors;
}

std::span<const int> KnownSensorCodes() {
    return kCodes;
}

std::string_view KnownSensorCodesText() {
    static const std::string text = [] {
        std::string t;
        for (const int code : kCodes) {
            t += t.empty() ? "" : ", ";
            t += std::to_string(code);
        }
        return t;
    }();
    return text;
}

uint8_t EncodeStep(const StepEncoding& encoding, int step) {
    // 64-bit arithmetic: a damaged record may hold any 32-bit step.
    const int64_t v = step;
    int64_t number = 0;
    for (const StepSegment& s : encoding.segments) {
        if (v <= s.lastStep) {
            number = s.divisor == 0 ? s.after : ((v + s.before) / s.divisor + s.after) | s.bits;
            break;
        }
    }
    if (encoding.registers.empty()) {
        return uint8_t(number);
    }
    // A position outside the list never reads outside it.
    if (number < 1 || number > int64_t(encoding.registers.size())) {
        return encoding.outsideList;
    }
    return encoding.registers[size_t(number - 1)];
}

bool SensorHasHighDpiMask(int sensorCode) {
    const SensorRow* row = FindSensor(sensorCode);
    return row != nullptr && row->highDpiLimit > 0;
}

bool SensorUsesLevelFlags(int sensorCode) {
    const SensorRow* row = FindSensor(sensorCode);
    return row != nullptr && row->levelFlags;
}

std::array<int32_t, 8> SensorDefaultSteps(int sensorCode) {
    const SensorRow* row = FindSensor(sensorCode);
    return row != nullptr ? row->defaultSteps : kNoDefaults;
}

}  // namespace mouse
