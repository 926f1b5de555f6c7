// Internal to the device-access library: the two ways of reaching the mouse
// (hidraw through hidapi, or the virtual mouse over a Unix socket) behind one
// interface. The exported functions serialise every call with one mutex, so
// a transport's channel operations never run concurrently; its monitor runs
// on its own thread and touches only its own state.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "drivers/hid_api.h"
#include "drivers/msdriver.h"

namespace mouse::driver {

// Where the monitor posts its messages.
struct MonitorTarget {
    MsWindow window{};
    unsigned noticeMessage = 0;
    unsigned deviceMessage = 0;

    void Post(unsigned message, uintptr_t wParam, intptr_t lParam) const {
        if (window.post != nullptr) {
            window.post(window.target, message, wParam, lParam);
        }
    }
};

// A stop flag with a pipe that wakes a thread blocked in poll().
class WakePipe {
public:
    WakePipe() {
        if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) {
            fds_[0] = fds_[1] = -1;
        }
    }
    ~WakePipe() {
        for (int fd : fds_) {
            if (fd >= 0) {
                close(fd);
            }
        }
    }
    WakePipe(const WakePipe&) = delete;
    WakePipe& operator=(const WakePipe&) = delete;

    bool Ok() const { return fds_[0] >= 0; }
    int ReadFd() const { return fds_[0]; }
    bool Stopping() const { return stop_.load(); }
    void Stop() {
        stop_ = true;
        if (fds_[1] >= 0) {
            const char c = 1;
            [[maybe_unused]] ssize_t r = write(fds_[1], &c, 1);
        }
    }

private:
    int fds_[2] = {-1, -1};
    std::atomic<bool> stop_{false};
};

// Stops and joins a monitor thread. A monitor stopped from its own post
// callback cannot join itself: its thread is detached and ends on its own
// (the state it uses is shared with it).
inline void StopThread(std::thread& thread, WakePipe& wake) {
    wake.Stop();
    if (!thread.joinable()) {
        return;
    }
    if (thread.get_id() == std::this_thread::get_id()) {
        thread.detach();
    } else {
        thread.join();
    }
}

class Monitor {
public:
    virtual ~Monitor() = default;
    // Stops the monitor thread; after it returns nothing more is posted.
    virtual void Stop() = 0;
};

class Transport {
public:
    virtual ~Transport() = default;
    virtual int OpenFeature(int vid, int pid) = 0;
    virtual int CloseFeature() = 0;
    virtual int OpenReport(int vid, int pid) = 0;
    virtual int CloseReport() = 0;
    // Buffers have the exact report sizes (8, 8, 32); checked by the caller.
    virtual int SetFeature(const uint8_t* report) = 0;
    virtual int GetFeature(uint8_t* buffer) = 0;
    virtual int WriteUsb(const uint8_t* report) = 0;
    virtual int ReadUsb(uint8_t* buffer, int length) = 0;
};

std::unique_ptr<Transport> MakeHidTransport(hid::HidApi& api);
std::unique_ptr<Transport> MakeSimTransport(const std::string& socketPath);

// Start a monitor thread; null when it could not be started.
std::unique_ptr<Monitor> StartHidMonitor(hid::HidApi& api, int vid, int pid,
                                         const MonitorTarget& target);
std::unique_ptr<Monitor> StartSimMonitor(const std::string& socketPath,
                                         const MonitorTarget& target);

// Releases hidapi's global state; called once when the library goes away.
void ShutdownHid();

}  // namespace mouse::driver
