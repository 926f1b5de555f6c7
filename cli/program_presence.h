// Whether the program runs for this user: its single-instance socket answers.
// While it runs, mousectl never writes the stores or the mouse behind its
// back.
#pragma once

#include <filesystem>
#include <vector>

#include "store/data_location.h"

namespace mouse::cli {

// Where the running program's socket can be, in the order the program
// chooses its runtime folder: $XDG_RUNTIME_DIR, then the user's folder in
// the temporary folder, then the one in the cache folder.
std::vector<std::filesystem::path> ProgramSocketCandidates(const EnvReader& getenv = nullptr);

// True when a program listens on one of them (a socket file left by a
// crashed copy refuses the connection and does not count).
bool ProgramRunning(const EnvReader& getenv = nullptr);

}  // namespace mouse::cli
