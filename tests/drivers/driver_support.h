// Test support: the device-access library loaded with dlopen from the
// program folder exactly as the program loads it, a window stand-in whose
// post function queues messages, and report builders.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>

#include "drivers/msdriver.h"
#include "store/ascii.h"

namespace mouse::test {

inline const std::string kLibraryPath = std::string(MOUSE_APP_DIR) + "/MSDriver.so";
inline const std::string kSimPath = std::string(MOUSE_APP_DIR) + "/mouse-sim";

inline constexpr unsigned kNoticeMsg = 0x52D;
inline constexpr unsigned kDeviceMsg = 0x52E;

class DriverLib {
public:
    DriverLib() {
        handle_ = dlopen(kLibraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_ == nullptr) {
            const char* e = dlerror();
            error_ = e != nullptr ? e : "dlopen failed";
            return;
        }
        ok_ = Find("Set_VIDPID", setVidPid) && Find("Open_DevMonitor", openDevMonitor) &&
              Find("Close_DevMonitor", closeDevMonitor) &&
              Find("Open_FeatureDevice", openFeature) &&
              Find("Close_FeatureDevice", closeFeature) && Find("Open_ReportDevice", openReport) &&
              Find("Close_ReportDevice", closeReport) && Find("SetFeature", setFeature) &&
              Find("GetFeature", getFeature) && Find("WriteUSB", writeUsb) &&
              Find("ReadUSB", readUsb);
    }
    ~DriverLib() { Unload(); }
    DriverLib(const DriverLib&) = delete;
    DriverLib& operator=(const DriverLib&) = delete;

    // dlclose without stopping anything first.
    void Unload() {
        if (handle_ != nullptr) {
            dlclose(handle_);
            handle_ = nullptr;
        }
        ok_ = false;
    }

    bool Ok() const { return ok_; }
    const std::string& Error() const { return error_; }

    void (*setVidPid)(int, int) = nullptr;
    void (*openDevMonitor)(const MsWindow*, unsigned, unsigned) = nullptr;
    void (*closeDevMonitor)() = nullptr;
    int (*openFeature)() = nullptr;
    int (*closeFeature)() = nullptr;
    int (*openReport)() = nullptr;
    int (*closeReport)() = nullptr;
    int (*setFeature)(unsigned char*, int) = nullptr;
    int (*getFeature)(unsigned char*, int) = nullptr;
    int (*writeUsb)(unsigned char*, int) = nullptr;
    int (*readUsb)(unsigned char*, int) = nullptr;

private:
    template <typename Fn>
    bool Find(const char* name, Fn& fn) {
        fn = reinterpret_cast<Fn>(dlsym(handle_, name));
        if (fn == nullptr) {
            error_ = std::string("missing ") + name;
        }
        return fn != nullptr;
    }

    void* handle_ = nullptr;
    bool ok_ = false;
    std::string error_;
};

struct Message {
    unsigned message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    bool operator==(const Message&) const = default;
};

inline void PrintTo(const Message& m, std::ostream* os) {
    *os << "{0x" << std::hex << m.message << ", 0x" << m.wParam << ", " << std::dec << m.lParam
        << "}";
}

// The window stand-in: the library's monitor posts into a thread-safe queue.
class MessageQueue {
public:
    MsWindow Window() { return MsWindow{this, &MessageQueue::Post}; }

    // The next message, waiting at most `timeout` for it to arrive.
    std::optional<Message> Next(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        std::unique_lock lock(mutex_);
        if (!cv_.wait_for(lock, timeout, [&] { return !queue_.empty(); })) {
            return std::nullopt;
        }
        Message m = queue_.front();
        queue_.pop_front();
        return m;
    }

    size_t Size() {
        std::lock_guard lock(mutex_);
        return queue_.size();
    }

private:
    static void Post(void* target, unsigned message, uintptr_t wParam, intptr_t lParam) {
        auto* self = static_cast<MessageQueue*>(target);
        {
            std::lock_guard lock(self->mutex_);
            self->queue_.push_back({message, wParam, lParam});
        }
        self->cv_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Message> queue_;
};

using Feature = std::array<uint8_t, 8>;
using Data = std::array<uint8_t, 32>;

// A feature report with its checksum: all eight bytes sum to 0xFF.
inline Feature MakeFeature(uint8_t cmd, uint8_t p1 = 0, uint8_t p2 = 0, uint8_t p3 = 0,
                           uint8_t p4 = 0, uint8_t p5 = 0, uint8_t p6 = 0) {
    Feature f{cmd, p1, p2, p3, p4, p5, p6, 0};
    unsigned sum = 0;
    for (int i = 0; i < 7; ++i) {
        sum += f[static_cast<size_t>(i)];
    }
    f[7] = static_cast<uint8_t>(0xFF - (sum & 0xFF));
    return f;
}

// Data report number `index` of a test pattern: byte i holds seed + 32 *
// index + i, so every byte of a block is distinct and traceable.
inline Data Pattern(uint8_t seed, int index, size_t used = 32) {
    Data d{};
    for (size_t i = 0; i < used; ++i) {
        d[i] = static_cast<uint8_t>(seed + 32 * index + static_cast<int>(i));
    }
    return d;
}

}  // namespace mouse::test
