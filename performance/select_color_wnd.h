// The colour picker: a palette, a preview and the red, green and blue values
// of one colour. The caller sets the colour, runs the window modally and reads
// the colour back after result 1 (ok_btn); cancel_btn, exit_btn, Escape and
// the window system's close give 0.
#pragma once

#include <cstdint>

#include "performance/colour_pick.h"
#include "ui/ui.h"

namespace mouse {

inline constexpr ControlSpec kSelectColorControls[] = {
    {"ok_btn", ControlKind::Button},   {"cancel_btn", ControlKind::Button},
    {"exit_btn", ControlKind::Button}, {"current_color_control", ControlKind::Control},
    {"r_edit", ControlKind::Edit},     {"g_edit", ControlKind::Edit},
    {"b_edit", ControlKind::Edit},     {"color_Pallet", ControlKind::ColorPalette},
};
inline constexpr ControlTable kSelectColorTable{"selectcolor.xml", "CSelectColorWnd",
                                                kSelectColorControls};
MOUSE_REGISTER_CONTROL_TABLE(kSelectColorTable);

class CSelectColorWnd : public WindowImplBase {
public:
    CSelectColorWnd();

    QString GetWindowClassName() const override { return QStringLiteral("SelectColorWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("selectcolor.xml"); }

    // The colour as 0xAARRGGBB; the picker always keeps alpha 0xFF.
    void SetColor(uint32_t argb);
    uint32_t GetColor() const { return m_color; }

protected:
    void InitWindow() override;
    void OnClick(TNotifyUI& msg) override;

private:
    void OnPaletteColour(TNotifyUI& msg);
    void OnTextChanged(TNotifyUI& msg);
    // Shows m_color on the palette, the preview and (when `edits`) the edits.
    void ShowColour(bool edits);

    uint32_t m_color = 0xFFFF0000u;
    CControlUI* m_pPreview = nullptr;
    CEditUI* m_pEdit[3] = {};
    CColorPaletteUI* m_pPalette = nullptr;
};

}  // namespace mouse
