#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>

#include "device/dpi_scale.h"
#include "device/records.h"

namespace mouse {
namespace {

struct ScaleCase {
    int sensor;
    int min, max;
    const char* left;
    const char* right;
};

// Every sensor the program knows, with its slider range and end texts.
constexpr ScaleCase kScaleCases[] = {
    {36, 1, 80, "100", "8000"},     {37, 1, 120, "100", "12000"},   {38, 1, 160, "100", "16000"},
    {60, 1, 240, "100", "24000"},   {3050, 1, 12, "250", "4000"},   {3104, 16, 212, "640", "8480"},
    {3212, 1, 189, "40", "7560"},   {3311, 1, 240, "100", "24000"}, {3325, 2, 100, "200", "10000"},
    {3327, 2, 120, "200", "12000"}, {3330, 1, 144, "50", "7200"},   {3333, 2, 160, "200", "16000"},
    {3335, 1, 160, "100", "19000"}, {3370, 1, 290, "50", "19000"},  {5050, 1, 17, "125", "2750"},
    {6400, 4, 248, "200", "12400"},
};

TEST(DpiScale, EverySensorHasItsRangeAndItsEndsReadAsTheirLabels) {
    for (const ScaleCase& c : kScaleCases) {
        SCOPED_TRACE(c.sensor);
        auto scale = SensorDpiScale(c.sensor);
        ASSERT_TRUE(scale.has_value());
        EXPECT_EQ(scale->minStep, c.min);
        EXPECT_EQ(scale->maxStep, c.max);
        EXPECT_STREQ(scale->leftText, c.left);
        EXPECT_STREQ(scale->rightText, c.right);
        // The slider's ends show the same numbers as the labels beside them.
        EXPECT_EQ(DpiStepText(c.min, c.sensor), c.left);
        EXPECT_EQ(DpiStepText(c.max, c.sensor), c.right);
    }
}

TEST(DpiScale, UnknownSensorsHaveNoScaleAndNoText) {
    for (int sensor : {-1, 0, 3051, 9999}) {
        EXPECT_FALSE(SensorDpiScale(sensor).has_value()) << sensor;
        EXPECT_EQ(DpiStepText(10, sensor), "") << sensor;
    }
}

struct TextCase {
    int sensor;
    int step;
    const char* text;
};

TEST(DpiScale, StepTexts) {
    const TextCase cases[] = {
        {36, 41, "4100"},
        {37, 61, "6100"},
        {38, 81, "8100"},
        {60, 121, "12100"},
        {3104, 25, "1000"},
        {3212, 13, "520"},
        {3311, 16, "1600"},
        {3325, 50, "5000"},
        {3327, 63, "6300"},
        {3330, 31, "1550"},
        {3333, 81, "8100"},
        {6400, 33, "1650"},
        // 3335: plain hundreds, except its last step.
        {3335, 1, "100"},
        {3335, 159, "15900"},
        {3335, 160, "19000"},
        // 3370: fifties up to step 200, hundreds above.
        {3370, 1, "50"},
        {3370, 200, "10000"},
        {3370, 201, "10100"},
        {3370, 290, "19000"},
        // 3050: its own table; anything else reads 1000.
        {3050, 1, "250"},
        {3050, 4, "1000"},
        {3050, 8, "2000"},
        {3050, 9, "2500"},
        {3050, 12, "4000"},
        {3050, 0, "1000"},
        {3050, 13, "1000"},
        {3050, -5, "1000"},
        // 5050: the DPI of the register byte the step is sent as.
        {5050, 1, "125"},
        {5050, 8, "1000"},
        {5050, 10, "1250"},
        {5050, 11, "125"},
        {5050, 12, "1500"},
        {5050, 14, "2000"},
        {5050, 17, "2750"},
        {5050, 0, "750"},
        {5050, 18, "750"},
        // Steps a damaged record may hold do not overflow.
        {3311, INT_MAX, "214748364700"},
        {3370, INT_MIN, "-107374182400"},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(DpiStepText(c.step, c.sensor), c.text) << c.sensor << " step " << c.step;
    }
}

TEST(DpiScale, DefaultStepsOfEverySensorLieInsideItsRange) {
    for (const ScaleCase& c : kScaleCases) {
        SCOPED_TRACE(c.sensor);
        auto record = std::make_unique<ProfileRecord>();
        MakeDefaultRecord(*record, c.sensor);
        for (int level = 0; level < kDpiLevels; ++level) {
            const int step = record->dpiValue[level];
            if (step == 0) {
                continue;  // sensors without default steps
            }
            EXPECT_GE(step, c.min) << "level " << level;
            EXPECT_LE(step, c.max) << "level " << level;
        }
    }
}

}  // namespace
}  // namespace mouse
