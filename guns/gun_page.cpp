#include "guns/gun_page.h"

#include "app/main_wnd.h"

namespace mouse {

void CGunPage::FillFolderList() {
    if (m_pMainWnd != nullptr) {
        FillFolderCombo("gun_combo", m_pMainWnd->GetStores().guns);
    }
}

}  // namespace mouse
