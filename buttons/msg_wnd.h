// The message box: a title, a message and three buttons, run modally.
// Result 1 for ok_btn; 0 for cancel_btn, exit_btn, Escape and the window
// system's close.
#pragma once

#include <QString>

#include "ui/ui.h"

namespace mouse {

inline constexpr ControlSpec kMsgWndControls[] = {
    {"ok_btn", ControlKind::Button},      {"cancel_btn", ControlKind::Button},
    {"exit_btn", ControlKind::Button},    {"label_title", ControlKind::Label},
    {"label_string", ControlKind::Label},
};
inline constexpr ControlTable kMsgWndTable{"msg.xml", "CMsgWnd", kMsgWndControls};
MOUSE_REGISTER_CONTROL_TABLE(kMsgWndTable);

class CMsgWnd : public WindowImplBase {
public:
    QString GetWindowClassName() const override { return QStringLiteral("MsgWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("msg.xml"); }

    // Language keys of the two texts; both empty after construction.
    void SetTitle(const QString& titleKey) { m_title = titleKey; }
    void SetMsg(const QString& msgKey) { m_msg = msgKey; }
    QString GetTitle() const { return m_title; }
    QString GetMsg() const { return m_msg; }
    // A notice tells something and asks nothing: it shows OK alone, in the
    // middle of the row, and cancel_btn is hidden.
    void SetNotice(bool notice) { m_notice = notice; }
    bool IsNotice() const { return m_notice; }

protected:
    void InitWindow() override;
    void OnClick(TNotifyUI& msg) override;

private:
    void FitMessage();
    QString m_title;
    QString m_msg;
    bool m_notice = false;
    CLabelUI* m_pTitle = nullptr;
    CLabelUI* m_pString = nullptr;
};

// Shows the message box modally, centred on `parent` (nullptr: the screen),
// and returns its result.
int ShowMessage(WindowImplBase* parent, const QString& titleKey, const QString& msgKey);
// The same as a notice: one OK button.
void ShowNotice(WindowImplBase* parent, const QString& titleKey, const QString& msgKey);

}  // namespace mouse
