// What mousectl refuses (sensor codes it cannot encode, files it would
// overwrite, folders it would have to make, values the mouse never sends)
// and what `apply` says when the mouse refuses reports, against a virtual
// mouse.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>
#include "ci_env.h"
#include "cli/mousectl_fixture.h"
#include "cli/program_presence.h"
#include "device/encode.h"
#include "device/records.h"
#include "drivers/sim/sim_client.h"
#include "drivers/sim/sim_process.h"
#include "drivers/sim/sim_wire.h"

namespace mouse {
namespace {

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST_F(MousectlTest, NewProfileTakesExactlyTheSensorCodesTheEncodingKnows) {
    const RunResult help = Run({"new-profile", "--help"});
    for (const int code : KnownSensorCodes()) {
        EXPECT_TRUE(Contains(help.out, std::string(" ").append(std::to_string(code))))
            << code << "\n"
            << help.out;
        const fs::path path = NewProfile(std::string("S").append(std::to_string(code)), code);
        EXPECT_EQ(fs::file_size(path), sizeof(ProfileRecord)) << code;
    }
    // Not a known code, or not meant as one: 010 would be octal 8 and 0x10
    // sixteen to a lenient reader.
    for (const char* code : {"0", "-1", "1234", "3312", "99999999999", "0x10", "3311x", ""}) {
        const fs::path path = dir / "bad.pbin";
        const RunResult r = Run({"new-profile", "--sensor", code, "--name", "x", path.string()});
        EXPECT_EQ(r.status, 2) << code;
        EXPECT_TRUE(Contains(r.err, "--sensor")) << code << ": " << r.err;
        EXPECT_FALSE(fs::exists(path)) << code;
    }
    const RunResult unknown =
        Run({"new-profile", "--sensor", "1234", "--name", "x", (dir / "x.pbin").string()});
    EXPECT_TRUE(Contains(unknown.err, "unknown sensor code 1234")) << unknown.err;
    EXPECT_TRUE(Contains(unknown.err, "3311")) << unknown.err;
    // Leading zeros are still decimal.
    EXPECT_EQ(
        Run({"new-profile", "--sensor", "03311", "--name", "z", (dir / "z.pbin").string()}).status,
        0);
}

TEST_F(MousectlTest, NewProfileKeepsExistingFilesAndMakesNoFolders) {
    const fs::path existing = dir / "mine.pbin";
    std::ofstream(existing) << "keep me";
    const fs::path link = dir / "link.pbin";
    fs::create_symlink(dir / "nowhere.pbin", link);

    struct Case {
        std::vector<std::string> extra;
        fs::path out;
        int status;
        std::string message;  // part of stderr
    };
    const Case cases[] = {
        {{}, existing, 1, existing.string() + ": exists; --force replaces it"},
        {{}, link, 1, "exists"},
        {{},
         dir / "no" / "such" / "x.pbin",
         1,
         (dir / "no" / "such").string() + ": no such folder"},
        {{"--force"}, dir / "no" / "x.pbin", 1, (dir / "no").string() + ": no such folder"},
        {{}, existing / "x.pbin", 1, existing.string() + ": is not a folder"},
        {{"--force"}, existing, 0, ""},
        {{}, dir / "fresh.pbin", 0, ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"new-profile", "--sensor", "3311", "--name", "P"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        args.push_back(c.out.string());
        const RunResult r = Run(args);
        EXPECT_EQ(r.status, c.status) << c.out << ": " << r.err;
        EXPECT_TRUE(Contains(r.err, c.message)) << c.out << ": " << r.err;
    }
    EXPECT_EQ(fs::file_size(existing), sizeof(ProfileRecord)) << "--force replaced it";
    EXPECT_EQ(fs::file_size(dir / "fresh.pbin"), sizeof(ProfileRecord));
    EXPECT_FALSE(fs::exists(dir / "no")) << "no folder is made";
    EXPECT_TRUE(fs::is_symlink(link) && !fs::exists(dir / "nowhere.pbin"));
    // Nothing but the results is left behind.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() == ".pbin") {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"fresh.pbin", "link.pbin", "mine.pbin"}));
}

// A go-between on the virtual mouse's socket: passes every frame through and
// pulls the mouse out just before report exchange number `unplugAt` (from
// 1), so an apply loses the mouse at exactly that report.
class UnplugAt {
public:
    UnplugAt(std::string simSocket, std::string ownSocket, int unplugAt)
        : sim_(std::move(simSocket)), own_(std::move(ownSocket)), unplugAt_(unplugAt) {}
    ~UnplugAt() {
        if (listen_ >= 0) {
            ::shutdown(listen_, SHUT_RDWR);  // wakes accept
        }
        if (thread_.joinable()) {
            thread_.join();
        }
        if (listen_ >= 0) {
            ::close(listen_);
        }
    }

    bool Start() {
        listen_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (listen_ < 0 || own_.size() >= sizeof(address.sun_path)) {
            return false;
        }
        own_.copy(address.sun_path, own_.size());
        if (::bind(listen_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
            ::listen(listen_, 4) != 0) {
            return false;
        }
        thread_ = std::thread([this] { Serve(); });
        return true;
    }

    int Exchanges() const { return exchanges_; }

private:
    void Serve() {
        while (true) {
            const int client = ::accept(listen_, nullptr, nullptr);
            if (client < 0) {
                return;
            }
            const int upstream = simwire::ConnectUnix(sim_, 2000);
            Relay(client, upstream);
            ::close(upstream);
            ::close(client);
        }
    }

    void Relay(int client, int upstream) {
        simwire::FrameReader reader;
        uint8_t buffer[4096];
        while (true) {
            const ssize_t n = ::read(client, buffer, sizeof buffer);
            if (n <= 0) {
                return;
            }
            reader.Feed(buffer, size_t(n));
            while (std::optional<simwire::Frame> frame = reader.Next()) {
                const uint8_t op = frame->op;
                if (op == simwire::kSetFeature || op == simwire::kGetFeature ||
                    op == simwire::kWriteUsb) {
                    if (++exchanges_ == unplugAt_) {
                        SimUnplug(sim_);
                    }
                }
                std::optional<simwire::Frame> reply = simwire::Exchange(upstream, *frame, 2000);
                if (!reply || !simwire::SendFrame(client, *reply)) {
                    return;
                }
            }
        }
    }

    std::string sim_;
    std::string own_;
    int unplugAt_;
    int listen_ = -1;
    std::atomic<int> exchanges_{0};
    std::thread thread_;
};

class MousectlSimTest : public MousectlTest {
protected:
    void SetUp() override {
        MousectlTest::SetUp();
        ASSERT_TRUE(sim.Start(MOUSE_APP_DIR "/mouse-sim")) << sim.Error();
        simSocket = sim.SocketPath();
        ini = dir / "Data.ini";
        std::ofstream(ini) << "[Default]\r\nSensor=3311\r\nDistance=1\r\n";
    }

    SimState State() {
        std::optional<SimState> state = SimGetState(sim.SocketPath());
        EXPECT_TRUE(state.has_value());
        return state.value_or(SimState{});
    }

    SimProcess sim;
    fs::path ini;
};

TEST_F(MousectlSimTest, PressSendsOnlyValuesTheMouseSends) {
    struct Case {
        const char* button;
        const char* value;
        bool taken;
    };
    const Case cases[] = {
        {"dpi", "1", true},   {"dpi", "8", true},    {"dpi", "0", false},
        {"dpi", "9", false},  {"dpi", "-1", false},  {"dpi", "255", false},
        {"dpi", "x", false},  {"rate", "1", true},   {"rate", "2", true},
        {"rate", "4", true},  {"rate", "8", true},   {"rate", "0", false},
        {"rate", "3", false}, {"rate", "16", false}, {"mode", "1", true},
        {"mode", "2", true},  {"mode", "0", false},  {"mode", "3", false},
        {"dpi", "07", true},  {"dpi", "0x3", false}, {"mode", "99999999999", false},
    };
    for (const Case& c : cases) {
        const SimState before = State();
        const RunResult r = Run({"sim", "press", c.button, c.value});
        const SimState after = State();
        const std::string what = std::string(c.button) + " " + c.value;
        if (c.taken) {
            EXPECT_EQ(r.status, 0) << what << ": " << r.err;
            const int value = std::stoi(c.value);
            const int held = c.button == std::string("dpi")    ? after.dpiLevel
                             : c.button == std::string("rate") ? after.reportRate
                                                               : after.buttonMode;
            EXPECT_EQ(held, value) << what;
        } else {
            EXPECT_EQ(r.status, 2) << what;
            EXPECT_TRUE(Contains(r.err, "mousectl sim: ")) << what << ": " << r.err;
            EXPECT_EQ(after, before) << what << ": nothing reaches the mouse";
        }
    }
    const RunResult r = Run({"sim", "press", "rate", "3"});
    EXPECT_TRUE(Contains(r.err, "report rates are 1, 2, 4 and 8; it never sends 3")) << r.err;
}

TEST_F(MousectlSimTest, ApplySaysWhetherTheMouseTookEveryReport) {
    const fs::path profile = NewProfile("P");
    const std::string proxySocket = sim.PathFor("proxy.sock");
    // Unplugged just before the sixth exchange (the DPI level): the settings
    // read, settings, button mode and report rate went through.
    UnplugAt proxy(sim.SocketPath(), proxySocket, 6);
    ASSERT_TRUE(proxy.Start());
    const std::string afterUnplug =
        "DPI level, lighting colour, lighting effect, cycle colours, DPI colours, DPI table, "
        "button table, lift-off distance, closing command, high-DPI mask";

    struct Case {
        const char* name;
        std::function<bool()> prepare;
        std::string socket;
        int status;
        std::string start;    // the line begins with this, then the file name
        std::string refused;  // the end of the line
    };
    const std::string s = sim.SocketPath();
    const Case cases[] = {
        {"good", [] { return true; }, s, 0, "applied ", ", 0 refused"},
        {"fail all", [&] { return SimFailAll(s); }, s, 8, "failed ", ", all refused"},
        {"button table refused",
         [&] { return SimFailClear(s) && SimFailCommand(s, SimCall::WriteUSB, 0x12); }, s, 8,
         "incomplete ", "refused (button table)"},
        {"unplugged mid-apply", [&] { return SimFailClear(s); }, proxySocket, 8, "incomplete ",
         "refused (" + afterUnplug + ")"},
        {"good again", [&] { return SimPlug(s); }, s, 0, "applied ", ", 0 refused"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(c.prepare()) << c.name;
        simSocket = c.socket;
        const RunResult r = Run({"apply", profile.string(), "--ini", ini.string()});
        EXPECT_EQ(r.status, c.status) << c.name << ": " << r.out << r.err;
        const std::vector<std::string> lines = Lines(r.out);
        ASSERT_EQ(lines.size(), 1u) << c.name << ": " << r.out;
        EXPECT_EQ(lines[0].rfind(c.start + profile.string() + " in ", 0), 0u)
            << c.name << ": " << lines[0];
        EXPECT_TRUE(
            lines[0].size() >= c.refused.size() &&
            lines[0].compare(lines[0].size() - c.refused.size(), std::string::npos, c.refused) == 0)
            << c.name << ": " << lines[0];
        EXPECT_FALSE(Contains(r.out, "applied") && c.status != 0) << c.name;
    }
    EXPECT_GT(proxy.Exchanges(), 6) << "the apply ran on after the unplug";
}

}  // namespace
}  // namespace mouse

namespace mouse {
namespace {

// A GSettings value as the desktop's own tool reads it, in the same private
// store that mousectl wrote.
std::string DesktopSetting(const fs::path& config, const char* key) {
    const std::string command = "XDG_CONFIG_HOME='" + config.string() +
                                "' GSETTINGS_BACKEND=keyfile gsettings get "
                                "org.gnome.desktop.peripherals.mouse " +
                                key + " 2>/dev/null";
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
            text += buffer;
        }
        pclose(pipe);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

TEST_F(MousectlSimTest, ApplyWritesTheDesktopPointerSettingsUnlessToldNotTo) {
    if (DesktopSetting(dir, "speed").empty()) {
        MOUSE_SKIP_UNLESS_CI("no gsettings tool or mouse schema");
    }
    // Pointer speed step 3 is the desktop's speed 4 of 20, -0.6 on its -1..1
    // scale; no precision is the flat profile; step 5 is 900 - 350 ms.
    const fs::path path = NewProfile("Desk");
    std::vector<uint8_t> bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_EQ(bytes.size(), sizeof(ProfileRecord));
    ProfileRecord profile{};
    std::memcpy(&profile, bytes.data(), sizeof profile);
    profile.pointerSpeed = 3;
    profile.enhancePointerPrecision = 0;
    profile.doubleClickSpeed = 5;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(&profile), sizeof profile);

    struct Case {
        const char* name;
        bool noDesktop;
        const char* speed;
        const char* accel;
        const char* doubleClick;
    };
    // The store starts at the schema's defaults.
    const Case cases[] = {
        {"--no-desktop", true, "0.0", "'default'", "400"},
        {"apply", false, "-0.59999999999999998", "'flat'", "550"},
    };
    const fs::path config = dir / "config";
    fs::create_directories(config);
    setenv("GSETTINGS_BACKEND", "keyfile", 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("XDG_CURRENT_DESKTOP", "GNOME", 1);  // the desktop chooses the store
    for (const Case& c : cases) {
        std::vector<std::string> args = {"apply", path.string(), "--ini", ini.string()};
        if (c.noDesktop) {
            args.push_back("--no-desktop");
        }
        const RunResult r = Run(args);
        EXPECT_EQ(r.status, 0) << c.name << ": " << r.out << r.err;
        const std::string speed = DesktopSetting(config, "speed");
        EXPECT_TRUE(speed == c.speed || (!c.noDesktop && speed == "-0.6"))
            << c.name << ": " << speed;
        EXPECT_EQ(DesktopSetting(config, "accel-profile"), c.accel) << c.name;
        EXPECT_EQ(DesktopSetting(config, "double-click"), c.doubleClick) << c.name;
    }
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_CURRENT_DESKTOP");
    setenv("GSETTINGS_BACKEND", "memory", 1);
}

}  // namespace
}  // namespace mouse

namespace mouse {
namespace {

// While the program runs (its single-instance socket answers), apply writes
// nothing; a socket file left by a crashed copy does not count.
TEST_F(MousectlSimTest, ApplyWritesNothingWhileTheProgramRuns) {
    const fs::path profile = NewProfile("p");
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    const fs::path socketPath = cli::ProgramSocketCandidates().front();
    ASSERT_EQ(socketPath.parent_path(), dir);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(fd, 1), 0);
    struct Case {
        const char* what;
        int status;
        uint32_t closings;  // the mouse's closing commands afterwards
    } cases[] = {{"program runs", 5, 0}, {"stale socket", 0, 1}};
    for (const Case& c : cases) {
        if (std::string_view(c.what) == "stale socket") {
            close(fd);  // the file stays, nobody listens
        }
        const RunResult r = Run({"apply", profile.string(), "--ini", ini.string(), "--no-desktop"});
        EXPECT_EQ(r.status, c.status) << c.what << ": " << r.err;
        EXPECT_EQ(State().closingCount, c.closings) << c.what;
    }
    unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
}  // namespace mouse

namespace mouse {
namespace {

// --json of the commands that print data parses and carries the values of
// their text form.
TEST_F(MousectlSimTest, JsonOfTheCommandsThatPrintData) {
    const fs::path profile = NewProfile("p");
    RunResult r = Run({"version", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["firmware"], "1.0");
    r = Run({"paths", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["portable"], true);
    r = Run({"encode", profile.string(), "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto calls = nlohmann::json::parse(r.out);
    const std::vector<std::string> text = Lines(Run({"encode", profile.string()}).out);
    ASSERT_EQ(calls.size(), text.size());
    EXPECT_EQ(calls[0], (nlohmann::json{{"call", "SetFeature"}, {"report", "830000000000007c"}}));
    EXPECT_EQ(calls[1]["call"], "GetFeature");
    EXPECT_EQ(calls[3], (nlohmann::json{{"call", "Sleep"}, {"ms", 20}}));
    r = Run({"inspect", profile.string(), "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto file = nlohmann::json::parse(r.out);
    EXPECT_EQ(file["kind"], "pbin");
    ASSERT_EQ(file["records"].size(), 1u);
    EXPECT_EQ(file["records"][0]["name"], "p");
    EXPECT_EQ(file["records"][0]["dpiLevels"].size(), 8u);
    EXPECT_EQ(file["records"][0]["buttons"][0]["function"], "click");
    r = Run({"sim", "state", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto state = nlohmann::json::parse(r.out);
    EXPECT_EQ(state["plugged"], 1);
    EXPECT_EQ(state["version"], "0100");
    EXPECT_TRUE(state["acceptedCount"].is_number()) << r.out;
    EXPECT_TRUE(state["macro1"].is_null()) << r.out;
}

}  // namespace
}  // namespace mouse
