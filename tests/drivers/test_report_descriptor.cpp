#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drivers/report_descriptor.h"
#include "tests/drivers/sample_descriptors.h"

namespace mouse::hid {
namespace {

using test::FromHex;

TEST(ReportDescriptor, ReadsTheReportsAndCollectionsOfRealShapes) {
    struct Case {
        const char* what;
        std::string_view hex;
        bool numbered;
        std::vector<ReportSizes> reports;
        std::vector<TopCollection> collections;
        NodeFit fit;
    } cases[] = {
        {"plain mouse", test::kPlainMouse, false, {{0, 4, 0, 0}}, {{0x01, 0x02}}, {}},
        {"keyboard", test::kKeyboard, false, {{0, 8, 1, 0}}, {{0x01, 0x06}}, {}},
        {"vendor, no ids",
         test::kVendorUnnumbered,
         false,
         {{0, 32, 32, 8}},
         {{0xFF00, 0x01}},
         {true, true, Framing::Unnumbered}},
        {"vendor, numbered",
         test::kVendorNumbered,
         true,
         {{0x01, 0, 0, 7},
          {0x02, 0, 0, 7},
          {0x03, 0, 0, 7},
          {0x04, 0, 0, 7},
          {0x05, 31, 0, 0},
          {0x07, 31, 0, 7},
          {0x08, 31, 0, 7},
          {0x09, 0, 31, 0},
          {0x0B, 0, 0, 7},
          {0x0C, 0, 0, 7},
          {0x0D, 0, 0, 7},
          {0x10, 0, 0, 7},
          {0x11, 0, 0, 7},
          {0x12, 0, 0, 7},
          {0x13, 0, 0, 7},
          {0x80, 0, 0, 7},
          {0x83, 0, 0, 7},
          {0x8B, 0, 0, 7}},
         {{0xFF00, 0x01}},
         {true, true, Framing::Numbered}},
        {"composite",
         test::kComposite,
         true,
         {{1, 5, 0, 0}, {2, 2, 0, 0}, {6, 0, 0, 7}},
         {{0x01, 0x02}, {0x0C, 0x01}, {0xFF01, 0x01}},
         {true, false, Framing::Numbered}},
    };
    for (const Case& c : cases) {
        const DescriptorResult r = ParseReportDescriptor(FromHex(c.hex));
        ASSERT_TRUE(r.ok) << c.what << ": " << r.error;
        EXPECT_EQ(r.descriptor.numbered, c.numbered) << c.what;
        EXPECT_EQ(r.descriptor.reports, c.reports) << c.what << "\n"
                                                   << DescribeReports(r.descriptor);
        EXPECT_EQ(r.descriptor.collections, c.collections) << c.what;
        const NodeFit fit = FitProtocol(r.descriptor, 8, 32);
        EXPECT_EQ(fit.feature, c.fit.feature) << c.what;
        EXPECT_EQ(fit.output, c.fit.output) << c.what;
        EXPECT_EQ(fit.framing, c.numbered ? Framing::Numbered : Framing::Unnumbered) << c.what;
    }
}

TEST(ReportDescriptor, RefusesHostileDescriptors) {
    std::string deep;
    for (int i = 0; i < 33; ++i) {
        deep += "A1 01 ";
    }
    struct Case {
        const char* what;
        std::string hex;
        const char* error;
    } cases[] = {
        {"empty", "", "empty"},
        {"truncated item", "06 00", "past the end"},
        {"long item", "FE 02 10 00 00", "long item"},
        {"report id 0", "85 00", "report id"},
        {"report size", "76 01 01", "report size"},
        {"report count", "97 FF FF FF FF", "report count"},
        {"huge report", "76 00 01 96 00 30 81 02", "larger than"},
        {"deep collections", deep, "too deep"},
        {"unclosed collection", "A1 01 75 08 95 01 81 02", "not closed"},
        {"end without open", "C0", "not opened"},
        {"pop without push", "B4", "pop"},
        {"ids mixed with none", "75 08 95 01 81 02 85 01 81 02", "with and without"},
        {"unknown global item", "C4", "unknown global"},
        {"no report", "05 01 09 02 A1 01 C0", "no report"},
        {"too long", "", "4096"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = FromHex(c.hex);
        if (std::string_view(c.what) == "too long") {
            bytes.assign(kMaxDescriptorBytes + 1, 0xB4);
        }
        const DescriptorResult r = ParseReportDescriptor(bytes);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_NE(r.error.find(c.error), std::string::npos) << c.what << ": " << r.error;
        EXPECT_TRUE(r.descriptor.reports.empty()) << c.what;
    }
}

TEST(ReportDescriptor, PushAndPopRestoreTheReportGlobals) {
    // Push, switch to 16-bit fields under id 2, pop back to 8-bit under id 1.
    const auto r =
        ParseReportDescriptor(FromHex("85 01 75 08 95 02 A4 85 02 75 10 81 02 B4 81 02 B1 02"));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.descriptor.reports, (std::vector<ReportSizes>{{1, 2, 0, 2}, {2, 4, 0, 0}}));
}

}  // namespace
}  // namespace mouse::hid
