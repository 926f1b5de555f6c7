#include "app/launcher.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace mouse {

bool IsWebAddress(const QString& text) {
    QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) {
        return false;
    }
    QString scheme = url.scheme().toLower();
    return scheme == "http" || scheme == "https";
}

bool DesktopLauncher::OpenUrl(const QString& url) {
    return QDesktopServices::openUrl(QUrl(url.trimmed(), QUrl::StrictMode));
}

bool DesktopLauncher::StartProgram(const QString& path) {
    return QProcess::startDetached(path, {}, QFileInfo(path).absolutePath());
}

}  // namespace mouse
