// How long importing a large folder file keeps the main window's event loop
// from running: a macro folder file (.mbins) and a preset folder file
// (.gbins) of 1000 and of 4000 records whose items all have no name (the
// worst case for naming: every item takes the default name and a suffix).
// The real CMainWnd runs offscreen in this process; the file dialog is
// answered through its seam. A 1 ms timer on the user-interface thread notes
// the gaps between its ticks; the longest gap is the longest time the window
// could not react.
//
//   build/bench/import_bench [RUNS]
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/main_wnd.h"
#include "bench/bench_env.h"
#include "bench/bench_window.h"
#include "bench/event_loop_watchdog.h"
#include "store/stores.h"
#include "ui/ui.h"

namespace {

using namespace mouse;

struct Figures {
    double step = 0;        // ms, the import command with the page's refresh
    double longestGap = 0;  // ms, including the turns after it
    double wall = 0;        // ms, until the page has shown everything
};

template <typename Record>
bool WriteFolderFile(const QString& path, int records) {
    std::vector<Record> file(static_cast<size_t>(records));
    file[0].isFolder = 1;
    WriteText(file[0].folderName, u"Imported");
    for (int i = 1; i < records; ++i) {
        WriteText(file[size_t(i)].folderName, u"Imported");
    }
    return bool(WriteFileAtomically(path.toStdString(), file.data(), file.size() * sizeof(Record)));
}

bool RunOnce(bool macros, int records, Figures& f) {
    QTemporaryDir folder;
    const QString program = folder.path() + "/";
    if (!bench::PrepareProgramFolder(program)) {
        return false;
    }
    const QString file = program + (macros ? "big.mbins" : "big.gbins");
    if (!(macros ? WriteFolderFile<MacroRecord>(file, records)
                 : WriteFolderFile<GunRecord>(file, records))) {
        return false;
    }
    NoPointerSettings noDesktop;
    CMainWnd wnd(bench::WindowWithoutMouse(program, noDesktop));
    if (!wnd.Create(nullptr)) {
        return false;
    }
    wnd.ShowMainWindow();
    wnd.FindControl<COptionUI>(macros ? "macro_btn" : "gun_btn")->Activate();

    bench::Watchdog watchdog;
    QEventLoop loop;
    QElapsedTimer wall;
    QTimer::singleShot(200, [&] {
        watchdog.Begin();
        wall.start();
        CFileDialog::QueueAnswer(file);
        QElapsedTimer clock;
        clock.start();
        if (macros) {
            wnd.MacroPage().OnMenuCommand("import_macro_dir");
        } else {
            wnd.GunPage().OnMenuCommand("import_gun_dir");
        }
        f.step = double(clock.nsecsElapsed()) / 1e6;
        QTimer::singleShot(0, &loop, &QEventLoop::quit);
    });
    loop.exec();
    const size_t list = macros ? wnd.GetStores().macros.size() : wnd.GetStores().guns.size();
    while (wnd.MacroPage().IsFilling()) {
        QCoreApplication::processEvents();
    }
    f.wall = double(wall.nsecsElapsed()) / 1e6;
    f.longestGap = watchdog.LongestMs();
    wnd.Writer().Drain();
    return list == size_t(records);
}

}  // namespace

int main(int argc, char** argv) {
    bench::PrepareEnvironment(QStringLiteral("import-bench-runtime"));
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    CPaintManagerUI::SetResourcePath(MOUSE_APP_DIR "/res/");
    std::printf("folder files of unnamed items imported through the page; %d run(s)\n", runs);
    std::printf("  %-8s %8s %10s %12s %10s\n", "library", "records", "step ms", "longest gap",
                "wall ms");
    for (bool macros : {true, false}) {
        for (int records : {1000, 4000}) {
            for (int run = 0; run < runs; ++run) {
                Figures f;
                if (!RunOnce(macros, records, f)) {
                    std::fprintf(stderr, "the import did not load %d records\n", records);
                    return 1;
                }
                std::printf("  %-8s %8d %10.1f %12.1f %10.1f\n", macros ? "macros" : "presets",
                            records, f.step, f.longestGap, f.wall);
            }
        }
    }
    return 0;
}
