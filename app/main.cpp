// The program's entry: one copy per user, the main window, the tray.
#include <QApplication>
#include <QFile>
#include <QStringList>

#include "app/autostart.h"
#include "app/logging.h"
#include "app/main_wnd.h"
#include "app/single_instance.h"
#include "device/messages.h"
#include "performance/session.h"
#include "store/data_location.h"
#include "store/program_ids.h"
#include "ui/paint_manager.h"
#include "ui/startup_error.h"
#include "ui/tray.h"

namespace {

// The command line after the program name, as one text of at most 259
// characters; only whether it is empty matters.
std::string CommandLine(const QStringList& arguments) {
    std::string line = arguments.mid(1).join(' ').toStdString();
    if (line.size() > 259) {
        line.resize(259);
    }
    return line;
}

// MOUSE_DRIVER_TRAY=on or off overrides what the desktop says about its
// tray (some report a tray that shows no icons); anything else asks it.
void ApplyTraySetting() {
    const QByteArray value = qgetenv("MOUSE_DRIVER_TRAY").trimmed().toLower();
    if (value == "on") {
        mouse::CTrayIcon::SetAvailabilityOverride(true);
    } else if (value == "off") {
        mouse::CTrayIcon::SetAvailabilityOverride(false);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The application name is also the window class (StartupWMClass of the
    // desktop entry); the desktop file name lets docks and task switchers
    // find the entry, its name and its icon.
    app.setApplicationName("mouse-driver");
    QGuiApplication::setDesktopFileName(QString::fromLatin1(mouse::kDesktopFileId));
    mouse::RouteCoreLogToQt();
    // Closing the window hides it and the program goes on (in the tray where
    // there is one); it ends through exit in the tray menu or Quit in the
    // settings menu.
    app.setQuitOnLastWindowClosed(false);
    ApplyTraySetting();

    mouse::SingleInstance instance(QString::fromLatin1(mouse::kSingleInstanceBase));
    if (!instance.TryBecomePrimary()) {
        if (!instance.Error().isEmpty()) {
            mouse::ReportStartupError(QStringLiteral("mouse-driver"),
                                      "The program cannot start: " + instance.Error());
            return 1;
        }
        instance.SendShowRequest();
        return 1;
    }

    const std::string commandLine = CommandLine(app.arguments());
    qCDebug(mouse::lcApp, "command line: \"%s\"", commandLine.c_str());

    QString programFolder = QCoreApplication::applicationDirPath() + '/';
    mouse::CPaintManagerUI::SetResourcePath(programFolder + "res/");
    const mouse::DataLocation data =
        mouse::LocateStores(std::filesystem::path(QFile::encodeName(programFolder).toStdString()));
    qCInfo(mouse::lcApp, "stores in %s (%s)", data.storeFolder.c_str(), data.why.c_str());
    qCInfo(mouse::lcApp, "session: %s", mouse::DescribeSession(mouse::DetectSession()).c_str());

    mouse::MainWndOptions options;
    options.programFolder = programFolder;
    options.storeFolder = QFile::decodeName(data.storeFolder.c_str());
    options.fillLibrariesLater = true;
    options.readStoresAhead = true;
    // An installed copy starts at login by its name on the PATH, which
    // survives updates; a portable one by its own path.
    options.autostartCommand =
        data.portable ? programFolder + "mouse-driver" : QStringLiteral("mouse-driver");
    auto window = std::make_unique<mouse::CMainWnd>(options);
    if (!window->Create(nullptr) || window->SkinIncomplete()) {
        // Without its skin the program has no window to speak through: say
        // why in a plain box, since a start from the desktop has no terminal.
        mouse::ReportStartupError(
            QStringLiteral("mouse-driver"),
            QStringLiteral("The program cannot start: its window could not be loaded "
                           "from %1.\n\n%2\n\nReinstalling the program restores the file.")
                .arg(programFolder + "res/", mouse::CPaintManagerUI::GetErrors().join('\n')));
        return 1;
    }
    window->CenterWindow();
    instance.SetRequestHandler([&window](int request) {
        if (request == mouse::kShowRequest && window) {
            window->SendMessage(mouse::kMsgShowRequest, 0, 0);
        }
    });
    window->Start(!commandLine.empty());
    app.exec();
    instance.SetRequestHandler({});
    window.reset();
    return 0;
}
