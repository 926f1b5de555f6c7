// A stand-in mouse that accepts reports and writes every call as one line of
// text, and a pause that records instead of sleeping. The line format is the
// output format of `mousectl encode`:
//
//   SetFeature <16 hex>
//   GetFeature <16 hex request> <16 hex reply>
//   WriteUSB <64 hex>
//   Sleep <ms>
//
// Hex is lower case without separators. Header-only so that tests and
// benchmarks can use it without linking the command-line tool.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "device/device_io.h"
#include "device/encode.h"
#include "store/ascii.h"

namespace mouse {

enum class DeviceCall { kSetFeature, kGetFeature, kWriteUSB };

class RecordingDevice final : public DeviceIo {
public:
    // Decides whether a call is refused (returns 0); the bytes are the report
    // or request as passed in.
    using RefuseFn = std::function<bool(DeviceCall call, const uint8_t* bytes, int length)>;

    // Lines go to transcript when it is given; without one the device only
    // counts calls (for benchmarks).
    explicit RecordingDevice(std::vector<std::string>* transcript = nullptr)
        : transcript_(transcript) {}

    // Bytes 1-6 of the reply to the settings read (0x8B).
    void SetSettingsBlock(const std::array<uint8_t, 6>& block) { settings_ = block; }
    // Bytes 1 and 2 of the reply to the version read (0x80).
    void SetFirmwareVersion(uint8_t major, uint8_t minor) {
        major_ = major;
        minor_ = minor;
    }
    void SetRefuse(RefuseFn refuse) { refuse_ = std::move(refuse); }

    size_t CallCount() const { return calls_; }

    int SetFeature(uint8_t* report, int length) override {
        ++calls_;
        Record("SetFeature ", report, length);
        return Refused(DeviceCall::kSetFeature, report, length) ? 0 : 1;
    }

    // Answers 0x8B with the settings block and 0x80 with the version, each
    // with a valid checksum; other requests come back unchanged. A refused
    // read leaves the buffer as it was.
    int GetFeature(uint8_t* buffer, int length) override {
        ++calls_;
        std::string line;
        if (transcript_) {
            line = "GetFeature " + HexBytes({buffer, size_t(length)}) + " ";
        }
        const bool refused = Refused(DeviceCall::kGetFeature, buffer, length);
        if (!refused && length == kFeatureReportSize) {
            if (buffer[0] == 0x8B) {
                const FeatureReport reply =
                    MakeFeature(0x8B, settings_[0], settings_[1], settings_[2], settings_[3],
                                settings_[4], settings_[5]);
                std::copy(reply.begin(), reply.end(), buffer);
            } else if (buffer[0] == 0x80) {
                const FeatureReport reply = MakeFeature(0x80, major_, minor_);
                std::copy(reply.begin(), reply.end(), buffer);
            }
        }
        if (transcript_) {
            transcript_->push_back(line + HexBytes({buffer, size_t(length)}));
        }
        return refused ? 0 : 1;
    }

    int WriteUSB(uint8_t* report, int length) override {
        ++calls_;
        Record("WriteUSB ", report, length);
        return Refused(DeviceCall::kWriteUSB, report, length) ? 0 : 1;
    }

private:
    void Record(const char* prefix, const uint8_t* bytes, int length) {
        if (transcript_) {
            transcript_->push_back(prefix + HexBytes({bytes, size_t(length)}));
        }
    }
    bool Refused(DeviceCall call, const uint8_t* bytes, int length) const {
        return refuse_ && refuse_(call, bytes, length);
    }

    std::vector<std::string>* transcript_;
    std::array<uint8_t, 6> settings_{};
    uint8_t major_ = 0;
    uint8_t minor_ = 0;
    RefuseFn refuse_;
    size_t calls_ = 0;
};

// A pause that adds "Sleep <ms>" to the transcript (when given) and sums the
// time into totalMs (when given); it never sleeps.
inline PauseFn RecordingPause(std::vector<std::string>* transcript, int64_t* totalMs = nullptr) {
    return [transcript, totalMs](int ms) {
        if (transcript) {
            transcript->push_back("Sleep " + std::to_string(ms));
        }
        if (totalMs) {
            *totalMs += ms;
        }
    };
}

}  // namespace mouse
