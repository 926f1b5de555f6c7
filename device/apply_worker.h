// The device worker: one thread with its own message queue that runs every
// exchange with the mouse, one request at a time in the order posted, so the
// user interface never waits for the device or its protocol pauses.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "device/apply.h"
#include "device/device_io.h"
#include "device/records.h"
#include "performance/pointer_settings.h"
#include "store/data_ini.h"

namespace mouse {

// A request to the worker. The record is a copy taken when the request is
// posted, so the worker never reads the profile list the user is editing.
struct WorkerJob {
    unsigned message = 0;  // kThreadMsgApply, kThreadMsgSync or kThreadMsgFirmware
    int profileIndex = 0;
    std::shared_ptr<const ProfileRecord> record;
};

struct WorkerResult {
    unsigned message = 0;
    int profileIndex = 0;
    int syncResult = 0;                           // kThreadMsgSync
    ApplyReport apply;                            // kThreadMsgApply
    std::shared_ptr<const ProfileRecord> record;  // the record the job carried
    std::optional<FirmwareVersion> version;       // kThreadMsgFirmware
};

class ApplyWorker {
public:
    // notify is called on the worker thread after each finished job; it must
    // only post (the main window posts itself kMsgWorkerDone). pause defaults
    // to a precise sleep; a stop waits for the job under way.
    ApplyWorker(DeviceIo& device, PointerPlatform& pointer, const DeviceConfig& config,
                const ProfileRecord& lastApplied, std::function<void()> notify, PauseFn pause = {});
    ~ApplyWorker();
    ApplyWorker(const ApplyWorker&) = delete;
    ApplyWorker& operator=(const ApplyWorker&) = delete;

    // Thread-safe. False when the job is dropped: a message other than the
    // three job messages, no record, or a worker that is stopping.
    bool Post(WorkerJob job);
    // Results finished since the last call, in order (user-interface thread).
    std::vector<WorkerResult> TakeResults();
    // Finishes the job under way, drops the rest and joins the thread.
    void Stop();
    // Waits until every posted job has finished (tests and shutdown).
    void WaitIdle();

    // The record as last written to the mouse; read only while idle.
    const ProfileRecord& LastApplied() const { return *lastApplied_; }

private:
    void Run();
    void Execute(const WorkerJob& job);
    void Sleep(int ms);

    DeviceIo& device_;
    PointerPlatform& pointer_;
    const DeviceConfig config_;
    std::unique_ptr<ProfileRecord> lastApplied_;
    std::function<void()> notify_;
    PauseFn pause_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<WorkerJob> queue_;
    std::vector<WorkerResult> results_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace mouse
