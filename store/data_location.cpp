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

}  // namespace

DataLocation LocateStores(const std::filesystem::path& programFolder, const EnvReader& getenv) {
    const EnvReader env = getenv ? getenv : [](const char* name) { return std::getenv(name); };
    DataLocation at;
    std::error_code ec;
    if (std::filesystem::exists(programFolder / kPortableMarker, ec)) {
        at.portable = true;
        at.storeFolder = programFolder / "Data";
        at.why = "portable program folder (it holds the file \"portable\"): stores beside it";
        return at;
    }
    std::filesystem::path base = AbsoluteFolder(env("XDG_DATA_HOME"));
    if (base.empty()) {
        const std::filesystem::path home = HomeFolder(env);
        // Without any home the stores stay in a private temporary place
        // rather than in the installation.
        base = home.empty() ? std::filesystem::temp_directory_path(ec) : home / ".local/share";
    }
    at.storeFolder = base / kUserDataFolderName;
    at.why = "installed program: stores in the user's data folder";
    return at;
}

}  // namespace mouse
