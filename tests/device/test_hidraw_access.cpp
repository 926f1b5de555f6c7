// A mouse that is plugged in but closed to this user, in a sysfs and /dev
// tree of a temporary folder; the access check is the test's (the tests run
// as root, for whom a mode of 000 opens all the same).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>

#include "device/hidraw_access.h"

namespace mouse {
namespace {

namespace fs = std::filesystem;

class HidrawTree : public testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("hidraw-tree-" + std::to_string(getpid()));
        fs::remove_all(root_);
    }
    void TearDown() override { fs::remove_all(root_); }

    void Node(const std::string& name, const std::string& hidId) {
        fs::create_directories(root_ / "sys/class/hidraw" / name / "device");
        std::ofstream(root_ / "sys/class/hidraw" / name / "device/uevent")
            << "DRIVER=hid-generic\nHID_ID=" << hidId << "\nHID_NAME=Mouse\n";
    }

    HidrawAccess Probe(const std::map<std::string, int>& errors) {
        return ProbeHidraw(0x04D9, 0xA09F, root_ / "sys", root_ / "dev",
                           [&](const std::string& device) {
                               const auto it = errors.find(fs::path(device).filename().string());
                               return it == errors.end() ? 0 : it->second;
                           });
    }

    fs::path root_;
};

TEST_F(HidrawTree, APluggedMouseClosedToTheUserIsToldWithTheCommandsThatOpenIt) {
    Node("hidraw0", "0003:0000046D:0000C077");  // another mouse
    Node("hidraw3", "0003:000004D9:0000A09F");
    Node("hidraw4", "0003:000004d9:0000a09f");
    struct Case {
        const char* what;
        std::map<std::string, int> errors;
        bool blocked;
    } cases[] = {
        {"both nodes open", {}, false},
        {"one node open", {{"hidraw3", EACCES}}, false},
        {"no node open", {{"hidraw3", EACCES}, {"hidraw4", EACCES}}, true},
    };
    for (const Case& c : cases) {
        const HidrawAccess access = Probe(c.errors);
        ASSERT_EQ(access.nodes.size(), 2u) << c.what;
        EXPECT_EQ(access.nodes[0].device, (root_ / "dev/hidraw3").string()) << c.what;
        EXPECT_EQ(access.Blocked(), c.blocked) << c.what;
    }
    const HidrawAccess blocked = Probe({{"hidraw3", EACCES}, {"hidraw4", EACCES}});
    const std::string text = DescribeBlockedMouse(blocked, 0x04D9, 0xA09F, {root_ / "rules"});
    EXPECT_NE(text.find("The mouse is connected, but you may not open it (" +
                        (root_ / "dev/hidraw3").string() + ": Permission denied, "),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("echo 'KERNEL==\"hidraw*\", ATTRS{idVendor}==\"04d9\", "
                        "ATTRS{idProduct}==\"a09f\", TAG+=\"uaccess\"' | sudo tee "
                        "/etc/udev/rules.d/70-mouse-driver.rules\n"
                        "sudo udevadm control --reload\n"
                        "sudo udevadm trigger --subsystem-match=hidraw\n"),
              std::string::npos)
        << text;
    // With the rule installed only the reload and the trigger remain.
    fs::create_directories(root_ / "rules");
    std::ofstream(root_ / "rules" / kUdevRuleFile) << "rule";
    EXPECT_EQ(PermissionFixCommands(0x04D9, 0xA09F, {root_ / "rules"}),
              "sudo udevadm control --reload\nsudo udevadm trigger --subsystem-match=hidraw\n");
    // No node of the mouse: not present, nothing blocked.
    EXPECT_FALSE(ProbeHidraw(0x1234, 0x5678, root_ / "sys", root_ / "dev").Present());
}

}  // namespace
}  // namespace mouse
