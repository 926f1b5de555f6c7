#include "device/dpi_scale.h"

#include <cstdint>

#include "device/encode.h"

namespace mouse {

std::optional<DpiScale> SensorDpiScale(int sensorCode) {
    const SensorRow* row = FindSensor(sensorCode);
    if (row == nullptr) {
        return std::nullopt;
    }
    return row->scale;
}

std::string DpiStepText(int step, int sensorCode) {
    const SensorRow* row = FindSensor(sensorCode);
    if (row == nullptr) {
        return {};
    }
    // 64-bit: a damaged record may hold any 32-bit step.
    const int64_t v = step;
    int64_t dpi = 0;
    switch (row->textRule) {
        case DpiTextRule::Listed:
            return v >= 1 && v <= int64_t(row->texts.size()) ? row->texts[size_t(v - 1)]
                                                             : row->fallbackText;
        case DpiTextRule::TimesLastEnd:
            if (v == row->scale.maxStep) {
                return row->scale.rightText;
            }
            dpi = v * row->unit;
            break;
        case DpiTextRule::Times:
            dpi = row->unitSplit > 0 && v > row->unitSplit
                      ? int64_t(row->unitSplit) * row->unit + (v - row->unitSplit) * row->unitAbove
                      : v * row->unit;
            break;
        case DpiTextRule::RegisterByte: {
            // A step shows the DPI of the byte it is sent as.
            const uint8_t byte = EncodeDpiStep(step, sensorCode);
            dpi = int64_t(byte & 0x3F) * row->unit * ((byte & 0x40) != 0 ? 2 : 1);
            break;
        }
    }
    return std::to_string(dpi);
}

}  // namespace mouse
