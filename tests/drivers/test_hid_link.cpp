// The device-access library on its hidapi transport. This machine has no
// hidraw device, so the mouse is never found: every call must fail at once
// rather than wait or crash.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>

#include "tests/drivers/driver_support.h"

namespace mouse::test {
namespace {

class HidLink : public testing::Test {
protected:
    void SetUp() override {
        unsetenv("MOUSE_SIM_SOCKET");
        lib_ = std::make_unique<DriverLib>();
        ASSERT_TRUE(lib_->Ok()) << lib_->Error();
    }
    void TearDown() override {
        if (lib_->Ok()) {
            lib_->closeDevMonitor();
        }
        lib_.reset();
    }

    MessageQueue queue_;
    std::unique_ptr<DriverLib> lib_;
};

TEST_F(HidLink, MouseNotFoundMakesEveryCallFail) {
    struct Ids {
        int vid;
        int pid;
    } ids[] = {{0x04D9, 0xA09F}, {0, 0}, {-1, 0x10000}};
    for (const Ids& id : ids) {
        lib_->setVidPid(id.vid, id.pid);
        EXPECT_EQ(lib_->openFeature(), 0) << id.vid;
        EXPECT_EQ(lib_->openReport(), 0) << id.vid;
        Feature f = MakeFeature(0x8B);
        const Feature before = f;
        Data d{};
        EXPECT_EQ(lib_->setFeature(f.data(), 8), 0);
        EXPECT_EQ(lib_->getFeature(f.data(), 8), 0);
        EXPECT_EQ(f, before) << "a failed read changed the buffer";
        EXPECT_EQ(lib_->writeUsb(d.data(), 32), 0);
        EXPECT_EQ(lib_->readUsb(d.data(), 32), 0);
        EXPECT_EQ(lib_->closeFeature(), 0) << "nothing was open";
        EXPECT_EQ(lib_->closeReport(), 0);
    }
}

TEST_F(HidLink, MonitorStartsAndStopsWithoutADevice) {
    lib_->setVidPid(0x04D9, 0xA09F);
    const MsWindow window = queue_.Window();
    lib_->openDevMonitor(&window, kNoticeMsg, kDeviceMsg);
    lib_->openDevMonitor(&window, kNoticeMsg, kDeviceMsg);  // restarts it
    lib_->closeDevMonitor();
    lib_->closeDevMonitor();
    EXPECT_EQ(queue_.Size(), 0u);
    lib_->openDevMonitor(nullptr, kNoticeMsg, kDeviceMsg);
}

TEST_F(HidLink, UnloadingWithARunningMonitorDoesNotCrash) {
    lib_->setVidPid(0x04D9, 0xA09F);
    const MsWindow window = queue_.Window();
    lib_->openDevMonitor(&window, kNoticeMsg, kDeviceMsg);
    lib_->Unload();
    EXPECT_EQ(dlopen(kLibraryPath.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr)
        << "the library stayed loaded";
    lib_ = std::make_unique<DriverLib>();
    ASSERT_TRUE(lib_->Ok());
    lib_->setVidPid(0x04D9, 0xA09F);
    EXPECT_EQ(lib_->openReport(), 0);
}

}  // namespace
}  // namespace mouse::test
