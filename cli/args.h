// A small parser for "--option value", "--flag" and positional arguments.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace mouse::cli {

struct ParsedArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;  // "--name" -> value
    std::set<std::string> flags;                 // "--name"
    std::string error;                           // empty when parsing succeeded

    std::optional<std::string> Option(const std::string& name) const;
    bool Flag(const std::string& name) const { return flags.count(name) != 0; }
};

// Options with a value take the next argument ("--ini FILE") or the text
// after '=' ("--ini=FILE"). "--" ends option parsing. Unknown options and a
// missing value set error.
ParsedArgs ParseArgs(const std::vector<std::string>& args,
                     const std::set<std::string>& valueOptions,
                     const std::set<std::string>& flagOptions = {});

// Whole-string integer parse (decimal, optional sign); nullopt on junk or
// overflow of int.
std::optional<int> ParseInt(const std::string& text);

}  // namespace mouse::cli
