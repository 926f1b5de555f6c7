#include "focus/active_window_kwin.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QLoggingCategory>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>

namespace mouse {

namespace {

Q_LOGGING_CATEGORY(lcFocus, "mouse.focus")

const QString kKWinService = QStringLiteral("org.kde.KWin");
const QString kScriptingPath = QStringLiteral("/Scripting");
const QString kScriptingInterface = QStringLiteral("org.kde.kwin.Scripting");
const QString kScriptInterface = QStringLiteral("org.kde.kwin.Script");

class KWinSource;
KWinSource* started = nullptr;  // the source the script's reports go to

class KWinSource final : public ActiveWindowSource {
public:
    KWinSource(QString busAddress, QString script)
        : busAddress_(std::move(busAddress)), script_(std::move(script)) {}
    ~KWinSource() override { Stop(); }
    KWinSource(const KWinSource&) = delete;
    KWinSource& operator=(const KWinSource&) = delete;

    const char* Name() const override { return "KWin"; }

    bool Start(Listener changed, std::string& error) override {
        Stop();
        if (!QFileInfo(script_).isFile()) {
            error = "The program's KWin script is missing (" + script_.toStdString() +
                    "); reinstalling the program brings it back.";
            return false;
        }
        if (!busAddress_.isEmpty()) {
            connectionName_ = QStringLiteral("mouse-driver-kwin-%1").arg(quintptr(this), 0, 16);
        }
        bus_ = busAddress_.isEmpty() ? QDBusConnection::sessionBus()
                                     : QDBusConnection::connectToBus(busAddress_, connectionName_);
        if (!bus_->isConnected()) {
            error =
                "The session bus cannot be reached, so KWin cannot tell which window is in "
                "front.";
            Stop();
            return false;
        }
        listener_ = std::move(changed);
        current_ = {};
        seen_.clear();
        context_ = std::make_unique<QObject>();
        started = this;
        // A copy left loaded by a run that ended without stopping would make
        // KWin refuse the new one (same name): unload it first.
        Call(kScriptingPath, kScriptingInterface, QStringLiteral("unloadScript"),
             {QString::fromLatin1(kKWinScriptName)}, [this](const QDBusMessage&) { Load(); });
        return true;
    }

    void Stop() override {
        if (started == this) {
            started = nullptr;
        }
        context_.reset();  // no answers of KWin are handled any more
        listener_ = nullptr;
        if (bus_ && bus_->isConnected()) {
            QDBusMessage unload = QDBusMessage::createMethodCall(
                kKWinService, kScriptingPath, kScriptingInterface, QStringLiteral("unloadScript"));
            unload.setArguments({QString::fromLatin1(kKWinScriptName)});
            bus_->send(unload);
        }
        bus_.reset();
        if (!connectionName_.isEmpty()) {
            QDBusConnection::disconnectFromBus(connectionName_);
            connectionName_.clear();
        }
    }

    ActiveWindow Current() const override { return current_; }

    // KWin's script reports only the window that comes in front: the
    // applications are those seen in front since the start.
    std::vector<std::string> OpenApplications() const override {
        return {seen_.begin(), seen_.end()};
    }

    void Report(const QString& appId, const QString& title, int pid) {
        ActiveWindow window{appId.toStdString(), title.toStdString(), ExecutableOfProcess(pid)};
        // Any program on the session bus may call the method: the list
        // offered to the rules dialog stays small whatever it sends.
        constexpr size_t kMaxSeen = 200;
        if (!window.appId.empty() && (seen_.size() < kMaxSeen || seen_.count(window.appId))) {
            seen_.insert(window.appId);
        }
        if (window == current_) {
            return;
        }
        current_ = window;
        if (listener_) {
            Listener listener = listener_;  // a copy: the listener may stop this source
            listener(window);
        }
    }

private:
    // Calls KWin without waiting; `answered` gets the reply or the error,
    // unless the source stops first.
    void Call(const QString& path, const QString& interface, const QString& method,
              const QVariantList& args, std::function<void(const QDBusMessage&)> answered) {
        QDBusMessage call = QDBusMessage::createMethodCall(kKWinService, path, interface, method);
        call.setArguments(args);
        auto* watcher = new QDBusPendingCallWatcher(bus_->asyncCall(call), context_.get());
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context_.get(),
                         [watcher, answered = std::move(answered)] {
                             watcher->deleteLater();
                             answered(watcher->reply());
                         });
    }

    void Load() {
        Call(kScriptingPath, kScriptingInterface, QStringLiteral("loadScript"),
             {script_, QString::fromLatin1(kKWinScriptName)}, [this](const QDBusMessage& reply) {
                 const int id = reply.arguments().value(0, -1).toInt();
                 if (reply.type() == QDBusMessage::ErrorMessage || id < 0) {
                     qCWarning(lcFocus,
                               "KWin did not load the script %s (%s): the window in "
                               "front is not followed",
                               qUtf8Printable(script_), qUtf8Printable(reply.errorMessage()));
                     return;
                 }
                 Run(id, true);
             });
    }

    // Plasma 5.27 and later put the script at /Scripting/Script<id>, earlier
    // ones at /<id>.
    void Run(int id, bool newPath) {
        const QString path =
            newPath ? QStringLiteral("/Scripting/Script%1").arg(id) : QStringLiteral("/%1").arg(id);
        Call(path, kScriptInterface, QStringLiteral("run"), {},
             [this, id, newPath](const QDBusMessage& reply) {
                 if (reply.type() != QDBusMessage::ErrorMessage) {
                     return;
                 }
                 if (newPath) {
                     Run(id, false);
                     return;
                 }
                 qCWarning(lcFocus,
                           "KWin did not run the script (%s): the window in front is "
                           "not followed",
                           qUtf8Printable(reply.errorMessage()));
             });
    }

    const QString busAddress_;
    const QString script_;
    QString connectionName_;  // the connection to busAddress_
    std::optional<QDBusConnection> bus_;
    std::unique_ptr<QObject> context_;  // owns the calls waiting for KWin
    Listener listener_;
    ActiveWindow current_;
    std::set<std::string> seen_;
};

}  // namespace

QString KWinScriptPath(const QString& programFolder) {
    return programFolder + QStringLiteral("kwin/contents/code/main.js");
}

std::unique_ptr<ActiveWindowSource> MakeKWinActiveWindowSource(const QString& busAddress,
                                                               const QString& script) {
    return std::make_unique<KWinSource>(busAddress, script);
}

std::unique_ptr<ActiveWindowSource> CreateKWinActiveWindowSource(std::string&) {
    return MakeKWinActiveWindowSource(
        {}, KWinScriptPath(QCoreApplication::applicationDirPath() + QLatin1Char('/')));
}

void ReportKWinWindowActivated(const QString& appId, const QString& title, int pid) {
    if (started != nullptr) {
        started->Report(appId, title, pid);
    }
}

}  // namespace mouse
