#include <algorithm>

#include "cli/command.h"

namespace mouse::cli {

namespace {

bool IsHelp(const std::string& arg) {
    return arg == "--help" || arg == "-h";
}

void PrintCommandList(const std::vector<Command>& commands, std::ostream& out) {
    out << "usage: mousectl COMMAND [ARGS...]\n"
           "       mousectl COMMAND --help\n\ncommands:\n";
    size_t width = 0;
    for (const Command& command : commands) {
        width = std::max(width, std::string(command.name).size());
    }
    for (const Command& command : commands) {
        const std::string name = command.name;
        out << "  " << name << std::string(width - name.size() + 2, ' ') << command.summary << "\n";
    }
}

const Command* Find(const std::vector<Command>& commands, const std::string& name) {
    for (const Command& command : commands) {
        if (name == command.name) {
            return &command;
        }
    }
    return nullptr;
}

}  // namespace

int Dispatch(const std::vector<Command>& commands, const std::vector<std::string>& args,
             std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        PrintCommandList(commands, err);
        return kExitUsage;
    }
    if (IsHelp(args[0]) || args[0] == "help") {
        if (args.size() > 1) {
            if (const Command* command = Find(commands, args[1])) {
                out << command->usage;
                return kExitOk;
            }
            err << "mousectl: unknown command '" << args[1] << "'\n";
            return kExitUsage;
        }
        PrintCommandList(commands, out);
        return kExitOk;
    }
    const Command* command = Find(commands, args[0]);
    if (!command) {
        err << "mousectl: unknown command '" << args[0] << "'\n";
        PrintCommandList(commands, err);
        return kExitUsage;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const std::string& arg : rest) {
        if (arg == "--") {
            break;
        }
        if (IsHelp(arg)) {
            out << command->usage;
            return kExitOk;
        }
    }
    return command->run(rest, out, err);
}

}  // namespace mouse::cli
