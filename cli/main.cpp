// mousectl: the configuration core from the command line.
#include <iostream>

#include "cli/command.h"
#include "cli/core_commands.h"

int main(int argc, char** argv) {
    using namespace mouse::cli;
    std::vector<Command> commands = CoreCommands();
    // Commands that talk to a mouse (apply, version, sim) come from
    // cli/device_commands.cpp: append them here, e.g.
    //   for (const Command& c : DeviceCommands()) commands.push_back(c);
    const std::vector<std::string> args(argv + 1, argv + argc);
    return Dispatch(commands, args, std::cout, std::cerr);
}
