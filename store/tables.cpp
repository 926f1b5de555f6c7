#include "store/tables.h"

#include "device/protocol.h"
#include "store/ascii.h"

namespace mouse {

namespace {

struct KeyNameTable {
    std::array<std::u16string, 256> names;

    KeyNameTable() {
        auto ascii = [](std::string_view s) { return std::u16string(s.begin(), s.end()); };
        for (int i = 0; i < 26; ++i) {
            names[size_t(4 + i)] = u"key_" + std::u16string(1, char16_t(u'A' + i));
        }
        for (int i = 1; i <= 9; ++i) {
            names[size_t(29 + i)] = u"key_" + std::u16string(1, char16_t(u'0' + i));
            names[size_t(88 + i)] = u"key_Num_" + std::u16string(1, char16_t(u'0' + i));
        }
        names[39] = u"key_0";
        names[98] = u"key_Num_0";
        for (int i = 1; i <= 12; ++i) {
            names[size_t(57 + i)] = u"key_F" + ascii(std::to_string(i));
        }
        const struct {
            int code;
            const char16_t* key;
        } singles[] = {
            {40, u"key_Enter"},
            {41, u"key_Esc"},
            {42, u"key_BackSpace"},
            {43, u"key_Tab"},
            {44, u"key_Space"},
            {45, u"key_-"},
            {46, u"key_="},
            {47, u"key_["},
            {48, u"key_]"},
            {49, u"key_Xiexian"},
            {50, u"\uFFE5"},
            {51, u"key_;"},
            {52, u"key_'"},
            {53, u"key_`"},
            {54, u"key_,"},
            {55, u"key_."},
            {56, u"key_/"},
            {57, u"key_Caplk"},
            {70, u"key_Print Scr"},
            {71, u"key_Scroll Lock"},
            {72, u"key_Pause"},
            {73, u"key_Insert"},
            {74, u"key_Home"},
            {75, u"key_Page Up"},
            {76, u"key_Delete"},
            {77, u"key_End"},
            {78, u"key_Page Down"},
            {79, u"key_Right"},
            {80, u"key_Left"},
            {81, u"key_Down"},
            {82, u"key_Up"},
            {83, u"key_Num Lock"},
            {84, u"key_Num_/"},
            {85, u"key_Num_*"},
            {86, u"key_Num_-"},
            {87, u"key_Num_+"},
            {88, u"key_Num_Enter"},
            {99, u"key_Num_."},
            {100, u"key_Xiexian"},
            {101, u"key_App"},
            {130, u"Sleep"},
            {136, u"Kana/Roma"},
            {221, u"`"},
            {224, u"key_LCtrl"},
            {225, u"key_LShift"},
            {226, u"key_LAlt"},
            {227, u"key_LWin"},
            {228, u"key_RCtrl"},
            {229, u"key_RShift"},
            {230, u"key_RAlt"},
            {231, u"key_RWin"},
            {240, u"L_Button"},
            {241, u"R_Button"},
            {242, u"M_Button"},
            {243, u"Backward_Button"},
            {244, u"Forward_Button"},
            {248, u"Scroll_Up"},
            {249, u"Scroll_Down"},
        };
        for (const auto& s : singles) {
            names[size_t(s.code)] = s.key;
        }
    }
};

constexpr std::array<VirtualKeyRow, kVirtualKeyRows> kVirtualKeys = {{
    // Letters A-Z.
    {65, 4, 30},
    {66, 5, 48},
    {67, 6, 46},
    {68, 7, 32},
    {69, 8, 18},
    {70, 9, 33},
    {71, 10, 34},
    {72, 11, 35},
    {73, 12, 23},
    {74, 13, 36},
    {75, 14, 37},
    {76, 15, 38},
    {77, 16, 50},
    {78, 17, 49},
    {79, 18, 24},
    {80, 19, 25},
    {81, 20, 16},
    {82, 21, 19},
    {83, 22, 31},
    {84, 23, 20},
    {85, 24, 22},
    {86, 25, 47},
    {87, 26, 17},
    {88, 27, 45},
    {89, 28, 21},
    {90, 29, 44},
    // Digits 1-9, 0.
    {49, 30, 2},
    {50, 31, 3},
    {51, 32, 4},
    {52, 33, 5},
    {53, 34, 6},
    {54, 35, 7},
    {55, 36, 8},
    {56, 37, 9},
    {57, 38, 10},
    {48, 39, 11},
    // Enter, Esc, Backspace, Tab, Space and punctuation.
    {13, 40, 28},
    {27, 41, 1},
    {8, 42, 14},
    {9, 43, 15},
    {32, 44, 57},
    {189, 45, 12},
    {187, 46, 13},
    {219, 47, 26},
    {221, 48, 27},
    {220, 49, 43},
    {186, 51, 39},
    {222, 52, 40},
    {192, 53, 41},
    {188, 54, 51},
    {190, 55, 52},
    {191, 56, 53},
    {20, 57, 58},
    // F1-F12.
    {112, 58, 59},
    {113, 59, 60},
    {114, 60, 61},
    {115, 61, 62},
    {116, 62, 63},
    {117, 63, 64},
    {118, 64, 65},
    {119, 65, 66},
    {120, 66, 67},
    {121, 67, 68},
    {122, 68, 87},
    {123, 69, 88},
    // Print Screen .. Page Down, arrows.
    {44, 70, 0},
    {145, 71, 0},
    {19, 72, 0},
    {45, 73, 0},
    {36, 74, 0},
    {33, 75, 0},
    {46, 76, 0},
    {35, 77, 0},
    {34, 78, 0},
    {39, 79, 0},
    {37, 80, 0},
    {40, 81, 0},
    {38, 82, 0},
    // Numeric pad.
    {144, 83, 0},
    {111, 84, 0},
    {106, 85, 0},
    {109, 86, 0},
    {107, 87, 0},
    {108, 88, 0},
    {97, 89, 0},
    {98, 90, 0},
    {99, 91, 0},
    {100, 92, 0},
    {101, 93, 0},
    {102, 94, 0},
    {103, 95, 0},
    {104, 96, 0},
    {105, 97, 0},
    {96, 98, 0},
    {110, 99, 0},
    {93, 101, 0},
    // Modifiers.
    {162, 224, 0},
    {160, 225, 0},
    {164, 226, 0},
    {91, 227, 0},
    {163, 228, 0},
    {161, 229, 0},
    {165, 230, 0},
    {92, 231, 0},
    // Mouse buttons and wheel.
    {240, 240, 0},
    {241, 241, 0},
    {242, 242, 0},
    {243, 243, 0},
    {244, 244, 0},
    {247, 247, 0},
    {248, 248, 0},
}};

const VirtualKeyRow* FindVirtualKey(int virtualKey) {
    for (const auto& row : kVirtualKeys) {
        if (row.virtualKey == virtualKey) {
            return &row;
        }
    }
    return nullptr;
}

// Rows 21 and 10 hold zeros where the report builder puts the button's own
// values (modifiers and key; the 240 and the fire-click delay and count), and
// row 22 likewise leaves the repeat mode and macro slot to it.
constexpr std::array<FunctionRow, 61> kFunctions = {{
    {0, "button_off", "button_off_text", {0, 0, 0, 0}},
    {1, "click", "click_text", {1, 0, 240, 0}},
    {2, "menu", "menu_text", {1, 0, 241, 0}},
    {3, "scroll", "scroll_text", {1, 0, 242, 0}},
    {4, "forward", "forward_text", {1, 0, 244, 0}},
    {5, "backward", "backward_text", {1, 0, 243, 0}},
    {6, "dpi_cycle", "dpi_cycle_text", {7, 0, 3, 0}},
    {7, "dpi_up", "dpi_up_text", {7, 0, 1, 0}},
    {8, "dpi_down", "dpi_down_text", {7, 0, 2, 0}},
    {9, "double_click", "double_click_text", {10, 240, 50, 2}},
    {10, "fire_click", "fire_click_text", {10, 0, 0, 0}},
    {11, "scroll_up", "scroll_up_text", {4, 0, 1, 0}},
    {12, "scroll_down", "scroll_down_text", {4, 0, 2, 0}},
    {13, nullptr, "click_text", {4, 0, 3, 0}},
    {14, nullptr, "click_text", {4, 0, 4, 0}},
    {18, "three_click", "three_click_text", {10, 240, 50, 3}},
    {21, "shortcut", "", {0, 0, 0, 0}},
    {22, "select_macro", "set_macro_text", {9, 0, 0, 0}},
    {24, nullptr, "click_text", {6, 0, 0, 0}},
    {25, "send_gun", "send_gun_text", {12, 0, 0, 0}},
    {26, "mode_switch", "mode_switch_text", {8, 0, 1, 0}},
    {32, "cut", "cut_text", {0, 1, 27, 0}},
    {33, "copy", "copy_text", {0, 1, 6, 0}},
    {34, "paste", "paste_text", {0, 1, 25, 0}},
    {35, "open", "open_text", {0, 1, 18, 0}},
    {36, "save", "save_text", {0, 1, 22, 0}},
    {37, "find", "find_text", {0, 1, 9, 0}},
    {38, "redo", "redo_text", {0, 1, 28, 0}},
    {39, nullptr, "click_text", {0, 1, 29, 0}},
    {40, "select_all", "select_all_text", {0, 1, 4, 0}},
    {41, "print", "print_text", {0, 1, 19, 0}},
    {42, "close_windows", "close_windows_text", {0, 4, 61, 0}},
    {43, "swap_windows", "swap_windows_text", {0, 4, 43, 0}},
    {44, "show_desktop", "show_desktop_text", {0, 8, 7, 0}},
    {45, "run_command", "run_command_text", {0, 8, 21, 0}},
    {46, "lock_pc", "lock_pc_text", {0, 8, 15, 0}},
    {47, "new", "new_text", {0, 1, 17, 0}},
    {50, "light_mode_switch", "light_mode_switch_text", {11, 0, 0, 0}},
    {64, "media_player", "media_player_text", {3, 0, 131, 1}},
    {65, "play_pause", "play_pause_text", {3, 0, 205, 0}},
    {66, "media_stop", "media_stop_text", {3, 0, 183, 0}},
    {67, "pre_track", "pre_track_text", {3, 0, 182, 0}},
    {68, "next_track", "next_track_text", {3, 0, 181, 0}},
    {69, "volume_up", "volume_up_text", {3, 0, 233, 0}},
    {70, "volume_down", "volume_down_text", {3, 0, 234, 0}},
    {71, "mute", "mute_text", {3, 0, 226, 0}},
    {72, "browser_home", "browser_home_text", {3, 0, 35, 2}},
    {73, "browser_favorites", "browser_favorites_text", {3, 0, 42, 2}},
    {74, "browser_forward", "browser_forward_text", {3, 0, 37, 2}},
    {75, "browser_backward", "browser_backward_text", {3, 0, 36, 2}},
    {76, "browser_stop", "browser_stop_text", {3, 0, 38, 2}},
    {77, "browser_refresh", "browser_refresh_text", {3, 0, 39, 2}},
    {78, "browser_search", "browser_search_text", {3, 0, 33, 2}},
    {79, "email", "email_text", {3, 0, 138, 1}},
    {80, "calculator", "calculator_text", {3, 0, 146, 1}},
    {81, "my_computer", "my_computer_text", {3, 0, 148, 1}},
    {104, "report_up", "report_up_text", {5, 0, 1, 0}},
    {105, "report_down", "report_down_text", {5, 0, 2, 0}},
    {112, "report_cycle", "report_cycle_text", {5, 0, 3, 0}},
    {113, "juji", "juji_text", {7, 0, 4, 2}},
    {116, nullptr, "click_text", {8, 0, 3, 0}},
}};

constexpr uint8_t kDefaultsLow[16] = {1, 2, 3, 4, 5, 7, 8, 0, 0, 0, 0, 0, 0, 0, 11, 12};
constexpr uint8_t kDefaultsHigh[16] = {25, 2, 3, 4, 5, 7, 8, 0, 0, 0, 0, 0, 0, 0, 11, 12};

}  // namespace

std::u16string KeyNameKey(uint8_t keyCode) {
    static const KeyNameTable table;
    return table.names[keyCode];
}

int UsKeyboardLayout::VirtualKeyToScanCode(int virtualKey) const {
    const VirtualKeyRow* row = FindVirtualKey(virtualKey);
    return row ? row->scanCode : 0;
}

const std::array<VirtualKeyRow, kVirtualKeyRows>& VirtualKeyTable() {
    return kVirtualKeys;
}

KeyCodeResult VirtualKeyToKeyCode(int virtualKey, const KeyboardLayout& layout) {
    const VirtualKeyRow* row = FindVirtualKey(virtualKey);
    if (!row) {
        return {};
    }
    KeyCodeResult result{true, uint8_t(row->keyCode)};
    if (row->keyCode < 4 || row->keyCode > 69) {
        return result;
    }
    // Keys 4-69 are named by where they sit on the keyboard. A layout that
    // gives no scan code (0) must not pick one of the rows without a scan
    // code, so the key keeps the code of its own row then, as it does when
    // the scan code is in no row.
    const int scanCode = layout.VirtualKeyToScanCode(virtualKey);
    if (scanCode == 0) {
        return result;
    }
    for (const auto& r : kVirtualKeys) {
        if (r.scanCode == scanCode) {
            result.keyCode = uint8_t(r.keyCode);
            break;
        }
    }
    return result;
}

KeyCodeResult VirtualKeyToKeyCode(int virtualKey) {
    static const UsKeyboardLayout us;
    return VirtualKeyToKeyCode(virtualKey, us);
}

const std::array<FunctionRow, 61>& FunctionTable() {
    return kFunctions;
}

const FunctionRow* FindFunction(int functionId) {
    for (const auto& row : kFunctions) {
        if (row.id == functionId) {
            return &row;
        }
    }
    return nullptr;
}

const FunctionRow* FindFunctionByMenuName(std::string_view menuName) {
    for (const auto& row : kFunctions) {
        if (row.menuName && AsciiEqualsNoCase(row.menuName, menuName)) {
            return &row;
        }
    }
    return nullptr;
}

int FunctionIdForMenuName(std::string_view menuName) {
    if (const FunctionRow* row = FindFunctionByMenuName(menuName)) {
        return row->id;
    }
    if (AsciiEqualsNoCase(menuName, "select_gun")) {
        return fn::kRecoil;
    }
    return -1;
}

std::array<uint8_t, 4> FunctionBytes(int functionId) {
    const FunctionRow* row = FindFunction(functionId);
    if (!row) {
        return {0, 0, 0, 0};
    }
    return {row->bytes[0], row->bytes[1], row->bytes[2], row->bytes[3]};
}

// Shortcut buttons (21) show their modifiers and key name, built by the
// button page, so their key is empty. The macro and preset slots 57 and 121
// have no row but show their own keys, followed by the bound names.
std::string FunctionTextKey(int functionId) {
    if (functionId == fn::kLeftButtonMacro) {
        return "set_left_macro_text";
    }
    if (functionId == fn::kRecoil) {
        return "set_gun_text";
    }
    const FunctionRow* row = FindFunction(functionId);
    if (!row || !row->menuName) {
        return "click_text";
    }
    return row->textKey;
}

uint8_t DefaultFunction(int slot) {
    if (slot < 0 || slot >= 64) {
        return 0;
    }
    const int s = slot % 32;
    return s < 16 ? kDefaultsLow[s] : kDefaultsHigh[s - 16];
}

}  // namespace mouse
