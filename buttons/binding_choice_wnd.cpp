#include "buttons/binding_choice_wnd.h"

#include "device/records.h"
#include "performance/colour_pick.h"
#include "ui/resource_manager.h"
#include "ui/text.h"

namespace mouse {

namespace {

// The repeat options read the same in both dialogs: their caption, texts and
// tips come from here, not from the skins.
struct RepeatText {
    const char* text;
    const char* tip;
};
constexpr RepeatText kRepeatTexts[3] = {
    {"repeat_once_text", "repeat_once_tip_text"},
    {"repeat_hold_text", "repeat_hold_tip_text"},
    {"repeat_toggle_text", "repeat_toggle_tip_text"},
};

}  // namespace

CBindingChoiceWnd::CBindingChoiceWnd() {
    OnNotify(ev::kSelectChanged, &CBindingChoiceWnd::OnSelectChanged);
}

void CBindingChoiceWnd::InitChoiceControls() {
    if (auto* caption = m_pm.FindControl<CLabelUI>(QStringLiteral("label_repeat"))) {
        caption->SetResourceText(QStringLiteral("repeat_text"));
    }
    for (int i = 0; i < 3; ++i) {
        m_pRepeat[i] = m_pm.FindControl<COptionUI>(Numbered("repeat_%d", i + 1));
        if (m_pRepeat[i] != nullptr) {
            m_pRepeat[i]->SetResourceText(QString::fromLatin1(kRepeatTexts[i].text));
            m_pRepeat[i]->SetToolTip(
                CResourceManager::GetInstance()->GetText(QString::fromLatin1(kRepeatTexts[i].tip)));
        }
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
