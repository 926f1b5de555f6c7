// What a DPI step means to the user for each sensor: the range of a level's
// slider, the texts at its two ends and the DPI number shown for a step.
// A profile stores a DPI level as its slider position (the step); the byte
// sent to the mouse for it is EncodeDpiStep's.
#pragma once

#include <optional>
#include <string>

namespace mouse {

struct DpiScale {
    int minStep;
    int maxStep;
    const char* leftText;   // DPI at the slider's left end
    const char* rightText;  // DPI at the slider's right end
};

// The scale of a sensor code; nullopt for a sensor the program does not know
// (its sliders keep the range the skin gives them).
std::optional<DpiScale> SensorDpiScale(int sensorCode);

// The DPI number of a step as shown to the user ("1600"); empty for a sensor
// the program does not know.
std::string DpiStepText(int step, int sensorCode);

}  // namespace mouse
