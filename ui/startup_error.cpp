#include "ui/startup_error.h"

#include <QMessageBox>
#include <cstdio>

namespace mouse {

namespace {

std::function<void(const QString&, const QString&)>& Hook() {
    static std::function<void(const QString&, const QString&)> hook;
    return hook;
}

}  // namespace

void SetStartupErrorHookForTesting(std::function<void(const QString&, const QString&)> hook) {
    Hook() = std::move(hook);
}

void ReportStartupError(const QString& title, const QString& text) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    std::fflush(stderr);
    if (Hook()) {
        Hook()(title, text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok);
    box.exec();
}

}  // namespace mouse
