// Pictures of the recoil-preset page and the select-preset dialog, taken
// from the X server (run it under Xvfb: scripts/xvfb-gun-screenshots.sh):
//   mouse_gun_screenshots <program folder> <output folder>
// The program folder is a copy of build/app; its Data/gun.bin is replaced by
// a small sample library.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPixmap>
#include <QScreen>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <functional>

#include "app/main_wnd.h"
#include "guns/select_gun_wnd.h"
#include "performance/pointer_settings.h"

namespace {

using namespace mouse;

GunRecord Folder(const char16_t* name) {
    GunRecord r;
    std::memset(&r, 0, sizeof r);
    WriteText(r.folderName, name);
    r.isFolder = 1;
    return r;
}

GunRecord Gun(const char16_t* folder, const char16_t* name, int count, const int* x, const int* y,
              int delay) {
    GunRecord r;
    std::memset(&r, 0, sizeof r);
    WriteText(r.folderName, folder);
    WriteText(r.gunName, name);
    r.bulletCount = uint8_t(count);
    for (int i = 0; i < kMaxBullets; ++i) {
        r.bullets[i] = BulletRow{i < count ? x[i] : 0, i < count ? y[i] : 0, 0, uint16_t(delay)};
    }
    return r;
}

bool WriteSampleLibrary(const QString& path) {
    // A rifle that climbs hard, then drifts left and right; a steadier one.
    static const int akX[30] = {0, 1, 1, 2, 1, 0,  -1, -2, -3, -3, -2, -1, 0, 2, 3,
                                4, 4, 3, 2, 0, -2, -3, -4, -3, -2, 0,  2,  3, 2, 1};
    static const int akY[30] = {8, 9, 10, 11, 11, 10, 9, 8, 7, 6, 6, 5, 5, 4, 4,
                                4, 3, 3,  3,  3,  2,  2, 2, 2, 2, 2, 2, 2, 2, 2};
    static const int m4X[30] = {0, 0, 1, 1, 1, 0, 0, -1, -1, -1, 0, 1, 1, 1, 0,
                                0, 0, 0, 0, 0, 0, 0, 0,  0,  0,  0, 0, 0, 0, 0};
    static const int m4Y[30] = {6, 7, 7, 7, 6, 6, 5, 5, 4, 4, 4, 3, 3, 3, 3,
                                3, 3, 3, 3, 3, 3, 3, 3, 3, 0, 0, 0, 0, 0, 0};
    static const int pX[30] = {0, 1, -1, 1, -1, 1, 0};
    static const int pY[30] = {14, 12, 12, 10, 10, 9, 9};
    const GunRecord records[] = {
        Folder(u"Rifles"),
        Gun(u"Rifles", u"AK", 30, akX, akY, 100),
        Gun(u"Rifles", u"M4", 24, m4X, m4Y, 90),
        Folder(u"Pistols"),
        Gun(u"Pistols", u"Desert", 7, pX, pY, 250),
        Gun(u"Rifles", u"Scout", 5, pX, pY, 1270),
    };
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        return false;
    }
    return f.write(reinterpret_cast<const char*>(records), sizeof records) == sizeof records;
}

void Settle(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    // Let the X server draw what Qt sent it.
    timer.restart();
    while (timer.elapsed() < 300) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

bool Grab(WindowImplBase& wnd, const QString& path) {
    QWidget* host = wnd.GetHostWidget();
    const QPixmap pixmap = host->screen()->grabWindow(host->winId());
    const bool ok = !pixmap.isNull() && pixmap.save(path);
    std::printf("%s %s (%dx%d)\n", ok ? "wrote" : "cannot write", qPrintable(path), pixmap.width(),
                pixmap.height());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <program folder> <output folder>\n", argv[0]);
        return 2;
    }
    const QString program = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + '/';
    const QString out = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);
    QDir().mkpath(program + "Data");
    if (!WriteSampleLibrary(program + "Data/gun.bin")) {
        std::fprintf(stderr, "cannot write the sample library\n");
        return 1;
    }
    CPaintManagerUI::SetResourcePath(program + "res/");

    static NoPointerSettings noDesktop;
    MainWndOptions options;
    options.busService = false;  // never on the session bus of whoever runs it
    options.programFolder = program;
    options.pointer = &noDesktop;
    options.quit = [] {};
    CMainWnd main(options);
    if (!main.Create(nullptr)) {
        return 1;
    }
    main.MoveWindow(20, 20);
    main.ShowMainWindow();
    main.FindControl<COptionUI>("gun_btn")->Activate();
    auto* list = main.FindControl<CListUI>("gun_list");
    list->SelectItem(0);  // AK
    Settle([] { return false; }, 200);
    main.FindControl<CEditUI>("edit_zidan_x_9")->SetFocus();
    Settle([&] { return main.FindControl<CEditUI>("edit_zidan_x_9")->IsFocused(); });
    bool ok = Grab(main, out + "/gun_page.png");

    // The dialog as the button page opens it, for a button bound to the M4.
    CControlUI* overlay = main.FindControl("disable_window_ver");
    overlay->Show();
    CSelectGunWnd dlg(main.GetStores().guns);
    dlg.SetGunIndex(2);
    dlg.SetRepeatMode(1);
    dlg.SetColour(MakeColour(0xFF, 0x8C, 0x00));
    if (!dlg.Create(&main, {}, kStyleTool)) {
        return 1;
    }
    dlg.CenterWindow();
    dlg.ShowWindow(true);
    dlg.StartPreselection();
    auto* dlgList = dlg.FindControl<CListUI>("gun_list");
    Settle([&] { return dlgList->GetCurSel() >= 0; });
    ok &= Grab(dlg, out + "/select_gun.png");
    // The main window under the dialog, dimmed, as the user sees both.
    QWidget* host = main.GetHostWidget();
    const QPixmap both =
        host->screen()->grabWindow(0, host->x(), host->y(), host->width(), host->height());
    ok &= both.save(out + "/select_gun_over_page.png");
    dlg.Close(0);
    overlay->Hide();
    return ok ? 0 : 1;
}
