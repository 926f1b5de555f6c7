// What a page of the main window may use of the window that holds it: the
// current profile, the stores with the libraries and their saves, dialogs
// and messages over the dimming overlay, the pop-up menu and the notice that
// the current profile's bindings changed. The main window implements it; a
// page sees nothing else of the window.
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <functional>
#include <initializer_list>

#include "device/records.h"
#include "macros/hook_library.h"
#include "performance/pointer_settings.h"
#include "store/data_ini.h"
#include "store/stores.h"
#include "ui/ui_types.h"

namespace mouse {

class CMenuWnd;
class KeyboardLayout;
class WindowImplBase;

class PageHost {
public:
    // The profile the pages show and edit, and the mouse's configuration
    // (sensor, lift-off row) from Data.ini.
    virtual ProfileRecord& CurrentProfile() = 0;
    virtual const DeviceConfig& Config() const = 0;

    // The stores, the macro and preset libraries among them, and their
    // saves: queued for the store writer, failures told by the host.
    virtual Stores& GetStores() = 0;
    virtual void SaveInBackground(std::initializer_list<StoreFile> files) = 0;

    // Runs dlg modally as a tool window over the host, centred, with the
    // dimming overlay shown; its result, or 0 when it could not be created.
    // beforeShow runs between creation and showing.
    virtual int RunDialog(WindowImplBase& dlg, const std::function<void()>& beforeShow) = 0;
    // The warning box (OK and Cancel) with the text of messageKey over the
    // overlay; true when the user chose OK.
    virtual bool Confirm(const QString& messageKey) = 0;
    // The window that owns file pickers and the colour picker.
    virtual WindowImplBase* DialogOwner() = 0;

    // The pop-up menu: at most one is open; opening one closes the other.
    virtual CMenuWnd* ShowPopupMenu(const QString& skinFile, QPoint anchor, UINT align) = 0;
    virtual void ClosePopupMenu() = 0;
    virtual CMenuWnd* CurrentMenu() = 0;
    // Where the host's client area lies on the screen, for placing menus
    // under the page's controls.
    virtual QRect ScreenRect() const = 0;

    // A library change moved or changed what buttons of the current profile
    // are bound to: the button labels are shown again.
    virtual void NoticeBindingChange() = 0;

    // The input hook for recording and key capture (check Available()),
    // where its reports go, and the keyboard layout naming the keys.
    virtual HookApi& Hook() = 0;
    virtual HookSink HookSinkToWindow() = 0;
    virtual const KeyboardLayout& Keyboard() const = 0;

    // Which pointer settings the desktop takes, and its name.
    virtual PointerCapabilities DesktopPointer() const = 0;

protected:
    ~PageHost() = default;
};

}  // namespace mouse
