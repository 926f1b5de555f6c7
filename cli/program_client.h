// mousectl as a client of the running program's D-Bus interface
// (io.github.mousedriver.MouseDriver1 on the session bus). Every request
// goes through the program, so its window, its stores and the mouse agree.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace mouse::cli {

inline constexpr int kExitNotRunning = 6;  // the command needs the running program
inline constexpr int kExitBusy = 7;        // a dialog of the program is open
inline constexpr int kExitRefused = 8;     // the mouse refused reports of the apply

// True when the program owns its name on the session bus.
bool ProgramOnBus();

struct LiveProfiles {
    std::vector<std::string> names;
    int current = 0;  // 0-based
};
struct LiveDpi {
    int level = 0;  // from 1
    int count = 0;
};

// Each returns nullopt after writing the reason to err; *status then holds
// the exit status.
std::optional<LiveProfiles> LiveListProfiles(std::ostream& err, int* status);
std::optional<LiveDpi> LiveGetDpi(std::ostream& err, int* status);
std::optional<std::string> LiveStateText(bool json, std::ostream& err, int* status);

// Requests that change the mouse: the exit status (0, or the reason written
// to err). They wait for the apply they start to finish and tell whether
// the mouse took it.
int LiveSwitchProfile(const std::string& target, std::ostream& out, std::ostream& err);
int LiveDpiChange(const std::string& op, int level, std::ostream& out, std::ostream& err);
int LiveApply(std::ostream& out, std::ostream& err);

}  // namespace mouse::cli
