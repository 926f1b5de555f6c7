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
// pass corrects nothing), has every field inside the range the pages and the
// select dialogs can give it (checked here from those ranges, not by the
// check itself) and applies to the mouse with every report
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
#include "store/tables.h"

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

bool InRange(long long v, long long lo, long long hi) {
    return v >= lo && v <= hi;
}

bool OpaqueColour(uint32_t colour) {
    return (colour >> 24) == 0;
}

// Every field a page or dialog sets holds one of the values that control can
// give it.
void CheckFieldsInRange(const ProfileRecord& r, const ProfileLimits& limits) {
    FUZZ_CHECK(InRange(r.pointerSpeed, 1, 11) && InRange(r.scrollLines, 1, 100));
    FUZZ_CHECK(InRange(r.doubleClickSpeed, 0, 12) && InRange(r.reportRateIndex, 0, 3));
    FUZZ_CHECK(InRange(r.enhancePointerPrecision, 0, 1) && InRange(r.onePageScroll, 0, 1));
    FUZZ_CHECK(InRange(r.dpiLevelCount, 1, kDpiLevels));
    FUZZ_CHECK(InRange(r.currentDpiLevel, 0, r.dpiLevelCount - 1));
    const SensorRow* sensor = FindSensor(limits.sensorCode);
    for (int i = 0; i < kDpiLevels; ++i) {
        FUZZ_CHECK(sensor == nullptr ||
                   InRange(r.dpiValue[i], sensor->scale.minStep, sensor->scale.maxStep));
        FUZZ_CHECK(r.dpiLevelEnabled[i] <= 1 && OpaqueColour(r.dpiColour[i]));
        FUZZ_CHECK(r.cycleColourEnabled[i] <= 1 && OpaqueColour(r.cycleColour[i]));
    }
    FUZZ_CHECK(InRange(r.lightMode, 0, 11) && InRange(r.lightBrightness, 0, 255));
    FUZZ_CHECK(InRange(r.lightFrequency, 1, 4) && InRange(r.lightLength, 1, 4));
    FUZZ_CHECK(InRange(r.lightColourMode, 0, 1) && OpaqueColour(r.lightFixedColour));
    // A position of the distance list, or 16, the "never set" of a new profile.
    FUZZ_CHECK(InRange(r.liftOffDistance, 0, 7) || r.liftOffDistance == 16);
    FUZZ_CHECK(InRange(r.distanceEnabled, 0, 1) && InRange(r.keyResponse, 1, 30));
    FUZZ_CHECK(InRange(r.buttonMode, 0, 1));
    int macros = 0, presets = 0;
    bool officeLeft = false, gameLeft = false;
    for (int i = 0; i < kButtonSlots; ++i) {
        const ButtonEntry& b = r.buttons[i];
        const int id = b.functionId;
        FUZZ_CHECK(FindFunction(id) != nullptr || id == fn::kRecoil || id == fn::kLeftButtonMacro);
        FUZZ_CHECK(b.buttonIndex == i && InRange(b.repeatMode, 0, 2));
        FUZZ_CHECK(InRange(b.macroIndex, -1, (long long)limits.macroCount - 1));
        FUZZ_CHECK(InRange(b.gunIndex, -1, (long long)limits.gunCount - 1));
        FUZZ_CHECK(InRange(b.fireClickCount, 0, 255) && InRange(b.fireClickDelay, 1, 255));
        FUZZ_CHECK(OpaqueColour(uint32_t(b.bindingColour)) && b.shortcutModifiers <= 0x0F);
        if (id == fn::kMacro || id == fn::kLeftButtonMacro) {
            FUZZ_CHECK(b.bindingCount <= kMaxMacroActions);
            FUZZ_CHECK(b.bindingCount == 0 || InRange(b.bindingLoops, 1, 255));
            for (int a = 0; a < b.bindingCount; ++a) {
                const MacroAction& m = b.macroActions[a];
                FUZZ_CHECK(m.kind <= 2);
                FUZZ_CHECK(m.kind != 0 || (m.code == 0xF6 && InRange(m.x, -32767, 32767) &&
                                           InRange(m.y, -32767, 32767)));
            }
        }
        if (id == fn::kRecoil) {
            FUZZ_CHECK(b.bindingCount <= kMaxBullets && InRange(b.bindingLoops, 0, 255));
            for (const BulletRow& row : b.gunData) {
                FUZZ_CHECK(InRange(row.x, -127, 127) && InRange(row.y, -127, 127));
                FUZZ_CHECK(InRange(row.delay, 10, 1270));
            }
        }
        macros += id == fn::kMacro ? 1 : 0;
        presets += id == fn::kRecoil || id == fn::kLeftButtonMacro ? 1 : 0;
        const bool left = id == fn::kLeftClick || id == fn::kSendGun;
        officeLeft = officeLeft || (left && i <= 29);
        gameLeft = gameLeft || (left && i >= 32);
    }
    FUZZ_CHECK(macros <= 10 && presets <= 3 && officeLeft && gameLeft);
}

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

    CheckFieldsInRange(record, limits);
    CheckApply(record, limits.sensorCode);
    return 0;
}
