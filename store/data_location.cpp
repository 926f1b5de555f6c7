#include "store/data_location.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace mouse {

namespace {

// An environment value that names an absolute folder; relative values are
// ignored, as the XDG base directory rules say.
std::filesystem::path AbsoluteFolder(const char* value) {
    if (value == nullptr || *value == '\0') {
        return {};
    }
    std::filesystem::path p(value);
    return p.is_absolute() ? p : std::filesystem::path();
}

std::filesystem::path HomeFolder(const EnvReader& env) {
    if (auto home = AbsoluteFolder(env("HOME")); !home.empty()) {
        return home;
    }
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr) {
        return AbsoluteFolder(pw->pw_dir);
    }
    return {};
}

EnvReader OrProcessEnv(const EnvReader& getenv) {
    return getenv ? getenv : [](const char* name) { return std::getenv(name); };
}

}  // namespace

std::filesystem::path XdgBaseFolder(const char* variable, const char* homeRelative,
                                    const EnvReader& getenv) {
    const EnvReader env = OrProcessEnv(getenv);
    if (auto base = AbsoluteFolder(env(variable)); !base.empty()) {
        return base;
    }
    const std::filesystem::path home = HomeFolder(env);
    return home.empty() ? home : home / homeRelative;
}

DataLocation LocateStores(const std::filesystem::path& programFolder, const EnvReader& getenv) {
    DataLocation at;
    std::error_code ec;
    if (std::filesystem::exists(programFolder / kPortableMarker, ec)) {
        at.portable = true;
        at.storeFolder = programFolder / "Data";
        at.why = "portable program folder (it holds the file \"portable\"): stores beside it";
        return at;
    }
    std::filesystem::path base = XdgBaseFolder("XDG_DATA_HOME", ".local/share", getenv);
    if (base.empty()) {
        // Without any home the stores stay in a private temporary place
        // rather than in the installation.
        base = std::filesystem::temp_directory_path(ec);
    }
    at.storeFolder = base / kUserDataFolderName;
    at.why = "installed program: stores in the user's data folder";
    return at;
}

}  // namespace mouse
