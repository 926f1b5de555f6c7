// The exchanges with the mouse: settings synchronisation, writing a whole
// profile, and the firmware version read.
#pragma once

#include <optional>

#include "device/device_io.h"
#include "device/records.h"
#include "performance/pointer_settings.h"
#include "store/data_ini.h"

namespace mouse {

// 0x83, then reads the settings block with 0x8B and writes it back as 0x03
// with the lift-off bit from distanceEnabled. Returns the result of the
// final SetFeature.
int SyncDeviceSettings(DeviceIo& device, const PauseFn& pause, const ProfileRecord& current);

// Writes the whole configuration of current to the mouse: pointer settings
// against lastApplied (then lastApplied = current), settings sync, mode,
// report rate, DPI level, lighting, colour lists, DPI table, button table and
// macro blocks, lift-off distance, closing command, high-DPI mask. A failed
// report only skips the pause that depends on it. Saving the stores is the
// caller's.
void ApplyConfiguration(DeviceIo& device, const PauseFn& pause, PointerPlatform& pointer,
                        const ProfileRecord& current, ProfileRecord& lastApplied,
                        const DeviceConfig& config);

struct FirmwareVersion {
    int major = 0;
    int minor = 0;
};
// 0x80 then a read; nothing when the read fails.
std::optional<FirmwareVersion> ReadFirmwareVersion(DeviceIo& device, const PauseFn& pause);

}  // namespace mouse
