#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

#include "device/encode.h"
#include "device/records.h"

namespace mouse {
namespace {

std::unique_ptr<ProfileRecord> ZeroRecord() {
    auto record = std::make_unique<ProfileRecord>();
    std::memset(static_cast<void*>(record.get()), 0, sizeof(ProfileRecord));
    return record;
}

std::unique_ptr<ButtonEntry> ZeroEntry() {
    auto entry = std::make_unique<ButtonEntry>();
    std::memset(static_cast<void*>(entry.get()), 0, sizeof(ButtonEntry));
    return entry;
}

std::array<ButtonOverride, 64> UseProfileEverywhere() {
    std::array<ButtonOverride, 64> overrides{};
    for (auto& o : overrides) {
        o.useProfile = 1;
    }
    return overrides;
}

std::vector<uint8_t> Head(const MacroBlock& block, size_t n) {
    return std::vector<uint8_t>(block.begin(), block.begin() + long(n));
}

bool ZeroFrom(const MacroBlock& block, size_t from) {
    for (size_t i = from; i < block.size(); ++i) {
        if (block[i] != 0) {
            return false;
        }
    }
    return true;
}

MacroAction Action(uint8_t kind, uint8_t code, uint16_t delay, int32_t x = 0, int32_t y = 0) {
    MacroAction a{};
    a.kind = kind;
    a.code = code;
    a.delay = delay;
    a.x = x;
    a.y = y;
    return a;
}

TEST(FeatureReport, ChecksumMakesAllBytesAddUpToFF) {
    const FeatureReport reports[] = {MakeFeature(0x83), MakeFeature(0x08, 0xAA, 0xCC, 0xEE),
                                     MakeFeature(0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF)};
    for (const FeatureReport& r : reports) {
        unsigned sum = 0;
        for (uint8_t b : r) {
            sum += b;
        }
        EXPECT_EQ(sum % 256, 0xFFu);
        EXPECT_TRUE(FeatureChecksumValid(r.data()));
    }
    EXPECT_EQ(MakeFeature(0x83)[7], 0x7C);
    EXPECT_EQ(MakeFeature(0x08, 0xAA, 0xCC, 0xEE)[7], 0x93);
    FeatureReport broken = MakeFeature(0x02, 1);
    broken[3] ^= 0x10;
    EXPECT_FALSE(FeatureChecksumValid(broken.data()));
}

TEST(ReportRate, IndexToDeviceValue) {
    const std::pair<int, uint8_t> cases[] = {{0, 8}, {1, 4}, {2, 2}, {3, 1}, {4, 2}, {-1, 2}};
    for (auto [index, value] : cases) {
        EXPECT_EQ(ReportRateValue(index), value) << "index " << index;
    }
}

TEST(Lighting, ParametersByEffect) {
    struct Case {
        int mode, colourMode, brightness, frequency, length;
        uint8_t p, q;
    };
    const Case cases[] = {
        {0, 2, 200, 3, 2, 0, 0},       {1, 1, 200, 3, 2, 200, 2},  // colour mode 1 is sent as 2
        {5, 0, 200, 3, 2, 200, 0},     {11, 3, 200, 3, 2, 200, 3},
        {2, 1, 200, 3, 2, 3, 2},       {3, 2, 200, 3, 2, 3, 200},
        {4, 2, 255, 3, 2, 3, 255},     {6, 2, 200, 3, 1, 3, 2},
        {7, 0, 200, 3, 5, 0xFF, 0},  // 4 - 5 taken modulo 256
        {8, 0, 200, 3, 2, 200, 0},     {8, 1, 200, 3, 2, 200, 1},
        {8, 7, 200, 3, 2, 200, 1},     {9, 2, 200, 3, 2, 200, 0x12},  // c | (4 - f) << 4
        {9, 1, 200, 1, 2, 200, 0x32},  {10, 2, 200, 3, 2, 200, 1},
        {10, 2, 200, 6, 2, 200, 0xFE}, {12, 2, 200, 3, 2, 0, 0},
        {-1, 2, 200, 3, 2, 0, 0},      {1, 2, 300, 3, 2, 44, 2},  // brightness modulo 256
    };
    auto record = ZeroRecord();
    for (const Case& c : cases) {
        record->lightMode = c.mode;
        record->lightColourMode = c.colourMode;
        record->lightBrightness = c.brightness;
        record->lightFrequency = c.frequency;
        record->lightLength = c.length;
        const auto pq = LightingParameters(*record);
        EXPECT_EQ(pq[0], c.p) << "mode " << c.mode << " colour mode " << c.colourMode;
        EXPECT_EQ(pq[1], c.q) << "mode " << c.mode << " colour mode " << c.colourMode;
    }
}

TEST(DpiStep, EverySensorRule) {
    struct Case {
        int sensor, step;
        uint8_t byte;
    };
    const Case cases[] = {
        {36, 1, 0x00},     {36, 41, 40},      {36, 42, 0x54},   {37, 60, 59},     {37, 61, 0x5D},
        {38, 80, 79},      {38, 81, 0xA7},    {60, 120, 119},   {60, 121, 0xBB},  {3050, 1, 0x01},
        {3050, 8, 0x08},   {3050, 9, 0x45},   {3050, 12, 0x48}, {3050, 13, 0x06}, {3050, 0, 0x06},
        {3104, 106, 106},  {3104, 107, 0xB5}, {3212, 63, 63},   {3212, 64, 0x60}, {3212, 126, 0x7F},
        {3212, 127, 0xEA}, {3311, 1, 0},      {3311, 10, 11},   {3311, 30, 35},   {3311, 120, 143},
        {3311, 121, 71},   {3311, 241, 143},  {3325, 50, 49},   {3325, 51, 0x58}, {3327, 62, 62},
        {3327, 63, 0x5F},  {3330, 1, 0},      {3330, 100, 99},  {3333, 80, 80},   {3333, 81, 0xA8},
        {3335, 120, 143},  {3335, 121, 144},  {3335, 160, 189}, {3335, 161, 95},  {3335, 321, 189},
        {3370, 250, 149},  {3370, 200, 199},  {3370, 1, 0},     {3370, 0, 0},     {3370, -3, 0},
        {5050, 10, 0x0A},  {5050, 11, 0x01},  {5050, 12, 0x46}, {5050, 17, 0x4B}, {5050, 18, 0x06},
        {6400, 124, 122},  {6400, 125, 0xBC}, {9999, 50, 0},    {-1, 50, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EncodeDpiStep(c.step, c.sensor), c.byte)
            << "sensor " << c.sensor << " step " << c.step;
    }
}

TEST(DpiStep, TableSensorsNeverIndexOutsideTheirTables) {
    // Steps whose index falls outside 1..120 (A) or 1..160 (B) give 0.
    for (int step : {0, -1, -1000, 242, 1000, INT_MAX, INT_MIN}) {
        EXPECT_EQ(EncodeDpiStep(step, 3311), 0) << step;
    }
    for (int step : {0, -7, 322, 5000, INT_MAX, INT_MIN}) {
        EXPECT_EQ(EncodeDpiStep(step, 3335), 0) << step;
    }
    // Formula sensors with extreme steps stay defined (low byte of the result).
    EXPECT_EQ(EncodeDpiStep(INT_MIN, 6400), uint8_t(int64_t(INT_MIN) - 2));
    EXPECT_EQ(EncodeDpiStep(INT_MIN, 3330), uint8_t(int64_t(INT_MIN) - 1));
}

TEST(DpiTable, DisabledLevelsRepeatThePreviousByteWithBit7ForFlagSensors) {
    auto record = ZeroRecord();
    for (int i = 0; i < 8; ++i) {
        record->dpiValue[i] = 10 * (i + 1);
        record->dpiLevelEnabled[i] = 1;
    }
    record->dpiLevelEnabled[2] = 0;
    record->dpiLevelEnabled[3] = 0;
    EXPECT_EQ(EncodeDpiTable(*record, 3325),
              (std::array<uint8_t, 8>{9, 19, 0x93, 0x93, 49, 0x5D, 0x62, 0x67}));

    record->dpiLevelEnabled[0] = 0;
    EXPECT_EQ(EncodeDpiTable(*record, 3325)[0], 0x80);
    for (int sensor : {36, 3050, 3327, 5050}) {
        EXPECT_EQ(EncodeDpiTable(*record, sensor)[0], 0x80) << sensor;
        EXPECT_EQ(EncodeDpiTable(*record, sensor)[2], EncodeDpiTable(*record, sensor)[1] | 0x80)
            << sensor;
    }
    // Sensors without flags send disabled levels like any other.
    EXPECT_EQ(EncodeDpiTable(*record, 3104),
              (std::array<uint8_t, 8>{10, 20, 30, 40, 50, 60, 70, 80}));
    EXPECT_EQ(EncodeDpiTable(*record, 3311),
              (std::array<uint8_t, 8>{11, 23, 35, 47, 59, 71, 83, 95}));
    EXPECT_EQ(EncodeDpiTable(*record, 1234), (std::array<uint8_t, 8>{}));
}

TEST(DpiTable, HighDpiMaskPerSensorLimit) {
    auto record = ZeroRecord();
    const int steps[8] = {120, 121, 160, 161, 200, 201, 0, -5};
    std::memcpy(record->dpiValue, steps, sizeof steps);
    EXPECT_EQ(HighDpiMask(*record, 3311), 0b00111110);
    EXPECT_EQ(HighDpiMask(*record, 3335), 0b00111000);
    EXPECT_EQ(HighDpiMask(*record, 3370), 0b00100000);
    EXPECT_EQ(HighDpiMask(*record, 3325), 0);
    EXPECT_TRUE(SensorHasHighDpiMask(3370));
    EXPECT_FALSE(SensorHasHighDpiMask(3333));
}

TEST(LiftOff, PositionIndexesTheDistanceList) {
    auto record = ZeroRecord();
    DeviceConfig config;
    config.distanceValue = {11, 12, 13, 14, 15, 16, 17, 18};
    const std::pair<int, uint8_t> cases[] = {{0, 11}, {3, 14}, {7, 18}, {8, 0}, {16, 0}, {-1, 0}};
    for (auto [position, value] : cases) {
        record->liftOffDistance = position;
        EXPECT_EQ(LiftOffDistanceValue(*record, config), value) << position;
    }
}

TEST(ButtonTable, FunctionReplacementsAndCounters) {
    auto record = ZeroRecord();
    ButtonEntry* b = record->buttons;
    b[0].functionId = 10;  // fire click
    b[0].fireClickDelay = 0x105;
    b[0].fireClickCount = 3;
    b[1].functionId = 21;  // shortcut Ctrl+Shift+A
    b[1].shortcutModifiers = 0x03;
    b[1].shortcutKey = 0x04;
    b[2].functionId = 22;  // macro, repeat mode low byte only
    b[2].repeatMode = 0x102;
    b[3].functionId = 121;
    b[4].functionId = 57;
    b[5].functionId = 22;
    b[6].functionId = 33;   // copy: table bytes
    b[7].functionId = 200;  // no row
    b[40].functionId = 121;
    const ButtonTable table = EncodeButtonTable(*record, UseProfileEverywhere());
    const uint8_t expected[8][4] = {{0x0A, 0xF0, 0x05, 0x03}, {0x00, 0x03, 0x04, 0x00},
                                    {0x09, 0x02, 0x01, 0x00}, {0x08, 0x00, 0x04, 0x00},
                                    {0x08, 0x00, 0x05, 0x00}, {0x09, 0x00, 0x02, 0x00},
                                    {0x00, 0x01, 0x06, 0x00}, {0x00, 0x00, 0x00, 0x00}};
    for (int slot = 0; slot < 8; ++slot) {
        EXPECT_EQ(0, std::memcmp(table.codes.data() + 4 * slot, expected[slot], 4)) << slot;
    }
    const uint8_t recoil40[4] = {0x08, 0x00, 0x06, 0x00};
    EXPECT_EQ(0, std::memcmp(table.codes.data() + 4 * 40, recoil40, 4));
    EXPECT_EQ(table.macroBlocks.size(), 2u);
    EXPECT_EQ(table.blockOfSlot[2], 1);
    EXPECT_EQ(table.blockOfSlot[5], 2);
    EXPECT_EQ(table.blockOfSlot[3], 0);
}

TEST(ButtonTable, OverridesReplaceCodesButCountersStillAdvance) {
    auto record = ZeroRecord();
    ButtonEntry* b = record->buttons;
    b[0].functionId = 22;
    b[0].bindingCount = 1;
    b[0].macroActions[0] = Action(kActionPress, 0x04, 10);
    b[1].functionId = 121;
    b[2].functionId = 22;
    b[3].functionId = 121;
    auto overrides = UseProfileEverywhere();
    overrides[0] = ButtonOverride{{0x11, 0x22, 0x33, 0x44}, 0};
    overrides[1] = ButtonOverride{{0x55, 0x66, 0x77, 0x88}, 2};  // only 1 means "use profile"
    const ButtonTable table = EncodeButtonTable(*record, overrides);
    const uint8_t expected[4][4] = {{0x11, 0x22, 0x33, 0x44},
                                    {0x55, 0x66, 0x77, 0x88},
                                    {0x09, 0x00, 0x02, 0x00},
                                    {0x08, 0x00, 0x05, 0x00}};
    for (int slot = 0; slot < 4; ++slot) {
        EXPECT_EQ(0, std::memcmp(table.codes.data() + 4 * slot, expected[slot], 4)) << slot;
    }
    ASSERT_EQ(table.macroBlocks.size(), 2u);
    EXPECT_EQ(table.macroBlocks[0], EncodeMacroBlock(b[0]));  // still sent
    EXPECT_EQ(Head(table.macroBlocks[0], 4), (std::vector<uint8_t>{0, 0, 0x01, 0x04}));
}

TEST(ButtonTable, WithoutOverridesEveryCodeIsZero) {
    auto record = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*record, 3311);
    record->buttons[9].functionId = 22;
    const ButtonTable table = EncodeButtonTable(*record, std::array<ButtonOverride, 64>{});
    EXPECT_EQ(table.codes, (std::array<uint8_t, 256>{}));
    EXPECT_EQ(table.macroBlocks.size(), 1u);
}

TEST(ButtonTable, EleventhMacroButtonKeepsItsCodeWithoutABlock) {
    auto record = ZeroRecord();
    for (int slot = 0; slot < 12; ++slot) {
        record->buttons[slot].functionId = 22;
        record->buttons[slot].repeatMode = slot;
    }
    const ButtonTable table = EncodeButtonTable(*record, UseProfileEverywhere());
    EXPECT_EQ(table.macroBlocks.size(), size_t(kMaxMacroBlocks));
    EXPECT_EQ(table.codes[4 * 9 + 2], 10);
    for (int slot : {10, 11}) {
        const uint8_t code[4] = {0x09, uint8_t(slot), 0x00, 0x00};
        EXPECT_EQ(0, std::memcmp(table.codes.data() + 4 * slot, code, 4)) << slot;
        EXPECT_EQ(table.blockOfSlot[size_t(slot)], 0);
    }
}

TEST(MacroBlock, EmptyMacroGivesZeroBlock) {
    auto entry = ZeroEntry();
    entry->bindingLoops = 5;
    entry->macroActions[0] = Action(kActionPress, 4, 10);
    EXPECT_EQ(EncodeMacroBlock(*entry), MacroBlock{});
}

TEST(MacroBlock, ShortDelayItems) {
    auto entry = ZeroEntry();
    entry->bindingLoops = 0x10203;  // only the low 16 bits, big-endian
    entry->macroActions[0] = Action(kActionPress, 0x04, 10);
    entry->macroActions[1] = Action(kActionRelease, 0x04, 50);
    entry->macroActions[2] = Action(kActionMove, kMoveCode, 20, -1, 300);
    entry->macroActions[3] = Action(7, 0x2C, 1270);
    entry->macroActions[4] = Action(kActionPress, 0xF0, 0);
    entry->bindingCount = 5;
    const MacroBlock block = EncodeMacroBlock(*entry);
    EXPECT_EQ(Head(block, 18),
              (std::vector<uint8_t>{0x02, 0x03, 0x01, 0x04, 0x85, 0x04, 0x02, 0xFB, 0xFF, 0xFF,
                                    0x2C, 0x01, 0x7F, 0x2C, 0x01, 0xF0, 0x00, 0x00}));
    EXPECT_TRUE(ZeroFrom(block, 16));
}

TEST(MacroBlock, LongDelayItems) {
    auto entry = ZeroEntry();
    entry->bindingLoops = 1;
    entry->macroActions[0] = Action(kActionPress, 0x04, 2000);             // L 100, u 0
    entry->macroActions[1] = Action(kActionRelease, 0x04, 1275);           // L 63, u 2
    entry->macroActions[2] = Action(kActionMove, kMoveCode, 1300, 2, -2);  // L 65
    entry->macroActions[3] = Action(9, 0x04, 65535);                       // L 3276
    entry->bindingCount = 4;
    const MacroBlock block = EncodeMacroBlock(*entry);
    EXPECT_EQ(Head(block, 30),
              (std::vector<uint8_t>{0x00, 0x01,                                            //
                                    0x00, 0x04, 0x00, 0x01, 0x00, 0x64,                    //
                                    0x82, 0x04, 0x00, 0x01, 0x00, 0x3F,                    //
                                    0x00, 0xFB, 0x02, 0x00, 0xFE, 0xFF, 0x00, 0x01, 0x00,  //
                                    0x41,                                                  //
                                    0x00, 0x00, 0x00, 0x01, 0x0C, 0xCC}));
    EXPECT_TRUE(ZeroFrom(block, 30));
}

TEST(MacroBlock, ItemsPastTheBlockAreCutAtTheLastWholeItem) {
    auto entry = ZeroEntry();
    // 12 long moves fill bytes 2-121; three 2-byte presses end exactly at
    // byte 127; the fourth does not fit, nor does a later small one.
    for (int i = 0; i < 12; ++i) {
        entry->macroActions[i] = Action(kActionMove, kMoveCode, 2000, 1, 1);
    }
    for (int i = 12; i < 16; ++i) {
        entry->macroActions[i] = Action(kActionPress, uint8_t(0x10 + i), 10);
    }
    entry->bindingCount = 16;
    MacroBlock block = EncodeMacroBlock(*entry);
    EXPECT_EQ(block[122], 0x01);
    EXPECT_EQ(block[123], 0x1C);
    EXPECT_EQ(block[126], 0x01);
    EXPECT_EQ(block[127], 0x1E);

    // One more long move in front: the block ends after the twelfth move.
    entry->macroActions[12] = Action(kActionMove, kMoveCode, 2000, 1, 1);
    block = EncodeMacroBlock(*entry);
    EXPECT_EQ(block[112], 0x00);  // start of the twelfth move
    EXPECT_EQ(block[113], 0xFB);
    EXPECT_TRUE(ZeroFrom(block, 122));
}

TEST(MacroBlock, BindingCountAboveFortyReadsOnlyTheFortyActions) {
    auto entry = ZeroEntry();
    for (int i = 0; i < kMaxMacroActions; ++i) {
        entry->macroActions[i] = Action(kActionPress, 0x04, 10);
    }
    // The fields after the actions would encode as more items if read.
    entry->fireClickCount = 0x01010101;
    entry->fireClickDelay = 0x01010101;
    entry->bindingCount = 1000;
    const MacroBlock block = EncodeMacroBlock(*entry);
    EXPECT_EQ(block[80], 0x01);
    EXPECT_EQ(block[81], 0x04);
    EXPECT_TRUE(ZeroFrom(block, 82));
}

TEST(RecoilBlocks, NoRowsGivesHeadOnly) {
    auto entry = ZeroEntry();
    entry->functionId = 121;
    auto blocks = EncodeRecoilBlocks(*entry);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(Head(blocks[0], 2), (std::vector<uint8_t>{0x00, 0x01}));
    EXPECT_TRUE(ZeroFrom(blocks[0], 2));
}

TEST(RecoilBlocks, RowItemsAndSecondBlockFromRowSixteen) {
    auto entry = ZeroEntry();
    entry->functionId = 121;
    entry->bindingLoops = 0x0203;
    for (int i = 0; i < 20; ++i) {
        entry->gunData[i] = BulletRow{0, 0, 0, 20};
    }
    entry->gunData[1] = BulletRow{-2, 5, 0, 100};
    entry->gunData[15] = BulletRow{3, -1, 0, 1270};
    entry->bindingCount = 20;
    auto blocks = EncodeRecoilBlocks(*entry);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(Head(blocks[0], 14),
              (std::vector<uint8_t>{0x02, 0x03, 0x03, 0xF0, 0x81, 0xF0, 0x0B, 0xF0, 0x00, 0xFA,
                                    0xFE, 0x05, 0x81, 0xF0}));
    // 14 still rows of 4 bytes and one moving row of 8: 2 + 8 + 56 bytes.
    EXPECT_TRUE(ZeroFrom(blocks[0], 66));
    EXPECT_EQ(Head(blocks[1], 14),
              (std::vector<uint8_t>{0x00, 0x01, 0x7F, 0xF0, 0x00, 0xFA, 0x03, 0xFF, 0x81, 0xF0,
                                    0x03, 0xF0, 0x81, 0xF0}));
    EXPECT_TRUE(ZeroFrom(blocks[1], 26));
}

TEST(RecoilBlocks, RowCountIsClampedToThirty) {
    auto entry = ZeroEntry();
    entry->functionId = 121;
    for (int i = 0; i < kMaxBullets; ++i) {
        entry->gunData[i] = BulletRow{1, 1, 0, 10};
    }
    entry->bindingColour = 0x7F7F7F7F;  // lies right after the rows
    entry->bindingCount = 500;
    auto blocks = EncodeRecoilBlocks(*entry);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[1][2 + 14 * 8], 0x01);  // fifteenth row of the second block
    EXPECT_TRUE(ZeroFrom(blocks[1], 2 + 15 * 8));
}

TEST(RecoilBlocks, LeftButtonMacroEncodesAsMacroBlock) {
    auto entry = ZeroEntry();
    entry->functionId = 57;
    entry->bindingLoops = 3;
    entry->macroActions[0] = Action(kActionPress, 0xF0, 30);
    entry->macroActions[1] = Action(kActionRelease, 0xF0, 2000);
    entry->bindingCount = 2;
    auto blocks = EncodeRecoilBlocks(*entry);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0], EncodeMacroBlock(*entry));
    EXPECT_EQ(Head(blocks[0], 4), (std::vector<uint8_t>{0x00, 0x03, 0x03, 0xF0}));
}

TEST(DpiStep, KnownSensorCodesAreExactlyTheCodesWithAnEncoding) {
    const auto known = KnownSensorCodes();
    ASSERT_TRUE(std::is_sorted(known.begin(), known.end()));
    const auto encodesSomething = [](int sensor) {
        for (int step = -2; step <= 400; ++step) {
            if (EncodeDpiStep(step, sensor) != 0) {
                return true;
            }
        }
        return false;
    };
    for (int sensor = -100; sensor <= 10000; ++sensor) {
        const bool listed = std::binary_search(known.begin(), known.end(), sensor);
        EXPECT_EQ(encodesSomething(sensor), listed) << "sensor " << sensor;
    }
}

}  // namespace
}  // namespace mouse
