// mousectl doctor: against the virtual mouse (the built program), and in
// process against hidraw nodes of the hidapi stand-in, one of which this
// user may not open; and the commands that read the stores.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
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
    EXPECT_EQ(text.out.rfind("session: ", 0), 0u) << text.out;

    // The session it names is the one mousectl runs in; a desktop name that
    // is not UTF-8 still gives JSON.
    setenv("XDG_SESSION_TYPE", "wayland", 1);
    setenv("XDG_CURRENT_DESKTOP", "K\xff", 1);
    const RunResult json = Run({"doctor", "--json"});
    unsetenv("XDG_SESSION_TYPE");
    unsetenv("XDG_CURRENT_DESKTOP");
    ASSERT_EQ(json.status, 0) << json.err;
    const auto doc = nlohmann::json::parse(json.out);
    EXPECT_EQ(doc["session"].get<std::string>().rfind("wayland session, desktop K\uFFFD", 0), 0u)
        << doc["session"];
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

namespace mouse {
namespace {

// status, profile list and dpi get read the stores of the program folder
// mousectl belongs to: beside it when the folder is portable, else in the
// user's data folder. A copy of mousectl in a folder of the test's own.
TEST_F(MousectlTest, StatusAndListsReadTheStoresOfItsProgramFolder) {
    namespace fs = std::filesystem;
    const fs::path program = dir / "app";
    fs::create_directories(program);
    fs::copy_file(MOUSECTL_PATH, program / "mousectl");
    auto first = std::make_unique<ProfileRecord>();
    auto second = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*first, 3311);
    MakeDefaultRecord(*second, 3311);
    WriteText(first->name, u"Office");
    WriteText(second->name, u"Géant");
    second->currentDpiLevel = 2;
    second->dpiLevelCount = 4;
    for (bool portable : {true, false}) {
        SCOPED_TRACE(portable ? "portable" : "installed");
        const fs::path stores = portable ? program / "Data" : dir / "data/mouse-driver";
        fs::remove(program / "portable");
        if (portable) {
            std::ofstream(program / "portable") << "marker";
        }
        setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        fs::create_directories(stores);
        std::ofstream profiles(stores / "profile.bin", std::ios::binary);
        profiles.write(reinterpret_cast<const char*>(first.get()), sizeof(ProfileRecord));
        profiles.write(reinterpret_cast<const char*>(second.get()), sizeof(ProfileRecord));
        profiles.close();
        const int32_t index[2] = {1, 0};
        std::ofstream(stores / "Data.bin", std::ios::binary)
            .write(reinterpret_cast<const char*>(index), sizeof index);

        // Appended piece by piece: GCC 12 warns falsely on chains of operator+.
        std::string ctl = "'";
        ctl += (program / "mousectl").string();
        ctl += "' ";
        auto run = [&](const std::string& args) {
            const std::string out = (dir / "out.txt").string();
            std::string command = ctl;
            command += args;
            command += " >'";
            command += out;
            command += "'";
            EXPECT_EQ(std::system(command.c_str()), 0) << args;
            return ReadFileText(out);
        };
        EXPECT_EQ(run("profile list"), "  1 Office\n* 2 Géant\n");
        EXPECT_EQ(run("dpi get"), "3 of 4\n");
        std::string storesLine = "stores: ";
        storesLine += stores.string();
        EXPECT_NE(run("status").find(storesLine + '\n'), std::string::npos);
        const auto list = nlohmann::json::parse(run("profile list --json"));
        EXPECT_EQ(list["current"], 2);
        EXPECT_EQ(list["profiles"][1]["name"], "Géant");
        const auto status = nlohmann::json::parse(run("status --json"));
        EXPECT_EQ(status["running"], false);
        EXPECT_EQ(status["profiles"], 2);
        EXPECT_EQ(status["dpi"]["level"], 3);
        EXPECT_EQ(status["current"]["name"], "Géant");
        unsetenv("XDG_DATA_HOME");
    }
}

}  // namespace
}  // namespace mouse
