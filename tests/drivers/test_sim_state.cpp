#include <gtest/gtest.h>

#include "drivers/sim/sim_client.h"
#include "drivers/sim/sim_state.h"

namespace mouse {
namespace {

SimState Filled() {
    SimState s;
    s.plugged = false;
    s.versionMajor = 2;
    s.versionMinor = 0x1F;
    s.settings = {1, 2, 3, 4, 5, 0xFF};
    s.buttonMode = 2;
    s.reportRate = 8;
    s.dpiLevel = 4;
    s.fixedColour = {0x0A, 0x0B, 0x0C};
    s.lightEffect = 9;
    s.lightP = 0x64;
    s.lightQ = 0x22;
    for (size_t i = 0; i < 24; ++i) {
        s.cycleColours[i] = static_cast<uint8_t>(i);
        s.dpiColours[i] = static_cast<uint8_t>(0xF0 - i);
    }
    s.dpiLevelCount = 6;
    s.dpiTable = {1, 2, 4, 8, 16, 32, 64, 128};
    for (size_t i = 0; i < 256; ++i) {
        s.buttonTable[i] = static_cast<uint8_t>(255 - i);
    }
    std::array<uint8_t, 128> block{};
    block[0] = 0x00;
    block[1] = 0x01;
    block[127] = 0x99;
    s.macroBlocks[0] = block;
    s.macroBlocks[9] = block;
    s.liftOff = 3;
    s.keyResponse = 12;
    s.highDpiMask = 0x81;
    s.closingCount = 7;
    s.acceptedCount = 123456;
    s.refusedCount = 4;
    s.faultCount = 4000000000u;
    return s;
}

TEST(SimStateText, RoundTripsEveryField) {
    const SimState s = Filled();
    const auto back = ParseSimState(EncodeSimState(s));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, s);
    const auto plain = ParseSimState(EncodeSimState(SimState{}));
    ASSERT_TRUE(plain.has_value());
    EXPECT_EQ(*plain, SimState{});
    EXPECT_FALSE(plain->macroBlocks[3].has_value());
}

TEST(SimStateText, RejectsDamagedText) {
    const std::string good = EncodeSimState(Filled());
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string t = good;
        const size_t at = t.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return t.replace(at, from.size(), to);
    };
    const std::string cases[] = {
        "",
        good.substr(0, good.size() / 2),                           // cut off
        replaced("settings 0102030405ff", "settings 0102030405"),  // short field
        replaced("dpiTable 01", "dpiTable 0g"),                    // not hex
        replaced("plugged 0", "plugged 2"),
        replaced("closingCount 7", "closingCount -7"),
        replaced("faultCount 4000000000", "faultCount 5000000000"),  // above 32 bits
        replaced("macro10 ", "macro11 "),                            // missing block line
        replaced("liftOff 03", "liftOff03"),
    };
    for (const std::string& text : cases) {
        EXPECT_FALSE(ParseSimState(text).has_value()) << text.substr(0, 60);
    }
}

TEST(SimStateText, ReadableFormDecodesColoursAndSlots) {
    const std::string text = FormatSimState(Filled());
    EXPECT_NE(text.find("firmware:       2.31"), std::string::npos) << text;
    EXPECT_NE(text.find("fixed colour:   #0a0b0c"), std::string::npos) << text;
    EXPECT_NE(text.find("#000102 #030405"), std::string::npos) << text;
    EXPECT_NE(text.find("  63: 03 02 01 00"), std::string::npos) << text;
    EXPECT_NE(text.find("macro block 2: not written"), std::string::npos) << text;
    EXPECT_NE(text.find("plugged:        no"), std::string::npos) << text;
}

TEST(SimClient, ButtonNamesAndSimAbsent) {
    EXPECT_EQ(ParseSimButton("dpi"), SimButton::Dpi);
    EXPECT_EQ(ParseSimButton("rate"), SimButton::Rate);
    EXPECT_EQ(ParseSimButton("mode"), SimButton::Mode);
    EXPECT_EQ(ParseSimButton("DPI"), std::nullopt);
    const std::string nowhere = "/nonexistent/mouse.sock";
    EXPECT_FALSE(SimPlug(nowhere));
    EXPECT_FALSE(SimPress(nowhere, SimButton::Dpi, 1));
    EXPECT_FALSE(SimGetState(nowhere).has_value());
}

}  // namespace
}  // namespace mouse
