// The "Start at login" switch: an XDG autostart entry in the user's
// configuration folder that starts the program hidden (--tray).
#pragma once

#include <filesystem>
#include <string>

#include "store/data_location.h"
#include "store/file_io.h"
#include "store/program_ids.h"

namespace mouse {

// $XDG_CONFIG_HOME/autostart/<id>.desktop (normally ~/.config/autostart);
// empty without any home folder.
std::filesystem::path AutostartFile(const EnvReader& getenv = nullptr);

// One argument of a desktop entry's Exec key, quoted where the entry rules
// ask for it ("..." with \ " ` $ escaped, % doubled) and with the
// backslashes of the quoting escaped again for the entry's string value.
std::string DesktopExecArgument(const std::string& argument);

// The whole autostart entry for the program started by `command` (a name on
// the PATH or an absolute path).
std::string AutostartEntry(const std::string& command);

// On: the entry exists and the desktop's own settings have not hidden it
// (Hidden=true, which an autostart manager writes to switch it off).
bool AutostartEnabled(const std::filesystem::path& file);

// Writes the entry (crash-safely, creating the folder) or removes it.
IoResult SetAutostart(const std::filesystem::path& file, bool on, const std::string& command);

}  // namespace mouse
