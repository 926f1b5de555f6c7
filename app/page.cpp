#include "app/page.h"

#include "store/record_library.h"
#include "ui/resource_manager.h"

namespace mouse {

void CPage::TellIfLibraryFull(size_t records) {
    if (records >= kMaxLibraryRecords) {
        ShowWarning(
            CResourceManager::GetInstance()->GetText("library_full_text").arg(kMaxLibraryRecords));
    }
}

void CPage::ApplyBindingChange(const BindingChange& change) {
    if (change.profilesChanged) {
        m_host.SaveInBackground({StoreFile::Profiles});
    }
    if (change.affected) {
        m_host.NoticeBindingChange();
    }
}

}  // namespace mouse
