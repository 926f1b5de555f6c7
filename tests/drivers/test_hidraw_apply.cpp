// The hidraw transport's own code driven through the HidApi stand-in: a
// whole apply reaches the firmware in both framings exactly as it reaches
// the virtual mouse over the socket, and a mouse whose nodes do not fit is
// left alone.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>

#include "device/apply.h"
#include "device/records.h"
#include "drivers/sim/sim_client.h"
#include "drivers/sim/sim_process.h"
#include "drivers/transport.h"
#include "performance/pointer_settings.h"
#include "store/data_ini.h"
#include "tests/drivers/driver_support.h"
#include "tests/drivers/fake_hidapi.h"
#include "tests/drivers/sample_descriptors.h"

namespace mouse::test {
namespace {

// The apply's three calls on any channel pair.
template <typename Set, typename Get, typename Write>
class CallIo final : public DeviceIo {
public:
    CallIo(Set s, Get g, Write w) : set_(s), get_(g), write_(w) {}
    int SetFeature(uint8_t* r, int) override { return set_(r); }
    int GetFeature(uint8_t* b, int) override { return get_(b); }
    int WriteUSB(uint8_t* r, int) override { return write_(r); }

private:
    Set set_;
    Get get_;
    Write write_;
};

// A profile that reaches every block: a DPI table of the 3311 sensor, a
// level count and an active level of their own, colours.
void ApplyTo(DeviceIo& io) {
    auto current = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*current, 3311);
    current->dpiLevelCount = 5;
    current->currentDpiLevel = 3;
    auto last = std::make_unique<ProfileRecord>(*current);
    NoPointerSettings pointer;
    const DeviceConfig config = ParseDeviceConfig("[Default]\nSensor=3311\n");
    ApplyConfiguration(
        io, [](int) {}, pointer, *current, *last, config);
}

std::vector<FakeNode> MouseNodes(std::string_view vendor) {
    return {{"/dev/hidraw4", 0, 0x01, 0x02, FromHex(kPlainMouse), true, false},
            {"/dev/hidraw5", 1, 0x01, 0x06, FromHex(kKeyboard), true, false},
            {"/dev/hidraw6", 2, 0xFF00, 0x01, FromHex(vendor), true, true}};
}

// The state the virtual mouse holds after the same apply over the socket.
SimState OverTheSocket() {
    SimProcess sim;
    EXPECT_TRUE(sim.Start(kSimPath, {})) << sim.Error();
    setenv("MOUSE_SIM_SOCKET", sim.SocketPath().c_str(), 1);
    {
        DriverLib lib;
        EXPECT_TRUE(lib.Ok()) << lib.Error();
        lib.setVidPid(0x04D9, 0xA09F);
        lib.openFeature();
        lib.openReport();
        CallIo io([&](uint8_t* r) { return lib.setFeature(r, 8); },
                  [&](uint8_t* b) { return lib.getFeature(b, 8); },
                  [&](uint8_t* r) { return lib.writeUsb(r, 32); });
        ApplyTo(io);
    }
    unsetenv("MOUSE_SIM_SOCKET");
    return SimGetState(sim.SocketPath()).value_or(SimState{});
}

TEST(HidrawTransport, WholeApplyMatchesTheSocketInBothFramings) {
    const SimState expected = OverTheSocket();
    ASSERT_EQ(expected.closingCount, 1u);
    ASSERT_EQ(expected.refusedCount, 0u);
    for (const auto& [shape, vendor] :
         {std::pair{"unnumbered", kVendorUnnumbered}, {"numbered", kVendorNumbered}}) {
        SimMouse mouse{SimState{}};
        FakeHidApi api(MouseNodes(vendor), mouse);
        auto transport = driver::MakeHidTransport(api);
        ASSERT_EQ(transport->OpenFeature(0x04D9, 0xA09F), 1) << shape;
        ASSERT_EQ(transport->OpenReport(0x04D9, 0xA09F), 1) << shape;
        CallIo io([&](uint8_t* r) { return transport->SetFeature(r); },
                  [&](uint8_t* b) { return transport->GetFeature(b); },
                  [&](uint8_t* r) { return transport->WriteUsb(r); });
        ApplyTo(io);
        EXPECT_TRUE(api.violations.empty()) << shape << ": " << api.violations.front();
        EXPECT_EQ(mouse.State(), expected) << shape << "\n"
                                           << FormatSimState(mouse.State()) << "\nexpected\n"
                                           << FormatSimState(expected);
        // A few fields as literal bytes: 5 levels, level 4 active, one closing.
        EXPECT_EQ(mouse.State().dpiLevelCount, 5) << shape;
        EXPECT_EQ(mouse.State().dpiLevel, 4) << shape;
        EXPECT_EQ(mouse.State().closingCount, 1u) << shape;
    }
}

TEST(HidrawTransport, ChoosesNodesFromDescriptorsOrRefusesTheMouse) {
    struct Case {
        const char* what;
        std::vector<FakeNode> nodes;
        bool opens;
    } cases[] = {
        {"no node fits",
         {{"/dev/hidraw4", 0, 0x01, 0x02, FromHex(kPlainMouse), true, false},
          {"/dev/hidraw5", 1, 0xFF00, 0x01, FromHex(kComposite), true, true}},
         false},
        // No descriptor readable: the usage page decides, reports without id.
        {"fallback", {{"/dev/hidraw6", 2, 0xFF00, 0x01, std::nullopt, true, true}}, true},
        {"not openable",
         {{"/dev/hidraw6", 2, 0xFF00, 0x01, FromHex(kVendorUnnumbered), false, true}},
         false},
    };
    for (Case& c : cases) {
        SimMouse mouse{SimState{}};
        FakeHidApi api(c.nodes, mouse);
        auto transport = driver::MakeHidTransport(api);
        EXPECT_EQ(transport->OpenFeature(0x04D9, 0xA09F), c.opens ? 1 : 0) << c.what;
        EXPECT_EQ(transport->OpenReport(0x04D9, 0xA09F), c.opens ? 1 : 0) << c.what;
        Feature version = MakeFeature(0x80);
        EXPECT_EQ(transport->SetFeature(version.data()), c.opens ? 1 : 0) << c.what;
        EXPECT_EQ(api.exchanges, c.opens ? 1 : 0) << c.what;
        EXPECT_TRUE(api.violations.empty()) << c.what;
    }
}

}  // namespace
}  // namespace mouse::test
