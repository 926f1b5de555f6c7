// Helpers of the program's in-process tests.
#pragma once

#include <gtest/gtest.h>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "app/main_wnd.h"
#include "ci_env.h"
#include "device/messages.h"
#include "drivers/sim/sim_process.h"
#include "hook/recorder_fakes.h"
#include "ui/ui.h"

namespace mouse::test {

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

// The Data.ini of most window tests: the 3311 sensor with a lift-off row.
inline constexpr const char* kTestIni =
    "[Default]\r\nVID=04d9\r\nPID=a09f\r\nSensor=3311\r\nDistance=1\r\n"
    "Distance_Value=1,2,3,4,5,6,7,8\r\nVer_H=1\r\nVer_L=0\r\nUpdate=0\r\n";

// The fixture of the page tests: a program folder with the built default
// profile and kTestIni, the dialog seams cleared before and after (a dialog
// answer left over fails the test), no mouse, and the main window shown on
// one tab, with lookups of its controls and of what it saved.
class MainWndTest : public ::testing::Test {
protected:
    void SetUp() override {
        ModalSeam::Clear();
        CFileDialog::ClearAnswers();
        CPaintManagerUI::SetManualTimers(false);
        CPaintManagerUI::SetResourcePath(MOUSE_APP_DIR "/res/");
        CPaintManagerUI::ClearErrors();
        ASSERT_TRUE(folder.isValid());
        program = folder.path() + "/";
        ASSERT_TRUE(PrepareProgramFolder(program, kTestIni));
        setenv("MOUSE_SIM_SOCKET", (program + "no-such-socket").toUtf8().data(), 1);
    }
    void TearDown() override {
        wnd.reset();
        unsetenv("MOUSE_SIM_SOCKET");
        EXPECT_EQ(ModalSeam::Pending(), 0) << "a dialog the test expected did not open";
        ModalSeam::Clear();
        CFileDialog::ClearAnswers();
        CPaintManagerUI::SetManualTimers(false);
    }
    // A virtual mouse for the window to find, instead of none.
    void StartMouse() {
        ASSERT_TRUE(sim.Start(MOUSE_APP_DIR "/mouse-sim", {})) << sim.Error();
        setenv("MOUSE_SIM_SOCKET", sim.SocketPath().c_str(), 1);
    }
    // Profiles to start with, written to profile.bin before the window starts.
    void WriteProfiles(const std::vector<ProfileRecord*>& profiles) {
        QFile f(program + "Data/profile.bin");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        for (const ProfileRecord* p : profiles) {
            f.write(reinterpret_cast<const char*>(p), sizeof *p);
        }
    }
    // Records written to Data/<file> before the window starts.
    template <class Record>
    void WriteStore(const char* file, const std::vector<Record>& records) {
        QFile f(program + "Data/" + file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(records.data()),
                qint64(records.size() * sizeof(Record)));
    }
    // Data/<file> once every queued save is written.
    QByteArray SavedStore(const char* file) {
        wnd->Writer().Drain();
        QFile f(program + "Data/" + file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The main window (with the input hook and keyboard layout of the
    // tests, never the tester's own), shown, on the tab named tab.
    void OpenOn(const char* tab) {
        MainWndOptions options = TestWindowOptions(program);
        options.hook = &hook;
        options.keyboard = &usLayout;
        wnd = std::make_unique<CountingWnd>(options);
        ASSERT_TRUE(wnd->Create(nullptr)) << CPaintManagerUI::GetErrors().join("\n").toStdString();
        wnd->ShowMainWindow();
        QApplication::setActiveWindow(wnd->GetHostWidget());
        wnd->FindControl<COptionUI>(tab)->Activate();
        EXPECT_TRUE(CPaintManagerUI::GetErrors().isEmpty())
            << CPaintManagerUI::GetErrors().join("\n").toStdString();
    }
    template <class T = CControlUI>
    T* Find(const QString& name) {
        T* control = wnd->FindControl<T>(name);
        EXPECT_NE(control, nullptr) << name.toStdString();
        return control;
    }
    static QStringList Items(CItemsUI* items) {
        QStringList out;
        for (int i = 0; i < items->GetCount(); ++i) {
            out << items->GetItemText(i);
        }
        return out;
    }

    QTemporaryDir folder;
    QString program;
    SimProcess sim;
    FakeHook hook;
    UsKeyboardLayout usLayout;
    std::unique_ptr<CountingWnd> wnd;
};

}  // namespace mouse::test
