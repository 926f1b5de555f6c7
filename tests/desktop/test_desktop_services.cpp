// The backends of the desktops that keep pointer settings in files and
// services: KDE Plasma (a private config folder and a fake compositor on a
// private bus) and Xfce (the real xfconf daemon on a private bus), read
// back with each desktop's own tool.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "ci_env.h"
#include "desktop/fake_kwin.h"
#include "desktop/private_bus.h"
#include "performance/desktop_pointer.h"

namespace mouse {
namespace {

namespace fs = std::filesystem;

DesktopPointerPlaces Places(const std::string& configHome, const std::string& busAddress) {
    DesktopPointerPlaces places;
    places.configHome = configHome;
    places.busAddress = busAddress;
    return places;
}

// A config folder of the test's own, removed afterwards.
struct ConfigFolder {
    ConfigFolder() {
        std::string name = fs::temp_directory_path() / "plasma-XXXXXX";
        path = mkdtemp(name.data()) != nullptr ? name : std::string();
    }
    ~ConfigFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    void Write(const char* file, const char* text) const {
        std::ofstream(path + "/" + file) << text;
    }
    // What kreadconfig5 reads; groups: nested groups, outermost first.
    std::string Read(const char* file, std::initializer_list<const char*> groups,
                     const char* key) const {
        std::string command = "kreadconfig5 --file '" + path + "/" + file + "'";
        for (const char* group : groups) {
            command += std::string(" --group '") + group + "'";
        }
        return test::Output(command + " --key " + key);
    }
    std::string path;
};

constexpr const char* kInputRc =
    "[Keyboard]\nNumLock=0\n\n"
    "[Mouse]\ncursorTheme=breeze_cursors\nXLbInptPointerAcceleration=0.2\n";
constexpr const char* kGlobals = "[General]\nColorScheme=BreezeDark\n\n[KDE]\nSingleClick=false\n";

TEST(PlasmaPointer, TheConfigFilesTakeTheSettingsAndKeepTheirOtherEntries) {
    if (!test::HasTool("kreadconfig5")) {
        MOUSE_SKIP_UNLESS_CI("kreadconfig5 is not installed (libkf5config-bin)");
    }
    struct Row {
        double speed;
        bool precision;
        int doubleClickMs;
        int lines;
        const char* speedText;
        const char* flat;
    };
    const Row rows[] = {
        {-0.6, true, 830, 7, "-0.6", "false"},
        {0.0, false, 400, 1, "0", "true"},
        {1.0, true, 60, 20, "1", "false"},
    };
    ConfigFolder config;
    config.Write("kcminputrc", kInputRc);
    // kdeglobals kept elsewhere (a dotfiles folder) and linked: the link stays.
    config.Write("kept-kdeglobals", kGlobals);
    fs::create_symlink("kept-kdeglobals", config.path + "/kdeglobals");
    auto platform = CreatePlasmaPointerPlatform(Places(config.path, {}), false);
    ASSERT_NE(platform, nullptr);
    EXPECT_FALSE(platform->Capabilities().onePage);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.speed);
        platform->SetPointer(row.speed, row.precision);
        platform->SetDoubleClickTime(row.doubleClickMs);
        platform->SetWheel(row.lines, false);
        EXPECT_EQ(config.Read("kcminputrc", {"Mouse"}, "XLbInptPointerAcceleration"),
                  row.speedText);
        EXPECT_EQ(config.Read("kcminputrc", {"Mouse"}, "X11LibInputXAccelProfileFlat"), row.flat);
        EXPECT_EQ(config.Read("kdeglobals", {"KDE"}, "DoubleClickInterval"),
                  std::to_string(row.doubleClickMs));
        EXPECT_EQ(config.Read("kdeglobals", {"KDE"}, "WheelScrollLines"),
                  std::to_string(row.lines));
        EXPECT_EQ(config.Read("kcminputrc", {"Mouse"}, "cursorTheme"), "breeze_cursors");
        EXPECT_EQ(config.Read("kcminputrc", {"Keyboard"}, "NumLock"), "0");
        EXPECT_EQ(config.Read("kdeglobals", {"General"}, "ColorScheme"), "BreezeDark");
        EXPECT_EQ(config.Read("kdeglobals", {"KDE"}, "SingleClick"), "false");
        EXPECT_TRUE(fs::is_symlink(config.path + "/kdeglobals"));
    }
}

TEST(PlasmaPointer, OnWaylandTheCompositorsMiceTakeItAtOnceAndKeepIt) {
    if (!test::HasTool("kreadconfig5") || !test::HasTool("dbus-daemon")) {
        MOUSE_SKIP_UNLESS_CI("kreadconfig5 or dbus-daemon is not installed");
    }
    test::PrivateBus bus;
    ASSERT_FALSE(bus.Address().empty());
    test::FakeKWin kwin(bus.Address(), {{"event5", "Gaming Mouse", 1241, 63015, true, false},
                                        {"event6", "Touchpad", 1267, 12521, true, true},
                                        {"event7", "Keyboard", 1, 1, false, false}});
    ASSERT_TRUE(kwin.Ok());
    ConfigFolder config;
    config.Write("kcminputrc", kInputRc);
    auto platform = CreatePlasmaPointerPlatform(Places(config.path, bus.Address()), true);
    ASSERT_NE(platform, nullptr);
    struct Row {
        double speed;
        bool precision;
        const char* printed;  // as the service and the file have it
        const char* profile;
    };
    for (const Row& row : {Row{-0.4, false, "-0.4", "1"}, Row{0.8, true, "0.8", "2"}}) {
        SCOPED_TRACE(row.speed);
        platform->SetPointer(row.speed, row.precision);
        const std::map<std::string, std::string> sent = {
            {"event5 pointerAcceleration", row.printed},
            {"event5 pointerAccelerationProfileAdaptive", row.precision ? "true" : "false"},
            {"event5 pointerAccelerationProfileFlat", row.precision ? "false" : "true"},
        };
        EXPECT_EQ(kwin.TakeSets(), sent);
        // The file keeps it for the compositor's next start.
        const auto mouse = {"Libinput", "1241", "63015", "Gaming Mouse"};
        EXPECT_EQ(config.Read("kcminputrc", mouse, "PointerAcceleration"), row.printed);
        EXPECT_EQ(config.Read("kcminputrc", mouse, "PointerAccelerationProfile"), row.profile);
        EXPECT_EQ(config.Read("kcminputrc", {"Mouse"}, "cursorTheme"), "breeze_cursors");
    }
    // The running programs are told of the new double-click interval and
    // wheel lines.
    platform->SetDoubleClickTime(480);
    platform->SetWheel(5, false);
    EXPECT_TRUE(kwin.WaitForChange("kdeglobals", "KDE", "DoubleClickInterval"));
    EXPECT_TRUE(kwin.WaitForChange("kdeglobals", "KDE", "WheelScrollLines"));
}

TEST(XfcePointer, TheSettingsDaemonsChannelsTakeIt) {
    if (!test::HasTool("xfconf-query") || !test::HasTool("dbus-daemon")) {
        MOUSE_SKIP_UNLESS_CI("xfconf-query or dbus-daemon is not installed (xfconf, dbus)");
    }
    // The bus starts the real xfconfd from its service file on the first
    // call; it keeps its channels under this process's private config folder.
    test::PrivateBus bus;
    ASSERT_FALSE(bus.Address().empty());
    bus.Run("xfconf-query -c pointers -p /Gaming_Mouse/RightHanded -n -t bool -s true");
    ASSERT_EQ(bus.Run("xfconf-query -c pointers -p /Gaming_Mouse/RightHanded"), "true");
    auto platform = CreateXfcePointerPlatform(Places({}, bus.Address()));
    ASSERT_NE(platform, nullptr);
    struct Row {
        double speed;
        bool precision;
        int doubleClickMs;
        double acceleration;
        const char* profile;  // the flags as xfconf-query lists them
    };
    const Row rows[] = {
        {-1.0, true, 830, 0.1, "1\n0"},
        {0.0, false, 400, 5.05, "0\n1"},
        {1.0, true, 60, 10.0, "1\n0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.speed);
        platform->SetPointer(row.speed, row.precision);
        platform->SetDoubleClickTime(row.doubleClickMs);
        EXPECT_NEAR(
            std::strtod(bus.Run("xfconf-query -c pointers -p /Gaming_Mouse/Acceleration").c_str(),
                        nullptr),
            row.acceleration, 1e-6);
        const std::string flags = bus.Run(
            "xfconf-query -c pointers -p /Gaming_Mouse/Properties/libinput_Accel_Profile_Enabled");
        EXPECT_NE(flags.find(row.profile), std::string::npos) << flags;
        EXPECT_EQ(bus.Run("xfconf-query -c xsettings -p /Net/DoubleClickTime"),
                  std::to_string(row.doubleClickMs));
        EXPECT_EQ(bus.Run("xfconf-query -c pointers -p /Gaming_Mouse/RightHanded"), "true");
    }
}

}  // namespace
}  // namespace mouse
