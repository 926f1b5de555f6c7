// The real program, end to end: a fresh program folder, a virtual mouse, and
// a real X server (Xvfb) so that what is shown is what a user would see.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstring>
#include <functional>
#include <map>

#include "device/encode.h"
#include "drivers/sim/sim_client.h"
#include "drivers/sim/sim_process.h"
#include "sim_counters.h"
#include "store/data_ini.h"

namespace mouse {
namespace {

bool WaitFor(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    return true;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool CopyTree(const QString& from, const QString& to) {
    QDir source(from);
    if (!QDir().mkpath(to)) {
        return false;
    }
    for (const QFileInfo& info :
         source.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString target = to + "/" + info.fileName();
        if (info.isDir() ? !CopyTree(info.filePath(), target)
                         : !QFile::copy(info.filePath(), target)) {
            return false;
        }
    }
    return true;
}

// One X server for the whole binary. The display number is chosen from the
// process id and checked: the server must still run once its socket exists,
// since a second server on a taken number exits at once.
class XServer {
public:
    static XServer& Get() {
        static XServer server;
        return server;
    }
    bool Ok() const { return !display_.isEmpty(); }
    QString Display() const { return display_; }
    ~XServer() {
        process_.terminate();
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(2000);
        }
    }

private:
    XServer() {
        for (int attempt = 0; attempt < 20 && display_.isEmpty(); ++attempt) {
            const int number = 100 + int((QCoreApplication::applicationPid() * 7 + attempt) % 800);
            const QString socket = QString("/tmp/.X11-unix/X%1").arg(number);
            if (QFile::exists(socket) || QFile::exists(QString("/tmp/.X%1-lock").arg(number))) {
                continue;
            }
            // -noreset: without it the server resets whenever its last client leaves
            // (each xdotool call), and a program connecting just then is refused.
            process_.start("Xvfb", {QString(":%1").arg(number), "-noreset", "-screen", "0",
                                    "1024x768x24", "-nolisten", "tcp"});
            if (!process_.waitForStarted(5000)) {
                return;  // no Xvfb on this machine
            }
            bool up = WaitFor(
                [&] { return QFile::exists(socket) || process_.state() == QProcess::NotRunning; },
                10000);
            QThread::msleep(100);
            if (up && process_.state() == QProcess::Running && QFile::exists(socket)) {
                display_ = QString(":%1").arg(number);
            } else {
                process_.kill();
                process_.waitForFinished(2000);
            }
        }
    }
    QProcess process_;
    QString display_;
};

struct ProgramTest : ::testing::Test {
    void SetUp() override {
        if (!XServer::Get().Ok()) {
            GTEST_SKIP() << "Xvfb is not available";
        }
        ASSERT_TRUE(folder.isValid());
        program = folder.path() + "/app";
        runtime = folder.path() + "/runtime";
        ASSERT_TRUE(QDir().mkpath(runtime));
        QFile::setPermissions(
            runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        // A fresh program folder: the build's, without any store files.
        for (const char* file : {"mouse-driver", "MSDriver.so", "Data.ini", "logo.png"}) {
            ASSERT_TRUE(QDir().mkpath(program));
            ASSERT_TRUE(QFile::copy(QString(MOUSE_APP_DIR "/") + file, program + "/" + file))
                << file;
        }
        QFile::setPermissions(program + "/mouse-driver",
                              QFile::permissions(MOUSE_APP_DIR "/mouse-driver"));
        ASSERT_TRUE(CopyTree(MOUSE_APP_DIR "/res", program + "/res"));
        ASSERT_TRUE(QDir().mkpath(program + "/Data"));
        ASSERT_TRUE(QDir().mkpath(program + "/Update"));
        ASSERT_TRUE(
            QFile::copy(MOUSE_APP_DIR "/Data/Default.pbin", program + "/Data/Default.pbin"));
        ASSERT_TRUE(sim.Start(MOUSE_APP_DIR "/mouse-sim")) << sim.Error();
    }
    void TearDown() override {
        for (QProcess* p : {&first, &second}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(3000);
            }
        }
    }
    QProcessEnvironment Environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", XServer::Get().Display());
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("XDG_RUNTIME_DIR", runtime);
        env.insert("MOUSE_SIM_SOCKET", QString::fromStdString(sim.SocketPath()));
        // An apply writes the desktop's pointer settings: keep them in the
        // program's memory, away from the desktop of whoever runs the tests.
        env.insert("GSETTINGS_BACKEND", "memory");
        return env;
    }
    void Start(QProcess& p, const QStringList& args = {}) {
        p.setProcessEnvironment(Environment());
        p.setProcessChannelMode(QProcess::SeparateChannels);
        p.start(program + "/mouse-driver", args);
        ASSERT_TRUE(p.waitForStarted(5000));
    }
    QString Tool(const QStringList& args) const {
        QProcess p;
        p.setProcessEnvironment(Environment());
        p.start("xdotool", args);
        p.waitForFinished(5000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    // The id of the visible main window, or empty.
    QString VisibleWindow() const {
        return Tool({"search", "--onlyvisible", "--name", "Gaming Mouse"}).section('\n', 0, 0);
    }
    // Clicks at a point of the main window (window coordinates).
    void ClickAt(int x, int y) {
        QString id = VisibleWindow();
        ASSERT_FALSE(id.isEmpty());
        QString geometry = Tool({"getwindowgeometry", "--shell", id});
        int wx = geometry.section("X=", 1).section('\n', 0, 0).toInt();
        int wy = geometry.section("Y=", 1).section('\n', 0, 0).toInt();
        Tool({"mousemove", QString::number(wx + x), QString::number(wy + y), "click", "1"});
    }
    // What the program wrote to stderr so far, for failure messages.
    std::string Log(QProcess& p) {
        Stderr(p, {});
        return errors[&p].toStdString();
    }
    bool Stderr(QProcess& p, const QByteArray& text) {
        errors[&p] += p.readAllStandardError();
        return errors[&p].contains(text);
    }

    QTemporaryDir folder;
    QString program, runtime;
    SimProcess sim;
    uint32_t Accepted() const { return test::AcceptedExchanges(sim.SocketPath()); }
    uint32_t Closings() const { return test::ClosingCommands(sim.SocketPath()); }
    QProcess first, second;
    std::map<QProcess*, QByteArray> errors;
};

TEST_F(ProgramTest, FirstStartApplySecondCopyAndUnplug) {
    Start(first);
    ASSERT_TRUE(WaitFor([&] { return !VisibleWindow().isEmpty(); }))
        << "the window shows when the mouse is connected\n"
        << Log(first);
    EXPECT_TRUE(Stderr(first, "ilen = 0\r\n"));

    EXPECT_EQ(ReadAll(program + "/Data/Data.bin"), QByteArray(8, '\0'));
    QByteArray stored = ReadAll(program + "/Data/profile.bin");
    ASSERT_EQ(stored.size(), qsizetype(sizeof(ProfileRecord)));
    ProfileRecord profile{};
    std::memcpy(&profile, stored.data(), sizeof profile);
    EXPECT_EQ(ReadText(profile.name), u"Profile1");

    // btn_apply, bottom right of the window.
    QFile::remove(program + "/Data/Data.bin");
    QFile::remove(program + "/Data/profile.bin");
    ClickAt(714, 540);
    ASSERT_TRUE(WaitFor([&] { return Closings() == 1; }));
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(program + "/Data/profile.bin"); }));
    EXPECT_EQ(ReadAll(program + "/Data/Data.bin"), QByteArray(8, '\0'));
    EXPECT_EQ(ReadAll(program + "/Data/profile.bin"), stored);
    DeviceConfig config = LoadDeviceConfig((program + "/Data.ini").toStdString());
    std::optional<SimState> state = SimGetState(sim.SocketPath());
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(state->buttonTable, EncodeButtonTable(profile, config.buttonOverrides).codes);
    auto dpi = EncodeDpiTable(profile, config.sensor);
    EXPECT_TRUE(std::equal(dpi.begin(), dpi.end(), state->dpiTable.begin()));

    // exit_btn hides; a second copy brings the first back and ends with 1.
    ClickAt(770, 24);
    ASSERT_TRUE(WaitFor([&] { return VisibleWindow().isEmpty(); }));
    Start(second);
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 1);
    ASSERT_TRUE(WaitFor([&] { return !VisibleWindow().isEmpty(); }));
    EXPECT_EQ(first.state(), QProcess::Running);

    // Unplugging hides the window; plugging in re-synchronises the settings.
    ASSERT_TRUE(SimUnplug(sim.SocketPath()));
    ASSERT_TRUE(WaitFor([&] { return VisibleWindow().isEmpty(); }));
    uint32_t before = Accepted();
    ASSERT_TRUE(SimPlug(sim.SocketPath()));
    ASSERT_TRUE(WaitFor([&] { return Accepted() >= before + 3; }));
    EXPECT_EQ(first.state(), QProcess::Running);
}

TEST_F(ProgramTest, AStartWithAnArgumentStaysInTheTray) {
    Start(first, {"--autostart"});
    ASSERT_TRUE(WaitFor([&] { return Stderr(first, "ilen = 11\r\n"); }));
    // The device start-up has run once the settings were synchronised.
    ASSERT_TRUE(WaitFor([&] { return Accepted() >= 3; }));
    QThread::msleep(300);
    EXPECT_TRUE(VisibleWindow().isEmpty());
    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_EQ(ReadAll(program + "/Data/profile.bin").size(), qsizetype(sizeof(ProfileRecord)));
}

TEST_F(ProgramTest, ASecondCopyWithoutTheMouseGetsTheNoDeviceMessage) {
    ASSERT_TRUE(SimUnplug(sim.SocketPath()));
    Start(first);
    ASSERT_TRUE(WaitFor([&] { return Stderr(first, "ilen = 0\r\n"); }));
    Start(second);
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 1);
    // The first copy shows the no-device message instead of its window.
    QString box;
    ASSERT_TRUE(WaitFor([&] {
        box = Tool({"search", "--onlyvisible", "--class", "mouse-driver"}).section('\n', 0, 0);
        return !box.isEmpty();
    })) << Log(first);
    EXPECT_TRUE(VisibleWindow().isEmpty());
    // Closing the box (its second copy long gone) leaves the program running.
    Tool({"windowfocus", "--sync", box, "key", "Escape"});
    ASSERT_TRUE(WaitFor([&] {
        return Tool({"search", "--onlyvisible", "--class", "mouse-driver"}).isEmpty();
    })) << Log(first);
    QThread::msleep(200);
    EXPECT_EQ(first.state(), QProcess::Running) << Log(first);
}

TEST_F(ProgramTest, ACopyKilledWithoutCleaningUpIsTakenOver) {
    Start(first);
    ASSERT_TRUE(WaitFor([&] { return !VisibleWindow().isEmpty(); })) << Log(first);
    first.kill();  // SIGKILL: the lock and the socket file stay behind
    ASSERT_TRUE(first.waitForFinished(5000));
    ASSERT_TRUE(WaitFor([&] { return VisibleWindow().isEmpty(); }));
    Start(second);
    ASSERT_TRUE(WaitFor([&] { return !VisibleWindow().isEmpty(); }))
        << "the new copy starts as the only one\n"
        << Log(second);
    EXPECT_EQ(second.state(), QProcess::Running);
}

TEST_F(ProgramTest, ADamagedSkinIsExplainedInABoxAndTheProgramEnds) {
    QFile skin(program + "/res/main.xml");
    ASSERT_TRUE(skin.open(QIODevice::WriteOnly | QIODevice::Truncate));
    skin.write("<ui version=\"4.0\"><widget class=\"QWidget\" name=\"main_window\">");
    skin.close();
    Start(first);
    // A user started from the desktop sees the reason, not only stderr.
    QString box;
    ASSERT_TRUE(WaitFor([&] {
        box = Tool({"search", "--onlyvisible", "--name", "mouse-driver"}).section('\n', 0, 0);
        return !box.isEmpty();
    })) << Log(first);
    EXPECT_EQ(first.state(), QProcess::Running) << "the box waits for the user";
    Tool({"windowfocus", "--sync", box, "key", "Return"});
    ASSERT_TRUE(first.waitForFinished(10000)) << Log(first);
    EXPECT_EQ(first.exitCode(), 1);
    EXPECT_TRUE(Stderr(first, "main.xml")) << Log(first);
}

}  // namespace
}  // namespace mouse
