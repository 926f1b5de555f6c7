// The real program as a test starts it: a fresh copy of the build's program
// folder (portable, without store files), a virtual mouse, and the program's
// environment kept away from the tester's own desktop. The tests on a
// display (Xvfb, a Wayland compositor) add the display to Environment().
#pragma once

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstring>
#include <functional>
#include <map>
#include <string>

#include "app_test_util.h"
#include "drivers/sim/sim_process.h"
#include "sim_counters.h"

namespace mouse::test {

struct ProgramFixture : ::testing::Test {
    // The program and its display answer slower than the in-process window.
    static bool WaitFor(const std::function<bool()>& done, int ms = 10000) {
        return test::WaitFor(done, ms);
    }
    static QByteArray ReadAll(const QString& path) { return test::ReadAll(path); }
    static bool CopyTree(const QString& from, const QString& to) {
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

    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        program = folder.path() + "/app";
        runtime = folder.path() + "/runtime";
        ASSERT_TRUE(QDir().mkpath(runtime));
        QFile::setPermissions(
            runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        // A fresh program folder: the build's, portable like it, without any
        // store files.
        for (const char* file :
             {"mouse-driver", "MSDriver.so", "Data.ini", "logo.png", "portable"}) {
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
    // The program's environment without a display.
    virtual QProcessEnvironment Environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime);
        // Nothing of the tester's own: a Start-at-login entry goes here.
        env.insert("XDG_CONFIG_HOME", folder.path() + "/config");
        env.insert("XDG_DATA_HOME", folder.path() + "/data");
        env.insert("MOUSE_SIM_SOCKET", QString::fromStdString(sim.SocketPath()));
        // The test's own bus, or none: never the tester's session bus.
        env.insert("DBUS_SESSION_BUS_ADDRESS",
                   busAddress.isEmpty() ? "unix:path=" + runtime + "/no-bus" : busAddress);
        // An apply writes the desktop's pointer settings: keep them in the
        // program's memory, away from the desktop of whoever runs the tests.
        env.insert("GSETTINGS_BACKEND", "memory");
        // The start-up trace names the command line the program saw.
        env.insert("QT_LOGGING_RULES", "mouse.app.debug=true;mouse.focus.debug=true");
        // Xvfb has no tray; the tests written for a desktop with one say so.
        if (tray) {
            env.insert("MOUSE_DRIVER_TRAY", "on");
        } else {
            env.remove("MOUSE_DRIVER_TRAY");
        }
        return env;
    }
    void Start(QProcess& p, const QStringList& args = {}) {
        p.setProcessEnvironment(Environment());
        p.setProcessChannelMode(QProcess::SeparateChannels);
        p.start(program + "/mouse-driver", args);
        ASSERT_TRUE(p.waitForStarted(5000));
    }
    // Two profiles, "Work" at DPI level 1 and "Play" at level 4 of 4, and
    // rules that give each to an application, switched on, with the profile
    // for every other application when one is named.
    void WriteWorkAndPlay(const char* playApp, const char* workApp,
                          const char* otherApps = nullptr) {
        ProfileRecord profiles[2];
        const QByteArray base = ReadAll(program + "/Data/Default.pbin");
        ASSERT_EQ(base.size(), qsizetype(sizeof(ProfileRecord)));
        for (ProfileRecord& p : profiles) {
            std::memcpy(&p, base.constData(), sizeof p);
            p.dpiLevelCount = 4;
        }
        WriteText(profiles[0].name, u"Work");
        profiles[0].currentDpiLevel = 0;
        WriteText(profiles[1].name, u"Play");
        profiles[1].currentDpiLevel = 3;
        QFile file(program + "/Data/profile.bin");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(profiles), sizeof profiles);
        file.close();
        QFile rules(program + "/Data/app-rules.json");
        ASSERT_TRUE(rules.open(QIODevice::WriteOnly));
        const QString other = otherApps ? QString("\"%1\"").arg(otherApps) : "null";
        rules.write(QString(R"({"enabled": true, "default": %3,
                                "rules": [{"app": "%1", "profile": "Play"},
                                          {"app": "%2", "profile": "Work"}]})")
                        .arg(playApp, workApp, other)
                        .toUtf8());
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
    uint32_t Accepted() const { return AcceptedExchanges(sim.SocketPath()); }
    uint32_t Closings() const { return ClosingCommands(sim.SocketPath()); }
    QProcess first, second;
    QString busAddress;
    std::map<QProcess*, QByteArray> errors;
    bool tray = true;
};

}  // namespace mouse::test
