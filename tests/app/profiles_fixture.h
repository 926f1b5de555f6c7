// The main window in a fresh program folder for the profile tests: profiles
// written before it starts, its message boxes answered and noted, and its
// profile list, combo box and saved file read back.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <functional>

#include "app/main_wnd.h"
#include "app/menu_route.h"
#include "app_test_util.h"
#include "buttons/msg_wnd.h"
#include "device/messages.h"
#include "drivers/sim/sim_client.h"
#include "drivers/sim/sim_process.h"
#include "sim_counters.h"
#include "ui/ui.h"

namespace mouse::profilestest {

using test::WaitFor;

using test::ReadAll;

inline void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

inline QByteArray Bytes(const ProfileRecord& r) {
    return QByteArray(reinterpret_cast<const char*>(&r), sizeof r);
}

// A profile made from the program's default record with a name and a mark
// (its button mode and DPI level) that tells it apart.
inline std::unique_ptr<ProfileRecord> Named(const std::u16string& name, int mark = 0) {
    auto r = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*r, 3311);
    WriteText(r->name, name);
    r->currentDpiLevel = mark % 8;
    r->buttonMode = mark % 2;
    return r;
}

struct Box {
    QString msg;
    bool notice = false;
    bool overlayShown = false;
};

struct ProfilesTest : test::MainWndTest {
    ProfilesTest() { ini = "[Default]\r\nSensor=3311\r\nDistance=1\r\nUpdate=0\r\n[BUTTON]\r\n"; }
    void SetUp() override {
        test::MainWndTest::SetUp();
        std::memcpy(&defaultPbin, ReadAll(program + "Data/Default.pbin").constData(),
                    sizeof defaultPbin);
    }
    // Answers the next message box with result and notes what it showed.
    void Answer(int result) {
        ModalSeam::Answer(result, [this](WindowImplBase& w) {
            if (auto* box = dynamic_cast<CMsgWnd*>(&w)) {
                CControlUI* overlay = wnd->FindControl("disable_window_ver");
                boxes.push_back(
                    {box->GetMsg(), box->IsNotice(), overlay != nullptr && overlay->IsVisible()});
            }
        });
    }
    QStringList Names() const {
        QStringList names;
        for (const auto& p : wnd->GetStores().profiles) {
            std::u16string n = ReadText(p->name);
            names << QString::fromStdU16String(n);
        }
        return names;
    }
    QStringList ComboItems() {
        auto* combo = wnd->FindControl<CComboUI>("profile_combo");
        return combo != nullptr ? Items(combo) : QStringList();
    }
    QString NameField() { return Find<CEditUI>("edit_profile_name")->GetText(); }
    // profile.bin once every queued save has been written.
    QByteArray SavedProfiles() { return SavedStore("profile.bin"); }
    QByteArray ListBytes() const {
        QByteArray bytes;
        for (const auto& p : wnd->GetStores().profiles) {
            bytes += Bytes(*p);
        }
        return bytes;
    }

    ProfileRecord defaultPbin{};
    std::vector<Box> boxes;
};

}  // namespace mouse::profilestest
