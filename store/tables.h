// Key codes, virtual keys and button functions.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace mouse {

inline constexpr uint8_t kModCtrl = 0x01;
inline constexpr uint8_t kModShift = 0x02;
inline constexpr uint8_t kModAlt = 0x04;
inline constexpr uint8_t kModWin = 0x08;

// Language key naming a key code ("key_A", "L_Button", ...); empty when the
// code has no name.
std::u16string KeyNameKey(uint8_t keyCode);

// Translates a virtual-key code to a PC set-1 scan code under the current
// keyboard layout (0 when there is none).
class KeyboardLayout {
public:
    virtual ~KeyboardLayout() = default;
    virtual int VirtualKeyToScanCode(int virtualKey) const = 0;
};

// Answers as the US layout does, from the virtual-key table itself.
class UsKeyboardLayout final : public KeyboardLayout {
public:
    int VirtualKeyToScanCode(int virtualKey) const override;
};

struct VirtualKeyRow {
    int virtualKey;
    int keyCode;
    int scanCode;  // 0 where the row has none
};
inline constexpr int kVirtualKeyRows = 111;
const std::array<VirtualKeyRow, kVirtualKeyRows>& VirtualKeyTable();

struct KeyCodeResult {
    bool found = false;
    uint8_t keyCode = 0;
};
// Keys 4-69 are named by their physical position: their scan code under the
// given layout picks the row.
KeyCodeResult VirtualKeyToKeyCode(int virtualKey, const KeyboardLayout& layout);
KeyCodeResult VirtualKeyToKeyCode(int virtualKey);  // US layout

struct FunctionRow {
    int id;
    const char* menuName;  // nullptr: cannot be chosen in the program
    const char* textKey;
    uint8_t bytes[4];
};
// The 61 rows of the button-function table, in id order.
const std::array<FunctionRow, 61>& FunctionTable();
const FunctionRow* FindFunction(int functionId);
// Case-insensitive lookup of a menu name among the table rows.
const FunctionRow* FindFunctionByMenuName(std::string_view menuName);
// Function id a button-menu item selects, compared without regard to case.
// Besides the table rows this knows "select_gun" (121), which has no row of
// its own; -1 when the name is no menu name.
int FunctionIdForMenuName(std::string_view menuName);

// Four device bytes of a function id; zeros for an id without a row.
std::array<uint8_t, 4> FunctionBytes(int functionId);
// Language key shown on a button with that function ("click_text" for ids
// that cannot be chosen or have no row).
std::string FunctionTextKey(int functionId);
// Default function of a button slot 0-63.
uint8_t DefaultFunction(int slot);

}  // namespace mouse
