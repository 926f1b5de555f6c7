#include "performance/select_color_wnd.h"

namespace mouse {

namespace {
constexpr Channel kChannels[] = {Channel::Red, Channel::Green, Channel::Blue};
}  // namespace

CSelectColorWnd::CSelectColorWnd() {
    OnNotify(ev::kColorChanged, &CSelectColorWnd::OnPaletteColour);
    OnNotify(ev::kColorChangedButtonUp, &CSelectColorWnd::OnPaletteColour);
    OnNotify(ev::kTextChanged, &CSelectColorWnd::OnTextChanged);
}

void CSelectColorWnd::SetColor(uint32_t argb) {
    m_color = argb | 0xFF000000u;
    if (IsCreated()) {
        ShowColour(true);
    }
}

void CSelectColorWnd::InitWindow() {
    m_pm.CheckControls(kSelectColorTable);
    m_pPreview = m_pm.FindControl(QStringLiteral("current_color_control"));
    m_pEdit[0] = m_pm.FindControl<CEditUI>(QStringLiteral("r_edit"));
    m_pEdit[1] = m_pm.FindControl<CEditUI>(QStringLiteral("g_edit"));
    m_pEdit[2] = m_pm.FindControl<CEditUI>(QStringLiteral("b_edit"));
    m_pPalette = m_pm.FindControl<CColorPaletteUI>(QStringLiteral("color_Pallet"));
    ShowColour(true);
}

void CSelectColorWnd::ShowColour(bool edits) {
    if (m_pPalette != nullptr) {
        m_pPalette->SetSelectColor(m_color);
    }
    if (m_pPreview != nullptr) {
        m_pPreview->SetBkColor(m_color);
    }
    if (edits) {
        ShowChannels(m_color, m_pEdit[0], m_pEdit[1], m_pEdit[2]);
    }
}

void CSelectColorWnd::OnClick(TNotifyUI& msg) {
    CloseOnDialogButton(msg);
}

void CSelectColorWnd::OnPaletteColour(TNotifyUI& msg) {
    if (msg.pSender == nullptr || msg.pSender != m_pPalette) {
        return;
    }
    m_color = m_pPalette->GetSelectColor() | 0xFF000000u;
    if (m_pPreview != nullptr) {
        m_pPreview->SetBkColor(m_color);
    }
    ShowChannels(m_color, m_pEdit[0], m_pEdit[1], m_pEdit[2]);
}

void CSelectColorWnd::OnTextChanged(TNotifyUI& msg) {
    for (int i = 0; i < 3; ++i) {
        if (msg.pSender != nullptr && msg.pSender == m_pEdit[i]) {
            m_color = WithChannel(m_color, kChannels[i], TakeChannelEntry(*m_pEdit[i]));
            ShowColour(false);
            return;
        }
    }
}

}  // namespace mouse
