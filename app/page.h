// Common base of the five pages of the main window: a notification pump that
// knows its window and paint manager and looks its controls up once.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/records.h"
#include "ui/controls.h"
#include "ui/paint_manager.h"
#include "ui/window.h"

namespace mouse {

class CMainWnd;
class CMenuWnd;
struct BindingChange;

class CPage : public CNotifyPump {
public:
    void SetOwner(CMainWnd* window, CPaintManagerUI* manager) {
        m_pMainWnd = window;
        m_pPM = manager;
    }
    // Looks up the page's controls; called once after the skin is loaded.
    virtual void InitControls() {}
    // The main window's open pop-up menu (the page's own menus open there
    // too, so only one is ever open); nullptr when none is.
    CMenuWnd* CurrentMenu() const;

protected:
    // Shows or hides the main window's dimming overlay (disable_window_ver),
    // which covers the window while a modal dialog or box is open.
    void ShowOverlay(bool show);
    // Creates dlg as a tool window over the main window, centres it and runs
    // it modally with the overlay shown; its result, or 0 when it could not
    // be created. beforeShow runs between creation and showing (the select
    // dialogs start their preselection timer there).
    int RunDialog(WindowImplBase& dlg, const std::function<void()>& beforeShow = {});
    // The warning box (OK and Cancel) with the text of messageKey, over the
    // overlay; true when the user chose OK.
    bool Confirm(const QString& messageKey);
    // The same box for a message that only tells something.
    void ShowWarning(const QString& messageKey) { Confirm(messageKey); }
    // After a new folder or item was refused: tells the user when the reason
    // is that the library holds as many records as the program keeps.
    void TellIfLibraryFull(size_t records);
    // After a library change: saves profile.bin once when a profile's
    // bindings changed, and tells the main window (0x467) when a button of
    // the current profile is bound to the changed record.
    void ApplyBindingChange(const BindingChange& change);

    // Fills a folder selector with the names of the folder records of a
    // library (items 25 high) and selects the first one.
    template <typename Record>
    void FillFolderCombo(const char* comboName, const std::vector<std::unique_ptr<Record>>& list) {
        auto* combo = m_pPM != nullptr ? m_pPM->TryFindControl<CComboUI>(comboName) : nullptr;
        if (combo == nullptr) {
            return;
        }
        combo->RemoveAll();
        for (const auto& record : list) {
            if (record->isFolder == 1) {
                std::u16string name = ReadText(record->folderName);
                combo->AddItem(QString::fromUtf16(name.data(), qsizetype(name.size())), 25);
            }
        }
        if (combo->GetCount() > 0) {
            combo->SelectItem(0);
        }
    }

    CMainWnd* m_pMainWnd = nullptr;
    CPaintManagerUI* m_pPM = nullptr;
};

}  // namespace mouse
