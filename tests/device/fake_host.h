// A main window stand-in for the device link: records hook calls and keeps
// posted messages and timers until the test delivers them, as the
// user-interface thread would.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/device_link.h"
#include "device/messages.h"

namespace mouse::test {

class NullPointer : public PointerPlatform {
public:
    void SetDoubleClickTime(int) override {}
    void SetPointer(double, bool) override {}
    void SetWheel(int, bool) override {}
};

class FakeHost : public DeviceLinkHost {
public:
    FakeHost() {
        MakeDefaultRecord(profile, 3311);
        WriteText(profile.name, u"P1");
    }
    ProfileRecord& CurrentProfile() override { return profile; }
    int CurrentProfileIndex() const override { return index; }
    void SaveProfilesAfterNotice() override { ++saves; }
    void SelectDpiLevelOption(int level) override { dpiOptions.push_back(level); }
    void SelectReportRateOption(int i) override { rateOptions.push_back(i); }
    void ShowButtonMode(int mode) override { modes.push_back(mode); }
    void PostDpiPopup(int step) override { popups.push_back(step); }
    void HideMainWindow() override { ++hides; }
    void ShowNoDeviceMessage(const std::string& reason) override {
        ++noDeviceMessages;
        lastReason = reason;
        if (onNoDevice) {
            onNoDevice();
        }
    }
    void RunAfter(int ms, std::function<void()> fn) override {
        timerDelays.push_back(ms);
        timers.push_back(std::move(fn));
    }
    void ApplyFinished(int profileIndex, const ApplyReport& report) override {
        finished.push_back(profileIndex);
        applyReports.push_back(report);
    }
    void FirmwareVersionRead(std::optional<FirmwareVersion> v) override { versions.push_back(v); }

    void FireTimers() {
        auto pending = std::move(timers);
        timers.clear();
        for (auto& fn : pending) {
            fn();
        }
    }

    void Post(unsigned message, uintptr_t w, intptr_t l) {
        std::lock_guard lock(mutex);
        posted.push_back({message, w, l});
        arrived.notify_all();
    }
    // Delivers posted messages to the link as the main window would, until
    // done() holds or the time runs out; false on time-out.
    bool Pump(DeviceLink& link, const std::function<bool()>& done,
              std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            std::deque<Message> batch;
            {
                std::unique_lock lock(mutex);
                if (!arrived.wait_until(lock, deadline, [&] { return !posted.empty(); })) {
                    return false;
                }
                batch.swap(posted);
            }
            for (const Message& m : batch) {
                delivered.push_back(m.message);
                if (m.message == kMsgWorkerDone) {
                    link.OnWorkerDone();
                } else if (m.message == kMsgDeviceNotice) {
                    link.OnDeviceNotice(m.w, m.l);
                } else if (m.message == kMsgDeviceChange) {
                    deviceChanges.push_back(int(m.w));
                    link.OnDeviceChange(m.w);
                }
            }
        }
        return true;
    }
    // Delivers worker-done messages until that many jobs have been reported.
    void PumpWorker(DeviceLink& link, size_t jobs) {
        Pump(link, [&] { return finished.size() + versions.size() >= jobs; });
    }

    struct Message {
        unsigned message;
        uintptr_t w;
        intptr_t l;
    };
    ProfileRecord profile{};
    int index = 0;
    int saves = 0, hides = 0, noDeviceMessages = 0;
    std::string lastReason;
    std::function<void()> onNoDevice;
    std::vector<int> dpiOptions, rateOptions, modes, popups, timerDelays, finished;
    std::vector<ApplyReport> applyReports;
    std::vector<std::optional<FirmwareVersion>> versions;
    std::vector<std::function<void()>> timers;
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<Message> posted;
    std::vector<unsigned> delivered;
    std::vector<int> deviceChanges;
};

}  // namespace mouse::test
