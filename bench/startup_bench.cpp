// Start-up time as the user sees it: from exec of mouse-driver to its main
// window being mapped on the X server, for a program folder with empty stores
// and one with 100 profiles, 1000 macros and 1000 presets. Both are copies of
// the build's program folder and start alternately against one virtual
// mouse; one start of each comes first and is not counted. Prints the median
// of each, and their ratio.
//
//   xvfb-run -a -s "-screen 0 1024x768x24" build/bench/startup_bench [PAIRS] [--keep] [--from DIR]
//
// Besides the wall time it notes the processor time the program's main
// thread had used by then (/proc/PID/task/PID/schedstat), a figure that other
// load on the machine disturbs much less.
//
// PAIRS defaults to 10. --from copies another program folder than the
// build's (to compare two builds). --keep leaves the two program folders in place (for
// a profiler) and prints where they are. Without a window manager the program's top-level
// window is a child of the root window, so its MapNotify arrives through
// SubstructureNotify on the root. The folders lie in the system's temporary
// folder (TMPDIR).
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_stores.h"
#include "drivers/sim/sim_process.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kMapTimeoutMs = 30000;

// A copy of the build's program folder whose Data/ holds only Default.pbin.
bool CopyProgramFolder(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    if (ec) {
        std::fprintf(stderr, "cannot copy %s to %s: %s\n", from.c_str(), to.c_str(),
                     ec.message().c_str());
        return false;
    }
    for (const auto& entry : fs::directory_iterator(to / "Data")) {
        if (entry.path().filename() != "Default.pbin") {
            fs::remove_all(entry.path(), ec);
        }
    }
    return true;
}

// Processor time in ms that the main (user-interface) thread of pid has used
// so far. Work on other threads does not hold back the window where a
// processor is free; that of threads that have ended is no longer listed.
double CpuMs(pid_t pid) {
    const std::string path =
        "/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/schedstat";
    unsigned long long ns = 0;
    if (FILE* f = std::fopen(path.c_str(), "r")) {
        if (std::fscanf(f, "%llu", &ns) != 1) {
            ns = 0;
        }
        std::fclose(f);
    }
    return double(ns) / 1e6;
}

struct Start {
    double wallMs = -1;
    double cpuMs = 0;
};

// Milliseconds from exec to the first map of a top-level window; -1 when none
// came. The program is ended (SIGTERM) and waited for before this returns.
Start TimeStart(Display* display, const fs::path& program, const fs::path& log,
                std::string* windowName) {
    XSync(display, True);  // drops what earlier runs left queued
    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (out >= 0) {
            dup2(out, STDOUT_FILENO);
            dup2(out, STDERR_FILENO);
        }
        const std::string path = (program / "mouse-driver").string();
        execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid < 0) {
        return {};
    }
    double ms = -1;
    double cpu = 0;
    pollfd fd{ConnectionNumber(display), POLLIN, 0};
    while (ms < 0) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && !event.xmap.override_redirect) {
                ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                cpu = CpuMs(pid);
                char* name = nullptr;
                if (windowName != nullptr && XFetchName(display, event.xmap.window, &name) &&
                    name != nullptr) {
                    *windowName = name;
                    XFree(name);
                }
                break;
            }
        }
        if (ms >= 0) {
            break;
        }
        const auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        if (waited > kMapTimeoutMs || waitpid(pid, nullptr, WNOHANG) == pid) {
            break;
        }
        poll(&fd, 1, 100);
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return Start{ms, cpu};
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    int pairs = 10;
    bool keep = false;
    fs::path from = MOUSE_APP_DIR;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--keep") {
            keep = true;
        } else if (std::string(argv[i]) == "--from" && i + 1 < argc) {
            from = argv[++i];
        } else {
            pairs = std::max(1, std::atoi(argv[i]));
        }
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "no X display: run under xvfb-run\n");
        return 1;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/startup-bench-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root = pattern;
    const fs::path empty = root / "empty", full = root / "full", runtime = root / "runtime";
    fs::create_directory(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    if (!CopyProgramFolder(from, empty) || !CopyProgramFolder(from, full) ||
        !mouse::bench::WriteLargeStores((full / "Data/").string())) {
        std::fprintf(stderr, "cannot prepare the program folders in %s\n", root.c_str());
        return 1;
    }

    mouse::SimProcess sim;
    if (!sim.Start(MOUSE_APP_DIR "/mouse-sim", {"--version", "1.0"})) {
        std::fprintf(stderr, "mouse-sim: %s\n", sim.Error().c_str());
        return 1;
    }
    setenv("MOUSE_SIM_SOCKET", sim.SocketPath().c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    setenv("MOUSE_DRIVER_TRAY", "off", 1);
    unsetenv("QT_QPA_PLATFORM");
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);

    std::string name;
    if (TimeStart(display, empty, root / "empty.log", &name).wallMs < 0 ||
        TimeStart(display, full, root / "full.log", nullptr).wallMs < 0) {
        std::fprintf(stderr, "no window was mapped (see %s/*.log)\n", root.c_str());
        return 1;
    }
    std::printf("window \"%s\"; %d starts of each, alternating\n", name.c_str(), pairs);
    std::vector<double> emptyMs, fullMs, emptyCpu, fullCpu;
    for (int i = 0; i < pairs; ++i) {
        for (int k = 0; k < 2; ++k) {
            const bool large = (i + k) % 2 == 1;
            const Start run = TimeStart(display, large ? full : empty,
                                        root / (large ? "full.log" : "empty.log"), nullptr);
            if (run.wallMs < 0) {
                std::fprintf(stderr, "no window was mapped (see %s/*.log)\n", root.c_str());
                return 1;
            }
            (large ? fullMs : emptyMs).push_back(run.wallMs);
            (large ? fullCpu : emptyCpu).push_back(run.cpuMs);
        }
    }
    const double e = Median(emptyMs), f = Median(fullMs);
    std::printf("empty stores: median %.1f ms (min %.1f, max %.1f)\n", e,
                *std::min_element(emptyMs.begin(), emptyMs.end()),
                *std::max_element(emptyMs.begin(), emptyMs.end()));
    std::printf("100 profiles, 1000 macros, 1000 presets: median %.1f ms (min %.1f, max %.1f)\n", f,
                *std::min_element(fullMs.begin(), fullMs.end()),
                *std::max_element(fullMs.begin(), fullMs.end()));
    std::printf("ratio: %.2f\n", f / e);
    const double ec = Median(emptyCpu), fc = Median(fullCpu);
    std::printf(
        "main thread processor time until mapped: median %.1f ms empty, %.1f ms large, ratio "
        "%.2f\n",
        ec, fc, fc / ec);
    XCloseDisplay(display);
    sim.Stop();
    if (keep) {
        std::printf("program folders: %s and %s\n", empty.c_str(), full.c_str());
    } else {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    return 0;
}
