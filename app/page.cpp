#include "app/page.h"

#include "app/main_wnd.h"
#include "buttons/msg_wnd.h"
#include "device/messages.h"
#include "store/record_library.h"

namespace mouse {

CMenuWnd* CPage::CurrentMenu() const {
    return m_pMainWnd != nullptr ? m_pMainWnd->CurrentMenu() : nullptr;
}

void CPage::ShowOverlay(bool show) {
    CControlUI* overlay =
        m_pPM != nullptr ? m_pPM->TryFindControl(QStringLiteral("disable_window_ver")) : nullptr;
    if (overlay != nullptr) {
        overlay->SetVisible(show);
    }
}

int CPage::RunDialog(WindowImplBase& dlg, const std::function<void()>& beforeShow) {
    ShowOverlay(true);
    int result = 0;
    if (dlg.Create(m_pMainWnd, {}, kStyleTool)) {
        if (beforeShow) {
            beforeShow();
        }
        dlg.CenterWindow();
        result = dlg.ShowModal();
    }
    ShowOverlay(false);
    return result;
}

bool CPage::Confirm(const QString& messageKey) {
    ShowOverlay(true);
    const int result = ShowMessage(m_pMainWnd, QStringLiteral("warning_title_text"), messageKey);
    ShowOverlay(false);
    return result == 1;
}

void CPage::TellIfLibraryFull(size_t records) {
    if (records >= kMaxLibraryRecords) {
        ShowWarning(
            CResourceManager::GetInstance()->GetText("library_full_text").arg(kMaxLibraryRecords));
    }
}

void CPage::ApplyBindingChange(const BindingChange& change) {
    if (change.profilesChanged) {
        m_pMainWnd->SaveInBackground({StoreFile::Profiles});
    }
    if (change.affected) {
        m_pMainWnd->SendMessage(kMsgBindingChanged, 0, 0);
    }
}

}  // namespace mouse
