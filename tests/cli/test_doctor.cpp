// mousectl doctor: against the virtual mouse (the built program), and in
// process against hidraw nodes of the hidapi stand-in, one of which this
// user may not open.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/doctor.h"
#include "drivers/sim/sim_process.h"
#include "tests/cli/mousectl_fixture.h"
#include "tests/drivers/fake_hidapi.h"
#include "tests/drivers/sample_descriptors.h"

namespace mouse {
namespace {

class DoctorSimTest : public MousectlTest {
protected:
    void SetUp() override {
        MousectlTest::SetUp();
        ASSERT_TRUE(sim.Start(MOUSE_APP_DIR "/mouse-sim", {"--version", "2.7"})) << sim.Error();
        simSocket = sim.SocketPath();
    }
    SimProcess sim;
};

TEST_F(DoctorSimTest, ReadsTheVersionOfTheVirtualMouseAndWritesNothing) {
    const RunResult text = Run({"doctor"});
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("version read via virtual mouse at " + simSocket), std::string::npos)
        << text.out;
    // The 0x80 request with its checksum, then the read that answers it.
    EXPECT_NE(text.out.find("sent     80 00 00 00 00 00 00 7f"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("firmware 2.7"), std::string::npos) << text.out;

    const RunResult json = Run({"doctor", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const auto doc = nlohmann::json::parse(json.out);
    EXPECT_EQ(doc["exchange"]["firmware"], "2.7");
    EXPECT_EQ(doc["sim_socket"], simSocket);
    EXPECT_EQ(doc["vendor"], 0x04D9);
}

TEST(DoctorHidraw, TellsWhichNodeCannotBeOpenedAndReadsTheOther) {
    SimMouse mouse{SimState{}};
    test::FakeHidApi api(
        {{"/dev/hidraw4", 0, 0x01, 0x02, test::FromHex(test::kPlainMouse), false, false},
         {"/dev/hidraw6", 2, 0xFF00, 0x01, test::FromHex(test::kVendorNumbered), true, true}},
        mouse);
    const cli::DoctorReport report = cli::ExamineHidraw(api, 0x04D9, 0xA09F);
    std::ostringstream text;
    cli::PrintDoctor(report, text);
    const std::string out = text.str();
    for (const char* expected : {
             "/dev/hidraw4 (interface 0)\n  collection: usage page 0001, usage 0002\n"
             "  open: no, Permission denied\n  fix: install the udev rule",
             "no id: input 4",
             "/dev/hidraw6 (interface 2)",
             "id 0x80: feature 7",
             "choice: feature reports on /dev/hidraw6 (numbered reports), output reports on "
             "/dev/hidraw6 (numbered reports)",
             // Numbered: the request goes as it stands, the reply's id is its first byte.
             "version read via /dev/hidraw6\n  sent     80 00 00 00 00 00 00 7f\n"
             "  sent     80 00 00 00 00 00 00 00\n  received 80 01 00 00 00 00 00 7e\n"
             "  firmware 1.0",
         }) {
        EXPECT_NE(out.find(expected), std::string::npos) << expected << "\n---\n" << out;
    }
    EXPECT_TRUE(api.violations.empty());
    EXPECT_EQ(mouse.State().acceptedCount, 2u);  // the request and the read, nothing else
    const auto doc = nlohmann::json::parse(cli::DoctorJson(report));
    EXPECT_EQ(doc["nodes"][0]["may_open"], false);
    EXPECT_EQ(doc["choice"]["feature_framing"], "numbered");
}

}  // namespace
}  // namespace mouse
