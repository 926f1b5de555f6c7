#include "macros/macro_page.h"

#include "app/main_wnd.h"

namespace mouse {

void CMacroPage::FillFolderList() {
    if (m_pMainWnd != nullptr) {
        FillFolderCombo("macro_combo", m_pMainWnd->GetStores().macros);
    }
}

}  // namespace mouse
