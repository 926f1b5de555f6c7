// The real program, end to end: a fresh program folder, a virtual mouse, and
// a real X server (Xvfb) so that what is shown is what a user would see.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPoint>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstring>
#include <functional>
#include <map>

#include "ci_env.h"
#include "device/encode.h"
#include "drivers/sim/sim_client.h"
#include "focus/active_window.h"
#include "program_fixture.h"
#include "service_fixture.h"
#include "store/data_ini.h"
#include "store/profile_file.h"

namespace mouse {
namespace {

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
            // Up once a client is served: a server that found its number
            // taken has exited by then.
            const QString display = QString(":%1").arg(number);
            const auto serves = [&] {
                QProcess probe;
                QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
                env.insert("DISPLAY", display);
                probe.setProcessEnvironment(env);
                probe.start("xdotool", {"getdisplaygeometry"});
                return probe.waitForFinished(2000) && probe.exitStatus() == QProcess::NormalExit &&
                       probe.exitCode() == 0;
            };
            bool up = test::ProgramFixture::WaitFor(
                [&] {
                    return process_.state() == QProcess::NotRunning ||
                           (QFile::exists(socket) && serves());
                },
                10000);
            if (up && process_.state() == QProcess::Running && QFile::exists(socket)) {
                display_ = display;
            } else {
                process_.kill();
                process_.waitForFinished(2000);
            }
        }
    }
    QProcess process_;
    QString display_;
};

struct ProgramTest : test::ProgramFixture {
    void SetUp() override {
        if (!XServer::Get().Ok()) {
            MOUSE_SKIP_UNLESS_CI("Xvfb is not available");
        }
        ProgramFixture::SetUp();
    }
    QProcessEnvironment Environment() const override {
        QProcessEnvironment env = ProgramFixture::Environment();
        env.insert("DISPLAY", XServer::Get().Display());
        env.insert("QT_QPA_PLATFORM", "xcb");
        return env;
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
        // xdotool may miss the window once while the machine is busy.
        QString id;
        ASSERT_TRUE(WaitFor([&] { return !(id = VisibleWindow()).isEmpty(); }));
        QString geometry = Tool({"getwindowgeometry", "--shell", id});
        int wx = geometry.section("X=", 1).section('\n', 0, 0).toInt();
        int wy = geometry.section("Y=", 1).section('\n', 0, 0).toInt();
        Tool({"mousemove", QString::number(wx + x), QString::number(wy + y), "click", "1"});
    }
};

TEST_F(ProgramTest, FirstStartApplySecondCopyAndUnplug) {
    Start(first);
    ASSERT_TRUE(WaitFor([&] { return !VisibleWindow().isEmpty(); }))
        << "the window shows when the mouse is connected\n"
        << Log(first);
    EXPECT_TRUE(Stderr(first, "command line: \"\""));

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

    // Unplugging keeps the window for editing; plugging in re-synchronises
    // the settings.
    ASSERT_TRUE(SimUnplug(sim.SocketPath()));
    ASSERT_TRUE(WaitFor([&] { return Stderr(first, "mouse state: not connected"); })) << Log(first);
    EXPECT_FALSE(VisibleWindow().isEmpty());
    uint32_t before = Accepted();
    ASSERT_TRUE(SimPlug(sim.SocketPath()));
    ASSERT_TRUE(WaitFor([&] { return Accepted() >= before + 3; }));
    EXPECT_EQ(first.state(), QProcess::Running);
}

TEST_F(ProgramTest, AStartWithAnArgumentStaysInTheTray) {
    Start(first, {"--autostart"});
    ASSERT_TRUE(WaitFor([&] { return Stderr(first, "command line: \"--autostart\""); }));
    // The device start-up has run once the settings were synchronised.
    ASSERT_TRUE(WaitFor([&] { return Accepted() >= 3; }));
    // Told from the event loop once the synchronisation is done: well after
    // the window would have been shown.
    ASSERT_TRUE(WaitFor([&] { return Stderr(first, "mouse state: ready"); })) << Log(first);
    EXPECT_TRUE(VisibleWindow().isEmpty());
    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_EQ(ReadAll(program + "/Data/profile.bin").size(), qsizetype(sizeof(ProfileRecord)));
}

TEST_F(ProgramTest, ASecondCopyWithoutTheMouseGetsTheNoDeviceMessage) {
    ASSERT_TRUE(SimUnplug(sim.SocketPath()));
    Start(first);
    // A first start without the mouse shows the "no mouse" view; closed, it
    // leaves the program in the tray.
    ASSERT_TRUE(WaitFor([&] { return !VisibleWindow().isEmpty(); })) << Log(first);
    ClickAt(770, 24);  // exit_btn
    ASSERT_TRUE(WaitFor([&] { return VisibleWindow().isEmpty(); }));
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
    // Still running and answering: another copy's request brings the box back.
    Start(second);
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 1);
    ASSERT_TRUE(WaitFor([&] {
        return !Tool({"search", "--onlyvisible", "--class", "mouse-driver"}).isEmpty();
    })) << Log(first);
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

// ---- profiles and desktops without a tray -------------------------------------

// Window coordinates of the controls the tests click (main.xml, msg.xml and
// the menu skins).
constexpr QPoint kAddProfile(488, 524);
constexpr QPoint kDeleteProfile(526, 524);
constexpr QPoint kProfileMenu(564, 524);
constexpr QPoint kProfileName(372, 524);
// The profile menu opens under its button (548, 556): items 25 high from 4.
constexpr QPoint kImportItem(548 + 90, 557 + 16);
constexpr QPoint kExportItem(548 + 90, 557 + 41);
constexpr QPoint kRulesItem(548 + 90, 557 + 91);
// The message box (380 x 210) is centred on the window; OK at 72,156.
constexpr QPoint kMessageOk((800 - 380) / 2 + 128, (572 - 210) / 2 + 173);
constexpr QPoint kClose(770, 24);
constexpr QPoint kSettings(706, 24);
// The settings menu's right edge is under the button's (720, 38); Quit is
// its second item, under Start at login.
constexpr QPoint kQuitItem(720 - 90, 38 + 4 + 25 + 12);

struct ProgramProfilesTest : ProgramTest {
    QByteArray Profiles() const { return ReadAll(program + "/Data/profile.bin"); }
    bool WaitForProfiles(int count) {
        return WaitFor(
            [&] { return Profiles().size() == qsizetype(count * sizeof(ProfileRecord)); });
    }
    QByteArray Record(int index) const {
        return Profiles().mid(qsizetype(index * sizeof(ProfileRecord)), sizeof(ProfileRecord));
    }
    // The visible windows of the program besides the main window.
    QString OtherWindow() const {
        const QString main = VisibleWindow();
        for (const QString& id :
             Tool({"search", "--onlyvisible", "--class", "mouse-driver"}).split('\n')) {
            if (!id.isEmpty() && id != main) {
                return id;
            }
        }
        return {};
    }
    // The other visible window at least `minWidth` wide: the file dialog
    // rather than the menu that opened it, which may still be closing.
    QString OtherWindow(int minWidth) const {
        const QString main = VisibleWindow();
        for (const QString& id :
             Tool({"search", "--onlyvisible", "--class", "mouse-driver"}).split('\n')) {
            if (!id.isEmpty() && id != main &&
                Tool({"getwindowgeometry", "--shell", id})
                        .section("WIDTH=", 1)
                        .section('\n', 0, 0)
                        .toInt() >= minWidth) {
                return id;
            }
        }
        return {};
    }
    // Answers the file dialog that is opening with a path.
    void AnswerFileDialog(const QString& path) {
        QString dialog;
        ASSERT_TRUE(WaitFor([&] { return !(dialog = OtherWindow(300)).isEmpty(); })) << Log(first);
        Tool({"windowfocus", "--sync", dialog});
        Tool({"key", "--window", dialog, "ctrl+a"});
        Tool({"type", "--window", dialog, "--delay", "5", path});
        // The path completer's pop-up may take the first Return.
        for (int i = 0; i < 5 && !OtherWindow().isEmpty(); ++i) {
            Tool({"key", "--window", dialog, "Return"});
            WaitFor([&] { return OtherWindow().isEmpty(); }, 1500);
        }
        ASSERT_TRUE(OtherWindow().isEmpty()) << Log(first);
    }
    void Click(QPoint at) { ClickAt(at.x(), at.y()); }
};

QByteArray Utf16(const char16_t* text) {
    return QByteArray(reinterpret_cast<const char*>(text),
                      qsizetype(std::char_traits<char16_t>::length(text) * 2));
}

TEST_F(ProgramProfilesTest, AddRenameExportImportAndDeleteGiveTheExpectedProfileBin) {
    Start(first);
    ASSERT_TRUE(WaitFor([&] { return !VisibleWindow().isEmpty(); })) << Log(first);
    const DeviceConfig config = LoadDeviceConfig((program + "/Data.ini").toStdString());
    ProfileRecord first1{};
    MakeDefaultRecord(first1, config.sensor);
    WriteText(first1.name, u"Profile1");
    const QByteArray record1(reinterpret_cast<const char*>(&first1), sizeof first1);
    ASSERT_TRUE(WaitForProfiles(1));
    EXPECT_EQ(Profiles(), record1);
    const QByteArray templ = ReadAll(program + "/Data/Default.pbin");
    ASSERT_EQ(templ.size(), qsizetype(sizeof(ProfileRecord)));

    // "+": the template under the next name, saved at once.
    Click(kAddProfile);
    ASSERT_TRUE(WaitForProfiles(2)) << Log(first);
    ProfileRecord work{};
    std::memcpy(&work, templ.constData(), sizeof work);
    WriteText(work.name, u"Profile2");
    EXPECT_EQ(Record(1), QByteArray(reinterpret_cast<const char*>(&work), sizeof work));

    // Rename by typing and Enter.
    Tool({"windowfocus", "--sync", VisibleWindow()});
    Click(kProfileName);
    Tool({"key", "ctrl+a"});
    Tool({"type", "--delay", "5", "Work"});
    Tool({"key", "Return"});
    WriteText(work.name, u"Work");
    const QByteArray workBytes(reinterpret_cast<const char*>(&work), sizeof work);
    ASSERT_TRUE(WaitFor([&] { return Record(1) == workBytes; })) << Log(first);

    // Export through the profile menu.
    const QString exported = folder.path() + "/exported.pbin";
    Click(kProfileMenu);
    ASSERT_TRUE(WaitFor([&] { return !OtherWindow().isEmpty(); })) << "the menu opens";
    Click(kExportItem);
    AnswerFileDialog(exported);
    ASSERT_TRUE(WaitFor([&] { return ReadAll(exported).size() == workBytes.size(); }))
        << Log(first);
    EXPECT_EQ(ReadAll(exported), workBytes);

    // Import a profile named like one that exists: it gets _1 and is saved.
    ProfileRecord shared = work;
    shared.buttonMode = 1;
    shared.lightMode = 7;
    const QString sharedFile = folder.path() + "/shared.pbin";
    {
        QFile f(sharedFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(&shared), sizeof shared);
    }
    Click(kProfileMenu);
    ASSERT_TRUE(WaitFor([&] { return !OtherWindow().isEmpty(); })) << "the menu opens";
    Click(kImportItem);
    AnswerFileDialog(sharedFile);
    ASSERT_TRUE(WaitForProfiles(3)) << Log(first);
    WriteText(shared.name, u"Work_1");
    EXPECT_EQ(Record(2), QByteArray(reinterpret_cast<const char*>(&shared), sizeof shared));

    // Delete the current (imported) profile after confirming.
    Click(kDeleteProfile);
    QString box;
    ASSERT_TRUE(WaitFor([&] { return !(box = OtherWindow()).isEmpty(); })) << Log(first);
    Click(kMessageOk);
    ASSERT_TRUE(WaitForProfiles(2)) << Log(first);
    const QByteArray final = Profiles();
    EXPECT_EQ(final, record1 + workBytes);
    // Literal bytes: the second name, its report rate and its button mode.
    const qsizetype second = qsizetype(sizeof(ProfileRecord));
    EXPECT_EQ(final.mid(second, 10), Utf16(u"Work") + QByteArray(2, '\0'));
    EXPECT_EQ(final.mid(second + 128, 4), QByteArray::fromHex("02000000"));
    EXPECT_EQ(final.mid(second + 332, 4), QByteArray::fromHex("00000000"));
    EXPECT_EQ(first.state(), QProcess::Running);
}

TEST_F(ProgramTest, WithoutATrayTheWindowShowsTheMouseStateAndQuitEndsTheProgram) {
    tray = false;
    ASSERT_TRUE(SimUnplug(sim.SocketPath()));
    Start(first);
    ASSERT_TRUE(WaitFor([&] { return !VisibleWindow().isEmpty(); }))
        << "a start from the menu shows the window without the mouse\n"
        << Log(first);
    ASSERT_TRUE(WaitFor([&] { return Stderr(first, "mouse state: not connected"); })) << Log(first);

    ASSERT_TRUE(SimPlug(sim.SocketPath()));
    ASSERT_TRUE(WaitFor([&] { return Stderr(first, "mouse state: ready"); })) << Log(first);
    EXPECT_FALSE(VisibleWindow().isEmpty());

    // Closing keeps the program; starting it again brings the window back.
    ClickAt(kClose.x(), kClose.y());
    ASSERT_TRUE(WaitFor([&] { return VisibleWindow().isEmpty(); }));
    EXPECT_EQ(first.state(), QProcess::Running);
    Start(second);
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 1);
    ASSERT_TRUE(WaitFor([&] { return !VisibleWindow().isEmpty(); })) << Log(first);

    // Quit from the settings menu ends it.
    ClickAt(kSettings.x(), kSettings.y());
    ASSERT_TRUE(WaitFor([&] {
        return Tool({"search", "--onlyvisible", "--class", "mouse-driver"}).split('\n').size() > 1;
    })) << "the settings menu opens";
    ClickAt(kQuitItem.x(), kQuitItem.y());
    ASSERT_TRUE(first.waitForFinished(10000)) << Log(first);
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0) << Log(first);
}

TEST_F(ProgramTest, AProfileSwitchOverTheSessionBusReachesTheMouse) {
    servicetest::Helper bus;
    bus.start("dbus-daemon", {"--session", "--print-address", "--nofork"});
    ASSERT_TRUE(bus.waitForStarted(5000)) << "no dbus-daemon";
    ASSERT_TRUE(bus.ReadUntil("\n"));
    busAddress = QString::fromUtf8(bus.out).trimmed();
    // Two profiles; the second with button mode 2 and DPI level 4 of 4.
    ProfileRecord profiles[2];
    const QByteArray base = ReadAll(program + "/Data/Default.pbin");
    ASSERT_EQ(base.size(), qsizetype(sizeof(ProfileRecord)));
    for (ProfileRecord& p : profiles) {
        std::memcpy(&p, base.constData(), sizeof p);
    }
    WriteText(profiles[0].name, u"Work");
    WriteText(profiles[1].name, u"Play");
    profiles[1].buttonMode = 1;
    profiles[1].dpiLevelCount = 4;
    profiles[1].currentDpiLevel = 3;
    QFile file(program + "/Data/profile.bin");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(profiles), sizeof profiles);
    file.close();

    Start(first);
    ASSERT_TRUE(WaitFor([&] { return !VisibleWindow().isEmpty(); })) << Log(first);
    QProcess call;
    call.start("gdbus", {"call", "--address", busAddress, "--dest", kServiceName, "--object-path",
                         kServicePath, "--method",
                         QString(kServiceInterface) + ".SwitchProfileByName", "Play"});
    ASSERT_TRUE(call.waitForFinished(10000));
    EXPECT_EQ(call.exitCode(), 0) << call.readAllStandardError().toStdString() << Log(first);
    ASSERT_TRUE(WaitFor([&] { return Closings() == 1; })) << Log(first);
    std::optional<SimState> state = SimGetState(sim.SocketPath());
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(state->buttonMode, 2);
    EXPECT_EQ(state->dpiLevel, 4);
}

// ---- per-application profiles ----------------------------------------------

TEST_F(ProgramProfilesTest, TheApplicationInFrontSwitchesTheProfileButNotUnderADialog) {
    // XLogo plays, XEyes works.
    WriteWorkAndPlay("XLogo", "XEyes");

    // Two test windows of known classes; no window manager, so the test
    // says which is in front by setting the root window's property.
    QProcess logo, eyes;
    for (auto [process, name] : {std::pair{&logo, "xlogo"}, std::pair{&eyes, "xeyes"}}) {
        process->setProcessEnvironment(Environment());
        process->start(name, {});
        ASSERT_TRUE(process->waitForStarted(5000)) << name;
    }
    QString logoId, eyesId;
    ASSERT_TRUE(WaitFor([&] {
        logoId = Tool({"search", "--class", "XLogo"}).section('\n', 0, 0);
        eyesId = Tool({"search", "--class", "XEyes"}).section('\n', 0, 0);
        return !logoId.isEmpty() && !eyesId.isEmpty();
    }));
    const auto bringForward = [&](const QString& id) {
        QProcess xprop;
        xprop.setProcessEnvironment(Environment());
        xprop.start("xprop",
                    {"-root", "-f", "_NET_ACTIVE_WINDOW", "32x", "-set", "_NET_ACTIVE_WINDOW", id});
        ASSERT_TRUE(xprop.waitForFinished(5000));
        ASSERT_EQ(xprop.exitCode(), 0) << xprop.readAllStandardError().toStdString();
    };
    const auto dpiLevel = [&] {
        std::optional<SimState> state = SimGetState(sim.SocketPath());
        return state ? int(state->dpiLevel) : -1;
    };

    Start(first);
    ASSERT_TRUE(WaitFor([&] { return !VisibleWindow().isEmpty(); })) << Log(first);
    ASSERT_TRUE(WaitFor([&] { return Stderr(first, "through X11"); })) << Log(first);
    bringForward(logoId);
    ASSERT_TRUE(WaitFor([&] { return Closings() == 1; })) << Log(first);
    EXPECT_EQ(dpiLevel(), 4);
    bringForward(eyesId);
    ASSERT_TRUE(WaitFor([&] { return Closings() == 2; })) << Log(first);
    EXPECT_EQ(dpiLevel(), 1);

    // The rules dialog open: the switch waits for it to close. The pop-up
    // with the profile's name goes first, so that only the menu opens.
    ASSERT_TRUE(WaitFor([&] { return OtherWindow().isEmpty(); })) << Log(first);
    Click(kProfileMenu);
    ASSERT_TRUE(WaitFor([&] { return !OtherWindow().isEmpty(); })) << "the menu opens";
    Click(kRulesItem);
    ASSERT_TRUE(WaitFor([&] { return Stderr(first, "the rules dialog is open"); })) << Log(first);
    bringForward(logoId);
    ASSERT_TRUE(WaitFor([&] { return Stderr(first, "the switch waits"); })) << Log(first);
    EXPECT_EQ(Closings(), 2u);
    QString dialog = OtherWindow();
    Tool({"windowfocus", "--sync", dialog, "key", "Escape"});
    ASSERT_TRUE(WaitFor([&] { return Closings() == 3; })) << Log(first);
    EXPECT_EQ(dpiLevel(), 4);
    EXPECT_EQ(first.state(), QProcess::Running);

    // What the dialog offers to choose from: the classes of the root
    // window's children, without a window manager's client list.
    const QByteArray display = qgetenv("DISPLAY");
    qputenv("DISPLAY", XServer::Get().Display().toUtf8());
    std::string whyNot;
    std::unique_ptr<ActiveWindowSource> source = CreateX11ActiveWindowSource(whyNot);
    display.isNull() ? qunsetenv("DISPLAY") : qputenv("DISPLAY", display);
    ASSERT_NE(source, nullptr) << whyNot;
    const std::vector<std::string> open = source->OpenApplications();
    for (const char* app : {"XEyes", "XLogo"}) {
        EXPECT_NE(std::find(open.begin(), open.end(), app), open.end()) << app;
    }
    for (QProcess* p : {&logo, &eyes}) {
        p->kill();
        p->waitForFinished(3000);
    }
}

}  // namespace
}  // namespace mouse
