#include "app/logging.h"

#include <QMessageLogger>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>

#include "device/diagnostics.h"

namespace mouse {

Q_LOGGING_CATEGORY(lcApp, "mouse.app", QtInfoMsg)
Q_LOGGING_CATEGORY(lcProfiles, "mouse.profiles", QtInfoMsg)
Q_LOGGING_CATEGORY(lcLibrary, "mouse.library", QtInfoMsg)
Q_LOGGING_CATEGORY(lcKeys, "mouse.keys", QtInfoMsg)
Q_LOGGING_CATEGORY(lcFocus, "mouse.focus", QtInfoMsg)

namespace {

// One Qt category per core category, made on first use and kept for the
// life of the process (Qt keeps a pointer to each in its registry).
const QLoggingCategory& QtCategory(const log::Category& category) {
    static std::mutex mutex;
    static std::map<std::string_view, std::unique_ptr<QLoggingCategory>> categories;
    std::lock_guard lock(mutex);
    auto& slot = categories[category.name];
    if (!slot) {
        slot = std::make_unique<QLoggingCategory>(category.name, QtInfoMsg);
    }
    return *slot;
}

QtMsgType QtType(log::Level level) {
    switch (level) {
        case log::Level::kDebug:
            return QtDebugMsg;
        case log::Level::kInfo:
            return QtInfoMsg;
        case log::Level::kWarning:
            return QtWarningMsg;
        case log::Level::kError:
            break;
    }
    return QtCriticalMsg;
}

bool QtEnabled(const log::Category& category, log::Level level) {
    return QtCategory(category).isEnabled(QtType(level));
}

void QtWrite(const log::Category& category, log::Level level, std::string_view text) {
    QMessageLogger logger(nullptr, 0, nullptr, category.name);
    const QString line = QString::fromUtf8(text.data(), qsizetype(text.size()));
    switch (level) {
        case log::Level::kDebug:
            logger.debug().noquote() << line;
            break;
        case log::Level::kInfo:
            logger.info().noquote() << line;
            break;
        case log::Level::kWarning:
            logger.warning().noquote() << line;
            break;
        case log::Level::kError:
            logger.critical().noquote() << line;
            break;
    }
}

constexpr log::Sink kQtSink{QtEnabled, QtWrite};

}  // namespace

void RouteCoreLogToQt() {
    log::SetLogSink(&kQtSink);
}

}  // namespace mouse
