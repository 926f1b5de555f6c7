// The button page, its menu and its dialogs, inside the real main window
// (offscreen), against a virtual mouse for the end-to-end binding.
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

namespace mouse {
namespace {

using test::WaitFor;

QString N(const char* pattern, int n) {
    return QString::fromLatin1(pattern).replace(QStringLiteral("%d"), QString::number(n));
}

QString Text(const QString& key) {
    return CResourceManager::GetInstance()->GetText(key);
}
QString Text(const char* key) {
    return Text(QString::fromLatin1(key));
}

// A profile whose functions are all "off" except those given.
std::unique_ptr<ProfileRecord> Profile(int mode, std::initializer_list<std::pair<int, int>> ids) {
    auto p = std::make_unique<ProfileRecord>();
    std::memset(p.get(), 0, sizeof(ProfileRecord));
    p->buttonMode = mode;
    for (auto [slot, id] : ids) {
        p->buttons[slot].functionId = uint8_t(id);
    }
    return p;
}

// ---- rules, without a window ---------------------------------------------------

TEST(ButtonRules, TheLeftClickGuardLooksAtTheCurrentModesRangeOnly) {
    struct Case {
        const char* what;
        int mode;
        std::initializer_list<std::pair<int, int>> ids;
        int slot;
        int newId;
        bool kept;
    };
    const Case cases[] = {
        {"only left click moves away", 0, {{0, 1}, {16, 0}}, 0, 2, false},
        {"another button still clicks", 0, {{0, 1}, {16, 0}}, 1, 2, true},
        {"send_gun counts as a left click", 0, {{0, 1}, {16, 25}}, 0, 33, true},
        {"slot 29 is inside the office range", 0, {{29, 1}}, 0, 2, true},
        {"slots 30 and 31 are not", 0, {{30, 1}, {31, 1}}, 0, 2, false},
        {"giving a left click passes", 0, {}, 5, 1, true},
        {"game mode looks at 32-63", 1, {{0, 1}, {63, 0}}, 40, 2, false},
        {"slot 63 is inside the game range", 1, {{63, 1}}, 32, 2, true},
        {"slot 63 losing it in game mode", 1, {{63, 25}}, 63, 0, false},
        {"the other mode's buttons are free", 0, {{0, 1}}, 40, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto p = Profile(c.mode, c.ids);
        EXPECT_EQ(LeftClickKept(*p, c.slot, c.newId), c.kept);
    }
}

TEST(ButtonRules, MenuNamesSelectTheirFunctionWithoutRegardToCase) {
    struct Case {
        const char* name;
        int id;
    };
    const Case cases[] = {{"copy", 33},           {"COPY", 33},
                          {"CoPy", 33},           {"select_macro", 22},
                          {"Select_Gun", 121},    {"shortcut", 21},
                          {"fire_click", 10},     {"mode_switch", 26},
                          {"button_off", 0},      {"browser_search", 78},
                          {"juji", 113},          {"copy ", 1},
                          {"no_such_item", 1},    {"", 1},
                          {"menu_group_mouse", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FunctionOfMenuItem(QString::fromLatin1(c.name)), c.id);
    }
}

TEST(ButtonRules, TheMenuGoesBelowTheButtonUnlessItWouldReachTheScreensBottom) {
    struct Case {
        QRect button;
        int items;
        QRect screen;
        QPoint topLeft;
        bool above;
    };
    const Case cases[] = {
        {{100, 200, 112, 26}, 9, {0, 0, 1024, 768}, {100, 226}, false},
        {{100, 516, 112, 26}, 9, {0, 0, 1024, 768}, {100, 542}, false},           // ends at 767
        {{100, 517, 112, 26}, 9, {0, 0, 1024, 768}, {100, 517 - 225 - 4}, true},  // reaches 768
        {{300, 690, 112, 26}, 2, {0, 0, 1024, 768}, {300, 716}, false},
        {{300, 690, 112, 26}, 3, {0, 0, 1024, 768}, {300, 690 - 75 - 4}, true},
        {{10, 1500, 112, 26}, 9, {0, 1080, 1920, 1080}, {10, 1526}, false},  // second screen
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button.top());
        const MenuPlacement place = PlaceButtonMenu(c.button, c.items, c.screen);
        EXPECT_EQ(place.topLeft, c.topLeft);
        EXPECT_EQ(place.height, c.items * 25);
        EXPECT_EQ(place.above, c.above);
    }
}

TEST(ButtonRules, EveryFunctionThatCanBeChosenIsAnItemOfTheButtonMenuOnce) {
    QFile f(QStringLiteral(MOUSE_SOURCE_DIR "/res/buttonmenu.xml"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&f);
    std::multiset<std::string> items;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("widget") &&
            xml.attributes().value(QLatin1String("class")) == QLatin1String("MenuElement")) {
            items.insert(xml.attributes().value(QLatin1String("name")).toString().toStdString());
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    std::set<std::string> names = {"select_gun"};
    for (const FunctionRow& row : FunctionTable()) {
        if (row.menuName != nullptr) {
            names.insert(row.menuName);
        }
    }
    for (const std::string& name : names) {
        EXPECT_EQ(items.count(name), 1u) << name;
    }
    // Everything else is a group that opens a sub-menu, never a command the
    // page would read as left click.
    for (const std::string& item : items) {
        if (names.count(item) == 0) {
            EXPECT_EQ(item.rfind("menu_group_", 0), 0u) << item;
        }
    }
}

TEST(KeyCapture, KeyPressesBecomeTheVirtualKeysOfTheTables) {
    struct Case {
        const char* what;
        KeyPress press;
        int virtualKey;
    };
    constexpr unsigned kKeypad = Qt::KeypadModifier;
    const Case cases[] = {
        {"letter without a position", {Qt::Key_A, 0, 0, 0}, 65},
        {"digit", {Qt::Key_7, 0, 0, 0}, 55},
        {"shifted digit is its key", {Qt::Key_Exclam, 0, 0, 0}, 49},
        {"F5", {Qt::Key_F5, 0, 0, 0}, 116},
        {"F12", {Qt::Key_F12, 0, 0, 0}, 123},
        {"Escape", {Qt::Key_Escape, 0, 0, 0}, 27},
        {"Tab", {Qt::Key_Tab, 0, 0, 0}, 9},
        {"grave", {Qt::Key_QuoteLeft, 0, 0, 0}, 192},
        {"right arrow", {Qt::Key_Right, 0, 0, 0}, 39},
        {"keypad 5", {Qt::Key_5, kKeypad, 0, 0}, 101},
        {"keypad Enter", {Qt::Key_Enter, kKeypad, 0, 0}, 108},
        {"keypad slash", {Qt::Key_Slash, kKeypad, 0, 0}, 111},
        // A layout with A where Q is: X key code 24 is evdev 16, scan code 16.
        {"A at the position of Q", {Qt::Key_A, 0, 24, 'a'}, 81},
        {"Z at the position of Y", {Qt::Key_Z, 0, 29, 'z'}, 89},
        {"position of the minus key", {Qt::Key_ssharp, 0, 20, 0xdf}, 189},
        {"right Ctrl by its symbol", {Qt::Key_Control, 0, 105, 0xffe4}, 163},
        {"left Shift by its symbol", {Qt::Key_Shift, 0, 50, 0xffe1}, 160},
        {"Ctrl without a symbol", {Qt::Key_Control, 0, 0, 0}, 162},
        {"unknown key", {Qt::Key_VolumeUp, 0, 0, 0}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(VirtualKeyOfKeyPress(c.press), c.virtualKey);
    }
}

// ---- the page in the main window ---------------------------------------------------

class ButtonPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ModalSeam::Clear();
        CPaintManagerUI::SetResourcePath(MOUSE_APP_DIR "/res/");
        CPaintManagerUI::ClearErrors();
        ASSERT_TRUE(folder.isValid());
        program = folder.path() + "/";
        QDir().mkpath(program + "Data");
        setenv("MOUSE_SIM_SOCKET", (program + "no-such-socket").toUtf8().data(), 1);
    }
    void TearDown() override {
        wnd.reset();
        unsetenv("MOUSE_SIM_SOCKET");
        ModalSeam::Clear();
        CMenuWnd::SetScreenRectForTesting(QRect());
        CPaintManagerUI::SetManualTimers(false);
    }
    void Create() {
        QFile f(program + "Data.ini");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QByteArray ini =
            "[Default]\r\nSensor=3311\r\nVer_H=1\r\nVer_L=0\r\nUpdate=0\r\n[BUTTON]\r\n";
        for (int i = 1; i <= 64; ++i) {
            ini += QByteArray::number(i) + "=00,00,00,00,01\r\n";
        }
        f.write(ini);
        f.close();
        MainWndOptions options = test::TestWindowOptions(program);
        if (useFakeHook) {
            options.hook = &fake;
            options.keyboard = &usLayout;
        }
        wnd = std::make_unique<CMainWnd>(options);
        ASSERT_TRUE(wnd->Create(nullptr)) << CPaintManagerUI::GetErrors().join("\n").toStdString();
        wnd->ShowMainWindow();
        EXPECT_TRUE(CPaintManagerUI::GetErrors().isEmpty())
            << CPaintManagerUI::GetErrors().join("\n").toStdString();
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
    // Answers the next message box, noting its message key.
    void NoteNextMessage() {
        ModalSeam::Answer(1, [this](WindowImplBase& w) {
            if (auto* box = dynamic_cast<CMsgWnd*>(&w)) {
                messages << box->GetMsg();
            }
        });
    }

    // Store files the window loads at start: records back to back.
    template <class Record>
    void WriteStore(const char* name, const std::vector<Record>& records) {
        QFile f(program + "Data/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(reinterpret_cast<const char*>(records.data()),
                qint64(records.size() * sizeof(Record)));
    }

    QTemporaryDir folder;
    QString program;
    QStringList messages;
    // The window's input hook when useFakeHook is set before Create; it
    // outlives the window, which TearDown destroys.
    test::FakeHook fake;
    bool useFakeHook = false;
    UsKeyboardLayout usLayout;
    std::unique_ptr<CMainWnd> wnd;
};

TEST_F(ButtonPageTest, LabelsShowTheDefaultFunctionsOfBothModes) {
    Create();
    struct Case {
        int slot;
        const char* key;
    };
    const Case cases[] = {{0, "click_text"},       {1, "menu_text"},       {2, "scroll_text"},
                          {5, "dpi_up_text"},      {7, "button_off_text"}, {14, "scroll_up_text"},
                          {16, "send_gun_text"},   {32, "click_text"},     {48, "send_gun_text"},
                          {63, "scroll_down_text"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.slot);
        EXPECT_EQ(Label(c.slot)->GetTextKey(), c.key);
        EXPECT_EQ(Label(c.slot)->GetText(), Text(c.key));
    }
    // Office mode: its pictures and labels, option 1.
    EXPECT_TRUE(Shown("office_mode_left"));
    EXPECT_TRUE(Shown("office_mode_right"));
    EXPECT_FALSE(Shown("game_mode_left"));
    EXPECT_FALSE(Shown("game_mode_right"));
    EXPECT_TRUE(Label(31)->IsVisible());
    EXPECT_FALSE(Label(32)->IsVisible());
    EXPECT_TRUE(wnd->FindControl<COptionUI>("button_mode_option_1")->IsSelected());
}

TEST_F(ButtonPageTest, TheModeOptionsSwitchTheModeAndItsPictures) {
    Create();
    wnd->FindControl<COptionUI>("button_mode_option_2")->Activate();
    EXPECT_EQ(P().buttonMode, 1);
    EXPECT_EQ(Page().ShownMode(), 1);
    EXPECT_TRUE(Shown("game_mode_left"));
    EXPECT_TRUE(Shown("game_mode_right"));
    EXPECT_FALSE(Shown("office_mode_left"));
    EXPECT_TRUE(Label(40)->IsVisible());
    EXPECT_FALSE(Label(8)->IsVisible());
    wnd->FindControl<COptionUI>("button_mode_option_1")->Activate();
    EXPECT_EQ(P().buttonMode, 0);
    EXPECT_TRUE(Shown("office_mode_left"));
    // A profile switch or a mode reported by the mouse goes through ShowMode.
    Page().ShowMode(1);
    EXPECT_TRUE(wnd->FindControl<COptionUI>("button_mode_option_2")->IsSelected());
    EXPECT_FALSE(Shown("office_mode_right"));
}

TEST_F(ButtonPageTest, PointingAtALabelHighlightsItsButtonInBothModes) {
    Create();
    struct Case {
        int slot;
        int picture;
    };
    const Case cases[] = {{0, 1}, {15, 16}, {16, 17}, {31, 32}, {32, 1}, {35, 4}, {63, 32}};
    CPaintManagerUI* pm = wnd->GetPaintManager();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.slot);
        Page().ShowMode(c.slot / 32);
        pm->SendNotify(Label(c.slot), QString::fromLatin1(ev::kMouseEnter));
        for (int n = 0; n <= 32; ++n) {
            EXPECT_EQ(Shown(N("control_button_pic_%d", n)), n == c.picture) << n;
        }
        pm->SendNotify(Label(c.slot), QString::fromLatin1(ev::kMouseLeave));
        for (int n = 0; n <= 32; ++n) {
            EXPECT_EQ(Shown(N("control_button_pic_%d", n)), n == 0) << n;
        }
    }
}

TEST_F(ButtonPageTest, ThePageRefusesToLeaveAModeWithoutALeftClick) {
    Create();
    P().buttons[16].functionId = 0;  // slot 0 is the only left click of the office mode
    NoteNextMessage();
    Choose(0, "menu");
    EXPECT_EQ(messages, QStringList{"one_left_click_text"});
    EXPECT_EQ(P().buttons[0].functionId, fn::kLeftClick);
    EXPECT_EQ(Label(0)->GetTextKey(), "click_text");
    Choose(1, "copy");
    EXPECT_EQ(P().buttons[1].functionId, 33);
    EXPECT_EQ(Label(1)->GetTextKey(), "copy_text");
    EXPECT_EQ(messages.size(), 1);
    // With "send_gun" on slot 16 the left button may take anything.
    P().buttons[16].functionId = fn::kSendGun;
    Choose(0, "volume_up");
    EXPECT_EQ(P().buttons[0].functionId, 69);
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(ButtonPageTest, ModeSwitchGoesOnBothTwinsAndUnknownNamesGiveLeftClick) {
    Create();
    struct Case {
        int slot;
        int twin;
    };
    for (const Case& c : {Case{3, 35}, Case{40, 8}, Case{31, 63}}) {
        SCOPED_TRACE(c.slot);
        Page().ShowMode(c.slot / 32);
        P().buttonMode = c.slot / 32;
        Choose(c.slot, "mode_switch");
        EXPECT_EQ(P().buttons[c.slot].functionId, fn::kModeSwitch);
        EXPECT_EQ(P().buttons[c.twin].functionId, fn::kModeSwitch);
        EXPECT_EQ(Label(c.twin)->GetTextKey(), "mode_switch_text");
        EXPECT_EQ(Label(c.slot)->GetTextKey(), "mode_switch_text");
    }
    // A name the menu does not have, routed by the main window, means left click.
    P().buttonMode = 0;
    Page().OpenButtonMenu(9);
    auto* cmd = new MenuCmd{QStringLiteral("Launch_Rocket"), {}, {}};
    wnd->SendMessage(kMsgMenu, WPARAM(cmd), 0);
    EXPECT_EQ(P().buttons[9].functionId, fn::kLeftClick);
    auto* copy = new MenuCmd{QStringLiteral("COPY"), {}, {}};
    wnd->SendMessage(kMsgMenu, WPARAM(copy), 0);
    EXPECT_EQ(P().buttons[9].functionId, 33);
}

TEST_F(ButtonPageTest, MacroAndPresetLimitsCountBothModes) {
    Create();
    // Ten macros, spread over both modes.
    for (int slot : {7, 8, 9, 10, 11, 12, 13, 39, 40, 41}) {
        P().buttons[slot].functionId = fn::kMacro;
    }
    ButtonEntry& eleventh = P().buttons[42];
    eleventh.macroIndex = 4;
    eleventh.repeatMode = 2;
    eleventh.bindingColour = 0x123456;
    // Where the select dialogs exist, an answer of 0 cancels each one that
    // opens; a refused choice leaves its answer waiting.
    ModalSeam::Answer(0);
    EXPECT_EQ(Page().ChooseMacro(42), CButtonPage::Outcome::Refused);
    EXPECT_EQ(ModalSeam::Pending(), 1);
    // The reset before the count stays; nothing else changed, no message.
    EXPECT_EQ(eleventh.macroIndex, -1);
    EXPECT_EQ(eleventh.repeatMode, 0);
    EXPECT_EQ(eleventh.bindingColour, 255);
    EXPECT_EQ(eleventh.functionId, DefaultFunction(42));
    // A button that holds a macro already may choose again.
    P().buttons[40].macroIndex = 3;
    EXPECT_EQ(Page().ChooseMacro(40), CButtonPage::Outcome::Closed);
    EXPECT_EQ(P().buttons[40].macroIndex, 3) << "its binding is not reset";
    P().buttons[41].functionId = 0;
    ModalSeam::Clear();
    ModalSeam::Answer(0);
    EXPECT_EQ(Page().ChooseMacro(42), CButtonPage::Outcome::Closed);

    // Presets and left-button macros share three places.
    P().buttons[20].functionId = fn::kRecoil;
    P().buttons[52].functionId = fn::kRecoil;
    P().buttons[23].functionId = fn::kLeftButtonMacro;
    P().buttons[24].gunIndex = 2;
    ModalSeam::Clear();
    ModalSeam::Answer(0);
    EXPECT_EQ(Page().ChooseGun(24), CButtonPage::Outcome::Refused);
    EXPECT_EQ(ModalSeam::Pending(), 1) << "no dialog, no message";
    EXPECT_EQ(P().buttons[24].gunIndex, -1);
    EXPECT_EQ(Page().ChooseGun(20), CButtonPage::Outcome::Closed);
    ModalSeam::Clear();
    ModalSeam::Answer(0);
    EXPECT_EQ(Page().ChooseGun(23), CButtonPage::Outcome::Closed);
    P().buttons[52].functionId = 0;
    ModalSeam::Clear();
    ModalSeam::Answer(0);
    EXPECT_EQ(Page().ChooseGun(24), CButtonPage::Outcome::Closed);
    // Neither branch leaves the overlay up.
    EXPECT_FALSE(wnd->FindControl("disable_window_ver")->IsVisible());
}

TEST_F(ButtonPageTest, ComposedLabelsNameModifiersKeysAndBindings) {
    Create();
    struct Case {
        int id;
        uint8_t modifiers;
        uint8_t key;
        const char16_t* folder;
        const char16_t* name;
        QString label;
    };
    const QString macro = Text("set_macro_text");
    const Case cases[] = {
        {21, kModCtrl | kModShift, 4, u"", u"", "Ctrl+Shift+A"},
        {21, kModCtrl | kModAlt, 43, u"", u"", "Ctrl+Alt+Tab"},
        {21, kModWin, 58, u"", u"", "Win+F1"},
        {21, 0x0F, 240, u"", u"", "Ctrl+Shift+Alt+Win+" + Text("L_Button")},
        {21, 0, 0, u"", u"", ""},
        {21, kModAlt, 0, u"", u"", "Alt+"},
        {22, 0, 0, u"Work", u"Fire", macro + "Work-Fire"},
        {57, 0, 0, u"A", u"B", Text("set_left_macro_text") + "A-B"},
        {121, 0, 0, u"Rifles", u"AK", Text("set_gun_text") + "Rifles-AK"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label.toStdString());
        ButtonEntry& e = P().buttons[20];
        e.functionId = uint8_t(c.id);
        e.shortcutModifiers = c.modifiers;
        e.shortcutKey = c.key;
        WriteText(e.bindingFolder, c.folder);
        WriteText(e.bindingName, c.name);
        Page().ShowButton(20);
        EXPECT_EQ(Label(20)->GetText(), c.label);
        EXPECT_TRUE(Label(20)->GetTextKey().isEmpty()) << "finished text, not a key";
    }
    // Ids that cannot be chosen read as left click.
    for (int id : {13, 14, 24, 39, 116}) {
        P().buttons[20].functionId = uint8_t(id);
        Page().ShowButton(20);
        EXPECT_EQ(Label(20)->GetTextKey(), "click_text") << id;
    }
}

TEST_F(ButtonPageTest, ABindingChangeAndAProfileSwitchRefreshTheLabels) {
    Create();
    P().buttons[5].functionId = fn::kMacro;
    WriteText(P().buttons[5].bindingFolder, u"F");
    WriteText(P().buttons[5].bindingName, u"Renamed");
    P().buttonMode = 1;
    wnd->SendMessage(kMsgBindingChanged);
    EXPECT_EQ(Label(5)->GetText(), Text("set_macro_text") + "F-Renamed");
    EXPECT_TRUE(Shown("game_mode_left"));
}

TEST_F(ButtonPageTest, TheShortcutDialogStartsFromTheButtonAndOkStoresItsChoice) {
    Create();
    ButtonEntry& e = P().buttons[3];
    e.functionId = fn::kShortcut;
    e.shortcutModifiers = kModCtrl | kModAlt;
    e.shortcutKey = 43;
    bool sawOverlay = false;
    ModalSeam::Answer(1, [&](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CShortcutWnd&>(w);
        sawOverlay = wnd->FindControl("disable_window_ver")->IsVisible();
        for (int n = 1; n <= 4; ++n) {
            EXPECT_EQ(dlg.FindControl<CCheckBoxUI>(N("check_flag_%d", n))->GetCheck(),
                      n == 1 || n == 3)
                << n;
        }
        EXPECT_EQ(dlg.FindControl<CEditUI>("edit_key")->GetText(), Text("key_Tab"));
        dlg.FindControl<CCheckBoxUI>("check_flag_3")->Activate();  // Alt off
        dlg.FindControl<CCheckBoxUI>("check_flag_2")->Activate();  // Shift on
        dlg.OnCapturedKey(0x43);                                   // C
        EXPECT_EQ(dlg.FindControl<CEditUI>("edit_key")->GetText(), Text("key_C"));
    });
    Choose(3, "shortcut");
    EXPECT_TRUE(sawOverlay);
    EXPECT_FALSE(wnd->FindControl("disable_window_ver")->IsVisible());
    EXPECT_EQ(e.functionId, fn::kShortcut);
    EXPECT_EQ(e.shortcutModifiers, kModCtrl | kModShift);
    EXPECT_EQ(e.shortcutKey, 6);
    EXPECT_EQ(Label(3)->GetText(), "Ctrl+Shift+C");
}

TEST_F(ButtonPageTest, CancelledDialogsKeepTheFunctionButTheirResetsStay) {
    Create();
    ButtonEntry& e = P().buttons[4];  // "backward"
    e.shortcutModifiers = kModWin;
    e.shortcutKey = 9;
    e.fireClickCount = 9;
    e.fireClickDelay = 99;
    ModalSeam::Answer(0, [](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CShortcutWnd&>(w);
        EXPECT_EQ(dlg.GetModifierMask(), 0) << "a new shortcut starts empty";
        EXPECT_EQ(dlg.GetKey(), 0);
        dlg.OnCapturedKey(0x41);
    });
    Choose(4, "shortcut");
    EXPECT_EQ(e.functionId, 5);
    EXPECT_EQ(e.shortcutModifiers, 0);
    EXPECT_EQ(e.shortcutKey, 0) << "the captured key is ignored";
    EXPECT_EQ(Label(4)->GetTextKey(), "backward_text");

    ModalSeam::Answer(0, [](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CFireClickWnd&>(w);
        EXPECT_EQ(dlg.GetCount(), 0);
        EXPECT_EQ(dlg.GetDelay(), 2);
    });
    Choose(4, "fire_click");
    EXPECT_EQ(e.functionId, 5);
    EXPECT_EQ(e.fireClickCount, 0);
    EXPECT_EQ(e.fireClickDelay, 2);
    EXPECT_EQ(ModalSeam::Answered(), (QStringList{"ShortcutWnd", "FireClickWnd"}));
}

TEST_F(ButtonPageTest, TheFireClickDialogTakesTheButtonsValuesAgain) {
    Create();
    ButtonEntry& e = P().buttons[6];
    e.functionId = fn::kFireClick;
    e.fireClickCount = 12;
    e.fireClickDelay = 30;
    ModalSeam::Answer(1, [](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CFireClickWnd&>(w);
        EXPECT_EQ(dlg.FindControl<CEditUI>("edit_time")->GetText(), "12");
        EXPECT_EQ(dlg.FindControl<CEditUI>("edit_delay")->GetText(), "30");
        dlg.SetCount(7);
        dlg.SetDelay(255);
    });
    Choose(6, "fire_click");
    EXPECT_EQ(e.functionId, fn::kFireClick);
    EXPECT_EQ(e.fireClickCount, 7);
    EXPECT_EQ(e.fireClickDelay, 255);
    EXPECT_EQ(Label(6)->GetTextKey(), "fire_click_text");
}

TEST_F(ButtonPageTest, TheShortcutDialogCapturesKeysFromItsOwnKeyEvents) {
    Create();
    ModalSeam::Answer(1, [](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CShortcutWnd&>(w);
        w.ShowWindow(true);
        auto* edit = dlg.FindControl<CEditUI>("edit_key");
        edit->SetFocus();
        // Keys the tables do not know empty the field.
        dlg.OnCapturedKey(95);
        EXPECT_EQ(dlg.GetKey(), 0);
        EXPECT_EQ(edit->GetText(), QString());
        struct Case {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            uint8_t keyCode;
        };
        const Case cases[] = {
            {Qt::Key_B, Qt::NoModifier, 5},       {Qt::Key_Tab, Qt::NoModifier, 43},
            {Qt::Key_Escape, Qt::NoModifier, 41}, {Qt::Key_9, Qt::KeypadModifier, 97},
            {Qt::Key_F7, Qt::NoModifier, 64},     {Qt::Key_VolumeDown, Qt::NoModifier, 0},
            {Qt::Key_Home, Qt::NoModifier, 74}};
        for (const Case& c : cases) {
            QTest::keyClick(edit->GetWidget(), c.key, c.modifiers);
            EXPECT_EQ(dlg.GetKey(), c.keyCode) << c.key;
            const std::u16string name = KeyNameKey(c.keyCode);
            EXPECT_EQ(edit->GetText(),
                      name.empty() ? QString() : Text(QString::fromStdU16String(name)));
        }
        EXPECT_TRUE(w.IsWindowVisible()) << "Escape was a key, not a close";
    });
    Choose(10, "shortcut");
    EXPECT_EQ(P().buttons[10].shortcutKey, 74);
    EXPECT_EQ(Label(10)->GetText(), Text("key_Home"));
}

// A hook that records what the dialog asks of it.
class RecordingHook final : public KeyHook {
public:
    bool Available() const override { return true; }
    void Install(WindowImplBase&) override { calls << "install"; }
    void Enable(bool on) override { calls << (on ? "enable" : "disable"); }
    void Remove() override { calls << "remove"; }
    QStringList calls;
};

TEST_F(ButtonPageTest, WithAHookTheKeyComesFromItsNoticesWhileTheFieldHasTheFocus) {
    CPaintManagerUI::SetResourcePath(MOUSE_APP_DIR "/res/");
    CResourceManager::GetInstance()->LoadLanguage();
    RecordingHook hook;
    {
        CShortcutWnd dlg;
        dlg.SetKeyHook(&hook);
        ASSERT_TRUE(dlg.Create(nullptr));
        dlg.ShowWindow(true);
        auto* edit = dlg.FindControl<CEditUI>("edit_key");
        // The field still takes every key, so Tab and Escape stay keys; only
        // the hook's notices count while it is installed.
        EXPECT_TRUE(edit->IsKeyCapture());
        edit->SetFocus();
        ASSERT_TRUE(WaitFor([&] { return hook.calls.size() == 2; }));
        EXPECT_EQ(hook.calls, (QStringList{"install", "enable"}));
        dlg.SendMessage(kMsgHookKey, 162, 0);  // left Ctrl
        EXPECT_EQ(dlg.GetKey(), 224);
        EXPECT_EQ(edit->GetText(), Text("key_LCtrl"));
        // The same press also reaches the field: the hook had it already.
        QTest::keyClick(edit->GetWidget(), Qt::Key_B);
        EXPECT_EQ(dlg.GetKey(), 224) << "one key, one capture";
        // A release (detail 1) is not a key pressed.
        dlg.SendMessage(kMsgHookKey, 0x43, 1);
        EXPECT_EQ(dlg.GetKey(), 224);
        EXPECT_EQ(edit->GetText(), Text("key_LCtrl"));
        EXPECT_EQ(dlg.GetModifierMask(), 0) << "a key notice never ticks a box";
        dlg.FindControl<CCheckBoxUI>("check_flag_4")->SetFocus();
        ASSERT_TRUE(WaitFor([&] { return hook.calls.size() == 4; }));
        EXPECT_EQ(hook.calls.mid(2), (QStringList{"remove", "disable"}));
        edit->SetFocus();
        ASSERT_TRUE(WaitFor([&] { return hook.calls.size() == 6; }));
    }
    // Closing the window removes the hook once more.
    EXPECT_EQ(hook.calls.mid(6), (QStringList{"remove", "disable"}));
}

// ---- the hook library behind the shortcut dialog ------------------------------------

// A report from the hook's own thread, as the library delivers it.
void ReportFromHookThread(const test::FakeHook& hook, uint32_t virtualKey, uint32_t detail) {
    std::thread([&] {
        hook.keySink(HookReport{kMsgHookKey, virtualKey, detail, HookClock::now()});
    }).join();
}

TEST_F(ButtonPageTest, TheShortcutDialogTakesKeysFromTheProgramsHookWhileTheFieldHasTheFocus) {
    useFakeHook = true;
    Create();
    ModalSeam::Answer(1, [&](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CShortcutWnd&>(w);
        w.ShowWindow(true);
        auto* edit = dlg.FindControl<CEditUI>("edit_key");
        EXPECT_TRUE(fake.calls.empty()) << "nothing is hooked before the field has the focus";
        edit->SetFocus();
        ASSERT_TRUE(WaitFor([&] { return fake.calls.size() == 2; }));
        EXPECT_EQ(fake.calls, (std::vector<std::string>{"installhook", "enablehook(1)"}));
        ASSERT_TRUE(fake.keySink);
        ASSERT_TRUE(dlg.HookCapturing());

        // Posted from the hook's thread into the dialog's queue.
        ReportFromHookThread(fake, 0x43, 0);  // C pressed
        ASSERT_TRUE(WaitFor([&] { return dlg.GetKey() == 6; }));
        EXPECT_EQ(edit->GetText(), Text("key_C"));
        // The release of C and the field's own key event of the next press
        // do not capture anything; the hook's report of that press does.
        ReportFromHookThread(fake, 0x43, 1);
        QTest::keyClick(edit->GetWidget(), Qt::Key_F2);
        EXPECT_EQ(dlg.GetKey(), 6);
        ReportFromHookThread(fake, 0x71, 0);  // F2 pressed
        ASSERT_TRUE(WaitFor([&] { return dlg.GetKey() == 59; }));
        EXPECT_EQ(edit->GetText(), Text("key_F2"));
        EXPECT_EQ(dlg.GetModifierMask(), 0);

        // Leaving the field unhooks; OK then returns the last key pressed.
        dlg.FindControl<CCheckBoxUI>("check_flag_1")->SetFocus();
        ASSERT_TRUE(WaitFor([&] { return fake.calls.size() == 4; }));
        EXPECT_EQ(fake.calls[2], "removehook");
        EXPECT_EQ(fake.calls[3], "enablehook(0)");
        EXPECT_FALSE(dlg.HookCapturing());
        dlg.FindControl<CCheckBoxUI>("check_flag_1")->Activate();
    });
    Choose(11, "shortcut");
    EXPECT_EQ(P().buttons[11].functionId, fn::kShortcut);
    EXPECT_EQ(P().buttons[11].shortcutModifiers, kModCtrl);
    EXPECT_EQ(P().buttons[11].shortcutKey, 59);
    EXPECT_EQ(Label(11)->GetText(), "Ctrl+" + Text("key_F2"));
    EXPECT_EQ(fake.calls.size(), 4u) << "the dialog closed without hooking again";
}

TEST_F(ButtonPageTest, WithoutAUsableHookTheDialogsOwnKeyEventsAreTheCapture) {
    useFakeHook = true;
    fake.reason = "there is no X display";
    Create();
    ModalSeam::Answer(1, [&](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CShortcutWnd&>(w);
        w.ShowWindow(true);
        auto* edit = dlg.FindControl<CEditUI>("edit_key");
        edit->SetFocus();
        ASSERT_TRUE(WaitFor([&] { return edit->GetWidget()->hasFocus(); }));
        EXPECT_FALSE(dlg.HookCapturing());
        QTest::keyClick(edit->GetWidget(), Qt::Key_Escape);
        EXPECT_EQ(dlg.GetKey(), 41);
        EXPECT_TRUE(w.IsWindowVisible());
        dlg.FindControl<CCheckBoxUI>("check_flag_4")->SetFocus();
    });
    Choose(12, "shortcut");
    EXPECT_EQ(P().buttons[12].shortcutKey, 41);
    EXPECT_TRUE(fake.calls.empty()) << "an unavailable hook is never called";
}

// ---- the macro and preset branches with their dialogs ------------------------------

MacroAction Act(uint8_t code, uint8_t kind, uint16_t delay) {
    MacroAction a{};
    a.code = code;
    a.kind = kind;
    a.delay = delay;
    return a;
}

MacroRecord MacroFolder(const char16_t* name) {
    MacroRecord r{};
    WriteText(r.folderName, name);
    r.isFolder = 1;
    return r;
}

MacroRecord Macro(const char16_t* folder, const char16_t* name, std::vector<MacroAction> actions,
                  uint16_t loops = 1) {
    MacroRecord r{};
    WriteText(r.folderName, folder);
    WriteText(r.macroName, name);
    r.loopCount = loops;
    r.actionCount = uint16_t(actions.size());
    std::copy(actions.begin(), actions.end(), r.actions);
    return r;
}

// Positions 0-7; b3 at 7 is the third macro of the second folder.
std::vector<MacroRecord> Macros() {
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

GunRecord GunFolder(const char16_t* name) {
    GunRecord r{};
    WriteText(r.folderName, name);
    r.isFolder = 1;
    return r;
}

GunRecord Gun(const char16_t* folder, const char16_t* name, int count, uint8_t byte202) {
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
std::vector<GunRecord> Guns() {
    return {GunFolder(u"Rifles"), Gun(u"Rifles", u"AK", 12, 3), GunFolder(u"Pistols"),
            Gun(u"Pistols", u"P1", 5, 1)};
}

QString TextOf(const TextField& field) {
    return QString::fromStdU16String(ReadText(field));
}

TEST_F(ButtonPageTest, SelectMacroPreselectsTheBoundMacroAndBindsALeftButtonMacroInItsColour) {
    WriteStore("macro.bin", Macros());
    CPaintManagerUI::SetManualTimers(true);
    Create();
    ButtonEntry& e = P().buttons[6];
    e.functionId = fn::kMacro;
    e.macroIndex = 7;
    e.repeatMode = 1;
    bool timerStarted = false;
    int folderShown = -2;
    int macroShown = -2;
    bool overlay = false;
    ModalSeam::Answer(1, [&](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CSelectMacroWnd&>(w);
        auto* list = dlg.FindControl<CListUI>("macro_list");
        overlay = wnd->FindControl("disable_window_ver")->IsVisible();
        timerStarted = dlg.GetPaintManager()->IsTimerActive(list, CSelectMacroWnd::kPreselectTimer);
        ASSERT_TRUE(dlg.GetPaintManager()->FireTimer(list, CSelectMacroWnd::kPreselectTimer));
        folderShown = dlg.FindControl<CComboUI>("macro_combo")->GetCurSel();
        macroShown = list->GetCurSel();
        EXPECT_TRUE(dlg.FindControl<COptionUI>("repeat_2")->IsSelected());
        EXPECT_FALSE(dlg.GetLeftButton());
        dlg.FindControl<CCheckBoxUI>("check_left_macro")->Activate();
        dlg.FindControl<CButtonUI>("btn_gun_color")->Activate();  // the picker: next answer
    });
    ModalSeam::Answer(1, [](WindowImplBase& w) {
        w.FindControl<CEditUI>("r_edit")->TypeText("10");
        w.FindControl<CEditUI>("g_edit")->TypeText("20");
        w.FindControl<CEditUI>("b_edit")->TypeText("30");
        w.FindControl<CButtonUI>("ok_btn")->Activate();
    });
    Choose(6, "select_macro");
    EXPECT_EQ(ModalSeam::Answered(), (QStringList{"SelectMacroWnd", "SelectColorWnd"}));
    EXPECT_TRUE(overlay);
    EXPECT_FALSE(wnd->FindControl("disable_window_ver")->IsVisible());
    EXPECT_TRUE(timerStarted) << "timer 1000 runs on macro_list before the dialog shows";
    EXPECT_EQ(folderShown, 1) << "Beta";
    EXPECT_EQ(macroShown, 2) << "b3, third of Beta";

    const MacroRecord b3 = Macros()[7];
    EXPECT_EQ(e.functionId, fn::kLeftButtonMacro);
    EXPECT_EQ(e.bindingColour, 0x1E140A) << "red 10 in the low byte";
    EXPECT_EQ(e.macroIndex, 7);
    EXPECT_EQ(e.repeatMode, 1);
    EXPECT_EQ(e.bindingCount, 3);
    EXPECT_EQ(e.bindingLoops, 2);
    EXPECT_EQ(TextOf(e.bindingFolder), "Beta");
    EXPECT_EQ(TextOf(e.bindingName), "b3");
    EXPECT_EQ(std::memcmp(e.macroActions, b3.actions, sizeof e.macroActions), 0);
    EXPECT_EQ(Label(6)->GetText(), Text("set_left_macro_text") + "Beta-b3");

    // Choosing again: a left-button macro is not function 22, so its macro
    // index, repeat mode and colour are reset before the dialog opens; only
    // the left-button flag starts set. Cancelled, the function stays.
    ModalSeam::Answer(0, [](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CSelectMacroWnd&>(w);
        EXPECT_TRUE(dlg.GetLeftButton());
        EXPECT_EQ(dlg.GetMacroIndex(), -1);
        EXPECT_EQ(dlg.GetRepeatMode(), 0);
        EXPECT_EQ(dlg.GetColour(), 255u);
    });
    Choose(6, "select_macro");
    EXPECT_EQ(e.functionId, fn::kLeftButtonMacro);
    EXPECT_EQ(e.macroIndex, -1);
    EXPECT_EQ(e.bindingColour, 255);
    EXPECT_EQ(TextOf(e.bindingName), "b3");
}

TEST_F(ButtonPageTest, SelectMacroAndSelectGunBindWhatTheUserPicksInTheLists) {
    WriteStore("macro.bin", Macros());
    WriteStore("gun.bin", Guns());
    CPaintManagerUI::SetManualTimers(true);
    Create();
    // Slot 8 ("button_off" by default): b1 through the folder and list, repeat mode 3.
    ModalSeam::Answer(1, [](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CSelectMacroWnd&>(w);
        auto* list = dlg.FindControl<CListUI>("macro_list");
        dlg.GetPaintManager()->FireTimer(list, CSelectMacroWnd::kPreselectTimer);
        EXPECT_EQ(list->GetCurSel(), -1) << "nothing was bound";
        dlg.FindControl<CComboUI>("macro_combo")->SelectItem(1);
        list->SelectItem(0);
        dlg.FindControl<COptionUI>("repeat_3")->Activate();
    });
    Choose(8, "select_macro");
    const ButtonEntry& m = P().buttons[8];
    EXPECT_EQ(m.functionId, fn::kMacro);
    EXPECT_EQ(m.macroIndex, 4);
    EXPECT_EQ(m.repeatMode, 2);
    EXPECT_EQ(m.bindingColour, 255);
    EXPECT_EQ(m.bindingCount, 1);
    EXPECT_EQ(TextOf(m.bindingName), "b1");
    EXPECT_EQ(Label(8)->GetText(), Text("set_macro_text") + "Beta-b1");

    // Slot 9: preset P1, second folder, repeat mode 2.
    ModalSeam::Answer(1, [](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CSelectGunWnd&>(w);
        auto* list = dlg.FindControl<CListUI>("gun_list");
        EXPECT_TRUE(dlg.GetPaintManager()->IsTimerActive(list, CSelectGunWnd::kPreselectTimer));
        dlg.GetPaintManager()->FireTimer(list, CSelectGunWnd::kPreselectTimer);
        dlg.FindControl<CComboUI>("gun_combo")->SelectItem(1);
        list->SelectItem(0);
        dlg.FindControl<COptionUI>("repeat_2")->Activate();
    });
    Choose(9, "select_gun");
    // ... then AK over it, from the first folder.
    int folderShown = -2;
    int gunShown = -2;
    ModalSeam::Answer(1, [&](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CSelectGunWnd&>(w);
        auto* list = dlg.FindControl<CListUI>("gun_list");
        dlg.GetPaintManager()->FireTimer(list, CSelectGunWnd::kPreselectTimer);
        folderShown = dlg.FindControl<CComboUI>("gun_combo")->GetCurSel();
        gunShown = list->GetCurSel();
        EXPECT_TRUE(dlg.FindControl<COptionUI>("repeat_2")->IsSelected());
        dlg.FindControl<CComboUI>("gun_combo")->SelectItem(0);
        list->SelectItem(0);
    });
    Choose(9, "select_gun");
    EXPECT_EQ(folderShown, 1) << "the bound preset P1 was preselected";
    EXPECT_EQ(gunShown, 0);
    const GunRecord ak = Guns()[1];
    const ButtonEntry& g = P().buttons[9];
    EXPECT_EQ(g.functionId, fn::kRecoil);
    EXPECT_EQ(g.gunIndex, 1);
    EXPECT_EQ(g.repeatMode, 1);
    EXPECT_EQ(g.bindingColour, 255);
    EXPECT_EQ(g.bindingCount, 12) << "record byte 200";
    EXPECT_EQ(g.bindingLoops, 3) << "record byte 202";
    EXPECT_EQ(TextOf(g.bindingFolder), "Rifles");
    EXPECT_EQ(std::u16string(g.bindingName, g.bindingName + kTextChars),
              u"AK" + std::u16string(kTextChars - 2, u'\0'))
        << "nothing of P1 left behind";
    EXPECT_EQ(std::memcmp(g.gunData, ak.bullets, sizeof g.gunData), 0) << "360 bytes from 216";
    EXPECT_EQ(Label(9)->GetText(), Text("set_gun_text") + "Rifles-AK");
}

TEST_F(ButtonPageTest, ADialogAnswerThatNamesNoUsableRecordBindsNothing) {
    WriteStore("macro.bin", Macros());
    WriteStore("gun.bin", Guns());
    Create();
    struct Case {
        const char* what;
        const char* item;
        int index;
    };
    const Case cases[] = {
        {"a macro without actions", "select_macro", 5},
        {"a macro folder", "select_macro", 3},
        {"just past the macro list", "select_macro", 8},
        {"far past the macro list", "select_macro", 99},
        {"no macro", "select_macro", -1},
        {"just past the preset list", "select_gun", 4},
        {"a preset folder", "select_gun", 2},
        {"no preset", "select_gun", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const bool macro = std::strcmp(c.item, "select_macro") == 0;
        // The button holds this branch's binding already, so no reset runs.
        ButtonEntry& e = P().buttons[7];
        e.functionId = macro ? fn::kMacro : fn::kRecoil;
        e.macroIndex = 1;
        e.gunIndex = 3;
        e.repeatMode = 1;
        e.bindingCount = 2;
        WriteText(e.bindingFolder, u"Kept");
        WriteText(e.bindingName, u"Binding");
        Page().ShowButton(7);
        const ButtonEntry before = e;
        const QString label = Label(7)->GetText();
        ModalSeam::Answer(1, [&](WindowImplBase& w) {
            if (auto* m = dynamic_cast<CSelectMacroWnd*>(&w)) {
                m->SetMacroIndex(c.index);
            } else {
                dynamic_cast<CSelectGunWnd&>(w).SetGunIndex(c.index);
            }
        });
        Choose(7, c.item);
        EXPECT_EQ(ModalSeam::Pending(), 0) << "the dialog opened";
        EXPECT_EQ(std::memcmp(&e, &before, sizeof e), 0);
        EXPECT_EQ(Label(7)->GetText(), label);
        EXPECT_FALSE(wnd->FindControl("disable_window_ver")->IsVisible());
    }
}

// ---- end to end --------------------------------------------------------------------

TEST_F(ButtonPageTest, BindingsMadeOnThePageReachTheMouseOnApply) {
    SimProcess sim;
    ASSERT_TRUE(sim.Start(MOUSE_APP_DIR "/mouse-sim", {})) << sim.Error();
    setenv("MOUSE_SIM_SOCKET", sim.SocketPath().c_str(), 1);
    Create();
    // Button 4 (slot 3): Ctrl+Shift+C; button 5 (slot 4): fire click, 5 clicks 40 ms apart;
    // slot 8: volume up; slot 2: mode switch (and slot 34 with it).
    ModalSeam::Answer(1, [](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CShortcutWnd&>(w);
        dlg.FindControl<CCheckBoxUI>("check_flag_1")->Activate();
        dlg.FindControl<CCheckBoxUI>("check_flag_2")->Activate();
        dlg.OnCapturedKey('C');
    });
    Choose(3, "shortcut");
    ModalSeam::Answer(1, [](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CFireClickWnd&>(w);
        dlg.SetCount(5);
        dlg.SetDelay(40);
    });
    Choose(4, "fire_click");
    Choose(8, "volume_up");
    Choose(2, "mode_switch");
    ASSERT_TRUE(wnd->FindControl<CButtonUI>("btn_apply") != nullptr);
    wnd->FindControl<CButtonUI>("btn_apply")->Activate();
    ASSERT_TRUE(WaitFor([&] { return wnd->PendingApplies() == 0; }, 20000));
    std::optional<SimState> state = SimGetState(sim.SocketPath());
    ASSERT_TRUE(state.has_value());
    auto code = [&](int slot) {
        const uint8_t* b = state->buttonTable.data() + 4 * slot;
        return std::array<int, 4>{b[0], b[1], b[2], b[3]};
    };
    using A = std::array<int, 4>;
    EXPECT_EQ(code(0), (A{0x01, 0x00, 0xF0, 0x00}));   // left click, untouched
    EXPECT_EQ(code(3), (A{0x00, 0x03, 0x06, 0x00}));   // Ctrl+Shift, key C
    EXPECT_EQ(code(4), (A{0x0A, 0xF0, 40, 5}));        // delay, then count
    EXPECT_EQ(code(8), (A{0x03, 0x00, 0xE9, 0x00}));   // consumer usage 0x00E9
    EXPECT_EQ(code(2), (A{0x08, 0x00, 0x01, 0x00}));   // mode switch
    EXPECT_EQ(code(34), (A{0x08, 0x00, 0x01, 0x00}));  // ... and its twin
    EXPECT_EQ(code(35), (A{0x01, 0x00, 0xF4, 0x00}));  // game-mode forward, untouched
}

TEST_F(ButtonPageTest, AMacroAShortcutAFireClickAndPresetsReachTheMouseOnApply) {
    SimProcess sim;
    ASSERT_TRUE(sim.Start(MOUSE_APP_DIR "/mouse-sim", {})) << sim.Error();
    setenv("MOUSE_SIM_SOCKET", sim.SocketPath().c_str(), 1);
    WriteStore("macro.bin", Macros());
    WriteStore("gun.bin", Guns());
    useFakeHook = true;
    CPaintManagerUI::SetManualTimers(true);
    Create();
    // Picks folder `folder`, item `item` of a select dialog after its
    // preselection tick, with repeat option `repeat`.
    auto pick = [](const char* combo, const char* listName, int folder, int item,
                   const char* repeat, bool leftButton = false) {
        return [=](WindowImplBase& w) {
            auto* list = w.FindControl<CListUI>(QString::fromLatin1(listName));
            ASSERT_TRUE(w.GetPaintManager()->FireTimer(list, 1000));
            w.FindControl<CComboUI>(QString::fromLatin1(combo))->SelectItem(folder);
            list->SelectItem(item);
            w.FindControl<COptionUI>(QString::fromLatin1(repeat))->Activate();
            if (leftButton) {
                w.FindControl<CCheckBoxUI>("check_left_macro")->Activate();
            }
        };
    };
    // Slot 6: macro b3, repeat mode 2.
    ModalSeam::Answer(1, pick("macro_combo", "macro_list", 1, 2, "repeat_3"));
    Choose(6, "select_macro");
    // Slot 3: Shift+Alt and F1, the key from the hook.
    ModalSeam::Answer(1, [&](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CShortcutWnd&>(w);
        w.ShowWindow(true);
        dlg.FindControl<CEditUI>("edit_key")->SetFocus();
        ASSERT_TRUE(WaitFor([&] { return dlg.HookCapturing(); }));
        ReportFromHookThread(fake, 0x70, 0);
        ASSERT_TRUE(WaitFor([&] { return dlg.GetKey() == 58; }));
        dlg.FindControl<CCheckBoxUI>("check_flag_2")->Activate();
        dlg.FindControl<CCheckBoxUI>("check_flag_3")->Activate();
    });
    Choose(3, "shortcut");
    // Slot 4: fire click, 3 clicks 25 ms apart.
    ModalSeam::Answer(1, [](WindowImplBase& w) {
        auto& dlg = dynamic_cast<CFireClickWnd&>(w);
        dlg.SetCount(3);
        dlg.SetDelay(25);
    });
    Choose(4, "fire_click");
    // Slot 9: preset AK; slot 10: a2 on the left button.
    ModalSeam::Answer(1, pick("gun_combo", "gun_list", 0, 0, "repeat_1"));
    Choose(9, "select_gun");
    ModalSeam::Answer(1, pick("macro_combo", "macro_list", 0, 1, "repeat_1", true));
    Choose(10, "select_macro");
    // Slot 40, in the game mode: macro a1, repeat mode 0.
    wnd->FindControl<COptionUI>("button_mode_option_2")->Activate();
    ModalSeam::Answer(1, pick("macro_combo", "macro_list", 0, 0, "repeat_1"));
    Choose(40, "select_macro");
    wnd->FindControl<COptionUI>("button_mode_option_1")->Activate();
    EXPECT_EQ(ModalSeam::Pending(), 0);
    ASSERT_EQ(P().buttons[10].functionId, fn::kLeftButtonMacro);

    wnd->FindControl<CButtonUI>("btn_apply")->Activate();
    ASSERT_TRUE(WaitFor([&] { return wnd->PendingApplies() == 0; }, 20000));
    std::optional<SimState> state = SimGetState(sim.SocketPath());
    ASSERT_TRUE(state.has_value());
    using A = std::array<int, 4>;
    auto code = [&](int slot) {
        const uint8_t* b = state->buttonTable.data() + 4 * slot;
        return A{b[0], b[1], b[2], b[3]};
    };
    EXPECT_EQ(code(0), (A{0x01, 0x00, 0xF0, 0x00}));   // left click, untouched
    EXPECT_EQ(code(3), (A{0x00, 0x06, 0x3A, 0x00}));   // Shift+Alt, F1
    EXPECT_EQ(code(4), (A{0x0A, 0xF0, 0x19, 0x03}));   // 25 ms, 3 clicks
    EXPECT_EQ(code(6), (A{0x09, 0x02, 0x01, 0x00}));   // macro, repeat 2, block 1
    EXPECT_EQ(code(9), (A{0x08, 0x00, 0x04, 0x00}));   // preset, recoil slot 0
    EXPECT_EQ(code(10), (A{0x08, 0x00, 0x05, 0x00}));  // left-button macro, recoil slot 1
    EXPECT_EQ(code(40), (A{0x09, 0x00, 0x02, 0x00}));  // macro, repeat 0, block 2

    using Block = std::array<uint8_t, 128>;
    auto block = [](std::initializer_list<uint8_t> head) {
        Block b{};
        std::copy(head.begin(), head.end(), b.begin());
        return b;
    };
    // b3 twice: A pressed (30 ms), A released (2000 ms: u 0, L 100), left button pressed.
    ASSERT_TRUE(state->macroBlocks[0].has_value());
    EXPECT_EQ(*state->macroBlocks[0],
              block({0x00, 0x02, 0x03, 0x04, 0x80, 0x04, 0x00, 0x01, 0x00, 0x64, 0x01, 0xF0}));
    // a1 once: B pressed and released, 10 ms each.
    ASSERT_TRUE(state->macroBlocks[1].has_value());
    EXPECT_EQ(*state->macroBlocks[1], block({0x00, 0x01, 0x01, 0x05, 0x81, 0x05}));
    for (size_t k = 2; k < state->macroBlocks.size(); ++k) {
        EXPECT_FALSE(state->macroBlocks[k].has_value()) << "block " << k + 1 << " was not sent";
    }
}

}  // namespace
}  // namespace mouse
