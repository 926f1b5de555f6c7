// The device-access library's link to a real mouse: hidapi on hidraw for the
// reports, a libudev monitor for arrival and removal.
//
// hidapi keeps its last global error in one unguarded variable, so every
// call that can set it (hid_init, hid_enumerate, hid_open_path, hid_exit)
// runs under hidGlobalMutex; calls on a device handle only touch that
// handle. On an unplugged device the ioctls fail with ENODEV and reads with
// EIO, so no call waits for a device that is gone.
#include <hidapi/hidapi.h>
#include <libudev.h>
#include <poll.h>

#include <array>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "drivers/hid_rules.h"
#include "drivers/transport.h"

namespace mouse::driver {

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

struct MousePaths {
    std::string feature;
    std::string data;
};

// Enumerates the mouse's collections and picks its two channels with
// hid::SelectInterfaces. A zero vendor and product id would list every HID
// device, so it finds nothing.
std::optional<MousePaths> FindMouse(int vid, int pid) {
    if (vid <= 0 || pid <= 0 || vid > 0xFFFF || pid > 0xFFFF) {
        return std::nullopt;
    }
    std::lock_guard lock(hidGlobalMutex);
    if (!EnsureHidInit()) {
        return std::nullopt;
    }
    hid_device_info* list =
        hid_enumerate(static_cast<unsigned short>(vid), static_cast<unsigned short>(pid));
    std::vector<hid::InterfaceRecord> records;
    std::vector<std::string> paths;
    for (hid_device_info* d = list; d != nullptr; d = d->next) {
        if (d->path == nullptr) {
            continue;
        }
        records.push_back({d->usage_page, d->usage, d->interface_number});
        paths.emplace_back(d->path);
    }
    hid_free_enumeration(list);
    const hid::InterfaceChoice choice = hid::SelectInterfaces(records);
    if (choice.feature < 0 || choice.data < 0) {
        return std::nullopt;
    }
    return MousePaths{paths[static_cast<size_t>(choice.feature)],
                      paths[static_cast<size_t>(choice.data)]};
}

hid_device* OpenPath(const std::string& path) {
    std::lock_guard lock(hidGlobalMutex);
    if (!EnsureHidInit()) {
        return nullptr;
    }
    return hid_open_path(path.c_str());
}

class HidTransport final : public Transport {
public:
    ~HidTransport() override {
        CloseFeature();
        CloseReport();
    }

    int OpenFeature(int vid, int pid) override { return Open(vid, pid, feature_, true); }
    int OpenReport(int vid, int pid) override { return Open(vid, pid, report_, false); }
    int CloseFeature() override { return Close(feature_); }
    int CloseReport() override { return Close(report_); }

    int SetFeature(const uint8_t* report) override {
        if (feature_ == nullptr) {
            return 0;
        }
        const auto framed = hid::FrameReport({report, hid::kFeatureSize});
        return hid::SendSucceeded(hid_send_feature_report(feature_, framed.data(), framed.size()),
                                  framed.size())
                   ? 1
                   : 0;
    }

    // Over hidraw only the report id of the request reaches the mouse; the
    // firmware answers according to the command sent before (0x83 before
    // the settings read, 0x80 before the version read).
    int GetFeature(uint8_t* buffer) override {
        if (feature_ == nullptr) {
            return 0;
        }
        auto framed = hid::FrameReport({buffer, hid::kFeatureSize});
        const int r = hid_get_feature_report(feature_, framed.data(), framed.size());
        return hid::UnframeReply(framed, r, 0, {buffer, hid::kFeatureSize}) ? 1 : 0;
    }

    int WriteUsb(const uint8_t* report) override {
        if (report_ == nullptr) {
            return 0;
        }
        const auto framed = hid::FrameReport({report, hid::kDataSize});
        return hid::SendSucceeded(hid_write(report_, framed.data(), framed.size()), framed.size())
                   ? 1
                   : 0;
    }

    int ReadUsb(uint8_t* buffer, int length) override {
        if (report_ == nullptr || length <= 0) {
            return 0;
        }
        const int r = hid_read_timeout(report_, buffer, static_cast<size_t>(length), kReadMs);
        return r > 0 ? r : 0;
    }

private:
    static constexpr int kReadMs = 100;

    static int Open(int vid, int pid, hid_device*& handle, bool feature) {
        Close(handle);
        const auto paths = FindMouse(vid, pid);
        if (!paths) {
            return 0;
        }
        handle = OpenPath(feature ? paths->feature : paths->data);
        if (handle == nullptr) {
            return 0;
        }
        hid_set_nonblocking(handle, 1);
        return 1;
    }

    static int Close(hid_device*& handle) {
        if (handle == nullptr) {
            return 0;
        }
        hid_close(handle);
        handle = nullptr;
        return 1;
    }

    hid_device* feature_ = nullptr;
    hid_device* report_ = nullptr;
};

// True when a hidraw node belongs to the mouse: the vendor and product id of
// its usb device, or the HID_ID of its hid device when it is not on USB.
bool NodeMatches(udev_device* node, int vid, int pid) {
    if (udev_device* usb = udev_device_get_parent_with_subsystem_devtype(node, "usb", "usb_device");
        usb != nullptr) {
        const char* v = udev_device_get_sysattr_value(usb, "idVendor");
        const char* p = udev_device_get_sysattr_value(usb, "idProduct");
        if (v == nullptr || p == nullptr) {
            return false;
        }
        const auto vv = hid::ParseHexId(v);
        const auto pp = hid::ParseHexId(p);
        return vv && pp && *vv == vid && *pp == pid;
    }
    if (udev_device* hidDev = udev_device_get_parent_with_subsystem_devtype(node, "hid", nullptr);
        hidDev != nullptr) {
        const char* id = udev_device_get_property_value(hidDev, "HID_ID");
        const auto ids = id != nullptr ? hid::ParseHidId(id) : std::nullopt;
        return ids && ids->vid == vid && ids->pid == pid;
    }
    return false;
}

// The hid monitor thread: udev events for arrival and removal, and the
// mouse's notice input reports read from its own handle on the data
// interface (hidraw gives every open handle its own copy of input reports,
// so this does not take reports away from ReadUSB).
class HidMonitor final : public Monitor {
public:
    HidMonitor(int vid, int pid, const MonitorTarget& target)
        : state_(std::make_shared<State>(vid, pid, target)) {}
    ~HidMonitor() override { Stop(); }

    bool Start() {
        if (!state_->wake.Ok()) {
            return false;
        }
        // The udev monitor is listening before this returns.
        state_->OpenUdev();
        thread_ = std::thread([s = state_] { s->Run(); });
        return true;
    }

    void Stop() override { StopThread(thread_, state_->wake); }

private:
    using Clock = std::chrono::steady_clock;

    struct State {
        State(int v, int p, const MonitorTarget& t) : vid(v), pid(p), target(t) {}
        ~State() {
            if (notice != nullptr) {
                hid_close(notice);
            }
            if (monitor != nullptr) {
                udev_monitor_unref(monitor);
            }
            if (udevContext != nullptr) {
                udev_unref(udevContext);
            }
        }

        static constexpr int kIdleMs = 200;
        static constexpr int kReadMs = 100;
        static constexpr auto kRetry = std::chrono::seconds(1);
        // udev rules (permissions) are applied just after the event.
        static constexpr auto kSettle = std::chrono::milliseconds(100);

        void OpenUdev() {
            udevContext = udev_new();
            if (udevContext == nullptr) {
                return;
            }
            monitor = udev_monitor_new_from_netlink(udevContext, "udev");
            if (monitor == nullptr ||
                udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
                udev_monitor_enable_receiving(monitor) < 0) {
                if (monitor != nullptr) {
                    udev_monitor_unref(monitor);
                    monitor = nullptr;
                }
                return;
            }
            SeedPresentNodes();
        }

        void SeedPresentNodes() {
            udev_enumerate* e = udev_enumerate_new(udevContext);
            if (e == nullptr) {
                return;
            }
            udev_enumerate_add_match_subsystem(e, "hidraw");
            udev_enumerate_scan_devices(e);
            udev_list_entry* entry;
            udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e)) {
                const char* path = udev_list_entry_get_name(entry);
                udev_device* node = udev_device_new_from_syspath(udevContext, path);
                if (node != nullptr) {
                    if (NodeMatches(node, vid, pid)) {
                        tracker.Seed(path);
                    }
                    udev_device_unref(node);
                }
            }
            udev_enumerate_unref(e);
        }

        void HandleUdev() {
            udev_device* node = udev_monitor_receive_device(monitor);
            if (node == nullptr) {
                return;
            }
            const char* actionText = udev_device_get_action(node);
            const char* syspath = udev_device_get_syspath(node);
            const hid::UdevAction action =
                hid::ParseUdevAction(actionText != nullptr ? actionText : "");
            const bool matches = action == hid::UdevAction::Add && NodeMatches(node, vid, pid);
            const auto message =
                tracker.OnEvent(action, syspath != nullptr ? syspath : "", matches);
            udev_device_unref(node);
            if (!message) {
                return;
            }
            if (*message == 1) {
                nextNoticeTry = Clock::now() + kSettle;
            } else {
                CloseNotice();
            }
            target.Post(target.deviceMessage, *message, 0);
        }

        void CloseNotice() {
            if (notice != nullptr) {
                hid_close(notice);
                notice = nullptr;
            }
        }

        void TryOpenNotice() {
            // Without a udev monitor presence is unknown: keep trying.
            const bool present = monitor == nullptr || tracker.Present();
            if (notice != nullptr || !present || Clock::now() < nextNoticeTry) {
                return;
            }
            nextNoticeTry = Clock::now() + kRetry;
            if (const auto paths = FindMouse(vid, pid)) {
                notice = OpenPath(paths->data);
            }
        }

        void ReadNotice() {
            std::array<uint8_t, hid::kDataSize + 1> buf{};
            const int r = hid_read_timeout(notice, buf.data(), buf.size(), kReadMs);
            if (r < 0) {
                CloseNotice();
                return;
            }
            if (const auto n = hid::DecodeNotice({buf.data(), static_cast<size_t>(r)})) {
                const hid::MessageParams m = hid::NoticeParams(*n);
                target.Post(target.noticeMessage, m.wParam, m.lParam);
            }
        }

        void Run() {
            while (!wake.Stopping()) {
                TryOpenNotice();
                pollfd fds[2] = {
                    {wake.ReadFd(), POLLIN, 0},
                    {monitor != nullptr ? udev_monitor_get_fd(monitor) : -1, POLLIN, 0}};
                poll(fds, monitor != nullptr ? 2 : 1, notice != nullptr ? 0 : kIdleMs);
                if (wake.Stopping()) {
                    break;
                }
                if (monitor != nullptr && (fds[1].revents & POLLIN) != 0) {
                    HandleUdev();
                }
                if (notice != nullptr) {
                    ReadNotice();
                }
            }
        }

        int vid;
        int pid;
        MonitorTarget target;
        WakePipe wake;
        udev* udevContext = nullptr;
        udev_monitor* monitor = nullptr;
        hid::PlugTracker tracker;
        hid_device* notice = nullptr;
        Clock::time_point nextNoticeTry{};
    };

    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace

std::unique_ptr<Transport> MakeHidTransport() {
    return std::make_unique<HidTransport>();
}

std::unique_ptr<Monitor> StartHidMonitor(int vid, int pid, const MonitorTarget& target) {
    auto monitor = std::make_unique<HidMonitor>(vid, pid, target);
    if (!monitor->Start()) {
        return nullptr;
    }
    return monitor;
}

void ShutdownHid() {
    std::lock_guard lock(hidGlobalMutex);
    if (hidInitialised) {
        hid_exit();
        hidInitialised = false;
    }
}

}  // namespace mouse::driver
