// The device-access library's link to a real mouse: hidraw nodes through
// the HidApi seam (hidapi and sysfs in the library) for the reports, a
// libudev monitor for arrival and removal.
//
// Which nodes carry the two channels, and whether their reports go behind a
// 0 id byte or as they stand, comes from the nodes' report descriptors
// (ChooseChannels); a mouse none of whose nodes fits is not opened.
#include <libudev.h>
#include <poll.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "drivers/hid_api.h"
#include "drivers/hid_channels.h"
#include "drivers/hid_rules.h"
#include "drivers/transport.h"

namespace mouse::driver {

namespace {

using hid::Framing;
using hid::HidApi;

// Tells once per distinct reason why the mouse cannot be opened, so a user
// who reports a problem finds the nodes and their sizes in the log without
// a line for every attempt.
void TellUnfit(const hid::ChannelChoice& choice) {
    static std::mutex mutex;
    static std::string told;
    std::lock_guard lock(mutex);
    if (choice.reason != told) {
        told = choice.reason;
        std::fprintf(stderr, "MSDriver: the mouse cannot be opened: %s\n", told.c_str());
    }
}

hid::ChannelChoice FindMouse(HidApi& api, int vid, int pid) {
    const std::vector<hid::HidEntry> entries = api.Enumerate(vid, pid);
    hid::ChannelChoice choice = hid::ChooseChannels(
        entries, [&](const std::string& path) { return api.ReadDescriptor(path); });
    if (!choice.Ok() && choice.fromDescriptors) {
        TellUnfit(choice);
    }
    return choice;
}

class HidTransport final : public Transport {
public:
    explicit HidTransport(HidApi& api) : api_(api) {}
    ~HidTransport() override {
        CloseFeature();
        CloseReport();
    }

    int OpenFeature(int vid, int pid) override {
        CloseFeature();
        const hid::ChannelChoice choice = FindMouse(api_, vid, pid);
        if (!choice.Ok()) {
            return 0;
        }
        feature_ = api_.Open(choice.nodes[static_cast<size_t>(choice.feature)].path);
        featureFraming_ = choice.FeatureFraming();
        const hid::ReportDescriptor* d = choice.FeatureDescriptor();
        featureDescriptor_ = d != nullptr ? *d : hid::ReportDescriptor{};
        return feature_ != nullptr ? 1 : 0;
    }

    int OpenReport(int vid, int pid) override {
        CloseReport();
        const hid::ChannelChoice choice = FindMouse(api_, vid, pid);
        if (!choice.Ok()) {
            return 0;
        }
        report_ = api_.Open(choice.nodes[static_cast<size_t>(choice.data)].path);
        reportFraming_ = choice.DataFraming();
        return report_ != nullptr ? 1 : 0;
    }

    int CloseFeature() override { return Close(feature_); }
    int CloseReport() override { return Close(report_); }

    int SetFeature(const uint8_t* report) override {
        if (feature_ == nullptr) {
            return 0;
        }
        const auto framed =
            hid::FrameFeature(featureFraming_, &featureDescriptor_, {report, hid::kFeatureSize});
        if (!framed) {
            return 0;
        }
        return hid::SendSucceeded(api_.SendFeature(feature_, framed->data(), framed->size()),
                                  framed->size())
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
        auto framed =
            hid::FrameFeature(featureFraming_, &featureDescriptor_, {buffer, hid::kFeatureSize});
        if (!framed) {
            return 0;
        }
        const int r = api_.GetFeature(feature_, framed->data(), framed->size());
        return hid::TakeFeatureReply(featureFraming_, buffer[0], *framed, r,
                                     {buffer, hid::kFeatureSize})
                   ? 1
                   : 0;
    }

    int WriteUsb(const uint8_t* report) override {
        if (report_ == nullptr) {
            return 0;
        }
        const auto framed = hid::FrameOutput(reportFraming_, {report, hid::kDataSize});
        return hid::SendSucceeded(api_.Write(report_, framed.data(), framed.size()), framed.size())
                   ? 1
                   : 0;
    }

    int ReadUsb(uint8_t* buffer, int length) override {
        if (report_ == nullptr || length <= 0) {
            return 0;
        }
        const int r = api_.Read(report_, buffer, static_cast<size_t>(length), kReadMs);
        return r > 0 ? r : 0;
    }

private:
    static constexpr int kReadMs = 100;

    int Close(HidApi::Handle*& handle) {
        if (handle == nullptr) {
            return 0;
        }
        api_.Close(handle);
        handle = nullptr;
        return 1;
    }

    HidApi& api_;
    HidApi::Handle* feature_ = nullptr;
    HidApi::Handle* report_ = nullptr;
    Framing featureFraming_ = Framing::Unnumbered;
    Framing reportFraming_ = Framing::Unnumbered;
    hid::ReportDescriptor featureDescriptor_;
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
    HidMonitor(HidApi& api, int vid, int pid, const MonitorTarget& target)
        : state_(std::make_shared<State>(api, vid, pid, target)) {}
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
        State(HidApi& a, int v, int p, const MonitorTarget& t)
            : api(a), vid(v), pid(p), target(t) {}
        ~State() {
            CloseNotice();
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
                api.Close(notice);
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
            if (const hid::ChannelChoice choice = FindMouse(api, vid, pid); choice.Ok()) {
                notice = api.Open(choice.nodes[static_cast<size_t>(choice.data)].path);
            }
        }

        void ReadNotice() {
            std::array<uint8_t, hid::kDataSize + 1> buf{};
            const int r = api.Read(notice, buf.data(), buf.size(), kReadMs);
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

        HidApi& api;
        int vid;
        int pid;
        MonitorTarget target;
        WakePipe wake;
        udev* udevContext = nullptr;
        udev_monitor* monitor = nullptr;
        hid::PlugTracker tracker;
        HidApi::Handle* notice = nullptr;
        Clock::time_point nextNoticeTry{};
    };

    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace

std::unique_ptr<Transport> MakeHidTransport(HidApi& api) {
    return std::make_unique<HidTransport>(api);
}

std::unique_ptr<Monitor> StartHidMonitor(HidApi& api, int vid, int pid,
                                         const MonitorTarget& target) {
    auto monitor = std::make_unique<HidMonitor>(api, vid, pid, target);
    if (!monitor->Start()) {
        return nullptr;
    }
    return monitor;
}

void ShutdownHid() {
    hid::ShutdownSystemHidApi();
}

}  // namespace mouse::driver
