// ASCII helpers for the text forms of Data.ini, the function table's menu
// names, mousectl and the virtual mouse's state. Every hex text the programs
// write (report transcripts, logs, inspect output) comes from HexBytes and
// HexNumber: lower case, no separators.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace mouse {

// Value of one hexadecimal digit (either case), or -1.
constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Lower-case digit of the low four bits of `value`.
constexpr char HexDigit(unsigned value) {
    return "0123456789abcdef"[value & 0x0F];
}

// Two lower-case digits per byte, in order, no separators.
inline std::string HexBytes(std::span<const uint8_t> bytes) {
    std::string text(2 * bytes.size(), '0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        text[2 * i] = HexDigit(bytes[i] >> 4);
        text[2 * i + 1] = HexDigit(bytes[i]);
    }
    return text;
}

// `value` in lower-case hex, zero-padded to at least `digits` digits.
inline std::string HexNumber(uint32_t value, int digits) {
    std::string text;
    for (int shift = 28; shift >= 0; shift -= 4) {
        if (!text.empty() || (value >> shift) != 0 || shift < 4 * digits || shift == 0) {
            text.push_back(HexDigit(value >> shift));
        }
    }
    return text;
}

constexpr char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Equal without regard to the case of ASCII letters.
constexpr bool AsciiEqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace mouse
