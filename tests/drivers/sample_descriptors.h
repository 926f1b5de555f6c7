// Report descriptors shaped like those of real mice, as hex text: the
// parser's tests, the hidraw stand-in and the fuzz seeds share them.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "store/ascii.h"

namespace mouse::test {

// A boot mouse: three buttons and X, Y and wheel, no report ids.
inline constexpr std::string_view kPlainMouse =
    "05 01 09 02 A1 01 09 01 A1 00 05 09 19 01 29 03 15 00 25 01 95 03 75 01 81 02"
    " 95 01 75 05 81 03 05 01 09 30 09 31 09 38 15 81 25 7F 75 08 95 03 81 06 C0 C0";

// A boot keyboard: modifiers, six keys, five LEDs.
inline constexpr std::string_view kKeyboard =
    "05 01 09 06 A1 01 05 07 19 E0 29 E7 15 00 25 01 75 01 95 08 81 02 95 01 75 08"
    " 81 01 95 05 75 01 05 08 19 01 29 05 91 02 95 01 75 03 91 01 95 06 75 08 15 00"
    " 25 65 05 07 19 00 29 65 81 00 C0";

// A vendor interface without report ids: 8-byte feature, 32-byte output and
// input reports.
inline constexpr std::string_view kVendorUnnumbered =
    "06 00 FF 09 01 A1 01 09 02 15 00 26 FF 00 75 08 95 08 B1 02 09 03 95 20 91 02"
    " 09 04 95 20 81 02 C0";

// The same interface with numbered reports: the id is the report's first
// byte, so the feature report carries 7 bytes after it and the output
// report 31. The feature ids are the protocol's commands, the input ids the
// notice classes.
inline constexpr std::string_view kVendorNumbered =
    "06 00 FF 09 01 A1 01 15 00 26 FF 00 75 08 95 07 85 01 09 02 B1 02"
    " 85 02 09 02 B1 02 85 03 09 02 B1 02 85 04 09 02 B1 02 85 07 09 02 B1 02"
    " 85 08 09 02 B1 02 85 0B 09 02 B1 02 85 0C 09 02 B1 02 85 0D 09 02 B1 02"
    " 85 10 09 02 B1 02 85 11 09 02 B1 02 85 12 09 02 B1 02 85 13 09 02 B1 02"
    " 85 80 09 02 B1 02 85 83 09 02 B1 02 85 8B 09 02 B1 02"
    " 85 09 95 1F 09 03 91 02"
    " 85 05 09 04 81 02 85 07 09 04 81 02 85 08 09 04 81 02 C0";

// One interface with three top-level collections: a mouse (id 1), consumer
// keys (id 2) and a vendor feature report (id 6).
inline constexpr std::string_view kComposite =
    "05 01 09 02 A1 01 85 01 09 01 A1 00 05 09 19 01 29 05 15 00 25 01 95 05 75 01"
    " 81 02 95 01 75 03 81 03 05 01 09 30 09 31 16 00 80 26 FF 7F 75 10 95 02 81 06"
    " C0 C0 05 0C 09 01 A1 01 85 02 19 00 2A 3C 02 15 00 26 3C 02 95 01 75 10 81 00"
    " C0 06 01 FF 09 01 A1 01 85 06 15 00 26 FF 00 75 08 95 07 09 01 B1 02 C0";

inline std::vector<uint8_t> FromHex(std::string_view text) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != ' ') {
            bytes.push_back(
                static_cast<uint8_t>(HexDigitValue(text[i]) << 4 | HexDigitValue(text[i + 1])));
            ++i;
        }
    }
    return bytes;
}

}  // namespace mouse::test
