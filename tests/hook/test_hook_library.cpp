// The loader of the hook library: a missing library, a missing entry point
// or a missing display leaves it unavailable with a reason, and nothing of
// the library is called.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "ci_env.h"
#include "desktop/xvfb.h"
#include "macros/hook_library.h"

namespace mouse {
namespace {

// Sets or clears an environment variable for one scope.
class EnvVar {
public:
    EnvVar(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~EnvVar() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    EnvVar(const EnvVar&) = delete;
    EnvVar& operator=(const EnvVar&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(HookLibrary, UnavailableWithAReason) {
    struct Case {
        const char* name;
        std::string file;
        std::string probeAnswer;
        std::string reasonHas;
    };
    const Case cases[] = {
        {"no library", "/nonexistent/Hook.so", "",
         "cannot load the hook library: /nonexistent/Hook.so"},
        {"entry point missing", HOOK_MISSING_ENTRY_FILE, "", "lacks MouseMoveHook"},
        {"no display", HOOK_LIBRARY_FILE, "there is no X display", "there is no X display"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int probes = 0;
        HookLibrary library([&] {
            ++probes;
            return c.probeAnswer;
        });
        EXPECT_FALSE(library.Available());
        EXPECT_FALSE(library.Load(c.file));
        EXPECT_FALSE(library.Loaded());
        EXPECT_FALSE(library.Available());
        EXPECT_NE(library.Unavailable().find(c.reasonHas), std::string::npos)
            << library.Unavailable();
        // None of these reaches the library (the one without MouseMoveHook
        // aborts on any call).
        library.InstallHook([](const HookReport&) {});
        library.EnableHook(true);
        library.InstallMouseHook([](const HookReport&) {});
        library.EnableMouseHook(true);
        library.RemoveHook();
        library.RemoveMouseHook();
    }
}

TEST(HookLibrary, LoadsTheRealLibrary) {
    HookLibrary library([] { return std::string(); });
    ASSERT_TRUE(library.Load(HOOK_LIBRARY_FILE)) << library.Unavailable();
    EXPECT_TRUE(library.Available());
    // A failed load afterwards leaves it unavailable again.
    EXPECT_FALSE(library.Load("/nonexistent/Hook.so"));
    EXPECT_FALSE(library.Available());
}

TEST(XInputProbe, SaysWhyThereIsNoDisplay) {
    struct Case {
        const char* display;
        const char* wayland;
        const char* reasonHas;
    };
    const Case cases[] = {
        {nullptr, "wayland-0", "Wayland session runs without XWayland"},
        {"", nullptr, "DISPLAY is not set"},
        {nullptr, nullptr, "DISPLAY is not set"},
        {":487", nullptr, "cannot open the X display :487"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reasonHas);
        EnvVar display("DISPLAY", c.display);
        EnvVar wayland("WAYLAND_DISPLAY", c.wayland);
        const std::string reason = XInputUnavailableReason();
        EXPECT_NE(reason.find(c.reasonHas), std::string::npos) << reason;
    }
}

TEST(XInputProbe, AcceptsAnXServerWithXInput2) {
    test::Xvfb xvfb;
    if (xvfb.Name().empty()) {
        MOUSE_SKIP_UNLESS_CI("Xvfb could not be started");
    }
    EnvVar display("DISPLAY", xvfb.Name().c_str());
    EXPECT_EQ(XInputUnavailableReason(), "");
    HookLibrary library;  // the real probe
    EXPECT_TRUE(library.Load(HOOK_LIBRARY_FILE)) << library.Unavailable();
}

}  // namespace
}  // namespace mouse
