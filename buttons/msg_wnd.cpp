#include "buttons/msg_wnd.h"

#include <algorithm>

namespace mouse {

void CMsgWnd::InitWindow() {
    m_pm.CheckControls(kMsgWndTable);
    m_pTitle = m_pm.FindControl<CLabelUI>(QStringLiteral("label_title"));
    m_pString = m_pm.FindControl<CLabelUI>(QStringLiteral("label_string"));
    if (m_pTitle != nullptr) {
        m_pTitle->SetResourceText(m_title);
    }
    if (m_pString != nullptr) {
        m_pString->SetResourceText(m_msg);
        FitMessage();
    }
    if (m_notice) {
        auto* ok = m_pm.TryFindControl<CButtonUI>(QStringLiteral("ok_btn"));
        auto* cancel = m_pm.TryFindControl<CButtonUI>(QStringLiteral("cancel_btn"));
        if (ok != nullptr && cancel != nullptr) {
            // OK takes the middle of the span the two buttons shared.
            const QRect a = ok->GetPos();
            const QRect b = cancel->GetPos();
            const int middle = (std::min(a.left(), b.left()) + std::max(a.right(), b.right())) / 2;
            ok->SetPos(QRect(middle - a.width() / 2, a.top(), a.width(), a.height()));
        }
        if (cancel != nullptr) {
            cancel->Hide();
        }
    }
}

void CMsgWnd::FitMessage() {
    // A long message (a list of files with their paths, say) makes the box
    // taller, the buttons moving down with it, instead of being cut off.
    constexpr int kMostExtra = 360;
    const QRect text = m_pString->GetPos();
    const int extra = std::clamp(m_pString->TextHeight() - text.height(), 0, kMostExtra);
    if (extra == 0) {
        return;
    }
    m_pString->SetPos(text.adjusted(0, 0, 0, extra));
    for (const char* name : {"ok_btn", "cancel_btn"}) {
        if (auto* button = m_pm.TryFindControl<CButtonUI>(QLatin1String(name))) {
            button->SetPos(button->GetPos().translated(0, extra));
        }
    }
    const QRect window = GetWindowRect();
    ResizeWindow(window.width(), window.height() + extra);
}

void CMsgWnd::OnClick(TNotifyUI& msg) {
    CloseOnDialogButton(msg);
}

int ShowMessage(WindowImplBase* parent, const QString& titleKey, const QString& msgKey) {
    CMsgWnd wnd;
    wnd.SetTitle(titleKey);
    wnd.SetMsg(msgKey);
    if (!wnd.Create(parent)) {
        return 0;
    }
    wnd.CenterWindow();
    return wnd.ShowModal();
}

void ShowNotice(WindowImplBase* parent, const QString& titleKey, const QString& msgKey) {
    CMsgWnd wnd;
    wnd.SetTitle(titleKey);
    wnd.SetMsg(msgKey);
    wnd.SetNotice(true);
    if (wnd.Create(parent)) {
        wnd.CenterWindow();
        wnd.ShowModal();
    }
}

}  // namespace mouse
