// The button page inside the real main window, shared by its tests: a
// Data.ini with every button row, the window's own profile and page, a menu
// chosen as the user does, and macro and preset libraries to bind.
#pragma once

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/main_wnd.h"
#include "app_test_util.h"
#include "buttons/button_page.h"
#include "buttons/fire_click_wnd.h"
#include "buttons/key_capture.h"
#include "buttons/msg_wnd.h"
#include "buttons/shortcut_wnd.h"
#include "device/messages.h"
#include "device/protocol.h"
#include "drivers/sim/sim_client.h"
#include "drivers/sim/sim_process.h"
#include "guns/select_gun_wnd.h"
#include "hook/recorder_fakes.h"
#include "macros/select_macro_wnd.h"
#include "store/tables.h"
#include "ui/ui.h"

namespace mouse::buttontest {

using test::WaitFor;

inline QString N(const char* pattern, int n) {
    return QString::fromLatin1(pattern).replace(QStringLiteral("%d"), QString::number(n));
}

inline QString Text(const QString& key) {
    return CResourceManager::GetInstance()->GetText(key);
}
inline QString Text(const char* key) {
    return Text(QString::fromLatin1(key));
}

// A profile whose functions are all "off" except those given.
inline std::unique_ptr<ProfileRecord> Profile(int mode,
                                              std::initializer_list<std::pair<int, int>> ids) {
    auto p = std::make_unique<ProfileRecord>();
    std::memset(p.get(), 0, sizeof(ProfileRecord));
    p->buttonMode = mode;
    for (auto [slot, id] : ids) {
        p->buttons[slot].functionId = uint8_t(id);
    }
    return p;
}

class ButtonPageTest : public test::MainWndTest {
protected:
    // Every button row in Data.ini, no built default profile, and no input
    // hook unless a test sets useFakeHook before Open.
    ButtonPageTest() {
        ini = "[Default]\r\nSensor=3311\r\nVer_H=1\r\nVer_L=0\r\nUpdate=0\r\n[BUTTON]\r\n";
        for (int i = 1; i <= 64; ++i) {
            ini += QByteArray::number(i) + "=00,00,00,00,01\r\n";
        }
        useFakeHook = false;
    }
    void SetUp() override {
        test::MainWndTest::SetUp();
        QFile::remove(program + "Data/Default.pbin");
    }
    ProfileRecord& P() { return wnd->CurrentProfile(); }
    CButtonPage& Page() { return wnd->ButtonPage(); }
    CButtonUI* Label(int slot) { return wnd->FindControl<CButtonUI>(N("button%d_btn", slot + 1)); }
    bool Shown(const QString& name) { return wnd->FindControl(name)->IsVisible(); }
    // Chooses a menu item for a slot as the user does: the label's click
    // opens the menu, the item's click reaches the page through the window.
    void Choose(int slot, const char* item) {
        Label(slot)->Activate();
        CMenuWnd* menu = Page().ButtonMenu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(Page().CurrentButton(), slot);
        CButtonUI* entry = menu->FindItem(QString::fromLatin1(item));
        ASSERT_NE(entry, nullptr) << item;
        entry->Activate();
        // The choice travels as a posted menu command through the main window.
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(Page().LastMenuCommand(), QString::fromLatin1(item));
        EXPECT_EQ(Page().ButtonMenu(), nullptr) << "the page closed its menu";
    }
};

// A report from the hook's own thread, as the library delivers it.
inline void ReportFromHookThread(const test::FakeHook& hook, uint32_t virtualKey, uint32_t detail) {
    std::thread([&] {
        hook.keySink(HookReport{kMsgHookKey, virtualKey, detail, HookClock::now()});
    }).join();
}

inline MacroAction Act(uint8_t code, uint8_t kind, uint16_t delay) {
    MacroAction a{};
    a.code = code;
    a.kind = kind;
    a.delay = delay;
    return a;
}

inline MacroRecord MacroFolder(const char16_t* name) {
    MacroRecord r{};
    WriteText(r.folderName, name);
    r.isFolder = 1;
    return r;
}

inline MacroRecord Macro(const char16_t* folder, const char16_t* name,
                         std::vector<MacroAction> actions, uint16_t loops = 1) {
    MacroRecord r{};
    WriteText(r.folderName, folder);
    WriteText(r.macroName, name);
    r.loopCount = loops;
    r.actionCount = uint16_t(actions.size());
    std::copy(actions.begin(), actions.end(), r.actions);
    return r;
}

// Positions 0-7; b3 at 7 is the third macro of the second folder.
inline std::vector<MacroRecord> Macros() {
    return {
        MacroFolder(u"Alpha"),
        Macro(u"Alpha", u"a1", {Act(5, kActionPress, 10), Act(5, kActionRelease, 10)}),
        Macro(u"Alpha", u"a2", {Act(6, kActionPress, 10)}),
        MacroFolder(u"Beta"),
        Macro(u"Beta", u"b1", {Act(7, kActionPress, 10)}),
        Macro(u"Alpha", u"empty", {}),
        Macro(u"Beta", u"b2", {Act(8, kActionPress, 10)}),
        // A pressed 30 ms, released after 2 s, left button pressed; twice.
        Macro(u"Beta", u"b3",
              {Act(4, kActionPress, 30), Act(4, kActionRelease, 2000), Act(240, kActionPress, 10)},
              2),
    };
}

inline GunRecord GunFolder(const char16_t* name) {
    GunRecord r{};
    WriteText(r.folderName, name);
    r.isFolder = 1;
    return r;
}

inline GunRecord Gun(const char16_t* folder, const char16_t* name, int count, uint8_t byte202) {
    GunRecord r{};
    WriteText(r.folderName, folder);
    WriteText(r.gunName, name);
    r.bulletCount = uint8_t(count);
    r.reserved202 = byte202;
    for (int i = 0; i < count; ++i) {
        r.bullets[i] = BulletRow{i, -2 * i, 0, uint16_t(20 + i)};
    }
    return r;
}

// Positions 0-3.
inline std::vector<GunRecord> Guns() {
    return {GunFolder(u"Rifles"), Gun(u"Rifles", u"AK", 12, 3), GunFolder(u"Pistols"),
            Gun(u"Pistols", u"P1", 5, 1)};
}

inline QString TextOf(const TextField& field) {
    return QString::fromStdU16String(ReadText(field));
}

}  // namespace mouse::buttontest
