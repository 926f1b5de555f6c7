// mousectl as the running program's client: its requests reach the mouse
// through the program (the window and the virtual mouse agree), and while
// the program runs it never writes the mouse behind its back.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <optional>

#include "service_fixture.h"

namespace mouse {
namespace {

using namespace servicetest;
using profilestest::Named;

struct MousectlClientTest : ServiceTest {
    // Runs the built mousectl against the test's bus, the event loop running
    // meanwhile (the program under test answers from it).
    int Run(const QStringList& args, QByteArray* out = nullptr) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", address);
        p.setProcessEnvironment(env);
        p.start(MOUSE_APP_DIR "/mousectl", args);
        EXPECT_TRUE(p.waitForStarted(5000));
        EXPECT_TRUE(WaitFor([&] { return p.state() == QProcess::NotRunning; }, 20000))
            << args.join(' ').toStdString();
        if (out != nullptr) {
            *out = p.readAllStandardOutput();
        }
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
};

TEST_F(MousectlClientTest, RequestsGoThroughTheRunningProgram) {
    StartMouse();
    auto first = Named(u"First", 0);
    first->dpiLevelCount = 4;
    auto second = Named(u"Second", 1);  // button mode 1, DPI level 2
    second->dpiLevelCount = 4;
    WriteProfiles({first.get(), second.get()});
    Create(ServiceOptions());
    ASSERT_TRUE(WaitFor([&] { return wnd->Link().CanShowWindow(); }));
    const QString file = program + "other.pbin";
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(first.get()), sizeof(ProfileRecord));
    }
    struct Step {
        QStringList args;
        int status;
        int mode, dpi, closings;  // what the mouse holds afterwards
    } steps[] = {
        {{"profile", "switch", "Second"}, 0, 2, 2, 1},
        {{"dpi", "set", "3"}, 0, 2, 3, 2},
        {{"dpi", "up"}, 0, 2, 4, 3},
        {{"dpi", "up"}, 0, 2, 4, 3},  // the last level in use: nothing sent
        {{"profile", "switch", "1"}, 0, 1, 1, 4},
        {{"apply"}, 0, 1, 1, 5},
        {{"profile", "switch", "Third"}, 2, 1, 1, 5},
        {{"dpi", "set", "5"}, 2, 1, 1, 5},
        // A file to the mouse while the program runs: refused, nothing sent.
        {{"apply", file, "--no-desktop"}, 5, 1, 1, 5},
    };
    for (const Step& s : steps) {
        const std::string what = s.args.join(' ').toStdString();
        EXPECT_EQ(Run(s.args), s.status) << what;
        wnd->Link().Worker()->WaitIdle();
        const std::optional<SimState> state = SimGetState(sim.SocketPath());
        ASSERT_TRUE(state.has_value());
        EXPECT_EQ(state->buttonMode, s.mode) << what;
        EXPECT_EQ(state->dpiLevel, s.dpi) << what;
        EXPECT_EQ(state->closingCount, uint32_t(s.closings)) << what;
    }
    EXPECT_EQ(wnd->CurrentProfileIndex(), 0);

    QByteArray out;
    ASSERT_EQ(Run({"profile", "list", "--json"}, &out), 0);
    const QJsonObject list = QJsonDocument::fromJson(out).object();
    EXPECT_EQ(list["current"].toInt(), 1);
    EXPECT_EQ(list["profiles"].toArray().size(), 2);
    ASSERT_EQ(Run({"status", "--json"}, &out), 0);
    const QJsonObject status = QJsonDocument::fromJson(out).object();
    EXPECT_TRUE(status["running"].toBool());
    EXPECT_TRUE(status["mouse"].toObject()["ready"].toBool()) << out.toStdString();
    EXPECT_EQ(status["dpi"].toObject()["level"].toInt(), 1);
}

}  // namespace
}  // namespace mouse
