// The real program on Wayland: a headless sway session shows it, the
// compositor's seat clicks it and a virtual keyboard (wtype) types into it.
#include <gtest/gtest.h>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRect>

#include <cstring>

#include "ci_env.h"
#include "device/records.h"
#include "drivers/sim/sim_client.h"
#include "program_fixture.h"
#include "wayland_session.h"

namespace mouse {
namespace {

// Window coordinates of the controls the test clicks (main.xml).
constexpr QPoint kPerformanceTab(245, 77);
constexpr QPoint kRate125(506, 170);
constexpr QPoint kDpiLevel3(54, 262);
constexpr QPoint kApply(714, 540);
constexpr QPoint kMacroTab(550, 79);
constexpr QPoint kFirstMacro(132, 253);
constexpr QPoint kRecord(675, 141);

struct WaylandProgramTest : test::ProgramFixture {
    void SetUp() override {
#ifndef MOUSE_WAYLAND_SEAT
        MOUSE_SKIP_UNLESS_CI("built without the Wayland client library");
#else
        if (!Session().Ok()) {
            MOUSE_SKIP_UNLESS_CI("no headless Wayland session: " + Session().Error());
        }
        ProgramFixture::SetUp();
        // The seat offers a pointer and a keyboard only while devices exist.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("WAYLAND_DISPLAY", QString::fromStdString(Session().Display()));
        seat.setProcessEnvironment(env);
        seat.start(MOUSE_WAYLAND_SEAT, {});
        ASSERT_TRUE(WaitFor([&] {
            return seat.state() == QProcess::NotRunning ||
                   (seat.waitForReadyRead(100) && seat.canReadLine());
        }));
        ASSERT_EQ(seat.readLine(), "ready\n") << seat.readAllStandardError().toStdString();
#endif
    }
    void TearDown() override {
        ProgramFixture::TearDown();
        seat.closeWriteChannel();
        seat.waitForFinished(3000);
    }
    // Windows float at their own size, as on a desktop.
    static test::WaylandSession& Session() {
        static test::WaylandSession session;
        static const bool started = session.Start({"for_window [app_id=\".*\"] floating enable"});
        (void)started;
        return session;
    }
    QProcessEnvironment Environment() const override {
        QProcessEnvironment env = ProgramFixture::Environment();
        env.remove("DISPLAY");
        env.insert("XDG_SESSION_TYPE", "wayland");
        env.insert("WAYLAND_DISPLAY", QString::fromStdString(Session().Display()));
        env.insert("QT_QPA_PLATFORM", "wayland");
        env.insert("QT_LOGGING_RULES", "mouse.app.debug=true;mouse.recorder.debug=true");
        return env;
    }
    // The main window's place in the compositor's layout; empty while it is
    // not shown.
    QRect Window() const {
        const QJsonDocument tree = QJsonDocument::fromJson(
            QByteArray::fromStdString(Session().SwayMsg({"-t", "get_tree"})));
        std::function<QRect(const QJsonObject&)> find = [&](const QJsonObject& node) {
            if (node["name"].toString() == "Gaming Mouse" && node["visible"].toBool()) {
                const QJsonObject r = node["rect"].toObject();
                return QRect(r["x"].toInt(), r["y"].toInt(), r["width"].toInt(),
                             r["height"].toInt());
            }
            for (const char* children : {"nodes", "floating_nodes"}) {
                for (const QJsonValue& child : node[children].toArray()) {
                    const QRect found = find(child.toObject());
                    if (!found.isEmpty()) {
                        return found;
                    }
                }
            }
            return QRect();
        };
        return find(tree.object());
    }
    // Clicks at a point of the main window with the seat's cursor.
    void Click(QPoint at) {
        const QRect window = Window();
        ASSERT_FALSE(window.isEmpty());
        const std::string x = std::to_string(window.x() + at.x());
        const std::string y = std::to_string(window.y() + at.y());
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"seat", "-", "cursor", "set", x, y},
              {"seat", "-", "cursor", "press", "button1"},
              {"seat", "-", "cursor", "release", "button1"}}) {
            ASSERT_FALSE(Session().SwayMsg(command).empty()) << command[3];
        }
    }
    void WriteMacroLibrary() {
        MacroRecord records[2] = {};
        WriteText(records[0].folderName, u"F");
        records[0].isFolder = 1;
        WriteText(records[1].folderName, u"F");
        WriteText(records[1].macroName, u"Typed");
        records[1].loopCount = 1;
        QFile file(program + "/Data/macro.bin");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(records), sizeof records);
    }
    MacroRecord SavedMacro() const {
        MacroRecord saved{};
        const QByteArray bytes = ReadAll(program + "/Data/macro.bin");
        if (bytes.size() == qsizetype(2 * sizeof saved)) {
            std::memcpy(&saved, bytes.constData() + sizeof saved, sizeof saved);
        }
        return saved;
    }
    QProcess seat;
};

TEST_F(WaylandProgramTest, TheWindowShowsAPageWorksAnApplyReachesTheMouseAndTypedKeysAreRecorded) {
    WriteMacroLibrary();
    Start(first);
    ASSERT_TRUE(WaitFor([&] { return !Window().isEmpty(); })) << Log(first);
    EXPECT_TRUE(Stderr(first, "session: wayland")) << Log(first);
    EXPECT_TRUE(Stderr(first, "recording takes the input of this program's windows only"));

    // Recording what wtype types into the window: H and I, pressed and
    // released, as HID key codes.
    Click(kMacroTab);
    Click(kFirstMacro);
    // The compositor hands the program the clicks and keys in order.
    Click(kRecord);
    ASSERT_EQ(Session().Run({"wtype", "hi"}), 0);
    Click(kRecord);
    ASSERT_TRUE(WaitFor([&] { return SavedMacro().actionCount == 4; }))
        << SavedMacro().actionCount << " actions\n"
        << Log(first);
    const MacroRecord saved = SavedMacro();
    const std::pair<int, int> want[] = {
        {11, kActionPress}, {11, kActionRelease}, {12, kActionPress}, {12, kActionRelease}};
    for (size_t i = 0; i < std::size(want); ++i) {
        const std::pair<int, int> got(saved.actions[i].code, saved.actions[i].kind);
        EXPECT_EQ(got, want[i]) << "action " << i;
    }

    // The performance page: 125 Hz and the third DPI level, then apply.
    Click(kPerformanceTab);
    Click(kRate125);
    Click(kDpiLevel3);
    Click(kApply);
    ASSERT_TRUE(WaitFor([&] { return Closings() == 1; })) << Log(first);
    const std::optional<SimState> state = SimGetState(sim.SocketPath());
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(state->reportRate, 8);
    EXPECT_EQ(state->dpiLevel, 3);
    EXPECT_EQ(first.state(), QProcess::Running);
}

}  // namespace
}  // namespace mouse
