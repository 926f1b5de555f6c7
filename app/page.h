// Common base of the five pages of the main window: a notification pump that
// knows its window and paint manager and looks its controls up once.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "device/records.h"
#include "ui/controls.h"
#include "ui/paint_manager.h"

namespace mouse {

class CMainWnd;

class CPage : public CNotifyPump {
public:
    void SetOwner(CMainWnd* window, CPaintManagerUI* manager) {
        m_pMainWnd = window;
        m_pPM = manager;
    }
    // Looks up the page's controls; called once after the skin is loaded.
    virtual void InitControls() {}

protected:
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
