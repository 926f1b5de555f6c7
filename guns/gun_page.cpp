#include "guns/gun_page.h"

#include "app/main_wnd.h"

namespace mouse {

void CGunPage::FillFolderList() {
    if (m_pPM == nullptr || m_pMainWnd == nullptr) {
        return;
    }
    auto* combo = m_pPM->TryFindControl<CComboUI>("gun_combo");
    if (combo == nullptr) {
        return;
    }
    combo->RemoveAll();
    for (const auto& record : m_pMainWnd->GetStores().guns) {
        if (record->isFolder == 1) {
            std::u16string name = ReadText(record->folderName);
            combo->AddItem(QString::fromUtf16(name.data(), qsizetype(name.size())), 25);
        }
    }
    if (combo->GetCount() > 0) {
        combo->SelectItem(0);
    }
}

}  // namespace mouse
