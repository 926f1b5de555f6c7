// HID report descriptors: what a hidraw node says about its own reports.
//
// The parser walks the short items of a descriptor and keeps what the
// transport needs to frame its reports: whether the device numbers its
// reports, the size of every input, output and feature report, and the
// usage page and usage of each top-level collection. Pure code, no I/O, so
// it can be fed hostile bytes: every malformed descriptor gives an error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace mouse::hid {

// Limits of the parser. A descriptor beyond them is refused; real mice stay
// far below each (the kernel caps descriptors at 4096 bytes and report
// buffers at 16 KiB, and nests collections a few levels deep).
inline constexpr size_t kMaxDescriptorBytes = 4096;
inline constexpr size_t kMaxReportBytes = 16384;
inline constexpr unsigned kMaxReportSizeBits = 256;
inline constexpr unsigned kMaxReportCount = 12288;
inline constexpr size_t kMaxCollectionDepth = 32;
inline constexpr size_t kMaxGlobalStack = 16;

// The payload sizes of one report id in bytes, the id byte not counted.
struct ReportSizes {
    uint8_t id = 0;  // 0: the device does not number its reports
    size_t input = 0;
    size_t output = 0;
    size_t feature = 0;

    bool operator==(const ReportSizes&) const = default;
};

struct TopCollection {
    unsigned usagePage = 0;
    unsigned usage = 0;

    bool operator==(const TopCollection&) const = default;
};

struct ReportDescriptor {
    bool numbered = false;             // the device puts a report id in front of each report
    std::vector<ReportSizes> reports;  // ordered by id
    std::vector<TopCollection> collections;

    // The sizes of `id`, or nullptr when the descriptor declares no report
    // with that id.
    const ReportSizes* Find(uint8_t id) const;
};

struct DescriptorResult {
    bool ok = false;
    ReportDescriptor descriptor;
    std::string error;  // why the descriptor was refused, with the item's offset
};

DescriptorResult ParseReportDescriptor(std::span<const uint8_t> bytes);

// One line per report id, e.g. "id 0x06: feature 7, output 31", and the
// top-level usage pages: the form the diagnostics and `mousectl doctor` print.
std::string DescribeReports(const ReportDescriptor& d);

// ---- Framing ---------------------------------------------------------------
// The protocol speaks in 8-byte feature reports and 32-byte output reports.
// A device without numbered reports takes each behind a 0 id byte; a device
// that numbers them takes the protocol's first byte as the id, so the report
// goes as it stands and the descriptor declares 7 and 31 payload bytes.
enum class Framing { Unnumbered, Numbered };

struct NodeFit {
    bool feature = false;  // takes the protocol's feature reports
    bool output = false;   // takes the protocol's output reports
    Framing framing = Framing::Unnumbered;
};

NodeFit FitProtocol(const ReportDescriptor& d, size_t featureSize, size_t outputSize);

}  // namespace mouse::hid
