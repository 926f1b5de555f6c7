// How fast a hotkey script drives the running program: the wall time of
// `mousectl dpi set N` and `mousectl profile switch NAME`, from starting the
// process to its exit (which waits for the program's ApplyFinished, sent
// after the mouse took the apply's last report), with the protocol's own
// pauses taken out (the window's worker does not sleep). Against the
// virtual mouse, on a private session bus, with the main window in this
// process on the offscreen platform. Also measured alone: the process
// start (`mousectl --version`) and a bus round trip (`mousectl dpi get`).
//
//   build/bench/cli_latency_bench [RUNS]     (default 30 per measure)
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/main_wnd.h"
#include "bench/bench_window.h"
#include "device/apply.h"
#include "device/driver_library.h"
#include "device/encode.h"
#include "device/records.h"
#include "drivers/sim/sim_client.h"
#include "drivers/sim/sim_process.h"
#include "store/data_ini.h"
#include "ui/paint_manager.h"

namespace {

using namespace mouse;

// Runs while the event loop turns (the window answers from it); ms.
double TimedRun(const QString& address, const QStringList& args, int* status) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", address);
    p.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    p.start(MOUSE_APP_DIR "/mousectl", args);
    p.waitForStarted(5000);
    while (p.state() != QProcess::NotRunning) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    *status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return ms;
}

struct Stats {
    double median, min, max;
};

Stats Measure(const QString& address, const std::vector<QStringList>& cycle, int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        int status = 0;
        times.push_back(TimedRun(address, cycle[size_t(i) % cycle.size()], &status));
        if (status != 0) {
            std::fprintf(stderr, "mousectl %s: exit status %d\n",
                         cycle[size_t(i) % cycle.size()].join(' ').toUtf8().constData(), status);
            std::exit(1);
        }
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front(), times.back()};
}

// Takes every report and counts them; the pauses are summed, not slept.
class CountingIo final : public DeviceIo {
public:
    int reports = 0;
    int SetFeature(uint8_t*, int) override { return ++reports; }
    int GetFeature(uint8_t*, int) override { return ++reports; }
    int WriteUSB(uint8_t*, int) override { return ++reports; }
};

void Print(const char* what, const Stats& s) {
    std::printf("%-44s median %6.1f ms   min %6.1f   max %6.1f\n", what, s.median, s.min, s.max);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 30;

    QProcess bus;
    bus.start("dbus-daemon", {"--session", "--print-address", "--nofork"});
    if (!bus.waitForStarted(5000) || !bus.waitForReadyRead(5000)) {
        std::fprintf(stderr, "no dbus-daemon\n");
        return 1;
    }
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();

    SimProcess sim;
    if (!sim.Start(MOUSE_APP_DIR "/mouse-sim")) {
        std::fprintf(stderr, "no virtual mouse: %s\n", sim.Error().c_str());
        return 1;
    }
    QTemporaryDir folder;
    const QString program = folder.path() + "/";
    // Two profiles of four levels each.
    if (!bench::PrepareProgramFolder(program, {{u"First", 0}, {u"Second", 0}})) {
        return 1;
    }

    CPaintManagerUI::SetResourcePath(MOUSE_APP_DIR "/res/");
    NoPointerSettings pointer;
    MainWndOptions options = bench::WindowWithoutMouse(program, pointer);
    setenv("MOUSE_SIM_SOCKET", sim.SocketPath().c_str(), 1);
    options.workerPause = [](int) {};  // the protocol's pauses taken out
    options.busService = true;
    options.busAddress = address;
    auto window = std::make_unique<CMainWnd>(options);
    if (!window->Create(nullptr)) {
        std::fprintf(stderr, "no window\n");
        return 1;
    }
    QElapsedTimer wait;
    wait.start();
    while (!window->Link().CanShowWindow() && wait.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    if (!window->Link().CanShowWindow()) {
        std::fprintf(stderr, "the window never saw the mouse\n");
        return 1;
    }

    std::printf("%d runs each, protocol pauses taken out, virtual mouse, private bus\n", runs);
    Print("process start (mousectl --version)", Measure(address, {{"--version"}}, runs));
    Print("bus round trip (mousectl dpi get)", Measure(address, {{"dpi", "get"}}, runs));
    Print("mousectl dpi set N (whole apply)",
          Measure(address, {{"dpi", "set", "2"}, {"dpi", "set", "3"}}, runs));
    Print(
        "mousectl profile switch NAME (whole apply)",
        Measure(address, {{"profile", "switch", "Second"}, {"profile", "switch", "First"}}, runs));
    const auto state = SimGetState(sim.SocketPath());
    std::printf("the mouse took %u exchanges, refused %u\n", state ? state->acceptedCount : 0,
                state ? state->refusedCount : 0);
    window.reset();

    // A DPI-level-only change needs one report (0x0B with the level) where
    // the whole apply sends everything: each measured alone, exchanges only,
    // and the pauses the protocol adds to each.
    DriverLibrary driver;
    if (driver.Load(MOUSE_APP_DIR "/MSDriver.so")) {
        driver.SetVidPid(0x04D9, 0xA09F);
        driver.OpenFeatureDevice();
        driver.OpenReportDevice();
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            FeatureReport level = MakeFeature(0x0B, uint8_t(1 + i % 4));
            QElapsedTimer t;
            t.start();
            driver.SetFeature(level.data(), int(level.size()));
            times.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        std::sort(times.begin(), times.end());
        auto profile = std::make_unique<ProfileRecord>();
        MakeDefaultRecord(*profile, 3311);
        auto last = std::make_unique<ProfileRecord>(*profile);
        CountingIo io;
        int pauses = 0;
        NoPointerSettings none;
        ApplyConfiguration(
            io, [&](int ms) { pauses += ms; }, none, *profile, *last,
            ParseDeviceConfig("[Default]\nSensor=3311\n"));
        std::printf(
            "DPI level alone (one 0x0B report):           median %6.2f ms exchange, "
            "20 ms pause\n",
            times[times.size() / 2]);
        std::printf("the whole apply:                             %d exchanges, %d ms of pauses\n",
                    io.reports, pauses);
    }
    bus.terminate();
    bus.waitForFinished(3000);
    return 0;
}
