// These tests must never change the desktop of whoever runs them: settings
// go to GIO's in-memory store (set before GIO is first used), and X
// connections only to servers the tests start themselves.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("GSETTINGS_BACKEND", "memory", 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("XDG_SESSION_TYPE");
    ::testing::InitGoogleTest(&argc, argv);
    // Death tests re-run this binary, so a child starts GIO afresh in the
    // environment its test gives it.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    return RUN_ALL_TESTS();
}
