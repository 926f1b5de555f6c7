// The lighting page: the effect, its brightness, speed and length, the colour
// mode, the effect colour and the eight cycle colours of the current profile.
// Every change goes straight into the current profile record; the mouse gets
// it with the next apply.
#pragma once

#include <cstdint>

#include "app/page.h"
#include "ui/control_table.h"
#include "ui/controls.h"

namespace mouse {

class CLightPage : public CPage {
public:
    static constexpr int kEffects = 12;
    static constexpr int kCycleColours = 8;

    CLightPage(PageHost& host, CPaintManagerUI& manager);
    void InitControls() override;
    // Shows the current profile, without notifications: nothing is stored.
    void Refresh() override;

private:
    void OnClick(TNotifyUI& msg);
    void OnSelectChanged(TNotifyUI& msg);
    void OnValueChanged(TNotifyUI& msg);
    void OnColorChanged(TNotifyUI& msg);
    void OnColorChangedButtonUp(TNotifyUI& msg);
    void OnTextChanged(TNotifyUI& msg);

    ProfileRecord& Profile();
    // Shows the groups of controls that effect `mode` uses.
    void ShowGroups(int mode);
    // Shows an on-screen colour on the preview and in the channel edits.
    void ShowPaletteColour(uint32_t argb, bool palette);

    COptionUI* m_pEffect[kEffects] = {};
    CControlUI* m_pBrightnessGroup = nullptr;
    CControlUI* m_pSpeedGroup = nullptr;
    CControlUI* m_pColourGroup = nullptr;
    CControlUI* m_pLengthGroup = nullptr;
    CSliderUI* m_pBrightness = nullptr;
    CSliderUI* m_pSpeed = nullptr;
    CSliderUI* m_pLength = nullptr;
    CColorPaletteUI* m_pPalette = nullptr;
    CControlUI* m_pPreview = nullptr;
    CEditUI* m_pEdit[3] = {};
    CButtonUI* m_pFixedColour = nullptr;
    CButtonUI* m_pCycleColour[kCycleColours] = {};
    COptionUI* m_pColourMode[2] = {};

public:
    // Every control the page uses, with the member it goes into.
    static const ControlSpec kControls[];
};

inline constexpr ControlSpec CLightPage::kControls[] = {
    BindEach<&CLightPage::m_pEffect>("light_mode_option_%d", 1),
    Bind<&CLightPage::m_pBrightnessGroup>("brightness_ver"),
    Bind<&CLightPage::m_pSpeedGroup>("breathing_ver"),
    Bind<&CLightPage::m_pColourGroup>("color_ver"),
    Bind<&CLightPage::m_pLengthGroup>("length_ver"),
    Bind<&CLightPage::m_pBrightness>("brightness_slider"),
    Bind<&CLightPage::m_pSpeed>("frequency_slider"),
    Bind<&CLightPage::m_pLength>("length_slider"),
    Bind<&CLightPage::m_pPalette>("select_color_Pallet"),
    Bind<&CLightPage::m_pPreview>("current_color_control"),
    Bind<&CLightPage::m_pEdit, 0>("r_edit"),
    Bind<&CLightPage::m_pEdit, 1>("g_edit"),
    Bind<&CLightPage::m_pEdit, 2>("b_edit"),
    Bind<&CLightPage::m_pFixedColour>("btn_fix_color"),
    BindEach<&CLightPage::m_pCycleColour>("btn_cycle_color_%d", 1),
    BindEach<&CLightPage::m_pColourMode>("option_color_mode_%d", 1),
};
inline constexpr ControlTable kLightPageTable{"main.xml", "CLightPage", CLightPage::kControls};
MOUSE_REGISTER_CONTROL_TABLE(kLightPageTable);

}  // namespace mouse
