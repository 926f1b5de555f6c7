#include "drivers/sim/sim_mouse.h"

#include <algorithm>

namespace mouse {

bool SimChecksumValid(const std::array<uint8_t, 8>& report) {
    unsigned sum = 0;
    for (uint8_t b : report) {
        sum += b;
    }
    return (sum & 0xFF) == 0xFF;
}

void SimSetChecksum(std::array<uint8_t, 8>& report) {
    unsigned sum = 0;
    for (size_t i = 0; i < 7; ++i) {
        sum += report[i];
    }
    report[7] = static_cast<uint8_t>(0xFF - (sum & 0xFF));
}

namespace {

// Bytes from `first` to 6 are zero.
bool ZeroFrom(const std::array<uint8_t, 8>& r, size_t first) {
    return std::all_of(r.begin() + static_cast<long>(first), r.begin() + 7,
                       [](uint8_t b) { return b == 0; });
}

}  // namespace

bool SimMouse::Faulted(SimCall call, uint8_t command) {
    bool fail = failAll_;
    if (!fail && failNext_ > 0) {
        --failNext_;
        fail = true;
    }
    if (!fail) {
        for (const auto& [c, cmd] : failCommands_) {
            if ((c == SimCall::Any || c == call) && cmd == command) {
                fail = true;
                break;
            }
        }
    }
    if (fail) {
        ++state_.faultCount;
    }
    return fail;
}

bool SimMouse::Refuse() {
    ++state_.refusedCount;
    return false;
}

bool SimMouse::Accept() {
    ++state_.acceptedCount;
    return true;
}

bool SimMouse::ApplyCommand(const std::array<uint8_t, 8>& r, std::optional<Pending>& announced) {
    SimState& s = state_;
    auto announce = [&](size_t reports) {
        announced = Pending{r[0], r[1], reports, {}};
        return true;
    };
    switch (r[0]) {
        case 0x83:  // precedes the settings read
        case 0x80:  // precedes the version read
            return ZeroFrom(r, 1);
        case 0x03:
            std::copy(r.begin() + 1, r.begin() + 7, s.settings.begin());
            return true;
        case 0x02:
            if (!ZeroFrom(r, 2)) {
                return false;
            }
            s.buttonMode = r[1];
            return true;
        case 0x01:
            if (!ZeroFrom(r, 2)) {
                return false;
            }
            s.reportRate = r[1];
            return true;
        case 0x0B:
            if (!ZeroFrom(r, 2)) {
                return false;
            }
            s.dpiLevel = r[1];
            return true;
        case 0x0C:
            if (!ZeroFrom(r, 4)) {
                return false;
            }
            s.fixedColour = {r[1], r[2], r[3]};
            return true;
        case 0x0D:
            if (!ZeroFrom(r, 4)) {
                return false;
            }
            s.lightEffect = r[1];
            s.lightP = r[2];
            s.lightQ = r[3];
            return true;
        case 0x10:
            return r[1] <= 1 && r[2] == 0x18 && ZeroFrom(r, 3) && announce(1);
        case 0x11:
            return r[2] == 0x08 && ZeroFrom(r, 3) && announce(1);
        case 0x12:
            return r[1] >= 1 && r[1] <= 4 && r[2] == 0x40 && ZeroFrom(r, 3) && announce(2);
        case 0x13:
            return r[1] >= 1 && r[1] <= 10 && r[2] == 0x80 && ZeroFrom(r, 3) && announce(4);
        case 0x04:
            if (!ZeroFrom(r, 3)) {
                return false;
            }
            s.liftOff = r[1];
            s.keyResponse = r[2];
            return true;
        case 0x08:
            if (r[1] != 0xAA || r[2] != 0xCC || r[3] != 0xEE || !ZeroFrom(r, 4)) {
                return false;
            }
            ++s.closingCount;
            return true;
        case 0x07:
            if (r[1] != 0 || !ZeroFrom(r, 3)) {
                return false;
            }
            s.highDpiMask = r[2];
            return true;
        default:
            return false;
    }
}

bool SimMouse::SetFeature(const std::array<uint8_t, 8>& report) {
    if (Faulted(SimCall::SetFeature, report[0])) {
        return false;
    }
    if (!SimChecksumValid(report)) {
        return Refuse();
    }
    std::optional<Pending> announced;
    if (!ApplyCommand(report, announced)) {
        return Refuse();
    }
    pending_ = std::move(announced);
    return Accept();
}

bool SimMouse::GetFeature(std::array<uint8_t, 8>& buffer) {
    if (Faulted(SimCall::GetFeature, buffer[0])) {
        return false;
    }
    std::array<uint8_t, 8> reply{};
    if (buffer[0] == 0x80 && ZeroFrom(buffer, 1) && (buffer[7] == 0 || SimChecksumValid(buffer))) {
        // The version request travels without checksum.
        reply = {0x80, state_.versionMajor, state_.versionMinor, 0, 0, 0, 0, 0};
    } else if (buffer[0] == 0x8B && SimChecksumValid(buffer) && ZeroFrom(buffer, 1)) {
        reply[0] = 0x8B;
        std::copy(state_.settings.begin(), state_.settings.end(), reply.begin() + 1);
    } else {
        return Refuse();
    }
    SimSetChecksum(reply);
    buffer = reply;
    pending_.reset();
    return Accept();
}

bool SimMouse::WriteUsb(const std::array<uint8_t, 32>& report) {
    if (Faulted(SimCall::WriteUSB, pending_ ? pending_->command : 0)) {
        return false;
    }
    if (!pending_) {
        return Refuse();
    }
    // Single-report blocks carry fewer payload bytes; the rest must be zero.
    const size_t payload = pending_->command == 0x10 ? 24 : pending_->command == 0x11 ? 8 : 32;
    if (!std::all_of(report.begin() + static_cast<long>(payload), report.end(),
                     [](uint8_t b) { return b == 0; })) {
        return Refuse();
    }
    pending_->data.insert(pending_->data.end(), report.begin(),
                          report.begin() + static_cast<long>(payload));
    if (pending_->data.size() == pending_->reports * payload) {
        Commit(*pending_);
        pending_.reset();
    }
    return Accept();
}

void SimMouse::Commit(const Pending& p) {
    SimState& s = state_;
    switch (p.command) {
        case 0x10:
            std::copy_n(p.data.begin(), 24,
                        p.arg == 0 ? s.cycleColours.begin() : s.dpiColours.begin());
            break;
        case 0x11:
            std::copy_n(p.data.begin(), 8, s.dpiTable.begin());
            s.dpiLevelCount = p.arg;
            break;
        case 0x12:
            std::copy_n(p.data.begin(), 64, s.buttonTable.begin() + 64 * (p.arg - 1));
            break;
        case 0x13: {
            std::array<uint8_t, 128> block{};
            std::copy_n(p.data.begin(), 128, block.begin());
            s.macroBlocks[static_cast<size_t>(p.arg - 1)] = block;
            break;
        }
        default:
            break;
    }
}

bool SimMouse::Plug() {
    if (state_.plugged) {
        return false;
    }
    state_.plugged = true;
    ++generation_;
    return true;
}

bool SimMouse::Unplug() {
    if (!state_.plugged) {
        return false;
    }
    state_.plugged = false;
    pending_.reset();
    return true;
}

std::optional<SimNotice> SimMouse::Press(SimButton button, uint8_t n) {
    if (!state_.plugged) {
        return std::nullopt;
    }
    switch (button) {
        case SimButton::Dpi:
            state_.dpiLevel = n;
            return SimNotice{0x07, n};
        case SimButton::Rate:
            state_.reportRate = n;
            return SimNotice{0x05, n};
        case SimButton::Mode:
            state_.buttonMode = n;
            return SimNotice{0x08, n};
    }
    return std::nullopt;
}

void SimMouse::SetVersion(uint8_t major, uint8_t minor) {
    state_.versionMajor = major;
    state_.versionMinor = minor;
}

void SimMouse::ClearFaults() {
    failAll_ = false;
    failNext_ = 0;
    failCommands_.clear();
}

void SimMouse::FailNext(int count) {
    failNext_ = count > 0 ? count : 0;
}

void SimMouse::FailAll() {
    failAll_ = true;
}

void SimMouse::FailCommand(SimCall call, uint8_t command) {
    failCommands_.emplace_back(call, command);
}

}  // namespace mouse
