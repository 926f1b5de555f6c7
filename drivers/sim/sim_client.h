// Control client of the virtual mouse (mouse-sim), for tools and tests. Each
// call opens a connection to the sim's socket, sends one request (sim_wire.h)
// and waits at most 500 ms for the answer; false or nullopt when the sim is
// not there or refused.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "drivers/sim/sim_state.h"

namespace mouse {

// Plugs the mouse in or pulls it out; monitors get arrival or removal when
// the state changes. Plugging a plugged mouse succeeds and sends nothing.
bool SimPlug(const std::string& socketPath);
bool SimUnplug(const std::string& socketPath);

// Presses the mouse's DPI, report-rate or mode button with value n: sets the
// mouse's DPI level, report rate or button mode to n and sends the notice
// (class 0x07, 0x05 or 0x08, value n). Refused while unplugged.
bool SimPress(const std::string& socketPath, SimButton button, int n);

// "dpi", "rate" or "mode".
std::optional<SimButton> ParseSimButton(std::string_view name);

// The firmware version that the next version read reports.
bool SimSetVersion(const std::string& socketPath, int major, int minor);

// Fault injection. A failed exchange returns 0 to the caller and changes
// nothing in the mouse. Faults add up until SimFailClear.
bool SimFailNext(const std::string& socketPath, int count);  // the next count exchanges
bool SimFailAll(const std::string& socketPath);              // every exchange
// Every exchange of that call kind (SimCall::Any: all kinds) for `command`;
// a data report counts as the command that announced it.
bool SimFailCommand(const std::string& socketPath, SimCall call, uint8_t command);
bool SimFailClear(const std::string& socketPath);

std::optional<SimState> SimGetState(const std::string& socketPath);

}  // namespace mouse
