#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "device/records.h"
#include "store/tables.h"

namespace mouse {
namespace {

template <typename T>
std::vector<uint8_t> BytesOf(const T& record) {
    std::vector<uint8_t> bytes(sizeof(T));
    std::memcpy(bytes.data(), &record, sizeof(T));
    return bytes;
}

uint32_t U32At(const std::vector<uint8_t>& b, size_t offset) {
    return uint32_t(b[offset]) | uint32_t(b[offset + 1]) << 8 | uint32_t(b[offset + 2]) << 16 |
           uint32_t(b[offset + 3]) << 24;
}

uint16_t U16At(const std::vector<uint8_t>& b, size_t offset) {
    return uint16_t(b[offset] | b[offset + 1] << 8);
}

TEST(RecordLayout, ProfileFieldsLandAtFileOffsets) {
    auto p = std::make_unique<ProfileRecord>();
    WriteText(p->name, u"AB");
    p->pointerSpeed = 0x01020304;
    p->dpiValue[7] = -2;
    p->dpiColour[0] = MakeColour(0x11, 0x22, 0x33);
    p->keyResponse = 0x7E;
    p->dpiLevelCount = 5;
    p->buttonMode = 1;
    p->buttons[1].functionId = 22;
    p->buttons[63].fireClickDelay = 0x0A0B0C0D;
    p->buttons[2].macroActions[39].y = 0x55667788;
    p->buttons[3].gunData[29].delay = 0x1234;

    const auto b = BytesOf(*p);
    EXPECT_EQ(b[0], 'A');
    EXPECT_EQ(b[1], 0);
    EXPECT_EQ(b[2], 'B');
    EXPECT_EQ(U16At(b, 4), 0);
    EXPECT_EQ(U32At(b, 100), 0x01020304u);
    EXPECT_EQ(U32At(b, 136 + 28), 0xFFFFFFFEu);
    EXPECT_EQ(b[208], 0x11);
    EXPECT_EQ(b[209], 0x22);
    EXPECT_EQ(b[210], 0x33);
    EXPECT_EQ(b[211], 0);
    EXPECT_EQ(b[312], 0x7E);
    EXPECT_EQ(b[313], 5);
    EXPECT_EQ(U32At(b, 332), 1u);
    EXPECT_EQ(b[336 + 1836 + 201], 22);
    EXPECT_EQ(U32At(b, 336 + 1836 * 63 + 1760), 0x0A0B0C0Du);
    EXPECT_EQ(U32At(b, 336 + 1836 * 2 + 1116 + 39 * 16 + 12), 0x55667788u);
    EXPECT_EQ(U16At(b, 336 + 1836 * 3 + 752 + 29 * 12 + 10), 0x1234);

    // And back: bytes read into a record give the same fields.
    auto q = std::make_unique<ProfileRecord>();
    std::memcpy(q.get(), b.data(), b.size());
    EXPECT_EQ(ReadText(q->name), u"AB");
    EXPECT_EQ(q->buttons[63].fireClickDelay, 0x0A0B0C0D);
    EXPECT_EQ(BytesOf(*q), b);
}

TEST(RecordLayout, LibraryAndDataRecords) {
    MacroRecord m{};
    WriteText(m.macroName, u"M");
    m.loopCount = 0x0102;
    m.actionCount = 40;
    m.isFolder = 1;
    m.actions[39].code = 0xF6;
    m.actions[39].delay = 0xBEEF;
    auto mb = BytesOf(m);
    EXPECT_EQ(mb[100], 'M');
    EXPECT_EQ(U16At(mb, 200), 0x0102);
    EXPECT_EQ(U16At(mb, 204), 40);
    EXPECT_EQ(U32At(mb, 212), 1u);
    EXPECT_EQ(mb[216 + 39 * 16 + 1], 0xF6);
    EXPECT_EQ(U16At(mb, 216 + 39 * 16 + 4), 0xBEEF);

    GunRecord g{};
    g.bulletCount = 30;
    g.reserved202 = 9;
    g.isFolder = 1;
    g.bullets[0].x = -1;
    g.bullets[29].delay = 1270;
    auto gb = BytesOf(g);
    EXPECT_EQ(gb[200], 30);
    EXPECT_EQ(gb[202], 9);
    EXPECT_EQ(U32At(gb, 208), 1u);
    EXPECT_EQ(U32At(gb, 216), 0xFFFFFFFFu);
    EXPECT_EQ(U16At(gb, 216 + 29 * 12 + 10), 1270);

    DataRecord d{-3, 0xCAFEBABE};
    auto db = BytesOf(d);
    EXPECT_EQ(U32At(db, 0), 0xFFFFFFFDu);
    EXPECT_EQ(U32At(db, 4), 0xCAFEBABEu);
}

TEST(TextField, ReadStopsAtTerminatorOrFieldEnd) {
    auto p = std::make_unique<ProfileRecord>();
    WriteText(p->name, u"abc");
    EXPECT_EQ(ReadText(p->name), u"abc");

    // A field without a terminator reads exactly 50 characters, never the
    // integers behind it.
    for (auto& c : p->name) {
        c = u'x';
    }
    p->pointerSpeed = 0x00790079;  // "yy" if read as text
    EXPECT_EQ(ReadText(p->name), std::u16string(50, u'x'));
    EXPECT_TRUE(TextEqualsNoCase(p->name, std::u16string(50, u'X')));
}

TEST(TextField, WriteCutsAt49AndZeroFills) {
    TextField field;
    for (auto& c : field) {
        c = u'#';
    }
    WriteText(field, std::u16string(60, u'n'));
    EXPECT_EQ(ReadText(field), std::u16string(49, u'n'));
    EXPECT_EQ(field[49], 0);

    WriteText(field, u"hi");
    EXPECT_EQ(ReadText(field), u"hi");
    for (int i = 2; i < kTextChars; ++i) {
        EXPECT_EQ(field[i], 0) << i;
    }

    // The text may come from the field itself.
    WriteText(field, u"abcdef");
    WriteText(field, std::u16string_view(field + 2, 3));
    EXPECT_EQ(ReadText(field), u"cde");
    EXPECT_EQ(field[3], 0);

    // A cut through a surrogate pair drops the whole character.
    std::u16string text(48, u'a');
    text += u"\U0001F600";
    WriteText(field, text);
    EXPECT_EQ(ReadText(field), std::u16string(48, u'a'));
}

TEST(TextField, CaseInsensitiveComparison) {
    struct Case {
        std::u16string a, b;
        bool equal;
    };
    const Case cases[] = {
        {u"Profile1", u"PROFILE1", true},
        {u"ÄÖÜÉÑ", u"äöüéñ", true},
        {u"Ÿ", u"ÿ", true},
        {u"Łódź", u"ŁÓDŹ", true},
        {u"ΣΑΒΒΑΤΟ", u"σαββατο", true},
        {u"Άλφα", u"άλφα", true},
        {u"ПРИВЕТ", u"привет", true},
        {u"ЁЖЇ", u"ёжї", true},
        {u"×", u"÷", false},  // multiplication and division signs are no pair
        {u"ß", u"SS", false},
        {u"abc", u"abd", false},
        {u"ab", u"abc", false},
        {u"", u"", true},
        {u"日本", u"日本", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextEqualsNoCase(c.a, c.b), c.equal) << ToUtf8(c.a) << " / " << ToUtf8(c.b);
        EXPECT_EQ(TextEqualsNoCase(c.b, c.a), c.equal) << ToUtf8(c.b) << " / " << ToUtf8(c.a);
    }
}

TEST(Utf, ConversionsAndInvalidInput) {
    const std::u16string text = u"Aé€\U0001F600";
    const std::string utf8 = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    EXPECT_EQ(ToUtf8(text), utf8);
    EXPECT_EQ(FromUtf8(utf8), text);

    EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(ToUtf8(std::u16string{u'a', char16_t(0xDC00), u'b'}),
              "a\xEF\xBF\xBD"
              "b");
    struct Case {
        std::string in;
        std::u16string out;
    };
    const Case cases[] = {
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong
        {"\xE2\x82", u"\uFFFD"},                            // cut short
        {"\xE2\x82x", u"\uFFFDx"},                          // cut short, then ASCII
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xFF", u"\uFFFD"},
        {"\x80z", u"\uFFFDz"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FromUtf8(c.in), c.out) << c.in.size();
    }
}

struct SensorDefaults {
    int sensor;
    std::array<int32_t, 8> steps;
};

class DefaultRecord : public ::testing::TestWithParam<SensorDefaults> {};

TEST_P(DefaultRecord, EveryDefaultForTheSensor) {
    const auto& param = GetParam();
    auto p = std::make_unique<ProfileRecord>();
    std::memset(p.get(), 0xAB, sizeof(*p));
    MakeDefaultRecord(*p, param.sensor);

    EXPECT_EQ(ReadText(p->name), u"");
    EXPECT_EQ(p->pointerSpeed, 6);
    EXPECT_EQ(p->scrollLines, 3);
    EXPECT_EQ(p->doubleClickSpeed, 5);
    EXPECT_EQ(p->enhancePointerPrecision, 0);
    EXPECT_EQ(p->onePageScroll, 0);
    EXPECT_EQ(p->reserved120, 10);
    EXPECT_EQ(p->reserved124, 10);
    EXPECT_EQ(p->reportRateIndex, 2);
    EXPECT_EQ(p->currentDpiLevel, 0);
    const uint32_t tableC[8] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF,
                                0xFF00FF, 0xFFFF00, 0x0080FF, 0xFFFFFF};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(p->dpiValue[i], param.steps[size_t(i)]) << i;
        EXPECT_EQ(p->dpiValueY[i], param.steps[size_t(i)]) << i;
        EXPECT_EQ(p->dpiLevelEnabled[i], 1) << i;
        EXPECT_EQ(p->dpiColour[i], tableC[i]) << i;
        EXPECT_EQ(p->cycleColour[i], tableC[i]) << i;
        EXPECT_EQ(p->cycleColourEnabled[i], i < 7 ? 1 : 0) << i;
    }
    EXPECT_EQ(p->lightMode, 4);
    EXPECT_EQ(p->lightBrightness, 255);
    EXPECT_EQ(p->lightFrequency, 3);
    EXPECT_EQ(p->lightColourMode, 1);
    EXPECT_EQ(p->lightLength, 2);
    EXPECT_EQ(p->lightFixedColour, 0x0000FFu);
    EXPECT_EQ(p->liftOffDistance, 16);
    EXPECT_EQ(p->distanceEnabled, 0);
    EXPECT_EQ(p->keyResponse, 4);
    EXPECT_EQ(p->dpiLevelCount, 8);
    for (uint8_t r : p->reserved314) {
        EXPECT_EQ(r, 0);
    }
    EXPECT_EQ(p->buttonMode, 0);

    ButtonEntry expected;
    std::memset(&expected, 0, sizeof(expected));
    expected.gunIndex = -1;
    expected.macroIndex = -1;
    expected.bindingColour = 255;
    expected.fireClickDelay = 2;
    for (int i = 0; i < kButtonSlots; ++i) {
        expected.buttonIndex = uint8_t(i);
        expected.functionId = DefaultFunction(i);
        EXPECT_EQ(std::memcmp(&p->buttons[i], &expected, sizeof(expected)), 0) << "slot " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sensors, DefaultRecord,
    ::testing::Values(SensorDefaults{3050, {2, 3, 4, 5, 6, 8, 10, 12}},
                      SensorDefaults{3104, {25, 50, 75, 100, 125, 150, 175, 200}},
                      SensorDefaults{3212, {13, 26, 52, 78, 86, 189, 70, 80}},
                      SensorDefaults{3311, {10, 20, 30, 40, 50, 60, 70, 80}},
                      SensorDefaults{3325, {10, 20, 30, 40, 50, 60, 70, 80}},
                      SensorDefaults{3327, {10, 20, 30, 40, 50, 60, 70, 80}},
                      SensorDefaults{3330, {10, 20, 30, 40, 50, 60, 70, 80}},
                      SensorDefaults{3333, {10, 20, 30, 40, 50, 60, 70, 80}},
                      SensorDefaults{3335, {10, 20, 30, 40, 50, 60, 70, 80}},
                      SensorDefaults{6400, {10, 20, 30, 40, 50, 60, 70, 80}},
                      SensorDefaults{-1, {}}, SensorDefaults{3310, {}}, SensorDefaults{0, {}}));

TEST(DefaultRecordSlots, FunctionsOfBothModes) {
    auto p = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*p, 3050);
    EXPECT_EQ(p->buttons[0].functionId, 1);
    EXPECT_EQ(p->buttons[16].functionId, 25);
    EXPECT_EQ(p->buttons[32].functionId, 1);
    EXPECT_EQ(p->buttons[48].functionId, 25);
    EXPECT_EQ(p->buttons[63].functionId, 12);
    EXPECT_EQ(p->buttons[39].functionId, 0);
}

TEST(CopyFromTemplate, CopiesEverythingAndRenames) {
    auto templ = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*templ, 3104);
    WriteText(templ->name, u"Template name that is long");
    templ->buttonMode = 1;
    templ->buttons[5].macroActions[3].x = 77;
    templ->reserved314[17] = 0x42;  // taken over byte for byte

    auto p = std::make_unique<ProfileRecord>();
    CopyFromTemplate(*p, *templ, std::u16string(55, u'q'));
    EXPECT_EQ(ReadText(p->name), std::u16string(49, u'q'));
    auto pb = BytesOf(*p);
    auto tb = BytesOf(*templ);
    EXPECT_TRUE(std::equal(pb.begin() + 100, pb.end(), tb.begin() + 100));

    CopyFromTemplate(*p, *templ, u"Short");
    EXPECT_EQ(ReadText(p->name), u"Short");
    EXPECT_EQ(p->name[6], 0);
    EXPECT_EQ(p->name[30], 0);
}

TEST(Colours, StoredAndOnScreenFormsConvertBothWays) {
    struct Case {
        uint32_t stored;  // red in the low byte
        uint32_t shown;   // 0xAARRGGBB
    };
    for (Case c :
         {Case{MakeColour(255, 0, 0), 0xFFFF0000u}, Case{MakeColour(0, 255, 0), 0xFF00FF00u},
          Case{MakeColour(0x12, 0x34, 0x56), 0xFF123456u}, Case{0, 0xFF000000u}}) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(ColourToArgb(c.stored), c.shown);
        EXPECT_EQ(ArgbToColour(c.shown), c.stored);
    }
    // A control's alpha byte is dropped; a stored top byte is not shown.
    EXPECT_EQ(ArgbToColour(0x80123456u), MakeColour(0x12, 0x34, 0x56));
    EXPECT_EQ(ColourToArgb(0x7F563412u), 0xFF123456u);
}

}  // namespace
}  // namespace mouse
