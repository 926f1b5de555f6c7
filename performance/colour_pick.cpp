#include "performance/colour_pick.h"

#include <algorithm>

#include "performance/select_color_wnd.h"
#include "ui/controls.h"
#include "ui/typed_number.h"
#include "ui/window.h"

namespace mouse {

int ParseChannel(const QString& text, bool& clamped) {
    // Digits beyond 255 cannot matter: stop counting at 1000.
    const int value = int(ReadTypedNumber(text, 1000));
    clamped = value < 0 || value > 255;
    return std::clamp(value, 0, 255);
}

int TakeChannelEntry(CEditUI& edit) {
    bool clamped = false;
    const int value = ParseChannel(edit.GetText(), clamped);
    if (clamped) {
        edit.SetText(QString::number(value));
    }
    return value;
}

uint32_t WithChannel(uint32_t argb, Channel channel, int value) {
    const int shift = channel == Channel::Red ? 16 : channel == Channel::Green ? 8 : 0;
    const uint32_t byte = uint32_t(std::clamp(value, 0, 255));
    return 0xFF000000u | (argb & ~(0xFFu << shift)) | (byte << shift);
}

void ShowChannels(uint32_t argb, CEditUI* red, CEditUI* green, CEditUI* blue) {
    const int shifts[] = {16, 8, 0};
    CEditUI* edits[] = {red, green, blue};
    for (int i = 0; i < 3; ++i) {
        if (edits[i] != nullptr) {
            edits[i]->SetText(QString::number((argb >> shifts[i]) & 0xFF));
        }
    }
}

bool PickColour(WindowImplBase* owner, uint32_t& argb) {
    CControlUI* overlay =
        owner != nullptr ? owner->GetPaintManager()->TryFindControl("disable_window_ver") : nullptr;
    if (overlay != nullptr) {
        overlay->Show();
    }
    // A local dialog: nothing of it survives the call.
    CSelectColorWnd picker;
    picker.SetColor(argb);
    int result = 0;
    if (picker.Create(owner, {}, kStyleTool)) {
        picker.CenterWindow();
        result = picker.ShowModal();
    }
    if (overlay != nullptr) {
        overlay->Hide();
    }
    if (result != 1) {
        return false;
    }
    argb = picker.GetColor() | 0xFF000000u;
    return true;
}

}  // namespace mouse
