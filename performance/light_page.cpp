#include "performance/light_page.h"

#include "performance/colour_pick.h"
#include "ui/text.h"

namespace mouse {

namespace {

// Which groups of controls an effect uses: brightness, speed (breathing),
// colour and length.
struct EffectGroups {
    bool brightness, speed, colour, length;
};
constexpr EffectGroups kEffectGroups[CLightPage::kEffects] = {
    {false, false, false, false},  // off
    {true, false, true, false},    // steady
    {false, true, true, false},    // breathing
    {true, true, false, false},    // spectrum
    {true, true, false, false},    // wave
    {true, false, true, false},    // reactive
    {false, false, true, true},    // flow
    {false, false, true, true},    // marquee
    {true, false, true, false},    // starlight
    {true, true, true, false},     // ripple
    {true, true, false, false},    // rainbow
    {true, false, false, false},   // spotlight
};

constexpr Channel kChannels[] = {Channel::Red, Channel::Green, Channel::Blue};

template <class T, size_t N>
int IndexOf(T* const (&controls)[N], const CControlUI* sender) {
    for (size_t i = 0; i < N; ++i) {
        if (sender != nullptr && controls[i] == sender) {
            return int(i);
        }
    }
    return -1;
}

void SetVisible(CControlUI* control, bool visible) {
    if (control != nullptr) {
        control->SetVisible(visible);
    }
}

}  // namespace

CLightPage::CLightPage(PageHost& host, CPaintManagerUI& manager) : CPage(host, manager) {
    OnNotify(ev::kClick, &CLightPage::OnClick);
    OnNotify(ev::kSelectChanged, &CLightPage::OnSelectChanged);
    OnNotify(ev::kValueChanged, &CLightPage::OnValueChanged);
    OnNotify(ev::kColorChanged, &CLightPage::OnColorChanged);
    OnNotify(ev::kColorChangedButtonUp, &CLightPage::OnColorChangedButtonUp);
    OnNotify(ev::kTextChanged, &CLightPage::OnTextChanged);
}

void CLightPage::InitControls() {
    // FindControl reports every control that is missing or of another kind.
    for (int i = 0; i < kEffects; ++i) {
        m_pEffect[i] = m_pPM->FindControl<COptionUI>(Numbered("light_mode_option_%d", i + 1));
    }
    m_pBrightnessGroup = m_pPM->FindControl("brightness_ver");
    m_pSpeedGroup = m_pPM->FindControl("breathing_ver");
    m_pColourGroup = m_pPM->FindControl("color_ver");
    m_pLengthGroup = m_pPM->FindControl("length_ver");
    m_pBrightness = m_pPM->FindControl<CSliderUI>("brightness_slider");
    m_pSpeed = m_pPM->FindControl<CSliderUI>("frequency_slider");
    m_pLength = m_pPM->FindControl<CSliderUI>("length_slider");
    m_pPalette = m_pPM->FindControl<CColorPaletteUI>("select_color_Pallet");
    m_pPreview = m_pPM->FindControl("current_color_control");
    m_pEdit[0] = m_pPM->FindControl<CEditUI>("r_edit");
    m_pEdit[1] = m_pPM->FindControl<CEditUI>("g_edit");
    m_pEdit[2] = m_pPM->FindControl<CEditUI>("b_edit");
    m_pFixedColour = m_pPM->FindControl<CButtonUI>("btn_fix_color");
    for (int i = 0; i < kCycleColours; ++i) {
        m_pCycleColour[i] = m_pPM->FindControl<CButtonUI>(Numbered("btn_cycle_color_%d", i + 1));
    }
    for (int i = 0; i < 2; ++i) {
        m_pColourMode[i] = m_pPM->FindControl<COptionUI>(Numbered("option_color_mode_%d", i + 1));
    }
}

ProfileRecord& CLightPage::Profile() {
    return m_host.CurrentProfile();
}

void CLightPage::Refresh() {
    const ProfileRecord& p = Profile();
    // 1. The effect (its groups are shown at the end).
    if (p.lightMode >= 0 && p.lightMode < kEffects && m_pEffect[p.lightMode] != nullptr) {
        m_pEffect[p.lightMode]->Selected(true, false);
    } else {
        // An effect this page does not know: no option stands for it.
        for (COptionUI* option : m_pEffect) {
            if (option != nullptr) {
                option->Selected(false, false);
            }
        }
    }
    // 2. The sliders.
    if (m_pBrightness != nullptr) {
        m_pBrightness->SetValue(p.lightBrightness);
    }
    if (m_pSpeed != nullptr) {
        m_pSpeed->SetValue(p.lightFrequency);
    }
    if (m_pLength != nullptr) {
        m_pLength->SetValue(p.lightLength);
    }
    // 3. The effect colour on the palette, its preview and the edits.
    ShowPaletteColour(ColourToArgb(p.lightFixedColour), true);
    // 4. The colour mode.
    if (p.lightColourMode >= 0 && p.lightColourMode < 2 &&
        m_pColourMode[p.lightColourMode] != nullptr) {
        m_pColourMode[p.lightColourMode]->Selected(true, false);
    }
    // 5. The swatches.
    if (m_pFixedColour != nullptr) {
        m_pFixedColour->SetBkColor(ColourToArgb(p.lightFixedColour));
    }
    for (int i = 0; i < kCycleColours; ++i) {
        if (m_pCycleColour[i] != nullptr) {
            m_pCycleColour[i]->SetBkColor(ColourToArgb(p.cycleColour[i]));
        }
    }
    // 6. The groups of the effect.
    ShowGroups(p.lightMode);
}

void CLightPage::ShowGroups(int mode) {
    SetVisible(m_pLengthGroup, false);
    if (mode < 0 || mode >= kEffects) {
        return;
    }
    const EffectGroups& g = kEffectGroups[mode];
    SetVisible(m_pBrightnessGroup, g.brightness);
    SetVisible(m_pSpeedGroup, g.speed);
    SetVisible(m_pColourGroup, g.colour);
    SetVisible(m_pLengthGroup, g.length);
}

void CLightPage::ShowPaletteColour(uint32_t argb, bool palette) {
    if (palette && m_pPalette != nullptr) {
        m_pPalette->SetSelectColor(argb);
    }
    if (m_pPreview != nullptr) {
        m_pPreview->SetBkColor(argb);
    }
    ShowChannels(argb, m_pEdit[0], m_pEdit[1], m_pEdit[2]);
}

void CLightPage::OnClick(TNotifyUI& msg) {
    if (msg.pSender == nullptr) {
        return;
    }
    ProfileRecord& p = Profile();
    uint32_t* stored = nullptr;
    if (msg.pSender == m_pFixedColour) {
        stored = &p.lightFixedColour;
    } else if (const int i = IndexOf(m_pCycleColour, msg.pSender); i >= 0) {
        stored = &p.cycleColour[i];
    } else {
        return;
    }
    uint32_t argb = ColourToArgb(*stored);
    if (!PickColour(m_host.DialogOwner(), argb)) {
        return;
    }
    // The palette, its preview and the edits catch up at the next refresh.
    msg.pSender->SetBkColor(argb);
    *stored = ArgbToColour(argb);
}

void CLightPage::OnSelectChanged(TNotifyUI& msg) {
    if (msg.wParam == 0) {
        return;
    }
    if (const int i = IndexOf(m_pEffect, msg.pSender); i >= 0) {
        Profile().lightMode = i;
        ShowGroups(i);
    } else if (const int m = IndexOf(m_pColourMode, msg.pSender); m >= 0) {
        Profile().lightColourMode = m;
    }
}

void CLightPage::OnValueChanged(TNotifyUI& msg) {
    if (msg.pSender == nullptr) {
        return;
    }
    const int value = int(msg.wParam);
    if (msg.pSender == m_pBrightness) {
        Profile().lightBrightness = value;
    } else if (msg.pSender == m_pSpeed) {
        Profile().lightFrequency = value;
    } else if (msg.pSender == m_pLength) {
        Profile().lightLength = value;
    }
}

void CLightPage::OnColorChanged(TNotifyUI& msg) {
    // While the user drags: a preview only, nothing is stored.
    if (msg.pSender == nullptr || msg.pSender != m_pPalette) {
        return;
    }
    ShowPaletteColour(m_pPalette->GetSelectColor(), false);
}

void CLightPage::OnColorChangedButtonUp(TNotifyUI& msg) {
    if (msg.pSender != m_pPalette) {
        return;
    }
    const uint32_t argb = m_pPalette->GetSelectColor();
    Profile().lightFixedColour = ArgbToColour(argb);
    ShowPaletteColour(argb, false);
}

void CLightPage::OnTextChanged(TNotifyUI& msg) {
    const int i = IndexOf(m_pEdit, msg.pSender);
    if (i < 0) {
        return;
    }
    ProfileRecord& p = Profile();
    const uint32_t argb =
        WithChannel(ColourToArgb(p.lightFixedColour), kChannels[i], TakeChannelEntry(*m_pEdit[i]));
    p.lightFixedColour = ArgbToColour(argb);
    if (m_pPalette != nullptr) {
        m_pPalette->SetSelectColor(argb);
    }
    if (m_pPreview != nullptr) {
        m_pPreview->SetBkColor(argb);
    }
}

}  // namespace mouse
