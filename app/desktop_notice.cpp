#include "app/desktop_notice.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QStringList>
#include <QVariantMap>

#include "app/autostart.h"
#include "app/logging.h"

namespace mouse {

void SendDesktopNotification(const QString& title, const QString& body) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCWarning(lcApp, "no session bus for the notification \"%s\"", qUtf8Printable(title));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QString id = QString::fromLatin1(kDesktopFileId);
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), id);
    call << QStringLiteral("Mouse Driver") << uint(0) << id << title << body << QStringList()
         << hints << int(-1);
    // Asynchronous: a missing or slow service never holds the window up.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [title](QDBusPendingCallWatcher* done) {
                         if (done->isError()) {
                             qCWarning(lcApp, "the notification \"%s\" was not shown: %s",
                                       qUtf8Printable(title),
                                       qUtf8Printable(done->error().message()));
                         }
                         done->deleteLater();
                     });
}

}  // namespace mouse
