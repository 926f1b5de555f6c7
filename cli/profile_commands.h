// mousectl status, profile list and dpi get: what the program keeps, read
// from its store files (never written).
#pragma once

#include <vector>

#include "cli/command.h"

namespace mouse::cli {

std::vector<Command> ProfileCommands();

}  // namespace mouse::cli
