#include "buttons/msg_wnd.h"

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
    }
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

}  // namespace mouse
