// The window-in-front sources of Wayland desktops: the KWin source against a
// stand-in for KWin's scripting interface, with the calls the real script
// makes (run in node) sent to the window's D-Bus service; the wlroots source
// in a headless sway with two real clients, and where it cannot work.
#include <gtest/gtest.h>
#include <QDBusVirtualObject>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <filesystem>

#include "focus/active_window_kwin.h"
#include "focus/active_window_wlroots.h"
#include "service_fixture.h"
#include "wayland_session.h"

namespace mouse {

void PrintTo(const ActiveWindow& w, std::ostream* os) {
    *os << "{" << w.appId << ", " << w.title << ", " << w.executable << "}";
}

namespace {

using namespace servicetest;

// KWin's scripting interface as far as the source uses it: each call is
// recorded as "method path arguments"; loadScript gives id 3, and the script
// object is found at /Scripting/Script3, or only at /3 as older KWin has it.
struct FakeKWin : QDBusVirtualObject {
    explicit FakeKWin(bool oldPaths) : oldPaths(oldPaths) {}
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override {
        QStringList line{call.member(), call.path()};
        for (const QVariant& arg : call.arguments()) {
            line << arg.toString();
        }
        calls << line.join(' ');
        QDBusMessage reply = call.createReply();
        if (call.member() == "loadScript") {
            reply = call.createReply(3);
        } else if (call.member() == "run" &&
                   call.path() == (oldPaths ? "/Scripting/Script3" : "/3")) {
            reply = call.createErrorReply(QDBusError::UnknownObject, "no such object");
        }
        QDBusConnection(bus).send(reply);
        return true;
    }
    const bool oldPaths;
    QStringList calls;
};

// The calls of callDBus the KWin script makes, run in node with a stand-in
// workspace of Plasma 6 (windowActivated, activeWindow) or Plasma 5
// (clientActivated, activeClient): windows[0] is in front when it starts,
// the others come in front in turn. Empty when node fails.
QJsonArray ScriptCalls(const QString& script, bool plasma6, const QJsonArray& windows) {
    static const char* const kDriver = R"js(
        const [script, plasma, windows] = process.argv.slice(1);
        const list = JSON.parse(windows), handlers = [], calls = [];
        const signal = {connect: (f) => handlers.push(f)};
        const workspace = plasma === "6" ? {windowActivated: signal, activeWindow: list[0]}
                                         : {clientActivated: signal, activeClient: list[0]};
        new Function("workspace", "callDBus", require("fs").readFileSync(script, "utf8"))(
            workspace, (...args) => calls.push(args));
        list.slice(1).forEach((w) => handlers.forEach((h) => h(w)));
        console.log(JSON.stringify(calls));)js";
    Helper node;
    node.start("node", {"-e", kDriver, script, plasma6 ? "6" : "5",
                        QJsonDocument(windows).toJson(QJsonDocument::Compact)});
    node.ReadUntil("\n");
    return QJsonDocument::fromJson(node.out).array();
}

TEST_F(ServiceTest, KWinScriptIsLoadedAndItsReportsReachTheSource) {
    if (QStandardPaths::findExecutable("node").isEmpty()) {
        MOUSE_SKIP_UNLESS_CI("node is not installed");
    }
    WriteProfiles({profilestest::Named(u"First").get(), profilestest::Named(u"Second").get()});
    Create(ServiceOptions());
    ASSERT_NE(wnd->Service(), nullptr);
    const QString script = KWinScriptPath(MOUSE_APP_DIR "/");

    const QString scriptName = kKWinScriptName;
    const QString unload = "unloadScript /Scripting " + scriptName;
    const QString load = "loadScript /Scripting " + script + " " + scriptName;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const auto window = [](const char* appId, const char* title, qint64 pid) {
        return QJsonObject{{"resourceClass", appId}, {"caption", title}, {"pid", pid}};
    };
    struct Row {
        QJsonValue window;  // in front (null: the desktop)
        bool dialogOpen;    // while the program shows a dialog
        ActiveWindow expected;
    } rows[] = {
        {QJsonValue::Null, false, {}},
        {window("test.one", "One", QCoreApplication::applicationPid()),
         false,
         {"test.one", "One", self}},
        {window("test.two", "Two", 0), true, {"test.two", "Two", ""}},
        {QJsonValue::Null, false, {}},
    };
    QJsonArray windows;
    for (const Row& row : rows) {
        windows << row.window;
    }
    for (const bool plasma6 : {true, false}) {
        // Plasma 5 before 5.27 put the script object at /<id>.
        SCOPED_TRACE(plasma6 ? "Plasma 6" : "Plasma 5");
        const QString kwinName = plasma6 ? "fake-kwin-6" : "fake-kwin-5";
        QDBusConnection kwinBus = QDBusConnection::connectToBus(address, kwinName);
        FakeKWin kwin(!plasma6);
        ASSERT_TRUE(kwinBus.registerVirtualObject("/", &kwin, QDBusConnection::SubPath));
        ASSERT_TRUE(kwinBus.registerService("org.kde.KWin"));

        auto source = MakeKWinActiveWindowSource(address, script);
        std::vector<ActiveWindow> seen;
        std::string error;
        ASSERT_TRUE(source->Start([&](const ActiveWindow& w) { seen.push_back(w); }, error))
            << error;
        const QStringList started =
            plasma6 ? QStringList{unload, load, "run /Scripting/Script3"}
                    : QStringList{unload, load, "run /Scripting/Script3", "run /3"};
        EXPECT_TRUE(WaitFor([&] { return kwin.calls == started; }))
            << kwin.calls.join('\n').toStdString();

        // Each call of the script, made to the service as KWin makes it.
        const QJsonArray calls = ScriptCalls(script, plasma6, windows);
        ASSERT_EQ(calls.size(), std::size(rows));
        for (size_t i = 0; i < std::size(rows); ++i) {
            const QJsonArray call = calls[i].toArray();
            ASSERT_EQ(call.size(), 7);
            EXPECT_EQ(call[0], kServiceName);
            EXPECT_EQ(call[1], kServicePath);
            QString answer = "not called";
            const auto send = [&] {
                const QDBusMessage reply = Call(
                    call[3].toString(), {call[4].toString(), call[5].toString(), call[6].toInt()},
                    call[2].toString());
                answer = reply.type() == QDBusMessage::ErrorMessage ? reply.errorName() : "done";
            };
            if (rows[i].dialogOpen) {
                ModalSeam::Answer(0, [&](WindowImplBase&) { send(); });
                wnd->DeleteProfile();
            } else {
                send();
            }
            EXPECT_EQ(answer, "done") << i;
            EXPECT_EQ(source->Current(), rows[i].expected) << i;
        }
        // The first row is no change.
        EXPECT_EQ(seen, (std::vector<ActiveWindow>{rows[1].expected, rows[2].expected, {}}));
        EXPECT_EQ(source->OpenApplications(), (std::vector<std::string>{"test.one", "test.two"}));

        source->Stop();
        EXPECT_TRUE(WaitFor([&] { return kwin.calls.size() == started.size() + 1; }));
        EXPECT_EQ(kwin.calls.value(started.size()), unload);
        Call("WindowActivated", {QString("test.three"), QString(), 0});
        EXPECT_EQ(seen.size(), 3u) << "no report after Stop";
        kwinBus.unregisterService("org.kde.KWin");
        QDBusConnection::disconnectFromBus(kwinName);
    }
}

// Two foot terminals with known app ids in a headless sway, each focused in
// turn by swaymsg.
TEST(WlrootsSourceTest, ReportsEachFocusedAppOnceAndListsTheOpenOnes) {
    test::WaylandSession& wayland = test::SharedWaylandSession();
    if (!wayland.Ok()) {
        MOUSE_SKIP_UNLESS_CI(wayland.Error());
    }
    if (QStandardPaths::findExecutable("foot").isEmpty()) {
        MOUSE_SKIP_UNLESS_CI("foot is not installed");
    }
    auto source = MakeWlrootsActiveWindowSource(wayland.Display());
    if (!source) {
        MOUSE_SKIP_UNLESS_CI("built without wayland-client");
    }
    std::vector<std::string> seen;
    std::string error;
    ASSERT_TRUE(source->Start([&](const ActiveWindow& w) { seen.push_back(w.appId); }, error))
        << error;
    const std::vector<std::string> ids = {"test.one", "test.two"};
    Helper clients[2];
    for (int i = 0; i < 2; ++i) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("WAYLAND_DISPLAY", QString::fromStdString(wayland.Display()));
        clients[i].setProcessEnvironment(env);
        clients[i].start("foot", {"--app-id=" + QString::fromStdString(ids[i]), "sleep", "600"});
        ASSERT_TRUE(clients[i].waitForStarted(5000));
    }
    ASSERT_TRUE(WaitFor([&] { return source->OpenApplications() == ids; }, 15000));
    ASSERT_TRUE(WaitFor([&] { return !source->Current().appId.empty(); }));

    // Begins with the one not in front, so that each focus is a change.
    const std::string first = source->Current().appId == ids[0] ? ids[1] : ids[0];
    const std::string second = first == ids[0] ? ids[1] : ids[0];
    const std::vector<std::string> order = {first, second, first};
    const size_t from = seen.size();
    for (const std::string& id : order) {
        ASSERT_FALSE(wayland.SwayMsg({"[app_id=\"" + id + "\"]", "focus"}).empty());
        EXPECT_TRUE(WaitFor([&] { return source->Current().appId == id; })) << id;
    }
    EXPECT_EQ(std::vector<std::string>(seen.begin() + from, seen.end()), order) << "each once";

    clients[1].terminate();
    EXPECT_TRUE(WaitFor([&] {
        return source->OpenApplications() == std::vector<std::string>{ids[0]};
    })) << "the closed one is gone";
}

// On a compositor without the protocol (a headless weston), Start says so.
TEST(WlrootsSourceTest, StartSaysWhenTheCompositorLacksTheProtocol) {
    if (!MakeWlrootsActiveWindowSource({}) || QStandardPaths::findExecutable("weston").isEmpty()) {
        MOUSE_SKIP_UNLESS_CI("built without wayland-client, or no weston");
    }
    QTemporaryDir runtime;  // mode 0700, as weston wants its runtime folder
    Helper weston;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    weston.setProcessEnvironment(env);
    weston.start("weston", {"--backend=headless-backend.so", "--socket=weston-test"});
    const QString socket = runtime.filePath("weston-test");
    QLocalSocket probe;  // listening, not only bound
    ASSERT_TRUE(WaitFor([&] { return probe.connectToServer(socket), probe.waitForConnected(); }));
    auto source = MakeWlrootsActiveWindowSource(socket.toStdString());
    std::string error;
    EXPECT_FALSE(source->Start([](const ActiveWindow&) {}, error));
    EXPECT_NE(error.find("does not tell other programs which window is in front"),
              std::string::npos)
        << error;
}

}  // namespace
}  // namespace mouse
