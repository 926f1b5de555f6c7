// How long the macro page keeps the main window's event loop from running
// with a large library: 1000 macro records in 50 folders (50 folder records
// and 950 macros of 40 actions each). The real CMainWnd runs offscreen in
// this process. A 1 ms timer on the user-interface thread notes the gaps
// between its ticks while a chain of user actions, each posted as its own
// event, fills the folder selector, selects every folder (filling the macro
// selector), selects every macro of five folders (filling the action list
// with 40 items), and edits one delay in ten macros (each edit saves
// macro.bin and carries the macro into bound buttons). The longest gap is the
// longest time the window could not react. The items of an action list that
// must be built are built a few per turn of the event loop, so the turns
// between the user actions are measured too.
//
//   build/bench/macro_page_bench [RUNS]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_wnd.h"
#include "bench/bench_env.h"
#include "bench/bench_window.h"
#include "bench/event_loop_watchdog.h"
#include "store/stores.h"
#include "ui/ui.h"

namespace {

using namespace mouse;

constexpr int kRecords = 1000;
constexpr int kFolders = 50;
constexpr int kPerFolder = kRecords / kFolders;  // the folder record and 19 macros
constexpr int kFoldersOpened = 5;                // folders whose every macro is shown
constexpr int kEdits = 10;

using bench::Watchdog;

bool FillProgramFolder(const QString& program) {
    if (!bench::PrepareProgramFolder(program)) {
        return false;
    }
    std::vector<MacroRecord> macros(kRecords);
    for (int i = 0; i < kRecords; ++i) {
        MacroRecord& m = macros[size_t(i)];
        const std::string folder = "Folder " + std::to_string(i / kPerFolder + 1);
        WriteText(m.folderName, std::u16string(folder.begin(), folder.end()));
        if (i % kPerFolder == 0) {
            m.isFolder = 1;
            continue;
        }
        const std::string name = "Macro " + std::to_string(i);
        WriteText(m.macroName, std::u16string(name.begin(), name.end()));
        m.loopCount = 1;
        m.actionCount = kMaxMacroActions;
        for (int a = 0; a < kMaxMacroActions; ++a) {
            MacroAction& action = m.actions[a];
            if (a % 8 == 7) {
                action.code = kMoveCode;
                action.x = a;
                action.y = -a;
            } else {
                action.code = uint8_t(a % 5 == 0 ? 0xF0 + a % 5 : 4 + a % 26);
                action.kind = uint8_t(1 + a % 2);
            }
            action.delay = uint16_t(10 + a);
        }
    }
    // One profile whose first buttons play macros, so edits reach bound buttons.
    auto profile = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*profile, 3311);
    WriteText(profile->name, u"Profile1");
    for (int slot = 0; slot < 10; ++slot) {
        profile->buttons[slot].functionId = 22;
        profile->buttons[slot].macroIndex = 1 + slot;
    }
    return bool(WriteFileAtomically((program + "Data/macro.bin").toStdString(), macros.data(),
                                    macros.size() * sizeof(MacroRecord))) &&
           bool(WriteFileAtomically((program + "Data/profile.bin").toStdString(), profile.get(),
                                    sizeof *profile));
}

struct Figures {
    double longestGap = 0;     // ms
    int over16 = 0;            // gaps over 16 ms
    double longestStep = 0;    // ms, the slowest single user action
    const char* slowest = "";  // which kind of action it was
    double fillFolders = 0;    // ms, folder selector from the library
    double selectFolder = 0;   // ms, slowest folder selection
    double selectMacro = 0;    // ms, slowest macro selection (40 actions)
    double edit = 0;           // ms, slowest delay edit with its save
    double wall = 0;           // ms, the whole chain
};

bool RunOnce(Figures& f) {
    QTemporaryDir folder;
    if (!folder.isValid()) {
        return false;
    }
    const QString program = folder.path() + "/";
    if (!FillProgramFolder(program)) {
        std::fprintf(stderr, "cannot fill %s\n", qPrintable(program));
        return false;
    }
    NoPointerSettings noDesktop;
    CMainWnd wnd(bench::WindowWithoutMouse(program, noDesktop));
    if (!wnd.Create(nullptr)) {
        std::fprintf(stderr, "cannot create the main window\n");
        return false;
    }
    wnd.ShowMainWindow();
    wnd.FindControl<COptionUI>("macro_btn")->Activate();
    CMacroPage& page = wnd.MacroPage();
    auto* folders = wnd.FindControl<CComboUI>("macro_combo");
    auto* macros = wnd.FindControl<CListUI>("macro_list");
    auto* actions = wnd.FindControl<CListUI>("macro_action_list");
    auto* delay = wnd.FindControl<CEditUI>("edit_macro_delay");
    if (folders == nullptr || macros == nullptr || actions == nullptr || delay == nullptr) {
        return false;
    }

    // The chain of user actions, each timed, each its own event.
    struct Step {
        const char* kind;
        double* slowest;
        std::function<bool()> run;  // false: the page did not do what was asked
    };
    std::deque<Step> steps;
    steps.push_back({"fill folders", &f.fillFolders, [&] {
                         page.FillFolderList();
                         return folders->GetCount() == kFolders;
                     }});
    for (int i = 0; i < kFolders; ++i) {
        steps.push_back({"select folder", &f.selectFolder, [&, i] {
                             folders->SelectItem(i);
                             return macros->GetCount() == kPerFolder - 1;
                         }});
    }
    for (int i = 0; i < kFoldersOpened; ++i) {
        steps.push_back({"select folder", &f.selectFolder, [&, i] {
                             folders->SelectItem(i * 7);
                             return macros->GetCount() == kPerFolder - 1;
                         }});
        for (int m = 0; m < kPerFolder - 1; ++m) {
            steps.push_back({"select macro", &f.selectMacro, [&, m] {
                                 macros->SelectItem(m);
                                 // The rest of the list is built in later turns.
                                 return page.ActionCount() == kMaxMacroActions;
                             }});
        }
    }
    for (int i = 0; i < kEdits; ++i) {
        steps.push_back({"select macro", &f.selectMacro, [&, i] {
                             macros->SelectItem(i);
                             return page.ActionCount() == kMaxMacroActions;
                         }});
        steps.push_back({"edit delay", &f.edit, [&, i] {
                             actions->SelectItem(i);
                             delay->TypeText(QString::number(100 + i));
                             wnd.GetPaintManager()->SendNotify(delay, ev::kKillFocus);
                             return page.Action(i).delay == 100 + i;
                         }});
    }

    Watchdog watchdog;
    QEventLoop loop;
    QElapsedTimer wall;
    bool ok = true;
    std::function<void()> next = [&] {
        if (steps.empty() || !ok) {
            loop.quit();
            return;
        }
        Step step = std::move(steps.front());
        steps.pop_front();
        QElapsedTimer clock;
        clock.start();
        if (!step.run()) {
            std::fprintf(stderr, "step \"%s\" did not do its work\n", step.kind);
            ok = false;
        }
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        *step.slowest = std::max(*step.slowest, ms);
        if (ms > f.longestStep) {
            f.longestStep = ms;
            f.slowest = step.kind;
        }
        QTimer::singleShot(0, next);
    };
    // Let the window settle (first paint, start-up timers) before measuring.
    QTimer::singleShot(200, [&] {
        watchdog.Begin();
        wall.start();
        next();
    });
    loop.exec();
    // The last list finishes building.
    while (ok && page.IsFilling()) {
        QCoreApplication::processEvents();
    }
    ok = ok && actions->GetCount() == kMaxMacroActions;
    f.wall = double(wall.elapsed());
    f.longestGap = watchdog.LongestMs();
    f.over16 = watchdog.Over16Ms();
    wnd.Writer().Drain();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    bench::PrepareEnvironment(QStringLiteral("macro-page-bench-runtime"));
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    CPaintManagerUI::SetResourcePath(MOUSE_APP_DIR "/res/");

    std::printf("%d macro records in %d folders, 40 actions per macro; %d run(s)\n", kRecords,
                kFolders, runs);
    std::printf("  %11s %7s %12s %14s %12s %13s %12s %11s %8s\n", "longest gap", ">16 ms",
                "slowest step", "(kind)", "fill folders", "select folder", "select macro",
                "edit+save", "chain");
    std::vector<double> gaps;
    for (int run = 0; run < runs; ++run) {
        Figures f;
        if (!RunOnce(f)) {
            return 1;
        }
        std::printf("  %11.1f %7d %12.1f %14s %12.1f %13.1f %12.1f %11.1f %8.0f\n", f.longestGap,
                    f.over16, f.longestStep, f.slowest, f.fillFolders, f.selectFolder,
                    f.selectMacro, f.edit, f.wall);
        gaps.push_back(f.longestGap);
    }
    std::sort(gaps.begin(), gaps.end());
    std::printf("median longest gap of %d runs: %.1f ms\n", runs, gaps[gaps.size() / 2]);
    return 0;
}
