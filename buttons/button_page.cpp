#include "buttons/button_page.h"

namespace mouse {

void CButtonPage::ShowMode(int mode) {
    m_iMode = mode == 1 ? 1 : 0;
}

void CButtonPage::ShowButton(int slot) {
    (void)slot;
}

void CButtonPage::OnMenuCommand(const QString& name) {
    m_lastCommand = name;
}

}  // namespace mouse
