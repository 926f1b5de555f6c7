// Wall time of `mousectl apply` for a profile with ten macro buttons against
// the virtual mouse, as a ratio to the protocol pauses that `mousectl encode`
// prints for the same profile and Data.ini. The pauses are the floor; the
// ratio shows what the transport, the library and process start add.
//
//   build/bench/apply_ratio_bench [RUNS]
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "device/records.h"
#include "drivers/sim/sim_process.h"
#include "store/stores.h"

namespace {

using mouse::ProfileRecord;

ProfileRecord ProfileWithTenMacros() {
    ProfileRecord record{};
    mouse::MakeDefaultRecord(record, 3311);
    mouse::WriteText(record.name, u"Ten macros");
    // Slots 7-13 and 23-25 are free in both modes; give ten of them macros
    // of twenty actions each (long and short delays, a move).
    const int slots[] = {7, 8, 9, 10, 11, 12, 13, 23, 24, 25};
    for (int slot : slots) {
        mouse::ButtonEntry& e = record.buttons[slot];
        e.functionId = 22;
        e.macroIndex = slot;
        e.bindingLoops = 1;
        e.bindingCount = 20;
        for (int i = 0; i < 20; ++i) {
            mouse::MacroAction& a = e.macroActions[i];
            a.code = uint8_t(4 + i);
            a.kind = i % 5 == 4 ? mouse::kActionMove : uint8_t(1 + i % 2);
            a.delay = uint16_t(i % 7 == 0 ? 1500 : 30);
            a.x = i;
            a.y = -i;
        }
    }
    return record;
}

std::string Capture(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return out;
    }
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        out.append(buffer, n);
    }
    pclose(pipe);
    return out;
}

long SleepTotal(const std::string& transcript) {
    long total = 0;
    size_t pos = 0;
    while ((pos = transcript.find("Sleep ", pos)) != std::string::npos) {
        total += std::strtol(transcript.c_str() + pos + 6, nullptr, 10);
        pos += 6;
    }
    return total;
}

// Runs the command and returns its wall time in milliseconds (-1 on failure).
double TimeRun(const std::vector<std::string>& argv) {
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> args;
        for (const std::string& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        freopen("/dev/null", "w", stdout);
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1;
    }
    return std::chrono::duration<double, std::milli>(end - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const std::string app = MOUSE_APP_DIR;
    const std::string mousectl = app + "/mousectl";
    const std::string ini = std::string(MOUSE_SOURCE_DIR) + "/app/data/Data.ini";

    mouse::SimProcess sim;
    if (!sim.Start(app + "/mouse-sim")) {
        std::fprintf(stderr, "cannot start mouse-sim: %s\n", sim.Error().c_str());
        return 1;
    }
    const std::string profile = sim.PathFor("ten-macros.pbin");
    ProfileRecord record = ProfileWithTenMacros();
    if (!mouse::WriteFileAtomically(profile, &record, sizeof record)) {
        std::fprintf(stderr, "cannot write %s\n", profile.c_str());
        return 1;
    }
    setenv("MOUSE_SIM_SOCKET", sim.SocketPath().c_str(), 1);

    const long pauses =
        SleepTotal(Capture(mousectl + " encode '" + profile + "' --ini '" + ini + "'"));
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        double ms = TimeRun({mousectl, "apply", profile, "--ini", ini});
        if (ms < 0) {
            std::fprintf(stderr, "mousectl apply failed\n");
            return 1;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("pauses (sum of Sleep lines): %ld ms\n", pauses);
    std::printf("mousectl apply wall time over %d runs: min %.1f ms, median %.1f ms, max %.1f ms\n",
                runs, times.front(), median, times.back());
    std::printf("ratio (median / pauses): %.4f  (target <= 1.02)\n", median / double(pauses));
    return 0;
}
