#include "drivers/report_descriptor.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>

namespace mouse::hid {

namespace {

enum ItemType : uint8_t { kMain = 0, kGlobal = 1, kLocal = 2, kReserved = 3 };

// Main item tags.
constexpr uint8_t kInput = 0x8;
constexpr uint8_t kOutput = 0x9;
constexpr uint8_t kCollection = 0xA;
constexpr uint8_t kFeature = 0xB;
constexpr uint8_t kEndCollection = 0xC;
// Global item tags.
constexpr uint8_t kUsagePage = 0x0;
constexpr uint8_t kReportSize = 0x7;
constexpr uint8_t kReportId = 0x8;
constexpr uint8_t kReportCount = 0x9;
constexpr uint8_t kPush = 0xA;
constexpr uint8_t kPop = 0xB;
// Local item tags.
constexpr uint8_t kUsage = 0x0;
// The prefix of a long item (none is defined by HID, so none is taken).
constexpr uint8_t kLongItem = 0xFE;

struct Globals {
    unsigned usagePage = 0;
    unsigned reportSize = 0;
    unsigned reportCount = 0;
    uint8_t reportId = 0;
};

struct Bits {
    size_t input = 0;
    size_t output = 0;
    size_t feature = 0;
};

std::string At(size_t offset, const char* what) {
    char text[96];
    std::snprintf(text, sizeof text, "offset %zu: %s", offset, what);
    return text;
}

size_t Bytes(size_t bits) {
    return (bits + 7) / 8;
}

}  // namespace

const ReportSizes* ReportDescriptor::Find(uint8_t id) const {
    for (const ReportSizes& r : reports) {
        if (r.id == id) {
            return &r;
        }
    }
    return nullptr;
}

DescriptorResult ParseReportDescriptor(std::span<const uint8_t> bytes) {
    DescriptorResult result;
    auto fail = [&](size_t offset, const char* what) {
        result.ok = false;
        result.error = At(offset, what);
        result.descriptor = {};
        return result;
    };
    if (bytes.empty()) {
        return fail(0, "the descriptor is empty");
    }
    if (bytes.size() > kMaxDescriptorBytes) {
        return fail(0, "the descriptor is longer than 4096 bytes");
    }

    Globals globals;
    std::vector<Globals> stack;
    size_t depth = 0;
    bool haveUsage = false;
    unsigned firstUsage = 0;  // the first Usage since the last main item, page in the high half
    bool unnumberedMain = false;
    std::map<uint8_t, Bits> bits;
    ReportDescriptor& d = result.descriptor;

    size_t pos = 0;
    while (pos < bytes.size()) {
        const size_t at = pos;
        const uint8_t prefix = bytes[pos++];
        if (prefix == kLongItem) {
            return fail(at, "long item");
        }
        static constexpr std::array<size_t, 4> kSizes = {0, 1, 2, 4};
        const size_t size = kSizes[prefix & 3];
        if (bytes.size() - pos < size) {
            return fail(at, "the item runs past the end");
        }
        uint32_t value = 0;
        for (size_t i = 0; i < size; ++i) {
            value |= static_cast<uint32_t>(bytes[pos + i]) << (8 * i);
        }
        pos += size;
        const auto type = static_cast<ItemType>((prefix >> 2) & 3);
        const uint8_t tag = prefix >> 4;

        switch (type) {
            case kMain: {
                if (tag == kInput || tag == kOutput || tag == kFeature) {
                    if (globals.reportId == 0) {
                        unnumberedMain = true;
                    }
                    if (unnumberedMain && !bits.empty() && bits.rbegin()->first != 0) {
                        return fail(at, "reports with and without an id");
                    }
                    Bits& b = bits[globals.reportId];
                    size_t& target = tag == kInput    ? b.input
                                     : tag == kOutput ? b.output
                                                      : b.feature;
                    target += static_cast<size_t>(globals.reportSize) * globals.reportCount;
                    if (Bytes(target) > kMaxReportBytes) {
                        return fail(at, "a report is larger than 16384 bytes");
                    }
                } else if (tag == kCollection) {
                    if (depth == kMaxCollectionDepth) {
                        return fail(at, "collections nested too deep");
                    }
                    if (depth == 0) {
                        const unsigned usage = haveUsage ? firstUsage : 0;
                        d.collections.push_back(
                            {usage > 0xFFFF ? usage >> 16 : globals.usagePage, usage & 0xFFFF});
                    }
                    ++depth;
                } else if (tag == kEndCollection) {
                    if (depth == 0) {
                        return fail(at, "end of a collection that was not opened");
                    }
                    --depth;
                }
                // Other main tags are reserved; like the kernel, skip them.
                haveUsage = false;
                break;
            }
            case kGlobal:
                switch (tag) {
                    case kUsagePage:
                        globals.usagePage = value & 0xFFFF;
                        break;
                    case kReportSize:
                        if (value > kMaxReportSizeBits) {
                            return fail(at, "report size above 256 bits");
                        }
                        globals.reportSize = value;
                        break;
                    case kReportCount:
                        if (value > kMaxReportCount) {
                            return fail(at, "report count above 12288");
                        }
                        globals.reportCount = value;
                        break;
                    case kReportId:
                        if (value == 0 || value > 0xFF) {
                            return fail(at, "report id outside 1 to 255");
                        }
                        if (unnumberedMain) {
                            return fail(at, "reports with and without an id");
                        }
                        globals.reportId = static_cast<uint8_t>(value);
                        break;
                    case kPush:
                        if (stack.size() == kMaxGlobalStack) {
                            return fail(at, "push nested too deep");
                        }
                        stack.push_back(globals);
                        break;
                    case kPop:
                        if (stack.empty()) {
                            return fail(at, "pop without push");
                        }
                        globals = stack.back();
                        stack.pop_back();
                        break;
                    default:
                        // Logical and physical ranges, units: no bearing on framing.
                        if (tag > kPop) {
                            return fail(at, "unknown global item");
                        }
                        break;
                }
                break;
            case kLocal:
                if (tag == kUsage && !haveUsage) {
                    haveUsage = true;
                    firstUsage = value;
                }
                break;
            case kReserved:
                // Reserved item types carry nothing the framing needs.
                break;
        }
    }
    if (depth != 0) {
        return fail(bytes.size(), "a collection is not closed");
    }
    if (bits.empty()) {
        return fail(bytes.size(), "no report is declared");
    }
    d.numbered = !unnumberedMain;
    for (const auto& [id, b] : bits) {
        d.reports.push_back({id, Bytes(b.input), Bytes(b.output), Bytes(b.feature)});
    }
    result.ok = true;
    return result;
}

std::string DescribeReports(const ReportDescriptor& d) {
    std::string text;
    char line[128];
    for (const ReportSizes& r : d.reports) {
        if (d.numbered) {
            std::snprintf(line, sizeof line, "id 0x%02x:", r.id);
        } else {
            std::snprintf(line, sizeof line, "no id:");
        }
        text += line;
        const std::pair<const char*, size_t> kinds[] = {
            {"input", r.input}, {"output", r.output}, {"feature", r.feature}};
        const char* sep = " ";
        for (const auto& [name, size] : kinds) {
            if (size != 0) {
                std::snprintf(line, sizeof line, "%s%s %zu", sep, name, size);
                text += line;
                sep = ", ";
            }
        }
        text += '\n';
    }
    for (const TopCollection& c : d.collections) {
        std::snprintf(line, sizeof line, "collection: usage page 0x%04x, usage 0x%04x\n",
                      c.usagePage, c.usage);
        text += line;
    }
    return text;
}

NodeFit FitProtocol(const ReportDescriptor& d, size_t featureSize, size_t outputSize) {
    NodeFit fit;
    fit.framing = d.numbered ? Framing::Numbered : Framing::Unnumbered;
    // A numbered report's id is the protocol's first byte, so its payload
    // is one byte shorter than the protocol's report.
    const size_t idBytes = d.numbered ? 1 : 0;
    fit.feature = std::any_of(d.reports.begin(), d.reports.end(), [&](const ReportSizes& r) {
        return r.feature + idBytes == featureSize;
    });
    fit.output = std::any_of(d.reports.begin(), d.reports.end(), [&](const ReportSizes& r) {
        return r.output + idBytes == outputSize;
    });
    return fit;
}

}  // namespace mouse::hid
