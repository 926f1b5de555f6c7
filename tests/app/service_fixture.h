// The main window with its D-Bus service on a private bus (a dbus-daemon the
// fixture starts), a client connection that calls it, and the signals it
// sends as `gdbus monitor` prints them.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QProcess>

#include "app/dbus_service.h"
#include "profiles_fixture.h"

namespace mouse::servicetest {

using test::WaitFor;

// A process started for the test, ended with it.
struct Helper : QProcess {
    ~Helper() override {
        if (state() != QProcess::NotRunning) {
            terminate();
            if (!waitForFinished(3000)) {
                kill();
                waitForFinished(3000);
            }
        }
    }
    // Output until a line containing `text` has come, or the process ended.
    bool ReadUntil(const QByteArray& text) {
        return WaitFor([&] {
                   out += readAllStandardOutput();
                   return out.contains(text) || state() == QProcess::NotRunning;
               }) &&
               out.contains(text);
    }
    QByteArray out;
};

struct ServiceTest : profilestest::ProfilesTest {
    void SetUp() override {
        profilestest::ProfilesTest::SetUp();
        bus.start("dbus-daemon", {"--session", "--print-address", "--nofork"});
        ASSERT_TRUE(bus.waitForStarted(5000)) << "no dbus-daemon";
        ASSERT_TRUE(bus.ReadUntil("\n")) << "dbus-daemon gave no address";
        address = QString::fromUtf8(bus.out).trimmed();
        static int clients = 0;
        clientName = QStringLiteral("service-test-client-%1").arg(++clients);
        client =
            std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, clientName));
        ASSERT_TRUE(client->isConnected());
    }
    void TearDown() override {
        profilestest::ProfilesTest::TearDown();
        client.reset();
        QDBusConnection::disconnectFromBus(clientName);
    }
    MainWndOptions ServiceOptions() {
        MainWndOptions options = Options();
        options.busService = true;
        options.busAddress = address;
        return options;
    }
    // Follows the service's signals from now on.
    void Monitor() {
        monitor.start("gdbus", {"monitor", "--address", address, "--dest", kServiceName});
        ASSERT_TRUE(monitor.waitForStarted(5000)) << "no gdbus";
        // Printed once its match rule is in place and the name is found.
        ASSERT_TRUE(monitor.ReadUntil("is owned by")) << monitor.out.toStdString();
        monitor.out.clear();
    }
    // The signals printed so far and not taken yet, as "Name (arguments)".
    QStringList TakeSignals() {
        monitor.out += monitor.readAllStandardOutput();
        QStringList found;
        const QByteArray prefix = QByteArray(kServiceInterface) + '.';
        qsizetype end = monitor.out.lastIndexOf('\n');
        for (const QByteArray& line : monitor.out.left(end + 1).split('\n')) {
            if (const qsizetype at = line.indexOf(prefix); at >= 0) {
                found << QString::fromUtf8(line.mid(at + prefix.size()));
            }
        }
        monitor.out.remove(0, end + 1);
        return found;
    }
    // The answer to a method call, with the event loop running meanwhile.
    QDBusMessage Call(const QString& method, const QVariantList& args = {},
                      const QString& interface = kServiceInterface) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(kServiceName, kServicePath, interface, method);
        call.setArguments(args);
        QDBusPendingCall pending = client->asyncCall(call);
        EXPECT_TRUE(WaitFor([&] { return pending.isFinished(); })) << method.toStdString();
        return pending.reply();
    }

    Helper bus, monitor;
    QString address, clientName;
    std::unique_ptr<QDBusConnection> client;
};

}  // namespace mouse::servicetest
