#include "cli/core_commands.h"
#include "cli/json_text.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/inspect.h"
#include "cli/parse.h"
#include "cli/record_files.h"
#include "cli/recording_device.h"
#include "device/apply.h"
#include "device/encode.h"
#include "device/records.h"
#include "performance/pointer_settings.h"
#include "store/ascii.h"
#include "store/data_ini.h"
#include "store/data_location.h"
#include "store/stores.h"

namespace mouse::cli {

namespace {

namespace fs = std::filesystem;

const char kEncodeUsage[] =
    "usage: mousectl encode PROFILE [--ini DATA.INI] [--settings HEX12] [--index N] [--json]\n"
    "\n"
    "Runs the whole apply sequence of a profile against a stand-in mouse that\n"
    "accepts every report, and prints each call, one per line:\n"
    "  SetFeature <16 hex>\n"
    "  GetFeature <16 hex request> <16 hex reply>\n"
    "  WriteUSB <64 hex>\n"
    "  Sleep <ms>\n"
    "\n"
    "PROFILE      a .pbin file or profile.bin (whole 117840-byte records)\n"
    "--ini        Data.ini to take the sensor, distance and button overrides from;\n"
    "             without it every key takes its missing-key default\n"
    "--settings   bytes 1-6 of the mouse's settings block (12 hex digits, default 0)\n"
    "--index      which profile of a multi-profile file to encode (default 0)\n"
    "--json       the calls as a JSON array: {\"call\", \"report\"} for SetFeature and\n"
    "             WriteUSB, {\"call\", \"request\", \"reply\"}, {\"call\": \"Sleep\", \"ms\"}\n";

const char kNewProfileUsage[] =
    "usage: mousectl new-profile --sensor CODE --name NAME [--force] OUT.pbin\n"
    "\n"
    "Writes a default profile for the sensor code, named NAME (at most 49\n"
    "characters are kept), as a .pbin file. An existing OUT.pbin is kept unless\n"
    "--force is given; the folder of OUT.pbin must exist (it is not created).\n"
    "Exit status: 0 written, 1 file exists or cannot be written, 2 usage\n"
    "(including an unknown sensor code).\n"
    "CODE is one of: ";

const char kInspectUsage[] =
    "usage: mousectl inspect FILE [--as KIND] [--ini DATA.INI] [--json]\n"
    "\n"
    "Prints the records of a file readably: profile names and settings, each\n"
    "button's function, DPI levels, macro actions and gun rows. The kind comes\n"
    "from the file name (profile.bin, macro.bin, gun.bin, Data.bin) or the\n"
    "extension (.pbin, .mbin, .mbins, .gbin, .gbins); --as KIND overrides it.\n"
    "A length that is not a whole number of records is reported (exit 1).\n"
    "A DPI level shows the DPI of its step for the sensor of the Data.ini beside\n"
    "mousectl (or --ini), its colour and whether it is in use; the stored numbers\n"
    "follow in brackets.\n"
    "--json: {\"file\", \"kind\", \"size\", \"wholeRecords\", \"records\": [...],\n"
    "\"problem\" (empty when the length is whole)}; each record an object with the\n"
    "record's own field names (a profile's dpiLevels, cycleColours and buttons as\n"
    "arrays; a macro's actions; a preset's rows; a folder record only \"folder\").\n"
    "KIND is one of: ";

}  // namespace

std::optional<std::array<uint8_t, 6>> ParseSettingsHex(const std::string& text) {
    if (text.size() != 12) {
        return std::nullopt;
    }
    std::array<uint8_t, 6> bytes{};
    for (size_t i = 0; i < 6; ++i) {
        const int high = HexDigitValue(text[2 * i]);
        const int low = HexDigitValue(text[2 * i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes[i] = uint8_t(high << 4 | low);
    }
    return bytes;
}

std::vector<std::string> EncodeTranscript(const ProfileRecord& record, const DeviceConfig& config,
                                          const std::array<uint8_t, 6>& settings) {
    // Everything differs from an all-zero last-applied copy, so every pointer
    // setting goes through the (silent) platform as in a first apply.
    auto lastApplied = std::make_unique<ProfileRecord>();
    std::memset(static_cast<void*>(lastApplied.get()), 0, sizeof(ProfileRecord));
    std::vector<std::string> transcript;
    RecordingDevice device(&transcript);
    device.SetSettingsBlock(settings);
    NoPointerSettings pointer;
    ApplyConfiguration(device, RecordingPause(&transcript), pointer, record, *lastApplied, config);
    return transcript;
}

int RunEncode(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app("", "encode");
    std::string path, ini, settingsText;
    int index = 0;
    bool json = false;
    app.add_option("PROFILE", path)->required();
    app.add_flag("--json", json);
    app.add_option("--ini", ini);
    app.add_option("--settings", settingsText)
        ->check(CLI::Validator(
            [](const std::string& text) -> std::string {
                return ParseSettingsHex(text) ? "" : "takes 12 hexadecimal digits";
            },
            ""));
    app.add_option("--index", index)->transform(Decimal())->check(IntegerCheck([](long long n) {
        return n >= 0 ? "" : std::string("takes a record number from 0");
    }));
    if (auto status = ParseCommand(app, args, err)) {
        return *status;
    }
    std::array<uint8_t, 6> settings{};
    if (app.count("--settings") != 0) {
        settings = *ParseSettingsHex(settingsText);
    }

    DeviceConfig config;
    if (app.count("--ini") != 0) {
        std::vector<uint8_t> bytes;
        std::string message;
        if (!ReadFileBytes(ini, bytes, message)) {
            err << "mousectl encode: " << message << "\n";
            return kExitFileError;
        }
        config = ParseDeviceConfig(std::string(bytes.begin(), bytes.end()));
    }

    std::vector<uint8_t> bytes;
    std::string message;
    if (!ReadFileBytes(path, bytes, message)) {
        err << "mousectl encode: " << message << "\n";
        return kExitFileError;
    }
    const FileKind kind{RecordKind::kProfile, false, "profile"};
    const LengthCheck check = CheckLength(bytes.size(), kind);
    if (!check.problem.empty() || check.wholeRecords == 0) {
        err << "mousectl encode: " << path << ": "
            << (check.problem.empty() ? "holds no profile record" : check.problem) << "\n";
        return kExitFileError;
    }
    if (size_t(index) >= check.wholeRecords) {
        err << "mousectl encode: " << path << " holds " << check.wholeRecords
            << " profile(s); there is no index " << index << "\n";
        return kExitUsage;
    }
    auto current = std::make_unique<ProfileRecord>();
    CopyRecord(bytes, size_t(index), *current);
    const std::vector<std::string> transcript = EncodeTranscript(*current, config, settings);
    if (json) {
        // One object per line of the text form: {"call", "report"} for
        // SetFeature and WriteUSB, {"call", "request", "reply"} for
        // GetFeature, {"call": "Sleep", "ms"}.
        nlohmann::json calls = nlohmann::json::array();
        for (const std::string& line : transcript) {
            std::istringstream words(line);
            std::string call, a, b;
            words >> call >> a >> b;
            if (call == "Sleep") {
                calls.push_back({{"call", call}, {"ms", std::stoi(a)}});
            } else if (call == "GetFeature") {
                calls.push_back({{"call", call}, {"request", a}, {"reply", b}});
            } else {
                calls.push_back({{"call", call}, {"report", a}});
            }
        }
        out << JsonText(calls, 2) << "\n";
        return out ? kExitOk : kExitFileError;
    }
    std::string text;
    for (const std::string& line : transcript) {
        text += line;
        text += '\n';
    }
    out << text;
    return out ? kExitOk : kExitFileError;
}

namespace {

IoResult WriteNewFile(const fs::path& path, const void* data, size_t size, bool replace) {
    const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        return IoResult::Failure(folder.string() + (fs::exists(folder, ec)
                                                        ? ": is not a folder"
                                                        : ": no such folder (it is not created)"));
    }
    if (replace) {
        return WriteFileAtomically(path, data, size);
    }
    if (fs::exists(fs::symlink_status(path, ec))) {
        return IoResult::Failure(path.string() + ": exists; --force replaces it");
    }
    // Written beside the target and moved into place only if the name is
    // still free, so a file that appears meanwhile is not replaced either.
    const fs::path temporary =
        folder / ("." + path.filename().string() + ".new-" + std::to_string(::getpid()));
    IoResult result = WriteFileAtomically(temporary, data, size);
    if (!result) {
        return IoResult::Failure(path.string() + ": cannot be written (" + result.message + ")");
    }
    int moved = ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE);
    if (moved != 0 && (errno == EINVAL || errno == ENOSYS)) {
        // A file system without the no-replace move: the check above has to do.
        moved = ::rename(temporary.c_str(), path.c_str());
    }
    if (moved != 0) {
        const int error = errno;
        fs::remove(temporary, ec);
        return IoResult::Failure(
            path.string() + (error == EEXIST
                                 ? ": exists; --force replaces it"
                                 : ": cannot be written: " + std::string(std::strerror(error))));
    }
    return result;
}

}  // namespace

int RunNewProfile(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
    CLI::App app("", "new-profile");
    std::string path, name;
    int sensor = 0;
    bool force = false;
    app.add_option("OUT", path)->required();
    app.add_option("--name", name)->required();
    app.add_option("--sensor", sensor)
        ->required()
        ->transform(Decimal())
        ->check(IntegerCheck([](long long code) -> std::string {
            const auto known = KnownSensorCodes();
            if (std::find(known.begin(), known.end(), code) != known.end()) {
                return "";
            }
            return "unknown sensor code " + std::to_string(code) +
                   "; known codes: " + std::string(KnownSensorCodesText());
        }));
    app.add_flag("--force", force);
    if (auto status = ParseCommand(app, args, err)) {
        return *status;
    }
    auto record = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*record, sensor);
    WriteText(record->name, FromUtf8(name));
    const IoResult result = WriteNewFile(path, record.get(), sizeof(ProfileRecord), force);
    if (!result) {
        err << "mousectl new-profile: " << result.message << "\n";
        return kExitFileError;
    }
    return kExitOk;
}

int RunInspect(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app("", "inspect");
    std::string path, as, ini;
    bool json = false;
    app.add_option("FILE", path)->required();
    AddIniOption(app, ini);
    app.add_flag("--json", json);
    app.add_option("--as", as)
        ->check(CLI::Validator(
            [](const std::string& name) -> std::string {
                return KindFromName(name) ? ""
                                          : "unknown kind '" + name + "'; kinds: " + KindNames();
            },
            ""));
    if (auto status = ParseCommand(app, args, err)) {
        return *status;
    }
    const std::optional<FileKind> kind =
        app.count("--as") != 0 ? KindFromName(as) : KindFromPath(path);
    if (!kind) {
        return UsageError(err, "inspect",
                          path + ": cannot tell the kind from the file name; use --as KIND");
    }
    // Records are read and printed one at a time, so a file of any size is
    // listed in bounded memory; the header takes the length from the open
    // file.
    RecordFileReader file;
    std::string message;
    if (!file.Open(path, message)) {
        err << "mousectl inspect: " << message << "\n";
        return kExitFileError;
    }
    const uint64_t size = file.Size();
    // Data.bin holds exactly one record: any other length is not a Data.bin
    // whose records are worth listing (a huge one would list millions).
    if (kind->record == RecordKind::kData && size != RecordSize(RecordKind::kData)) {
        err << "mousectl inspect: " << path << ": " << size << " bytes; a Data.bin file is exactly "
            << RecordSize(RecordKind::kData) << " bytes\n";
        return kExitFileError;
    }
    const LengthCheck check = CheckLength(size, *kind);
    const int sensor = LoadIni(app, ini).sensor;
    const auto next = [&file](void* record, size_t n) { return file.Read(record, n); };
    if (json) {
        // Streamed record by record; the object's fields are documented in
        // the command's help.
        out << "{\"file\": " << JsonText(nlohmann::json(path))
            << ", \"kind\": " << JsonText(nlohmann::json(kind->name)) << ", \"size\": " << size
            << ", \"wholeRecords\": " << check.wholeRecords << ", \"records\": ";
        if (!JsonRecords(next, check.wholeRecords, *kind, out, sensor)) {
            err << "mousectl inspect: " << path << ": cannot be read\n";
            return kExitFileError;
        }
        out << ", \"problem\": " << JsonText(nlohmann::json(check.problem)) << "}\n";
        out.flush();
        if (!check.problem.empty()) {
            err << "mousectl inspect: " << path << ": " << check.problem << "\n";
            return kExitFileError;
        }
        return out ? kExitOk : kExitFileError;
    }
    out << path << ": " << kind->name << ", " << size << " bytes, " << check.wholeRecords
        << " whole " << RecordName(kind->record) << " record"
        << (check.wholeRecords == 1 ? "" : "s") << "\n";
    if (!PrintRecords(next, check.wholeRecords, *kind, out, sensor)) {
        err << "mousectl inspect: " << path << ": cannot be read\n";
        return kExitFileError;
    }
    if (!check.problem.empty()) {
        out << "warning: " << check.problem << "\n";
    }
    out.flush();
    if (!out) {
        err << "mousectl inspect: the listing cannot be written\n";
        return kExitFileError;
    }
    if (!check.problem.empty()) {
        err << "mousectl inspect: " << path << ": " << check.problem << "\n";
        return kExitFileError;
    }
    return kExitOk;
}

static int RunPaths(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app("", "paths");
    bool json = false;
    app.add_flag("--json", json);
    if (auto status = ParseCommand(app, args, err)) {
        return *status;
    }
    const std::filesystem::path program = OwnFolder();
    const DataLocation data = LocateStores(program);
    if (json) {
        out << JsonText(nlohmann::json{{"program", program.string()},
                                       {"stores", data.storeFolder.string()},
                                       {"portable", data.portable},
                                       {"why", data.why}},
                        2)
            << "\n";
        return kExitOk;
    }
    out << "program folder: " << program.string() << "\n"
        << "stores: " << data.storeFolder.string() << "\n"
        << "why: " << data.why << "\n";
    return kExitOk;
}

constexpr const char kPathsUsage[] =
    "usage: mousectl paths [--json]\n"
    "Prints the program folder mousectl belongs to, the folder of the store files\n"
    "(Data.bin, profile.bin, macro.bin, gun.bin) that the program beside it uses,\n"
    "and why: a portable folder (it holds the file \"portable\") keeps them in its\n"
    "Data folder, an installed program in $XDG_DATA_HOME/mouse-driver.\n"
    "--json: {\"program\", \"stores\", \"portable\", \"why\"}.\n";

std::vector<Command> CoreCommands() {
    static const std::string inspectUsage = std::string(kInspectUsage) + KindNames() + "\n";
    static const std::string newProfileUsage =
        std::string(kNewProfileUsage) + std::string(KnownSensorCodesText()) + "\n";
    return {
        {"encode", "print the reports a profile is written to the mouse with", kEncodeUsage,
         RunEncode},
        {"new-profile", "write a default profile (.pbin) for a sensor", newProfileUsage.c_str(),
         RunNewProfile},
        {"inspect", "print a profile, macro, gun or Data.bin file readably", inspectUsage.c_str(),
         RunInspect},
        {"paths", "print where the program's store files are", kPathsUsage, RunPaths},
    };
}

}  // namespace mouse::cli
