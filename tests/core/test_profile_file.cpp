// Profile exchange files from outside: what is refused, what is corrected,
// and that a sound profile passes byte for byte.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>

#include "store/corrections.h"
#include "store/profile_file.h"
#include "store/tables.h"
#include "temp_dir.h"

namespace mouse {
namespace {

std::vector<uint8_t> Bytes(const ProfileRecord& r) {
    std::vector<uint8_t> bytes(sizeof r);
    std::memcpy(bytes.data(), &r, sizeof r);
    return bytes;
}

std::unique_ptr<ProfileRecord> Default(int sensor = 3311) {
    auto r = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*r, sensor);
    WriteText(r->name, u"Imported");
    return r;
}

// A macro binding as the select-macro dialog leaves it: `count` key presses.
void BindMacro(ButtonEntry& b, int count) {
    b.functionId = 22;
    b.bindingCount = uint16_t(count);
    b.bindingLoops = 1;
    for (int i = 0; i < count; ++i) {
        b.macroActions[i] = MacroAction{0, 0x04, kActionPress, 0, 10, 0, 0, 0};
    }
}

// A preset binding as the select-preset dialog leaves it: 30 rows.
void BindPreset(ButtonEntry& b) {
    b.functionId = 121;
    b.bindingCount = 30;
    for (BulletRow& row : b.gunData) {
        row = BulletRow{1, 2, 0, 10};
    }
}

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

TEST(ProfileFile, OnlyAFileOfExactlyOneRecordIsTaken) {
    const size_t size = sizeof(ProfileRecord);
    struct Case {
        size_t length;
        ProfileFileError error;
    } cases[] = {
        {0, ProfileFileError::Empty},           {1, ProfileFileError::TooShort},
        {size - 1, ProfileFileError::TooShort}, {size, ProfileFileError::None},
        {size + 1, ProfileFileError::TooLong},  {3 * size, ProfileFileError::TooLong},
    };
    auto valid = Bytes(*Default());
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes(c.length, 0);
        std::copy_n(valid.begin(), std::min(c.length, size), bytes.begin());
        ProfileFileResult result = ParseProfileFile(bytes, {3311, 0, 0}, u"file");
        EXPECT_EQ(result.error, c.error) << c.length;
        EXPECT_EQ(result.record != nullptr, c.error == ProfileFileError::None) << c.length;
    }
}

TEST(ProfileFile, SoundProfilesPassByteForByte) {
    for (int sensor : {3050, 3104, 3212, 3311, 6400, -1}) {
        auto r = Default(sensor);
        // Bindings that fit the libraries, values at the ends of their
        // ranges and a name with a surrogate pair.
        WriteText(r->name, u"Game \U0001F3AE 2");
        BindMacro(r->buttons[3], 40);
        r->buttons[3].macroIndex = 4;
        BindPreset(r->buttons[40]);
        r->buttons[40].gunIndex = 0;
        r->buttons[7].fireClickCount = 255;
        r->buttons[7].fireClickDelay = 1;
        r->buttonMode = 1;
        r->currentDpiLevel = 7;
        r->keyResponse = 30;
        r->lightMode = 11;
        r->reportRateIndex = 3;
        r->pointerSpeed = 11;
        r->doubleClickSpeed = 0;
        r->liftOffDistance = 16;  // the record's own default, out of the list
        const auto before = Bytes(*r);
        ProfileFileResult result = ParseProfileFile(before, {sensor, 5, 1}, u"file");
        ASSERT_TRUE(result) << sensor;
        EXPECT_TRUE(result.corrected.empty()) << sensor << ": " << result.corrected.front();
        EXPECT_EQ(Bytes(*result.record), before) << sensor;
    }
}

TEST(ProfileFile, NamesAreCutCleanedOrTakenFromTheFile) {
    struct Case {
        const char* what;
        std::function<void(TextField&)> fill;
        std::u16string expected;
        bool corrected;
    } cases[] = {
        {"plain", [](TextField& f) { WriteText(f, u"Mine"); }, u"Mine", false},
        {"49 characters", [](TextField& f) { WriteText(f, std::u16string(49, u'x')); },
         std::u16string(49, u'x'), false},
        {"no terminator",
         [](TextField& f) {
             for (char16_t& c : f)
                 c = u'A';
         },
         std::u16string(49, u'A'), true},
        {"no terminator, pair across the cut",
         [](TextField& f) {
             for (char16_t& c : f)
                 c = u'B';
             f[48] = 0xD83C;
             f[49] = 0xDFAE;
         },
         std::u16string(48, u'B'), true},
        {"control characters", [](TextField& f) { WriteText(f, u"a\tb\nc\x7f"); },
         u"a\uFFFDb\uFFFDc\uFFFD", true},
        {"unpaired surrogates",
         [](TextField& f) {
             WriteText(f, u"xy");
             f[0] = 0xDC00;
             f[1] = 0xD800;
         },
         u"\uFFFD\uFFFD", true},
        {"bytes after the terminator",
         [](TextField& f) {
             WriteText(f, u"Ok");
             f[10] = u'Z';
         },
         u"Ok", true},
        {"empty", [](TextField& f) { std::memset(f, 0, sizeof f); }, u"from-file", true},
    };
    for (const Case& c : cases) {
        auto r = Default();
        c.fill(r->name);
        ProfileFileResult result = ParseProfileFile(Bytes(*r), {3311, 0, 0}, u"from-file");
        ASSERT_TRUE(result) << c.what;
        EXPECT_EQ(ReadText(result.record->name), c.expected) << c.what;
        const bool named = !result.corrected.empty() && result.corrected.front() == "name";
        EXPECT_EQ(named, c.corrected) << c.what;
        // The stored field is terminated and zero after its text.
        TextField expectedField{};
        WriteText(expectedField, c.expected);
        EXPECT_EQ(std::memcmp(expectedField, result.record->name, sizeof expectedField), 0)
            << c.what;
    }
}

TEST(ProfileFile, FieldsOutOfRangeTakeTheirDefaults) {
    // Each case spoils the record one way; check() sees the corrected record.
    struct Case {
        const char* field;
        std::function<void(ProfileRecord&)> spoil;
        std::function<bool(const ProfileRecord&)> check;
    } cases[] = {
        {"reportRateIndex", [](ProfileRecord& r) { r.reportRateIndex = 4; },
         [](const ProfileRecord& r) { return r.reportRateIndex == 2; }},
        {"reportRateIndex", [](ProfileRecord& r) { r.reportRateIndex = -1; },
         [](const ProfileRecord& r) { return r.reportRateIndex == 2; }},
        {"currentDpiLevel", [](ProfileRecord& r) { r.currentDpiLevel = 8; },
         [](const ProfileRecord& r) { return r.currentDpiLevel == 0; }},
        {"currentDpiLevel",  // a level beyond the levels counted
         [](ProfileRecord& r) {
             r.dpiLevelCount = 3;
             r.currentDpiLevel = 3;
         },
         [](const ProfileRecord& r) { return r.currentDpiLevel == 0; }},
        {"dpiValue[4]", [](ProfileRecord& r) { r.dpiValue[4] = 241; },  // the slider ends at 240
         [](const ProfileRecord& r) { return r.dpiValue[4] == 50; }},
        {"dpiValue[0]", [](ProfileRecord& r) { r.dpiValue[0] = 0; },
         [](const ProfileRecord& r) { return r.dpiValue[0] == 10; }},
        {"liftOffDistance", [](ProfileRecord& r) { r.liftOffDistance = 8; },
         [](const ProfileRecord& r) { return r.liftOffDistance == 16; }},
        {"keyResponse", [](ProfileRecord& r) { r.keyResponse = 0; },
         [](const ProfileRecord& r) { return r.keyResponse == 4; }},
        {"keyResponse", [](ProfileRecord& r) { r.keyResponse = 31; },
         [](const ProfileRecord& r) { return r.keyResponse == 4; }},
        {"dpiLevelCount", [](ProfileRecord& r) { r.dpiLevelCount = 0; },
         [](const ProfileRecord& r) { return r.dpiLevelCount == 8; }},
        {"dpiLevelCount", [](ProfileRecord& r) { r.dpiLevelCount = 9; },
         [](const ProfileRecord& r) { return r.dpiLevelCount == 8; }},
        {"buttonMode", [](ProfileRecord& r) { r.buttonMode = 2; },
         [](const ProfileRecord& r) { return r.buttonMode == 0; }},
        {"pointerSpeed", [](ProfileRecord& r) { r.pointerSpeed = 0; },
         [](const ProfileRecord& r) { return r.pointerSpeed == 6; }},
        {"doubleClickSpeed", [](ProfileRecord& r) { r.doubleClickSpeed = 13; },
         [](const ProfileRecord& r) { return r.doubleClickSpeed == 5; }},
        {"enhancePointerPrecision", [](ProfileRecord& r) { r.enhancePointerPrecision = 7; },
         [](const ProfileRecord& r) { return r.enhancePointerPrecision == 0; }},
        {"lightMode", [](ProfileRecord& r) { r.lightMode = 12; },
         [](const ProfileRecord& r) { return r.lightMode == 4; }},
        {"lightFrequency", [](ProfileRecord& r) { r.lightFrequency = 1000; },
         [](const ProfileRecord& r) { return r.lightFrequency == 3; }},
        {"lightLength", [](ProfileRecord& r) { r.lightLength = 0; },
         [](const ProfileRecord& r) { return r.lightLength == 2; }},
        {"lightColourMode", [](ProfileRecord& r) { r.lightColourMode = 2; },
         [](const ProfileRecord& r) { return r.lightColourMode == 1; }},
        {"dpiLevelEnabled[3]", [](ProfileRecord& r) { r.dpiLevelEnabled[3] = 2; },
         [](const ProfileRecord& r) { return r.dpiLevelEnabled[3] == 1; }},
        {"dpiColour[2]", [](ProfileRecord& r) { r.dpiColour[2] = 0xFF123456u; },
         [](const ProfileRecord& r) { return r.dpiColour[2] == 0x00123456u; }},
        {"cycleColour[7]", [](ProfileRecord& r) { r.cycleColour[7] = 0x01000000u; },
         [](const ProfileRecord& r) { return r.cycleColour[7] == 0; }},
        {"buttons[5]", [](ProfileRecord& r) { r.buttons[5].functionId = 200; },
         [](const ProfileRecord& r) { return r.buttons[5].functionId == DefaultFunction(5); }},
        {"buttons[9]",
         [](ProfileRecord& r) {
             r.buttons[9].functionId = 22;
             r.buttons[9].bindingCount = 41;
             WriteText(r.buttons[9].bindingName, u"x");
         },
         [](const ProfileRecord& r) {
             return r.buttons[9].bindingCount == 0 && ReadText(r.buttons[9].bindingName).empty();
         }},
        {"buttons[9]",  // a macro copy that would play an action nobody recorded
         [](ProfileRecord& r) {
             BindMacro(r.buttons[9], 2);
             r.buttons[9].macroActions[1].kind = 3;
         },
         [](const ProfileRecord& r) { return r.buttons[9].functionId == DefaultFunction(9); }},
        {"buttons[7]",  // a shortcut of a key the program does not know
         [](ProfileRecord& r) {
             r.buttons[7].functionId = 21;
             r.buttons[7].shortcutKey = 0xFF;
         },
         [](const ProfileRecord& r) { return r.buttons[7].functionId == DefaultFunction(7); }},
        {"buttons[11]",  // the eleventh macro button
         [](ProfileRecord& r) {
             for (int i = 1; i <= 11; ++i) {
                 BindMacro(r.buttons[i], 1);
             }
         },
         [](const ProfileRecord& r) {
             return r.buttons[10].functionId == 22 &&
                    r.buttons[11].functionId == DefaultFunction(11);
         }},
        {"buttons[36]",  // the fourth preset or left-button macro
         [](ProfileRecord& r) {
             BindPreset(r.buttons[33]);
             BindMacro(r.buttons[34], 1);
             r.buttons[34].functionId = 57;
             BindPreset(r.buttons[35]);
             BindPreset(r.buttons[36]);
         },
         [](const ProfileRecord& r) {
             return r.buttons[35].functionId == 121 &&
                    r.buttons[36].functionId == DefaultFunction(36);
         }},
        {"buttons[32]",  // game mode without a left click or "send_gun"
         [](ProfileRecord& r) {
             r.buttons[32].functionId = 2;
             r.buttons[48].functionId = 2;
         },
         [](const ProfileRecord& r) { return r.buttons[32].functionId == 1; }},
        {"buttons[4].macroActions",
         [](ProfileRecord& r) {
             BindMacro(r.buttons[4], 1);
             r.buttons[4].macroActions[0] =
                 MacroAction{0, kMoveCode, kActionMove, 0, 10, 0, 40000, 0};
         },
         [](const ProfileRecord& r) { return r.buttons[4].macroActions[0].x == 32767; }},
        {"buttons[4].bindingLoops",
         [](ProfileRecord& r) {
             BindMacro(r.buttons[4], 1);
             r.buttons[4].bindingLoops = 0;
         },
         [](const ProfileRecord& r) { return r.buttons[4].bindingLoops == 1; }},
        {"buttons[40].gunData",
         [](ProfileRecord& r) {
             BindPreset(r.buttons[40]);
             r.buttons[40].gunData[29].y = -200;
         },
         [](const ProfileRecord& r) { return r.buttons[40].gunData[29].y == -127; }},
        {"buttons[40].bindingCount",
         [](ProfileRecord& r) {
             BindPreset(r.buttons[40]);
             r.buttons[40].bindingCount = 31;
         },
         [](const ProfileRecord& r) { return r.buttons[40].bindingCount == 30; }},
        {"buttons[5].repeatMode", [](ProfileRecord& r) { r.buttons[5].repeatMode = 3; },
         [](const ProfileRecord& r) { return r.buttons[5].repeatMode == 0; }},
        {"buttons[5].shortcutModifiers",
         [](ProfileRecord& r) { r.buttons[5].shortcutModifiers = 0x10; },
         [](const ProfileRecord& r) { return r.buttons[5].shortcutModifiers == 0; }},
        {"buttons[5].bindingColour", [](ProfileRecord& r) { r.buttons[5].bindingColour = -1; },
         [](const ProfileRecord& r) { return r.buttons[5].bindingColour == 0x00FFFFFF; }},
        {"buttons[6].buttonIndex", [](ProfileRecord& r) { r.buttons[6].buttonIndex = 60; },
         [](const ProfileRecord& r) { return r.buttons[6].buttonIndex == 6; }},
        {"buttons[1].macroIndex",
         [](ProfileRecord& r) {
             BindMacro(r.buttons[1], 3);
             r.buttons[1].macroIndex = 2;  // the library holds two macros
         },
         [](const ProfileRecord& r) {
             // The binding's copied content stays; only the index goes.
             return r.buttons[1].macroIndex == -1 && r.buttons[1].bindingCount == 3 &&
                    r.buttons[1].functionId == 22;
         }},
        {"buttons[2].gunIndex", [](ProfileRecord& r) { r.buttons[2].gunIndex = -2; },
         [](const ProfileRecord& r) { return r.buttons[2].gunIndex == -1; }},
        {"buttons[63].fireClickDelay", [](ProfileRecord& r) { r.buttons[63].fireClickDelay = 0; },
         [](const ProfileRecord& r) { return r.buttons[63].fireClickDelay == 2; }},
        {"buttons[0].fireClickCount", [](ProfileRecord& r) { r.buttons[0].fireClickCount = 256; },
         [](const ProfileRecord& r) { return r.buttons[0].fireClickCount == 0; }},
    };
    for (const Case& c : cases) {
        auto r = Default();
        c.spoil(*r);
        ProfileFileResult result = ParseProfileFile(Bytes(*r), {3311, 2, 1}, u"file");
        ASSERT_TRUE(result) << c.field;
        EXPECT_EQ(result.corrected, std::vector<std::string>{c.field}) << c.field;
        EXPECT_TRUE(c.check(*result.record)) << c.field;
        EXPECT_EQ(ReadText(result.record->name), u"Imported") << c.field;
    }
}

TEST(ProfileFile, CorrectionsAreListedGroupedByField) {
    const struct {
        std::vector<std::string> fields;
        size_t most;
        const char* line;
    } cases[] = {
        {{}, 12, ""},
        {{"keyResponse", "dpiValue[0]", "buttons[3].gunData", "dpiValue[5]", "buttons[9].gunData"},
         12,
         "keyResponse, dpiValue[0, 5], buttons[3, 9].gunData"},
        {{"a", "b", "c[1]", "d"}, 2, "a, b, ... (2 more)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JoinCorrections(c.fields, c.most), c.line);
    }
}

TEST(ProfileFile, ACorrectedRecordNeedsNoFurtherCorrection) {
    // Records of noise: whatever the first pass leaves must pass a second
    // one unchanged, and the name must end within its field.
    std::mt19937 random(20240613);
    for (int round = 0; round < 40; ++round) {
        std::vector<uint8_t> bytes(sizeof(ProfileRecord));
        for (uint8_t& b : bytes) {
            b = uint8_t(random());
        }
        ProfileFileResult first = ParseProfileFile(bytes, {3311, 3, 2}, u"noise");
        ASSERT_TRUE(first) << round;
        EXPECT_FALSE(first.corrected.empty()) << round;
        const std::vector<uint8_t> once(
            reinterpret_cast<const uint8_t*>(first.record.get()),
            reinterpret_cast<const uint8_t*>(first.record.get()) + sizeof(ProfileRecord));
        ProfileFileResult second = ParseProfileFile(once, {3311, 3, 2}, u"noise");
        ASSERT_TRUE(second) << round;
        EXPECT_TRUE(second.corrected.empty()) << round << ": " << second.corrected.front();
        EXPECT_EQ(Bytes(*second.record), once) << round;
        EXPECT_LT(ReadText(second.record->name).size(), size_t(kTextChars));
    }
}

TEST(ProfileFile, ReadingRefusesWhatIsNotARegularFileAndNeverReadsAHugeOne) {
    test::TempDir dir;
    const auto whole = dir.path() / "Shooter.pbin";
    auto r = Default();
    std::memset(r->name, 0, sizeof r->name);
    WriteFile(whole, Bytes(*r));
    ProfileFileResult good = ReadProfileFile(whole, {3311, 0, 0});
    ASSERT_TRUE(good);
    EXPECT_EQ(ReadText(good.record->name), u"Shooter");  // the empty name takes the file's

    // A sparse file of 4 GiB: refused from its first record and a byte.
    const auto huge = dir.path() / "huge.pbin";
    { std::ofstream(huge, std::ios::binary); }
    ASSERT_EQ(::truncate(huge.c_str(), off_t(4) << 30), 0);
    EXPECT_EQ(ReadProfileFile(huge, {}).error, ProfileFileError::TooLong);

    const auto fifo = dir.path() / "fifo.pbin";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadProfileFile(fifo, {}).error, ProfileFileError::Unreadable);
    EXPECT_EQ(ReadProfileFile(dir.path(), {}).error, ProfileFileError::Unreadable);
    EXPECT_EQ(ReadProfileFile(dir.path() / "missing.pbin", {}).error, ProfileFileError::Unreadable);
}

TEST(ProfileFile, WrittenFileReadsBackAsTheSameRecord) {
    test::TempDir dir;
    auto r = Default();
    r->buttons[12].functionId = 22;
    r->buttons[12].macroActions[0].code = 4;
    const auto path = dir.path() / "sub" / "out.pbin";
    ASSERT_TRUE(WriteProfileFile(path, *r));
    EXPECT_EQ(std::filesystem::file_size(path), sizeof(ProfileRecord));
    // Written without its macro library: the record's index -1 stays valid.
    ProfileFileResult back = ReadProfileFile(path, {3311, 0, 0});
    ASSERT_TRUE(back);
    EXPECT_EQ(Bytes(*back.record), Bytes(*r));
}

}  // namespace
}  // namespace mouse
