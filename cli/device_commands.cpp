// mousectl commands that talk to a mouse through the device-access library
// (loaded from mousectl's own folder, as the program loads it) and to a
// running virtual mouse.
#include "cli/device_commands.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "cli/record_files.h"
#include "device/apply.h"
#include "device/driver_library.h"
#include "device/precise_sleep.h"
#include "drivers/sim/sim_client.h"
#include "store/data_ini.h"

namespace mouse::cli {

namespace {

std::filesystem::path OwnFolder() {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path() : self.parent_path();
}

// Counts the reports the mouse refused.
class CountingDevice final : public DeviceIo {
public:
    explicit CountingDevice(DeviceIo& inner) : inner_(inner) {}
    int SetFeature(uint8_t* r, int n) override { return Count(inner_.SetFeature(r, n)); }
    int GetFeature(uint8_t* b, int n) override { return Count(inner_.GetFeature(b, n)); }
    int WriteUSB(uint8_t* r, int n) override { return Count(inner_.WriteUSB(r, n)); }
    int refused = 0;
    int calls = 0;

private:
    int Count(int result) {
        ++calls;
        refused += result == 0 ? 1 : 0;
        return result;
    }
    DeviceIo& inner_;
};

void Sleep(int ms) {
    PreciseSleep(ms);
}

// Loads the library and opens the mouse; false with a message on err.
bool OpenMouse(DriverLibrary& driver, const DeviceConfig& config, std::ostream& err) {
    if (!driver.Load(OwnFolder() / kDriverLibraryName)) {
        err << "mousectl: " << driver.Error() << "\n";
        return false;
    }
    driver.SetVidPid(config.vid, config.pid);
    driver.OpenFeatureDevice();
    if (driver.OpenReportDevice() == 0) {
        err << "mousectl: no mouse found (vendor " << std::hex << config.vid << ", product "
            << config.pid << std::dec << ")\n";
        return false;
    }
    return true;
}

// Reads --ini FILE from args (removing it); without it, the Data.ini beside
// mousectl, which is the one the program reads (its button overrides decide
// what every button sends). False on a usage error.
bool TakeIni(std::vector<std::string>& args, DeviceConfig& config, std::ostream& err) {
    config = LoadDeviceConfig((OwnFolder() / "Data.ini").string());
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--ini") {
            continue;
        }
        if (i + 1 >= args.size()) {
            err << "mousectl: --ini needs a file\n";
            return false;
        }
        if (!std::filesystem::is_regular_file(args[i + 1])) {
            err << "mousectl: cannot read " << args[i + 1] << "\n";
            return false;
        }
        config = LoadDeviceConfig(args[i + 1]);
        args.erase(args.begin() + long(i), args.begin() + long(i) + 2);
        return true;
    }
    return true;
}

int RunApply(const std::vector<std::string>& argsIn, std::ostream& out, std::ostream& err) {
    std::vector<std::string> args = argsIn;
    DeviceConfig config;
    if (!TakeIni(args, config, err)) {
        return kExitUsage;
    }
    if (args.size() != 1) {
        err << "usage: mousectl apply PROFILE.pbin [--ini DATA.INI]\n";
        return kExitUsage;
    }
    ProfileRecord profile{};
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadFileBytes(args[0], bytes, error)) {
        err << "mousectl: " << error << "\n";
        return kExitFileError;
    }
    if (bytes.size() != sizeof(ProfileRecord)) {
        err << "mousectl: " << args[0] << " holds " << bytes.size() << " bytes, not one profile of "
            << sizeof(ProfileRecord) << "\n";
        return kExitFileError;
    }
    CopyRecord(bytes, 0, profile);
    DriverLibrary driver;
    if (!OpenMouse(driver, config, err)) {
        return kExitDevice;
    }
    CountingDevice device(driver);
    NoPointerSettings pointer;
    // The mouse's last state is unknown here; the pointer settings are the
    // desktop's business, not the tool's.
    ProfileRecord lastApplied = profile;
    auto start = std::chrono::steady_clock::now();
    ApplyConfiguration(device, Sleep, pointer, profile, lastApplied, config);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - start)
                  .count();
    out << "applied " << args[0] << " in " << ms << " ms: " << device.calls << " reports, "
        << device.refused << " refused\n";
    return device.refused == 0 ? kExitOk : kExitDevice;
}

int RunVersion(const std::vector<std::string>& argsIn, std::ostream& out, std::ostream& err) {
    std::vector<std::string> args = argsIn;
    DeviceConfig config;
    if (!TakeIni(args, config, err)) {
        return kExitUsage;
    }
    if (!args.empty()) {
        err << "usage: mousectl version [--ini DATA.INI]\n";
        return kExitUsage;
    }
    DriverLibrary driver;
    if (!OpenMouse(driver, config, err)) {
        return kExitDevice;
    }
    std::optional<FirmwareVersion> version = ReadFirmwareVersion(driver, Sleep);
    if (!version) {
        err << "mousectl: the mouse did not answer the version read\n";
        return kExitDevice;
    }
    out << "firmware " << version->major << "." << version->minor << "\n";
    return kExitOk;
}

bool ParseNumber(const std::string& text, int& value) {
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < 0 || v > 255) {
        return false;
    }
    value = int(v);
    return true;
}

int RunSim(const std::vector<std::string>& argsIn, std::ostream& out, std::ostream& err) {
    std::vector<std::string> args = argsIn;
    std::string socket;
    for (size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == "--socket") {
            socket = args[i + 1];
            args.erase(args.begin() + long(i), args.begin() + long(i) + 2);
            break;
        }
    }
    if (socket.empty()) {
        const char* env = std::getenv("MOUSE_SIM_SOCKET");
        socket = env != nullptr ? env : "";
    }
    if (socket.empty()) {
        err << "mousectl: set MOUSE_SIM_SOCKET or pass --socket PATH\n";
        return kExitUsage;
    }
    if (args.empty()) {
        err << "usage: mousectl sim plug|unplug|state|press dpi|rate|mode N|version H.L|"
               "fail next N|fail all|fail clear\n";
        return kExitUsage;
    }
    const std::string& verb = args[0];
    bool ok = false;
    if (verb == "plug" && args.size() == 1) {
        ok = SimPlug(socket);
    } else if (verb == "unplug" && args.size() == 1) {
        ok = SimUnplug(socket);
    } else if (verb == "state" && args.size() == 1) {
        std::optional<SimState> state = SimGetState(socket);
        if (state) {
            out << FormatSimState(*state);
            return kExitOk;
        }
    } else if (verb == "press" && args.size() == 3) {
        std::optional<SimButton> button = ParseSimButton(args[1]);
        int n = 0;
        if (!button || !ParseNumber(args[2], n)) {
            err << "usage: mousectl sim press dpi|rate|mode N\n";
            return kExitUsage;
        }
        ok = SimPress(socket, *button, n);
    } else if (verb == "version" && args.size() == 2) {
        int major = 0, minor = 0;
        size_t dot = args[1].find('.');
        if (dot == std::string::npos || !ParseNumber(args[1].substr(0, dot), major) ||
            !ParseNumber(args[1].substr(dot + 1), minor)) {
            err << "usage: mousectl sim version H.L\n";
            return kExitUsage;
        }
        ok = SimSetVersion(socket, major, minor);
    } else if (verb == "fail" && args.size() >= 2) {
        int n = 0;
        if (args[1] == "all" && args.size() == 2) {
            ok = SimFailAll(socket);
        } else if (args[1] == "clear" && args.size() == 2) {
            ok = SimFailClear(socket);
        } else if (args[1] == "next" && args.size() == 3 && ParseNumber(args[2], n)) {
            ok = SimFailNext(socket, n);
        } else {
            err << "usage: mousectl sim fail next N|all|clear\n";
            return kExitUsage;
        }
    } else {
        err << "mousectl: unknown sim command\n";
        return kExitUsage;
    }
    if (!ok) {
        err << "mousectl: the virtual mouse at " << socket << " did not take '" << verb << "'\n";
        return kExitDevice;
    }
    return kExitOk;
}

}  // namespace

std::vector<Command> DeviceCommands() {
    return {
        {"apply", "write a profile to the mouse",
         "usage: mousectl apply PROFILE.pbin [--ini DATA.INI]\n"
         "Writes the profile to the mouse as the program's apply does and reports the time\n"
         "taken and the reports the mouse refused. Uses MSDriver.so, and without --ini the\n"
         "Data.ini, from mousectl's folder; with MOUSE_SIM_SOCKET set it talks to that\n"
         "virtual mouse.\n"
         "Exit status: 0 all reports taken, 1 bad file, 2 usage, 3 no mouse or refused reports.\n",
         RunApply},
        {"version", "read the mouse's firmware version",
         "usage: mousectl version [--ini DATA.INI]\n"
         "Prints \"firmware MAJOR.MINOR\". Exit status 3 when no mouse answers.\n",
         RunVersion},
        {"sim", "drive a running virtual mouse",
         "usage: mousectl sim [--socket PATH] COMMAND\n"
         "  plug | unplug         plug the virtual mouse in or pull it out\n"
         "  press dpi|rate|mode N press a button on the mouse (sends its notice)\n"
         "  state                 print everything the mouse holds, decoded\n"
         "  version H.L           the firmware version it reports\n"
         "  fail next N | fail all | fail clear   refuse exchanges on purpose\n"
         "The socket defaults to $MOUSE_SIM_SOCKET.\n",
         RunSim},
    };
}

}  // namespace mouse::cli
