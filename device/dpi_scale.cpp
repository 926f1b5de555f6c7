#include "device/dpi_scale.h"

#include <array>
#include <cstdint>

#include "device/encode.h"

namespace mouse {

namespace {

// How the DPI of a step is worked out.
enum class Rule {
    Times,       // step × unit
    Table3050,   // the texts of the 3050's twelve steps
    Cap3335,     // step × 100, the last step reads 19000
    Split3370,   // step × 50 up to 200, then (step − 100) × 100
    DeviceByte,  // from the register byte the step is sent as (5050)
};

struct SensorScale {
    int sensorCode;
    DpiScale scale;
    Rule rule;
    int unit;  // DPI per step for Times; DPI per register count for DeviceByte
};

constexpr std::array<SensorScale, 16> kScales{{
    {36, {1, 80, "100", "8000"}, Rule::Times, 100},
    {37, {1, 120, "100", "12000"}, Rule::Times, 100},
    {38, {1, 160, "100", "16000"}, Rule::Times, 100},
    {60, {1, 240, "100", "24000"}, Rule::Times, 100},
    {3050, {1, 12, "250", "4000"}, Rule::Table3050, 0},
    {3104, {16, 212, "640", "8480"}, Rule::Times, 40},
    {3212, {1, 189, "40", "7560"}, Rule::Times, 40},
    {3311, {1, 240, "100", "24000"}, Rule::Times, 100},
    {3325, {2, 100, "200", "10000"}, Rule::Times, 100},
    {3327, {2, 120, "200", "12000"}, Rule::Times, 100},
    {3330, {1, 144, "50", "7200"}, Rule::Times, 50},
    {3333, {2, 160, "200", "16000"}, Rule::Times, 100},
    {3335, {1, 160, "100", "19000"}, Rule::Cap3335, 100},
    {3370, {1, 290, "50", "19000"}, Rule::Split3370, 50},
    {5050, {1, 17, "125", "2750"}, Rule::DeviceByte, 125},
    {6400, {4, 248, "200", "12400"}, Rule::Times, 50},
}};

const SensorScale* FindScale(int sensorCode) {
    for (const SensorScale& s : kScales) {
        if (s.sensorCode == sensorCode) {
            return &s;
        }
    }
    return nullptr;
}

constexpr std::array<const char*, 12> k3050Texts{"250",  "500",  "750",  "1000", "1250", "1500",
                                                 "1750", "2000", "2500", "3000", "3500", "4000"};

// The 5050 takes a register byte whose low six bits count DPI units of 125
// and whose bit 6 doubles them: bytes 0x01-0x0A are 125-1250 DPI and
// 0x46-0x4B are 6-11 units doubled, 1500-2750 DPI. A step shows the DPI of
// the byte it is sent as, so step 11 (sent as 0x01, like step 1) reads 125,
// and a step outside 1-17 (sent as 0x06) reads 750.
int64_t DeviceByteDpi(uint8_t byte, int unit) {
    const int64_t units = byte & 0x3F;
    return units * unit * ((byte & 0x40) != 0 ? 2 : 1);
}

}  // namespace

std::optional<DpiScale> SensorDpiScale(int sensorCode) {
    const SensorScale* s = FindScale(sensorCode);
    if (s == nullptr) {
        return std::nullopt;
    }
    return s->scale;
}

std::string DpiStepText(int step, int sensorCode) {
    const SensorScale* s = FindScale(sensorCode);
    if (s == nullptr) {
        return {};
    }
    // 64-bit: a damaged record may hold any 32-bit step.
    const int64_t v = step;
    int64_t dpi = 0;
    switch (s->rule) {
        case Rule::Times:
            dpi = v * s->unit;
            break;
        case Rule::Table3050:
            return v >= 1 && v <= int64_t(k3050Texts.size()) ? k3050Texts[size_t(v - 1)] : "1000";
        case Rule::Cap3335:
            dpi = v == 160 ? 19000 : v * s->unit;
            break;
        case Rule::Split3370:
            dpi = v <= 200 ? v * s->unit : (v - 100) * 100;
            break;
        case Rule::DeviceByte:
            dpi = DeviceByteDpi(EncodeDpiStep(step, sensorCode), s->unit);
            break;
    }
    return std::to_string(dpi);
}

}  // namespace mouse
