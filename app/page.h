// Common base of the five pages of the main window: a notification pump that
// knows its window and paint manager and looks its controls up once.
#pragma once

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
    CMainWnd* m_pMainWnd = nullptr;
    CPaintManagerUI* m_pPM = nullptr;
};

}  // namespace mouse
