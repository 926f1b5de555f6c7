#include "device/apply_worker.h"

#include "device/diagnostics.h"
#include "device/messages.h"
#include "device/precise_sleep.h"

namespace mouse {

ApplyWorker::ApplyWorker(DeviceIo& device, PointerPlatform& pointer, const DeviceConfig& config,
                         const ProfileRecord& lastApplied, std::function<void()> notify,
                         PauseFn pause)
    : device_(device),
      pointer_(pointer),
      config_(config),
      lastApplied_(std::make_unique<ProfileRecord>(lastApplied)),
      notify_(std::move(notify)),
      pause_(std::move(pause)) {
    if (!pause_) {
        pause_ = [this](int ms) { Sleep(ms); };
    }
    thread_ = std::thread([this] { Run(); });
}

ApplyWorker::~ApplyWorker() {
    Stop();
}

bool ApplyWorker::Post(WorkerJob job) {
    if (job.message != kThreadMsgApply && job.message != kThreadMsgSync &&
        job.message != kThreadMsgFirmware) {
        return false;
    }
    if (!job.record) {
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            return false;
        }
        queue_.push_back(std::move(job));
    }
    wake_.notify_all();
    return true;
}

std::vector<WorkerResult> ApplyWorker::TakeResults() {
    std::lock_guard lock(mutex_);
    std::vector<WorkerResult> out;
    out.swap(results_);
    return out;
}

void ApplyWorker::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void ApplyWorker::WaitIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

void ApplyWorker::Sleep(int ms) {
    // Protocol pauses are real sleeps; a stop request does not cut them short,
    // since the mouse needs the gap between reports of the job under way.
    PreciseSleep(ms);
}

void ApplyWorker::Run() {
    for (;;) {
        WorkerJob job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) {
                busy_ = false;
                idle_.notify_all();
                return;
            }
            job = std::move(queue_.front());
            queue_.pop_front();
            busy_ = true;
        }
        Execute(job);
        if (notify_) {
            notify_();
        }
        {
            std::lock_guard lock(mutex_);
            busy_ = false;
        }
        idle_.notify_all();
    }
}

void ApplyWorker::Execute(const WorkerJob& job) {
    WorkerResult result;
    result.message = job.message;
    result.profileIndex = job.profileIndex;
    result.record = job.record;
    switch (job.message) {
        case kThreadMsgApply:
            result.apply =
                ApplyConfiguration(device_, pause_, pointer_, *job.record, *lastApplied_, config_);
            break;
        case kThreadMsgSync:
            result.syncResult = SyncDeviceSettings(device_, pause_, *job.record);
            break;
        case kThreadMsgFirmware:
            result.version = ReadFirmwareVersion(device_, pause_);
            if (result.version) {
                log::Debug(log::kDevice, "firmware version: %d.%d on the mouse, %d.%d in Data.ini",
                           int(result.version->major), int(result.version->minor),
                           int(config_.verH), int(config_.verL));
                pause_(30);
            }
            break;
        default:
            return;
    }
    std::lock_guard lock(mutex_);
    results_.push_back(std::move(result));
}

}  // namespace mouse
