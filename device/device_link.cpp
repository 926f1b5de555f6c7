#include "device/device_link.h"

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
            if (value < 1 || value > kDpiLevels) {
                return;
            }
            current.currentDpiLevel = value - 1;
            host_.SelectDpiLevelOption(value);
            host_.PostDpiPopup(current.dpiValue[value - 1]);
            break;
        case kNoticeReportRate: {
            int index = ReportRateIndexOfValue(value);
            if (index < 0) {
                return;
            }
            current.reportRateIndex = index;
            host_.SelectReportRateOption(index);
            break;
        }
        case kNoticeButtonMode:
            if (value < 1 || value > 2) {
                return;
            }
            current.buttonMode = value - 1;
            host_.ShowButtonMode(value - 1);
            break;
        default:
            return;
    }
    host_.SaveProfilesAfterNotice();
}

void DeviceLink::OnWorkerDone() {
    if (!worker_) {
        return;
    }
    for (WorkerResult& result : worker_->TakeResults()) {
        switch (result.message) {
            case kThreadMsgApply:
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
    PostJob(kThreadMsgApply);
}

void DeviceLink::PostJob(unsigned message) {
    if (!worker_) {
        return;
    }
    WorkerJob job;
    job.message = message;
    job.profileIndex = host_.CurrentProfileIndex();
    job.record = std::make_shared<const ProfileRecord>(host_.CurrentProfile());
    worker_->Post(std::move(job));
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
