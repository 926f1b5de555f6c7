#include "buttons/dpi_msg.h"

namespace mouse {

namespace {
int g_liveCount = 0;
}  // namespace

CDPIMsg::CDPIMsg() {
    ++g_liveCount;
}

CDPIMsg::~CDPIMsg() {
    --g_liveCount;
}

int CDPIMsg::LiveCount() {
    return g_liveCount;
}

void CDPIMsg::SetText(const QString& text) {
    m_text = text;
    if (m_pLabel != nullptr) {
        m_pLabel->SetText(text);
    }
}

void CDPIMsg::InitWindow() {
    m_pLabel = m_pm.TryFindControl<CLabelUI>(QStringLiteral("dpi_value_label"));
    if (m_pLabel == nullptr) {
        return;
    }
    m_pLabel->SetText(m_text);
    // Near the top-left corner of the screen, where the window system lets
    // a program place its windows.
    MoveWindow(20, 20);
    ResizeWindow(150, 150);
}

}  // namespace mouse
