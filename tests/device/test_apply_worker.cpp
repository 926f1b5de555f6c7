#include "device/apply_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "device/messages.h"
#include "fake_driver.h"

namespace mouse {
namespace {

using test::FakeDriver;

class NullPointer : public PointerPlatform {
public:
    void SetDoubleClickTime(int) override {}
    void SetPointer(double, bool) override {}
    void SetWheel(int, bool) override {}
};

// A pause that holds the worker at its first pause until the test opens it.
class Gate {
public:
    void Pause(int) {
        std::unique_lock lock(mutex_);
        ++pauses_;
        reached_.notify_all();
        opened_.wait(lock, [this] { return open_; });
    }
    void WaitUntilHeld() {
        std::unique_lock lock(mutex_);
        reached_.wait(lock, [this] { return pauses_ > 0; });
    }
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        opened_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable reached_, opened_;
    int pauses_ = 0;
    bool open_ = false;
};

std::shared_ptr<const ProfileRecord> Snapshot(const ProfileRecord& r) {
    return std::make_shared<const ProfileRecord>(r);
}

TEST(ApplyWorker, RunsRequestsOneAtATimeInOrderWithTheRecordAsPosted) {
    FakeDriver driver;
    NullPointer pointer;
    DeviceConfig config;
    ProfileRecord record{};
    MakeDefaultRecord(record, 3311);
    Gate gate;
    std::atomic<int> done{0};
    ApplyWorker worker(
        driver, pointer, config, record, [&] { ++done; }, [&](int ms) { gate.Pause(ms); });

    record.buttonMode = 0;
    worker.Post({kThreadMsgApply, 4, Snapshot(record)});
    gate.WaitUntilHeld();
    // The user edits the profile while the first apply is under way.
    record.buttonMode = 1;
    worker.Post({kThreadMsgApply, 5, Snapshot(record)});
    gate.Open();
    worker.WaitIdle();

    EXPECT_EQ(done.load(), 2);
    auto reports = driver.Reports();
    auto first = std::find(reports.begin(), reports.end(), "S 02010000000000fc");
    auto second = std::find(reports.begin(), reports.end(), "S 02020000000000fb");
    ASSERT_NE(first, reports.end());
    ASSERT_NE(second, reports.end());
    EXPECT_LT(first, second);
    // Every report of the first apply precedes the second apply's sync.
    auto closing = std::find_if(reports.begin(), reports.end(),
                                [](const std::string& r) { return r.rfind("S 08aaccee", 0) == 0; });
    EXPECT_LT(closing, second);
    auto results = worker.TakeResults();
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].profileIndex, 4);
    EXPECT_EQ(results[1].profileIndex, 5);
    EXPECT_EQ(worker.LastApplied().buttonMode, 1);
    EXPECT_TRUE(worker.TakeResults().empty());
}

TEST(ApplyWorker, DropsUnknownMessagesAndRequestsWithoutARecord) {
    FakeDriver driver;
    NullPointer pointer;
    ProfileRecord record{};
    ApplyWorker worker(driver, pointer, DeviceConfig{}, record, {}, [](int) {});
    EXPECT_FALSE(worker.Post({0x999, 0, Snapshot(record)}));
    EXPECT_FALSE(worker.Post({kThreadMsgApply, 0, nullptr}));
    worker.WaitIdle();
    EXPECT_TRUE(worker.TakeResults().empty());
    EXPECT_TRUE(driver.Reports().empty());
}

TEST(ApplyWorker, AFailingDeviceStillFinishesTheApply) {
    FakeDriver driver;
    driver.reportResult = 0;
    NullPointer pointer;
    ProfileRecord record{};
    MakeDefaultRecord(record, 3311);
    std::atomic<int> pauseTotal{0};
    ApplyWorker worker(driver, pointer, DeviceConfig{}, record, {},
                       [&](int ms) { pauseTotal += ms; });
    worker.Post({kThreadMsgApply, 0, Snapshot(record)});
    worker.WaitIdle();
    ASSERT_EQ(worker.TakeResults().size(), 1u);
    EXPECT_FALSE(driver.Reports().empty());
    // Only the unconditional pauses remain when every report is refused.
    EXPECT_GT(pauseTotal.load(), 0);
    EXPECT_LT(pauseTotal.load(), 400);
}

TEST(ApplyWorker, StopDropsQueuedRequests) {
    FakeDriver driver;
    NullPointer pointer;
    ProfileRecord record{};
    Gate gate;
    auto worker =
        std::make_unique<ApplyWorker>(driver, pointer, DeviceConfig{}, record,
                                      std::function<void()>{}, [&](int ms) { gate.Pause(ms); });
    for (int i = 0; i < 5; ++i) {
        worker->Post({kThreadMsgApply, i, Snapshot(record)});
    }
    gate.WaitUntilHeld();
    // The gate opens once the worker refuses new jobs, that is once Stop has
    // begun; jobs posted before that are dropped with the rest.
    std::thread opener([&] {
        while (worker->Post({kThreadMsgApply, 7, Snapshot(record)})) {
            std::this_thread::yield();
        }
        gate.Open();
    });
    worker->Stop();
    opener.join();
    EXPECT_EQ(worker->TakeResults().size(), 1u) << "the job under way ends, the rest are dropped";
    EXPECT_FALSE(worker->Post({kThreadMsgApply, 9, Snapshot(record)}));
    EXPECT_TRUE(worker->TakeResults().empty());
}

}  // namespace
}  // namespace mouse
