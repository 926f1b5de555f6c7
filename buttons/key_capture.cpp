#include "buttons/key_capture.h"

#include <Qt>
#include <array>
#include <utility>

#include "store/tables.h"

namespace mouse {

namespace {

// X key symbols of the modifier keys: left and right are told apart here only.
constexpr std::pair<unsigned, int> kModifierSyms[] = {
    {0xffe3, 162},  // Control_L
    {0xffe4, 163},  // Control_R
    {0xffe1, 160},  // Shift_L
    {0xffe2, 161},  // Shift_R
    {0xffe9, 164},  // Alt_L
    {0xffea, 165},  // Alt_R
    {0xfe03, 165},  // ISO_Level3_Shift (AltGr)
    {0xffeb, 91},   // Super_L
    {0xffec, 92},   // Super_R
};

// Keys of the numeric keypad (Qt reports them with KeypadModifier).
constexpr std::pair<int, int> kKeypadKeys[] = {
    {Qt::Key_0, 96},        {Qt::Key_1, 97},        {Qt::Key_2, 98},      {Qt::Key_3, 99},
    {Qt::Key_4, 100},       {Qt::Key_5, 101},       {Qt::Key_6, 102},     {Qt::Key_7, 103},
    {Qt::Key_8, 104},       {Qt::Key_9, 105},       {Qt::Key_Slash, 111}, {Qt::Key_Asterisk, 106},
    {Qt::Key_Minus, 109},   {Qt::Key_Plus, 107},    {Qt::Key_Enter, 108}, {Qt::Key_Period, 110},
    {Qt::Key_Comma, 110},   {Qt::Key_Delete, 110},  {Qt::Key_Insert, 96}, {Qt::Key_End, 97},
    {Qt::Key_Down, 98},     {Qt::Key_PageDown, 99}, {Qt::Key_Left, 100},  {Qt::Key_Clear, 101},
    {Qt::Key_Right, 102},   {Qt::Key_Home, 103},    {Qt::Key_Up, 104},    {Qt::Key_PageUp, 105},
    {Qt::Key_NumLock, 144},
};

// Every other key by its Qt code; shifted symbols stand for their unshifted
// key of the US layout.
constexpr std::pair<int, int> kQtKeys[] = {
    {Qt::Key_Return, 13},      {Qt::Key_Enter, 13},
    {Qt::Key_Escape, 27},      {Qt::Key_Backspace, 8},
    {Qt::Key_Tab, 9},          {Qt::Key_Backtab, 9},
    {Qt::Key_Space, 32},       {Qt::Key_Minus, 189},
    {Qt::Key_Underscore, 189}, {Qt::Key_Equal, 187},
    {Qt::Key_Plus, 187},       {Qt::Key_BracketLeft, 219},
    {Qt::Key_BraceLeft, 219},  {Qt::Key_BracketRight, 221},
    {Qt::Key_BraceRight, 221}, {Qt::Key_Backslash, 220},
    {Qt::Key_Bar, 220},        {Qt::Key_Semicolon, 186},
    {Qt::Key_Colon, 186},      {Qt::Key_Apostrophe, 222},
    {Qt::Key_QuoteDbl, 222},   {Qt::Key_QuoteLeft, 192},
    {Qt::Key_AsciiTilde, 192}, {Qt::Key_Comma, 188},
    {Qt::Key_Less, 188},       {Qt::Key_Period, 190},
    {Qt::Key_Greater, 190},    {Qt::Key_Slash, 191},
    {Qt::Key_Question, 191},   {Qt::Key_CapsLock, 20},
    {Qt::Key_Exclam, 49},      {Qt::Key_At, 50},
    {Qt::Key_NumberSign, 51},  {Qt::Key_Dollar, 52},
    {Qt::Key_Percent, 53},     {Qt::Key_AsciiCircum, 54},
    {Qt::Key_Ampersand, 55},   {Qt::Key_Asterisk, 56},
    {Qt::Key_ParenLeft, 57},   {Qt::Key_ParenRight, 48},
    {Qt::Key_Print, 44},       {Qt::Key_ScrollLock, 145},
    {Qt::Key_Pause, 19},       {Qt::Key_Insert, 45},
    {Qt::Key_Home, 36},        {Qt::Key_PageUp, 33},
    {Qt::Key_Delete, 46},      {Qt::Key_End, 35},
    {Qt::Key_PageDown, 34},    {Qt::Key_Right, 39},
    {Qt::Key_Left, 37},        {Qt::Key_Down, 40},
    {Qt::Key_Up, 38},          {Qt::Key_NumLock, 144},
    {Qt::Key_Menu, 93},        {Qt::Key_Control, 162},
    {Qt::Key_Shift, 160},      {Qt::Key_Alt, 164},
    {Qt::Key_AltGr, 165},      {Qt::Key_Meta, 91},
    {Qt::Key_Super_L, 91},     {Qt::Key_Super_R, 92},
};

template <size_t N>
int Lookup(const std::pair<int, int> (&table)[N], int key) {
    for (const auto& [from, to] : table) {
        if (from == key) {
            return to;
        }
    }
    return 0;
}

// The virtual key whose row has this set-1 scan code, 0 when none has.
int VirtualKeyOfScanCode(int scanCode) {
    for (const VirtualKeyRow& row : VirtualKeyTable()) {
        if (row.scanCode != 0 && row.scanCode == scanCode) {
            return row.virtualKey;
        }
    }
    return 0;
}

}  // namespace

int VirtualKeyOfKeyPress(const KeyPress& press) {
    for (const auto& [sym, vk] : kModifierSyms) {
        if (press.nativeKey == sym) {
            return vk;
        }
    }
    if ((press.modifiers & Qt::KeypadModifier) != 0) {
        if (const int vk = Lookup(kKeypadKeys, press.qtKey)) {
            return vk;
        }
    }
    // X key codes are evdev codes + 8; evdev 1-88 are set-1 scan codes
    // (85 is not). Keypad keys there have no scan code in the table.
    if (press.nativeScanCode > 8) {
        const int evdev = int(press.nativeScanCode) - 8;
        if (evdev >= 1 && evdev <= 88 && evdev != 85) {
            if (const int vk = VirtualKeyOfScanCode(evdev)) {
                return vk;
            }
        }
    }
    const int key = press.qtKey;
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        return key;  // 65-90, as the virtual keys
    }
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        return key;  // 48-57
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) {
        return 112 + (key - Qt::Key_F1);
    }
    return Lookup(kQtKeys, key);
}

uint8_t ModifierOfVirtualKey(int virtualKey) {
    switch (virtualKey) {
        case 0x11:  // Ctrl, left and right
        case 162:
        case 163:
            return kModCtrl;
        case 0x10:  // Shift
        case 160:
        case 161:
            return kModShift;
        case 0x12:  // Alt
        case 164:
        case 165:
            return kModAlt;
        case 91:  // Win
        case 92:
            return kModWin;
        default:
            return 0;
    }
}

uint8_t ModifiersOfKeyPress(const KeyPress& press) {
    constexpr std::pair<unsigned, uint8_t> kHeld[] = {
        {Qt::ControlModifier, kModCtrl},
        {Qt::ShiftModifier, kModShift},
        {Qt::AltModifier, kModAlt},
        {Qt::MetaModifier, kModWin},
    };
    uint8_t mask = 0;
    for (const auto& [qt, mod] : kHeld) {
        if ((press.modifiers & qt) != 0) {
            mask |= mod;
        }
    }
    return mask;
}

}  // namespace mouse
