#include "cli/core_commands.h"
#include "store/ascii.h"

#include <cstring>
#include <memory>
#include <sstream>

#include "cli/args.h"
#include "cli/inspect.h"
#include "cli/record_files.h"
#include "cli/recording_device.h"
#include "device/apply.h"
#include "device/records.h"
#include "performance/pointer_settings.h"
#include "store/data_ini.h"
#include "store/stores.h"

namespace mouse::cli {

namespace {

const char kEncodeUsage[] =
    "usage: mousectl encode PROFILE [--ini DATA.INI] [--settings HEX12] [--index N]\n"
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
    "--index      which profile of a multi-profile file to encode (default 0)\n";

const char kNewProfileUsage[] =
    "usage: mousectl new-profile --sensor CODE --name NAME OUT.pbin\n"
    "\n"
    "Writes a default profile for the sensor code, named NAME (at most 49\n"
    "characters are kept), as a .pbin file.\n";

const char kInspectUsage[] =
    "usage: mousectl inspect FILE [--as KIND]\n"
    "\n"
    "Prints the records of a file readably: profile names and settings, each\n"
    "button's function, DPI steps, macro actions and gun rows. The kind comes\n"
    "from the file name (profile.bin, macro.bin, gun.bin, Data.bin) or the\n"
    "extension (.pbin, .mbin, .mbins, .gbin, .gbins); --as KIND overrides it.\n"
    "A length that is not a whole number of records is reported (exit 1).\n"
    "KIND is one of: ";

int UsageError(std::ostream& err, const std::string& command, const std::string& message) {
    err << "mousectl " << command << ": " << message << "\n"
        << "try 'mousectl " << command << " --help'\n";
    return kExitUsage;
}

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
    const ParsedArgs parsed = ParseArgs(args, {"--ini", "--settings", "--index"});
    if (!parsed.error.empty()) {
        return UsageError(err, "encode", parsed.error);
    }
    if (parsed.positional.size() != 1) {
        return UsageError(err, "encode", "expected one profile file");
    }
    std::array<uint8_t, 6> settings{};
    if (auto text = parsed.Option("--settings")) {
        auto bytes = ParseSettingsHex(*text);
        if (!bytes) {
            return UsageError(err, "encode", "--settings takes 12 hexadecimal digits");
        }
        settings = *bytes;
    }
    int index = 0;
    if (auto text = parsed.Option("--index")) {
        auto value = ParseInt(*text);
        if (!value || *value < 0) {
            return UsageError(err, "encode", "--index takes a record number from 0");
        }
        index = *value;
    }

    DeviceConfig config;
    if (auto ini = parsed.Option("--ini")) {
        std::vector<uint8_t> bytes;
        std::string message;
        if (!ReadFileBytes(*ini, bytes, message)) {
            err << "mousectl encode: " << message << "\n";
            return kExitFileError;
        }
        config = ParseDeviceConfig(std::string(bytes.begin(), bytes.end()));
    }

    const std::string& path = parsed.positional[0];
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
    std::string text;
    for (const std::string& line : transcript) {
        text += line;
        text += '\n';
    }
    out << text;
    return out ? kExitOk : kExitFileError;
}

int RunNewProfile(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
    const ParsedArgs parsed = ParseArgs(args, {"--sensor", "--name"});
    if (!parsed.error.empty()) {
        return UsageError(err, "new-profile", parsed.error);
    }
    if (parsed.positional.size() != 1) {
        return UsageError(err, "new-profile", "expected one output file");
    }
    const auto sensorText = parsed.Option("--sensor");
    const auto name = parsed.Option("--name");
    if (!sensorText || !name) {
        return UsageError(err, "new-profile", "--sensor and --name are required");
    }
    const auto sensor = ParseInt(*sensorText);
    if (!sensor) {
        return UsageError(err, "new-profile", "--sensor takes an integer sensor code");
    }
    auto record = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*record, *sensor);
    WriteText(record->name, FromUtf8(*name));
    const IoResult result =
        WriteFileAtomically(parsed.positional[0], record.get(), sizeof(ProfileRecord));
    if (!result) {
        err << "mousectl new-profile: " << result.message << "\n";
        return kExitFileError;
    }
    return kExitOk;
}

int RunInspect(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const ParsedArgs parsed = ParseArgs(args, {"--as"});
    if (!parsed.error.empty()) {
        return UsageError(err, "inspect", parsed.error);
    }
    if (parsed.positional.size() != 1) {
        return UsageError(err, "inspect", "expected one file");
    }
    const std::string& path = parsed.positional[0];
    std::optional<FileKind> kind;
    if (auto as = parsed.Option("--as")) {
        kind = KindFromName(*as);
        if (!kind) {
            return UsageError(err, "inspect", "unknown kind '" + *as + "'; kinds: " + KindNames());
        }
    } else {
        kind = KindFromPath(path);
        if (!kind) {
            return UsageError(err, "inspect",
                              path + ": cannot tell the kind from the file name; use --as KIND");
        }
    }
    std::vector<uint8_t> bytes;
    std::string message;
    if (!ReadFileBytes(path, bytes, message)) {
        err << "mousectl inspect: " << message << "\n";
        return kExitFileError;
    }
    const LengthCheck check = CheckLength(bytes.size(), *kind);
    std::ostringstream text;
    text << path << ": " << kind->name << ", " << bytes.size() << " bytes, " << check.wholeRecords
         << " whole " << RecordName(kind->record) << " record"
         << (check.wholeRecords == 1 ? "" : "s") << "\n";
    PrintRecords(bytes, *kind, text);
    if (!check.problem.empty()) {
        text << "warning: " << check.problem << "\n";
    }
    out << text.str();
    if (!check.problem.empty()) {
        err << "mousectl inspect: " << path << ": " << check.problem << "\n";
        return kExitFileError;
    }
    return kExitOk;
}

std::vector<Command> CoreCommands() {
    static const std::string inspectUsage = std::string(kInspectUsage) + KindNames() + "\n";
    return {
        {"encode", "print the reports a profile is written to the mouse with", kEncodeUsage,
         RunEncode},
        {"new-profile", "write a default profile (.pbin) for a sensor", kNewProfileUsage,
         RunNewProfile},
        {"inspect", "print a profile, macro, gun or Data.bin file readably", inspectUsage.c_str(),
         RunInspect},
    };
}

}  // namespace mouse::cli
