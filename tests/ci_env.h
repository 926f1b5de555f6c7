// Tests that need an outside tool (Xvfb, gsettings) skip without it on a
// developer's machine; on a CI machine (CI set and not "0" or "false"),
// where scripts/install-deps.sh brings every tool, they fail instead, so a
// missing tool cannot pass unseen.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

namespace mouse::test {

inline bool InCi() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && *ci != '\0' && std::string_view(ci) != "0" &&
           std::string_view(ci) != "false";
}

}  // namespace mouse::test

// Skips the current test with the reason why, or fails it on CI.
#define MOUSE_SKIP_UNLESS_CI(why)    \
    do {                             \
        if (::mouse::test::InCi()) { \
            FAIL() << (why);         \
        }                            \
        GTEST_SKIP() << (why);       \
    } while (0)
