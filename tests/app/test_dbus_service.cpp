// The D-Bus service of the running window: every method and signal over a
// private bus, with what reaches the virtual mouse.
#include <gtest/gtest.h>
#include <QDBusArgument>

#include "service_fixture.h"

namespace mouse {
namespace {

using namespace servicetest;
using profilestest::Named;

// A reply's arguments as text: "(1, First)", "[First, Second]", or the
// error's name.
QString ReplyText(const QDBusMessage& reply) {
    if (reply.type() == QDBusMessage::ErrorMessage) {
        return reply.errorName();
    }
    QStringList parts;
    for (const QVariant& arg : reply.arguments()) {
        parts << (arg.typeId() == QMetaType::QStringList ? "[" + arg.toStringList().join(", ") + "]"
                                                         : arg.toString());
    }
    return "(" + parts.join(", ") + ")";
}

TEST_F(ServiceTest, EveryMethodAndSignalAgreesWithTheWindowAndTheMouse) {
    StartMouse();
    auto first = Named(u"First", 0);
    first->dpiLevelCount = 4;
    auto second = Named(u"Second", 3);  // button mode 1, DPI level 4
    second->dpiLevelCount = 4;
    WriteProfiles({first.get(), second.get()});
    Create(ServiceOptions());
    ASSERT_NE(wnd->Service(), nullptr);
    ASSERT_TRUE(WaitFor([&] { return wnd->Link().CanShowWindow(); }));
    Monitor();
    auto* combo = Find<CComboUI>("profile_combo");

    const QString error = QString(kServiceInterface) + ".Error.";
    const std::function<void()> none;
    struct Step {
        std::function<void()> action;  // first, then the method (nullptr: none)
        const char* method;
        QVariantList args;
        QString reply;
        QStringList signalsSent;  // each the start of a signal's line, in order
        int mode = 0;             // the mouse's button mode and DPI level afterwards
        int dpi = 0;              // (0: not checked)
    } steps[] = {
        {none, "ListProfiles", {}, "([First, Second])", {}},
        {none, "CurrentProfile", {}, "(0, First)", {}},
        {none,
         "SwitchProfile",
         {1},
         "()",
         {"ProfileChanged (1, 'Second')", "DpiLevelChanged (4,)", "ApplyFinished (true,"},
         2,
         4},
        {none, "SwitchProfile", {2}, error + "NoSuchProfile", {}},
        {none, "SwitchProfile", {QString("1")}, "org.freedesktop.DBus.Error.InvalidArgs", {}},
        {none, "SwitchProfileByName", {QString("Third")}, error + "NoSuchProfile", {}},
        {none,
         "SwitchProfileByName",
         {QString("First")},
         "()",
         {"ProfileChanged (0, 'First')", "DpiLevelChanged (1,)", "ApplyFinished (true,"},
         1,
         1},
        {none, "GetDpiLevel", {}, "(1, 4)", {}},
        {none, "SetDpiLevel", {3}, "()", {"DpiLevelChanged (3,)", "ApplyFinished (true,"}, 1, 3},
        {none, "SetDpiLevel", {5}, error + "BadDpiLevel", {}},
        {none, "DpiLevelUp", {}, "(4)", {"DpiLevelChanged (4,)", "ApplyFinished (true,"}, 1, 4},
        {none, "DpiLevelUp", {}, "(4)", {}},
        {none, "DpiLevelDown", {}, "(3)", {"DpiLevelChanged (3,)", "ApplyFinished (true,"}, 1, 3},
        {none, "Apply", {}, "()", {"ApplyFinished (true,"}, 1, 3},
        {none, "Frobnicate", {}, "org.freedesktop.DBus.Error.UnknownMethod", {}},
        // The mouse's own DPI button, unplugging and plugging it.
        {[&] { ASSERT_TRUE(SimPress(sim.SocketPath(), SimButton::Dpi, 2)); },
         nullptr,
         {},
         {},
         {"DpiLevelChanged (2,)"}},
        {none, "GetDpiLevel", {}, "(2, 4)", {}},
        {[&] { ASSERT_TRUE(SimUnplug(sim.SocketPath())); }, nullptr, {}, {}, {"MouseRemoved ()"}},
        {[&] { ASSERT_TRUE(SimPlug(sim.SocketPath())); }, nullptr, {}, {}, {"MouseArrived ()"}},
        // The window's own profile list.
        {[&] { combo->SelectItem(1); },
         "CurrentProfile",
         {},
         "(1, Second)",
         {"ProfileChanged (1, 'Second')", "DpiLevelChanged (4,)"}},
        // The mouse refuses the DPI level (0x0B).
        {[&] { ASSERT_TRUE(SimFailCommand(sim.SocketPath(), SimCall::SetFeature, 0x0B)); },
         "Apply",
         {},
         "()",
         {"ApplyFinished (false,"}},
    };
    for (const Step& s : steps) {
        const std::string name = s.method ? s.method : s.signalsSent.join(" ").toStdString();
        // Every signal a step sends comes before the next step's: extra
        // ones fail the step after.
        if (s.action) {
            s.action();
        }
        if (s.method != nullptr) {
            EXPECT_EQ(ReplyText(Call(s.method, s.args)), s.reply) << name;
        }
        QStringList sent;
        EXPECT_TRUE(WaitFor([&] {
            sent += TakeSignals();
            return sent.size() >= s.signalsSent.size();
        })) << name;
        ASSERT_EQ(sent.size(), s.signalsSent.size())
            << name << ": " << sent.join("\n").toStdString();
        for (int i = 0; i < sent.size(); ++i) {
            EXPECT_TRUE(sent[i].startsWith(s.signalsSent[i]))
                << name << ": " << sent[i].toStdString();
        }
        if (s.mode != 0) {
            std::optional<SimState> state = SimGetState(sim.SocketPath());
            ASSERT_TRUE(state.has_value());
            EXPECT_EQ(state->buttonMode, s.mode) << name;
            EXPECT_EQ(state->dpiLevel, s.dpi) << name;
            EXPECT_EQ(wnd->CurrentProfile().currentDpiLevel + 1, s.dpi) << name;
            EXPECT_EQ(combo->GetCurSel(), wnd->CurrentProfileIndex()) << name;
        }
    }

    // The state after the refused apply.
    const QDBusMessage state = Call("GetState");
    ASSERT_EQ(state.arguments().size(), 1);
    const QVariantMap map = qdbus_cast<QVariantMap>(state.arguments().front());
    EXPECT_EQ(map.value("Connected").toBool(), true);
    EXPECT_EQ(map.value("Ready").toBool(), true);
    EXPECT_EQ(map.value("LastApply").toString(), "refused");
    EXPECT_EQ(map.value("ApplyRefused").toInt(), 1);
    EXPECT_EQ(map.value("RefusedSteps").toStringList(), QStringList{"DPI level"});
}

TEST_F(ServiceTest, IntrospectionBusyBehindADialogAndATakenName) {
    WriteProfiles({Named(u"First").get(), Named(u"Second").get()});
    Create(ServiceOptions());
    ASSERT_NE(wnd->Service(), nullptr);
    // Introspection answers with the interface file.
    QFile xml(MOUSE_SOURCE_DIR "/app/dbus/io.github.mousedriver.MouseDriver1.xml");
    ASSERT_TRUE(xml.open(QIODevice::ReadOnly));
    EXPECT_EQ(ReplyText(Call("Introspect", {}, "org.freedesktop.DBus.Introspectable")),
              "(" + QString::fromUtf8(xml.readAll()) + ")");
    // A request while the delete question is open is refused, and changes nothing.
    QString answer;
    ModalSeam::Answer(0, [&](WindowImplBase&) { answer = ReplyText(Call("SwitchProfile", {1})); });
    wnd->DeleteProfile();
    EXPECT_EQ(answer, QString(kServiceInterface) + ".Error.Busy");
    EXPECT_EQ(wnd->CurrentProfileIndex(), 0);
    EXPECT_EQ(ReplyText(Call("CurrentProfile")), "(0, First)") << "served again once it closed";

    // The name is taken: the second window runs on without the service.
    test::CountingWnd other(ServiceOptions());
    ASSERT_TRUE(other.Create(nullptr));
    EXPECT_EQ(other.Service(), nullptr);
    EXPECT_EQ(ReplyText(Call("CurrentProfile")), "(0, First)") << "the first still serves";
}

}  // namespace
}  // namespace mouse
