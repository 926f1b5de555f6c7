// The three report calls of the mouse, as the apply sequence sees them.
#pragma once

#include <cstdint>
#include <functional>

namespace mouse {

inline constexpr int kFeatureReportSize = 8;
inline constexpr int kDataReportSize = 32;

// Each call returns non-zero on success. SetFeature sends an 8-byte feature
// report, GetFeature sends the 8-byte request in the buffer and leaves the
// reply in it, WriteUSB sends a 32-byte data report.
class DeviceIo {
public:
    virtual ~DeviceIo() = default;
    virtual int SetFeature(uint8_t* report, int length) = 0;
    virtual int GetFeature(uint8_t* buffer, int length) = 0;
    virtual int WriteUSB(uint8_t* report, int length) = 0;
};

// Waits the given number of milliseconds between reports. Tests pass a
// recording function that does not sleep.
using PauseFn = std::function<void(int ms)>;

}  // namespace mouse
