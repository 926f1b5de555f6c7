// The subcommands of mousectl: each is a function of its arguments (without
// the program and command names) writing to out and err, so commands can be
// run in-process by tests.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace mouse::cli {

// Exit statuses shared by all commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFileError = 1;  // missing, unreadable or malformed file
inline constexpr int kExitUsage = 2;      // bad or missing arguments

using CommandFn = int (*)(const std::vector<std::string>& args, std::ostream& out,
                          std::ostream& err);

struct Command {
    const char* name;
    const char* summary;  // one line for the command list
    const char* usage;    // full help text printed by `mousectl NAME --help`
    CommandFn run;
};

// Looks up name in commands and runs it; handles --help/-h for every command
// and the top-level help. argv-style input: args[0] is the command name.
int Dispatch(const std::vector<Command>& commands, const std::vector<std::string>& args,
             std::ostream& out, std::ostream& err);

}  // namespace mouse::cli
