#include "device/device_link.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>

#include "device/messages.h"
#include "fake_driver.h"
#include "fake_host.h"

namespace mouse {
namespace {

using test::FakeDriver;
using test::FakeHost;
using test::NullPointer;

struct LinkFixture : ::testing::Test {
    LinkFixture() {
        config.update = 0;
        MakeLink();
    }
    void MakeLink() {
        link = std::make_unique<DeviceLink>(
            host, driver, config,
            [this](unsigned m, uintptr_t w, intptr_t l) { host.Post(m, w, l); });
        link->StartWorker(pointer, host.profile, [](int) {});
    }
    size_t CountReports(const std::string& prefix) {
        auto reports = driver.Reports();
        return size_t(std::count_if(reports.begin(), reports.end(),
                                    [&](const std::string& r) { return r.rfind(prefix, 0) == 0; }));
    }

    FakeHost host;
    FakeDriver driver;
    NullPointer pointer;
    DeviceConfig config;
    std::unique_ptr<DeviceLink> link;
};

TEST_F(LinkFixture, StartUpWithTheMouseOpensBothChannelsAndSynchronises) {
    config.vid = 0x1234;
    config.pid = 0xabcd;
    MakeLink();
    link->StartUp();
    EXPECT_EQ(driver.vid, 0x1234);
    EXPECT_EQ(driver.pid, 0xabcd);
    EXPECT_EQ(driver.noticeMessage, kMsgDeviceNotice);
    EXPECT_EQ(driver.deviceMessage, kMsgDeviceChange);
    EXPECT_EQ(driver.featureOpens, 1);
    EXPECT_EQ(driver.reportOpens, 1);
    EXPECT_EQ(link->connectionState(), DeviceLink::kConnected);
    EXPECT_EQ(link->deviceReady(), 1);
    EXPECT_TRUE(link->CanShowWindow());
    link->Worker()->WaitIdle();
    EXPECT_EQ(CountReports("S 83"), 1u);
    EXPECT_EQ(CountReports("G 8b"), 1u);
    EXPECT_EQ(CountReports("S 03"), 1u);
    EXPECT_EQ(CountReports("S 80"), 0u) << "no firmware read with Update = 0";
}

TEST_F(LinkFixture, StartUpWithUpdateReadsTheFirmwareVersionOnTheWorker) {
    config.update = 1;
    MakeLink();
    link->StartUp();
    host.PumpWorker(*link, 1);
    ASSERT_EQ(host.versions.size(), 1u);
    ASSERT_TRUE(host.versions[0].has_value());
    EXPECT_EQ(CountReports("S 80"), 1u);
    EXPECT_EQ(CountReports("G 8000000000000000"), 1u);
}

TEST_F(LinkFixture, StartUpWithoutTheMouseStaysInTheTray) {
    driver.present = 0;
    link->StartUp();
    EXPECT_EQ(link->connectionState(), DeviceLink::kNotFound);
    EXPECT_EQ(link->deviceReady(), 1);
    EXPECT_FALSE(link->CanShowWindow());
    link->Worker()->WaitIdle();
    EXPECT_TRUE(driver.Reports().empty());
}

TEST_F(LinkFixture, ArrivalWaitsThenOpensOnceAndSynchronises) {
    driver.present = 0;
    link->StartUp();
    driver.present = 1;
    link->OnDeviceChange(1);
    link->OnDeviceChange(1);  // a second arrival while the first waits
    ASSERT_EQ(host.timers.size(), 1u);
    EXPECT_EQ(host.timerDelays[0], 500);
    EXPECT_EQ(driver.reportOpens, 1) << "nothing is opened before the pause";
    host.FireTimers();
    EXPECT_EQ(driver.featureOpens, 2);
    EXPECT_EQ(driver.reportOpens, 2);
    EXPECT_TRUE(link->CanShowWindow());
    link->OnDeviceChange(1);  // already connected
    EXPECT_TRUE(host.timers.empty());
    link->Worker()->WaitIdle();
    EXPECT_EQ(CountReports("S 03"), 1u);
    EXPECT_EQ(CountReports("S 02"), 0u) << "the configuration is not re-sent";
}

TEST_F(LinkFixture, RemovalClosesOnceAndHidesTheWindow) {
    link->StartUp();
    link->OnDeviceChange(0);
    link->OnDeviceChange(0);
    EXPECT_EQ(driver.featureCloses, 1);
    EXPECT_EQ(driver.reportCloses, 1);
    EXPECT_EQ(host.hides, 1);
    EXPECT_EQ(link->connectionState(), DeviceLink::kRemoved);
    EXPECT_EQ(link->deviceReady(), 0);
    EXPECT_FALSE(link->CanShowWindow());
    link->OnDeviceChange(7);  // unknown codes are ignored
    EXPECT_EQ(link->connectionState(), DeviceLink::kRemoved);
}

TEST_F(LinkFixture, RemovalCancelsAWaitingArrival) {
    link->StartUp();
    link->OnDeviceChange(0);
    link->OnDeviceChange(1);
    link->OnDeviceChange(0);
    host.FireTimers();
    EXPECT_EQ(driver.reportOpens, 1);
    EXPECT_EQ(link->connectionState(), DeviceLink::kRemoved);
    link->OnDeviceChange(1);
    host.FireTimers();
    EXPECT_EQ(driver.reportOpens, 2);
    EXPECT_TRUE(link->CanShowWindow());
}

TEST_F(LinkFixture, AFailedOpenOnArrivalIsRetriedOnTheNextArrival) {
    link->StartUp();
    link->OnDeviceChange(0);
    driver.present = 0;
    link->OnDeviceChange(1);
    host.FireTimers();
    EXPECT_FALSE(link->CanShowWindow());
    driver.present = 1;
    link->OnDeviceChange(1);
    host.FireTimers();
    EXPECT_EQ(driver.reportOpens, 3);
    EXPECT_TRUE(link->CanShowWindow());
}

struct NoticeCase {
    unsigned kind;
    int value;
    bool applied;
};

void PrintTo(const NoticeCase& c, std::ostream* os) {
    *os << "class " << c.kind << " value " << c.value;
}

class NoticeTest : public LinkFixture, public ::testing::WithParamInterface<NoticeCase> {};

TEST_P(NoticeTest, ChangesTheCurrentProfileAndSavesIt) {
    const NoticeCase c = GetParam();
    link->StartUp();
    ProfileRecord before = host.profile;
    link->OnDeviceNotice(uintptr_t(c.kind << 8) | 0x33, intptr_t(0x7F0000 | c.value));
    EXPECT_EQ(host.saves, c.applied ? 1 : 0);
    if (!c.applied) {
        EXPECT_EQ(std::memcmp(&before, &host.profile, sizeof before), 0);
        EXPECT_TRUE(host.dpiOptions.empty() && host.rateOptions.empty() && host.modes.empty());
        return;
    }
    switch (c.kind) {
        case kNoticeDpiLevel:
            EXPECT_EQ(host.profile.currentDpiLevel, c.value - 1);
            EXPECT_EQ(host.dpiOptions, std::vector<int>{c.value});
            EXPECT_EQ(host.popups, std::vector<int>{host.profile.dpiValue[c.value - 1]});
            break;
        case kNoticeReportRate: {
            int expected = c.value == 1 ? 3 : c.value == 2 ? 2 : c.value == 4 ? 1 : 0;
            EXPECT_EQ(host.profile.reportRateIndex, expected);
            EXPECT_EQ(host.rateOptions, std::vector<int>{expected});
            break;
        }
        case kNoticeButtonMode:
            EXPECT_EQ(host.profile.buttonMode, c.value - 1);
            EXPECT_EQ(host.modes, std::vector<int>{c.value - 1});
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Notices, NoticeTest,
    ::testing::Values(
        NoticeCase{kNoticeDpiLevel, 1, true}, NoticeCase{kNoticeDpiLevel, 8, true},
        NoticeCase{kNoticeDpiLevel, 0, false}, NoticeCase{kNoticeDpiLevel, 9, false},
        NoticeCase{kNoticeReportRate, 1, true}, NoticeCase{kNoticeReportRate, 2, true},
        NoticeCase{kNoticeReportRate, 4, true}, NoticeCase{kNoticeReportRate, 8, true},
        NoticeCase{kNoticeReportRate, 3, false}, NoticeCase{kNoticeReportRate, 9, false},
        NoticeCase{kNoticeButtonMode, 1, true}, NoticeCase{kNoticeButtonMode, 2, true},
        NoticeCase{kNoticeButtonMode, 3, false}, NoticeCase{0x06, 1, false}));

TEST_F(LinkFixture, OnlyOneNoDeviceMessageAtATime) {
    host.onNoDevice = [this] { link->ShowNoDeviceMessage(); };
    link->ShowNoDeviceMessage();
    EXPECT_EQ(host.noDeviceMessages, 1);
    link->ShowNoDeviceMessage();
    EXPECT_EQ(host.noDeviceMessages, 2) << "the guard is released when the box closes";
}

TEST_F(LinkFixture, TheNoDeviceMessageSaysWhenTheLibraryIsMissing) {
    driver.present = 0;
    link->StartUp("cannot load the device library /x/MSDriver.so");
    link->ShowNoDeviceMessage();
    EXPECT_EQ(host.lastReason, "cannot load the device library /x/MSDriver.so");
}

}  // namespace
}  // namespace mouse
