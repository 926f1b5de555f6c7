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

class SingleInstance : public QObject {
public:
    // base is "Mosue Driver Configure Velnor"; the lock and the server name
    // add the user, so two users on one machine do not collide.
    explicit SingleInstance(const QString& base);
    ~SingleInstance() override;

    // True when this is the first copy: the lock is taken and the server
    // listens (a socket left by a crashed copy is taken over).
    bool TryBecomePrimary();
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
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
    std::function<void(int)> handler_;
};

}  // namespace mouse
