#include "device/hidraw_access.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string_view>

#include "drivers/hid_rules.h"

namespace mouse {

namespace {

// The node's hid device names its vendor and product in HID_ID, e.g.
// "HID_ID=0003:000004D9:0000A09F".
bool UeventMatches(const std::filesystem::path& uevent, int vid, int pid) {
    std::ifstream in(uevent);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("HID_ID=", 0) == 0) {
            const auto ids = hid::ParseHidId(std::string_view(line).substr(7));
            return ids && ids->vid == vid && ids->pid == pid;
        }
    }
    return false;
}

int SystemAccess(const std::string& device) {
    return access(device.c_str(), R_OK | W_OK) == 0 ? 0 : errno;
}

}  // namespace

bool HidrawAccess::Blocked() const {
    return Present() &&
           std::none_of(nodes.begin(), nodes.end(), [](const HidrawNode& n) { return n.mayOpen; });
}

HidrawAccess ProbeHidraw(int vid, int pid, const std::filesystem::path& sysRoot,
                         const std::filesystem::path& devRoot, const AccessCheck& check) {
    HidrawAccess result;
    std::error_code ec;
    std::filesystem::directory_iterator it(sysRoot / "class/hidraw", ec);
    if (ec) {
        return result;
    }
    std::vector<std::string> names;
    for (const auto& entry : it) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("hidraw", 0) == 0 &&
            UeventMatches(entry.path() / "device/uevent", vid, pid)) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        HidrawNode node;
        node.device = (devRoot / name).string();
        const int error = check ? check(node.device) : SystemAccess(node.device);
        node.mayOpen = error == 0;
        if (!node.mayOpen) {
            node.problem = std::strerror(error);
        }
        result.nodes.push_back(std::move(node));
    }
    return result;
}

std::string PermissionFixCommands(int vid, int pid,
                                  const std::vector<std::filesystem::path>& rulesFolders) {
    std::error_code ec;
    const bool installed =
        std::any_of(rulesFolders.begin(), rulesFolders.end(), [&](const std::filesystem::path& f) {
            return std::filesystem::exists(f / kUdevRuleFile, ec);
        });
    std::string commands;
    if (!installed) {
        char rule[200];
        std::snprintf(rule, sizeof rule,
                      "echo 'KERNEL==\"hidraw*\", ATTRS{idVendor}==\"%04x\", "
                      "ATTRS{idProduct}==\"%04x\", TAG+=\"uaccess\"' | sudo tee "
                      "/etc/udev/rules.d/%s\n",
                      static_cast<unsigned>(vid), static_cast<unsigned>(pid), kUdevRuleFile);
        commands += rule;
    }
    commands +=
        "sudo udevadm control --reload\n"
        "sudo udevadm trigger --subsystem-match=hidraw\n";
    return commands;
}

std::string DescribeBlockedMouse(const HidrawAccess& access, int vid, int pid,
                                 const std::vector<std::filesystem::path>& rulesFolders) {
    std::string text = "The mouse is connected, but you may not open it (";
    for (size_t i = 0; i < access.nodes.size(); ++i) {
        text += i == 0 ? "" : ", ";
        text += access.nodes[i].device;
        text += ": ";
        text += access.nodes[i].problem;
    }
    text += "). These commands let the logged-in user open it; then plug the mouse in again:\n";
    text += PermissionFixCommands(vid, pid, rulesFolders);
    return text;
}

}  // namespace mouse
