// Replies of the mouse: a stand-in device answers every report exchange with
// bytes of the input, and the exchanges that read replies run against it —
// the settings synchronisation (0x83, 0x8B read, 0x03 write back), the
// firmware version read (0x80) and a whole apply.
//
// Input: a list of steps until the input ends. Each step is one byte:
//   bits 0-1  0: settings synchronisation, 1: version read, 2: apply,
//             3: synchronisation with lift-off distance enabled
// and the device then takes, for every call it gets:
//   1 byte    the call's result: 0 fails, any other value is returned
//   8 bytes   (GetFeature succeeding) the reply written over the request;
//   8 bytes   (SetFeature with bit 7 of the result set) bytes the device
//             writes into the caller's buffer
// An input that runs out leaves the rest of the calls failing with the
// buffer untouched.
#include <memory>
#include <vector>

#include "device/apply.h"
#include "device/encode.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace mouse;

struct Call {
    char kind;             // 'S', 'G', 'W'
    FeatureReport sent{};  // the request as the caller passed it
    FeatureReport left{};  // the buffer as the device left it
    int result = 0;
};

class FuzzDevice final : public DeviceIo {
public:
    explicit FuzzDevice(fuzz::ByteReader& in) : in_(in) {}

    int SetFeature(uint8_t* report, int length) override {
        FUZZ_CHECK(length == kFeatureReportSize);
        Call& call = Begin('S', report);
        FUZZ_CHECK(FeatureChecksumValid(report));
        if (call.result & 0x80) {
            Scribble(report);
        }
        return Finish(call, report);
    }
    int GetFeature(uint8_t* buffer, int length) override {
        FUZZ_CHECK(length == kFeatureReportSize);
        Call& call = Begin('G', buffer);
        if (call.result != 0) {
            Scribble(buffer);
        }
        return Finish(call, buffer);
    }
    int WriteUSB(uint8_t*, int length) override {
        FUZZ_CHECK(length == kDataReportSize);
        calls.push_back({'W', {}, {}, in_.U8()});
        return calls.back().result;
    }

    std::vector<Call> calls;

private:
    Call& Begin(char kind, const uint8_t* buffer) {
        Call call{kind, {}, {}, in_.U8()};
        std::copy(buffer, buffer + kFeatureReportSize, call.sent.begin());
        calls.push_back(call);
        return calls.back();
    }
    void Scribble(uint8_t* buffer) {
        const auto bytes = in_.Take(kFeatureReportSize);
        std::copy(bytes.begin(), bytes.end(), buffer);
    }
    int Finish(Call& call, const uint8_t* buffer) {
        std::copy(buffer, buffer + kFeatureReportSize, call.left.begin());
        return call.result;
    }

    fuzz::ByteReader& in_;
};

struct Pauses {
    std::vector<int> ms;
    PauseFn Fn() {
        return [this](int m) { ms.push_back(m); };
    }
};

// The three calls from first on are a settings synchronisation whose
// write-back carries bytes 1, 2, 5 and 6 of whatever the read left in the
// buffer, the lift-off bit from the profile, and 0x40; result is its return.
void CheckSync(const FuzzDevice& device, size_t first, const ProfileRecord& profile, int result) {
    FUZZ_CHECK(device.calls.size() >= first + 3);
    const Call& start = device.calls[first];
    const Call& read = device.calls[first + 1];
    const Call& write = device.calls[first + 2];
    FUZZ_CHECK(start.kind == 'S' && start.sent[0] == 0x83);
    FUZZ_CHECK(read.kind == 'G' && read.sent == MakeFeature(0x8B));
    FUZZ_CHECK(write.kind == 'S' && write.sent[0] == 0x03);
    const FeatureReport& block = read.left;
    FUZZ_CHECK(write.sent[1] == block[1] && write.sent[2] == block[2]);
    FUZZ_CHECK(write.sent[5] == block[5] && write.sent[6] == block[6]);
    FUZZ_CHECK(write.sent[4] == 0x40);
    FUZZ_CHECK((write.sent[3] & ~0x08) == (block[3] & ~0x08));
    FUZZ_CHECK(((write.sent[3] & 0x08) != 0) == (profile.distanceEnabled == 1));
    FUZZ_CHECK(result == write.result);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ByteReader in(data, size);
    FuzzDevice device(in);
    auto profile = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*profile, 3311);
    auto lastApplied = std::make_unique<ProfileRecord>();
    DeviceConfig config;
    config.sensor = 3311;
    config.distance = 1;
    NoPointerSettings pointer;

    for (int step = 0; step < 64 && !in.Empty(); ++step) {
        const uint8_t op = in.U8() & 0x03;
        const size_t first = device.calls.size();
        Pauses pauses;
        switch (op) {
            case 0:
            case 3: {
                profile->distanceEnabled = op == 3 ? 1 : 0;
                const int result = SyncDeviceSettings(device, pauses.Fn(), *profile);
                FUZZ_CHECK(device.calls.size() == first + 3);
                CheckSync(device, first, *profile, result);
                // The pause follows an accepted write-back only.
                FUZZ_CHECK(pauses.ms.size() == (result != 0 ? 1u : 0u));
                break;
            }
            case 1: {
                const auto version = ReadFirmwareVersion(device, pauses.Fn());
                FUZZ_CHECK(device.calls.size() == first + 2);
                const Call& read = device.calls[first + 1];
                FUZZ_CHECK(read.kind == 'G' && read.sent[0] == 0x80);
                FUZZ_CHECK(version.has_value() == (read.result != 0));
                if (version) {
                    FUZZ_CHECK(version->major == read.left[1] && version->minor == read.left[2]);
                }
                // The exchange takes the same time whatever the mouse answers.
                FUZZ_CHECK(pauses.ms.size() == 2);
                break;
            }
            case 2:
                ApplyConfiguration(device, pauses.Fn(), pointer, *profile, *lastApplied, config);
                FUZZ_CHECK(device.calls.size() > first + 3);
                CheckSync(device, first, *profile, device.calls[first + 2].result);
                break;
        }
    }
    return 0;
}
