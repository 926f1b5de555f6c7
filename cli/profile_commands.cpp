// The stores are read, never written: these commands are safe while the
// program runs. What they show is what the program last saved; edits it
// holds unsaved do not show, and the output says so when it runs.
#include "cli/profile_commands.h"

#include <cstring>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>

#include "cli/parse.h"
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

int RunStatus(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app("", "status");
    bool json = false;
    app.add_flag("--json", json);
    if (auto status = ParseCommand(app, args, err)) {
        return *status;
    }
    const auto saved = ReadSaved(err);
    if (!saved) {
        return kExitFileError;
    }
    const ProfileRecord* current =
        saved->profiles.empty() ? nullptr : saved->profiles[size_t(saved->current)].get();
    if (json) {
        nlohmann::json doc = {{"running", saved->running},
                              {"stores", saved->folder.string()},
                              {"profiles", saved->profiles.size()}};
        if (current != nullptr) {
            const auto [level, count] = DpiLevel(*current);
            doc["current"] = {{"number", saved->current + 1}, {"name", Name(*current)}};
            doc["dpi"] = {{"level", level}, {"count", count}};
        }
        out << doc.dump(2) << "\n";
        return kExitOk;
    }
    out << "program: " << (saved->running ? "running" : "not running") << "\n"
        << "stores: " << saved->folder.string() << "\n"
        << "profiles: " << saved->profiles.size() << "\n";
    if (current != nullptr) {
        const auto [level, count] = DpiLevel(*current);
        out << "current profile: " << saved->current + 1 << " \"" << Name(*current) << "\"\n"
            << "dpi level: " << level << " of " << count << "\n";
    }
    if (saved->running) {
        out << kStaleNote;
    }
    return kExitOk;
}

int RunProfile(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app("", "profile");
    CLI::App* list = app.add_subcommand("list");
    bool json = false;
    list->add_flag("--json", json);
    app.require_subcommand(1);
    if (auto status = ParseCommand(app, args, err)) {
        return *status;
    }
    const auto saved = ReadSaved(err);
    if (!saved) {
        return kExitFileError;
    }
    if (json) {
        nlohmann::json profiles = nlohmann::json::array();
        for (size_t i = 0; i < saved->profiles.size(); ++i) {
            profiles.push_back({{"number", i + 1}, {"name", Name(*saved->profiles[i])}});
        }
        const nlohmann::json doc = {{"current", saved->profiles.empty() ? 0 : saved->current + 1},
                                    {"profiles", profiles}};
        out << doc.dump(2) << "\n";
        return kExitOk;
    }
    for (size_t i = 0; i < saved->profiles.size(); ++i) {
        out << (int(i) == saved->current ? "* " : "  ") << i + 1 << " " << Name(*saved->profiles[i])
            << "\n";
    }
    if (saved->running) {
        out << kStaleNote;
    }
    return kExitOk;
}

int RunDpi(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app("", "dpi");
    CLI::App* get = app.add_subcommand("get");
    bool json = false;
    get->add_flag("--json", json);
    app.require_subcommand(1);
    if (auto status = ParseCommand(app, args, err)) {
        return *status;
    }
    const auto saved = ReadSaved(err);
    if (!saved) {
        return kExitFileError;
    }
    if (saved->profiles.empty()) {
        err << "mousectl: no profile saved yet in " << saved->folder.string() << "\n";
        return kExitFileError;
    }
    const auto [level, count] = DpiLevel(*saved->profiles[size_t(saved->current)]);
    if (json) {
        out << nlohmann::json{{"level", level}, {"count", count}}.dump(2) << "\n";
    } else {
        out << level << " of " << count << "\n";
    }
    return kExitOk;
}

}  // namespace

std::vector<Command> ProfileCommands() {
    return {
        {"status", "print the program's state, its stores and the current profile",
         "usage: mousectl status [--json]\n"
         "Prints whether the program runs, the folder of its stores, how many profiles\n"
         "there are, the current profile (numbered from 1) and its DPI level. Read from\n"
         "the store files, which are never written; while the program runs they hold\n"
         "what it last saved.\n"
         "--json: {\"running\", \"stores\", \"profiles\" (the count), \"current\"\n"
         "{\"number\", \"name\"}, \"dpi\" {\"level\", \"count\"}} (the last two only when a\n"
         "profile exists).\n",
         RunStatus},
        {"profile", "list the profiles",
         "usage: mousectl profile list [--json]\n"
         "One line per profile: its number (from 1) and name, the current one marked\n"
         "with '*'. Read from the store files, never written.\n"
         "--json: {\"current\" (its number, 0 without profiles), \"profiles\"\n"
         "[{\"number\", \"name\"}]}.\n",
         RunProfile},
        {"dpi", "print the current profile's DPI level",
         "usage: mousectl dpi get [--json]\n"
         "Prints \"LEVEL of COUNT\": the current profile's DPI level (from 1) and the\n"
         "levels it uses. Read from the store files, never written.\n"
         "--json: {\"level\", \"count\"}.\n",
         RunDpi},
    };
}

}  // namespace mouse::cli
