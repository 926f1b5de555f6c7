#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cli/recording_device.h"
#include "device/apply.h"
#include "device/records.h"
#include "performance/pointer_settings.h"

namespace mouse {
namespace {

// Records each call as text; SPI_SETMOUSE shows the three integers it points
// to, the other actions show the pointer argument's value.
class RecordingPointer final : public PointerPlatform {
public:
    void SetDoubleClickTime(uint32_t ms) override {
        calls.push_back("SetDoubleClickTime " + std::to_string(ms));
    }
    void SystemParametersInfoW(uint32_t action, uint32_t uiParam, void* pvParam,
                               uint32_t winIni) override {
        std::string pv;
        if (action == kSpiSetMouse) {
            const int32_t* values = static_cast<const int32_t*>(pvParam);
            pv = "[";
            pv += std::to_string(values[0]) + "," + std::to_string(values[1]) + "," +
                  std::to_string(values[2]) + "]";
        } else {
            pv = std::to_string(reinterpret_cast<uintptr_t>(pvParam));
        }
        calls.push_back("SPI " + std::to_string(action) + " " + std::to_string(uiParam) + " " + pv +
                        " " + std::to_string(winIni));
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

TEST(DesktopSpeed, StepsMapToDesktopSpeeds) {
    const int expected[] = {1, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20};
    for (int step = 1; step <= 11; ++step) {
        EXPECT_EQ(DesktopMouseSpeed(step), expected[step - 1]) << step;
    }
    for (int step : {0, 12, -3, 1000}) {
        EXPECT_EQ(DesktopMouseSpeed(step), 10) << step;
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
    EXPECT_EQ(platform.calls,
              (std::vector<std::string>{"SetDoubleClickTime 550", "SPI 32 550 0 3",
                                        "SPI 4 0 [1,6,10] 3", "SPI 113 0 10 3", "SPI 105 3 3 3"}));
}

TEST_F(PointerTest, UnchangedRecordMakesNoCall) {
    ApplyPointerSettings(platform, *current, *last);
    EXPECT_TRUE(platform.calls.empty());
}

TEST_F(PointerTest, OnePageScrollSendsPageScrollValue) {
    current->onePageScroll = 1;
    ApplyPointerSettings(platform, *current, *last);
    EXPECT_EQ(platform.calls, (std::vector<std::string>{"SPI 105 4294967295 4294967295 3"}));
}

TEST_F(PointerTest, OnlyPrecisionChangedResendsSpeed) {
    last->enhancePointerPrecision = 1;
    current->pointerSpeed = 11;
    last->pointerSpeed = 11;
    ApplyPointerSettings(platform, *current, *last);
    EXPECT_EQ(platform.calls, (std::vector<std::string>{"SPI 4 0 [0,0,0] 3", "SPI 113 0 20 3"}));
}

TEST_F(PointerTest, ApplyingTwiceWritesTheDesktopOnce) {
    std::vector<std::string> lines;
    RecordingDevice device(&lines);
    DeviceConfig config;
    current->doubleClickSpeed = 2;
    current->scrollLines = 7;
    ApplyConfiguration(device, RecordingPause(nullptr), platform, *current, *last, config);
    EXPECT_EQ(platform.calls, (std::vector<std::string>{"SetDoubleClickTime 760", "SPI 32 760 0 3",
                                                        "SPI 105 7 7 3"}));
    platform.calls.clear();
    ApplyConfiguration(device, RecordingPause(nullptr), platform, *current, *last, config);
    EXPECT_TRUE(platform.calls.empty());
}

}  // namespace
}  // namespace mouse
