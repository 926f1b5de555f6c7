#include "device/apply.h"

#include <algorithm>
#include <cstring>

#include "device/encode.h"
#include "device/protocol.h"

namespace mouse {

namespace {

// Pauses after each report, in ms.
constexpr int kSettingPause = 20;
constexpr int kTablePause = 10;
constexpr int kVersionPause = 30;

// The reports of one exchange with the mouse. Each call names its step so
// that a refused report can be told to the user.
class Exchange {
public:
    Exchange(DeviceIo& device, ApplyReport* report) : device_(device), report_(report) {}

    int Send(const FeatureReport& report, const char* step) {
        FeatureReport copy = report;  // the device may write into the buffer
        return Count(device_.SetFeature(copy.data(), kFeatureReportSize), step);
    }

    int Read(uint8_t* buffer, const char* step) {
        return Count(device_.GetFeature(buffer, kFeatureReportSize), step);
    }

    int Write(const uint8_t* payload, size_t size, const char* step) {
        DataReport report{};
        std::memcpy(report.data(), payload, size < report.size() ? size : report.size());
        return Count(device_.WriteUSB(report.data(), kDataReportSize), step);
    }

private:
    int Count(int result, const char* step) {
        if (report_ != nullptr) {
            ++report_->reports;
            if (result == 0) {
                ++report_->refused;
                auto& steps = report_->refusedSteps;
                if (std::find(steps.begin(), steps.end(), step) == steps.end()) {
                    steps.emplace_back(step);
                }
            }
        }
        return result;
    }

    DeviceIo& device_;
    ApplyReport* report_;
};

// A setting whose pause is skipped when the mouse refuses it.
void SendSetting(Exchange& io, const PauseFn& pause, const FeatureReport& report,
                 const char* step) {
    if (io.Send(report, step)) {
        pause(kSettingPause);
    }
}

// 0x10 and the 24 colour bytes (red, green, blue of each entry).
void SendColourList(Exchange& io, const PauseFn& pause, uint8_t list, const uint32_t (&colours)[8],
                    const char* step) {
    io.Send(MakeFeature(cmd::kColourList, list, cmd::kColourListLength), step);
    pause(kSettingPause);
    uint8_t payload[cmd::kColourListLength];
    for (int i = 0; i < 8; ++i) {
        payload[3 * i] = ColourRed(colours[i]);
        payload[3 * i + 1] = ColourGreen(colours[i]);
        payload[3 * i + 2] = ColourBlue(colours[i]);
    }
    io.Write(payload, sizeof payload, step);
    pause(kSettingPause);
}

// One announced piece of the button table or a macro block: the command,
// then 32-byte data reports, each followed by a pause.
void SendTablePiece(Exchange& io, const PauseFn& pause, const FeatureReport& announce,
                    const uint8_t* bytes, int reports, const char* step) {
    io.Send(announce, step);
    pause(kTablePause);
    for (int r = 0; r < reports; ++r) {
        io.Write(bytes + size_t(kDataReportSize) * size_t(r), kDataReportSize, step);
        pause(kTablePause);
    }
}

int SyncSettings(Exchange& io, const PauseFn& pause, const ProfileRecord& current) {
    io.Send(MakeFeature(cmd::kSettingsPrepare), "settings read");
    FeatureReport block = MakeFeature(cmd::kSettingsRead);
    // The buffer is used whether or not the read succeeded; after a failed
    // read it still holds the request.
    io.Read(block.data(), "settings read");
    uint8_t flags = uint8_t(block[3] & ~cmd::kLiftOffBit);
    if (current.distanceEnabled == 1) {
        flags = uint8_t(flags | cmd::kLiftOffBit);
    }
    const int result = io.Send(MakeFeature(cmd::kSettingsWrite, block[1], block[2], flags,
                                           cmd::kSettingsWriteByte4, block[5], block[6]),
                               "settings");
    if (result) {
        pause(kSettingPause);
    }
    return result;
}

}  // namespace

std::string ApplyReport::RefusedText() const {
    std::string text;
    for (const std::string& step : refusedSteps) {
        if (!text.empty()) {
            text += ", ";
        }
        text += step;
    }
    return text;
}

int SyncDeviceSettings(DeviceIo& device, const PauseFn& pause, const ProfileRecord& current) {
    Exchange io(device, nullptr);
    return SyncSettings(io, pause, current);
}

ApplyReport ApplyConfiguration(DeviceIo& device, const PauseFn& pause, PointerPlatform& pointer,
                               const ProfileRecord& current, ProfileRecord& lastApplied,
                               const DeviceConfig& config) {
    ApplyReport report;
    Exchange io(device, &report);
    ApplyPointerSettings(pointer, current, lastApplied);
    if (&lastApplied != &current) {
        lastApplied = current;
    }

    SyncSettings(io, pause, current);

    SendSetting(io, pause, MakeFeature(cmd::kButtonMode, uint8_t(int64_t(current.buttonMode) + 1)),
                "button mode");
    SendSetting(io, pause, MakeFeature(cmd::kReportRate, ReportRateValue(current.reportRateIndex)),
                "report rate");
    SendSetting(io, pause,
                MakeFeature(cmd::kDpiLevel, uint8_t(int64_t(current.currentDpiLevel) + 1)),
                "DPI level");
    const uint32_t fixed = current.lightFixedColour;
    SendSetting(
        io, pause,
        MakeFeature(cmd::kFixedColour, ColourRed(fixed), ColourGreen(fixed), ColourBlue(fixed)),
        "lighting colour");
    const auto lighting = LightingParameters(current);
    SendSetting(io, pause,
                MakeFeature(cmd::kLighting, uint8_t(current.lightMode), lighting[0], lighting[1]),
                "lighting effect");

    SendColourList(io, pause, cmd::kCycleColourList, current.cycleColour, "cycle colours");
    SendColourList(io, pause, cmd::kDpiColourList, current.dpiColour, "DPI colours");

    io.Send(MakeFeature(cmd::kDpiTable, current.dpiLevelCount, cmd::kDpiTableLength), "DPI table");
    pause(kSettingPause);
    const auto dpiTable = EncodeDpiTable(current, config.sensor);
    if (io.Write(dpiTable.data(), dpiTable.size(), "DPI table")) {
        pause(kTablePause);
    }

    const ButtonTable table = EncodeButtonTable(current, config.buttonOverrides);
    for (int c = 1; c <= cmd::kButtonChunks; ++c) {
        SendTablePiece(io, pause,
                       MakeFeature(cmd::kButtonTable, uint8_t(c), cmd::kButtonChunkLength),
                       table.codes.data() + cmd::kButtonChunkLength * (c - 1),
                       cmd::kButtonChunkReports, "button table");
    }
    for (size_t k = 0; k < table.macroBlocks.size(); ++k) {
        SendTablePiece(io, pause,
                       MakeFeature(cmd::kMacroBlock, uint8_t(k + 1), cmd::kMacroBlockLength),
                       table.macroBlocks[k].data(), cmd::kMacroBlockReports, "macros");
    }
    pause(kTablePause);

    if (config.distance != 0) {
        io.Send(
            MakeFeature(cmd::kLiftOff, LiftOffDistanceValue(current, config), current.keyResponse),
            "lift-off distance");
    }
    pause(kSettingPause);

    io.Send(MakeFeature(cmd::kClose, cmd::kCloseBytes[0], cmd::kCloseBytes[1], cmd::kCloseBytes[2]),
            "closing command");
    pause(kSettingPause);

    if (SensorHasHighDpiMask(config.sensor)) {
        if (config.distance != 0) {
            io.Send(MakeFeature(cmd::kHighDpiMask, cmd::kHighDpiMaskPrefix,
                                HighDpiMask(current, config.sensor)),
                    "high-DPI mask");
        }
        pause(kSettingPause);
    }
    return report;
}

std::optional<FirmwareVersion> ReadFirmwareVersion(DeviceIo& device, const PauseFn& pause) {
    Exchange io(device, nullptr);
    io.Send(MakeFeature(cmd::kVersionRead), "firmware version");
    pause(kVersionPause);
    uint8_t buffer[kFeatureReportSize] = {cmd::kVersionRead, 0, 0, 0, 0, 0, 0, 0};
    const int ok = io.Read(buffer, "firmware version");
    // The second pause is kept on failure too, so the exchange always takes
    // the same time and the device gets its rest before the next request.
    pause(kVersionPause);
    if (!ok) {
        return std::nullopt;
    }
    return FirmwareVersion{buffer[1], buffer[2]};
}

}  // namespace mouse
