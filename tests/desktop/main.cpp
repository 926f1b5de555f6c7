// These tests must never change the desktop of whoever runs them: settings
// go to a private GSettings keyfile store under a private config folder (set
// before GIO is first used), X connections only to servers the tests start
// themselves, and D-Bus calls only to buses they start.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    std::string config = std::filesystem::temp_directory_path() / "desktop_tests-XXXXXX";
    if (mkdtemp(config.data()) == nullptr) {
        return 1;
    }
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("GSETTINGS_BACKEND", "keyfile", 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/mouse-test-bus", 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("XDG_SESSION_TYPE");
    unsetenv("XDG_CURRENT_DESKTOP");
    ::testing::InitGoogleTest(&argc, argv);
    // Death tests re-run this binary, so a child starts GIO afresh in the
    // environment its test gives it.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(config, ignored);
    return result;
}
