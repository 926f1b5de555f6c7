// Helpers of the program's in-process tests.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <functional>

#include "app/main_wnd.h"
#include "device/messages.h"

namespace mouse::test {

// True on a CI machine (CI set and not "false"): there a test whose tools
// (Xvfb, gsettings) are missing fails instead of skipping.
inline bool InCi() {
    const QByteArray ci = qgetenv("CI");
    return !ci.isEmpty() && ci != "0" && ci != "false";
}

// Runs the event loop until done() holds or ms milliseconds have passed.
inline bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// A main window in a test's program folder, against the real device-access
// library, without protocol pauses, ending nothing on quit, and never
// writing the tester's own desktop pointer settings.
inline MainWndOptions TestWindowOptions(const QString& program) {
    static NoPointerSettings noDesktop;
    MainWndOptions options;
    options.programFolder = program;
    options.driverLibrary = MOUSE_APP_DIR "/MSDriver.so";
    options.pointer = &noDesktop;
    options.workerPause = [](int) {};
    options.quit = [] {};
    return options;
}

// A program folder for a window under test: Data/ with the built default
// profile, and Data.ini with the given text.
inline bool PrepareProgramFolder(const QString& program, const char* ini) {
    QDir().mkpath(program + "Data");
    QFile::copy(MOUSE_APP_DIR "/Data/Default.pbin", program + "Data/Default.pbin");
    QFile file(program + "Data.ini");
    return file.open(QIODevice::WriteOnly) && file.write(ini) == qint64(qstrlen(ini));
}

// The main window, counting the binding-changed notices (0x467) it receives.
class CountingWnd final : public CMainWnd {
public:
    using CMainWnd::CMainWnd;
    int bindingChanged = 0;

protected:
    LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override {
        if (msg == kMsgBindingChanged) {
            ++bindingChanged;
        }
        return CMainWnd::HandleCustomMessage(msg, wParam, lParam, handled);
    }
};

}  // namespace mouse::test
