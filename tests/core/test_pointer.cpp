#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/recording_device.h"
#include "device/apply.h"
#include "device/records.h"
#include "performance/pointer_settings.h"

namespace mouse {
namespace {

// Records each call as text, the speed with two decimals.
class RecordingPointer final : public PointerPlatform {
public:
    void SetDoubleClickTime(int ms) override {
        calls.push_back("DoubleClick " + std::to_string(ms));
    }
    void SetPointer(double speed, bool enhancePrecision) override {
        char text[64];
        std::snprintf(text, sizeof text, "Pointer %.2f %s", speed,
                      enhancePrecision ? "precise" : "flat");
        calls.push_back(text);
    }
    void SetWheel(int lines, bool onePage) override {
        calls.push_back("Wheel " + std::to_string(lines) + (onePage ? " page" : " lines"));
    }
    std::vector<std::string> calls;
};

class PointerTest : public ::testing::Test {
protected:
    PointerTest() {
        MakeDefaultRecord(*current, 3311);
        MakeDefaultRecord(*last, 3311);
    }
    std::unique_ptr<ProfileRecord> current = std::make_unique<ProfileRecord>();
    std::unique_ptr<ProfileRecord> last = std::make_unique<ProfileRecord>();
    RecordingPointer platform;
};

TEST(PointerMapping, SpeedStepsToLevelsAndDesktopSpeeds) {
    struct Row {
        int step;
        int level;
        double desktop;
    };
    const Row rows[] = {{1, 1, -0.9},  {2, 2, -0.8}, {3, 4, -0.6},  {4, 6, -0.4},  {5, 8, -0.2},
                        {6, 10, 0.0},  {7, 12, 0.2}, {8, 14, 0.4},  {9, 16, 0.6},  {10, 18, 0.8},
                        {11, 20, 1.0}, {0, 10, 0.0}, {12, 10, 0.0}, {-3, 10, 0.0}, {1000, 10, 0.0}};
    for (const Row& row : rows) {
        EXPECT_EQ(PointerSpeedLevel(row.step), row.level) << row.step;
        EXPECT_DOUBLE_EQ(DesktopPointerSpeed(row.step), row.desktop) << row.step;
    }
}

TEST(PointerMapping, DoubleClickTimes) {
    const int rows[][2] = {{0, 900}, {1, 830}, {5, 550}, {12, 60}, {13, 0}, {2000000000, 0}};
    for (const auto& row : rows) {
        EXPECT_EQ(DoubleClickTimeMs(row[0]), row[1]) << row[0];
    }
}

TEST_F(PointerTest, EveryChangedGroupInOrder) {
    current->doubleClickSpeed = 5;
    last->doubleClickSpeed = 4;
    current->pointerSpeed = 6;
    last->pointerSpeed = 7;
    current->enhancePointerPrecision = 1;
    current->scrollLines = 3;
    last->scrollLines = 5;
    ApplyPointerSettings(platform, *current, *last);
    EXPECT_EQ(platform.calls, (std::vector<std::string>{"DoubleClick 550", "Pointer 0.00 precise",
                                                        "Wheel 3 lines"}));
}

// Which groups one changed field brings along; the others stay untouched.
TEST_F(PointerTest, EachFieldWritesOnlyItsGroup) {
    struct Row {
        const char* field;
        int32_t ProfileRecord::*member;
        int32_t value;
        std::vector<std::string> calls;
    };
    const Row rows[] = {
        {"doubleClickSpeed", &ProfileRecord::doubleClickSpeed, 2, {"DoubleClick 760"}},
        {"pointerSpeed", &ProfileRecord::pointerSpeed, 11, {"Pointer 1.00 flat"}},
        // Only precision changed: the speed travels with it.
        {"enhancePointerPrecision",
         &ProfileRecord::enhancePointerPrecision,
         1,
         {"Pointer 0.00 precise"}},
        {"scrollLines", &ProfileRecord::scrollLines, 7, {"Wheel 7 lines"}},
        {"onePageScroll", &ProfileRecord::onePageScroll, 1, {"Wheel 3 page"}},
    };
    for (const Row& row : rows) {
        MakeDefaultRecord(*current, 3311);  // speed 6, 3 lines, like last
        (*current).*row.member = row.value;
        platform.calls.clear();
        ApplyPointerSettings(platform, *current, *last);
        EXPECT_EQ(platform.calls, row.calls) << row.field;
    }
}

TEST_F(PointerTest, UnchangedRecordMakesNoCall) {
    ApplyPointerSettings(platform, *current, *last);
    EXPECT_TRUE(platform.calls.empty());
}

TEST_F(PointerTest, DoubleClickStepWithoutUsableTimeIsNotWritten) {
    current->doubleClickSpeed = 20;
    current->scrollLines = last->scrollLines + 1;
    ApplyPointerSettings(platform, *current, *last);
    EXPECT_EQ(
        platform.calls,
        (std::vector<std::string>{"Wheel " + std::to_string(current->scrollLines) + " lines"}));
}

TEST_F(PointerTest, ApplyingTwiceWritesTheDesktopOnce) {
    std::vector<std::string> lines;
    RecordingDevice device(&lines);
    DeviceConfig config;
    current->doubleClickSpeed = 2;
    current->scrollLines = 7;
    ApplyConfiguration(device, RecordingPause(nullptr), platform, *current, *last, config);
    EXPECT_EQ(platform.calls, (std::vector<std::string>{"DoubleClick 760", "Wheel 7 lines"}));
    platform.calls.clear();
    ApplyConfiguration(device, RecordingPause(nullptr), platform, *current, *last, config);
    EXPECT_TRUE(platform.calls.empty());
}

}  // namespace
}  // namespace mouse
