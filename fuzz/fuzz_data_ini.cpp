// Data.ini: the whole input is the file. It is read both from disk (byte
// order marks, UTF-16) and as text, then used as the program uses it: the
// default profile of its sensor and the apply sequence with its DPI table,
// button overrides and lift-off distances.
#include <cstring>
#include <memory>

#include "device/apply.h"
#include "device/encode.h"
#include "fuzz/fuzz_support.h"
#include "store/data_ini.h"

namespace {

using namespace mouse;

// Accepts every report and checks each feature report's checksum.
class CheckingDevice final : public DeviceIo {
public:
    int SetFeature(uint8_t* report, int length) override {
        FUZZ_CHECK(length == kFeatureReportSize);
        FUZZ_CHECK(FeatureChecksumValid(report));
        return 1;
    }
    int GetFeature(uint8_t*, int length) override {
        FUZZ_CHECK(length == kFeatureReportSize);
        return 1;
    }
    int WriteUSB(uint8_t*, int length) override {
        FUZZ_CHECK(length == kDataReportSize);
        return 1;
    }
};

bool SameConfig(const DeviceConfig& a, const DeviceConfig& b) {
    if (a.vid != b.vid || a.pid != b.pid || a.dpi != b.dpi || a.sensor != b.sensor ||
        a.distance != b.distance || a.distanceMin != b.distanceMin ||
        a.distanceMax != b.distanceMax || a.verH != b.verH || a.verL != b.verL ||
        a.update != b.update || a.distanceValue != b.distanceValue) {
        return false;
    }
    for (size_t i = 0; i < a.buttonOverrides.size(); ++i) {
        const ButtonOverride& x = a.buttonOverrides[i];
        const ButtonOverride& y = b.buttonOverrides[i];
        if (std::memcmp(x.code, y.code, sizeof x.code) != 0 || x.useProfile != y.useProfile) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto path = fuzz::ScratchFolder("data-ini") / "Data.ini";
    fuzz::WriteFile(path, {data, size});
    const DeviceConfig config = LoadDeviceConfig(path.string());

    // Without a byte order mark the file is the text.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const bool marked = text.rfind("\xEF\xBB\xBF", 0) == 0 || text.rfind("\xFF\xFE", 0) == 0;
    if (!marked) {
        FUZZ_CHECK(SameConfig(config, ParseDeviceConfig(text)));
    }

    auto profile = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*profile, config.sensor);
    const ButtonTable table = EncodeButtonTable(*profile, config.buttonOverrides);
    FUZZ_CHECK(table.macroBlocks.size() <= size_t(kMaxMacroBlocks));
    for (size_t slot = 0; slot < config.buttonOverrides.size(); ++slot) {
        const ButtonOverride& o = config.buttonOverrides[slot];
        if (o.useProfile != 1) {
            FUZZ_CHECK(std::memcmp(table.codes.data() + 4 * slot, o.code, 4) == 0);
        }
    }
    auto lastApplied = std::make_unique<ProfileRecord>();
    std::memset(static_cast<void*>(lastApplied.get()), 0, sizeof(ProfileRecord));
    CheckingDevice device;
    NoPointerSettings pointer;
    ApplyConfiguration(
        device, [](int) {}, pointer, *profile, *lastApplied, config);
    FUZZ_CHECK(std::memcmp(lastApplied.get(), profile.get(), sizeof(ProfileRecord)) == 0);
    return 0;
}
