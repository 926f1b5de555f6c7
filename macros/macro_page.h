// The macro page: the macro library's folders, macros and actions.
#pragma once

#include <QString>

#include "app/page.h"
#include "ui/ui_types.h"

namespace mouse {

class CMacroPage : public CPage {
public:
    // Fills the folder selector from the folder records of the macro list
    // and selects the first folder.
    void FillFolderList();
    void OnMenuCommand(const QString& name) { (void)name; }
    // Keyboard and mouse-button events from the recorder.
    void OnHookEvent(UINT msg, WPARAM wParam, LPARAM lParam) {
        (void)msg, (void)wParam, (void)lParam;
    }
};

}  // namespace mouse
