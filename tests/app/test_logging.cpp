// In the program, the lines of the Qt-free parts go through Qt's logging
// categories: one set of rules (QT_LOGGING_RULES) governs them and the
// program's own categories alike.
#include <gtest/gtest.h>

#include <QLoggingCategory>
#include <string>

#include "app/logging.h"
#include "device/diagnostics.h"

namespace mouse {
namespace {

enum class From { kCore, kApp };

struct Case {
    const char* rules;
    From from;
    log::Level level;
    bool shown;
};

const Case kCases[] = {
    {"", From::kCore, log::Level::kDebug, false},
    {"", From::kApp, log::Level::kDebug, false},
    {"", From::kCore, log::Level::kWarning, true},
    {"", From::kApp, log::Level::kWarning, true},
    {"mouse.*.debug=true", From::kCore, log::Level::kDebug, true},
    {"mouse.*.debug=true", From::kApp, log::Level::kDebug, true},
    {"mouse.app.debug=true", From::kCore, log::Level::kDebug, false},
    {"mouse.device.warning=false", From::kCore, log::Level::kWarning, false},
};

TEST(QtLogRoute, OneSetOfRulesGovernsCoreAndProgramLines) {
    RouteCoreLogToQt();
    for (const Case& c : kCases) {
        QLoggingCategory::setFilterRules(QString::fromUtf8(c.rules));
        ::testing::internal::CaptureStderr();
        if (c.from == From::kCore) {
            if (c.level == log::Level::kDebug) {
                log::Debug(log::kDevice, "value %d", 7);
            } else {
                log::Warning(log::kDevice, "value %d", 7);
            }
        } else if (c.level == log::Level::kDebug) {
            qCDebug(lcApp, "value %d", 7);
        } else {
            qCWarning(lcApp, "value %d", 7);
        }
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(said.find("value 7") != std::string::npos, c.shown)
            << c.rules << " / " << (c.from == From::kCore ? "core" : "app") << ": " << said;
    }
    QLoggingCategory::setFilterRules(QString());
    log::SetLogSink(nullptr);
}

}  // namespace
}  // namespace mouse
