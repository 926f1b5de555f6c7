// The device link, the worker and the real device-access library against a
// virtual mouse started on a private socket.
#ifdef MOUSE_HAVE_SIM

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "device/device_link.h"
#include "device/encode.h"
#include "device/messages.h"
#include "drivers/sim/sim_client.h"
#include "drivers/sim/sim_process.h"
#include "fake_host.h"
#include "store/tables.h"

namespace mouse {
namespace {

using test::FakeHost;
using test::NullPointer;

// A profile that exercises every part of the encoding: two macros, a
// shortcut, a fire click, game mode, a custom lighting effect.
ProfileRecord RichProfile() {
    ProfileRecord p{};
    MakeDefaultRecord(p, 3311);
    WriteText(p.name, u"Rich");
    p.buttonMode = 1;
    p.reportRateIndex = 0;
    p.currentDpiLevel = 3;
    p.dpiValue[5] = 150;  // above the 3311 high-DPI limit
    p.lightMode = 9;
    p.lightFixedColour = MakeColour(1, 2, 3);
    p.liftOffDistance = 2;
    p.keyResponse = 8;
    p.dpiLevelCount = 6;
    for (int slot : {8, 40}) {
        ButtonEntry& e = p.buttons[slot];
        e.functionId = 22;
        e.repeatMode = 2;
        e.bindingLoops = 3;
        e.bindingCount = 3;
        e.macroActions[0] = {0, 4, kActionPress, 0, 50, 0, 0, 0};
        e.macroActions[1] = {0, 4, kActionRelease, 0, 2000, 0, 0, 0};
        e.macroActions[2] = {0, kMoveCode, kActionMove, 0, 20, 0, 5, -7};
    }
    p.buttons[9].functionId = 21;
    p.buttons[9].shortcutModifiers = kModCtrl | kModShift;
    p.buttons[9].shortcutKey = 6;
    p.buttons[10].functionId = 10;
    p.buttons[10].fireClickCount = 5;
    p.buttons[10].fireClickDelay = 30;
    return p;
}

DeviceConfig ConfigForSim() {
    DeviceConfig c;
    c.sensor = 3311;
    c.distance = 1;
    c.update = 0;
    c.distanceValue = {10, 20, 30, 40, 50, 60, 70, 80};
    for (auto& o : c.buttonOverrides) {
        o.useProfile = 1;
    }
    return c;
}

struct SimFixture : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(sim.Start(MOUSE_APP_DIR "/mouse-sim")) << sim.Error();
        setenv("MOUSE_SIM_SOCKET", sim.SocketPath().c_str(), 1);
        ASSERT_TRUE(driver.Load(MOUSE_APP_DIR "/MSDriver.so")) << driver.Error();
        host.profile = RichProfile();
    }
    void TearDown() override {
        link.reset();
        unsetenv("MOUSE_SIM_SOCKET");
    }
    void MakeLink(PauseFn pause = [](int) {}) {
        link = std::make_unique<DeviceLink>(
            host, driver, config,
            [this](unsigned m, uintptr_t w, intptr_t l) { host.Post(m, w, l); });
        link->StartWorker(pointer, host.profile, std::move(pause));
    }
    bool ApplyAndWait() {
        size_t before = host.finished.size();
        link->PostApply();
        return host.Pump(*link, [&] { return host.finished.size() > before; });
    }

    SimProcess sim;
    DriverLibrary driver;
    FakeHost host;
    NullPointer pointer;
    DeviceConfig config = ConfigForSim();
    std::unique_ptr<DeviceLink> link;
};

TEST_F(SimFixture, AfterAnApplyTheMouseHoldsExactlyTheProfilesEncoding) {
    MakeLink();
    link->StartUp();
    ASSERT_TRUE(link->CanShowWindow());
    ASSERT_TRUE(ApplyAndWait());

    std::optional<SimState> state = SimGetState(sim.SocketPath());
    ASSERT_TRUE(state.has_value());
    const ProfileRecord& p = host.profile;
    EXPECT_EQ(state->buttonMode, 2);
    EXPECT_EQ(state->reportRate, 8);
    EXPECT_EQ(state->dpiLevel, 4);
    EXPECT_EQ(state->fixedColour, (std::array<uint8_t, 3>{1, 2, 3}));
    auto light = LightingParameters(p);
    EXPECT_EQ(state->lightEffect, 9);
    EXPECT_EQ(state->lightP, light[0]);
    EXPECT_EQ(state->lightQ, light[1]);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(state->cycleColours[3 * i], ColourRed(p.cycleColour[i]));
        EXPECT_EQ(state->cycleColours[3 * i + 2], ColourBlue(p.cycleColour[i]));
        EXPECT_EQ(state->dpiColours[3 * i + 1], ColourGreen(p.dpiColour[i]));
    }
    EXPECT_EQ(state->dpiLevelCount, 6);
    auto dpi = EncodeDpiTable(p, 3311);
    EXPECT_TRUE(std::equal(dpi.begin(), dpi.end(), state->dpiTable.begin()));
    ButtonTable table = EncodeButtonTable(p, config.buttonOverrides);
    EXPECT_EQ(state->buttonTable, table.codes);
    ASSERT_EQ(table.macroBlocks.size(), 2u);
    for (size_t k = 0; k < 10; ++k) {
        if (k < table.macroBlocks.size()) {
            ASSERT_TRUE(state->macroBlocks[k].has_value()) << "block " << k + 1;
            EXPECT_EQ(*state->macroBlocks[k], table.macroBlocks[k]);
        } else {
            EXPECT_FALSE(state->macroBlocks[k].has_value()) << "block " << k + 1;
        }
    }
    EXPECT_EQ(state->liftOff, 30);
    EXPECT_EQ(state->keyResponse, 8);
    EXPECT_EQ(state->highDpiMask, HighDpiMask(p, 3311));
    EXPECT_NE(state->highDpiMask, 0);
    EXPECT_EQ(state->closingCount, 1u);
    EXPECT_EQ(state->refusedCount, 0u);
    EXPECT_EQ(host.finished, std::vector<int>{0});
}

TEST_F(SimFixture, NoticesFromTheMouseChangeTheProfileAndSaveIt) {
    MakeLink();
    link->StartUp();
    ASSERT_TRUE(SimPress(sim.SocketPath(), SimButton::Dpi, 2));
    ASSERT_TRUE(host.Pump(*link, [&] { return host.saves >= 1; }));
    EXPECT_EQ(host.profile.currentDpiLevel, 1);
    EXPECT_EQ(host.popups, std::vector<int>{host.profile.dpiValue[1]});
    ASSERT_TRUE(SimPress(sim.SocketPath(), SimButton::Rate, 1));
    ASSERT_TRUE(host.Pump(*link, [&] { return host.saves >= 2; }));
    EXPECT_EQ(host.profile.reportRateIndex, 3);
    ASSERT_TRUE(SimPress(sim.SocketPath(), SimButton::Mode, 1));
    ASSERT_TRUE(host.Pump(*link, [&] { return host.saves >= 3; }));
    EXPECT_EQ(host.profile.buttonMode, 0);
}

TEST_F(SimFixture, UnplugAndPlugArriveAsDeviceChanges) {
    MakeLink();
    link->StartUp();
    ASSERT_TRUE(SimUnplug(sim.SocketPath()));
    ASSERT_TRUE(host.Pump(*link, [&] { return host.hides == 1; }));
    EXPECT_FALSE(link->CanShowWindow());
    ASSERT_TRUE(SimPlug(sim.SocketPath()));
    ASSERT_TRUE(host.Pump(*link, [&] { return !host.timers.empty(); }));
    host.FireTimers();
    EXPECT_TRUE(link->CanShowWindow());
    EXPECT_EQ(host.deviceChanges, (std::vector<int>{0, 1}));
}

TEST_F(SimFixture, AnUnplugDuringAnApplyNeitherHangsNorStopsIt) {
    std::atomic<int> pauses{0};
    std::string socket = sim.SocketPath();
    MakeLink([&](int) {
        if (++pauses == 10) {
            SimUnplug(socket);
        }
    });
    link->StartUp();
    ASSERT_TRUE(ApplyAndWait());
    std::optional<SimState> state = SimGetState(socket);
    ASSERT_TRUE(state.has_value());
    EXPECT_FALSE(state->plugged);
    EXPECT_EQ(state->closingCount, 0u) << "the closing command came after the unplug";
    // The removal reaches the link, which closes the channels.
    ASSERT_TRUE(host.Pump(*link, [&] { return host.hides == 1; }));
}

TEST_F(SimFixture, ARefusedReportOnlySkipsItsOwnPause) {
    std::vector<int> normal, faulty;
    std::vector<int>* into = &normal;
    MakeLink([&](int ms) { into->push_back(ms); });
    link->StartUp();
    link->Worker()->WaitIdle();  // the start-up sync
    normal.clear();
    ASSERT_TRUE(ApplyAndWait());
    into = &faulty;
    ASSERT_TRUE(SimFailCommand(sim.SocketPath(), SimCall::SetFeature, 0x0C));
    ASSERT_TRUE(ApplyAndWait());
    ASSERT_EQ(faulty.size() + 1, normal.size());
    // The pause after the fixed colour (the fifth 20 ms pause) is the one missing.
    std::vector<int> expected = normal;
    expected.erase(expected.begin() + 4);
    EXPECT_EQ(faulty, expected);
    std::optional<SimState> state = SimGetState(sim.SocketPath());
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(state->closingCount, 2u) << "every other report still went out";
}

}  // namespace
}  // namespace mouse

#endif
