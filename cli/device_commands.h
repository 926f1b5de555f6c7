// mousectl commands that need a mouse or a virtual mouse: apply, version, sim.
#pragma once

#include <vector>

#include "cli/command.h"

namespace mouse::cli {

inline constexpr int kExitDevice = 3;       // no mouse, or the mouse refused reports
inline constexpr int kExitPermission = 4;   // the mouse is there but closed to this user
inline constexpr int kExitProgramRuns = 5;  // the program runs: writing would bypass it

std::vector<Command> DeviceCommands();

}  // namespace mouse::cli
