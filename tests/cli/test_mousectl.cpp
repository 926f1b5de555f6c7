#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/core_commands.h"
#include "cli/mousectl_fixture.h"
#include "device/encode.h"
#include "device/records.h"
#include "store/stores.h"

namespace mouse {
namespace {

namespace fs = std::filesystem;

int SleepTotal(const std::vector<std::string>& lines) {
    int total = 0;
    for (const std::string& line : lines) {
        if (line.rfind("Sleep ", 0) == 0) {
            total += std::stoi(line.substr(6));
        }
    }
    return total;
}

std::vector<uint8_t> FromHex(const std::string& hex) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

bool IsLowerHex(const std::string& text, size_t digits) {
    return text.size() == digits && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// One of the four line shapes of the encode output.
bool WellFormed(const std::string& line) {
    if (line.rfind("SetFeature ", 0) == 0) {
        return IsLowerHex(line.substr(11), 16);
    }
    if (line.rfind("GetFeature ", 0) == 0) {
        return line.size() == 11 + 16 + 1 + 16 && IsLowerHex(line.substr(11, 16), 16) &&
               line[27] == ' ' && IsLowerHex(line.substr(28), 16);
    }
    if (line.rfind("WriteUSB ", 0) == 0) {
        return IsLowerHex(line.substr(9), 64);
    }
    if (line.rfind("Sleep ", 0) == 0) {
        const std::string ms = line.substr(6);
        return !ms.empty() && ms.find_first_not_of("0123456789") == std::string::npos;
    }
    return false;
}

template <typename T>
void WriteRecords(const fs::path& path, const std::vector<const T*>& records) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const T* r : records) {
        out.write(reinterpret_cast<const char*>(r), sizeof(T));
    }
}

TEST_F(MousectlTest, EncodeDefaultProfilePrintsWellFormedLinesAnd400ms) {
    const fs::path profile = NewProfile("Default");
    EXPECT_EQ(fs::file_size(profile), sizeof(ProfileRecord));
    const RunResult r = Run({"encode", profile.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.err.empty());
    const auto lines = Lines(r.out);
    ASSERT_FALSE(lines.empty());
    for (const std::string& line : lines) {
        EXPECT_TRUE(WellFormed(line)) << line;
        if (line.rfind("SetFeature ", 0) == 0) {
            EXPECT_TRUE(FeatureChecksumValid(FromHex(line.substr(11)).data())) << line;
        }
    }
    EXPECT_EQ(SleepTotal(lines), 400);
    EXPECT_EQ(lines.front(), "SetFeature 830000000000007c");
    EXPECT_EQ(lines[lines.size() - 2], "SetFeature 08aaccee00000093");
    EXPECT_EQ(r.out.back(), '\n');
}

TEST_F(MousectlTest, EncodeSettingsAndDataIni) {
    const fs::path profile = NewProfile("P");
    const fs::path ini = dir / "Data.ini";
    std::ofstream(ini) << "[Default]\r\nSensor=3311\r\nDistance=1\r\n";
    const RunResult r =
        Run({"encode", profile.string(), "--ini", ini.string(), "--settings", "0102F8040506"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1].substr(0, 28), "GetFeature 8b00000000000074 ");
    const auto reply = FromHex(lines[1].substr(28));
    EXPECT_EQ(reply, (std::vector<uint8_t>{0x8B, 0x01, 0x02, 0xF8, 0x04, 0x05, 0x06, 0x6A}));
    EXPECT_EQ(lines[2], "SetFeature 030102f0400506be");  // bit 3 cleared, byte 4 = 0x40
    EXPECT_EQ(lines[lines.size() - 2], "SetFeature 07000000000000f8");
    EXPECT_EQ(SleepTotal(lines), 420);
}

TEST_F(MousectlTest, ErrorsGiveMessagesAndNonZeroStatus) {
    const fs::path profile = NewProfile("P");
    const fs::path missing = dir / "nothing.pbin";
    RunResult r = Run({"encode", missing.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("nothing.pbin"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());

    const fs::path truncated = dir / "short.pbin";
    fs::copy_file(profile, truncated);
    fs::resize_file(truncated, sizeof(ProfileRecord) - 1);
    r = Run({"encode", truncated.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("not a whole number"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
    r = Run({"inspect", truncated.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("not a whole number"), std::string::npos) << r.err;

    r = Run({"encode", profile.string(), "--ini", (dir / "none.ini").string()});
    EXPECT_EQ(r.status, 1);
    r = Run({"inspect", missing.string()});
    EXPECT_EQ(r.status, 1);

    const std::vector<std::vector<std::string>> usageErrors = {
        {"encode", profile.string(), "--settings", "12345"},
        {"encode", profile.string(), "--settings", "0000000000zz"},
        {"encode", profile.string(), "--bogus"},
        {"encode"},
        {"new-profile", "--name", "x", (dir / "x.pbin").string()},
        {"new-profile", "--sensor", "abc", "--name", "x", (dir / "x.pbin").string()},
        {"inspect", (dir / "file.txt").string()},
        {"inspect", profile.string(), "--as", "nonsense"},
        {"encode", profile.string(), "--index", "-1"},
        {"encode", profile.string(), "--index", "0x1"},
        {"encode", profile.string(), "--ini", "a.ini", "--ini", "b.ini"},
        {"apply", profile.string(), profile.string()},
        {"apply", profile.string(), "--ini", (dir / "none.ini").string()},
        {"profile"},
        {"profile", "switch"},
        {"dpi", "set"},
        {"dpi", "set", "x"},
        {"version", "extra"},
        {"sim"},
        {"sim", "frobnicate"},
        {"sim", "press", "dpi"},
        {"sim", "version", "1"},
        {"sim", "fail", "next", "65536"},
        {"frobnicate"},
        {},
    };
    for (const auto& args : usageErrors) {
        r = Run(args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "(no arguments)" : args[0]);
        EXPECT_FALSE(r.err.empty());
    }
    // What only the running program may do, refused without it.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"apply"}, {"profile", "switch", "1"}, {"dpi", "up"}}) {
        r = Run(args);
        EXPECT_EQ(r.status, 6) << args[0];
        EXPECT_NE(r.err.find("not running"), std::string::npos) << r.err;
    }
}

TEST_F(MousectlTest, EveryCommandHasHelp) {
    for (const char* command : {"encode", "new-profile", "inspect", "apply", "version", "sim",
                                "doctor", "status", "profile", "dpi", "paths"}) {
        const RunResult r = Run({command, "--help"});
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_EQ(r.out.rfind(std::string("usage: mousectl ") + command, 0), 0u) << r.out;
    }
    const RunResult r = Run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("new-profile"), std::string::npos);
}

TEST_F(MousectlTest, InspectReadsBackEveryFileKindTheCoreWrites) {
    // Store files as the stores write them.
    Stores stores(dir / "Data");
    stores.LoadStores(3311, u"Profile");
    ProfileRecord& second = stores.CreateDefaultProfile(3311, u"Profile");
    second.buttons[3].functionId = 21;
    second.buttons[3].shortcutModifiers = 0x03;
    second.buttons[3].shortcutKey = 0x04;
    stores.SaveProfiles();
    stores.currentIndex = 1;
    ASSERT_TRUE(stores.SaveCurrentProfileIndex());

    auto folder = std::make_unique<MacroRecord>();
    std::memset(static_cast<void*>(folder.get()), 0, sizeof(MacroRecord));
    WriteText(folder->folderName, u"Games");
    folder->isFolder = 1;
    auto macro = std::make_unique<MacroRecord>(*folder);
    macro->isFolder = 0;
    WriteText(macro->macroName, u"Combo");
    macro->loopCount = 1;
    macro->actionCount = 2;
    macro->actions[0] = MacroAction{0, 0x04, kActionPress, 0, 10, 0, 0, 0};
    macro->actions[1] = MacroAction{0, kMoveCode, kActionMove, 0, 20, 0, -5, 7};
    stores.macros.push_back(std::make_unique<MacroRecord>(*folder));
    stores.macros.push_back(std::make_unique<MacroRecord>(*macro));
    ASSERT_TRUE(stores.SaveMacros());

    auto gunFolder = std::make_unique<GunRecord>();
    std::memset(static_cast<void*>(gunFolder.get()), 0, sizeof(GunRecord));
    WriteText(gunFolder->folderName, u"Rifles");
    gunFolder->isFolder = 1;
    auto gun = std::make_unique<GunRecord>(*gunFolder);
    gun->isFolder = 0;
    WriteText(gun->gunName, u"AK");
    gun->bulletCount = 2;
    gun->bullets[0] = BulletRow{0, 3, 0, 10};
    gun->bullets[1] = BulletRow{-1, 4, 0, 90};
    stores.guns.push_back(std::make_unique<GunRecord>(*gunFolder));
    stores.guns.push_back(std::make_unique<GunRecord>(*gun));
    ASSERT_TRUE(stores.SaveGuns());

    // Exchange files: one record or one folder each.
    WriteRecords<MacroRecord>(dir / "Combo.mbin", {macro.get()});
    WriteRecords<MacroRecord>(dir / "Games.mbins", {folder.get(), macro.get()});
    WriteRecords<GunRecord>(dir / "AK.gbin", {gun.get()});
    WriteRecords<GunRecord>(dir / "Rifles.gbins", {gunFolder.get(), gun.get()});
    const fs::path pbin = NewProfile("Exported");

    struct Case {
        fs::path path;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {stores.ProfilePath(),
         {"2 whole profile records", "name \"Profile1\"", "name \"Profile2\"",
          "slot 3 (office 3): shortcut [21] Ctrl+Shift+A",
          "level 1: 1000 DPI, colour #ff0000, in use, current  [step 10, y 10, enabled]",
          "report rate 500 Hz (index 2)", "lighting wave (mode 4)"}},
        {stores.DataBinPath(), {"current profile index 1"}},
        {stores.MacroPath(),
         {"folder \"Games\"", "macro \"Games\"/\"Combo\", loops 1, 2 actions", "1: press A, 10 ms",
          "2: move (-5, 7), 20 ms"}},
        {stores.GunPath(),
         {"folder \"Rifles\"", "gun \"Rifles\"/\"AK\"", "1: x 0, y 3, delay 10",
          "2: x -1, y 4, delay 90"}},
        {dir / "Combo.mbin", {"1 whole macro record", "press A"}},
        {dir / "Games.mbins", {"2 whole macro records", "folder \"Games\""}},
        {dir / "AK.gbin", {"1 whole gun record", "gun \"Rifles\"/\"AK\""}},
        {dir / "Rifles.gbins", {"2 whole gun records"}},
        {pbin, {"name \"Exported\"", "slot 0 (office 0): click [1]", "slot 63 (game 31)"}},
    };
    for (const Case& c : cases) {
        const RunResult r = Run({"inspect", c.path.string()});
        EXPECT_EQ(r.status, 0) << c.path << ": " << r.err;
        for (const std::string& fragment : c.expected) {
            EXPECT_NE(r.out.find(fragment), std::string::npos)
                << c.path.filename() << " lacks: " << fragment << "\n"
                << r.out.substr(0, 2000);
        }
    }

    // A .pbin must hold exactly one profile; --as reads any name.
    const RunResult two = Run({"inspect", stores.ProfilePath().string(), "--as", "pbin"});
    EXPECT_EQ(two.status, 1);
    EXPECT_NE(two.err.find("exactly one"), std::string::npos) << two.err;
    const fs::path renamed = dir / "macros.dat";
    fs::copy_file(stores.MacroPath(), renamed);
    const RunResult as = Run({"inspect", renamed.string(), "--as", "mbins"});
    EXPECT_EQ(as.status, 0) << as.err;
    EXPECT_NE(as.out.find("Combo"), std::string::npos);

    // A part record at the end is reported; the whole records are still shown.
    fs::resize_file(stores.MacroPath(), 2 * sizeof(MacroRecord) + 5);
    const RunResult part = Run({"inspect", stores.MacroPath().string()});
    EXPECT_EQ(part.status, 1);
    EXPECT_NE(part.out.find("Combo"), std::string::npos);
    EXPECT_NE(part.err.find("5 bytes left over"), std::string::npos) << part.err;
}

TEST(MousectlParts, SettingsHex) {
    EXPECT_EQ(cli::ParseSettingsHex("00A1b2C3d4FF"),
              (std::array<uint8_t, 6>{0x00, 0xA1, 0xB2, 0xC3, 0xD4, 0xFF}));
    for (const char* bad : {"", "00a1b2c3d4f", "00a1b2c3d4ff0", "00a1b2c3d4fg", "0x00a1b2c3d4"}) {
        EXPECT_FALSE(cli::ParseSettingsHex(bad)) << bad;
    }
}

}  // namespace
}  // namespace mouse

namespace mouse {
namespace {

TEST_F(MousectlTest, VersionAndCompletionScripts) {
    RunResult r = Run({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("mousectl ", 0), 0u) << r.out;
    // The bash script loads, registers itself and completes command names
    // from the command list.
    r = Run({"completion", "bash"});
    ASSERT_EQ(r.status, 0);
    std::ofstream(dir / "mousectl.bash") << r.out;
    const std::string script = (dir / "mousectl.bash").string();
    const std::string check = "bash -c 'source \"" + script +
                              "\" && complete -p mousectl && COMP_WORDS=(mousectl do) "
                              "COMP_CWORD=1 && _mousectl && echo \"${COMPREPLY[@]}\"' >\"" +
                              (dir / "complete.txt").string() + "\"";
    ASSERT_EQ(std::system(check.c_str()), 0);
    EXPECT_EQ(ReadFileText(dir / "complete.txt"),
              "complete -o filenames -F _mousectl mousectl\ndoctor\n");
    for (const char* shell : {"zsh", "fish"}) {
        r = Run({"completion", shell});
        EXPECT_EQ(r.status, 0) << shell;
        EXPECT_NE(r.out.find("doctor"), std::string::npos) << shell;
    }
    EXPECT_EQ(Run({"completion", "tcsh"}).status, 2);
}

}  // namespace
}  // namespace mouse
