#include "app/dbus_service.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QHash>
#include <QMetaObject>
#include <QThread>
#include <QVariantMap>
#include <algorithm>

#include "app/dbus_interface_xml.h"
#include "app/logging.h"

namespace mouse {

namespace {

QString Error(const char* name) {
    return QString::fromLatin1(kServiceInterface) + QStringLiteral(".Error.") + QLatin1String(name);
}

}  // namespace

DBusService::DBusService(ServiceHost& host) : host_(host) {}

DBusService::~DBusService() {
    if (bus_) {
        bus_->unregisterService(QString::fromLatin1(kServiceName));
        bus_->unregisterObject(QString::fromLatin1(kServicePath));
        bus_.reset();
    }
    if (!ownConnection_.isEmpty()) {
        QDBusConnection::disconnectFromBus(ownConnection_);
    }
}

bool DBusService::Start(const QString& address) {
    if (!address.isEmpty()) {
        ownConnection_ = QStringLiteral("mouse-driver-service-%1").arg(quintptr(this), 0, 16);
    }
    QDBusConnection bus = address.isEmpty()
                              ? QDBusConnection::sessionBus()
                              : QDBusConnection::connectToBus(address, ownConnection_);
    if (!bus.isConnected()) {
        qCWarning(lcApp, "no session bus (%s): running without the D-Bus service",
                  qUtf8Printable(bus.lastError().message()));
        return false;
    }
    if (!bus.registerVirtualObject(QString::fromLatin1(kServicePath), this)) {
        qCWarning(lcApp, "the D-Bus object %s is taken: running without the D-Bus service",
                  kServicePath);
        return false;
    }
    if (!bus.registerService(QString::fromLatin1(kServiceName))) {
        qCWarning(lcApp, "the bus name %s is taken (%s): running without the D-Bus service",
                  kServiceName, qUtf8Printable(bus.lastError().message()));
        bus.unregisterObject(QString::fromLatin1(kServicePath));
        return false;
    }
    bus_ = bus;
    Observe();
    qCInfo(lcApp, "D-Bus service %s on the session bus", kServiceName);
    return true;
}

void DBusService::Observe() {
    const int profile = host_.CurrentProfileIndex();
    const int level = host_.DpiLevel();
    const bool ready = host_.Ready();
    if (!observed_) {
        observed_ = true;
    } else {
        if (ready != ready_) {
            Send(ready ? "MouseArrived" : "MouseRemoved", {});
        }
        if (profile != profile_) {
            const QStringList names = host_.ProfileNames();
            Send("ProfileChanged", {profile, names.value(profile)});
        }
        if (level != dpiLevel_) {
            Send("DpiLevelChanged", {level});
        }
    }
    profile_ = profile;
    dpiLevel_ = level;
    ready_ = ready;
}

void DBusService::SendApplyFinished(bool complete, int reports, int refused,
                                    const QStringList& steps) {
    Send("ApplyFinished", {complete, reports, refused, steps});
}

void DBusService::Send(const char* signal, const QVariantList& args) {
    if (!bus_) {
        return;
    }
    QDBusMessage message =
        QDBusMessage::createSignal(QString::fromLatin1(kServicePath),
                                   QString::fromLatin1(kServiceInterface), QLatin1String(signal));
    message.setArguments(args);
    bus_->send(message);
}

QString DBusService::introspect(const QString& path) const {
    if (path != QLatin1String(kServicePath)) {
        return {};
    }
    // The <interface> element of the interface file.
    const QString xml = QString::fromUtf8(kServiceXml);
    const qsizetype from = xml.indexOf(QLatin1String("<interface "));
    const QLatin1String end("</interface>");
    const qsizetype to = xml.lastIndexOf(end);
    return from < 0 || to < from ? QString() : xml.mid(from, to + end.size() - from);
}

bool DBusService::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    if (message.type() != QDBusMessage::MethodCallMessage) {
        return false;
    }
    // Requests run on the user-interface thread, as the window's own do.
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, message, connection] { handleMessage(message, connection); },
            Qt::QueuedConnection);
        return true;
    }
    const QDBusMessage reply = Answer(message);
    if (message.isReplyRequired()) {
        QDBusConnection(connection).send(reply);
    }
    return true;
}

QDBusMessage DBusService::Answer(const QDBusMessage& call) {
    const QString member = call.member();
    const QVariantList args = call.arguments();
    if (call.interface() == QLatin1String("org.freedesktop.DBus.Introspectable") &&
        member == QLatin1String("Introspect")) {
        return call.createReply(QString::fromUtf8(kServiceXml));
    }
    if (!call.interface().isEmpty() && call.interface() != QLatin1String(kServiceInterface)) {
        return call.createErrorReply(QDBusError::UnknownInterface,
                                     QStringLiteral("No interface %1 here").arg(call.interface()));
    }
    // What each method takes.
    static const QHash<QString, QString> kSignatures = {
        {QStringLiteral("ListProfiles"), QString()},
        {QStringLiteral("CurrentProfile"), QString()},
        {QStringLiteral("SwitchProfile"), QStringLiteral("i")},
        {QStringLiteral("SwitchProfileByName"), QStringLiteral("s")},
        {QStringLiteral("GetDpiLevel"), QString()},
        {QStringLiteral("SetDpiLevel"), QStringLiteral("i")},
        {QStringLiteral("DpiLevelUp"), QString()},
        {QStringLiteral("DpiLevelDown"), QString()},
        {QStringLiteral("Apply"), QString()},
        {QStringLiteral("GetState"), QString()},
        {QStringLiteral("WindowActivated"), QStringLiteral("ssi")},
    };
    const auto signature = kSignatures.constFind(member);
    if (signature == kSignatures.constEnd()) {
        return call.createErrorReply(
            QDBusError::UnknownMethod,
            QStringLiteral("No method %1 in %2").arg(member, kServiceInterface));
    }
    if (call.signature() != *signature) {
        return call.createErrorReply(
            QDBusError::InvalidArgs,
            QStringLiteral("%1 takes (%2), not (%3)").arg(member, *signature, call.signature()));
    }
    // A report of the window in front, not a request: taken while a dialog
    // is open too (whoever follows the window decides what it means then).
    if (member == QLatin1String("WindowActivated")) {
        if (windowActivated_) {
            windowActivated_(args.value(0).toString(), args.value(1).toString(),
                             args.value(2).toInt());
        }
        return call.createReply();
    }
    // Nothing changes behind a dialog the user is answering: the caller is
    // told at once rather than kept waiting for an unknown time.
    if (host_.ModalOpen()) {
        return call.createErrorReply(
            Error("Busy"),
            QStringLiteral("A dialog of the program is open; close it and try again"));
    }

    const QStringList names = host_.ProfileNames();
    const auto switchTo = [&](int index) {
        host_.SwitchAndApply(index);
        Observe();
        return call.createReply();
    };
    if (member == QLatin1String("ListProfiles")) {
        return call.createReply(names);
    }
    if (member == QLatin1String("CurrentProfile")) {
        const int index = host_.CurrentProfileIndex();
        return call.createReply(QVariantList{index, names.value(index)});
    }
    if (member == QLatin1String("SwitchProfile")) {
        const int index = args.value(0).toInt();
        if (index < 0 || index >= names.size()) {
            return call.createErrorReply(
                Error("NoSuchProfile"),
                QStringLiteral("There is no profile %1: the profiles are 0 to %2")
                    .arg(index)
                    .arg(names.size() - 1));
        }
        return switchTo(index);
    }
    if (member == QLatin1String("SwitchProfileByName")) {
        const QString name = args.value(0).toString();
        const qsizetype index = names.indexOf(name);
        if (index < 0) {
            return call.createErrorReply(
                Error("NoSuchProfile"),
                QStringLiteral("There is no profile named \"%1\" (the profiles: %2)")
                    .arg(name, names.join(QStringLiteral(", "))));
        }
        return switchTo(int(index));
    }
    const int level = host_.DpiLevel();
    const int count = host_.DpiLevelCount();
    const auto setLevel = [&](int to) {
        if (to != level) {
            host_.ChooseDpiLevelAndApply(to);
            Observe();
        }
    };
    if (member == QLatin1String("GetDpiLevel")) {
        return call.createReply(QVariantList{level, count});
    }
    if (member == QLatin1String("SetDpiLevel")) {
        const int to = args.value(0).toInt();
        if (to < 1 || to > count) {
            return call.createErrorReply(
                Error("BadDpiLevel"),
                QStringLiteral(
                    "DPI level %1 is not in use: the current profile uses levels 1 to %2")
                    .arg(to)
                    .arg(count));
        }
        setLevel(to);
        return call.createReply();
    }
    if (member == QLatin1String("DpiLevelUp") || member == QLatin1String("DpiLevelDown")) {
        const int step = member == QLatin1String("DpiLevelUp") ? 1 : -1;
        const int to = std::clamp(level + step, 1, count);
        setLevel(to);
        return call.createReply(to);
    }
    if (member == QLatin1String("Apply")) {
        host_.Apply();
        return call.createReply();
    }
    // GetState
    const ServiceState state = host_.State();
    QVariantMap map;
    map.insert(QStringLiteral("Connected"), state.connected);
    map.insert(QStringLiteral("Ready"), state.ready);
    map.insert(QStringLiteral("FirmwareVersion"), state.firmware);
    map.insert(QStringLiteral("ApplyPending"), state.pendingApplies);
    map.insert(QStringLiteral("LastApply"), !state.applied       ? QStringLiteral("none")
                                            : state.refused == 0 ? QStringLiteral("complete")
                                                                 : QStringLiteral("refused"));
    map.insert(QStringLiteral("ApplyReports"), state.reports);
    map.insert(QStringLiteral("ApplyRefused"), state.refused);
    map.insert(QStringLiteral("RefusedSteps"), state.refusedSteps);
    return call.createReply(QVariant(map));
}

}  // namespace mouse
