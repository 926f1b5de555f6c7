// The macro page's part in recording and key capture: the record button,
// the hook's reports and what the recorder asks of the page (RecorderHost).
#include "macros/macro_page.h"
#include "macros/macro_page_p.h"
#include "store/tables.h"

namespace mouse {

using namespace macro_page;

void CMacroPage::OnHookEvent(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (m_recorder == nullptr) {
        return;
    }
    FinishFill();
    m_recorder->OnHookMessage(msg, wParam, lParam);
}

void CMacroPage::ToggleRecording() {
    FinishFill();
    if (m_recorder->ToggleRecording() != MacroRecorder::Toggle::Unavailable || m_bToldUnavailable) {
        return;
    }
    // Said once per run: recording needs the input hook.
    m_bToldUnavailable = true;
    ShowWarning(Text("macro_recording_unavailable_text")
                    .arg(QString::fromStdString(m_recorder->UnavailableReason())));
}

void CMacroPage::OnCheckClick(TNotifyUI& msg) {
    if (m_recorder != nullptr && msg.pSender == m_pRecord) {
        ToggleRecording();
    }
}

void CMacroPage::OnMouseEnter(TNotifyUI& msg) {
    if (m_recorder != nullptr && msg.pSender == m_pRecord) {
        m_recorder->PointerOverRecordButton(true);
    }
}

void CMacroPage::OnMouseLeave(TNotifyUI& msg) {
    if (m_recorder != nullptr && msg.pSender == m_pRecord) {
        m_recorder->PointerOverRecordButton(false);
    }
}

void CMacroPage::OnSetFocus(TNotifyUI& msg) {
    if (m_recorder != nullptr && msg.pSender == m_pKey) {
        m_recorder->BeginKeyCapture();
    }
}

void CMacroPage::ShowRecording(bool recording) {
    m_pRecord->SetResourceText(recording ? QStringLiteral("stop_recording_text")
                                         : QStringLiteral("start_recording_text"));
    if (!recording) {
        m_pRecord->SetCheck(false, false);
    }
}

void CMacroPage::ClearRecordCheck() {
    m_pRecord->SetCheck(false, false);
}

long long CMacroPage::DefaultDelayField() const {
    return ReadDecimal(m_pDefaultDelay->GetText());
}

void CMacroPage::ShowCapturedKey(int index, uint8_t code) {
    const QString key = ToQString(KeyNameKey(code));
    if (index == m_work.selected) {
        m_pKey->SetText(Text(key));
    }
    if (CControlUI* row = m_pActionList->GetItemAt(index)) {
        if (auto* label = row->FindSubControl<CLabelUI>("key")) {
            label->SetResourceText(key);
        }
    }
}

}  // namespace mouse
