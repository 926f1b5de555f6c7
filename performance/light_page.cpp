#include "performance/light_page.h"

#include "performance/colour_pick.h"
#include "ui/control_binding.h"

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
        if (controls[i] == sender) {
            return int(i);
        }
    }
    return -1;
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
    BindControls(*m_pPM, kLightPageTable, *this);
}

ProfileRecord& CLightPage::Profile() {
    return m_host.CurrentProfile();
}

void CLightPage::Refresh() {
    const ProfileRecord& p = Profile();
    // 1. The effect (its groups are shown at the end).
    if (p.lightMode >= 0 && p.lightMode < kEffects) {
        m_pEffect[p.lightMode]->Selected(true, false);
    } else {
        // An effect this page does not know: no option stands for it.
        for (COptionUI* option : m_pEffect) {
            option->Selected(false, false);
        }
    }
    // 2. The sliders.
    m_pBrightness->SetValue(p.lightBrightness);
    m_pSpeed->SetValue(p.lightFrequency);
    m_pLength->SetValue(p.lightLength);
    // 3. The effect colour on the palette, its preview and the edits.
    ShowPaletteColour(ColourToArgb(p.lightFixedColour), true);
    // 4. The colour mode.
    if (p.lightColourMode >= 0 && p.lightColourMode < 2) {
        m_pColourMode[p.lightColourMode]->Selected(true, false);
    }
    // 5. The swatches.
    m_pFixedColour->SetBkColor(ColourToArgb(p.lightFixedColour));
    for (int i = 0; i < kCycleColours; ++i) {
        m_pCycleColour[i]->SetBkColor(ColourToArgb(p.cycleColour[i]));
    }
    // 6. The groups of the effect.
    ShowGroups(p.lightMode);
}

void CLightPage::ShowGroups(int mode) {
    m_pLengthGroup->SetVisible(false);
    if (mode < 0 || mode >= kEffects) {
        return;
    }
    const EffectGroups& g = kEffectGroups[mode];
    m_pBrightnessGroup->SetVisible(g.brightness);
    m_pSpeedGroup->SetVisible(g.speed);
    m_pColourGroup->SetVisible(g.colour);
    m_pLengthGroup->SetVisible(g.length);
}

void CLightPage::ShowPaletteColour(uint32_t argb, bool palette) {
    if (palette) {
        m_pPalette->SetSelectColor(argb);
    }
    m_pPreview->SetBkColor(argb);
    ShowChannels(argb, m_pEdit[0], m_pEdit[1], m_pEdit[2]);
}

void CLightPage::OnClick(TNotifyUI& msg) {
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
    if (msg.pSender != m_pPalette) {
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
    m_pPalette->SetSelectColor(argb);
    m_pPreview->SetBkColor(argb);
}

}  // namespace mouse
