// The firmware of the virtual mouse: takes feature and data reports the way
// the mouse does and keeps what they carry. No I/O; the server in
// mouse_sim.cpp feeds it.
//
// What it accepts (anything else is refused and counted in refusedCount):
//  * feature reports whose eight bytes sum to 0xFF (mod 256), with the
//    parameters of their command and zeros in every unused byte;
//  * GetFeature 0x8B (checksummed) -> 8B s1..s6 chk, and GetFeature 0x80,
//    with or without checksum -> 80 major minor 00 00 00 00 chk;
//  * data reports only as many as the last accepted feature report announced
//    (0x10: one, 0x11: one, 0x12: two, 0x13: four), with zeros after the
//    payload; the announced block is stored when its last report arrives.
// Every accepted feature report ends an announcement still waiting for
// data. Injected faults drop an exchange before the firmware sees it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "drivers/sim/sim_state.h"

namespace mouse {

struct SimNotice {
    uint8_t noticeClass = 0;
    uint8_t value = 0;
};

class SimMouse {
public:
    explicit SimMouse(const SimState& initial) : state_(initial) {}

    bool SetFeature(const std::array<uint8_t, 8>& report);
    // `buffer` holds the request; on success it holds the reply.
    bool GetFeature(std::array<uint8_t, 8>& buffer);
    bool WriteUsb(const std::array<uint8_t, 32>& report);

    // Plug state. Each plug starts a new generation: channels opened in an
    // earlier one stay dead. Return true when the state changed.
    bool Plug();
    bool Unplug();
    bool Plugged() const { return state_.plugged; }
    uint64_t Generation() const { return generation_; }

    // The user pressed a button on the mouse: the notice to send, or none
    // while unplugged.
    std::optional<SimNotice> Press(SimButton button, uint8_t n);

    void SetVersion(uint8_t major, uint8_t minor);

    void ClearFaults();
    void FailNext(int count);
    void FailAll();
    // Fails every exchange of `call` (Any: every kind) whose command is
    // `command`; for data reports that is the command that announced them.
    void FailCommand(SimCall call, uint8_t command);

    const SimState& State() const { return state_; }

private:
    struct Pending {
        uint8_t command = 0;
        uint8_t arg = 0;
        size_t reports = 0;
        std::vector<uint8_t> data;
    };

    bool Faulted(SimCall call, uint8_t command);
    bool Refuse();
    bool Accept();
    bool ApplyCommand(const std::array<uint8_t, 8>& r, std::optional<Pending>& announced);
    void Commit(const Pending& p);

    SimState state_;
    uint64_t generation_ = 1;
    std::optional<Pending> pending_;
    bool failAll_ = false;
    int failNext_ = 0;
    std::vector<std::pair<SimCall, uint8_t>> failCommands_;
};

// All eight bytes sum to 0xFF modulo 256.
bool SimChecksumValid(const std::array<uint8_t, 8>& report);
// Sets byte 7 so that the report's bytes sum to 0xFF.
void SimSetChecksum(std::array<uint8_t, 8>& report);

}  // namespace mouse
