// Single-profile exchange files (.pbin) as an import checks them, and the
// checked record applied to the virtual mouse's firmware.
//
// Input framing:
//   byte 0   bits 0-4: sensor code of the limits (index into the known codes,
//            then -1 and an unknown code, taken modulo their number);
//            bit 5: the rest patches a record instead of being the file;
//            bit 6: the patched record starts all zero instead of as the
//            default record of the sensor
//   byte 1   macro library size; byte 2: preset library size
//   byte 3   length n of the fallback name, then its n UTF-16 units (2n bytes)
//   then     the file's bytes, or patches: a 32-bit offset (modulo the record
//            size), a length byte and that many bytes, until the input ends
// A refused file leaves no record. An accepted record differs from the file
// only when a correction is named, is a fixed point of the check (a second
// pass corrects nothing) and applies to the mouse with every report
// well-formed: valid checksums, the documented values of the setting
// commands, nothing the firmware model refuses, fire-click parameters whole
// in their bytes, and desktop settings within what the pointer interface
// takes.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "device/apply.h"
#include "device/encode.h"
#include "device/protocol.h"
#include "drivers/sim/sim_mouse.h"
#include "fuzz/fuzz_support.h"
#include "store/profile_file.h"

namespace {

using namespace mouse;

int SensorCode(uint8_t selector) {
    static const std::vector<int> codes = [] {
        const auto known = KnownSensorCodes();
        std::vector<int> all(known.begin(), known.end());
        all.push_back(-1);
        all.push_back(1234);
        return all;
    }();
    return codes[selector % codes.size()];
}

std::vector<uint8_t> PatchedRecord(fuzz::ByteReader& in, int sensor, bool zeroBase) {
    auto base = std::make_unique<ProfileRecord>();
    if (!zeroBase) {
        MakeDefaultRecord(*base, sensor);
    }
    std::vector<uint8_t> bytes(sizeof(ProfileRecord));
    std::memcpy(bytes.data(), base.get(), bytes.size());
    while (!in.Empty()) {
        const size_t offset = in.U32() % bytes.size();
        const auto patch = in.Take(in.U8());
        const size_t n = std::min(patch.size(), bytes.size() - offset);
        std::copy_n(patch.begin(), n, bytes.begin() + long(offset));
    }
    return bytes;
}

// The values the setting commands are documented to carry (device/protocol.h);
// the firmware model takes any byte there.
void CheckSettingValues(const uint8_t* r) {
    switch (r[0]) {
        case cmd::kReportRate:
            FUZZ_CHECK(r[1] == 8 || r[1] == 4 || r[1] == 2 || r[1] == 1);
            break;
        case cmd::kButtonMode:
            FUZZ_CHECK(r[1] == 1 || r[1] == 2);
            break;
        case cmd::kDpiLevel:
            FUZZ_CHECK(r[1] >= 1 && r[1] <= kDpiLevels);
            break;
        case cmd::kLighting:
            FUZZ_CHECK(light::EffectName(r[1]) != nullptr);
            break;
        case cmd::kDpiTable:  // the levels in use, of the table's eight
            FUZZ_CHECK(r[1] >= 1 && r[1] <= kDpiLevels);
            break;
        default:
            break;
    }
}

// The virtual mouse's firmware behind the report calls of an apply.
class CheckedMouse final : public DeviceIo {
public:
    int SetFeature(uint8_t* report, int length) override {
        FUZZ_CHECK(length == kFeatureReportSize);
        FUZZ_CHECK(FeatureChecksumValid(report));
        CheckSettingValues(report);
        std::array<uint8_t, 8> copy;
        std::copy_n(report, copy.size(), copy.begin());
        return mouse.SetFeature(copy) ? 1 : 0;
    }
    int GetFeature(uint8_t* buffer, int length) override {
        FUZZ_CHECK(length == kFeatureReportSize);
        std::array<uint8_t, 8> copy;
        std::copy_n(buffer, copy.size(), copy.begin());
        const bool ok = mouse.GetFeature(copy);
        std::copy(copy.begin(), copy.end(), buffer);
        return ok ? 1 : 0;
    }
    int WriteUSB(uint8_t* report, int length) override {
        FUZZ_CHECK(length == kDataReportSize);
        std::array<uint8_t, 32> copy;
        std::copy_n(report, copy.size(), copy.begin());
        return mouse.WriteUsb(copy) ? 1 : 0;
    }

    SimMouse mouse{SimState{}};
};

// The desktop settings within what PointerPlatform takes.
class CheckedPointer final : public PointerPlatform {
public:
    void SetDoubleClickTime(int ms) override { FUZZ_CHECK(ms > 0); }
    void SetPointer(double speed, bool) override { FUZZ_CHECK(speed >= -1.0 && speed <= 1.0); }
    void SetWheel(int, bool) override {}
};

void CheckApply(const ProfileRecord& record, int sensor) {
    DeviceConfig config;
    config.sensor = sensor;
    config.distance = 1;  // the lift-off and high-DPI commands are sent too
    for (auto& o : config.buttonOverrides) {
        o.useProfile = 1;
    }
    config.distanceValue = {1, 2, 3, 4, 5, 6, 7, 8};
    // An all-zero last-applied copy: every desktop setting is written.
    auto lastApplied = std::make_unique<ProfileRecord>();
    CheckedMouse device;
    CheckedPointer pointer;
    const ApplyReport report = ApplyConfiguration(
        device, [](int) {}, pointer, record, *lastApplied, config);
    const SimState& state = device.mouse.State();
    FUZZ_CHECK(report.Complete());
    FUZZ_CHECK(state.refusedCount == 0);
    FUZZ_CHECK(state.closingCount == 1);
    // A fire-click button's delay and count go into one byte each, whole.
    for (int slot = 0; slot < kButtonSlots; ++slot) {
        const ButtonEntry& entry = record.buttons[slot];
        if (entry.functionId == fn::kFireClick) {
            FUZZ_CHECK(state.buttonTable[size_t(4 * slot + 2)] == entry.fireClickDelay);
            FUZZ_CHECK(state.buttonTable[size_t(4 * slot + 3)] == entry.fireClickCount);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ByteReader in(data, size);
    const uint8_t mode = in.U8();
    ProfileLimits limits;
    limits.sensorCode = SensorCode(mode & 0x1F);
    limits.macroCount = in.U8();
    limits.gunCount = in.U8();
    std::u16string fallback(in.U8(), u'\0');
    for (char16_t& c : fallback) {
        c = in.U16();
    }
    std::vector<uint8_t> file;
    if ((mode & 0x20) != 0) {
        file = PatchedRecord(in, limits.sensorCode, (mode & 0x40) != 0);
    } else {
        const auto rest = in.Rest();
        file.assign(rest.begin(), rest.end());
    }

    const ProfileFileResult result = ParseProfileFile(file, limits, fallback);
    if (file.size() != sizeof(ProfileRecord)) {
        FUZZ_CHECK(!result);
        FUZZ_CHECK(result.record == nullptr);
        FUZZ_CHECK(result.corrected.empty());
        FUZZ_CHECK(result.error == (file.empty() ? ProfileFileError::Empty
                                    : file.size() < sizeof(ProfileRecord)
                                        ? ProfileFileError::TooShort
                                        : ProfileFileError::TooLong));
        return 0;
    }
    FUZZ_CHECK(result && result.record != nullptr);
    const ProfileRecord& record = *result.record;
    // Every change is named: the record is the file's bytes exactly when no
    // correction is listed.
    FUZZ_CHECK(result.corrected.empty() ==
               (std::memcmp(&record, file.data(), sizeof(ProfileRecord)) == 0));

    // What the check let through, checked again, stays as it is.
    auto again = std::make_unique<ProfileRecord>(record);
    FUZZ_CHECK(SanitizeProfile(*again, limits, fallback).empty());
    FUZZ_CHECK(std::memcmp(again.get(), &record, sizeof(ProfileRecord)) == 0);

    CheckApply(record, limits.sensorCode);
    return 0;
}
