// Sets keys in a KDE configuration file (kcminputrc, kdeglobals): an INI
// dialect whose group headers may be nested ("[Libinput][1133][49291][Name]").
// Every other line stays as it was; the file is replaced atomically.
#pragma once

#include <string>
#include <vector>

namespace mouse {

struct KConfigEntry {
    std::string group;  // the header without its outer brackets: "KDE", "Libinput][1][2][Name"
    std::string key;
    std::string value;  // written as given: numbers and booleans need no escaping
};

// Sets each entry in the file at path (created, with its folder, when
// missing): a key already in its group has its value replaced in place, a
// new key goes after its group's last entry, a new group at the end. False
// with a diagnostic line when the file cannot be read or written.
bool SetKConfigEntries(const std::string& path, const std::vector<KConfigEntry>& entries);

// A double as KDE's tools write it: the shortest text that reads back the
// same value, with a '.' whatever the locale.
std::string KConfigDouble(double value);

}  // namespace mouse
