#include "app/single_instance.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStringList>
#include <QTimer>
#include <cerrno>
#include <cstring>

#include "store/program_ids.h"

namespace mouse {

namespace {

// Empty when path is a real folder (not a link) of this user that no one
// else may enter; else why it may not be used.
QString PrivateFolderProblem(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
        return QString::fromLocal8Bit(std::strerror(errno));
    }
    if (S_ISLNK(st.st_mode)) {
        return QStringLiteral("it is a symbolic link");
    }
    if (!S_ISDIR(st.st_mode)) {
        return QStringLiteral("it is not a folder");
    }
    if (st.st_uid != ::getuid()) {
        return QStringLiteral("it belongs to another user");
    }
    if ((st.st_mode & 077) != 0) {
        return QStringLiteral("other users have access to it");
    }
    return {};
}

// Makes path with mode 0700 when it is missing (its parents as needed), then
// checks it. Empty when it may be used.
QString MakePrivateFolder(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno == ENOENT) {
        QDir().mkpath(QFileInfo(path).path());
        ::mkdir(native.constData(), 0700);
    }
    return PrivateFolderProblem(path);
}

}  // namespace

RuntimeFolder FindRuntimeFolder(const QString& runtimeDir, const QString& tempDir,
                                const QString& cacheDir) {
    // The session's runtime folder is made by the login for this user alone.
    if (!runtimeDir.isEmpty() && QFileInfo(runtimeDir).isDir()) {
        return {runtimeDir, {}};
    }
    // Without one, a folder of the user's own in the temporary folder. Anyone
    // may create names there, so a folder found under that name is used only
    // when it is certainly this user's and private; otherwise another user
    // could keep the program from starting with a lock of their own, or
    // steer its socket elsewhere with a link. The cache folder in the home
    // is then the place no one else can prepare.
    const QString uid = QString::number(::getuid());
    QStringList refused;
    for (const QString& candidate :
         {tempDir + "/mouse-driver-" + uid, cacheDir + "/mouse-driver/runtime-" + uid}) {
        const QString problem = MakePrivateFolder(candidate);
        if (problem.isEmpty()) {
            return {candidate, {}};
        }
        refused << candidate + ": " + problem;
    }
    return {{},
            "no private folder for the program's lock and socket (XDG_RUNTIME_DIR is not set; " +
                refused.join("; ") + ")"};
}

SingleInstance::SingleInstance(const QString& base) {
    // The user id, not the user name: the same user with and without USER set
    // must find the same copy.
    const QString name = QString::fromStdString(SingleInstanceName(base.toStdString(), getuid()));
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty()) {
        cache = QDir::homePath() + "/.cache";
    }
    const RuntimeFolder folder =
        FindRuntimeFolder(qEnvironmentVariable("XDG_RUNTIME_DIR"), QDir::tempPath(), cache);
    error_ = folder.error;
    serverName_ = QDir(folder.path).filePath(name + ".sock");
    lockPath_ = QDir(folder.path).filePath(name + ".lock");
}

SingleInstance::~SingleInstance() {
    if (server_) {
        server_->close();
    }
}

bool SingleInstance::TryBecomePrimary() {
    if (!error_.isEmpty()) {
        return false;
    }
    // The folder is private, so only a copy of this user's can have put
    // anything under these names; a link or a folder there is still never
    // followed (QLockFile makes its file with O_EXCL, which fails on a
    // link).
    struct stat st {};
    if (::lstat(QFile::encodeName(lockPath_).constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        error_ = lockPath_ + " is not a regular file";
        return false;
    }
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
