#include "buttons/binding_choice_wnd.h"

#include "device/records.h"
#include "performance/colour_pick.h"
#include "ui/text.h"

namespace mouse {

CBindingChoiceWnd::CBindingChoiceWnd() {
    OnNotify(ev::kSelectChanged, &CBindingChoiceWnd::OnSelectChanged);
}

void CBindingChoiceWnd::InitChoiceControls() {
    for (int i = 0; i < 3; ++i) {
        m_pRepeat[i] = m_pm.FindControl<COptionUI>(Numbered("repeat_%d", i + 1));
    }
    if (m_repeatMode >= 0 && m_repeatMode < 3 && m_pRepeat[m_repeatMode] != nullptr) {
        m_pRepeat[m_repeatMode]->Selected(true, false);
    }
    m_pColour = m_pm.FindControl<CButtonUI>(QStringLiteral("btn_gun_color"));
    if (m_pColour != nullptr) {
        m_pColour->SetBkColor(ColourToArgb(m_colour));
    }
}

void CBindingChoiceWnd::OnClick(TNotifyUI& msg) {
    if (CloseOnDialogButton(msg)) {
        return;
    }
    if (msg.pSender != nullptr && msg.pSender == m_pColour) {
        uint32_t argb = ColourToArgb(m_colour);
        if (PickColour(this, argb)) {
            m_pColour->SetBkColor(argb);
            m_colour = ArgbToColour(argb);
        }
    }
}

void CBindingChoiceWnd::OnSelectChanged(TNotifyUI& msg) {
    if (msg.wParam == 0) {
        return;
    }
    for (int i = 0; i < 3; ++i) {
        if (msg.pSender != nullptr && msg.pSender == m_pRepeat[i]) {
            m_repeatMode = i;
        }
    }
}

}  // namespace mouse
