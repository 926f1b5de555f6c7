// The main window in-process, offscreen, with the real device-access library
// against a virtual mouse, in a fresh program folder per test: the fixture
// of the window's own tests, on the shared window fixture with the logo in
// the program folder and a Data.ini whose update switch and button rows each
// test chooses.
#pragma once

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "app/main_wnd.h"
#include "app_test_util.h"
#include "buttons/msg_wnd.h"
#include "device/encode.h"
#include "device/messages.h"
#include "drivers/sim/sim_client.h"
#include "drivers/sim/sim_process.h"
#include "sim_counters.h"
#include "ui/ui.h"

namespace mouse::mainwndtest {

using test::WaitFor;

using test::ReadAll;

inline constexpr const char* kIni =
    "[Default]\r\nVID=04d9\r\nPID=a09f\r\nSensor=3311\r\nDistance=1\r\n"
    "Distance_Value=1,2,3,4,5,6,7,8\r\nVer_H=1\r\nVer_L=0\r\nUpdate=%1\r\n[BUTTON]\r\n";

// The window's own tests: its logo in the program folder, and a Data.ini
// whose update switch and button rows each test chooses.
struct MainWndTest : test::MainWndTest {
    MainWndTest() { ini = IniText(1, true); }
    void SetUp() override {
        test::MainWndTest::SetUp();
        QFile::copy(MOUSE_APP_DIR "/logo.png", program + "logo.png");
    }
    static QByteArray IniText(int update, bool buttons) {
        QByteArray text = QString(kIni).arg(update).toUtf8();
        for (int i = 1; buttons && i <= 64; ++i) {
            text += QByteArray::number(i) + "=00,00,00,00,01\r\n";
        }
        return text;
    }
    void WriteIni(int update, bool buttons = true) {
        test::MainWndTest::WriteIni(IniText(update, buttons));
    }
    // The apply outcome in the title bar; empty while it is hidden.
    QString StatusText() {
        auto* label = wnd->FindControl<CLabelUI>("apply_status_label");
        return label != nullptr && label->IsVisible() ? label->GetText() : QString();
    }
};

}  // namespace mouse::mainwndtest
