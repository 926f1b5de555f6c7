// The exchanges with the mouse: settings synchronisation, writing a whole
// profile, and the firmware version read.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "device/device_io.h"
#include "device/records.h"
#include "performance/pointer_settings.h"
#include "store/data_ini.h"

namespace mouse {

// 0x83, then reads the settings block with 0x8B and writes it back as 0x03
// with the lift-off bit from distanceEnabled. Returns the result of the
// final SetFeature.
int SyncDeviceSettings(DeviceIo& device, const PauseFn& pause, const ProfileRecord& current);

// What an apply exchanged with the mouse: every report (and the settings
// read) counts; a refused one is named by its step, once per step.
struct ApplyReport {
    int reports = 0;
    int refused = 0;
    std::vector<std::string> refusedSteps;  // in order, e.g. "button table"
    bool Complete() const { return refused == 0; }
    // "button mode, DPI table" (empty when complete).
    std::string RefusedText() const;
};

// Writes the whole configuration of current to the mouse: pointer settings
// against lastApplied (then lastApplied = current), settings sync, mode,
// report rate, DPI level, lighting, colour lists, DPI table, button table and
// macro blocks, lift-off distance, closing command, high-DPI mask. A failed
// report only skips the pause that depends on it; the sequence always runs to
// its end and the report says what the mouse refused. Saving the stores is
// the caller's.
ApplyReport ApplyConfiguration(DeviceIo& device, const PauseFn& pause, PointerPlatform& pointer,
                               const ProfileRecord& current, ProfileRecord& lastApplied,
                               const DeviceConfig& config);

struct FirmwareVersion {
    int major = 0;
    int minor = 0;
};
// 0x80 then a read; nothing when the read fails.
std::optional<FirmwareVersion> ReadFirmwareVersion(DeviceIo& device, const PauseFn& pause);

}  // namespace mouse
