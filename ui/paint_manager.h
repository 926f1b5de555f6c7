// The paint manager: loads a window's skin, finds its controls by name, sends
// their notifications, and runs control timers. Also the notification pump
// that pages derive from, and the list-item template builder.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "ui/control_table.h"
#include "ui/controls.h"
#include "ui/ui_types.h"

class QObject;
class QTimer;
class QWidget;

namespace mouse {

class WindowImplBase;
class SkinEventFilter;

// A receiver of notifications with its own map of event type → handler, and
// with child pumps registered under virtual-window names.
class CNotifyPump {
public:
    using Handler = std::function<void(TNotifyUI&)>;
    virtual ~CNotifyPump() = default;

    // One handler per event type; a second call replaces the first.
    void OnNotify(const QString& type, Handler handler) { m_handlers[type] = std::move(handler); }
    template <class T>
    void OnNotify(const QString& type, void (T::*method)(TNotifyUI&)) {
        T* self = static_cast<T*>(this);
        OnNotify(type, [self, method](TNotifyUI& msg) { (self->*method)(msg); });
    }

    // Notifications whose sVirtualWnd is `name` go to `pump`.
    bool AddVirtualWnd(const QString& name, CNotifyPump* pump);
    bool RemoveVirtualWnd(const QString& name);
    CNotifyPump* FindVirtualWnd(const QString& name) const;

    // Routes to the virtual window named by msg.sVirtualWnd when one is
    // registered, else to this pump's map. True when a handler ran.
    bool NotifyPump(TNotifyUI& msg);
    // This pump's own map only.
    bool HandleByMap(TNotifyUI& msg);

private:
    QHash<QString, Handler> m_handlers;
    QHash<QString, CNotifyPump*> m_virtualWnds;
};

class CPaintManagerUI {
public:
    explicit CPaintManagerUI(WindowImplBase* window = nullptr);
    ~CPaintManagerUI();
    CPaintManagerUI(const CPaintManagerUI&) = delete;
    CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

    // Program folder (with a trailing '/') and skin folder (default: the
    // program folder + "res/"). Tests point the skin folder at the sources.
    static QString GetInstancePath();
    static void SetResourcePath(const QString& folder);
    static QString GetResourcePath();

    // Loads `file` from the skin folder into `host` (the layer's windows call
    // this). False, with an error naming the file, when it cannot be read or
    // parsed.
    bool LoadSkin(const QString& file, QWidget* host);
    QString GetSkinFile() const { return m_skinFile; }
    bool IsSkinLoaded() const { return m_root != nullptr; }

    // The control called `name`, or nullptr with an error naming the skin file
    // and the control. The typed form also reports a control of another kind.
    CControlUI* FindControl(const QString& name);
    template <class T>
    T* FindControl(const QString& name) {
        return CheckedCast<T>(FindControl(name), name);
    }
    // As FindControl, but a missing control is not an error.
    CControlUI* TryFindControl(const QString& name) const;
    template <class T>
    T* TryFindControl(const QString& name) {
        return CheckedCast<T>(TryFindControl(name), name);
    }
    // Looks up every control of the table; returns how many are missing or of
    // the wrong kind (each reported as an error). Optional entries only count
    // when present with the wrong kind.
    int CheckControls(const ControlTable& table);

    CControlUI* GetRoot() const;
    WindowImplBase* GetWindow() const { return m_window; }

    // Sends a notification from `sender` to the window (and from there to the
    // page that owns the sender's virtual window).
    void SendNotify(CControlUI* sender, const QString& type, WPARAM wParam = 0, LPARAM lParam = 0);
    // The virtual-window name that applies to `sender`.
    static QString VirtualWndOf(const CControlUI* sender);

    // Errors of all skins and lookups since the last ClearErrors (also written
    // to the diagnostic output).
    static QStringList GetErrors();
    static void ClearErrors();
    static void ReportError(const QString& message);

    // Shows every language key again (after the language file was loaded):
    // texts set with SetResourceText and the keys of the skins.
    static void RefreshTexts();

    // Test seam: with manual timers no real timer runs; FireTimer and
    // FirePendingTimers deliver them at once.
    static void SetManualTimers(bool manual);
    static bool ManualTimers();
    // Fires every active control timer once; returns how many fired.
    int FirePendingTimers();
    bool FireTimer(CControlUI* control, UINT id);

    // For the layer: timers of controls, wrappers of widgets.
    bool SetTimer(CControlUI* control, UINT id, UINT ms);
    void KillTimer(CControlUI* control, UINT id);
    bool IsTimerActive(const CControlUI* control, UINT id) const;
    CControlUI* WrapperOf(const QWidget* widget) const;
    // Wraps every named widget of `root` (and root); names are registered for
    // FindControl when `byName`.
    void Adopt(QWidget* root, bool byName);
    QWidget* GetHost() const { return m_host; }
    QObject* GetContext() const;

private:
    template <class T>
    T* CheckedCast(CControlUI* control, const QString& name) {
        if (control == nullptr) {
            return nullptr;
        }
        T* typed = dynamic_cast<T*>(control);
        if (typed == nullptr) {
            ReportKindMismatch(name, control, T::kKind);
        }
        return typed;
    }
    void ReportKindMismatch(const QString& name, const CControlUI* control, ControlKind expected);
    CControlUI* Wrap(QWidget* widget);
    static void ApplySkinTexts(QWidget* widget);
    void Forget(QObject* widget);

    WindowImplBase* m_window;
    QWidget* m_host = nullptr;
    QWidget* m_root = nullptr;
    QString m_skinFile;
    std::map<const QObject*, std::unique_ptr<CControlUI>> m_wrappers;
    QHash<QString, CControlUI*> m_byName;
    std::map<std::pair<const CControlUI*, UINT>, QTimer*> m_timers;
    std::map<std::pair<const CControlUI*, UINT>, bool> m_manualTimers;
    std::unique_ptr<SkinEventFilter> m_filter;
};

// Builds a control tree from a template skin file ("macrolistitem.xml") for
// use as a list item (CListUI::AddItem). The tree belongs to the manager until
// a list takes it; its controls are found with FindSubControl, not by the
// manager's FindControl. nullptr (with an error) when the file is bad.
class CDialogBuilder {
public:
    static CControlUI* Create(const QString& skinFile, CPaintManagerUI* manager);
};

}  // namespace mouse
