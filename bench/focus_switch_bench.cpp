// How fast the profile follows the application in front: from the end of
// the rest time (the focus rest timer firing) to the virtual mouse taking
// the apply's last report (its closing command), with the protocol's own
// pauses taken out (the window's worker does not sleep). The main window
// runs in this process on the offscreen platform; the window in front is a
// test source switching between two applications whose rules choose two
// profiles, so every run is a whole switch and apply.
//
//   build/bench/focus_switch_bench [RUNS]     (default 30)
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/main_wnd.h"
#include "bench/bench_window.h"
#include "drivers/sim/sim_client.h"
#include "drivers/sim/sim_process.h"
#include "ui/paint_manager.h"

namespace {

using namespace mouse;

// The window in front as the benchmark sets it.
class BenchSource final : public ActiveWindowSource {
public:
    const char* Name() const override { return "bench"; }
    bool Start(Listener changed, std::string&) override {
        listener_ = std::move(changed);
        return true;
    }
    void Stop() override { listener_ = nullptr; }
    ActiveWindow Current() const override { return current_; }
    std::vector<std::string> OpenApplications() const override { return {}; }
    void Show(const char* app) {
        current_ = {app, app, ""};
        listener_(current_);
    }

private:
    Listener listener_;
    ActiveWindow current_;
};

uint32_t Closings(const std::string& socket) {
    const auto state = SimGetState(socket);
    return state ? state->closingCount : 0;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 30;

    SimProcess sim;
    if (!sim.Start(MOUSE_APP_DIR "/mouse-sim")) {
        std::fprintf(stderr, "no virtual mouse: %s\n", sim.Error().c_str());
        return 1;
    }
    QTemporaryDir folder;
    const QString program = folder.path() + "/";
    // Two profiles told apart by their DPI level; a rule for each.
    if (!bench::PrepareProgramFolder(program, {{u"Work", 0}, {u"Play", 3}})) {
        return 1;
    }
    const std::filesystem::path data = std::filesystem::path(program.toStdString()) / "Data";
    SaveAppRules(data / kAppRulesFile,
                 AppRules{true, std::nullopt, {{"Editor", "", "Work"}, {"Game", "", "Play"}}});

    CPaintManagerUI::SetResourcePath(MOUSE_APP_DIR "/res/");
    // The rest timer is fired by hand: the time measured starts where it ends.
    CPaintManagerUI::SetManualTimers(true);
    NoPointerSettings pointer;
    MainWndOptions options = bench::WindowWithoutMouse(program, pointer);
    setenv("MOUSE_SIM_SOCKET", sim.SocketPath().c_str(), 1);
    options.workerPause = [](int) {};  // the protocol's pauses taken out
    options.busService = false;
    BenchSource* source = nullptr;
    options.activeWindowSource = [&](std::string&) {
        auto made = std::make_unique<BenchSource>();
        source = made.get();
        return std::unique_ptr<ActiveWindowSource>(std::move(made));
    };
    auto window = std::make_unique<CMainWnd>(options);
    if (!window->Create(nullptr) || source == nullptr) {
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

    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        source->Show(i % 2 == 0 ? "Game" : "Editor");
        const uint32_t before = Closings(sim.SocketPath());
        QElapsedTimer timer;
        timer.start();
        window->FireTimer(CMainWnd::kFocusRestTimer);
        while (Closings(sim.SocketPath()) == before) {
            if (timer.elapsed() > 10000) {
                std::fprintf(stderr, "run %d: the mouse took no apply\n", i);
                return 1;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        // The apply's end reaches the window before the next run.
        while (window->PendingApplies() > 0) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "%d switches, protocol pauses taken out, virtual mouse, rest time %d ms not counted\n",
        runs, AppProfileSwitcher::kRestMs);
    std::printf(
        "end of rest -> mouse took the last report: median %6.1f ms   min %6.1f   max %6.1f\n",
        times[times.size() / 2], times.front(), times.back());
    const auto state = SimGetState(sim.SocketPath());
    std::printf("the mouse took %u exchanges, refused %u; current DPI level %u\n",
                state ? state->acceptedCount : 0, state ? state->refusedCount : 0,
                state ? unsigned(state->dpiLevel) : 0);
    return 0;
}
