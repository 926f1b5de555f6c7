// The keyboard layout of the X display, for naming keys by their place.
#pragma once

#include <array>
#include <string>

#include "store/tables.h"

namespace mouse {

// Virtual key -> PC set-1 scan code, answered from the X server's keyboard
// map. The hook library reports each key with the virtual-key code of its
// place on the keyboard (drivers/hook/hook_keys.h); this layout gives back
// the scan code of that place (the X key code - 8, which is the evdev code
// and, for the keys in question, the set-1 scan code) when the server's
// keyboard has that key, and 0 when it does not (the key then keeps its
// own row of the virtual-key table). So keys 4-69 keep their physical place
// whatever layout the desktop uses.
class XKeyboardLayout final : public KeyboardLayout {
public:
    // Reads the keyboard map of `display` (empty: $DISPLAY) once. Without a
    // display every key is taken to be present.
    explicit XKeyboardLayout(const std::string& display = {});
    int VirtualKeyToScanCode(int virtualKey) const override;
    // True when the keyboard map came from an X server.
    bool FromServer() const { return fromServer_; }

private:
    std::array<uint8_t, 256> scan_{};
    bool fromServer_ = false;
};

}  // namespace mouse
