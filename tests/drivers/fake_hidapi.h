// A stand-in for hidapi and sysfs: hidraw nodes with chosen descriptors,
// one of which leads to the virtual mouse's firmware. Every report it is
// handed is checked against the framing its node's descriptor asks for
// (0 in front when unnumbered, a declared id as the first byte when
// numbered); a report that breaks it is refused and listed.
#pragma once

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "drivers/hid_api.h"
#include "drivers/report_descriptor.h"
#include "drivers/sim/sim_mouse.h"

namespace mouse::test {

struct FakeNode {
    std::string path;
    int interfaceNumber = 0;
    unsigned usagePage = 0;
    unsigned usage = 0;
    std::optional<std::vector<uint8_t>> descriptor;  // nullopt: not readable
    bool openable = true;
    bool mouse = false;  // its reports reach the firmware
};

class FakeHidApi final : public hid::HidApi {
public:
    FakeHidApi(std::vector<FakeNode> nodes, SimMouse& mouse)
        : nodes_(std::move(nodes)), mouse_(mouse) {}

    std::vector<std::string> violations;
    int exchanges = 0;

    std::vector<hid::HidEntry> Enumerate(int, int) override {
        std::vector<hid::HidEntry> entries;
        for (const FakeNode& n : nodes_) {
            entries.push_back({n.path, n.usagePage, n.usage, n.interfaceNumber});
        }
        return entries;
    }

    std::optional<std::vector<uint8_t>> ReadDescriptor(const std::string& path) override {
        const FakeNode* n = Find(path);
        return n != nullptr ? n->descriptor : std::nullopt;
    }

    Handle* Open(const std::string& path) override {
        for (size_t i = 0; i < nodes_.size(); ++i) {
            if (nodes_[i].path == path) {
                if (!nodes_[i].openable) {
                    errno = EACCES;
                    return nullptr;
                }
                return reinterpret_cast<Handle*>(i + 1);
            }
        }
        errno = ENOENT;
        return nullptr;
    }
    void Close(Handle*) override {}

    int SendFeature(Handle* h, const uint8_t* data, size_t length) override {
        std::array<uint8_t, 8> report{};
        if (!Payload(h, data, length, Kind::Feature, report)) {
            return -1;
        }
        return mouse_.SetFeature(report) ? static_cast<int>(length) : -1;
    }

    int GetFeature(Handle* h, uint8_t* data, size_t length) override {
        std::array<uint8_t, 8> report{};
        if (!Payload(h, data, length, Kind::Feature, report) || !mouse_.GetFeature(report)) {
            return -1;
        }
        const size_t at = length - report.size();  // 1 with the 0 id in front, else 0
        std::memcpy(data + at, report.data(), report.size());
        return static_cast<int>(length);
    }

    int Write(Handle* h, const uint8_t* data, size_t length) override {
        std::array<uint8_t, 32> report{};
        if (!Payload(h, data, length, Kind::Output, report)) {
            return -1;
        }
        return mouse_.WriteUsb(report) ? static_cast<int>(length) : -1;
    }

    int Read(Handle*, uint8_t*, size_t, int) override { return 0; }

private:
    enum class Kind { Feature, Output };

    const FakeNode* Find(const std::string& path) const {
        for (const FakeNode& n : nodes_) {
            if (n.path == path) {
                return &n;
            }
        }
        return nullptr;
    }

    // The protocol's report inside a buffer framed for the node, or false
    // (and a violation) when the framing is not the node's.
    template <size_t N>
    bool Payload(Handle* h, const uint8_t* data, size_t length, Kind kind,
                 std::array<uint8_t, N>& out) {
        ++exchanges;
        const FakeNode& node = nodes_[reinterpret_cast<size_t>(h) - 1];
        const auto parsed = node.descriptor ? hid::ParseReportDescriptor(*node.descriptor)
                                            : hid::DescriptorResult{};
        const bool numbered = parsed.ok && parsed.descriptor.numbered;
        bool fits = node.mouse && length == N + (numbered ? 0 : 1) && length > 0;
        if (fits && !numbered) {
            fits = data[0] == 0;
        } else if (fits) {
            const hid::ReportSizes* id = parsed.descriptor.Find(data[0]);
            fits = kind == Kind::Output ? hid::FitProtocol(parsed.descriptor, 8, 32).output
                                        : id != nullptr && id->feature + 1 == N;
        }
        if (!fits) {
            violations.push_back(node.path + ": " + std::to_string(length) + " bytes, first " +
                                 std::to_string(length > 0 ? data[0] : -1));
            return false;
        }
        std::memcpy(out.data(), data + (numbered ? 0 : 1), N);
        return true;
    }

    std::vector<FakeNode> nodes_;
    SimMouse& mouse_;
};

}  // namespace mouse::test
