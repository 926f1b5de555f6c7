#include "device/apply.h"

#include <cstring>

#include "device/encode.h"

namespace mouse {

namespace {

// Pauses after each report, in ms.
constexpr int kSettingPause = 20;
constexpr int kTablePause = 10;
constexpr int kVersionPause = 30;

int Send(DeviceIo& device, const FeatureReport& report) {
    FeatureReport copy = report;  // the device may write into the buffer
    return device.SetFeature(copy.data(), kFeatureReportSize);
}

int Write(DeviceIo& device, const uint8_t* payload, size_t size) {
    DataReport report{};
    std::memcpy(report.data(), payload, size < report.size() ? size : report.size());
    return device.WriteUSB(report.data(), kDataReportSize);
}

// A setting whose pause is skipped when the mouse refuses it.
void SendSetting(DeviceIo& device, const PauseFn& pause, const FeatureReport& report) {
    if (Send(device, report)) {
        pause(kSettingPause);
    }
}

// 0x10 and the 24 colour bytes (red, green, blue of each entry).
void SendColourList(DeviceIo& device, const PauseFn& pause, uint8_t list,
                    const uint32_t (&colours)[8]) {
    Send(device, MakeFeature(0x10, list, 0x18));
    pause(kSettingPause);
    uint8_t payload[24];
    for (int i = 0; i < 8; ++i) {
        payload[3 * i] = ColourRed(colours[i]);
        payload[3 * i + 1] = ColourGreen(colours[i]);
        payload[3 * i + 2] = ColourBlue(colours[i]);
    }
    Write(device, payload, sizeof payload);
    pause(kSettingPause);
}

// One announced piece of the button table or a macro block: the command,
// then 32-byte data reports, each followed by a pause.
void SendTablePiece(DeviceIo& device, const PauseFn& pause, const FeatureReport& announce,
                    const uint8_t* bytes, int reports) {
    Send(device, announce);
    pause(kTablePause);
    for (int r = 0; r < reports; ++r) {
        Write(device, bytes + size_t(kDataReportSize) * size_t(r), kDataReportSize);
        pause(kTablePause);
    }
}

}  // namespace

int SyncDeviceSettings(DeviceIo& device, const PauseFn& pause, const ProfileRecord& current) {
    Send(device, MakeFeature(0x83));
    FeatureReport block = MakeFeature(0x8B);
    // The buffer is used whether or not the read succeeded; after a failed
    // read it still holds the request.
    device.GetFeature(block.data(), kFeatureReportSize);
    uint8_t flags = uint8_t(block[3] & ~0x08);
    if (current.distanceEnabled == 1) {
        flags = uint8_t(flags | 0x08);
    }
    const int result =
        Send(device, MakeFeature(0x03, block[1], block[2], flags, 0x40, block[5], block[6]));
    if (result) {
        pause(kSettingPause);
    }
    return result;
}

void ApplyConfiguration(DeviceIo& device, const PauseFn& pause, PointerPlatform& pointer,
                        const ProfileRecord& current, ProfileRecord& lastApplied,
                        const DeviceConfig& config) {
    ApplyPointerSettings(pointer, current, lastApplied);
    if (&lastApplied != &current) {
        lastApplied = current;
    }

    SyncDeviceSettings(device, pause, current);

    SendSetting(device, pause, MakeFeature(0x02, uint8_t(current.buttonMode + 1)));
    SendSetting(device, pause, MakeFeature(0x01, ReportRateValue(current.reportRateIndex)));
    SendSetting(device, pause, MakeFeature(0x0B, uint8_t(current.currentDpiLevel + 1)));
    const uint32_t fixed = current.lightFixedColour;
    SendSetting(device, pause,
                MakeFeature(0x0C, ColourRed(fixed), ColourGreen(fixed), ColourBlue(fixed)));
    const auto lighting = LightingParameters(current);
    SendSetting(device, pause,
                MakeFeature(0x0D, uint8_t(current.lightMode), lighting[0], lighting[1]));

    SendColourList(device, pause, 0, current.cycleColour);
    SendColourList(device, pause, 1, current.dpiColour);

    Send(device, MakeFeature(0x11, current.dpiLevelCount, 0x08));
    pause(kSettingPause);
    const auto dpiTable = EncodeDpiTable(current, config.sensor);
    if (Write(device, dpiTable.data(), dpiTable.size())) {
        pause(kTablePause);
    }

    const ButtonTable table = EncodeButtonTable(current, config.buttonOverrides);
    for (int c = 1; c <= 4; ++c) {
        SendTablePiece(device, pause, MakeFeature(0x12, uint8_t(c), 0x40),
                       table.codes.data() + 64 * (c - 1), 2);
    }
    for (size_t k = 0; k < table.macroBlocks.size(); ++k) {
        SendTablePiece(device, pause, MakeFeature(0x13, uint8_t(k + 1), 0x80),
                       table.macroBlocks[k].data(), 4);
    }
    pause(kTablePause);

    if (config.distance != 0) {
        Send(device, MakeFeature(0x04, LiftOffDistanceValue(current, config), current.keyResponse));
    }
    pause(kSettingPause);

    Send(device, MakeFeature(0x08, 0xAA, 0xCC, 0xEE));
    pause(kSettingPause);

    if (SensorHasHighDpiMask(config.sensor)) {
        if (config.distance != 0) {
            Send(device, MakeFeature(0x07, 0x00, HighDpiMask(current, config.sensor)));
        }
        pause(kSettingPause);
    }
}

std::optional<FirmwareVersion> ReadFirmwareVersion(DeviceIo& device, const PauseFn& pause) {
    Send(device, MakeFeature(0x80));
    pause(kVersionPause);
    uint8_t buffer[kFeatureReportSize] = {0x80, 0, 0, 0, 0, 0, 0, 0};
    const int ok = device.GetFeature(buffer, kFeatureReportSize);
    // The second pause is kept on failure too, so the exchange always takes
    // the same time and the device gets its rest before the next request.
    pause(kVersionPause);
    if (!ok) {
        return std::nullopt;
    }
    return FirmwareVersion{buffer[1], buffer[2]};
}

}  // namespace mouse
