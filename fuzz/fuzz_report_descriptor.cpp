// HID report descriptors as a hidraw node hands them over: the bytes are the
// descriptor. A refused descriptor leaves nothing behind; an accepted one
// lists each report id once, in rising order, within the parser's limits,
// and is either numbered throughout or has the single report without an id.
#include <cstddef>
#include <cstdint>
#include <span>

#include "drivers/report_descriptor.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mouse::hid;
    const DescriptorResult r = ParseReportDescriptor(std::span(data, size));
    if (!r.ok) {
        FUZZ_CHECK(!r.error.empty());
        FUZZ_CHECK(r.descriptor.reports.empty() && r.descriptor.collections.empty());
        return 0;
    }
    const ReportDescriptor& d = r.descriptor;
    FUZZ_CHECK(!d.reports.empty());
    if (!d.numbered) {
        FUZZ_CHECK(d.reports.size() == 1 && d.reports[0].id == 0);
    }
    for (size_t i = 0; i < d.reports.size(); ++i) {
        const ReportSizes& s = d.reports[i];
        FUZZ_CHECK(!d.numbered || s.id != 0);
        FUZZ_CHECK(i == 0 || d.reports[i - 1].id < s.id);
        FUZZ_CHECK(s.input <= kMaxReportBytes && s.output <= kMaxReportBytes &&
                   s.feature <= kMaxReportBytes);
        FUZZ_CHECK(d.Find(s.id) == &s);
    }
    FUZZ_CHECK(d.collections.size() <= size);
    FUZZ_CHECK(!DescribeReports(d).empty());
    const NodeFit fit = FitProtocol(d, 8, 32);
    FUZZ_CHECK(fit.framing == (d.numbered ? Framing::Numbered : Framing::Unnumbered));
    return 0;
}
