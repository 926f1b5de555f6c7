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
        wnd = std::make_unique<CMainWnd>(test::TestWindowOptions(program));
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

    QTemporaryDir folder;
    QString program;
    QStringList messages;
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
        EXPECT_FALSE(edit->IsKeyCapture()) << "the hook captures, not the field";
        edit->SetFocus();
        ASSERT_TRUE(WaitFor([&] { return hook.calls.size() == 2; }));
        EXPECT_EQ(hook.calls, (QStringList{"install", "enable"}));
        dlg.SendMessage(kMsgHookKey, 162, 0);  // left Ctrl
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

}  // namespace
}  // namespace mouse
