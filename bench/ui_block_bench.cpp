// How long the main window's event loop is kept from running. The real
// CMainWnd runs offscreen in this process against a virtual mouse, with 100
// profiles (profile.bin of 11.8 MB), 1000 macros and 1000 presets in its
// store folder. A 1 ms timer on the user-interface thread notes the gaps
// between its ticks; the longest gap is the longest time the window could not
// react. Three phases: start-up (window creation, store loading, settings
// synchronisation and firmware version read), one apply, and a burst of 20
// DPI notices from the mouse (each saves profile.bin).
//
//   build/bench/ui_block_bench [RUNS]
//
// The store folder lies in the system's temporary folder; put TMPDIR on the
// disk whose saves are to be measured.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/main_wnd.h"
#include "bench/bench_env.h"
#include "bench/bench_stores.h"
#include "bench/event_loop_watchdog.h"
#include "drivers/sim/sim_client.h"
#include "drivers/sim/sim_process.h"
#include "store/stores.h"
#include "ui/ui.h"

namespace {

using namespace mouse;

using bench::kMacros;
using bench::kPresets;
using bench::kProfiles;
constexpr int kDpiNotices = 20;

// The main window, with the ends of the start-up and of each device notice
// made visible to the benchmark, and the time its save calls take on the
// user-interface thread (the end of an apply, a device notice).
class BenchWnd final : public CMainWnd {
public:
    using CMainWnd::CMainWnd;
    void SaveProfilesAfterNotice() override {
        Timed([&] { CMainWnd::SaveProfilesAfterNotice(); });
        ++notices;
    }
    void ApplyFinished(int profileIndex, const ApplyReport& report) override {
        Timed([&] { CMainWnd::ApplyFinished(profileIndex, report); });
    }
    void FirmwareVersionRead(std::optional<FirmwareVersion> version) override {
        CMainWnd::FirmwareVersionRead(version);
        startedUp = true;
    }
    int notices = 0;
    bool startedUp = false;
    double longestSaveCallMs = 0;

private:
    template <typename Fn>
    void Timed(Fn fn) {
        QElapsedTimer clock;
        clock.start();
        fn();
        longestSaveCallMs = std::max(longestSaveCallMs, double(clock.nsecsElapsed()) / 1e6);
    }
};

using bench::Watchdog;

// Runs the event loop until done() holds; false after timeoutMs.
bool RunUntil(const std::function<bool()>& done, int timeoutMs = 60000) {
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    bool ok = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done()) {
            ok = true;
            loop.quit();
        } else if (clock.elapsed() > timeoutMs) {
            loop.quit();
        }
    });
    poll.start(1);
    loop.exec();
    return ok;
}

bool FillProgramFolder(const QString& program) {
    QDir().mkpath(program + "Data");
    QFile::copy(MOUSE_APP_DIR "/Data/Default.pbin", program + "Data/Default.pbin");
    QFile::copy(MOUSE_APP_DIR "/logo.png", program + "logo.png");
    QFile ini(program + "Data.ini");
    if (!ini.open(QIODevice::WriteOnly)) {
        return false;
    }
    ini.write(
        "[Default]\r\nVID=04d9\r\nPID=a09f\r\nSensor=3311\r\nDistance=1\r\n"
        "Distance_Value=1,2,3,4,5,6,7,8\r\nVer_H=1\r\nVer_L=0\r\nUpdate=1\r\n[BUTTON]\r\n");
    ini.close();
    return bench::WriteLargeStores((program + "Data/").toStdString());
}

struct Phase {
    double longest = 0;   // longest gap between ticks, ms
    int over16 = 0;       // gaps over 16 ms
    double saveCall = 0;  // longest save call on the user-interface thread, ms
    double wall = 0;      // length of the phase, ms
};
struct Figures {
    Phase startUp, apply, notices;
};

bool RunOnce(const std::string& simSocket, Figures& f) {
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return false;
    }
    const QString program = folder.path() + "/";
    if (!FillProgramFolder(program)) {
        std::fprintf(stderr, "cannot fill %s\n", qPrintable(program));
        return false;
    }

    Watchdog watchdog;
    QElapsedTimer wall;
    NoPointerSettings noDesktop;
    std::unique_ptr<BenchWnd> wnd;

    // Start-up: the window is created from inside the running event loop.
    watchdog.Begin();
    wall.start();
    QTimer::singleShot(0, [&] {
        MainWndOptions options;
        options.busService = false;  // never on the session bus of whoever runs it
        options.programFolder = program;
        options.driverLibrary = MOUSE_APP_DIR "/MSDriver.so";
        options.pointer = &noDesktop;  // the benchmark leaves the desktop alone
        options.quit = [] {};
        wnd = std::make_unique<BenchWnd>(options);
        if (!wnd->Create(nullptr)) {
            std::fprintf(stderr, "cannot create the main window\n");
            std::exit(1);
        }
    });
    if (!RunUntil([&] { return wnd && wnd->startedUp; })) {
        std::fprintf(stderr, "the start-up did not end\n");
        return false;
    }
    f.startUp = {watchdog.LongestMs(), watchdog.Over16Ms(), wnd->longestSaveCallMs,
                 double(wall.elapsed())};
    if (wnd->GetStores().profiles.size() != size_t(kProfiles) ||
        !RunUntil([&] { return wnd->Writer().Idle(); })) {
        std::fprintf(stderr, "the stores did not load\n");
        return false;
    }

    // One apply, until its saves are written.
    watchdog.Begin();
    wall.restart();
    wnd->longestSaveCallMs = 0;
    wnd->Apply();
    if (!RunUntil([&] { return wnd->PendingApplies() == 0 && wnd->Writer().Idle(); })) {
        std::fprintf(stderr, "the apply did not end\n");
        return false;
    }
    f.apply = {watchdog.LongestMs(), watchdog.Over16Ms(), wnd->longestSaveCallMs,
               double(wall.elapsed())};

    // A burst of DPI notices, pressed from another thread so that the
    // presses themselves do not hold the event loop.
    watchdog.Begin();
    wall.restart();
    wnd->longestSaveCallMs = 0;
    std::atomic<bool> pressed{true};
    std::thread presser([&] {
        for (int i = 0; i < kDpiNotices; ++i) {
            pressed = SimPress(simSocket, SimButton::Dpi, 1 + i % kDpiLevels) && pressed;
        }
    });
    const bool noticed =
        RunUntil([&] { return wnd->notices == kDpiNotices && wnd->Writer().Idle(); });
    presser.join();
    if (!noticed || !pressed) {
        std::fprintf(stderr, "the DPI notices did not arrive (%d of %d)\n", wnd->notices,
                     kDpiNotices);
        return false;
    }
    f.notices = {watchdog.LongestMs(), watchdog.Over16Ms(), wnd->longestSaveCallMs,
                 double(wall.elapsed())};
    wnd.reset();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    bench::PrepareEnvironment(QStringLiteral("ui-block-bench-runtime"));
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    CPaintManagerUI::SetResourcePath(MOUSE_APP_DIR "/res/");

    SimProcess sim;
    if (!sim.Start(MOUSE_APP_DIR "/mouse-sim", {"--version", "1.0"})) {
        std::fprintf(stderr, "cannot start mouse-sim: %s\n", sim.Error().c_str());
        return 1;
    }
    setenv("MOUSE_SIM_SOCKET", sim.SocketPath().c_str(), 1);

    std::printf("%d profiles (profile.bin %zu bytes), %d macros, %d presets; %d run(s)\n",
                kProfiles, kProfiles * sizeof(ProfileRecord), kMacros, kPresets, runs);
    std::vector<Figures> all;
    for (int run = 0; run < runs; ++run) {
        Figures f;
        if (!RunOnce(sim.SocketPath(), f)) {
            return 1;
        }
        all.push_back(f);
    }

    // Per phase: each run, then the median of each column.
    auto print = [](const char* name, const Phase& p) {
        std::printf("  %-16s %12.1f %8d %14.1f %10.0f\n", name, p.longest, p.over16, p.saveCall,
                    p.wall);
    };
    auto median = [&](Phase Figures::*phase, auto field) {
        std::vector<double> v;
        for (const Figures& f : all) {
            v.push_back(double((f.*phase).*field));
        }
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const std::pair<const char*, Phase Figures::*> phases[] = {
        {"start-up", &Figures::startUp},
        {"apply", &Figures::apply},
        {"20 DPI notices", &Figures::notices}};
    std::printf("  %-16s %12s %8s %14s %10s\n", "phase", "longest gap", ">16 ms", "longest save",
                "phase");
    for (const auto& [name, phase] : phases) {
        for (const Figures& f : all) {
            print(name, f.*phase);
        }
    }
    std::printf("median of %d runs (ms):\n", runs);
    for (const auto& [name, phase] : phases) {
        print(name, Phase{median(phase, &Phase::longest), int(median(phase, &Phase::over16)),
                          median(phase, &Phase::saveCall), median(phase, &Phase::wall)});
    }
    return 0;
}
