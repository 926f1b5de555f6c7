// mousectl commands that talk to a mouse through the device-access library
// (loaded from mousectl's own folder, as the program loads it) and to a
// running virtual mouse.
#include "cli/device_commands.h"
#include "cli/json_text.h"

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string_view>
#include <utility>

#include "cli/doctor.h"
#include "cli/parse.h"
#include "cli/program_client.h"
#include "cli/program_presence.h"
#include "cli/record_files.h"
#include "device/apply.h"
#include "device/driver_library.h"
#include "device/encode.h"
#include "device/hidraw_access.h"
#include "device/precise_sleep.h"
#include "drivers/hid_api.h"
#include "drivers/sim/sim_client.h"
#include "performance/desktop_pointer.h"
#include "performance/session.h"
#include "store/data_ini.h"

namespace mouse::cli {

namespace {

void Sleep(int ms) {
    PreciseSleep(ms);
}

// Loads the library and opens the mouse: kExitOk, or the exit status with a
// message on err. A mouse that is plugged in but closed to this user gets
// the commands that open it, and a status of its own.
int OpenMouse(DriverLibrary& driver, const DeviceConfig& config, std::ostream& err) {
    if (!driver.Load(OwnFolder() / kDriverLibraryName)) {
        err << "mousectl: " << driver.Error() << "\n";
        return kExitDevice;
    }
    driver.SetVidPid(config.vid, config.pid);
    driver.OpenFeatureDevice();
    if (driver.OpenReportDevice() != 0) {
        return kExitOk;
    }
    const char* sim = std::getenv("MOUSE_SIM_SOCKET");
    if (sim == nullptr || *sim == '\0') {
        if (const HidrawAccess access = ProbeHidraw(config.vid, config.pid); access.Blocked()) {
            err << "mousectl: " << DescribeBlockedMouse(access, config.vid, config.pid);
            return kExitPermission;
        }
    }
    err << "mousectl: no mouse found (vendor " << std::hex << config.vid << ", product "
        << config.pid << std::dec << ")\n";
    return kExitDevice;
}

// The line an apply ends with: "applied" when the mouse took every report,
// "failed" when it took none, otherwise "incomplete" with the refused steps
// in the order they were sent.
std::string ApplyOutcome(const std::string& file, int64_t ms, const ApplyReport& report) {
    const std::string head = file + " in " + std::to_string(ms) +
                             " ms: " + std::to_string(report.reports) + " reports, ";
    if (report.Complete()) {
        return "applied " + head + "0 refused";
    }
    if (report.refused >= report.reports) {
        return "failed " + head + "all refused";
    }
    return "incomplete " + head + std::to_string(report.refused) + " refused (" +
           report.RefusedText() + ")";
}

int RunApply(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app("", "apply");
    std::string path, ini;
    bool noDesktop = false;
    app.add_option("PROFILE", path);
    AddIniOption(app, ini);
    app.add_flag("--no-desktop", noDesktop);
    if (auto status = ParseCommand(app, args, err)) {
        return *status;
    }
    if (path.empty()) {
        // The current profile, through the running program.
        if (!ProgramOnBus()) {
            err << "mousectl: the program is not running: without it, apply a profile file "
                   "(mousectl apply PROFILE.pbin)\n";
            return kExitNotRunning;
        }
        return LiveApply(out, err);
    }
    const DeviceConfig config = LoadIni(app, ini);
    ProfileRecord profile{};
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadFileBytes(path, bytes, error)) {
        err << "mousectl: " << error << "\n";
        return kExitFileError;
    }
    if (bytes.size() != sizeof(ProfileRecord)) {
        err << "mousectl: " << path << " holds " << bytes.size() << " bytes, not one profile of "
            << sizeof(ProfileRecord) << "\n";
        return kExitFileError;
    }
    CopyRecord(bytes, 0, profile);
    // The running program owns the mouse: a write behind its back would
    // leave its window, its stores and the mouse disagreeing.
    if (ProgramRunning() || ProgramOnBus()) {
        err << "mousectl: the program is running and owns the mouse; apply through it (choose "
               "the profile and press APPLY), or quit it first\n";
        return kExitProgramRuns;
    }
    DriverLibrary driver;
    if (const int status = OpenMouse(driver, config, err); status != kExitOk) {
        return status;
    }
    // The tool has no last-applied copy: every pointer setting counts as
    // changed, so the desktop ends up as the profile says (unless told to
    // leave it alone).
    std::unique_ptr<PointerPlatform> pointer =
        noDesktop ? CreateNoDesktopPointerPlatform() : CreateDesktopPointerPlatform();
    ProfileRecord lastApplied = profile;
    lastApplied.doubleClickSpeed = ~profile.doubleClickSpeed;
    lastApplied.pointerSpeed = ~profile.pointerSpeed;
    lastApplied.scrollLines = ~profile.scrollLines;
    auto start = std::chrono::steady_clock::now();
    const ApplyReport report =
        ApplyConfiguration(driver, Sleep, *pointer, profile, lastApplied, config);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - start)
                  .count();
    out << ApplyOutcome(path, ms, report) << "\n";
    return report.Complete() ? kExitOk : kExitRefused;
}

int RunVersion(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app("", "version");
    std::string ini;
    bool json = false;
    AddIniOption(app, ini);
    app.add_flag("--json", json);
    if (auto status = ParseCommand(app, args, err)) {
        return *status;
    }
    const DeviceConfig config = LoadIni(app, ini);
    DriverLibrary driver;
    if (const int status = OpenMouse(driver, config, err); status != kExitOk) {
        return status;
    }
    std::optional<FirmwareVersion> version = ReadFirmwareVersion(driver, Sleep);
    if (!version) {
        err << "mousectl: the mouse did not answer the version read\n";
        return kExitDevice;
    }
    if (json) {
        out << JsonText(nlohmann::json{{"firmware", std::to_string(version->major) + "." +
                                                        std::to_string(version->minor)},
                                       {"major", version->major},
                                       {"minor", version->minor}},
                        2)
            << "\n";
    } else {
        out << "firmware " << version->major << "." << version->minor << "\n";
    }
    return kExitOk;
}

// A byte in decimal, as in "1.10".
std::optional<int> ParseByte(std::string_view text) {
    int value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || value > 255) {
        return std::nullopt;
    }
    return value;
}

// "H.L" as the firmware's major and minor number.
std::optional<std::pair<int, int>> ParseVersion(std::string_view text) {
    const size_t dot = text.find('.');
    if (dot == std::string_view::npos) {
        return std::nullopt;
    }
    const auto major = ParseByte(text.substr(0, dot));
    const auto minor = ParseByte(text.substr(dot + 1));
    if (!major || !minor) {
        return std::nullopt;
    }
    return std::pair{*major, *minor};
}

// The values the mouse's own buttons send: DPI levels 1-8, the report-rate
// values of the four rates, button modes 1 (office) and 2 (game). Anything
// else is refused, so that the virtual mouse never sends what the mouse
// cannot.
std::string DpiLevelProblem(long long level) {
    if (level >= 1 && level <= kDpiLevels) {
        return "";
    }
    return "the mouse's DPI levels are 1 to " + std::to_string(kDpiLevels) + "; it never sends " +
           std::to_string(level);
}

std::string ReportRateProblem(long long rate) {
    for (int index = 0; index < 4; ++index) {
        if (rate == ReportRateValue(index)) {
            return "";
        }
    }
    return "the mouse's report rates are 1, 2, 4 and 8; it never sends " + std::to_string(rate);
}

std::string ButtonModeProblem(long long mode) {
    if (mode == 1 || mode == 2) {
        return "";
    }
    return "the mouse's button modes are 1 (office) and 2 (game); it never sends " +
           std::to_string(mode);
}

int RunSim(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app("", "sim");
    std::string socket;
    app.add_option("--socket", socket);
    app.fallthrough();  // --socket may also follow the command
    app.require_subcommand(1);
    CLI::App* plug = app.add_subcommand("plug");
    CLI::App* unplug = app.add_subcommand("unplug");
    CLI::App* state = app.add_subcommand("state");
    bool json = false;
    state->add_flag("--json", json);

    CLI::App* press = app.add_subcommand("press");
    press->require_subcommand(1);
    struct Press {
        const char* name;
        const char* value;
        SimButton button;
        std::string (*problem)(long long);
        CLI::App* command = nullptr;
        int n = 0;
    };
    Press presses[] = {{"dpi", "LEVEL", SimButton::Dpi, DpiLevelProblem},
                       {"rate", "RATE", SimButton::Rate, ReportRateProblem},
                       {"mode", "MODE", SimButton::Mode, ButtonModeProblem}};
    for (Press& p : presses) {
        p.command = press->add_subcommand(p.name);
        p.command->add_option(p.value, p.n)
            ->required()
            ->transform(Decimal())
            ->check(IntegerCheck(p.problem));
    }

    CLI::App* version = app.add_subcommand("version");
    std::string versionText;
    version->add_option("H.L", versionText)
        ->required()
        ->check(CLI::Validator(
            [](const std::string& text) -> std::string {
                return ParseVersion(text) ? "" : "takes MAJOR.MINOR, each from 0 to 255";
            },
            ""));

    CLI::App* fail = app.add_subcommand("fail");
    fail->require_subcommand(1);
    CLI::App* failNext = fail->add_subcommand("next");
    int failCount = 0;
    failNext->add_option("N", failCount)
        ->required()
        ->transform(Decimal())
        ->check(IntegerCheck([](long long n) {
            return n >= 0 && n <= 0xFFFF ? "" : std::string("takes a count from 0 to 65535");
        }));
    CLI::App* failAll = fail->add_subcommand("all");
    CLI::App* failClear = fail->add_subcommand("clear");

    if (auto status = ParseCommand(app, args, err)) {
        return *status;
    }
    if (socket.empty()) {
        const char* env = std::getenv("MOUSE_SIM_SOCKET");
        socket = env != nullptr ? env : "";
    }
    if (socket.empty()) {
        return UsageError(err, "sim", "set MOUSE_SIM_SOCKET or pass --socket PATH");
    }
    bool ok = false;
    if (plug->parsed()) {
        ok = SimPlug(socket);
    } else if (unplug->parsed()) {
        ok = SimUnplug(socket);
    } else if (state->parsed()) {
        if (std::optional<SimState> current = SimGetState(socket)) {
            if (!json) {
                out << FormatSimState(*current);
                return kExitOk;
            }
            // The machine form's "name value" lines as one object: the
            // counters and the plug flag as numbers, every byte field as its
            // hex text, an unwritten macro block as null.
            nlohmann::json doc = nlohmann::json::object();
            std::istringstream lines(EncodeSimState(*current));
            for (std::string name, value; lines >> name >> value;) {
                if (value == "-") {
                    doc[name] = nullptr;
                } else if (name == "plugged" || name == "closingCount" || name == "acceptedCount" ||
                           name == "refusedCount" || name == "faultCount") {
                    doc[name] = std::stoll(value);
                } else {
                    doc[name] = value;
                }
            }
            out << JsonText(doc, 2) << "\n";
            return kExitOk;
        }
    } else if (press->parsed()) {
        for (const Press& p : presses) {
            if (p.command->parsed()) {
                ok = SimPress(socket, p.button, p.n);
            }
        }
    } else if (version->parsed()) {
        const auto [major, minor] = *ParseVersion(versionText);
        ok = SimSetVersion(socket, major, minor);
    } else if (failNext->parsed()) {
        ok = SimFailNext(socket, failCount);
    } else if (failAll->parsed()) {
        ok = SimFailAll(socket);
    } else if (failClear->parsed()) {
        ok = SimFailClear(socket);
    }
    if (!ok) {
        err << "mousectl: the virtual mouse at " << socket << " did not take '"
            << app.get_subcommands().front()->get_name() << "'\n";
        return kExitDevice;
    }
    return kExitOk;
}

// Passes the three calls on and keeps the bytes of each exchange.
class RecordingIo final : public DeviceIo {
public:
    RecordingIo(DeviceIo& inner, DoctorExchange& log) : inner_(inner), log_(log) {}
    int SetFeature(uint8_t* r, int n) override {
        log_.steps.push_back({"sent", {r, r + n}});
        return inner_.SetFeature(r, n);
    }
    int GetFeature(uint8_t* b, int n) override {
        log_.steps.push_back({"sent", {b, b + n}});
        const int ok = inner_.GetFeature(b, n);
        log_.steps.push_back({"received", {b, b + (ok != 0 ? n : 0)}});
        return ok;
    }
    int WriteUSB(uint8_t*, int) override { return 0; }

private:
    DeviceIo& inner_;
    DoctorExchange& log_;
};

int RunDoctor(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app("", "doctor");
    std::string ini;
    bool json = false;
    AddIniOption(app, ini);
    app.add_flag("--json", json);
    if (auto status = ParseCommand(app, args, err)) {
        return *status;
    }
    const DeviceConfig config = LoadIni(app, ini);
    DoctorReport report = ExamineHidraw(hid::SystemHidApi(), config.vid, config.pid);
    // Which desktop backends the program would choose depends on the session.
    report.session = DescribeSession(DetectSession());
    if (const char* socket = std::getenv("MOUSE_SIM_SOCKET"); socket != nullptr && *socket) {
        // The program would talk to the virtual mouse: read its version the
        // same way, through the device-access library.
        report.simSocket = socket;
        DoctorExchange exchange;
        exchange.via = std::string("virtual mouse at ") + socket;
        DriverLibrary driver;
        std::ostringstream problem;
        if (OpenMouse(driver, config, problem) == kExitOk) {
            RecordingIo io(driver, exchange);
            if (const auto v = ReadFirmwareVersion(io, Sleep)) {
                exchange.version = std::pair{v->major, v->minor};
            } else {
                exchange.problem = "the mouse did not answer the version read";
            }
        } else {
            exchange.problem = problem.str();
            while (!exchange.problem.empty() && exchange.problem.back() == '\n') {
                exchange.problem.pop_back();
            }
        }
        report.exchange = std::move(exchange);
    }
    if (json) {
        out << DoctorJson(report) << "\n";
    } else {
        PrintDoctor(report, out);
    }
    return report.exchange && report.exchange->version ? kExitOk : kExitDevice;
}

}  // namespace

std::vector<Command> DeviceCommands() {
    return {
        {"apply", "write a profile to the mouse",
         "usage: mousectl apply PROFILE.pbin [--ini DATA.INI] [--no-desktop]\n"
         "       mousectl apply\n"
         "Without a file: the running program applies its current profile, as its APPLY\n"
         "button does (exit status as for \"profile switch\"; 6 when it is not running).\n"
         "With a file, while the program does not run:\n"
         "Writes the desktop's pointer settings (speed, acceleration, double-click time\n"
         "and wheel lines, where the session's desktop keeps them) and the profile to the\n"
         "mouse as the program's apply does, and prints one line:\n"
         "  applied FILE in MS ms: N reports, 0 refused\n"
         "  incomplete FILE in MS ms: N reports, K refused (the refused steps)\n"
         "  failed FILE in MS ms: N reports, all refused\n"
         "Uses MSDriver.so, and without --ini the Data.ini, from mousectl's folder; with\n"
         "MOUSE_SIM_SOCKET set it talks to that virtual mouse. --no-desktop leaves the\n"
         "desktop's pointer settings as they are.\n"
         "Exit status: 0 all reports taken, 1 bad file, 2 usage, 3 no mouse, 8 the mouse\n"
         "refused reports,\n"
         "4 the mouse is connected but this user may not open it (the commands that fix\n"
         "it are printed), 5 the program is running (it owns the mouse: nothing is\n"
         "written).\n",
         RunApply},
        {"version", "read the mouse's firmware version",
         "usage: mousectl version [--ini DATA.INI] [--json]\n"
         "Prints \"firmware MAJOR.MINOR\" (--json: {\"firmware\", \"major\", \"minor\"}). Exit "
         "status 3 when no mouse answers, 4 when the\n"
         "mouse is connected but this user may not open it.\n",
         RunVersion},
        {"doctor", "describe the mouse's hidraw nodes for a bug report",
         "usage: mousectl doctor [--ini DATA.INI] [--json]\n"
         "Lists every hidraw node with the mouse's vendor and product (from Data.ini):\n"
         "whether you may open it and how to fix it when not, its report descriptor\n"
         "(report ids and sizes, collections), which nodes and framing the\n"
         "device-access library would use and why, and one read-only exchange (the\n"
         "firmware version) with its raw bytes. With MOUSE_SIM_SOCKET set the version is\n"
         "read from that virtual mouse. Nothing is written to the mouse's settings.\n"
         "--json prints one JSON object instead (fields in the README).\n"
         "Exit status: 0 the version was read, 2 usage, 3 no mouse answered.\n",
         RunDoctor},
        {"sim", "drive a running virtual mouse",
         "usage: mousectl sim [--socket PATH] COMMAND\n"
         "  plug | unplug         plug the virtual mouse in or pull it out\n"
         "  press dpi|rate|mode N press a button on the mouse (sends its notice):\n"
         "                        DPI level 1-8, report rate 1, 2, 4 or 8, mode 1-2\n"
         "  state [--json]        print everything the mouse holds, decoded (--json: one\n"
         "                        object of the raw fields: numbers, hex text, null)\n"
         "  version H.L           the firmware version it reports\n"
         "  fail next N | fail all | fail clear   refuse exchanges on purpose\n"
         "The socket defaults to $MOUSE_SIM_SOCKET.\n"
         "Exit status: 0 done, 2 usage (including a value the mouse never sends),\n"
         "3 the virtual mouse is not there or refused.\n",
         RunSim},
    };
}

}  // namespace mouse::cli
