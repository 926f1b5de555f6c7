// The stores are read, never written: these commands are safe while the
// program runs. What they show is what the program last saved; edits it
// holds unsaved do not show, and the output says so when it runs.
#include "cli/profile_commands.h"
#include "cli/json_text.h"

#include <cstring>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>

#include "cli/parse.h"
#include "cli/program_client.h"
#include "cli/program_presence.h"
#include "device/records.h"
#include "store/data_location.h"
#include "store/file_io.h"
#include "store/stores.h"

namespace mouse::cli {

namespace {

struct SavedProfiles {
    std::filesystem::path folder;
    std::vector<std::unique_ptr<ProfileRecord>> profiles;
    int current = 0;  // 0-based, within the list
    bool running = false;
};

// profile.bin and Data.bin of the program beside mousectl. A missing or
// empty profile.bin is no profile yet (the program makes the first one).
std::optional<SavedProfiles> ReadSaved(std::ostream& err) {
    SavedProfiles saved;
    saved.folder = LocateStores(OwnFolder()).storeFolder;
    saved.running = ProgramRunning();
    std::vector<uint8_t> bytes;
    const ReadOutcome read =
        ReadFileUpTo(saved.folder / "profile.bin", kMaxProfiles * sizeof(ProfileRecord), bytes);
    if (!read && read.status != ReadStatus::Missing) {
        err << "mousectl: " << read.message << "\n";
        return std::nullopt;
    }
    saved.profiles = SplitRecords<ProfileRecord>(bytes);
    std::vector<uint8_t> data;
    if (ReadFileUpTo(saved.folder / "Data.bin", sizeof(DataRecord), data) &&
        data.size() >= sizeof(int32_t)) {
        int32_t index = 0;
        std::memcpy(&index, data.data(), sizeof index);
        if (index >= 0 && size_t(index) < saved.profiles.size()) {
            saved.current = index;
        }
    }
    return saved;
}

std::string Name(const ProfileRecord& p) {
    return ToUtf8(ReadText(p.name));
}

// The current level, 1-based, and the levels in use, as the pages show them.
std::pair<int, int> DpiLevel(const ProfileRecord& p) {
    return {p.currentDpiLevel + 1, p.dpiLevelCount};
}

const char* kStaleNote =
    "(the program is running: this is what it last saved; edits it has not saved yet do not "
    "show)\n";

// What status prints, from the running program or from the stores.
struct StatusView {
    bool running = false;
    std::string stores;
    size_t profiles = 0;
    int current = 0;  // 0-based; meaningful with profiles
    std::string currentName;
    int level = 0, count = 0;
    std::optional<std::string> mouse;  // the program's view of the mouse (JSON or text)
    bool stale = false;                // read from the stores while the program runs
};

int PrintStatus(const StatusView& v, bool json, std::ostream& out) {
    if (json) {
        nlohmann::json doc = {
            {"running", v.running}, {"stores", v.stores}, {"profiles", v.profiles}};
        if (v.profiles != 0) {
            doc["current"] = {{"number", v.current + 1}, {"name", v.currentName}};
            doc["dpi"] = {{"level", v.level}, {"count", v.count}};
        }
        if (v.mouse) {
            doc["mouse"] = nlohmann::json::parse(*v.mouse);
        }
        out << JsonText(doc, 2) << "\n";
        return kExitOk;
    }
    out << "program: " << (v.running ? "running" : "not running") << "\n"
        << "stores: " << v.stores << "\n"
        << "profiles: " << v.profiles << "\n";
    if (v.profiles != 0) {
        out << "current profile: " << v.current + 1 << " \"" << v.currentName << "\"\n"
            << "dpi level: " << v.level << " of " << v.count << "\n";
    }
    if (v.mouse) {
        out << *v.mouse;
    }
    if (v.stale) {
        out << kStaleNote;
    }
    return kExitOk;
}

int RunStatus(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app("", "status");
    bool json = false;
    app.add_flag("--json", json);
    if (auto status = ParseCommand(app, args, err)) {
        return *status;
    }
    StatusView v;
    if (ProgramOnBus()) {
        // The running program's view: its profiles, its DPI level and the mouse.
        int status = kExitOk;
        const auto profiles = LiveListProfiles(err, &status);
        const auto dpi = profiles ? LiveGetDpi(err, &status) : std::nullopt;
        v.mouse = dpi ? LiveStateText(json, err, &status) : std::nullopt;
        if (!v.mouse) {
            return status;
        }
        v.running = true;
        v.stores = LocateStores(OwnFolder()).storeFolder.string();
        v.profiles = profiles->names.size();
        if (v.profiles != 0) {
            v.current = profiles->current;
            v.currentName = profiles->names[size_t(profiles->current)];
            v.level = dpi->level;
            v.count = dpi->count;
        }
        return PrintStatus(v, json, out);
    }
    const auto saved = ReadSaved(err);
    if (!saved) {
        return kExitFileError;
    }
    v.running = saved->running;
    v.stale = saved->running && !json;
    v.stores = saved->folder.string();
    v.profiles = saved->profiles.size();
    if (v.profiles != 0) {
        const ProfileRecord& current = *saved->profiles[size_t(saved->current)];
        v.current = saved->current;
        v.currentName = Name(current);
        std::tie(v.level, v.count) = DpiLevel(current);
    }
    return PrintStatus(v, json, out);
}

void PrintProfiles(const std::vector<std::string>& names, int current, bool json,
                   std::ostream& out) {
    if (json) {
        nlohmann::json profiles = nlohmann::json::array();
        for (size_t i = 0; i < names.size(); ++i) {
            profiles.push_back({{"number", i + 1}, {"name", names[i]}});
        }
        out << JsonText(nlohmann::json{{"current", names.empty() ? 0 : current + 1},
                                       {"profiles", profiles}},
                        2)
            << "\n";
        return;
    }
    for (size_t i = 0; i < names.size(); ++i) {
        out << (int(i) == current ? "* " : "  ") << i + 1 << " " << names[i] << "\n";
    }
}

int NotRunning(std::ostream& err, const char* what) {
    err << "mousectl: the program is not running: start it to " << what
        << " (mousectl changes the mouse only through it)\n";
    return kExitNotRunning;
}

int RunProfile(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app("", "profile");
    CLI::App* list = app.add_subcommand("list");
    CLI::App* sw = app.add_subcommand("switch");
    bool json = false;
    std::string target;
    list->add_flag("--json", json);
    sw->add_option("NAME|NUMBER", target)->required();
    app.require_subcommand(1);
    if (auto status = ParseCommand(app, args, err)) {
        return *status;
    }
    const bool live = ProgramOnBus();
    if (sw->parsed()) {
        return live ? LiveSwitchProfile(target, out, err) : NotRunning(err, "switch profiles");
    }
    if (live) {
        int status = kExitOk;
        const auto profiles = LiveListProfiles(err, &status);
        if (!profiles) {
            return status;
        }
        PrintProfiles(profiles->names, profiles->current, json, out);
        return kExitOk;
    }
    const auto saved = ReadSaved(err);
    if (!saved) {
        return kExitFileError;
    }
    std::vector<std::string> names;
    for (const auto& p : saved->profiles) {
        names.push_back(Name(*p));
    }
    PrintProfiles(names, saved->current, json, out);
    if (saved->running && !json) {
        out << kStaleNote;
    }
    return kExitOk;
}

int RunDpi(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app("", "dpi");
    CLI::App* get = app.add_subcommand("get");
    CLI::App* set = app.add_subcommand("set");
    CLI::App* up = app.add_subcommand("up");
    app.add_subcommand("down");
    bool json = false;
    int level = 0;
    get->add_flag("--json", json);
    set->add_option("LEVEL", level)->required()->check(Decimal());
    app.require_subcommand(1);
    if (auto status = ParseCommand(app, args, err)) {
        return *status;
    }
    const bool live = ProgramOnBus();
    if (!get->parsed()) {
        if (!live) {
            return NotRunning(err, "change the DPI level");
        }
        return LiveDpiChange(set->parsed() ? "set" : up->parsed() ? "up" : "down", level, out, err);
    }
    int current = 0, count = 0;
    if (live) {
        int status = kExitOk;
        const auto dpi = LiveGetDpi(err, &status);
        if (!dpi) {
            return status;
        }
        current = dpi->level;
        count = dpi->count;
    } else {
        const auto saved = ReadSaved(err);
        if (!saved) {
            return kExitFileError;
        }
        if (saved->profiles.empty()) {
            err << "mousectl: no profile saved yet in " << saved->folder.string() << "\n";
            return kExitFileError;
        }
        std::tie(current, count) = DpiLevel(*saved->profiles[size_t(saved->current)]);
    }
    if (json) {
        out << JsonText(nlohmann::json{{"level", current}, {"count", count}}, 2) << "\n";
    } else {
        out << current << " of " << count << "\n";
    }
    return kExitOk;
}

}  // namespace

std::vector<Command> ProfileCommands() {
    return {
        {"status", "print the program's state, its stores and the current profile",
         "usage: mousectl status [--json]\n"
         "Prints whether the program runs, the folder of its stores, how many profiles\n"
         "there are, the current profile (numbered from 1) and its DPI level: from the\n"
         "running program (with the mouse's state), else from the store files, which\n"
         "are never written.\n"
         "--json: {\"running\", \"stores\", \"profiles\" (the count), \"current\"\n"
         "{\"number\", \"name\"}, \"dpi\" {\"level\", \"count\"}} (the last two only when a\n"
         "profile exists); from the running program also \"mouse\" {\"connected\",\n"
         "\"ready\", \"firmware\", \"last_apply\"}.\n",
         RunStatus},
        {"profile", "list the profiles, or switch to one",
         "usage: mousectl profile list [--json]\n"
         "       mousectl profile switch NAME|NUMBER\n"
         "list: one line per profile, its number (from 1) and name, the current one\n"
         "marked with '*'. From the running program, else from the store files (never\n"
         "written). --json: {\"current\" (its number, 0 without profiles), \"profiles\"\n"
         "[{\"number\", \"name\"}]}.\n"
         "switch: makes the profile current in the running program and writes it to the\n"
         "mouse, as choosing it in the window and pressing APPLY does; a number picks by\n"
         "position, anything else by name (letter case ignored). Needs the program.\n"
         "Exit status: 0 done, 2 usage or no such profile, 3 the mouse is absent (the\n"
         "program writes it on arrival), 6 the program is not running, 7 a dialog of the\n"
         "program is open, 8 the mouse refused reports.\n",
         RunProfile},
        {"dpi", "print or change the current profile's DPI level",
         "usage: mousectl dpi get [--json] | set LEVEL | up | down\n"
         "get: \"LEVEL of COUNT\", the current profile's DPI level (from 1) and the levels\n"
         "it uses; from the running program, else from the store files. --json:\n"
         "{\"level\", \"count\"}.\n"
         "set, up, down: through the running program, which writes the level to the\n"
         "mouse; up and down stop at the last and the first level in use.\n"
         "Exit status as for \"profile switch\" (2 also for a level outside the levels\n"
         "in use).\n",
         RunDpi},
    };
}

}  // namespace mouse::cli
