#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <vector>

#include "store/ascii.h"

namespace mouse {
namespace {

TEST(Hex, BytesAreTwoLowerCaseDigitsEachInOrder) {
    struct Case {
        std::vector<uint8_t> bytes;
        const char* text;
    };
    const Case cases[] = {
        {{}, ""},
        {{0x00}, "00"},
        {{0x0f}, "0f"},
        {{0xf0}, "f0"},
        {{0xAB, 0xCD, 0xEF}, "abcdef"},
        {{0x80, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x7e}, "800100000000007e"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HexBytes(c.bytes), c.text);
    }
}

TEST(Hex, BytesRoundTripThroughHexDigitValue) {
    std::array<uint8_t, 256> all{};
    for (size_t i = 0; i < all.size(); ++i) {
        all[i] = uint8_t(i);
    }
    const std::string text = HexBytes(all);
    ASSERT_EQ(text.size(), 512u);
    for (size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(HexDigitValue(text[2 * i]) * 16 + HexDigitValue(text[2 * i + 1]), int(i));
    }
}

TEST(Hex, NumbersMatchZeroPaddedPrintf) {
    const uint32_t values[] = {0, 1, 0x0f, 0x10, 0xab, 0xff, 0x100, 0xbeef, 0x12345678, 0xffffffff};
    for (uint32_t value : values) {
        for (int digits : {1, 2, 4, 8}) {
            char expected[16];
            std::snprintf(expected, sizeof expected, "%0*x", digits, value);
            EXPECT_EQ(HexNumber(value, digits), expected) << value << " in " << digits;
        }
    }
}

}  // namespace
}  // namespace mouse
