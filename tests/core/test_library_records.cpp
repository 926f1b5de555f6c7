// What only one library does: macros imported are checked and corrected,
// presets are clamped to the editor's limits and exported at once.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "core/library_test_util.h"
#include "store/corrections.h"

namespace mouse {
namespace {

using namespace librarytest;

using MacroTest = LibraryTest<MacroKind>;

MacroRecord ValidMacro() {
    MacroRecord r{};
    WriteText(r.folderName, u"F");
    WriteText(r.macroName, u"M");
    r.loopCount = 3;
    r.actionCount = 4;
    r.actions[0] = MacroAction{0, 0x04, kActionPress, 0, 20, 0, 0, 0};
    r.actions[1] = MacroAction{0, 0x04, kActionRelease, 0, 30, 0, 0, 0};
    r.actions[2] = MacroAction{0, kMoveCode, kActionMove, 0, 40, 0, -5, 7};
    r.actions[3] = MacroAction{0, 0xF0, kActionPress, 0, 50, 0, 0, 0};
    r.actions[10].kind = 9;  // beyond the count: no meaning
    r.reserved208 = 0xA5A5A5A5u;
    return r;
}

// Every slot in use with a valid action.
void FillActions(MacroRecord& r) {
    for (int i = 4; i < kMaxMacroActions; ++i) {
        r.actions[i] = MacroAction{0, uint8_t(4 + i), kActionPress, 0, 10, 0, 0, 0};
    }
}

TEST_F(MacroTest, ImportedMacrosAreCheckedAndCorrected) {
    struct Case {
        const char* what;
        void (*change)(MacroRecord&);
        bool accepted;
        void (*expect)(MacroRecord&);  // how the stored record differs from the file
        const char* corrected = "";    // the fields the import names as corrected
    } cases[] = {
        {"valid", [](MacroRecord&) {}, true, [](MacroRecord&) {}},
        {"41 actions",
         [](MacroRecord& r) {
             FillActions(r);
             r.actionCount = 41;
         },
         true, [](MacroRecord& r) { r.actionCount = 40; }, "M.actionCount"},
        {"65535 actions",
         [](MacroRecord& r) {
             FillActions(r);
             r.actionCount = 65535;
         },
         true, [](MacroRecord& r) { r.actionCount = 40; }, "M.actionCount"},
        {"no loops", [](MacroRecord& r) { r.loopCount = 0; }, true,
         [](MacroRecord& r) { r.loopCount = 1; }, "M.loopCount"},
        {"300 loops", [](MacroRecord& r) { r.loopCount = 300; }, true,
         [](MacroRecord& r) { r.loopCount = 255; }, "M.loopCount"},
        {"far move",
         [](MacroRecord& r) {
             r.actions[2].x = 40000;
             r.actions[2].y = -99999;
         },
         true,
         [](MacroRecord& r) {
             r.actions[2].x = 32767;
             r.actions[2].y = -32767;
         },
         "M.actions"},
        {"press of key 0", [](MacroRecord& r) { r.actions[0].code = 0; }, true,
         [](MacroRecord&) {}},
        {"wheel code", [](MacroRecord& r) { r.actions[0].code = 248; }, true, [](MacroRecord&) {}},
        {"kind 3", [](MacroRecord& r) { r.actions[1].kind = 3; }, false, nullptr},
        {"move with a key code", [](MacroRecord& r) { r.actions[2].code = 0x04; }, false, nullptr},
        {"press of the move code", [](MacroRecord& r) { r.actions[3].code = kMoveCode; }, false,
         nullptr},
        {"press of an unknown code", [](MacroRecord& r) { r.actions[3].code = 250; }, false,
         nullptr},
        {"press of code 3", [](MacroRecord& r) { r.actions[3].code = 3; }, false, nullptr},
        {"bad kind within a raised count",
         [](MacroRecord& r) {
             FillActions(r);
             r.actions[10].kind = 9;
             r.actionCount = 11;
         },
         false, nullptr},
    };
    lib.CreateFolder(u"F");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MacroRecord file = ValidMacro();
        c.change(file);
        const auto bytes = BytesOf(std::vector{file});
        const size_t size = List().size();
        ImportResult single = lib.ImportItem(bytes, u"M", u"F");
        // The same record inside a folder file gets the same treatment.
        MacroRecord folder{};
        folder.isFolder = 1;
        ImportResult many = lib.ImportFolder(BytesOf(std::vector{folder, file}), u"F");
        EXPECT_EQ(single.ok, c.accepted) << single.error;
        EXPECT_EQ(many.ok, c.accepted) << many.error;
        if (!c.accepted) {
            EXPECT_EQ(List().size(), size);
            EXPECT_NE(single.error.find("action"), std::string::npos) << single.error;
            continue;
        }
        EXPECT_EQ(JoinCorrections(single.corrected), c.corrected);
        EXPECT_EQ(JoinCorrections(many.corrected), c.corrected);
        MacroRecord expected = file;
        c.expect(expected);
        WriteText(expected.macroName, NameAt(single.position));
        EXPECT_EQ(std::memcmp(&At(single.position), &expected, sizeof(expected)), 0);
        WriteText(expected.folderName, many.folder);
        WriteText(expected.macroName, u"M");
        EXPECT_EQ(std::memcmp(&At(int(List().size()) - 1), &expected, sizeof(expected)), 0);
    }
}

TEST_F(MacroTest, DeleteFolderWithThreeMacrosWritesTheFileOnce) {
    MacroLibrary real(stores);
    real.CreateFolder(u"Gone");
    for (const char16_t* n : {u"a", u"b", u"c"}) {
        real.CreateItem(u"Gone", n);
    }
    // Each save ends with one rename of its temporary file.
    static int renames;
    renames = 0;
    SetWriteFaultHookForTesting([](const char* step) {
        if (std::strcmp(step, "rename") == 0) {
            ++renames;
        }
        return 0;
    });
    real.DeleteFolder(u"Gone");
    SetWriteFaultHookForTesting(nullptr);
    EXPECT_EQ(renames, 1);
    EXPECT_EQ(fs::file_size(stores.MacroPath()), 0u);
}

// ---- gun specifics -----------------------------------------------------------

using GunTest = LibraryTest<GunKind>;

TEST_F(GunTest, NewGunExportedAtOnce) {
    lib.CreateFolder(u"Rifles");
    const int pos = lib.CreateItem(u"Rifles", u"AK");
    const fs::path path = dir.path() / "AK.gbin";
    ASSERT_TRUE(lib.ExportItem(At(pos), path));
    const std::vector<uint8_t> bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 576u);
    EXPECT_EQ(bytes[200], 30);  // bulletCount
    for (int row = 0; row < 30; ++row) {
        BulletRow r;
        std::memcpy(&r, bytes.data() + 216 + 12 * row, sizeof(r));
        EXPECT_EQ(r.delay, 10) << row;
        EXPECT_EQ(r.x, 0) << row;
        EXPECT_EQ(r.y, 0) << row;
    }
}

TEST_F(GunTest, ImportedGunsAreClampedToTheEditorsLimits) {
    struct Case {
        const char* what;
        uint8_t count;
        BulletRow row;  // written to rows 0 and 29
        uint8_t wantCount;
        BulletRow want;
        const char* corrected;  // the fields the import names as corrected
    } cases[] = {
        {"valid", 12, {-127, 127, 0, 1270}, 12, {-127, 127, 0, 1270}, ""},
        {"no bullets", 0, {1, 2, 0, 10}, 1, {1, 2, 0, 10}, "gun 1.bulletCount"},
        {"31 bullets", 31, {1, 2, 0, 10}, 30, {1, 2, 0, 10}, "gun 1.bulletCount"},
        {"255 bullets", 255, {1, 2, 0, 10}, 30, {1, 2, 0, 10}, "gun 1.bulletCount"},
        {"offsets beyond a byte", 5, {200, -300, 0, 10}, 5, {127, -127, 0, 10}, "gun 1.bullets"},
        {"short delay", 5, {0, 0, 0, 5}, 5, {0, 0, 0, 10}, "gun 1.bullets"},
        {"long delay", 5, {0, 0, 7, 2000}, 5, {0, 0, 7, 1270}, "gun 1.bullets"},
    };
    lib.CreateFolder(u"F");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GunRecord file{};
        GunTraits::InitItem(file);
        file.bulletCount = c.count;
        file.reserved202 = 4;
        file.reserved204 = 0x12345678u;
        file.bullets[0] = c.row;
        file.bullets[29] = c.row;
        const ImportResult r = lib.ImportItem(BytesOf(std::vector{file}), u"G", u"F");
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(JoinCorrections(r.corrected), c.corrected);
        const GunRecord& got = At(r.position);
        EXPECT_EQ(got.bulletCount, c.wantCount);
        EXPECT_EQ(got.reserved202, 4);
        EXPECT_EQ(got.reserved204, 0x12345678u);
        for (int row : {0, 29}) {
            EXPECT_EQ(std::memcmp(&got.bullets[row], &c.want, sizeof(BulletRow)), 0) << row;
        }
        EXPECT_EQ(got.bullets[1].delay, 10);
    }
}

TEST_F(GunTest, PropagateCopiesByte202AndTheCount) {
    lib.CreateFolder(u"F");
    const int pos = lib.CreateItem(u"F", u"G");
    At(pos).bulletCount = 12;
    At(pos).reserved202 = 3;
    Bind(1, 5, pos);
    lib.PropagateItem(pos);
    EXPECT_EQ(Entry(1, 5).bindingCount, 12);
    EXPECT_EQ(Entry(1, 5).bindingLoops, 3);
}

}  // namespace
}  // namespace mouse
