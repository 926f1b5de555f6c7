// What the select-macro and select-preset dialogs share: the repeat mode with
// its three options repeat_1..repeat_3 (option n is mode n - 1), and the
// colour the mouse lights in that mode with its button btn_gun_color, which
// opens the colour picker. ok_btn closes with 1, cancel_btn and exit_btn with
// 0.
#pragma once

#include <cstdint>

#include "ui/ui.h"

namespace mouse {

class CBindingChoiceWnd : public WindowImplBase {
public:
    // Repeat mode 0..2.
    void SetRepeatMode(int mode) { m_repeatMode = mode; }
    int GetRepeatMode() const { return m_repeatMode; }
    // Colour 0x00BBGGRR (red in the low byte).
    void SetColour(uint32_t colour) { m_colour = colour & 0x00FFFFFFu; }
    uint32_t GetColour() const { return m_colour; }

protected:
    CBindingChoiceWnd();
    // Finds the repeat options and the colour button, selects the option of
    // the repeat mode and shows the colour; the derived InitWindow calls it.
    void InitChoiceControls();
    void OnClick(TNotifyUI& msg) override;

private:
    void OnSelectChanged(TNotifyUI& msg);

    int m_repeatMode = 0;
    uint32_t m_colour = 255;
    COptionUI* m_pRepeat[3] = {};
    CButtonUI* m_pColour = nullptr;
};

}  // namespace mouse
