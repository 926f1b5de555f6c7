// The program's in-process tests run as on a desktop with a tray unless a
// test chooses otherwise (and puts the tray back when it ends): the
// offscreen platform has none, and the tray's absence changes how the
// window starts, hides and tells that the mouse is missing.
#include <gtest/gtest.h>

#include "ui/tray.h"

namespace {

struct TrayEnvironment : ::testing::Environment {
    void SetUp() override { mouse::CTrayIcon::SetAvailabilityOverride(true); }
};

[[maybe_unused]] ::testing::Environment* const kTray =
    ::testing::AddGlobalTestEnvironment(new TrayEnvironment);

}  // namespace
