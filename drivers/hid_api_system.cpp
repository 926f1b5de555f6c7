// The system's side of the hidraw transport: hidapi for the nodes and their
// reports, sysfs for the report descriptors.
//
// hidapi keeps its last global error in one unguarded variable, so every
// call that can set it (hid_init, hid_enumerate, hid_open_path, hid_exit)
// runs under one mutex; calls on a device handle only touch that handle. On
// an unplugged device the ioctls fail with ENODEV and reads with EIO, so no
// call waits for a device that is gone.
#include <hidapi/hidapi.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <mutex>

#include "drivers/hid_api.h"
#include "drivers/report_descriptor.h"

namespace mouse::hid {

namespace {

std::mutex hidGlobalMutex;
bool hidInitialised = false;

// Caller holds hidGlobalMutex.
bool EnsureHidInit() {
    if (!hidInitialised) {
        hidInitialised = hid_init() == 0;
    }
    return hidInitialised;
}

hid_device* Device(HidApi::Handle* h) {
    return reinterpret_cast<hid_device*>(h);
}

class SystemApi final : public HidApi {
public:
    std::vector<HidEntry> Enumerate(int vid, int pid) override {
        std::vector<HidEntry> entries;
        // A zero vendor and product id would list every HID device.
        if (vid <= 0 || pid <= 0 || vid > 0xFFFF || pid > 0xFFFF) {
            return entries;
        }
        std::lock_guard lock(hidGlobalMutex);
        if (!EnsureHidInit()) {
            return entries;
        }
        hid_device_info* list =
            hid_enumerate(static_cast<unsigned short>(vid), static_cast<unsigned short>(pid));
        for (hid_device_info* d = list; d != nullptr; d = d->next) {
            if (d->path != nullptr) {
                entries.push_back({d->path, d->usage_page, d->usage, d->interface_number});
            }
        }
        hid_free_enumeration(list);
        return entries;
    }

    // hidraw names its nodes /dev/hidrawN; the kernel shows each node's
    // descriptor as /sys/class/hidraw/hidrawN/device/report_descriptor,
    // readable by every user.
    std::optional<std::vector<uint8_t>> ReadDescriptor(const std::string& path) override {
        const size_t slash = path.rfind('/');
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        if (name.rfind("hidraw", 0) != 0 || name.find("..") != std::string::npos) {
            return std::nullopt;
        }
        std::ifstream in("/sys/class/hidraw/" + name + "/device/report_descriptor",
                         std::ios::binary);
        if (!in) {
            return std::nullopt;
        }
        std::vector<uint8_t> bytes;
        char c;
        while (bytes.size() <= kMaxDescriptorBytes && in.get(c)) {
            bytes.push_back(static_cast<uint8_t>(c));
        }
        if (in.bad()) {
            return std::nullopt;
        }
        return bytes;
    }

    Handle* Open(const std::string& path) override {
        // hidapi does not promise errno after a failed open; access() tells
        // a node this user may not open (EACCES) from one that is gone.
        if (access(path.c_str(), R_OK | W_OK) != 0) {
            return nullptr;
        }
        std::lock_guard lock(hidGlobalMutex);
        if (!EnsureHidInit()) {
            return nullptr;
        }
        hid_device* d = hid_open_path(path.c_str());
        if (d != nullptr) {
            hid_set_nonblocking(d, 1);
        }
        return reinterpret_cast<Handle*>(d);
    }

    void Close(Handle* h) override {
        if (h != nullptr) {
            hid_close(Device(h));
        }
    }

    int SendFeature(Handle* h, const uint8_t* data, size_t length) override {
        return hid_send_feature_report(Device(h), data, length);
    }

    int GetFeature(Handle* h, uint8_t* data, size_t length) override {
        return hid_get_feature_report(Device(h), data, length);
    }

    int Write(Handle* h, const uint8_t* data, size_t length) override {
        return hid_write(Device(h), data, length);
    }

    int Read(Handle* h, uint8_t* data, size_t length, int ms) override {
        return hid_read_timeout(Device(h), data, length, ms);
    }
};

}  // namespace

HidApi& SystemHidApi() {
    static SystemApi api;
    return api;
}

void ShutdownSystemHidApi() {
    std::lock_guard lock(hidGlobalMutex);
    if (hidInitialised) {
        hid_exit();
        hidInitialised = false;
    }
}

}  // namespace mouse::hid
