// The running program as a service on the session bus: the profiles, the
// DPI level, apply and the mouse's state for scripts and hotkeys, with
// signals when they change. The interface is app/dbus/
// io.github.mousedriver.MouseDriver1.xml, which the service also answers
// introspection with; the README describes it.
#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "store/program_ids.h"

namespace mouse {

// What GetState reports.
struct ServiceState {
    bool connected = false;
    bool ready = false;
    QString firmware;  // "major.minor", empty until read
    int pendingApplies = 0;
    bool applied = false;  // an apply finished in this run; the fields below are its result
    int reports = 0;
    int refused = 0;
    QStringList refusedSteps;
};

// What the service may use of the main window. Every call is made on the
// user-interface thread, through the paths the window's own controls use.
class ServiceHost {
public:
    virtual QStringList ProfileNames() const = 0;
    virtual int CurrentProfileIndex() const = 0;
    // Chooses the profile in the profile list, then applies it.
    virtual void SwitchAndApply(int index) = 0;
    // The current profile's DPI level (1-based) and the levels it uses.
    virtual int DpiLevel() const = 0;
    virtual int DpiLevelCount() const = 0;
    // Selects the level's option on the performance page, then applies.
    virtual void ChooseDpiLevelAndApply(int level) = 0;
    virtual void Apply() = 0;
    virtual ServiceState State() const = 0;
    // State().ready alone, cheap enough to ask after every event.
    virtual bool Ready() const = 0;
    // A modal dialog, message box or file picker of the program is open.
    virtual bool ModalOpen() const = 0;

protected:
    ~ServiceHost() = default;
};

class DBusService final : public QDBusVirtualObject {
public:
    explicit DBusService(ServiceHost& host);
    ~DBusService() override;
    DBusService(const DBusService&) = delete;
    DBusService& operator=(const DBusService&) = delete;

    // Registers the object and takes the bus name on the session bus, or on
    // the bus at `address` when one is given. False, logged once, when the
    // bus cannot be reached or the name is taken (another copy runs): the
    // program then runs without the service.
    bool Start(const QString& address = {});
    bool Running() const { return bus_.has_value(); }

    // Sends ProfileChanged, DpiLevelChanged, MouseArrived or MouseRemoved for
    // what changed since the last call (the first call only takes note).
    // The window calls it after everything that may change them.
    void Observe();
    void SendApplyFinished(bool complete, int reports, int refused, const QStringList& steps);

    // Where the KWin script's WindowActivated reports go (appId, title, pid).
    using WindowReport = std::function<void(const QString&, const QString&, int)>;
    void SetWindowActivatedHook(WindowReport hook) { windowActivated_ = std::move(hook); }

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    QDBusMessage Answer(const QDBusMessage& call);
    void Send(const char* signal, const QVariantList& args);

    ServiceHost& host_;
    std::optional<QDBusConnection> bus_;
    WindowReport windowActivated_;
    QString ownConnection_;  // the connection to `address`, closed with the service
    bool observed_ = false;
    int profile_ = -1;
    int dpiLevel_ = 0;
    bool ready_ = false;
};

}  // namespace mouse
