// A device-access library stand-in that counts calls and records reports.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "device/driver_library.h"
#include "drivers/msdriver.h"

namespace mouse::test {

class FakeDriver : public DriverApi {
public:
    void SetVidPid(int vid, int pid) override {
        this->vid = vid;
        this->pid = pid;
    }
    void OpenDevMonitor(const MsWindow& window, unsigned notice, unsigned device) override {
        monitorWindow = window;
        noticeMessage = notice;
        deviceMessage = device;
        ++monitorOpens;
    }
    void CloseDevMonitor() override { ++monitorCloses; }
    int OpenFeatureDevice() override {
        ++featureOpens;
        return present;
    }
    int CloseFeatureDevice() override {
        ++featureCloses;
        return 1;
    }
    int OpenReportDevice() override {
        ++reportOpens;
        return present;
    }
    int CloseReportDevice() override {
        ++reportCloses;
        return 1;
    }
    int SetFeature(uint8_t* report, int length) override { return Record("S", report, length); }
    int GetFeature(uint8_t* buffer, int length) override { return Record("G", buffer, length); }
    int WriteUSB(uint8_t* report, int length) override { return Record("W", report, length); }

    std::vector<std::string> Reports() {
        std::lock_guard lock(mutex);
        return reports;
    }

    int vid = 0, pid = 0;
    MsWindow monitorWindow{};
    unsigned noticeMessage = 0, deviceMessage = 0;
    int monitorOpens = 0, monitorCloses = 0;
    int featureOpens = 0, featureCloses = 0, reportOpens = 0, reportCloses = 0;
    std::atomic<int> present{1};
    std::atomic<int> reportResult{1};

private:
    int Record(const char* kind, const uint8_t* data, int length) {
        std::string line = kind;
        static const char* hex = "0123456789abcdef";
        line += ' ';
        for (int i = 0; i < length; ++i) {
            line += hex[data[i] >> 4];
            line += hex[data[i] & 15];
        }
        std::lock_guard lock(mutex);
        reports.push_back(line);
        return reportResult;
    }
    std::mutex mutex;
    std::vector<std::string> reports;
};

}  // namespace mouse::test
