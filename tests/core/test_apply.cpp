#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <sstream>

#include "cli/recording_device.h"
#include "device/apply.h"
#include "device/records.h"
#include "store/data_ini.h"
#include "store/tables.h"

namespace mouse {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

int64_t SleepTotal(const std::vector<std::string>& lines) {
    int64_t total = 0;
    for (const std::string& line : lines) {
        if (line.rfind("Sleep ", 0) == 0) {
            total += std::stoi(line.substr(6));
        }
    }
    return total;
}

std::vector<std::string> WithoutSleeps(const std::vector<std::string>& lines) {
    std::vector<std::string> calls;
    for (const std::string& line : lines) {
        if (line.rfind("Sleep ", 0) != 0) {
            calls.push_back(line);
        }
    }
    return calls;
}

class CountingPointer final : public PointerPlatform {
public:
    void SetDoubleClickTime(int) override { ++calls; }
    void SetPointer(double, bool) override { ++calls; }
    void SetWheel(int, bool) override { ++calls; }
    int calls = 0;
};

const char kZeros32[] = "0000000000000000000000000000000000000000000000000000000000000000";

// Default profile, no Data.ini: sensor unknown (DPI bytes 0), every button
// code zero (no BUTTON section), lift-off sent, no high-DPI mask.
const char kDefaultTranscript[] = R"(
SetFeature 830000000000007c
GetFeature 8b00000000000074 8b00000000000074
SetFeature 03000000400000bc
Sleep 20
SetFeature 02010000000000fc
Sleep 20
SetFeature 01020000000000fc
Sleep 20
SetFeature 0b010000000000f3
Sleep 20
SetFeature 0cff0000000000f4
Sleep 20
SetFeature 0d0403ff000000ec
Sleep 20
SetFeature 10001800000000d7
Sleep 20
WriteUSB ff000000ff000000ffffff00ff00ff00ffffff8000ffffff0000000000000000
Sleep 20
SetFeature 10011800000000d6
Sleep 20
WriteUSB ff000000ff000000ffffff00ff00ff00ffffff8000ffffff0000000000000000
Sleep 20
SetFeature 11080800000000de
Sleep 20
WriteUSB 0000000000000000000000000000000000000000000000000000000000000000
Sleep 10
SetFeature 12014000000000ac
Sleep 10
WriteUSB 0000000000000000000000000000000000000000000000000000000000000000
Sleep 10
WriteUSB 0000000000000000000000000000000000000000000000000000000000000000
Sleep 10
SetFeature 12024000000000ab
Sleep 10
WriteUSB 0000000000000000000000000000000000000000000000000000000000000000
Sleep 10
WriteUSB 0000000000000000000000000000000000000000000000000000000000000000
Sleep 10
SetFeature 12034000000000aa
Sleep 10
WriteUSB 0000000000000000000000000000000000000000000000000000000000000000
Sleep 10
WriteUSB 0000000000000000000000000000000000000000000000000000000000000000
Sleep 10
SetFeature 12044000000000a9
Sleep 10
WriteUSB 0000000000000000000000000000000000000000000000000000000000000000
Sleep 10
WriteUSB 0000000000000000000000000000000000000000000000000000000000000000
Sleep 10
Sleep 10
SetFeature 04000400000000f7
Sleep 20
SetFeature 08aaccee00000093
Sleep 20
)";

class ApplyTest : public ::testing::Test {
protected:
    ApplyTest() : device(&lines) {
        MakeDefaultRecord(*current, 3311);
        *lastApplied = *current;
    }

    ApplyReport Apply() {
        return ApplyConfiguration(device, RecordingPause(&lines), pointer, *current, *lastApplied,
                                  config);
    }

    std::vector<std::string> lines;
    RecordingDevice device;
    CountingPointer pointer;
    DeviceConfig config;
    std::unique_ptr<ProfileRecord> current = std::make_unique<ProfileRecord>();
    std::unique_ptr<ProfileRecord> lastApplied = std::make_unique<ProfileRecord>();
};

TEST_F(ApplyTest, DefaultProfileTranscript) {
    Apply();
    EXPECT_EQ(lines, Lines(kDefaultTranscript));
    EXPECT_EQ(SleepTotal(lines), 400);
    EXPECT_EQ(pointer.calls, 0);
}

TEST_F(ApplyTest, SensorDistanceAndOverridesFromDataIni) {
    config = ParseDeviceConfig(
        "[Default]\nSensor=3311\nDistance=1\nDistance_Value=1,2,3,4,5,6,7,8\n"
        "[BUTTON]\n1=01,00,f0,00,01\n2=aa,bb,cc,dd,00\n");
    current->liftOffDistance = 3;
    current->dpiValue[7] = 200;  // above the 3311 limit: bit 7 of the mask
    Apply();
    auto at = std::find(lines.begin(), lines.end(), "SetFeature 11080800000000de");
    ASSERT_NE(at, lines.end());
    // Steps 10..70 through table A; step 200 uses A[200 div 2] = A[100] = 0x77.
    EXPECT_EQ(at[2], "WriteUSB 0b17232f3b475377" + std::string(kZeros32).substr(16));
    // Slot 0 uses its own code (left click), slot 1 the override bytes.
    EXPECT_EQ(at[6], "WriteUSB 0100f000aabbccdd" + std::string(kZeros32).substr(16));
    const std::vector<std::string> tail(lines.end() - 7, lines.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"Sleep 10", "SetFeature 04040400000000f3", "Sleep 20",
                                              "SetFeature 08aaccee00000093", "Sleep 20",
                                              "SetFeature 0700800000000078", "Sleep 20"}));
    EXPECT_EQ(SleepTotal(lines), 420);
}

TEST_F(ApplyTest, DistanceZeroDropsLiftOffAndMaskButKeepsTheirPauses) {
    config.sensor = 3370;
    config.distance = 0;
    Apply();
    const std::vector<std::string> tail(lines.end() - 6, lines.end());
    EXPECT_EQ(tail,
              (std::vector<std::string>{"Sleep 10", "Sleep 10", "Sleep 20",
                                        "SetFeature 08aaccee00000093", "Sleep 20", "Sleep 20"}));
    EXPECT_EQ(SleepTotal(lines), 420);
}

TEST_F(ApplyTest, MacroShortcutAndFireClickProfile) {
    for (auto& o : config.buttonOverrides) {
        o.useProfile = 1;
    }
    ButtonEntry& macro = current->buttons[0];
    macro.functionId = 22;
    macro.repeatMode = 2;
    macro.bindingLoops = 1;
    macro.bindingCount = 2;
    macro.macroActions[0] = MacroAction{0, 0x04, kActionPress, 0, 10, 0, 0, 0};
    macro.macroActions[1] = MacroAction{0, 0x04, kActionRelease, 0, 2000, 0, 0, 0};
    current->buttons[1].functionId = 21;
    current->buttons[1].shortcutModifiers = kModCtrl;
    current->buttons[1].shortcutKey = 0x06;
    current->buttons[2].functionId = 10;
    current->buttons[2].fireClickDelay = 4;
    current->buttons[2].fireClickCount = 2;
    Apply();

    auto chunk1 = std::find(lines.begin(), lines.end(), "SetFeature 12014000000000ac");
    ASSERT_NE(chunk1, lines.end());
    EXPECT_EQ(chunk1[2],
              "WriteUSB 09020100000106000af004020100f4000100f3000700010007000200000000"
              "00");
    auto chunk4 = std::find(lines.begin(), lines.end(), "SetFeature 12044000000000a9");
    ASSERT_NE(chunk4, lines.end());
    const std::vector<std::string> macroPart(chunk4 + 6, chunk4 + 6 + 11);
    const std::string zeros(kZeros32);
    EXPECT_EQ(macroPart, (std::vector<std::string>{
                             "SetFeature 130180000000006b", "Sleep 10",
                             "WriteUSB 00010104800400010064" + zeros.substr(20), "Sleep 10",
                             "WriteUSB " + zeros, "Sleep 10", "WriteUSB " + zeros, "Sleep 10",
                             "WriteUSB " + zeros, "Sleep 10", "Sleep 10"}));
    EXPECT_EQ(SleepTotal(lines), 450);
}

TEST_F(ApplyTest, RefusedSettingSkipsOnlyItsOwnPause) {
    device.SetRefuse([](DeviceCall call, const uint8_t* bytes, int) {
        return call == DeviceCall::kSetFeature && bytes[0] == 0x02;
    });
    Apply();
    std::vector<std::string> expected = Lines(kDefaultTranscript);
    auto mode = std::find(expected.begin(), expected.end(), "SetFeature 02010000000000fc");
    ASSERT_NE(mode, expected.end());
    expected.erase(mode + 1);
    EXPECT_EQ(lines, expected);
}

TEST_F(ApplyTest, RefusedDpiTableSkipsItsPauseButRefusedTableChunkDoesNot) {
    device.SetRefuse([](DeviceCall call, const uint8_t* bytes, int) {
        // The DPI table of the default record under sensor 3311 starts 0b;
        // the button-table chunk announcement is 12 02.
        return (call == DeviceCall::kWriteUSB && bytes[0] == 0x0B) ||
               (call == DeviceCall::kSetFeature && bytes[0] == 0x12 && bytes[1] == 2);
    });
    config.sensor = 3311;
    config.distance = 0;
    Apply();
    auto at = std::find(lines.begin(), lines.end(), "SetFeature 11080800000000de");
    ASSERT_NE(at, lines.end());
    EXPECT_EQ(at[3], "SetFeature 12014000000000ac");  // no Sleep 10 after the table
    auto chunk2 = std::find(lines.begin(), lines.end(), "SetFeature 12024000000000ab");
    ASSERT_NE(chunk2, lines.end());
    EXPECT_EQ(chunk2[1], "Sleep 10");
    EXPECT_EQ(SleepTotal(lines), 420 - 10);
}

TEST_F(ApplyTest, DeadDeviceStillGetsEveryCallAndOnlyUnconditionalPauses) {
    Apply();
    const auto calls = WithoutSleeps(lines);
    lines.clear();
    device.SetRefuse([](DeviceCall, const uint8_t*, int) { return true; });
    Apply();
    EXPECT_EQ(WithoutSleeps(lines), calls);
    // colour lists 2 x 40, DPI announce 20, button table 4 x 30 + 10,
    // lift-off 20, closing 20.
    EXPECT_EQ(SleepTotal(lines), 270);
}

TEST_F(ApplyTest, TheReportCountsEveryReportAndNamesEachRefusedStepOnce) {
    struct Case {
        const char* name;
        std::function<bool(DeviceCall, const uint8_t*)> refuse;
        int refused;
        std::vector<std::string> steps;
    };
    const Case cases[] = {
        {"none", [](DeviceCall, const uint8_t*) { return false; }, 0, {}},
        // The button table is four announcements and eight data reports.
        {"button table",
         [](DeviceCall call, const uint8_t* b) {
             return call == DeviceCall::kSetFeature && b[0] == 0x12;
         },
         4,
         {"button table"}},
        {"settings read and the DPI level",
         [](DeviceCall call, const uint8_t* b) {
             return call == DeviceCall::kGetFeature ||
                    (b[0] == 0x0B && call != DeviceCall::kWriteUSB);
         },
         2,
         {"settings read", "DPI level"}},
        {"everything", [](DeviceCall, const uint8_t*) { return true; }, 28, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device.SetRefuse([&](DeviceCall call, const uint8_t* b, int) { return c.refuse(call, b); });
        const ApplyReport report = Apply();
        EXPECT_EQ(report.reports, 28);  // no high-DPI mask without a sensor
        EXPECT_EQ(report.refused, c.refused);
        EXPECT_EQ(report.Complete(), c.refused == 0);
        if (c.refused < report.reports) {
            EXPECT_EQ(report.refusedSteps, c.steps);
        } else {
            EXPECT_EQ(report.refusedSteps.size(), 13u) << report.RefusedText();
        }
    }
}

TEST_F(ApplyTest, ExtremeModeAndLevelWrapToTheirLowByte) {
    current->buttonMode = INT32_MAX;
    current->currentDpiLevel = -1;
    Apply();
    auto mode = std::find_if(lines.begin(), lines.end(),
                             [](const std::string& l) { return l.rfind("SetFeature 02", 0) == 0; });
    ASSERT_NE(mode, lines.end());
    EXPECT_EQ(mode->substr(11, 4), "0200");  // INT32_MAX + 1 = 2^31, low byte 0
    auto level = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.rfind("SetFeature 0b", 0) == 0;
    });
    ASSERT_NE(level, lines.end());
    EXPECT_EQ(level->substr(11, 4), "0b00");
}

TEST_F(ApplyTest, PointerSettingsFirstThenLastAppliedCopied) {
    current->pointerSpeed = 9;
    current->buttons[63].functionId = 77;
    Apply();
    EXPECT_EQ(pointer.calls, 1);  // the pointer group
    EXPECT_EQ(std::memcmp(lastApplied.get(), current.get(), sizeof(ProfileRecord)), 0);
    Apply();
    EXPECT_EQ(pointer.calls, 1);
}

TEST(SyncSettings, WritesTheBlockBackWithLiftOffBitAndByte4) {
    std::vector<std::string> lines;
    RecordingDevice device(&lines);
    device.SetSettingsBlock({0x11, 0x22, 0xFF, 0x44, 0x55, 0x66});
    auto record = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*record, 3311);
    EXPECT_EQ(SyncDeviceSettings(device, RecordingPause(&lines), *record), 1);
    EXPECT_EQ(lines, (std::vector<std::string>{"SetFeature 830000000000007c",
                                               "GetFeature 8b00000000000074 8b1122ff44556643",
                                               "SetFeature 031122f7405566d7", "Sleep 20"}));

    lines.clear();
    device.SetSettingsBlock({0, 0, 0, 0, 0, 0});
    record->distanceEnabled = 1;
    SyncDeviceSettings(device, RecordingPause(&lines), *record);
    EXPECT_EQ(lines[2], "SetFeature 03000008400000b4");
}

TEST(SyncSettings, FailedReadUsesTheBufferAndFailedWriteSkipsThePause) {
    std::vector<std::string> lines;
    RecordingDevice device(&lines);
    device.SetSettingsBlock({1, 2, 3, 4, 5, 6});
    device.SetRefuse([](DeviceCall call, const uint8_t* bytes, int) {
        return call == DeviceCall::kGetFeature || bytes[0] == 0x03;
    });
    auto record = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*record, 3311);
    EXPECT_EQ(SyncDeviceSettings(device, RecordingPause(&lines), *record), 0);
    EXPECT_EQ(lines, (std::vector<std::string>{"SetFeature 830000000000007c",
                                               "GetFeature 8b00000000000074 8b00000000000074",
                                               "SetFeature 03000000400000bc"}));
}

TEST(FirmwareVersion, ReadsMajorAndMinorWithPausesAround) {
    std::vector<std::string> lines;
    RecordingDevice device(&lines);
    device.SetFirmwareVersion(2, 7);
    const auto version = ReadFirmwareVersion(device, RecordingPause(&lines));
    ASSERT_TRUE(version);
    EXPECT_EQ(version->major, 2);
    EXPECT_EQ(version->minor, 7);
    EXPECT_EQ(lines, (std::vector<std::string>{"SetFeature 800000000000007f", "Sleep 30",
                                               "GetFeature 8000000000000000 8002070000000076",
                                               "Sleep 30"}));
}

TEST(FirmwareVersion, FailedReadGivesNoVersionButKeepsBothPauses) {
    std::vector<std::string> lines;
    RecordingDevice device(&lines);
    device.SetRefuse(
        [](DeviceCall call, const uint8_t*, int) { return call == DeviceCall::kGetFeature; });
    EXPECT_FALSE(ReadFirmwareVersion(device, RecordingPause(&lines)));
    EXPECT_EQ(SleepTotal(lines), 60);
}

}  // namespace
}  // namespace mouse
