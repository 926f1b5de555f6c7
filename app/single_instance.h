// Makes sure one copy of the program runs per user: the first copy holds a
// lock and listens on a local server; a later copy asks it to show itself.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace mouse {

// The request a second copy sends to the first: show the window.
inline constexpr int kShowRequest = 1037;

// Where the lock and the socket live, or why there is no safe place.
struct RuntimeFolder {
    QString path;
    QString error;  // set when path is empty
};
// The session's runtime folder when runtimeDir names one; else
// tempDir/mouse-driver-<uid>, else cacheDir/mouse-driver/runtime-<uid>, each
// made with mode 0700 and used only when it is a real folder of this user's
// with no access for others (never a link).
RuntimeFolder FindRuntimeFolder(const QString& runtimeDir, const QString& tempDir,
                                const QString& cacheDir);

class SingleInstance : public QObject {
public:
    // base is "Mosue Driver Configure Velnor"; the lock and the server name
    // add the user, so two users on one machine do not collide.
    explicit SingleInstance(const QString& base);
    ~SingleInstance() override;

    // True when this is the first copy: the lock is taken and the server
    // listens (a socket left by a crashed copy is taken over). False when
    // another copy holds the lock, or when there is no safe place for the
    // lock: Error() then says why.
    bool TryBecomePrimary();
    QString Error() const { return error_; }
    // From a second copy: sends the show request and waits for the first
    // copy to take it. False when no first copy answered.
    bool SendShowRequest(int timeoutMs = 2000);

    // Called on the first copy when a later copy sends a request.
    void SetRequestHandler(std::function<void(int request)> handler) {
        handler_ = std::move(handler);
    }

    QString ServerName() const { return serverName_; }
    QString LockPath() const { return lockPath_; }

private:
    void OnNewConnection();

    QString serverName_;
    QString lockPath_;
    QString error_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
    std::function<void(int)> handler_;
};

}  // namespace mouse
