#include "performance/performance_page.h"

#include "ui/controls.h"

namespace mouse {

void CPerformancePage::RefreshFromProfile() {}

void CPerformancePage::SelectDpiLevel(int level) {
    if (m_pPM == nullptr) {
        return;
    }
    if (auto* option = m_pPM->TryFindControl<COptionUI>(QString("mouse_dpi_btn_%1").arg(level))) {
        option->Selected(true, false);
    }
}

void CPerformancePage::SelectReportRate(int index) {
    if (m_pPM == nullptr) {
        return;
    }
    if (auto* option =
            m_pPM->TryFindControl<COptionUI>(QString("prate_%1_option").arg(index + 1))) {
        option->Selected(true, false);
    }
}

}  // namespace mouse
