// What the mouse and the system report without being asked: notice input
// reports, udev events of hidraw nodes, feature-report replies as hidapi
// frames them, the interface list of an enumeration, and the messages these
// become for the device link of the main window.
//
// Input: the start-up presence byte (bit 0: the mouse opens), then events
// until the input ends, each a type byte (taken modulo 6) and its fields:
//   0 notice input report   1 byte length (up to 33), the report
//   1 posted notice         8 bytes wParam, 8 bytes lParam (any message
//                           the queue may carry)
//   2 udev event            1 byte: bits 0-1 action (add, remove, change,
//                           empty), bit 2 ids from HID_ID instead of the
//                           usb parent, bit 3 the mouse opens on arrival;
//                           then three strings (1 byte length each):
//                           syspath, vendor id or HID_ID, product id
//   3 timers fire           (none)
//   4 feature reply         2 bytes hidapi result (signed), 9 bytes buffer
//   5 enumeration           1 byte count (up to 8), 4 bytes per entry:
//                           usage page (2 bytes, high first), usage,
//                           interface number (signed)
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "device/device_link.h"
#include "device/messages.h"
#include "drivers/hid_rules.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace mouse;

constexpr int kVid = 0x04D9;
constexpr int kPid = 0xA09F;

class Host final : public DeviceLinkHost {
public:
    Host() {
        MakeDefaultRecord(profile, 3311);
        for (int i = 0; i < kDpiLevels; ++i) {
            profile.dpiValue[i] = 10 * (i + 1);
        }
    }
    ProfileRecord& CurrentProfile() override { return profile; }
    int CurrentProfileIndex() const override { return 0; }
    void SaveProfilesAfterNotice() override { ++saves; }
    void SelectDpiLevelOption(int level) override {
        FUZZ_CHECK(level >= 1 && level <= kDpiLevels);
        FUZZ_CHECK(profile.currentDpiLevel == level - 1);
        lastDpiLevel = level;
    }
    void SelectReportRateOption(int index) override {
        FUZZ_CHECK(index >= 0 && index <= 3);
        FUZZ_CHECK(profile.reportRateIndex == index);
    }
    void ShowButtonMode(int mode) override {
        FUZZ_CHECK(mode == 0 || mode == 1);
        FUZZ_CHECK(profile.buttonMode == mode);
    }
    void PostDpiPopup(int step) override {
        FUZZ_CHECK(lastDpiLevel >= 1);
        FUZZ_CHECK(step == profile.dpiValue[lastDpiLevel - 1]);
    }
    void HideMainWindow() override {}
    void ShowNoDeviceMessage(const std::string&) override {}
    void RunAfter(int, std::function<void()> fn) override { timers.push_back(std::move(fn)); }
    void ApplyFinished(int, const ApplyReport&) override {}
    void FirmwareVersionRead(std::optional<FirmwareVersion>) override {}

    void FireTimers() {
        auto due = std::move(timers);
        timers.clear();
        for (auto& fn : due) {
            fn();
        }
    }

    ProfileRecord profile{};
    int saves = 0;
    int lastDpiLevel = 0;
    std::vector<std::function<void()>> timers;
};

// A library whose channels open when `present` says so.
class Driver final : public DriverApi {
public:
    void SetVidPid(int, int) override {}
    void OpenDevMonitor(const MsWindow&, unsigned, unsigned) override {}
    void CloseDevMonitor() override {}
    int OpenFeatureDevice() override { return present; }
    int CloseFeatureDevice() override { return 1; }
    int OpenReportDevice() override { return present; }
    int CloseReportDevice() override { return 1; }
    int SetFeature(uint8_t*, int) override { return 1; }
    int GetFeature(uint8_t*, int) override { return 1; }
    int WriteUSB(uint8_t*, int) override { return 1; }
    int present = 0;
};

std::string_view String(fuzz::ByteReader& in) {
    const auto bytes = in.Take(in.U8());
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// A notice message as the link takes it; every change it makes is one the
// host was told about, and the profile stays within its ranges.
void Deliver(DeviceLink& link, Host& host, uintptr_t wParam, intptr_t lParam) {
    const int saves = host.saves;
    const auto before = std::make_unique<ProfileRecord>(host.profile);
    link.OnDeviceNotice(wParam, lParam);
    const bool changed = std::memcmp(before.get(), &host.profile, sizeof(ProfileRecord)) != 0;
    FUZZ_CHECK(!changed || host.saves == saves + 1);
    FUZZ_CHECK(host.profile.currentDpiLevel >= 0 && host.profile.currentDpiLevel < kDpiLevels);
    FUZZ_CHECK(host.profile.reportRateIndex >= 0 && host.profile.reportRateIndex <= 3);
    FUZZ_CHECK(host.profile.buttonMode == 0 || host.profile.buttonMode == 1);
}

void NoticeReport(fuzz::ByteReader& in, DeviceLink& link, Host& host) {
    const auto report = in.Take(in.U8() % (hid::kDataSize + 2));
    const auto notice = hid::DecodeNotice(report);
    if (!notice) {
        return;
    }
    FUZZ_CHECK(report.size() >= 2 && notice->noticeClass == report[0] &&
               notice->value == report[1]);
    const hid::MessageParams m = hid::NoticeParams(*notice);
    FUZZ_CHECK((m.wParam >> 8) == notice->noticeClass && m.lParam == notice->value);
    Deliver(link, host, m.wParam, m.lParam);
}

void UdevEvent(fuzz::ByteReader& in, hid::PlugTracker& tracker, DeviceLink& link, Driver& driver) {
    static constexpr const char* kActions[] = {"add", "remove", "change", ""};
    const uint8_t flags = in.U8();
    const hid::UdevAction action = hid::ParseUdevAction(kActions[flags & 0x03]);
    const std::string syspath(String(in));
    bool matches = false;
    if (flags & 0x04) {
        const auto ids = hid::ParseHidId(String(in));
        matches = ids && ids->vid == kVid && ids->pid == kPid;
        if (ids) {
            FUZZ_CHECK(ids->vid >= 0 && ids->vid <= 0xFFFF && ids->pid >= 0 && ids->pid <= 0xFFFF);
        }
    } else {
        const auto vid = hid::ParseHexId(String(in));
        const auto pid = hid::ParseHexId(String(in));
        matches = vid && pid && *vid == kVid && *pid == kPid;
    }
    driver.present = (flags & 0x08) ? 1 : 0;
    const bool wasPresent = tracker.Present();
    const auto message =
        tracker.OnEvent(action, syspath, action == hid::UdevAction::Add && matches);
    if (!message) {
        return;
    }
    // Arrival when the first node comes, removal when the last one goes.
    FUZZ_CHECK(*message == 1 ? !wasPresent && tracker.Present() : wasPresent && !tracker.Present());
    link.OnDeviceChange(*message);
    FUZZ_CHECK(link.connectionState() >= DeviceLink::kNotFound &&
               link.connectionState() <= DeviceLink::kRemoved);
}

void FeatureReply(fuzz::ByteReader& in) {
    const int result = int16_t(in.U16());
    uint8_t framed[hid::kFeatureSize + 1] = {};
    const auto bytes = in.Take(sizeof framed);
    std::copy(bytes.begin(), bytes.end(), framed);
    uint8_t out[hid::kFeatureSize] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    const bool ok = hid::UnframeReply(framed, result, 0, out);
    if (ok) {
        FUZZ_CHECK(result >= int(sizeof framed) && framed[0] == 0);
        FUZZ_CHECK(std::memcmp(out, framed + 1, sizeof out) == 0);
    } else {
        for (uint8_t b : out) {
            FUZZ_CHECK(b == 0xEE);
        }
    }
}

void Enumeration(fuzz::ByteReader& in) {
    std::vector<hid::InterfaceRecord> list(in.U8() % 9);
    for (auto& r : list) {
        r.usagePage = unsigned(in.U8()) << 8 | in.U8();
        r.usage = in.U8();
        r.interfaceNumber = int8_t(in.U8());
    }
    const hid::InterfaceChoice choice = hid::SelectInterfaces(list);
    if (list.empty()) {
        FUZZ_CHECK(choice.feature < 0 && choice.data < 0);
        return;
    }
    FUZZ_CHECK(choice.feature >= 0 && size_t(choice.feature) < list.size());
    FUZZ_CHECK(choice.data >= 0 && size_t(choice.data) < list.size());
    bool anyVendor = false;
    for (const auto& r : list) {
        anyVendor = anyVendor || hid::IsVendorPage(r);
    }
    FUZZ_CHECK(hid::IsVendorPage(list[size_t(choice.feature)]) == anyVendor);
    FUZZ_CHECK(hid::IsVendorPage(list[size_t(choice.data)]) == anyVendor);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ByteReader in(data, size);
    auto hostPtr = std::make_unique<Host>();  // a profile is 115 KB: not on the stack
    Host& host = *hostPtr;
    Driver driver;
    driver.present = in.U8() & 1;
    DeviceConfig config;
    config.update = 0;
    DeviceLink link(host, driver, config, [](unsigned, uintptr_t, intptr_t) {});
    link.StartUp();
    hid::PlugTracker tracker;

    for (int event = 0; event < 256 && !in.Empty(); ++event) {
        switch (in.U8() % 6) {
            case 0:
                NoticeReport(in, link, host);
                break;
            case 1: {
                const uintptr_t wParam = uintptr_t(in.U32()) | uintptr_t(in.U32()) << 32;
                const intptr_t lParam = intptr_t(uintptr_t(in.U32()) | uintptr_t(in.U32()) << 32);
                Deliver(link, host, wParam, lParam);
                break;
            }
            case 2:
                UdevEvent(in, tracker, link, driver);
                break;
            case 3:
                host.FireTimers();
                break;
            case 4:
                FeatureReply(in);
                break;
            case 5:
                Enumeration(in);
                break;
        }
    }
    return 0;
}
