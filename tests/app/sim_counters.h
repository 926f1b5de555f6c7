// Counters of a virtual mouse for waiting in tests; 0 when it does not answer,
// so a dead virtual mouse makes a wait time out instead of crashing the test.
#pragma once

#include <cstdint>
#include <string>

#include "drivers/sim/sim_client.h"

namespace mouse::test {

inline uint32_t AcceptedExchanges(const std::string& socket) {
    auto state = SimGetState(socket);
    return state ? state->acceptedCount : 0;
}

inline uint32_t ClosingCommands(const std::string& socket) {
    auto state = SimGetState(socket);
    return state ? state->closingCount : 0;
}

}  // namespace mouse::test
