// Which hidraw nodes of the mouse carry its two channels, and how each
// frames its reports: decided from the nodes' report descriptors, or from
// their usage pages when no descriptor can be read. Pure code: the caller
// reads the descriptors.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "drivers/hid_api.h"
#include "drivers/report_descriptor.h"

namespace mouse::hid {

// One hidraw node (interface) of the mouse.
struct NodeReport {
    std::string path;
    int interfaceNumber = -1;
    std::vector<std::pair<unsigned, unsigned>> usages;  // page and usage per collection entry
    bool descriptorRead = false;
    DescriptorResult parsed;  // meaningful when descriptorRead
    NodeFit fit;              // meaningful when parsed.ok
};

struct ChannelChoice {
    std::vector<NodeReport> nodes;
    int feature = -1;  // index into nodes; -1: the mouse cannot be opened
    int data = -1;
    bool fromDescriptors = false;
    std::string reason;  // why these nodes, or why none

    bool Ok() const { return feature >= 0 && data >= 0; }
    Framing FeatureFraming() const;
    Framing DataFraming() const;
    // The descriptor of a channel's node, or null when it was not read.
    const ReportDescriptor* FeatureDescriptor() const;
};

using DescriptorReader = std::function<std::optional<std::vector<uint8_t>>(const std::string&)>;

// The rule, with descriptors:
//  * feature channel: a node that declares a feature report of 8 bytes
//    (7 after the id when it numbers its reports), the lowest interface
//    number first;
//  * data channel: a node that declares an output report of 32 bytes (31
//    after the id), on the highest interface other than the feature
//    channel's, else the feature channel's own node;
//  * nodes whose descriptor cannot be read or parsed are not candidates;
//    when no node fits either channel the mouse cannot be opened, and the
//    reason names each node with its report sizes.
// Without any readable descriptor the choice falls back to the usage pages
// (SelectInterfaces) with reports that carry no id.
ChannelChoice ChooseChannels(std::span<const HidEntry> entries, const DescriptorReader& read);

// The bytes handed to hidapi for one protocol report: behind a 0 id byte
// when the node does not number its reports, as they stand when it does.
// A numbered feature report is framed only when the node declares a
// feature report with the report's first byte as its id and the report's
// length; otherwise nullopt (the device would refuse it).
std::optional<std::vector<uint8_t>> FrameFeature(Framing framing, const ReportDescriptor* d,
                                                 std::span<const uint8_t> report);
std::vector<uint8_t> FrameOutput(Framing framing, std::span<const uint8_t> report);

// The reply of a feature read as hidapi left it in `framed` with `result`
// bytes: copied into `out` when it is whole and carries the request's id
// (0 when unnumbered, `requestId`, the request's first byte, when numbered).
bool TakeFeatureReply(Framing framing, uint8_t requestId, std::span<const uint8_t> framed,
                      int result, std::span<uint8_t> out);

}  // namespace mouse::hid
