#include "app/single_instance.h"

#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QTimer>

namespace mouse {

namespace {

// The folder for the lock and the socket: the user's runtime folder when
// there is one, else a folder of the user's own in the temporary folder, so
// other users can neither see nor pre-create them.
QString RuntimeFolder() {
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!dir.isEmpty() && QDir(dir).exists()) {
        return dir;
    }
    dir = QDir::tempPath() + QString("/mouse-driver-%1").arg(getuid());
    QDir().mkpath(dir);
    QFile::setPermissions(dir,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return dir;
}

}  // namespace

SingleInstance::SingleInstance(const QString& base) {
    // The user id, not the user name: the same user with and without USER set
    // must find the same copy.
    QString name = base + "-" + QString::number(getuid());
    name.replace(QRegularExpression("[^A-Za-z0-9_.-]"), "_");
    QString folder = RuntimeFolder();
    serverName_ = QDir(folder).filePath(name + ".sock");
    lockPath_ = QDir(folder).filePath(name + ".lock");
}

SingleInstance::~SingleInstance() {
    if (server_) {
        server_->close();
    }
}

bool SingleInstance::TryBecomePrimary() {
    lock_ = std::make_unique<QLockFile>(lockPath_);
    lock_->setStaleLockTime(0);  // a lock is stale only when its process is gone
    if (!lock_->tryLock(0)) {
        lock_.reset();
        return false;
    }
    // Holding the lock, any socket file left behind belongs to a crashed copy.
    QLocalServer::removeServer(serverName_);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(serverName_)) {
        // Still the only copy; later copies simply cannot reach this one.
        qWarning("single instance: cannot listen on %s: %s", qPrintable(serverName_),
                 qPrintable(server_->errorString()));
        return true;
    }
    connect(server_.get(), &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
    return true;
}

void SingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                bool ok = false;
                int request = QString::fromUtf8(socket->readLine()).trimmed().toInt(&ok);
                if (!ok) {
                    continue;
                }
                // Acknowledge first, then handle the request from the event
                // loop: the handler may open a modal box, and the socket can be
                // gone by the time it closes.
                socket->write("ok\n");
                socket->flush();
                QTimer::singleShot(0, this, [this, request] {
                    if (handler_) {
                        handler_(request);
                    }
                });
            }
        });
    }
}

bool SingleInstance::SendShowRequest(int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(serverName_);
    if (!socket.waitForConnected(timeoutMs)) {
        return false;
    }
    socket.write(QByteArray::number(kShowRequest) + "\n");
    if (!socket.waitForBytesWritten(timeoutMs)) {
        return false;
    }
    // Synchronous like a sent window message: wait until the first copy took it.
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs)) {
            return false;
        }
    }
    return socket.readLine().trimmed() == "ok";
}

}  // namespace mouse
