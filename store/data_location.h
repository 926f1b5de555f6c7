// Where the store files live.
//
// A portable program folder (one that holds the marker file "portable": the
// build folder, or a folder the user copied and marked) keeps its stores
// beside itself in "Data", as it always has. An installed program (no
// marker, e.g. under /usr/lib) never writes into its own folder, not even
// when run as root: its stores live in the user's data folder,
// $XDG_DATA_HOME/mouse-driver (normally ~/.local/share/mouse-driver).
// Whether the folder is writable decides nothing: it is for root.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace mouse {

inline constexpr const char* kPortableMarker = "portable";
inline constexpr const char* kUserDataFolderName = "mouse-driver";

struct DataLocation {
    std::filesystem::path storeFolder;
    bool portable = false;
    std::string why;  // one line for the log and `mousectl paths`
};

// `getenv` reads the environment (tests pass their own); without HOME the
// home folder comes from the password database.
using EnvReader = std::function<const char*(const char*)>;
DataLocation LocateStores(const std::filesystem::path& programFolder,
                          const EnvReader& getenv = nullptr);

// An XDG base folder: the absolute folder the variable names (a relative
// value is ignored, as the XDG rules say), else homeRelative under the home
// folder; empty without any home.
std::filesystem::path XdgBaseFolder(const char* variable, const char* homeRelative,
                                    const EnvReader& getenv = nullptr);

}  // namespace mouse
