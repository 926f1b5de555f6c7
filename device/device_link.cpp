#include "device/device_link.h"

#include <cstddef>
#include <cstring>

#include "device/messages.h"
#include "drivers/msdriver.h"

namespace mouse {

namespace {

void PostFromLibrary(void* target, unsigned message, uintptr_t wParam, intptr_t lParam) {
    auto* post = static_cast<DeviceLink::PostFn*>(target);
    (*post)(message, wParam, lParam);
}

// Report-rate index of a report-rate device value; -1 for values that no
// option uses.
int ReportRateIndexOfValue(int value) {
    switch (value) {
        case 1:
            return 3;
        case 2:
            return 2;
        case 4:
            return 1;
        case 8:
            return 0;
        default:
            return -1;
    }
}

}  // namespace

DeviceLink::DeviceLink(DeviceLinkHost& host, DriverApi& driver, const DeviceConfig& config,
                       PostFn post)
    : host_(host), driver_(driver), config_(config), post_(std::move(post)) {}

DeviceLink::~DeviceLink() {
    // The library keeps a pointer to post_: stop its monitor first.
    driver_.CloseDevMonitor();
    StopWorker();
}

void DeviceLink::StartWorker(PointerPlatform& pointer, const ProfileRecord& lastApplied,
                             PauseFn pause) {
    StopWorker();
    PostFn post = post_;
    if (!mouseRecord_) {
        mouseRecord_ = std::make_unique<ProfileRecord>(lastApplied);
    }
    worker_ = std::make_unique<ApplyWorker>(
        driver_, pointer, config_, lastApplied, [post] { post(kMsgWorkerDone, 0, 0); },
        std::move(pause));
}

void DeviceLink::StopWorker() {
    if (worker_) {
        worker_->Stop();
        worker_.reset();
    }
}

void DeviceLink::StartUp(std::string libraryError) {
    libraryError_ = std::move(libraryError);
    driver_.SetVidPid(config_.vid, config_.pid);
    // The library copies the window record; it keeps the pointer to post_.
    const MsWindow window{&post_, &PostFromLibrary};
    driver_.OpenDevMonitor(window, kMsgDeviceNotice, kMsgDeviceChange);
    driver_.OpenFeatureDevice();
    int opened = driver_.OpenReportDevice();
    deviceReady_ = 1;
    if (opened == 0) {
        connectionState_ = kNotFound;
        host_.DeviceStateChanged();
        return;
    }
    connectionState_ = kConnected;
    host_.DeviceStateChanged();
    PostJob(kThreadMsgSync);
    if (config_.update != 0) {
        PostJob(kThreadMsgFirmware);
    }
}

void DeviceLink::OnDeviceChange(uintptr_t wParam) {
    if (wParam == 1) {
        if (connectionState_ == kConnected || arrivalPending_) {
            return;
        }
        // The mouse needs a moment after it appears; wait without blocking
        // the user interface.
        arrivalPending_ = true;
        uint64_t generation = ++arrivalGeneration_;
        host_.RunAfter(500, [this, generation] { FinishArrival(generation); });
    } else if (wParam == 0) {
        // A removal also cancels an arrival that is still waiting.
        arrivalPending_ = false;
        ++arrivalGeneration_;
        if (connectionState_ == kRemoved) {
            return;
        }
        connectionState_ = kRemoved;
        driver_.CloseFeatureDevice();
        driver_.CloseReportDevice();
        deviceReady_ = 0;
        host_.HideMainWindow();
        host_.DeviceStateChanged();
    }
}

void DeviceLink::FinishArrival(uint64_t generation) {
    if (!arrivalPending_ || generation != arrivalGeneration_) {
        return;
    }
    arrivalPending_ = false;
    connectionState_ = kConnected;
    driver_.OpenFeatureDevice();
    if (driver_.OpenReportDevice() != 0) {
        deviceReady_ = 1;
        PostJob(kThreadMsgSync);
        // Only an apply asked for while the mouse was away is sent with it.
        if (waitingApply_) {
            WorkerJob job = std::move(*waitingApply_);
            waitingApply_.reset();
            SendApply(std::move(job));
        }
    } else {
        // The mouse went away again before it could be opened: count it as
        // removed, so that its next arrival opens it.
        connectionState_ = kRemoved;
    }
    host_.DeviceStateChanged();
}

void DeviceLink::OnDeviceNotice(uintptr_t wParam, intptr_t lParam) {
    unsigned kind = (unsigned(wParam) & 0xFF00u) >> 8;
    int value = int(lParam & 0xFFFF);
    ProfileRecord& current = host_.CurrentProfile();
    switch (kind) {
        case kNoticeDpiLevel:
            // A level beyond those the profile uses is not one the user can
            // select: the notice is ignored.
            if (value < 1 || value > kDpiLevels || value > int(current.dpiLevelCount)) {
                return;
            }
            current.currentDpiLevel = value - 1;
            if (mouseRecord_) {
                mouseRecord_->currentDpiLevel = value - 1;
            }
            host_.SelectDpiLevelOption(value);
            host_.PostDpiPopup(current.dpiValue[value - 1]);
            break;
        case kNoticeReportRate: {
            int index = ReportRateIndexOfValue(value);
            if (index < 0) {
                return;
            }
            current.reportRateIndex = index;
            if (mouseRecord_) {
                mouseRecord_->reportRateIndex = index;
            }
            host_.SelectReportRateOption(index);
            break;
        }
        case kNoticeButtonMode:
            if (value < 1 || value > 2) {
                return;
            }
            current.buttonMode = value - 1;
            if (mouseRecord_) {
                mouseRecord_->buttonMode = value - 1;
            }
            host_.ShowButtonMode(value - 1);
            break;
        default:
            return;
    }
    host_.SaveProfilesAfterNotice();
    if (mouseRecord_) {
        host_.MouseRecordChanged(*mouseRecord_);
    }
}

void DeviceLink::OnWorkerDone() {
    if (!worker_) {
        return;
    }
    for (WorkerResult& result : worker_->TakeResults()) {
        switch (result.message) {
            case kThreadMsgApply:
                if (result.apply.Complete() && result.record && mouseRecord_) {
                    *mouseRecord_ = *result.record;
                    host_.MouseRecordChanged(*mouseRecord_);
                }
                host_.ApplyFinished(result.profileIndex, result.apply);
                break;
            case kThreadMsgFirmware:
                host_.FirmwareVersionRead(result.version);
                break;
            default:
                break;
        }
    }
}

void DeviceLink::PostApply() {
    if (!worker_) {
        return;
    }
    WorkerJob job = MakeJob(kThreadMsgApply, host_.CurrentProfile());
    if (!CanShowWindow() && libraryError_.empty()) {
        waitingApply_ = std::move(job);
        host_.DeviceStateChanged();
        return;
    }
    SendApply(std::move(job));
}

void DeviceLink::SendApply(WorkerJob job) {
    if (worker_ && worker_->Post(std::move(job))) {
        host_.ApplyStarted();
    }
}

WorkerJob DeviceLink::MakeJob(unsigned message, const ProfileRecord& record) const {
    WorkerJob job;
    job.message = message;
    job.profileIndex = host_.CurrentProfileIndex();
    job.record = std::make_shared<const ProfileRecord>(record);
    return job;
}

void DeviceLink::PostJob(unsigned message) {
    if (!worker_) {
        return;
    }
    // The synchronisation writes what the mouse should already hold.
    const bool sync = message == kThreadMsgSync && mouseRecord_;
    worker_->Post(MakeJob(message, sync ? *mouseRecord_ : host_.CurrentProfile()));
}

void DeviceLink::SetMouseRecord(const ProfileRecord& record) {
    mouseRecord_ = std::make_unique<ProfileRecord>(record);
}

bool DeviceLink::HasUnappliedChanges() const {
    if (!mouseRecord_) {
        return false;
    }
    // The name is the program's own; the mouse never gets it.
    constexpr size_t from = offsetof(ProfileRecord, pointerSpeed);
    const auto* current = reinterpret_cast<const unsigned char*>(&host_.CurrentProfile());
    const auto* held = reinterpret_cast<const unsigned char*>(mouseRecord_.get());
    return std::memcmp(current + from, held + from, sizeof(ProfileRecord) - from) != 0;
}

void DeviceLink::ShowNoDeviceMessage() {
    if (noDeviceMessageOpen_) {
        return;
    }
    noDeviceMessageOpen_ = true;
    host_.ShowNoDeviceMessage(libraryError_);
    noDeviceMessageOpen_ = false;
}

}  // namespace mouse
