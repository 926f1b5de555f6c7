// What the window benchmarks share: a program folder with Data.ini and the
// default profile, and the options of a main window that runs without a
// mouse and leaves the desktop's pointer settings alone.
#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <cstdlib>
#include <initializer_list>
#include <utility>
#include <vector>

#include "app/main_wnd.h"

namespace mouse::bench {

// Data/ with Default.pbin, and a Data.ini for sensor 3311 without updates.
inline bool PrepareProgramFolder(const QString& program) {
    QDir().mkpath(program + "Data");
    QFile::copy(MOUSE_APP_DIR "/Data/Default.pbin", program + "Data/Default.pbin");
    QFile ini(program + "Data.ini");
    if (!ini.open(QIODevice::WriteOnly)) {
        return false;
    }
    ini.write("[Default]\r\nVID=04d9\r\nPID=a09f\r\nSensor=3311\r\nUpdate=0\r\n");
    return true;
}

// The same, with Data/profile.bin holding one profile per name, each with
// four DPI levels in use and the level given (0-based).
inline bool PrepareProgramFolder(const QString& program,
                                 std::initializer_list<std::pair<const char16_t*, int>> profiles) {
    if (!PrepareProgramFolder(program)) {
        return false;
    }
    std::vector<ProfileRecord> records(profiles.size());
    auto record = records.begin();
    for (const auto& [name, level] : profiles) {
        MakeDefaultRecord(*record, 3311);
        WriteText(record->name, name);
        record->dpiLevelCount = 4;
        record->currentDpiLevel = uint8_t(level);
        ++record;
    }
    QFile store(program + "Data/profile.bin");
    return store.open(QIODevice::WriteOnly) &&
           store.write(reinterpret_cast<const char*>(records.data()),
                       qint64(records.size() * sizeof(ProfileRecord))) ==
               qint64(records.size() * sizeof(ProfileRecord));
}

// The device library looks for a virtual mouse on a socket that is not there.
inline MainWndOptions WindowWithoutMouse(const QString& program, NoPointerSettings& pointer) {
    MainWndOptions options;
    options.programFolder = program;
    options.driverLibrary = MOUSE_APP_DIR "/MSDriver.so";
    options.pointer = &pointer;
    options.quit = [] {};
    setenv("MOUSE_SIM_SOCKET", (program + "no-mouse").toUtf8().data(), 1);
    return options;
}

}  // namespace mouse::bench
