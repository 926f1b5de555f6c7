// Common base of the five pages of the main window: a notification pump that
// knows its host (app/page_host.h) and paint manager and looks its controls
// up once.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/page_host.h"
#include "device/records.h"
#include "ui/controls.h"
#include "ui/paint_manager.h"
#include "ui/window.h"

namespace mouse {

class CMenuWnd;
struct BindingChange;

class CPage : public CNotifyPump {
public:
    // manager: the paint manager of the host's window, where the page's
    // controls live.
    CPage(PageHost& host, CPaintManagerUI& manager) : m_host(host), m_pPM(&manager) {}
    // Looks up the page's controls; called once after the skin is loaded.
    virtual void InitControls() {}
    // Shows the current profile. Stores nothing: controls are set without
    // notifying the page's own handlers.
    virtual void Refresh() {}
    // A command of one of the page's menus, routed by the main window.
    virtual void OnMenuCommand(const QString& name) { static_cast<void>(name); }
    // The host's open pop-up menu (the page's own menus open there too, so
    // only one is ever open); nullptr when none is.
    CMenuWnd* CurrentMenu() const { return m_host.CurrentMenu(); }

protected:
    // A modal dialog over the host with the dimming overlay shown; its
    // result, or 0 when it could not be created. beforeShow runs between
    // creation and showing (the select dialogs start their preselection
    // timer there).
    int RunDialog(WindowImplBase& dlg, const std::function<void()>& beforeShow = {}) {
        return m_host.RunDialog(dlg, beforeShow);
    }
    // The warning box (OK and Cancel) with the text of messageKey, over the
    // overlay; true when the user chose OK.
    bool Confirm(const QString& messageKey) { return m_host.Confirm(messageKey); }
    // The same box for a message that only tells something.
    void ShowWarning(const QString& messageKey) { Confirm(messageKey); }
    // After a new folder or item was refused: tells the user when the reason
    // is that the library holds as many records as the program keeps.
    void TellIfLibraryFull(size_t records);
    // After a library change: saves profile.bin once when a profile's
    // bindings changed, and tells the host when a button of the current
    // profile is bound to the changed record.
    void ApplyBindingChange(const BindingChange& change);

    PageHost& m_host;
    CPaintManagerUI* m_pPM;
};

}  // namespace mouse
