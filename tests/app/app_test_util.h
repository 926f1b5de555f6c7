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
#include "buttons/msg_wnd.h"
#include "ci_env.h"
#include "device/messages.h"
#include "drivers/sim/sim_process.h"
#include "hook/recorder_fakes.h"
#include "sim_counters.h"
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

// The whole file at path; empty when it cannot be read.
inline QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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
    // Never the tester's own autostart folder or desktop notifications.
    options.autostartFile = program + "config/autostart/entry.desktop";
    options.notify = [](const QString&, const QString&) {};
    options.probeAccess = [](int, int) { return HidrawAccess{}; };
    // No service on the tester's own session bus; the service tests give a private one.
    options.busService = false;
    // Recording as in a session without any display, whatever the tester's.
    options.session = Session{};
    // Never the tester's own desktop's window in front.
    options.activeWindowSource = [](std::string& whyNot) {
        whyNot = "No window source in this test.";
        return std::unique_ptr<ActiveWindowSource>();
    };
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

// A launcher that notes the web addresses and programs it was asked to open,
// and starts them or not as the test says.
class RecordingLauncher final : public Launcher {
public:
    bool OpenUrl(const QString& url) override {
        urls << url;
        return true;
    }
    bool StartProgram(const QString& path) override {
        programs << path;
        return startResult;
    }
    QStringList urls, programs;
    bool startResult = true;
};

// The Data.ini of most window tests: the 3311 sensor with a lift-off row.
inline constexpr const char* kTestIni =
    "[Default]\r\nVID=04d9\r\nPID=a09f\r\nSensor=3311\r\nDistance=1\r\n"
    "Distance_Value=1,2,3,4,5,6,7,8\r\nVer_H=1\r\nVer_L=0\r\nUpdate=0\r\n";

// The fixture of the window tests: a program folder with the built default
// profile and a Data.ini (kTestIni unless a fixture sets ini in its
// constructor), the dialog seams cleared before and after (a dialog answer
// left over fails the test), no mouse unless the test starts one, and the
// main window with the tests' input hook and keyboard layout (or none), a
// launcher that records and a quit that is counted; with lookups of its
// controls and of what it saved.
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
        ASSERT_TRUE(PrepareProgramFolder(program, ini.constData()));
        setenv("MOUSE_SIM_SOCKET", (program + "no-such-socket").toUtf8().data(), 1);
    }
    void TearDown() override {
        wnd.reset();
        unsetenv("MOUSE_SIM_SOCKET");
        EXPECT_EQ(ModalSeam::Pending(), 0) << "a dialog the test expected did not open";
        ModalSeam::Clear();
        CFileDialog::ClearAnswers();
        CPaintManagerUI::SetManualTimers(false);
        CMenuWnd::SetScreenRectForTesting(QRect());
        CTrayIcon::SetAvailabilityOverride(true);
    }
    // A virtual mouse for the window to find, instead of none.
    void StartMouse(const std::vector<std::string>& args = {}) {
        ASSERT_TRUE(sim.Start(MOUSE_APP_DIR "/mouse-sim", args)) << sim.Error();
        setenv("MOUSE_SIM_SOCKET", sim.SocketPath().c_str(), 1);
    }
    // Exchanges the virtual mouse accepted, and closing commands it got.
    uint32_t Accepted() const { return AcceptedExchanges(sim.SocketPath()); }
    uint32_t Closings() const { return ClosingCommands(sim.SocketPath()); }
    // Replaces Data.ini, for the next window.
    void WriteIni(const QByteArray& text) {
        QFile f(program + "Data.ini");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
    // Profiles to start with, written to profile.bin before the window starts.
    void WriteProfiles(const std::vector<const ProfileRecord*>& profiles) {
        QFile f(program + "Data/profile.bin");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        for (const ProfileRecord* p : profiles) {
            f.write(reinterpret_cast<const char*>(p), sizeof *p);
        }
    }
    // Records written to Data/<file> before the window starts.
    template <class Record>
    void WriteStore(const char* file, const std::vector<Record>& records) {
        QFile f(program + "Data/" + file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(reinterpret_cast<const char*>(records.data()),
                qint64(records.size() * sizeof(Record)));
    }
    // Data/<file> once every queued save is written.
    QByteArray SavedStore(const char* file) {
        wnd->Writer().Drain();
        QFile f(program + "Data/" + file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The options of the windows the test makes: with the input hook and
    // keyboard layout of the tests when useFakeHook is set (never the
    // tester's own), else with the hook library of the program folder,
    // which has none.
    MainWndOptions Options(const QString& library = MOUSE_APP_DIR "/MSDriver.so") {
        MainWndOptions options = TestWindowOptions(program);
        options.driverLibrary = library;
        options.launcher = &launcher;
        options.quit = [this] { ++quits; };
        options.probeAccess = [this](int, int) { return access; };
        if (useFakeHook) {
            options.hook = &hook;
            options.keyboard = &usLayout;
        }
        if (windowSource) {
            options.activeWindowSource = windowSource;
        }
        return options;
    }
    // The main window, created and not shown.
    void Create(const MainWndOptions& options) {
        wnd = std::make_unique<CountingWnd>(options);
        ASSERT_TRUE(wnd->Create(nullptr)) << CPaintManagerUI::GetErrors().join("\n").toStdString();
    }
    void Create(const QString& library = MOUSE_APP_DIR "/MSDriver.so") { Create(Options(library)); }
    // The main window, created and shown.
    void Open() {
        Create();
        if (HasFatalFailure()) {
            return;
        }
        wnd->ShowMainWindow();
        QApplication::setActiveWindow(wnd->GetHostWidget());
        EXPECT_TRUE(CPaintManagerUI::GetErrors().isEmpty())
            << CPaintManagerUI::GetErrors().join("\n").toStdString();
    }
    // The main window, shown, on the tab named tab.
    void OpenOn(const char* tab) {
        Open();
        if (HasFatalFailure()) {
            return;
        }
        Find<COptionUI>(tab)->Activate();
        EXPECT_TRUE(CPaintManagerUI::GetErrors().isEmpty())
            << CPaintManagerUI::GetErrors().join("\n").toStdString();
    }
    template <class T = CControlUI>
    T* Find(const QString& name) {
        T* control = wnd->FindControl<T>(name);
        EXPECT_NE(control, nullptr) << name.toStdString();
        return control;
    }
    // Clicks the button named name; false when there is none.
    bool Click(const char* name) {
        auto* button = wnd->FindControl<CButtonUI>(name);
        if (button == nullptr) {
            return false;
        }
        button->Activate();
        return true;
    }
    // Answers the next message box with result and notes its message key.
    void AnswerNextMessage(int result = 1) {
        ModalSeam::Answer(result, [this](WindowImplBase& w) {
            if (auto* box = dynamic_cast<CMsgWnd*>(&w)) {
                messages << box->GetMsg();
            }
        });
    }
    // The text of a language key.
    static QString Text(const QString& key) {
        return CResourceManager::GetInstance()->GetText(key);
    }
    static QString Text(const char* key) { return Text(QString::fromLatin1(key)); }
    static QStringList Items(CItemsUI* items) {
        QStringList out;
        for (int i = 0; i < items->GetCount(); ++i) {
            out << items->GetItemText(i);
        }
        return out;
    }

    QByteArray ini = kTestIni;
    bool useFakeHook = true;
    QTemporaryDir folder;
    QString program;
    SimProcess sim;
    FakeHook hook;
    UsKeyboardLayout usLayout;
    RecordingLauncher launcher;
    int quits = 0;
    // The mouse's hidraw nodes as the window probes them; none by default.
    HidrawAccess access;
    // The source of the window in front; default: none.
    std::function<std::unique_ptr<ActiveWindowSource>(std::string&)> windowSource;
    QStringList messages;  // of the boxes AnswerNextMessage answered
    std::unique_ptr<CountingWnd> wnd;
};

}  // namespace mouse::test
