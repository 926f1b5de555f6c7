// Everything the sensor table decides, for every sensor, as the program
// computed it before the table existed: the bytes of steps on both sides of
// every split, the default steps, the high-DPI mask, disabled-level flags and
// the DPI texts. A changed row shows up here as a changed byte or text.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "device/dpi_scale.h"
#include "device/encode.h"
#include "device/records.h"
#include "device/sensors.h"

namespace mouse {
namespace {

// Steps whose bytes are compared: out of range, the ends of the sliders and
// both sides of each sensor's splits.
constexpr int kSteps[] = {-1,  0,   1,   2,   4,   12,  13,  16,  17,  18,  41,  42,  50,  51,
                          60,  61,  62,  63,  64,  80,  81,  100, 106, 107, 120, 121, 124, 125,
                          126, 127, 144, 160, 161, 189, 200, 201, 212, 240, 241, 248, 290, 321};
// The eight levels of the high-DPI mask probe, around the three limits.
constexpr int32_t kMaskProbe[8] = {119, 120, 121, 159, 160, 161, 200, 201};
// Steps whose texts are compared.
constexpr int kTextSteps[] = {1, 2, 12, 60, 61, 120, 121, 160, 200, 201, 290};

struct SensorCase {
    int code;
    const char* bytes;  // hex, one byte per step of kSteps
    std::array<int32_t, 8> defaults;
    uint8_t mask;           // HighDpiMask of kMaskProbe
    uint8_t disabledFirst;  // first DPI table byte of the default profile, level 1 off
    const char* texts;      // DpiStepText of kTextSteps, space-separated
};

// clang-format off
const SensorCase kCases[] = {
    {36,
     "FEFF0001030B0C0F1011285458595D5E5E5F5F67687174757B7C7D7E7E7F474F505E63646977787BD0E0",
     {0, 0, 0, 0, 0, 0, 0, 0}, 0x00, 0x80,
     "100 200 1200 6000 6100 12000 12100 16000 20000 20100 29000"},
    {37,
     "FEFF0001030B0C0F1011282931323B5D5E5E5F67677174747B7B7D7D7E7E474F4F5D63636977777BD0DF",
     {0, 0, 0, 0, 0, 0, 0, 0}, 0x00, 0xFF,
     "100 200 1200 6000 6100 12000 12100 16000 20000 20100 29000"},
    {38,
     "FEFF0001030B0C0F1011282931323B3C3D3E3F4FA7B1B4B4BBBBBDBDBEBEC7CFCFDDE3E3E9F7F7FB909F",
     {0, 0, 0, 0, 0, 0, 0, 0}, 0x00, 0xFF,
     "100 200 1200 6000 6100 12000 12100 16000 20000 20100 29000"},
    {60,
     "FEFF0001030B0C0F1011282931323B3C3D3E3F4F5063696A77BBBDBDBEBEC7CFCFDDE3E3E9F7F7FB909F",
     {0, 0, 0, 0, 0, 0, 0, 0}, 0x00, 0xFF,
     "100 200 1200 6000 6100 12000 12100 16000 20000 20100 29000"},
    {3050,
     "060601020448060606060606060606060606060606060606060606060606060606060606060606060606",
     {2, 3, 4, 5, 6, 8, 10, 12}, 0x00, 0x80,
     "250 500 4000 1000 1000 1000 1000 1000 1000 1000 1000"},
    {3104,
     "FF000102040C0D101112292A32333C3D3E3F405051646AB5BCBCBEBEBFBFC8D0D0DEE4E4EAF8F8FC91A0",
     {25, 50, 75, 100, 125, 150, 175, 200}, 0x00, 0x19,
     "40 80 480 2400 2440 4800 4840 6400 8000 8040 11600"},
    {3212,
     "FF000102040C0D101112292A32333C3D3E3F6068687275757C7C7E7E7FEAF0F5F5FFC2C3C6D0D0D2E0EB",
     {13, 26, 52, 78, 86, 189, 70, 80}, 0x00, 0x0D,
     "40 80 480 2400 2440 4800 4840 6400 8000 8040 11600"},
    {3311,
     "00000002040D0E12131430323B3C47484A4B4C5F60777E808F474A4A4B4B565F5F7077777E8F8F000000",
     {10, 20, 30, 40, 50, 60, 70, 80}, 0xFC, 0x0B,
     "100 200 1200 6000 6100 12000 12100 16000 20000 20100 29000"},
    {3325,
     "FEFF0001030B0C0F1011282931585D5D5E5E5F67677174747B7B7D7D7E7E474F4F5D63636977777BD0DF",
     {10, 20, 30, 40, 50, 60, 70, 80}, 0x00, 0x80,
     "100 200 1200 6000 6100 12000 12100 16000 20000 20100 29000"},
    {3327,
     "FF000102040C0D101112292A32333C3D3E5F6068687275757C7C7E7E7F7F4850505E64646A78787CD1E0",
     {10, 20, 30, 40, 50, 60, 70, 80}, 0x00, 0x80,
     "100 200 1200 6000 6100 12000 12100 16000 20000 20100 29000"},
    {3330,
     "FEFF0001030B0C0F1011282931323B3C3D3E3F4F5063696A77787B7C7D7E8F9FA0BCC7C8D3EFF0F72140",
     {10, 20, 30, 40, 50, 60, 70, 80}, 0x00, 0x09,
     "50 100 600 3000 3050 6000 6050 8000 10000 10050 14500"},
    {3333,
     "FF000102040C0D101112292A32333C3D3E3F4050A8B2B5B5BCBCBEBEBFBFC8D0D0DEE4E4EAF8F8FC91A0",
     {10, 20, 30, 40, 50, 60, 70, 80}, 0x00, 0x0A,
     "100 200 1200 6000 6100 12000 12100 16000 20000 20100 29000"},
    {3335,
     "00000002040D0E12131430323B3C47484A4B4C5F60777E808F9094959698ACBD5F7077777E8F8F94ADBD",
     {10, 20, 30, 40, 50, 60, 70, 80}, 0xE0, 0x0B,
     "100 200 1200 6000 6100 12000 12100 19000 20000 20100 29000"},
    {3370,
     "00000001030B0C0F1011282931323B3C3D3E3F4F5063696A77787B7C7D7E8F9FA0BCC7646F8B8C93BDDC",
     {0, 0, 0, 0, 0, 0, 0, 0}, 0x80, 0x00,
     "50 100 600 3000 3050 6000 6050 8000 10000 10100 19000"},
    {5050,
     "060601020446474A4B060606060606060606060606060606060606060606060606060606060606060606",
     {0, 0, 0, 0, 0, 0, 0, 0}, 0x00, 0x80,
     "125 250 1500 750 750 750 750 750 750 750 750"},
    {6400,
     "FDFEFF00020A0B0E0F10272830313A3B3C3D3E4E4F62686976777ABCBDBDC6CECEDCE2E2E8F6F6FA8F9E",
     {10, 20, 30, 40, 50, 60, 70, 80}, 0x00, 0x08,
     "50 100 600 3000 3050 6000 6050 8000 10000 10050 14500"},
};
// clang-format on

std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string text;
    char two[3];
    for (uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02X", b);
        text += two;
    }
    return text;
}

TEST(SensorTable, EveryRowGivesWhatTheSensorAlwaysGot) {
    std::vector<int> covered;
    for (const SensorCase& c : kCases) {
        SCOPED_TRACE(c.code);
        covered.push_back(c.code);
        ASSERT_NE(FindSensor(c.code), nullptr);

        std::vector<uint8_t> bytes;
        for (int step : kSteps) {
            bytes.push_back(EncodeDpiStep(step, c.code));
        }
        EXPECT_EQ(Hex(bytes), c.bytes);

        auto record = std::make_unique<ProfileRecord>();
        MakeDefaultRecord(*record, c.code);
        EXPECT_EQ(std::to_array(record->dpiValue), c.defaults);
        EXPECT_EQ(std::to_array(record->dpiValueY), c.defaults);

        record->dpiLevelEnabled[0] = 0;
        EXPECT_EQ(EncodeDpiTable(*record, c.code)[0], c.disabledFirst);

        std::copy(std::begin(kMaskProbe), std::end(kMaskProbe), record->dpiValue);
        EXPECT_EQ(HighDpiMask(*record, c.code), c.mask);
        EXPECT_EQ(SensorHasHighDpiMask(c.code), c.mask != 0);

        std::string texts;
        for (int step : kTextSteps) {
            if (!texts.empty()) {
                texts += ' ';
            }
            texts += DpiStepText(step, c.code);
        }
        EXPECT_EQ(texts, c.texts);
    }
    // Every row of the table is covered here, and nothing else.
    const auto known = KnownSensorCodes();
    EXPECT_EQ(covered, std::vector<int>(known.begin(), known.end()));
    EXPECT_EQ(KnownSensorCodesText(),
              "36, 37, 38, 60, 3050, 3104, 3212, 3311, 3325, 3327, 3330, 3333, 3335, 3370, 5050, "
              "6400");
}

}  // namespace
}  // namespace mouse
