// The lighting page: the effect, its brightness, speed and length, the colour
// mode, the effect colour and the eight cycle colours of the current profile.
// Every change goes straight into the current profile record; the mouse gets
// it with the next apply.
#pragma once

#include <cstdint>

#include "app/page.h"
#include "ui/control_table.h"

namespace mouse {

inline constexpr ControlSpec kLightPageControls[] = {
    {"light_mode_option_%d", ControlKind::Option, 1, 12},
    {"brightness_ver", ControlKind::Control},
    {"breathing_ver", ControlKind::Control},
    {"color_ver", ControlKind::Control},
    {"length_ver", ControlKind::Control},
    {"brightness_slider", ControlKind::Slider},
    {"frequency_slider", ControlKind::Slider},
    {"length_slider", ControlKind::Slider},
    {"select_color_Pallet", ControlKind::ColorPalette},
    {"current_color_control", ControlKind::Control},
    {"r_edit", ControlKind::Edit},
    {"g_edit", ControlKind::Edit},
    {"b_edit", ControlKind::Edit},
    {"btn_fix_color", ControlKind::Button},
    {"btn_cycle_color_%d", ControlKind::Button, 1, 8},
    {"option_color_mode_%d", ControlKind::Option, 1, 2},
};
inline constexpr ControlTable kLightPageTable{"main.xml", "CLightPage", kLightPageControls};
MOUSE_REGISTER_CONTROL_TABLE(kLightPageTable);

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
};

}  // namespace mouse
