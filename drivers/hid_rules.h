// Pure parts of the hidraw transport of the device-access library: report-id
// framing, the choice of interfaces, notice decoding and the translation of
// udev events into arrival and removal messages. No I/O happens here, so the
// rules can be checked without a device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mouse::hid {

inline constexpr size_t kFeatureSize = 8;
inline constexpr size_t kDataSize = 32;
inline constexpr unsigned kVendorUsagePageFirst = 0xFF00;

// ---- Report-id framing -----------------------------------------------------
// hidapi puts the report id in front of every feature and output report; the
// mouse has no numbered reports, so the id is 0. The framed length includes
// the id byte.

inline std::vector<uint8_t> FrameReport(std::span<const uint8_t> payload, uint8_t reportId = 0) {
    std::vector<uint8_t> framed;
    framed.reserve(payload.size() + 1);
    framed.push_back(reportId);
    framed.insert(framed.end(), payload.begin(), payload.end());
    return framed;
}

// A send (hid_send_feature_report, hid_write) succeeded when hidapi reports
// the whole framed length.
inline bool SendSucceeded(int result, size_t framedLength) {
    return result >= 0 && static_cast<size_t>(result) == framedLength;
}

// hid_get_feature_report fills `framed` (id first) and returns the number of
// bytes it holds, id included. The reply is taken only when it carries the
// expected id and at least `want` payload bytes; the payload is copied into
// `out`. Returns false for errors and short replies.
inline bool UnframeReply(std::span<const uint8_t> framed, int result, uint8_t reportId,
                         std::span<uint8_t> out) {
    if (result < 1 || static_cast<size_t>(result) > framed.size() || framed.empty() ||
        framed[0] != reportId) {
        return false;
    }
    const size_t payload = static_cast<size_t>(result) - 1;
    if (payload < out.size()) {
        return false;
    }
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = framed[i + 1];
    }
    return true;
}

// ---- Interface selection ---------------------------------------------------
// One record per entry of hid_enumerate for the mouse's vendor and product
// id (hidraw lists one entry per top-level collection, so an interface can
// appear more than once).
struct InterfaceRecord {
    unsigned usagePage = 0;
    unsigned usage = 0;
    int interfaceNumber = -1;
};

struct InterfaceChoice {
    int feature = -1;  // index into the list, -1 = none
    int data = -1;
};

inline bool IsVendorPage(const InterfaceRecord& r) {
    return r.usagePage >= kVendorUsagePageFirst;
}

// The rule:
//  * feature channel (8-byte feature reports): the vendor-defined collection
//    (usage page >= 0xFF00) on the lowest interface number; ties go to the
//    lower usage page, then the lower usage, then the earlier entry. Without
//    any vendor collection: the entry with the highest interface number.
//  * data channel (32-byte output reports, notice input reports): the
//    vendor collection on the highest interface number other than the
//    feature channel's; when no other interface has one, the feature
//    channel's own entry (one vendor interface serves both); without any
//    vendor collection, the entry with the highest interface number.
//  * a single entry serves both; an empty list gives none.
inline InterfaceChoice SelectInterfaces(std::span<const InterfaceRecord> list) {
    InterfaceChoice choice;
    if (list.empty()) {
        return choice;
    }
    auto highestInterface = [&]() {
        int best = 0;
        for (size_t i = 1; i < list.size(); ++i) {
            if (list[i].interfaceNumber > list[static_cast<size_t>(best)].interfaceNumber) {
                best = static_cast<int>(i);
            }
        }
        return best;
    };
    int feature = -1;
    for (size_t i = 0; i < list.size(); ++i) {
        if (!IsVendorPage(list[i])) {
            continue;
        }
        if (feature < 0) {
            feature = static_cast<int>(i);
            continue;
        }
        const InterfaceRecord& a = list[i];
        const InterfaceRecord& b = list[static_cast<size_t>(feature)];
        if (a.interfaceNumber != b.interfaceNumber ? a.interfaceNumber < b.interfaceNumber
            : a.usagePage != b.usagePage           ? a.usagePage < b.usagePage
                                                   : a.usage < b.usage) {
            feature = static_cast<int>(i);
        }
    }
    if (feature < 0) {
        choice.feature = highestInterface();
        choice.data = choice.feature;
        return choice;
    }
    choice.feature = feature;
    const int featureInterface = list[static_cast<size_t>(feature)].interfaceNumber;
    int data = -1;
    for (size_t i = 0; i < list.size(); ++i) {
        if (!IsVendorPage(list[i]) || list[i].interfaceNumber == featureInterface) {
            continue;
        }
        if (data < 0 || list[i].interfaceNumber > list[static_cast<size_t>(data)].interfaceNumber) {
            data = static_cast<int>(i);
        }
    }
    choice.data = data >= 0 ? data : feature;
    return choice;
}

// ---- Notices -----------------------------------------------------------------
// The mouse reports a change made with its own buttons as an input report on
// the data channel: byte 0 is the notice class (0x05 report rate, 0x07 DPI
// level, 0x08 button mode), byte 1 the new value; further bytes are ignored.
// Input reports with any other first byte are not notices.
struct Notice {
    uint8_t noticeClass = 0;
    uint8_t value = 0;
};

inline std::optional<Notice> DecodeNotice(std::span<const uint8_t> input) {
    if (input.size() < 2) {
        return std::nullopt;
    }
    const uint8_t c = input[0];
    if (c != 0x05 && c != 0x07 && c != 0x08) {
        return std::nullopt;
    }
    return Notice{c, input[1]};
}

// The parameters of the notice message: wParam = class << 8, lParam = value.
struct MessageParams {
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

inline MessageParams NoticeParams(const Notice& n) {
    return {static_cast<uintptr_t>(n.noticeClass) << 8, static_cast<intptr_t>(n.value)};
}

// ---- udev events -------------------------------------------------------------

// "04d9" (sysfs idVendor/idProduct, hex without prefix) -> 0x04d9.
inline std::optional<int> ParseHexId(std::string_view text) {
    if (text.empty() || text.size() > 8) {
        return std::nullopt;
    }
    int value = 0;
    for (char ch : text) {
        int digit;
        if (ch >= '0' && ch <= '9') {
            digit = ch - '0';
        } else if (ch >= 'a' && ch <= 'f') {
            digit = ch - 'a' + 10;
        } else if (ch >= 'A' && ch <= 'F') {
            digit = ch - 'A' + 10;
        } else {
            return std::nullopt;
        }
        value = value * 16 + digit;
        if (value > 0xFFFF) {
            return std::nullopt;
        }
    }
    return value;
}

struct VidPid {
    int vid = 0;
    int pid = 0;
};

// HID_ID property of a hid device, "bus:vendor:product" in hex, e.g.
// "0003:000004D9:0000A09F". Used when the hidraw node has no usb parent.
inline std::optional<VidPid> ParseHidId(std::string_view text) {
    const size_t first = text.find(':');
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    const size_t second = text.find(':', first + 1);
    if (second == std::string_view::npos) {
        return std::nullopt;
    }
    auto part = [](std::string_view s) -> std::optional<int> {
        // 8 hex digits; the id is the low 16 bits and the rest must be zero.
        if (s.size() > 8) {
            return std::nullopt;
        }
        while (s.size() > 4 && s.front() == '0') {
            s.remove_prefix(1);
        }
        return ParseHexId(s);
    };
    auto vid = part(text.substr(first + 1, second - first - 1));
    auto pid = part(text.substr(second + 1));
    if (!vid || !pid) {
        return std::nullopt;
    }
    return VidPid{*vid, *pid};
}

enum class UdevAction { Add, Remove, Other };

inline UdevAction ParseUdevAction(std::string_view action) {
    if (action == "add") {
        return UdevAction::Add;
    }
    if (action == "remove") {
        return UdevAction::Remove;
    }
    return UdevAction::Other;
}

// Follows the hidraw nodes of the mouse. A mouse has one node per interface
// and on removal its sysfs attributes are already gone, so the tracker
// remembers the nodes it saw arrive (matched by vendor and product id) and
// recognises their removal by path. The arrival message (wParam 1) is due
// when the first node appears, the removal message (wParam 0) when the last
// one goes.
class PlugTracker {
public:
    // A node present before monitoring started: tracked, no message.
    void Seed(std::string_view syspath) { nodes_.insert(std::string(syspath)); }

    // `matches` tells whether the node belongs to the mouse; only add events
    // can know it (sysfs is gone on removal).
    std::optional<uintptr_t> OnEvent(UdevAction action, std::string_view syspath, bool matches) {
        if (syspath.empty()) {
            return std::nullopt;
        }
        const std::string key(syspath);
        if (action == UdevAction::Add) {
            if (!matches || nodes_.count(key) != 0) {
                return std::nullopt;
            }
            nodes_.insert(key);
            if (nodes_.size() == 1) {
                return uintptr_t{1};
            }
            return std::nullopt;
        }
        if (action == UdevAction::Remove) {
            if (nodes_.erase(key) == 0) {
                return std::nullopt;
            }
            if (nodes_.empty()) {
                return uintptr_t{0};
            }
        }
        return std::nullopt;
    }

    bool Present() const { return !nodes_.empty(); }

private:
    std::set<std::string> nodes_;
};

}  // namespace mouse::hid
