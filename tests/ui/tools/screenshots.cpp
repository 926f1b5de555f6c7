// Renders the main window frame, the message box, a notice and the tray and
// settings menus headless (QWidget::grab)
// into PNG files: mouse_ui_screenshots <output folder> [suffix]. Run it with
// QT_SCALE_FACTOR=2 for the doubled-scale pictures.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>
#include <cstdio>
#include <string_view>
#include <vector>

#include "buttons/msg_wnd.h"
#include "ui/ui.h"

namespace {

class FrameWnd : public mouse::WindowImplBase {
public:
    QString GetWindowClassName() const override { return QStringLiteral("Mouse Driver"); }
    QString GetSkinFile() const override { return QStringLiteral("main.xml"); }
};

bool Grab(mouse::WindowImplBase& wnd, const QString& path) {
    QWidget* host = wnd.GetHostWidget();
    host->show();
    QApplication::processEvents();
    const QPixmap pixmap = host->grab();
    host->hide();
    const bool ok = pixmap.save(path);
    std::printf("%s %s (%dx%d)\n", ok ? "wrote" : "cannot write", qPrintable(path), pixmap.width(),
                pixmap.height());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder> [suffix]\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString suffix = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    QDir().mkpath(out);
    mouse::CPaintManagerUI::SetResourcePath(QStringLiteral(MOUSE_SOURCE_DIR "/res/"));
    if (!mouse::CResourceManager::GetInstance()->LoadLanguage()) {
        return 1;
    }

    FrameWnd main;
    if (!main.Create(nullptr)) {
        return 1;
    }
    main.SetIcon(QStringLiteral(MOUSE_SOURCE_DIR "/res/logo.png"));
    if (auto* tab = main.FindControl<mouse::COptionUI>(QStringLiteral("key_btn"))) {
        tab->Selected(true, false);
    }
    if (auto* combo = main.FindControl<mouse::CComboUI>(QStringLiteral("profile_combo"))) {
        combo->AddItem(QStringLiteral("Profile 1"));
        combo->AddItem(QStringLiteral("FPS"));
        combo->SelectItem(0, false);
    }
    if (auto* edit = main.FindControl<mouse::CEditUI>(QStringLiteral("edit_profile_name"))) {
        edit->SetText(QStringLiteral("Profile 1"));
    }
    bool ok = Grab(main, out + QStringLiteral("/main_window") + suffix + QStringLiteral(".png"));

    mouse::CMsgWnd msg;
    msg.SetTitle(QStringLiteral("warning_title_text"));
    msg.SetMsg(QStringLiteral("reset_profile_text"));
    if (!msg.Create(&main)) {
        return 1;
    }
    ok &= Grab(msg, out + QStringLiteral("/message_box") + suffix + QStringLiteral(".png"));

    // The tray menu (with three profiles, the second current) and the
    // settings menu as they open, and a notice (one OK button).
    const std::vector<mouse::MenuItemSpec> profiles = {
        {QStringLiteral("tray_profile_0"), QStringLiteral("Profile1"), QStringLiteral("0"), false},
        {QStringLiteral("tray_profile_1"), QStringLiteral("Work"), QStringLiteral("1"), true},
        {QStringLiteral("tray_profile_2"), QStringLiteral("Play"), QStringLiteral("2"), false},
    };
    for (const char* menuName : {"traymenu", "settingmenu"}) {
        const bool tray = std::string_view(menuName) == "traymenu";
        auto menu = mouse::CMenuWnd::CreateMenu(
            &main, QString::fromLatin1(menuName) + QStringLiteral(".xml"), QPoint(0, 0),
            mouse::kMenuAlignLeft | mouse::kMenuAlignTop,
            tray ? profiles : std::vector<mouse::MenuItemSpec>{});
        if (!menu) {
            return 1;
        }
        ok &= Grab(*menu, out + '/' + QString::fromLatin1(menuName) + suffix + ".png");
    }
    mouse::CMsgWnd notice;
    notice.SetTitle(QStringLiteral("warning_title_text"));
    notice.SetMsg(QStringLiteral("update_start_failed_text"));
    notice.SetNotice(true);
    if (!notice.Create(&main)) {
        return 1;
    }
    ok &= Grab(notice, out + QStringLiteral("/notice_box") + suffix + QStringLiteral(".png"));
    return ok ? 0 : 1;
}
