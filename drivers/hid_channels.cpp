#include "drivers/hid_channels.h"

#include <algorithm>
#include <string_view>

#include "drivers/hid_rules.h"

namespace mouse::hid {

namespace {

const char* FramingText(Framing f) {
    return f == Framing::Numbered ? "numbered reports" : "reports without id";
}

// "/dev/hidraw3 (no id: input 4; collection: ...)" on one line.
// (Built with append: GCC 12 warns falsely on chains of string operator+.)
std::string NodeSummary(const NodeReport& n) {
    std::string text = n.path;
    text += " (";
    if (!n.descriptorRead) {
        text += "descriptor not readable";
    } else if (!n.parsed.ok) {
        text += "descriptor refused: ";
        text += n.parsed.error;
    } else {
        std::string sizes = DescribeReports(n.parsed.descriptor);
        while (!sizes.empty() && sizes.back() == '\n') {
            sizes.pop_back();
        }
        for (const char c : sizes) {
            text += c == '\n' ? std::string_view("; ") : std::string_view(&c, 1);
        }
    }
    text += ')';
    return text;
}

std::vector<NodeReport> GroupNodes(std::span<const HidEntry> entries,
                                   const DescriptorReader& read) {
    std::vector<NodeReport> nodes;
    for (const HidEntry& e : entries) {
        auto it = std::find_if(nodes.begin(), nodes.end(),
                               [&](const NodeReport& n) { return n.path == e.path; });
        if (it == nodes.end()) {
            NodeReport n;
            n.path = e.path;
            n.interfaceNumber = e.interfaceNumber;
            if (const auto bytes = read(e.path)) {
                n.descriptorRead = true;
                n.parsed = ParseReportDescriptor(*bytes);
                if (n.parsed.ok) {
                    n.fit = FitProtocol(n.parsed.descriptor, kFeatureSize, kDataSize);
                }
            }
            nodes.push_back(std::move(n));
            it = std::prev(nodes.end());
        }
        it->usages.emplace_back(e.usagePage, e.usage);
    }
    return nodes;
}

ChannelChoice ByUsagePage(std::span<const HidEntry> entries, ChannelChoice choice) {
    std::vector<InterfaceRecord> records;
    for (const HidEntry& e : entries) {
        records.push_back({e.usagePage, e.usage, e.interfaceNumber});
    }
    const InterfaceChoice pick = SelectInterfaces(records);
    auto nodeOf = [&](int entry) {
        const std::string& path = entries[static_cast<size_t>(entry)].path;
        for (size_t i = 0; i < choice.nodes.size(); ++i) {
            if (choice.nodes[i].path == path) {
                return static_cast<int>(i);
            }
        }
        return -1;
    };
    if (pick.feature >= 0 && pick.data >= 0) {
        choice.feature = nodeOf(pick.feature);
        choice.data = nodeOf(pick.data);
        choice.reason =
            "no report descriptor could be read: chose by usage page, reports without id";
    } else {
        choice.reason = "the mouse has no hidraw node";
    }
    return choice;
}

}  // namespace

Framing ChannelChoice::FeatureFraming() const {
    return feature >= 0 && nodes[static_cast<size_t>(feature)].parsed.ok
               ? nodes[static_cast<size_t>(feature)].fit.framing
               : Framing::Unnumbered;
}

Framing ChannelChoice::DataFraming() const {
    return data >= 0 && nodes[static_cast<size_t>(data)].parsed.ok
               ? nodes[static_cast<size_t>(data)].fit.framing
               : Framing::Unnumbered;
}

const ReportDescriptor* ChannelChoice::FeatureDescriptor() const {
    return feature >= 0 && nodes[static_cast<size_t>(feature)].parsed.ok
               ? &nodes[static_cast<size_t>(feature)].parsed.descriptor
               : nullptr;
}

ChannelChoice ChooseChannels(std::span<const HidEntry> entries, const DescriptorReader& read) {
    ChannelChoice choice;
    choice.nodes = GroupNodes(entries, read);
    const bool anyRead = std::any_of(choice.nodes.begin(), choice.nodes.end(),
                                     [](const NodeReport& n) { return n.descriptorRead; });
    if (!anyRead) {
        return ByUsagePage(entries, std::move(choice));
    }
    choice.fromDescriptors = true;
    const auto& nodes = choice.nodes;
    for (size_t i = 0; i < nodes.size(); ++i) {
        const NodeReport& n = nodes[i];
        if (n.parsed.ok && n.fit.feature &&
            (choice.feature < 0 ||
             n.interfaceNumber < nodes[static_cast<size_t>(choice.feature)].interfaceNumber)) {
            choice.feature = static_cast<int>(i);
        }
    }
    for (size_t i = 0; i < nodes.size(); ++i) {
        const NodeReport& n = nodes[i];
        if (!n.parsed.ok || !n.fit.output || static_cast<int>(i) == choice.feature ||
            (choice.feature >= 0 &&
             n.interfaceNumber == nodes[static_cast<size_t>(choice.feature)].interfaceNumber)) {
            continue;
        }
        if (choice.data < 0 ||
            n.interfaceNumber > nodes[static_cast<size_t>(choice.data)].interfaceNumber) {
            choice.data = static_cast<int>(i);
        }
    }
    if (choice.data < 0 && choice.feature >= 0 &&
        nodes[static_cast<size_t>(choice.feature)].fit.output) {
        choice.data = choice.feature;
    }
    if (!choice.Ok()) {
        choice.feature = choice.data = -1;
        choice.reason = "no interface takes 8-byte feature and 32-byte output reports:";
        for (const NodeReport& n : nodes) {
            choice.reason += ' ';
            choice.reason += NodeSummary(n);
        }
        return choice;
    }
    const NodeReport& f = nodes[static_cast<size_t>(choice.feature)];
    const NodeReport& d = nodes[static_cast<size_t>(choice.data)];
    for (const auto& [what, n] :
         {std::pair{"feature reports on ", &f}, {"output reports on ", &d}}) {
        choice.reason += choice.reason.empty() ? "" : ", ";
        choice.reason += what;
        choice.reason += n->path;
        choice.reason += " (";
        choice.reason += FramingText(n->fit.framing);
        choice.reason += ')';
    }
    return choice;
}

std::optional<std::vector<uint8_t>> FrameFeature(Framing framing, const ReportDescriptor* d,
                                                 std::span<const uint8_t> report) {
    if (framing == Framing::Unnumbered) {
        return FrameReport(report);
    }
    if (report.empty() || d == nullptr) {
        return std::nullopt;
    }
    const ReportSizes* sizes = d->Find(report[0]);
    if (sizes == nullptr || sizes->feature + 1 != report.size()) {
        return std::nullopt;
    }
    return std::vector<uint8_t>(report.begin(), report.end());
}

std::vector<uint8_t> FrameOutput(Framing framing, std::span<const uint8_t> report) {
    if (framing == Framing::Unnumbered) {
        return FrameReport(report);
    }
    return {report.begin(), report.end()};
}

bool TakeFeatureReply(Framing framing, uint8_t requestId, std::span<const uint8_t> framed,
                      int result, std::span<uint8_t> out) {
    if (framing == Framing::Unnumbered) {
        return UnframeReply(framed, result, 0, out);
    }
    // The id is the reply's first byte and part of the protocol's report.
    if (result < 0 || static_cast<size_t>(result) != out.size() || framed.size() < out.size() ||
        framed[0] != requestId) {
        return false;
    }
    std::copy_n(framed.begin(), out.size(), out.begin());
    return true;
}

}  // namespace mouse::hid
