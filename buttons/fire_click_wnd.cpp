#include "buttons/fire_click_wnd.h"

#include "performance/colour_pick.h"

namespace mouse {

CFireClickWnd::CFireClickWnd() {
    OnNotify(ev::kKillFocus, &CFireClickWnd::OnKillFocus);
}

void CFireClickWnd::InitWindow() {
    m_pm.CheckControls(kFireClickWndTable);
    m_pTime = m_pm.FindControl<CEditUI>(QStringLiteral("edit_time"));
    m_pDelay = m_pm.FindControl<CEditUI>(QStringLiteral("edit_delay"));
    if (m_pTime != nullptr) {
        m_pTime->SetText(QString::number(m_iCount));
    }
    if (m_pDelay != nullptr) {
        m_pDelay->SetText(QString::number(m_iDelay));
    }
}

void CFireClickWnd::OnClick(TNotifyUI& msg) {
    CloseOnDialogButton(msg);
}

void CFireClickWnd::OnKillFocus(TNotifyUI& msg) {
    if (msg.pSender == nullptr) {
        return;
    }
    // The field's value clamped to [low, 255]; the text shows a clamped end.
    // The number reads as a typed colour channel does: 0-255 at most.
    auto take = [](CEditUI* edit, int low, int& out) {
        bool clamped = false;
        const int value = ParseChannel(edit->GetText(), clamped);
        if (value <= low) {
            out = low;
            edit->SetText(QString::number(low));
        } else if (value >= kFireClickMax) {
            out = kFireClickMax;
            edit->SetText(QString::number(kFireClickMax));
        } else {
            out = value;
        }
    };
    if (msg.pSender == m_pTime) {
        take(m_pTime, kFireClickCountMin, m_iCount);
    } else if (msg.pSender == m_pDelay) {
        take(m_pDelay, kFireClickDelayMin, m_iDelay);
    }
}

}  // namespace mouse
