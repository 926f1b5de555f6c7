#include <gtest/gtest.h>

#include <vector>

#include "drivers/hid_rules.h"

namespace mouse::hid {
namespace {

TEST(ReportFraming, PutsTheReportIdFirstAndCountsIt) {
    const std::vector<uint8_t> feature = {0x0C, 1, 2, 3, 0, 0, 0, 0xED};
    const auto framed = FrameReport(feature);
    ASSERT_EQ(framed.size(), 9u);
    EXPECT_EQ(framed[0], 0);
    EXPECT_TRUE(std::equal(feature.begin(), feature.end(), framed.begin() + 1));
    EXPECT_EQ(FrameReport(std::vector<uint8_t>(32, 7), 5)[0], 5);
    EXPECT_EQ(FrameReport(std::vector<uint8_t>(32, 7)).size(), 33u);
}

TEST(ReportFraming, SendSucceedsOnlyWithTheWholeFramedLength) {
    struct Case {
        int result;
        size_t framed;
        bool ok;
    } cases[] = {{9, 9, true},   {33, 33, true}, {8, 9, false}, {32, 33, false},
                 {-1, 9, false}, {0, 9, false},  {10, 9, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(SendSucceeded(c.result, c.framed), c.ok) << c.result << "/" << c.framed;
    }
}

TEST(ReportFraming, ReplyIsTakenOnlyWhenCompleteAndWithTheRightId) {
    const std::vector<uint8_t> framed = {0, 0x8B, 1, 2, 3, 4, 5, 6, 0x58};
    struct Case {
        const char* what;
        int result;
        uint8_t id;
        bool ok;
    } cases[] = {
        {"full reply", 9, 0, true},
        {"error", -1, 0, false},
        {"nothing", 0, 0, false},
        {"id only", 1, 0, false},
        {"short", 8, 0, false},
        {"other report id", 9, 1, false},
        {"more than the buffer", 10, 0, false},
    };
    for (const Case& c : cases) {
        std::array<uint8_t, 8> out{};
        out.fill(0xEE);
        EXPECT_EQ(UnframeReply(framed, c.result, c.id, out), c.ok) << c.what;
        if (c.ok) {
            EXPECT_TRUE(std::equal(out.begin(), out.end(), framed.begin() + 1)) << c.what;
        } else {
            EXPECT_EQ(out[0], 0xEE) << c.what << ": buffer touched on failure";
        }
    }
}

TEST(InterfaceSelection, PicksFeatureAndDataChannels) {
    struct Case {
        const char* what;
        std::vector<InterfaceRecord> list;
        int feature;
        int data;
    } cases[] = {
        {"empty", {}, -1, -1},
        {"single non-vendor interface", {{0x01, 0x02, 0}}, 0, 0},
        {"single vendor interface", {{0xFF00, 0x01, 1}}, 0, 0},
        {"mouse + keyboard/consumer/vendor on one interface",
         {{0x01, 0x02, 0}, {0x01, 0x06, 1}, {0x0C, 0x01, 1}, {0xFF00, 0x01, 1}},
         3,
         3},
        {"two vendor interfaces", {{0x01, 0x02, 0}, {0xFF00, 0x01, 1}, {0xFF01, 0x01, 2}}, 1, 2},
        {"list order does not matter",
         {{0xFF01, 0x01, 2}, {0xFF00, 0x01, 1}, {0x01, 0x02, 0}},
         1,
         0},
        {"two vendor collections on one interface: lower page is feature",
         {{0xFF02, 0x01, 1}, {0xFF00, 0x01, 1}},
         1,
         1},
        {"same page: lower usage is feature", {{0xFF00, 0x02, 1}, {0xFF00, 0x01, 1}}, 1, 1},
        {"several other vendor interfaces: highest is data",
         {{0xFF00, 0x01, 0}, {0xFF00, 0x02, 1}, {0xFF00, 0x03, 2}},
         0,
         2},
        {"no vendor page: highest interface number",
         {{0x01, 0x02, 0}, {0x01, 0x06, 2}, {0x0C, 0x01, 1}},
         1,
         1},
        {"0xFEFF is not vendor-defined", {{0xFEFF, 0x01, 0}, {0xFF00, 0x01, 3}}, 1, 1},
        {"vendor interface without number (-1) is still chosen",
         {{0x01, 0x02, -1}, {0xFFA0, 0x01, -1}},
         1,
         1},
    };
    for (const Case& c : cases) {
        const InterfaceChoice got = SelectInterfaces(c.list);
        EXPECT_EQ(got.feature, c.feature) << c.what;
        EXPECT_EQ(got.data, c.data) << c.what;
    }
}

TEST(Notices, DecodeClassAndValue) {
    struct Case {
        std::vector<uint8_t> input;
        bool isNotice;
        uint8_t noticeClass;
        uint8_t value;
    } cases[] = {
        {{0x07, 0x03}, true, 0x07, 3},
        {{0x05, 0x08, 0xAA, 0xBB}, true, 0x05, 8},
        {{0x08, 0x02}, true, 0x08, 2},
        {{0x07, 0x00}, true, 0x07, 0},  // range checks belong to the program
        {{0x06, 0x01}, false, 0, 0},
        {{0x00, 0x07}, false, 0, 0},
        {{0x07}, false, 0, 0},
        {{}, false, 0, 0},
    };
    for (const Case& c : cases) {
        const auto n = DecodeNotice(c.input);
        ASSERT_EQ(n.has_value(), c.isNotice) << "size " << c.input.size();
        if (n) {
            EXPECT_EQ(n->noticeClass, c.noticeClass);
            EXPECT_EQ(n->value, c.value);
        }
    }
}

TEST(Notices, MessageCarriesClassInHighByteAndValueInLParam) {
    struct Case {
        Notice n;
        uintptr_t w;
        intptr_t l;
    } cases[] = {{{0x07, 3}, 0x700, 3}, {{0x05, 8}, 0x500, 8}, {{0x08, 0xFF}, 0x800, 255}};
    for (const Case& c : cases) {
        const MessageParams m = NoticeParams(c.n);
        EXPECT_EQ(m.wParam, c.w);
        EXPECT_EQ(m.lParam, c.l);
    }
}

TEST(UdevIds, ParseSysfsAndHidIds) {
    EXPECT_EQ(ParseHexId("04d9"), 0x04D9);
    EXPECT_EQ(ParseHexId("A09F"), 0xA09F);
    EXPECT_EQ(ParseHexId("0"), 0);
    EXPECT_EQ(ParseHexId(""), std::nullopt);
    EXPECT_EQ(ParseHexId("04g9"), std::nullopt);
    EXPECT_EQ(ParseHexId("10000"), std::nullopt);

    struct Case {
        const char* text;
        bool ok;
        int vid;
        int pid;
    } cases[] = {
        {"0003:000004D9:0000A09F", true, 0x04D9, 0xA09F},
        {"0005:0000046d:0000b01a", true, 0x046D, 0xB01A},
        {"0003:04D9:A09F", true, 0x04D9, 0xA09F},
        {"0003:100004D9:0000A09F", false, 0, 0},
        {"0003:000004D9", false, 0, 0},
        {"000004D9", false, 0, 0},
        {"0003::0000A09F", false, 0, 0},
    };
    for (const Case& c : cases) {
        const auto ids = ParseHidId(c.text);
        ASSERT_EQ(ids.has_value(), c.ok) << c.text;
        if (ids) {
            EXPECT_EQ(ids->vid, c.vid) << c.text;
            EXPECT_EQ(ids->pid, c.pid) << c.text;
        }
    }
    EXPECT_EQ(ParseUdevAction("add"), UdevAction::Add);
    EXPECT_EQ(ParseUdevAction("remove"), UdevAction::Remove);
    EXPECT_EQ(ParseUdevAction("change"), UdevAction::Other);
}

TEST(PlugTracker, OneArrivalAndOneRemovalPerMouse) {
    struct Event {
        UdevAction action;
        const char* path;
        bool matches;
        std::optional<uintptr_t> message;
    };
    constexpr auto kAdd = UdevAction::Add;
    constexpr auto kRemove = UdevAction::Remove;
    struct Case {
        const char* what;
        std::vector<const char*> seeded;
        std::vector<Event> events;
    } cases[] = {
        {"two nodes of one mouse",
         {},
         {{kAdd, "/h/hidraw1", true, 1},
          {kAdd, "/h/hidraw2", true, std::nullopt},
          {kRemove, "/h/hidraw1", false, std::nullopt},
          {kRemove, "/h/hidraw2", false, 0}}},
        {"other devices are ignored",
         {},
         {{kAdd, "/h/hidraw5", false, std::nullopt},
          {kRemove, "/h/hidraw5", false, std::nullopt},
          {kRemove, "/h/unknown", false, std::nullopt}}},
        {"repeated add is one arrival",
         {},
         {{kAdd, "/h/hidraw1", true, 1},
          {kAdd, "/h/hidraw1", true, std::nullopt},
          {kRemove, "/h/hidraw1", false, 0},
          {kRemove, "/h/hidraw1", false, std::nullopt}}},
        {"mouse present before monitoring",
         {"/h/hidraw1"},
         {{kAdd, "/h/hidraw2", true, std::nullopt},
          {kRemove, "/h/hidraw1", false, std::nullopt},
          {kRemove, "/h/hidraw2", false, 0},
          {kAdd, "/h/hidraw3", true, 1}}},
        {"other actions and empty paths",
         {},
         {{UdevAction::Other, "/h/hidraw1", true, std::nullopt},
          {kAdd, "", true, std::nullopt},
          {kAdd, "/h/hidraw1", true, 1}}},
    };
    for (const Case& c : cases) {
        PlugTracker t;
        for (const char* s : c.seeded) {
            t.Seed(s);
        }
        int i = 0;
        for (const Event& e : c.events) {
            EXPECT_EQ(t.OnEvent(e.action, e.path, e.matches), e.message)
                << c.what << ", event " << i;
            ++i;
        }
    }
}

}  // namespace
}  // namespace mouse::hid
