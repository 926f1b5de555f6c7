// What the window benchmarks set up before their QApplication: the offscreen
// platform unless one is chosen, and a private runtime folder (the program's
// single-instance lock and socket live there) unless XDG_RUNTIME_DIR is set.
#pragma once

#include <QDir>
#include <QFile>
#include <QString>

namespace mouse::bench {

inline void PrepareEnvironment(const QString& runtimeFolderName) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString dir = QDir::tempPath() + QLatin1Char('/') + runtimeFolderName;
        QDir().mkpath(dir);
        QFile::setPermissions(
            dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", dir.toLocal8Bit());
    }
}

}  // namespace mouse::bench
