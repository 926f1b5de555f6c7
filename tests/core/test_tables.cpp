#include <gtest/gtest.h>

#include <set>

#include "device/records.h"
#include "store/tables.h"

namespace mouse {
namespace {

TEST(KeyNames, RowsByRule) {
    EXPECT_EQ(KeyNameKey(4), u"key_A");
    EXPECT_EQ(KeyNameKey(29), u"key_Z");
    for (int c = 4; c <= 29; ++c) {
        EXPECT_EQ(KeyNameKey(uint8_t(c)), u"key_" + std::u16string(1, char16_t('A' + c - 4)));
    }
    for (int c = 30; c <= 38; ++c) {
        EXPECT_EQ(KeyNameKey(uint8_t(c)), u"key_" + std::u16string(1, char16_t('1' + c - 30)));
    }
    for (int c = 89; c <= 97; ++c) {
        EXPECT_EQ(KeyNameKey(uint8_t(c)), u"key_Num_" + std::u16string(1, char16_t('1' + c - 89)));
    }
    EXPECT_EQ(KeyNameKey(39), u"key_0");
    EXPECT_EQ(KeyNameKey(98), u"key_Num_0");
    EXPECT_EQ(KeyNameKey(58), u"key_F1");
    EXPECT_EQ(KeyNameKey(66), u"key_F9");
    EXPECT_EQ(KeyNameKey(67), u"key_F10");
    EXPECT_EQ(KeyNameKey(69), u"key_F12");
}

TEST(KeyNames, SpecialRows) {
    struct Row {
        int code;
        std::u16string key;
    };
    const Row rows[] = {
        {40, u"key_Enter"},
        {42, u"key_BackSpace"},
        {49, u"key_Xiexian"},
        {100, u"key_Xiexian"},
        {50, std::u16string(1, char16_t(0xFFE5))},
        {53, u"key_" + std::u16string(1, char16_t(0x60))},
        {221, std::u16string(1, char16_t(0x60))},
        {57, u"key_Caplk"},
        {70, u"key_Print Scr"},
        {78, u"key_Page Down"},
        {88, u"key_Num_Enter"},
        {99, u"key_Num_."},
        {101, u"key_App"},
        {130, u"Sleep"},
        {136, u"Kana/Roma"},
        {224, u"key_LCtrl"},
        {231, u"key_RWin"},
        {240, u"L_Button"},
        {243, u"Backward_Button"},
        {244, u"Forward_Button"},
        {248, u"Scroll_Up"},
        {249, u"Scroll_Down"},
        // Codes without a row.
        {0, u""},
        {3, u""},
        {102, u""},
        {129, u""},
        {232, u""},
        {245, u""},
        {247, u""},
        {255, u""},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(KeyNameKey(uint8_t(r.code)), r.key) << r.code;
    }
    int named = 0;
    for (int c = 0; c < 256; ++c) {
        named += KeyNameKey(uint8_t(c)).empty() ? 0 : 1;
    }
    // 4-101 (98 codes), 130, 136, 221, 224-231, 240-244, 248, 249.
    EXPECT_EQ(named, 98 + 3 + 8 + 5 + 2);
}

TEST(VirtualKeys, TableIsConsistent) {
    const auto& table = VirtualKeyTable();
    std::set<int> vks, codes, scans;
    for (const auto& row : table) {
        EXPECT_TRUE(vks.insert(row.virtualKey).second) << row.virtualKey;
        EXPECT_TRUE(codes.insert(row.keyCode).second) << row.keyCode;
        if (row.scanCode != 0) {
            EXPECT_TRUE(scans.insert(row.scanCode).second) << row.scanCode;
        }
        // Exactly the keys 4-69 carry a scan code.
        EXPECT_EQ(row.scanCode != 0, row.keyCode >= 4 && row.keyCode <= 69) << row.keyCode;
        EXPECT_NE(row.virtualKey, 0);
    }
    EXPECT_EQ(vks.size(), size_t(kVirtualKeyRows));
}

class FakeLayout : public KeyboardLayout {
public:
    int VirtualKeyToScanCode(int virtualKey) const override {
        ++calls;
        if (virtualKey == 65) {
            return 16;  // A where the US layout has Q
        }
        if (virtualKey == 81) {
            return 30;  // Q where the US layout has A
        }
        if (virtualKey == 90) {
            return 0;  // no scan code
        }
        if (virtualKey == 89) {
            return 0x5A;  // a scan code no row has
        }
        return us.VirtualKeyToScanCode(virtualKey);
    }
    UsKeyboardLayout us;
    mutable int calls = 0;
};

TEST(VirtualKeys, ToKeyCode) {
    struct Case {
        int vk;
        bool found;
        int us;
        int fake;
    };
    const Case cases[] = {
        {65, true, 4, 20},    {81, true, 20, 4},     {90, true, 29, 29},    {89, true, 28, 28},
        {49, true, 30, 30},   {48, true, 39, 39},    {13, true, 40, 40},    {220, true, 49, 49},
        {123, true, 69, 69},  {162, true, 224, 224}, {92, true, 231, 231},  {44, true, 70, 70},
        {93, true, 101, 101}, {240, true, 240, 240}, {247, true, 247, 247}, {95, false, 0, 0},
        {0, false, 0, 0},     {255, false, 0, 0},
    };
    FakeLayout fake;
    for (const auto& c : cases) {
        auto us = VirtualKeyToKeyCode(c.vk);
        EXPECT_EQ(us.found, c.found) << c.vk;
        EXPECT_EQ(us.keyCode, c.us) << c.vk;
        auto other = VirtualKeyToKeyCode(c.vk, fake);
        EXPECT_EQ(other.found, c.found) << c.vk;
        EXPECT_EQ(other.keyCode, c.fake) << c.vk;
    }
}

TEST(VirtualKeys, NoLayoutLookupOutsideFourToSixtyNine) {
    FakeLayout fake;
    EXPECT_EQ(VirtualKeyToKeyCode(162, fake).keyCode, 224);
    EXPECT_EQ(VirtualKeyToKeyCode(37, fake).keyCode, 80);
    EXPECT_EQ(VirtualKeyToKeyCode(95, fake).found, false);
    EXPECT_EQ(fake.calls, 0);
    EXPECT_EQ(VirtualKeyToKeyCode(65, fake).keyCode, 20);
    EXPECT_EQ(fake.calls, 1);
}

TEST(Functions, TableShape) {
    const auto& table = FunctionTable();
    ASSERT_EQ(table.size(), 61u);
    for (size_t i = 1; i < table.size(); ++i) {
        EXPECT_LT(table[i - 1].id, table[i].id) << "rows in id order, no duplicates";
    }
    for (const auto& row : table) {
        ASSERT_NE(row.textKey, nullptr);
        EXPECT_EQ(FindFunction(row.id), &row);
        if (row.menuName) {
            EXPECT_EQ(FindFunctionByMenuName(row.menuName), &row);
            EXPECT_EQ(FunctionIdForMenuName(row.menuName), row.id);
        }
    }
}

TEST(Functions, SampleRowsWithBytes) {
    struct Row {
        int id;
        const char* menu;  // nullptr: no menu name
        std::string text;
        std::array<uint8_t, 4> bytes;
    };
    const Row rows[] = {
        {0, "button_off", "button_off_text", {0, 0, 0, 0}},
        {1, "click", "click_text", {1, 0, 240, 0}},
        {5, "backward", "backward_text", {1, 0, 243, 0}},
        {9, "double_click", "double_click_text", {10, 240, 50, 2}},
        {10, "fire_click", "fire_click_text", {10, 0, 0, 0}},
        {18, "three_click", "three_click_text", {10, 240, 50, 3}},
        {21, "shortcut", "", {0, 0, 0, 0}},
        {22, "select_macro", "set_macro_text", {9, 0, 0, 0}},
        {25, "send_gun", "send_gun_text", {12, 0, 0, 0}},
        {26, "mode_switch", "mode_switch_text", {8, 0, 1, 0}},
        {33, "copy", "copy_text", {0, 1, 6, 0}},
        {42, "close_windows", "close_windows_text", {0, 4, 61, 0}},
        {46, "lock_pc", "lock_pc_text", {0, 8, 15, 0}},
        {50, "light_mode_switch", "light_mode_switch_text", {11, 0, 0, 0}},
        {64, "media_player", "media_player_text", {3, 0, 131, 1}},
        {75, "browser_backward", "browser_backward_text", {3, 0, 36, 2}},
        {81, "my_computer", "my_computer_text", {3, 0, 148, 1}},
        {112, "report_cycle", "report_cycle_text", {5, 0, 3, 0}},
        {113, "juji", "juji_text", {7, 0, 4, 2}},
        // Rows that cannot be chosen show the left-click text.
        {13, nullptr, "click_text", {4, 0, 3, 0}},
        {14, nullptr, "click_text", {4, 0, 4, 0}},
        {24, nullptr, "click_text", {6, 0, 0, 0}},
        {39, nullptr, "click_text", {0, 1, 29, 0}},
        {116, nullptr, "click_text", {8, 0, 3, 0}},
    };
    for (const auto& r : rows) {
        const FunctionRow* row = FindFunction(r.id);
        ASSERT_NE(row, nullptr) << r.id;
        if (r.menu) {
            ASSERT_NE(row->menuName, nullptr) << r.id;
            EXPECT_STREQ(row->menuName, r.menu);
        } else {
            EXPECT_EQ(row->menuName, nullptr) << r.id;
        }
        EXPECT_EQ(FunctionTextKey(r.id), r.text) << r.id;
        EXPECT_EQ(FunctionBytes(r.id), r.bytes) << r.id;
    }
}

TEST(Functions, IdsWithoutRows) {
    for (int id : {15, 16, 17, 19, 20, 23, 27, 31, 48, 49, 51, 57, 63, 82, 103, 114, 121, 255}) {
        EXPECT_EQ(FindFunction(id), nullptr) << id;
        EXPECT_EQ(FunctionBytes(id), (std::array<uint8_t, 4>{0, 0, 0, 0})) << id;
    }
    EXPECT_EQ(FunctionTextKey(57), "set_left_macro_text");
    EXPECT_EQ(FunctionTextKey(121), "set_gun_text");
    EXPECT_EQ(FunctionTextKey(15), "click_text");
    EXPECT_EQ(FunctionTextKey(200), "click_text");
}

TEST(Functions, MenuNamesIgnoreCase) {
    EXPECT_EQ(FunctionIdForMenuName("COPY"), 33);
    EXPECT_EQ(FunctionIdForMenuName("Select_Macro"), 22);
    EXPECT_EQ(FunctionIdForMenuName("select_gun"), 121);
    EXPECT_EQ(FunctionIdForMenuName("SELECT_GUN"), 121);
    EXPECT_EQ(FindFunctionByMenuName("select_gun"), nullptr);
    EXPECT_EQ(FunctionIdForMenuName("copy "), -1);
    EXPECT_EQ(FunctionIdForMenuName(""), -1);
    EXPECT_EQ(FindFunctionByMenuName("click_text"), nullptr);
}

TEST(Functions, DefaultsOfAllSlots) {
    const int low[16] = {1, 2, 3, 4, 5, 7, 8, 0, 0, 0, 0, 0, 0, 0, 11, 12};
    for (int slot = 0; slot < 64; ++slot) {
        const int s = slot % 32;
        const int expected = s == 16 ? 25 : low[s % 16];
        EXPECT_EQ(DefaultFunction(slot), expected) << slot;
        EXPECT_NE(FindFunction(DefaultFunction(slot)), nullptr) << slot;
    }
    EXPECT_EQ(DefaultFunction(-1), 0);
    EXPECT_EQ(DefaultFunction(64), 0);
}

}  // namespace
}  // namespace mouse
