#include "drivers/sim/sim_client.h"

#include "drivers/sim/sim_wire.h"

namespace mouse {

namespace {

bool Command(const std::string& path, uint8_t op, std::vector<uint8_t> payload = {}) {
    auto reply = simwire::ExchangeOnce(path, simwire::Frame{op, 0, std::move(payload)});
    return reply && reply->status == 1;
}

bool Fail(const std::string& path, uint8_t mode, uint8_t a = 0, uint8_t b = 0) {
    return Command(path, simwire::kFail, {mode, a, b});
}

}  // namespace

bool SimPlug(const std::string& socketPath) {
    return Command(socketPath, simwire::kPlug);
}

bool SimUnplug(const std::string& socketPath) {
    return Command(socketPath, simwire::kUnplug);
}

bool SimPress(const std::string& socketPath, SimButton button, int n) {
    if (n < 0 || n > 255) {
        return false;
    }
    return Command(socketPath, simwire::kPress,
                   {static_cast<uint8_t>(button), static_cast<uint8_t>(n)});
}

std::optional<SimButton> ParseSimButton(std::string_view name) {
    if (name == "dpi") {
        return SimButton::Dpi;
    }
    if (name == "rate") {
        return SimButton::Rate;
    }
    if (name == "mode") {
        return SimButton::Mode;
    }
    return std::nullopt;
}

bool SimSetVersion(const std::string& socketPath, int major, int minor) {
    if (major < 0 || major > 255 || minor < 0 || minor > 255) {
        return false;
    }
    return Command(socketPath, simwire::kSetVersion,
                   {static_cast<uint8_t>(major), static_cast<uint8_t>(minor)});
}

bool SimFailNext(const std::string& socketPath, int count) {
    if (count < 0 || count > 0xFFFF) {
        return false;
    }
    return Fail(socketPath, simwire::kFailNext, static_cast<uint8_t>(count & 0xFF),
                static_cast<uint8_t>(count >> 8));
}

bool SimFailAll(const std::string& socketPath) {
    return Fail(socketPath, simwire::kFailAll);
}

bool SimFailCommand(const std::string& socketPath, SimCall call, uint8_t command) {
    return Fail(socketPath, simwire::kFailCommand, static_cast<uint8_t>(call), command);
}

bool SimFailClear(const std::string& socketPath) {
    return Fail(socketPath, simwire::kFailClear);
}

std::optional<SimState> SimGetState(const std::string& socketPath) {
    auto reply = simwire::ExchangeOnce(socketPath, simwire::Frame{simwire::kState, 0, {}});
    if (!reply || reply->status != 1) {
        return std::nullopt;
    }
    return ParseSimState(std::string_view(reinterpret_cast<const char*>(reply->payload.data()),
                                          reply->payload.size()));
}

}  // namespace mouse
