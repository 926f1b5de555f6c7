// The main window's connection to the mouse: opens the device-access
// library's channels, follows arrival and removal, turns the mouse's own
// DPI, report-rate and mode notices into profile changes, and hands every
// report exchange to the device worker.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "device/apply.h"
#include "device/apply_worker.h"
#include "device/driver_library.h"
#include "device/records.h"
#include "store/data_ini.h"

namespace mouse {

// What the device link needs from the main window. Every call is made on the
// user-interface thread.
class DeviceLinkHost {
public:
    virtual ~DeviceLinkHost() = default;
    virtual ProfileRecord& CurrentProfile() = 0;
    virtual int CurrentProfileIndex() const = 0;
    // Saves profile.bin after a device notice changed the current profile.
    virtual void SaveProfilesAfterNotice() = 0;
    // Page hooks: select the DPI option of level 1-8, select the report-rate
    // option of an index 0-3, show a button mode 0-1.
    virtual void SelectDpiLevelOption(int level) = 0;
    virtual void SelectReportRateOption(int index) = 0;
    virtual void ShowButtonMode(int mode) = 0;
    // Posts the DPI pop-up request (0x469 with lParam = step) to the window.
    virtual void PostDpiPopup(int step) = 0;
    virtual void HideMainWindow() = 0;
    // Shows the no-device message modally; reason is empty when the library
    // is there and the mouse is simply absent.
    virtual void ShowNoDeviceMessage(const std::string& reason) = 0;
    // Runs fn once after ms milliseconds on the user-interface thread.
    virtual void RunAfter(int ms, std::function<void()> fn) = 0;
    // The end of an apply job, with what the mouse refused.
    virtual void ApplyFinished(int profileIndex, const ApplyReport& report) = 0;
    virtual void FirmwareVersionRead(std::optional<FirmwareVersion> version) = 0;
    // connectionState or deviceReady changed: after the start-up's open,
    // after an arrival was opened (or failed to open) and after a removal;
    // also when an apply starts waiting for the mouse.
    virtual void DeviceStateChanged() {}
    // An apply job went to the worker (at once, or when the mouse arrived).
    virtual void ApplyStarted() {}
    // What the mouse holds changed: a complete apply, or the mouse's own
    // buttons changed its DPI level, report rate or mode.
    virtual void MouseRecordChanged(const ProfileRecord& record) { (void)record; }
};

class DeviceLink {
public:
    enum ConnectionState { kNotFound = 0, kConnected = 1, kRemoved = 2 };

    // post sends a numbered message to the main window from any thread.
    using PostFn = std::function<void(unsigned message, uintptr_t wParam, intptr_t lParam)>;

    DeviceLink(DeviceLinkHost& host, DriverApi& driver, const DeviceConfig& config, PostFn post);
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // Starts the worker thread (before StartUp). pause replaces the worker's
    // sleeps in tests.
    void StartWorker(PointerPlatform& pointer, const ProfileRecord& lastApplied,
                     PauseFn pause = {});
    void StopWorker();

    // Set_VIDPID, Open_DevMonitor, opens both channels; when the mouse is
    // there, synchronises the settings and, when Update is set, queues the
    // firmware version read (answered through FirmwareVersionRead).
    // libraryError is the reason the library could not be loaded, if any.
    void StartUp(std::string libraryError = {});

    void OnDeviceChange(uintptr_t wParam);                   // 0x52E
    void OnDeviceNotice(uintptr_t wParam, intptr_t lParam);  // 0x52D
    void OnWorkerDone();                                     // kMsgWorkerDone

    // Queues the apply of a copy of the current profile (0x670). While the
    // mouse is away the copy is kept instead (a later apply replaces it) and
    // sent when the mouse arrives; without the device-access library it is
    // queued at once, since no mouse can arrive, and reports no answer.
    void PostApply();
    bool ApplyWaiting() const { return waitingApply_.has_value(); }

    // The settings the mouse holds as far as the program knows: set before
    // StartUp (the copy kept from an earlier run, or the current profile),
    // then taken from every complete apply and from the mouse's own
    // notices. The start-up and arrival synchronisation send its lift-off
    // switch, so edits not applied yet never reach the mouse.
    void SetMouseRecord(const ProfileRecord& record);
    const ProfileRecord& MouseRecord() const { return *mouseRecord_; }
    // The current profile differs from what the mouse holds in anything but
    // its name.
    bool HasUnappliedChanges() const;
    // The no-device message, shown at most once at a time.
    void ShowNoDeviceMessage();

    int connectionState() const { return connectionState_; }
    int deviceReady() const { return deviceReady_; }
    bool CanShowWindow() const { return connectionState_ == kConnected && deviceReady_ == 1; }
    ApplyWorker* Worker() { return worker_.get(); }

private:
    WorkerJob MakeJob(unsigned message, const ProfileRecord& record) const;
    void PostJob(unsigned message);
    void SendApply(WorkerJob job);
    void FinishArrival(uint64_t generation);

    DeviceLinkHost& host_;
    DriverApi& driver_;
    const DeviceConfig config_;
    PostFn post_;
    std::unique_ptr<ApplyWorker> worker_;
    std::string libraryError_;

    int connectionState_ = kNotFound;
    int deviceReady_ = 0;
    bool arrivalPending_ = false;
    uint64_t arrivalGeneration_ = 0;
    bool noDeviceMessageOpen_ = false;
    std::unique_ptr<ProfileRecord> mouseRecord_;
    std::optional<WorkerJob> waitingApply_;
};

}  // namespace mouse
