// The subcommands that need no mouse: encode, new-profile, inspect.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/command.h"
#include "device/records.h"
#include "store/data_ini.h"

namespace mouse::cli {

std::vector<Command> CoreCommands();

int RunEncode(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunNewProfile(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunInspect(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The lines `mousectl encode` prints: the apply sequence of record against a
// stand-in mouse that accepts everything and answers the settings read with
// settings, pointer settings going nowhere.
std::vector<std::string> EncodeTranscript(const ProfileRecord& record, const DeviceConfig& config,
                                          const std::array<uint8_t, 6>& settings);

// Twelve hexadecimal digits as six bytes; nullopt for any other text.
std::optional<std::array<uint8_t, 6>> ParseSettingsHex(const std::string& text);

}  // namespace mouse::cli
