// Built without the X11 libraries: there is no display to read the keyboard
// map from or to hook.
#include "drivers/hook/hook_keys.h"
#include "macros/hook_library.h"
#include "macros/x_keyboard.h"

namespace mouse {

XKeyboardLayout::XKeyboardLayout(const std::string& display) {
    (void)display;
    for (const hook::EvdevVirtualKey& row : hook::kEvdevVirtualKeys) {
        scan_[row.virtualKey] = row.evdev <= 88 && row.evdev != 85 ? uint8_t(row.evdev) : 0;
    }
}

int XKeyboardLayout::VirtualKeyToScanCode(int virtualKey) const {
    return virtualKey >= 0 && virtualKey < int(scan_.size()) ? scan_[size_t(virtualKey)] : 0;
}

std::string XInputUnavailableReason() {
    return "this build has no X11 support";
}

}  // namespace mouse
