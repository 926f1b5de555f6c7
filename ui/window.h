// WindowImplBase: one frameless window built from a skin file, with
// notifications, numbered messages, window timers and a modal run.
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <map>
#include <memory>

#include "ui/paint_manager.h"
#include "ui/ui_types.h"

class QEventLoop;
class QTimer;
class QWidget;

namespace mouse {

class HostWidget;

// Window styles for Create.
enum WindowStyle : UINT {
    kStyleDialog = 0,           // frameless window, owned by its parent
    kStyleTool = 1 << 0,        // tool window (no task-bar entry)
    kStyleTopmost = 1 << 1,     // stays above other windows
    kStyleNoActivate = 1 << 2,  // shown without taking the focus
    kStylePopup = 1 << 3,       // closes when the user clicks outside it (menus)
};

class WindowImplBase : public CNotifyPump {
public:
    WindowImplBase();
    ~WindowImplBase() override;
    WindowImplBase(const WindowImplBase&) = delete;
    WindowImplBase& operator=(const WindowImplBase&) = delete;

    virtual QString GetWindowClassName() const = 0;
    virtual QString GetSkinFile() const = 0;

    // Builds the window from GetSkinFile(), owned by `parent` (nullptr: none),
    // then calls InitWindow. False (InitWindow not called) when the skin
    // cannot be loaded; the error names the file.
    bool Create(WindowImplBase* parent, const QString& title = {}, UINT style = kStyleDialog);
    bool IsCreated() const;

    void CenterWindow();  // on the parent, or on the screen without one
    void ShowWindow(bool show = true, bool takeFocus = true);
    // Runs the window modally and returns the value passed to Close; closing
    // it by other means (Escape, the window system) gives 0. A window whose
    // skin failed returns 0 at once.
    int ShowModal();
    bool IsModal() const { return m_modalLoop != nullptr || m_inSeam; }
    // How many windows run ShowModal right now (a test seam's answer counts
    // while it runs).
    static int OpenModalCount();
    // Modal: ends ShowModal with `result`. Otherwise destroys the window.
    void Close(int result = 0);
    // The buttons every modal dialog shares: ok_btn ends it with 1,
    // cancel_btn and exit_btn with 0. True when msg was one of them.
    bool CloseOnDialogButton(const TNotifyUI& msg);
    // Hides the window for good: WM_DESTROY reaches HandleCustomMessage, then
    // OnFinalMessage runs (and the object is deleted when the flag is set).
    void DestroyWindow();

    bool IsWindowVisible() const;
    bool IsMinimized() const;
    void Minimize();
    void Restore();
    void BringToFront();
    void SetWindowTitle(const QString& title);
    // Window icon from an image file; false when the file cannot be read.
    bool SetIcon(const QString& imageFile);
    QRect GetWindowRect() const;  // screen coordinates
    void MoveWindow(int x, int y);
    void ResizeWindow(int width, int height);

    // Numbered messages, delivered to HandleCustomMessage on the UI thread.
    // PostMessage may be called from any thread while the window exists;
    // SendMessage waits for the handler (from another thread it blocks until
    // the UI thread has run it).
    bool PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

    // Window timers: WM_TIMER with wParam = id to HandleCustomMessage.
    bool SetTimer(UINT id, UINT ms);
    void KillTimer(UINT id);
    bool IsTimerActive(UINT id) const;
    // Period in ms of an active timer, 0 when the timer is not active.
    UINT GetTimerInterval(UINT id) const;
    // Test seam: delivers timer `id` now if it is active.
    bool FireTimer(UINT id);

    // Deletes the object after OnFinalMessage (for windows created with new).
    void SetDeleteOnFinalMessage(bool on) { m_deleteOnFinal = on; }

    CPaintManagerUI* GetPaintManager() { return &m_pm; }
    template <class T = CControlUI>
    T* FindControl(const QString& name) {
        return m_pm.FindControl<T>(name);
    }
    WindowImplBase* GetParent() const { return m_parent; }

    // Called by the layer for each notification of this window's controls:
    // to the page registered under the sender's virtual-window name, else Notify.
    virtual void DispatchNotify(TNotifyUI& msg);
    LRESULT DispatchMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    QWidget* GetHostWidget() const;  // for the UI layer and its tests

protected:
    // Called once after the controls exist.
    virtual void InitWindow() {}
    // Default: the handler registered with OnNotify for msg.sType; "click"
    // without one goes to OnClick.
    virtual void Notify(TNotifyUI& msg);
    virtual void OnClick(TNotifyUI& msg) { (void)msg; }
    // Numbered messages, WM_TIMER, WM_CLOSE (set handled to keep the window
    // open) and WM_DESTROY.
    virtual LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
        (void)msg, (void)wParam, (void)lParam;
        handled = false;
        return 0;
    }
    // After the window is gone for good.
    virtual void OnFinalMessage() {}

    CPaintManagerUI m_pm;

private:
    friend class HostWidget;
    void OnSystemClose();
    void Finish();

    std::unique_ptr<HostWidget> m_host;
    WindowImplBase* m_parent = nullptr;
    QEventLoop* m_modalLoop = nullptr;
    int m_modalResult = 0;
    bool m_created = false;
    bool m_destroyed = false;
    bool m_deleteOnFinal = false;
    bool m_inSeam = false;                // a ModalSeam answer is running
    bool m_destroying = false;            // no notification reaches a half-destroyed window
    bool m_seamClosed = false;            // ... and it closed the window
    std::map<UINT, UINT> m_manualTimers;  // id -> period
    std::map<UINT, QTimer*> m_timers;
};

// Test seam for modal windows: a queued answer ends the next ShowModal at once.
// `before` receives the window first (set its fields, click its controls);
// when it closes the window, that result stands, otherwise `result` does.
class ModalSeam {
public:
    using Action = std::function<void(WindowImplBase&)>;
    static void Answer(int result, Action before = {});
    static int Pending();
    static void Clear();
    // Class names of the windows answered so far.
    static QStringList Answered();

    // For WindowImplBase.
    struct Entry {
        int result;
        Action before;
    };
    static bool Take(Entry& out);
    static void NoteAnswered(const QString& className);
};

}  // namespace mouse
