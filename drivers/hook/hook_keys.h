// Which Windows virtual-key code a key reports, by where the key sits on the
// keyboard. Keys are named by their Linux evdev code (X key code - 8 on
// servers with evdev key codes, which every current X server uses); the
// virtual-key code is the one the key in that place has on a US keyboard.
// Naming keys by place keeps a recorded macro playing the same physical keys
// whatever layout the desktop uses.
//
// Shared by the hook library (key code -> virtual key) and the program's X
// keyboard layout (virtual key -> key code), which must agree exactly.
#pragma once

#include <cstdint>

namespace mouse::hook {

struct EvdevVirtualKey {
    uint16_t evdev;
    uint8_t virtualKey;
};

// Keys without a row (most of the Japanese and Korean keys, whose Windows
// codes depend on the layout, and keys Windows has no code for) are not
// reported.
inline constexpr EvdevVirtualKey kEvdevVirtualKeys[] = {
    {1, 27},  // Esc
    {2, 49},
    {3, 50},
    {4, 51},
    {5, 52},
    {6, 53},
    {7, 54},
    {8, 55},
    {9, 56},
    {10, 57},
    {11, 48},   // 1..9, 0
    {12, 189},  // -
    {13, 187},  // =
    {14, 8},    // Backspace
    {15, 9},    // Tab
    {16, 'Q'},
    {17, 'W'},
    {18, 'E'},
    {19, 'R'},
    {20, 'T'},
    {21, 'Y'},
    {22, 'U'},
    {23, 'I'},
    {24, 'O'},
    {25, 'P'},
    {26, 219},  // [
    {27, 221},  // ]
    {28, 13},   // Enter
    {29, 162},  // left Ctrl
    {30, 'A'},
    {31, 'S'},
    {32, 'D'},
    {33, 'F'},
    {34, 'G'},
    {35, 'H'},
    {36, 'J'},
    {37, 'K'},
    {38, 'L'},
    {39, 186},  // ;
    {40, 222},  // '
    {41, 192},  // `
    {42, 160},  // left Shift
    {43, 220},  // backslash
    {44, 'Z'},
    {45, 'X'},
    {46, 'C'},
    {47, 'V'},
    {48, 'B'},
    {49, 'N'},
    {50, 'M'},
    {51, 188},  // ,
    {52, 190},  // .
    {53, 191},  // /
    {54, 161},  // right Shift
    {55, 106},  // numeric pad *
    {56, 164},  // left Alt
    {57, 32},   // Space
    {58, 20},   // Caps Lock
    {59, 112},
    {60, 113},
    {61, 114},
    {62, 115},
    {63, 116},
    {64, 117},
    {65, 118},
    {66, 119},
    {67, 120},
    {68, 121},  // F1..F10
    {69, 144},  // Num Lock
    {70, 145},  // Scroll Lock
    {71, 103},
    {72, 104},
    {73, 105},  // numeric pad 7 8 9
    {74, 109},  // numeric pad -
    {75, 100},
    {76, 101},
    {77, 102},  // numeric pad 4 5 6
    {78, 107},  // numeric pad +
    {79, 97},
    {80, 98},
    {81, 99},   // numeric pad 1 2 3
    {82, 96},   // numeric pad 0
    {83, 110},  // numeric pad .
    {86, 226},  // the extra key left of Z on ISO keyboards
    {87, 122},
    {88, 123},  // F11, F12
    {92, 28},   // Henkan (convert)
    {94, 29},   // Muhenkan (no convert)
    // Windows reports the numeric pad's Enter as Enter; the program's key
    // table has a row of its own for it (108), which keeps its place.
    {96, 108},
    {97, 163},   // right Ctrl
    {98, 111},   // numeric pad /
    {99, 44},    // Print Screen
    {100, 165},  // right Alt
    {102, 36},
    {103, 38},
    {104, 33},
    {105, 37},
    {106, 39},
    {107, 35},
    {108, 40},
    {109, 34},
    {110, 45},
    {111, 46},  // Home Up PgUp Left Right End Down PgDn Ins Del
    {113, 173},
    {114, 174},
    {115, 175},  // mute, volume down, volume up
    {119, 19},   // Pause
    {125, 91},
    {126, 92},  // left and right Windows keys
    {127, 93},  // menu (application) key
    {142, 95},  // sleep
    {163, 176},
    {164, 179},
    {165, 177},
    {166, 178},  // next, play/pause, previous, stop
    {183, 124},
    {184, 125},
    {185, 126},
    {186, 127},
    {187, 128},
    {188, 129},
    {189, 130},
    {190, 131},
    {191, 132},
    {192, 133},
    {193, 134},
    {194, 135},  // F13..F24
};

// The virtual-key code of the key with that evdev code; 0 when it has none.
constexpr int VirtualKeyFromEvdev(int evdev) {
    for (const EvdevVirtualKey& row : kEvdevVirtualKeys) {
        if (row.evdev == evdev) {
            return row.virtualKey;
        }
    }
    return 0;
}

// The evdev code of the key that reports that virtual-key code; 0 when none does.
constexpr int EvdevFromVirtualKey(int virtualKey) {
    for (const EvdevVirtualKey& row : kEvdevVirtualKeys) {
        if (row.virtualKey == virtualKey) {
            return row.evdev;
        }
    }
    return 0;
}

// Each key and each virtual-key code occurs once, so the two lookups are
// each other's inverse.
constexpr bool EvdevTableIsOneToOne() {
    for (const EvdevVirtualKey& a : kEvdevVirtualKeys) {
        int sameKey = 0;
        int sameCode = 0;
        for (const EvdevVirtualKey& b : kEvdevVirtualKeys) {
            sameKey += a.evdev == b.evdev;
            sameCode += a.virtualKey == b.virtualKey;
        }
        if (sameKey != 1 || sameCode != 1 || a.virtualKey == 0) {
            return false;
        }
    }
    return true;
}
static_assert(EvdevTableIsOneToOne());

// X key codes of evdev servers are the evdev code + 8.
inline constexpr int kXKeycodeOffset = 8;

}  // namespace mouse::hook
