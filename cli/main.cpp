// mousectl: the configuration core from the command line.
#include <iostream>

#include "cli/command.h"
#include "cli/core_commands.h"
#include "cli/device_commands.h"
#include "cli/profile_commands.h"

int main(int argc, char** argv) {
    using namespace mouse::cli;
    std::vector<Command> commands = CoreCommands();
    for (const Command& command : ProfileCommands()) {
        commands.push_back(command);
    }
    for (const Command& command : DeviceCommands()) {
        commands.push_back(command);
    }
    const std::vector<std::string> args(argv + 1, argv + argc);
    return Dispatch(commands, args, std::cout, std::cerr);
}
