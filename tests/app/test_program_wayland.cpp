// The real program on Wayland: a headless sway session shows it, the
// compositor's seat clicks it and a virtual keyboard (wtype) types into it.
#include <gtest/gtest.h>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRect>
#include <QStandardPaths>

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
constexpr QPoint kProfileMenu(564, 524);
// The profile menu opens under its button (548, 556): items 25 high from 4.
constexpr QPoint kRulesItem(548 + 90, 557 + 91);

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
        env.insert("XDG_CURRENT_DESKTOP", "sway");
        env.insert("WAYLAND_DISPLAY", QString::fromStdString(Session().Display()));
        env.insert("QT_QPA_PLATFORM", "wayland");
        env.insert("QT_LOGGING_RULES",
                   "mouse.app.debug=true;mouse.recorder.debug=true;mouse.focus.debug=true");
        return env;
    }
    // The first visible window of the compositor's layout that `match`
    // takes; an empty object when there is none.
    static QJsonObject Find(const std::function<bool(const QJsonObject&)>& match) {
        const QJsonDocument tree = QJsonDocument::fromJson(
            QByteArray::fromStdString(Session().SwayMsg({"-t", "get_tree"})));
        std::function<QJsonObject(const QJsonObject&)> find = [&](const QJsonObject& node) {
            if (node["visible"].toBool() && match(node)) {
                return node;
            }
            for (const char* children : {"nodes", "floating_nodes"}) {
                for (const QJsonValue& child : node[children].toArray()) {
                    const QJsonObject found = find(child.toObject());
                    if (!found.isEmpty()) {
                        return found;
                    }
                }
            }
            return QJsonObject();
        };
        return find(tree.object());
    }
    // The main window's place in the compositor's layout; empty while it is
    // not shown.
    QRect Window() const {
        const QJsonObject r = Find([](const QJsonObject& node) {
                                  return node["name"].toString() == "Gaming Mouse";
                              })["rect"]
                                  .toObject();
        return QRect(r["x"].toInt(), r["y"].toInt(), r["width"].toInt(), r["height"].toInt());
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

// Two Wayland clients with known app ids, each brought to the front by the
// compositor: the mouse receives each one's profile once, after the focus
// has rested, and nothing while a dialog of the program is open.
TEST_F(WaylandProgramTest, TheApplicationInFrontSwitchesTheProfileButNotUnderADialog) {
    if (QStandardPaths::findExecutable("foot").isEmpty()) {
        MOUSE_SKIP_UNLESS_CI("foot is not installed");
    }
    // Every other application works: the program's own windows are not
    // another application.
    WriteWorkAndPlay("test.play", "test.work", "Work");
    const auto dpiLevel = [&] {
        std::optional<SimState> state = SimGetState(sim.SocketPath());
        return state ? int(state->dpiLevel) : -1;
    };
    const auto focus = [&](const std::string& criteria) {
        const std::string answer = Session().SwayMsg({criteria, "focus"});
        ASSERT_NE(answer.find("\"success\": true"), std::string::npos) << criteria << answer;
    };
    Start(first);
    ASSERT_TRUE(WaitFor([&] { return !Window().isEmpty(); })) << Log(first);
    ASSERT_TRUE(WaitFor([&] { return Stderr(first, "through wlroots"); })) << Log(first);

    // Each client takes the focus when it opens.
    QProcess clients[2];
    const std::pair<const char*, int> expected[] = {{"test.play", 4}, {"test.work", 1}};
    for (int i = 0; i < 2; ++i) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("WAYLAND_DISPLAY", QString::fromStdString(Session().Display()));
        clients[i].setProcessEnvironment(env);
        clients[i].start("foot", {QString("--app-id=") + expected[i].first, "sleep", "600"});
        ASSERT_TRUE(clients[i].waitForStarted(5000));
        ASSERT_TRUE(WaitFor([&] { return Closings() == uint32_t(i + 1); })) << Log(first);
        EXPECT_EQ(dpiLevel(), expected[i].second) << expected[i].first;
    }

    // The rules dialog open: bringing Play forward waits until it closes.
    focus("[title=\"Gaming Mouse\"]");
    // The menu is a pop-up the layout does not list: a click on its item
    // before it shows closes it, so both clicks go again until the dialog opens.
    ASSERT_TRUE(WaitFor([&] {
        Click(kProfileMenu);
        Click(kRulesItem);
        return WaitFor([&] { return Stderr(first, "the rules dialog is open"); }, 1000);
    })) << Log(first);
    // The dialog takes the focus when it maps: only then is Play brought forward.
    const auto dialog = [] {
        return Find([](const QJsonObject& node) {
            return node["type"].toString() == "floating_con" && node["pid"].toInt() != 0 &&
                   node["name"].toString() != "Gaming Mouse" &&
                   !node["app_id"].toString().startsWith("test.");
        });
    };
    ASSERT_TRUE(WaitFor([&] { return dialog()["focused"].toBool(); }))
        << Session().SwayMsg({"-t", "get_tree"});
    focus("[app_id=\"test.play\"]");
    ASSERT_TRUE(WaitFor([&] { return Stderr(first, "the switch waits"); })) << Log(first);
    EXPECT_EQ(Closings(), 2u);
    focus("[con_id=" + std::to_string(dialog()["id"].toInt()) + "]");
    ASSERT_EQ(Session().Run({"wtype", "-k", "Escape"}), 0);
    ASSERT_TRUE(WaitFor([&] { return Closings() == 3; })) << Log(first);
    EXPECT_EQ(dpiLevel(), 4);
    EXPECT_EQ(first.state(), QProcess::Running);
    for (QProcess& client : clients) {
        client.kill();
        client.waitForFinished(3000);
    }
}

}  // namespace
}  // namespace mouse
