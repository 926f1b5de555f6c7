// The eleven exports of the device-access library.
//
// The transport is chosen when a channel or the monitor is opened: with
// MOUSE_SIM_SOCKET set to a non-empty path the library talks to the virtual
// mouse listening there, otherwise to the real mouse through hidapi. One
// mutex is held for the whole of each exported call, so calls from several
// threads run one after the other; the monitor threads never take it.
//
// Only the eleven entry points are exported (hidden visibility plus a
// version script); everything else stays inside the library.
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

#pragma GCC visibility push(default)
#include "drivers/msdriver.h"
#pragma GCC visibility pop

#include "drivers/transport.h"

namespace {

using mouse::driver::Monitor;
using mouse::driver::MonitorTarget;
using mouse::driver::Transport;

constexpr int kFeatureLength = 8;
constexpr int kDataLength = 32;

struct Driver {
    std::mutex mutex;
    int vid = 0;
    int pid = 0;
    std::unique_ptr<Transport> channels;
    std::string channelsSocket;  // empty: hidapi
    std::unique_ptr<Monitor> monitor;
};

// Created when the library is loaded and deleted when it is unloaded, by
// the constructor and destructor functions below, so that the monitor is
// stopped before anything it uses goes away.
Driver* driver = nullptr;

__attribute__((constructor)) void LoadDriver() {
    driver = new Driver;
}

Driver& D() {
    return *driver;
}

std::string SimSocket() {
    const char* path = std::getenv("MOUSE_SIM_SOCKET");
    return path != nullptr ? std::string(path) : std::string();
}

// Caller holds the mutex.
Transport& Channels(Driver& d) {
    const std::string socket = SimSocket();
    if (!d.channels || socket != d.channelsSocket) {
        d.channels.reset();
        d.channels = socket.empty() ? mouse::driver::MakeHidTransport(mouse::hid::SystemHidApi())
                                    : mouse::driver::MakeSimTransport(socket);
        d.channelsSocket = socket;
    }
    return *d.channels;
}

void StopMonitor(Driver& d) {
    if (d.monitor) {
        d.monitor->Stop();
        d.monitor.reset();
    }
}

// Runs when the library is unloaded (dlclose) or the process exits: no
// monitor thread may outlive the code it runs.
__attribute__((destructor)) void UnloadDriver() {
    {
        Driver& d = D();
        std::lock_guard lock(d.mutex);
        StopMonitor(d);
        d.channels.reset();
        mouse::driver::ShutdownHid();
    }
    delete driver;
    driver = nullptr;
}

}  // namespace

extern "C" {

void Set_VIDPID(int vid, int pid) {
    Driver& d = D();
    std::lock_guard lock(d.mutex);
    d.vid = vid;
    d.pid = pid;
}

// The post function must not call back into the library: Close_DevMonitor
// waits for the monitor thread while holding the library's mutex.
void Open_DevMonitor(const MsWindow* window, unsigned int noticeMessage,
                     unsigned int deviceMessage) {
    Driver& d = D();
    std::lock_guard lock(d.mutex);
    StopMonitor(d);
    if (window == nullptr || window->post == nullptr) {
        return;
    }
    MonitorTarget target{*window, noticeMessage, deviceMessage};
    const std::string socket = SimSocket();
    d.monitor = socket.empty() ? mouse::driver::StartHidMonitor(mouse::hid::SystemHidApi(), d.vid,
                                                                d.pid, target)
                               : mouse::driver::StartSimMonitor(socket, target);
}

void Close_DevMonitor(void) {
    Driver& d = D();
    std::lock_guard lock(d.mutex);
    StopMonitor(d);
}

int Open_FeatureDevice(void) {
    Driver& d = D();
    std::lock_guard lock(d.mutex);
    return Channels(d).OpenFeature(d.vid, d.pid);
}

int Close_FeatureDevice(void) {
    Driver& d = D();
    std::lock_guard lock(d.mutex);
    return d.channels ? d.channels->CloseFeature() : 0;
}

int Open_ReportDevice(void) {
    Driver& d = D();
    std::lock_guard lock(d.mutex);
    return Channels(d).OpenReport(d.vid, d.pid);
}

int Close_ReportDevice(void) {
    Driver& d = D();
    std::lock_guard lock(d.mutex);
    return d.channels ? d.channels->CloseReport() : 0;
}

int SetFeature(unsigned char* report, int length) {
    if (report == nullptr || length != kFeatureLength) {
        return 0;
    }
    Driver& d = D();
    std::lock_guard lock(d.mutex);
    return d.channels ? d.channels->SetFeature(report) : 0;
}

int GetFeature(unsigned char* buffer, int length) {
    if (buffer == nullptr || length != kFeatureLength) {
        return 0;
    }
    Driver& d = D();
    std::lock_guard lock(d.mutex);
    return d.channels ? d.channels->GetFeature(buffer) : 0;
}

int WriteUSB(unsigned char* report, int length) {
    if (report == nullptr || length != kDataLength) {
        return 0;
    }
    Driver& d = D();
    std::lock_guard lock(d.mutex);
    return d.channels ? d.channels->WriteUsb(report) : 0;
}

// Reads one input report from the data channel (waits at most 100 ms);
// returns its length, 0 when none came.
int ReadUSB(unsigned char* buffer, int length) {
    if (buffer == nullptr || length <= 0) {
        return 0;
    }
    Driver& d = D();
    std::lock_guard lock(d.mutex);
    return d.channels ? d.channels->ReadUsb(buffer, length) : 0;
}

}  // extern "C"
