// Argument parsing of the commands, on CLI11. Each command declares its
// options on a CLI::App of its own and parses its arguments with
// ParseCommand; --help never reaches CLI11 (the dispatcher answers it with
// the command's own usage text).
#pragma once

#include <CLI/CLI.hpp>

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "store/data_ini.h"

namespace mouse::cli {

// Parses args (without the program and command names) into app, whose name
// is the command's. Nothing when parsing succeeded; otherwise the problem
// and a pointer to the command's help go to err and the result is the usage
// exit status.
std::optional<int> ParseCommand(CLI::App& app, const std::vector<std::string>& args,
                                std::ostream& err);

// "mousectl COMMAND: message" and the pointer to the help; returns the usage
// exit status.
int UsageError(std::ostream& err, const std::string& command, const std::string& message);

// Reads an integer option in decimal only (an optional sign and digits).
// CLI11 alone would read "010" as octal 8 and "0x10" as 16, which nobody
// typing a level or a sensor code means.
CLI::Validator Decimal();

// A check of an integer option (after Decimal): problem(value) says why the
// value is refused, or is empty when it is taken.
CLI::Validator IntegerCheck(std::function<std::string(long long value)> problem);

// The folder mousectl runs from (the program folder when it is installed
// beside the program).
std::filesystem::path OwnFolder();

// --ini FILE: the Data.ini to use instead of the one beside mousectl, which
// is the one the program reads (its button overrides decide what every
// button sends, its sensor what a DPI step means).
void AddIniOption(CLI::App& app, std::string& ini);
DeviceConfig LoadIni(const CLI::App& app, const std::string& ini);

}  // namespace mouse::cli
