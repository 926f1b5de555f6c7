// `mousectl doctor`: what the mouse looks like to this computer, for a bug
// report. Every hidraw node with the mouse's vendor and product, whether
// this user may open it, its report descriptor, the nodes and framing the
// device-access library would use and why, and one read-only exchange (the
// firmware version) with its raw bytes. Nothing is written to the mouse's
// settings.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "drivers/hid_api.h"
#include "drivers/hid_channels.h"

namespace mouse::cli {

// The version read, byte for byte as it crossed the channel.
struct DoctorExchange {
    std::string via;  // node path, or "virtual mouse at SOCKET"
    // In order: "sent" or "received", and the bytes (framed as they went).
    std::vector<std::pair<std::string, std::vector<uint8_t>>> steps;
    std::optional<std::pair<int, int>> version;  // major, minor
    std::string problem;                         // why there is no version
};

struct DoctorNode {
    hid::NodeReport node;
    bool mayOpen = false;
    std::string openProblem;  // e.g. "permission denied"
    std::string fix;          // what the user can do about it
};

struct DoctorReport {
    int vid = 0;
    int pid = 0;
    std::string simSocket;  // MOUSE_SIM_SOCKET, when set
    std::string session;    // the desktop session, as DescribeSession words it
    std::vector<DoctorNode> nodes;
    hid::ChannelChoice choice;
    std::optional<DoctorExchange> exchange;
};

// Looks at the hidraw nodes through `api` and, when the chosen nodes can be
// opened, reads the firmware version through the library's own transport.
DoctorReport ExamineHidraw(hid::HidApi& api, int vid, int pid);

void PrintDoctor(const DoctorReport& report, std::ostream& out);
// The same as one JSON object (stable field names, see the README).
std::string DoctorJson(const DoctorReport& report);

}  // namespace mouse::cli
