// What a DPI step means to the user for each sensor: the range of a level's
// slider, the texts at its two ends and the DPI number shown for a step, all
// read from the sensor table (device/sensors.h). A profile stores a DPI level
// as its slider position (the step); the byte sent to the mouse for it is
// EncodeDpiStep's.
#pragma once

#include <optional>
#include <string>

#include "device/sensors.h"

namespace mouse {

// The scale of a sensor code; nullopt for a sensor the program does not know
// (its sliders keep the range the skin gives them).
std::optional<DpiScale> SensorDpiScale(int sensorCode);

// The DPI number of a step as shown to the user ("1600"); empty for a sensor
// the program does not know.
std::string DpiStepText(int step, int sensorCode);

}  // namespace mouse
