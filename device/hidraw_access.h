// Whether the mouse is plugged in but closed to this user: the kernel lists
// its hidraw nodes (sysfs), yet none of /dev/hidrawN may be opened for
// reading and writing. The program and mousectl then tell the user the
// exact commands that open it to them instead of "no mouse".
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace mouse {

struct HidrawNode {
    std::string device;  // e.g. "/dev/hidraw3"
    bool mayOpen = false;
    std::string problem;  // why not, e.g. "Permission denied"
};

struct HidrawAccess {
    std::vector<HidrawNode> nodes;  // the mouse's nodes, by vendor and product

    bool Present() const { return !nodes.empty(); }
    // Present, and no node may be opened for lack of permission.
    bool Blocked() const;
};

// errno of opening `device` for reading and writing, 0 when it may be
// opened; the default asks access(2).
using AccessCheck = std::function<int(const std::string& device)>;

// Reads /sys/class/hidraw/*/device/uevent (HID_ID=bus:vendor:product) under
// `sysRoot` and checks /dev/<node> under `devRoot`.
HidrawAccess ProbeHidraw(int vid, int pid, const std::filesystem::path& sysRoot = "/sys",
                         const std::filesystem::path& devRoot = "/dev",
                         const AccessCheck& check = nullptr);

// The commands that give the logged-in user the mouse's nodes: the udev
// rule (written when no copy of it is installed under `rulesFolders`), a
// reload and a trigger. One command a line, ready to paste into a terminal.
std::string PermissionFixCommands(int vid, int pid,
                                  const std::vector<std::filesystem::path>& rulesFolders = {
                                      "/usr/lib/udev/rules.d", "/etc/udev/rules.d"});

// "The mouse is connected, but you may not open it (/dev/hidraw3:
// Permission denied). ..." with the commands, for mousectl and the log.
std::string DescribeBlockedMouse(const HidrawAccess& access, int vid, int pid,
                                 const std::vector<std::filesystem::path>& rulesFolders = {
                                     "/usr/lib/udev/rules.d", "/etc/udev/rules.d"});

inline constexpr const char* kUdevRuleFile = "70-mouse-driver.rules";

}  // namespace mouse
