#include "macros/edit_name_wnd.h"

#include "buttons/msg_wnd.h"

namespace mouse {

namespace {

template <typename R>
NameVerdict CheckAgainst(const std::vector<std::unique_ptr<R>>* list, NameMode mode,
                         const std::u16string& text, const std::u16string& initial,
                         const std::u16string& folder, const NameTexts& texts) {
    static const std::vector<std::unique_ptr<R>> kEmpty;
    return CheckName(mode, text, initial, folder, texts, list ? *list : kEmpty);
}

}  // namespace

NameMode CEditNameWnd::Mode() const {
    return m_iMode >= 0 && m_iMode <= 3 ? NameMode(m_iMode) : NameMode::AddFolder;
}

void CEditNameWnd::InitWindow() {
    m_pm.CheckControls(kEditNameWndTable);
    const int mode = int(Mode());
    if (auto* title = m_pm.FindControl<CLabelUI>(QStringLiteral("label_title"))) {
        title->SetResourceText(QString::fromLatin1(m_texts.title[mode]));
    }
    if (auto* label = m_pm.FindControl<CLabelUI>(QStringLiteral("label_string"))) {
        label->SetResourceText(QString::fromLatin1(m_texts.label[mode]));
    }
    m_pEdit = m_pm.FindControl<CEditUI>(QStringLiteral("edit_name"));
    if (m_pEdit != nullptr) {
        // Names are stored in 50 characters with the terminator.
        m_pEdit->SetMaxChar(kTextChars - 1);
        m_pEdit->SetText(m_initial);
        m_pEdit->SetFocus();
    }
}

void CEditNameWnd::OnClick(TNotifyUI& msg) {
    if (msg.pSender != nullptr && msg.pSender->GetName() == QLatin1String("ok_btn")) {
        OnOk();
        return;
    }
    CloseOnDialogButton(msg);
}

void CEditNameWnd::OnOk() {
    const QString text = m_pEdit != nullptr ? m_pEdit->GetText() : QString();
    const NameVerdict verdict =
        Check(Mode(), text.toStdU16String(), m_initial.toStdU16String(), m_folder.toStdU16String());
    switch (verdict.outcome) {
        case NameVerdict::Cancel:
            Close(0);
            break;
        case NameVerdict::Warn:
            ShowMessage(this, QStringLiteral("warning_title_text"),
                        QString::fromLatin1(verdict.messageKey));
            if (m_pEdit != nullptr) {
                m_pEdit->SetFocus();
            }
            break;
        case NameVerdict::Accept:
            m_name = QString::fromStdU16String(verdict.name);
            Close(1);
            break;
    }
}

NameVerdict CEditMacroName::Check(NameMode mode, const std::u16string& text,
                                  const std::u16string& initial,
                                  const std::u16string& folder) const {
    return CheckAgainst(m_pList, mode, text, initial, folder, kMacroNameTexts);
}

NameVerdict CEditGunName::Check(NameMode mode, const std::u16string& text,
                                const std::u16string& initial, const std::u16string& folder) const {
    return CheckAgainst(m_pList, mode, text, initial, folder, kGunNameTexts);
}

}  // namespace mouse
