// Diagnostic lines: debug is silent until a rule enables it; warnings and
// errors are written unless a rule turns them off.
#include <gtest/gtest.h>

#include <string>

#include "device/diagnostics.h"

namespace mouse::log {
namespace {

struct Case {
    const char* rules;
    const Category& category;
    Level level;
    bool shown;
};

const Case kCases[] = {
    {"", kDevice, Level::kDebug, false},
    {"", kDevice, Level::kInfo, true},
    {"", kDevice, Level::kWarning, true},
    {"", kDesktop, Level::kError, true},
    {"mouse.*.debug=true", kDevice, Level::kDebug, true},
    {"mouse.*.debug=true", kRecorder, Level::kDebug, true},
    {"mouse.device.debug=true", kRecorder, Level::kDebug, false},
    {"*.debug=true;mouse.recorder.debug=false", kRecorder, Level::kDebug, false},
    {"*.debug=true\nmouse.recorder.debug=false", kDevice, Level::kDebug, true},
    {"mouse.desktop=false", kDesktop, Level::kWarning, false},
    {"mouse.desktop.critical=false", kDesktop, Level::kError, false},
    {"mouse.*.debug=true", kDevice, Level::kWarning, true},
    {"mouse.*.debug = yes", kDevice, Level::kDebug, false},
};

TEST(Log, RulesChooseWhichLinesAreWritten) {
    for (const Case& c : kCases) {
        SetLogRules(c.rules);
        ::testing::internal::CaptureStderr();
        switch (c.level) {
            case Level::kDebug:
                Debug(c.category, "value %d", 7);
                break;
            case Level::kInfo:
                Info(c.category, "value %d", 7);
                break;
            case Level::kWarning:
                Warning(c.category, "value %d", 7);
                break;
            case Level::kError:
                Error(c.category, "value %d", 7);
                break;
        }
        const std::string said = ::testing::internal::GetCapturedStderr();
        const std::string line = std::string(c.category.name) + ": value 7\n";
        EXPECT_EQ(said, c.shown ? line : "") << c.rules << " / " << c.category.name;
    }
    SetLogRules("");
}

}  // namespace
}  // namespace mouse::log
