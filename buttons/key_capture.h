// Turns a key pressed in a window of the program into the Windows virtual-key
// code the key tables are indexed by, so that keys captured from the dialog's
// own key events name the same key codes as keys reported by the hook
// library.
#pragma once

#include <cstdint>

#include "ui/ui_types.h"

namespace mouse {

// The virtual-key code of a key press, or 0 for a key the tables do not know.
// Keys of the main block are taken by their physical position when the
// window system reports one (X key code = evdev code + 8, evdev codes 1-88
// being PC set-1 scan codes), so that a key names the same key code whatever
// the keyboard layout; the other keys, and every key when no position is
// reported, by their Qt key (US layout for shifted symbols).
int VirtualKeyOfKeyPress(const KeyPress& press);

// The shortcut modifier (kModCtrl, kModShift, kModAlt or kModWin) that a
// virtual-key code is, or 0 for every other key.
uint8_t ModifierOfVirtualKey(int virtualKey);
// The shortcut modifiers held during a key press, as a kMod* mask.
uint8_t ModifiersOfKeyPress(const KeyPress& press);

}  // namespace mouse
