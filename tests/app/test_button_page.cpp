// The button page: its rules without a window, and the page in the main
// window (offscreen): labels, modes, limits and refreshes.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QTest>

#include "button_page_fixture.h"

namespace mouse {
namespace {

using namespace buttontest;

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

TEST_F(ButtonPageTest, LabelsShowTheDefaultFunctionsOfBothModes) {
    Open();
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
    Open();
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
    Open();
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
    Open();
    P().buttons[16].functionId = 0;  // slot 0 is the only left click of the office mode
    AnswerNextMessage();
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
    Open();
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
    Open();
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
    Open();
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
    Open();
    P().buttons[5].functionId = fn::kMacro;
    WriteText(P().buttons[5].bindingFolder, u"F");
    WriteText(P().buttons[5].bindingName, u"Renamed");
    P().buttonMode = 1;
    wnd->SendMessage(kMsgBindingChanged);
    EXPECT_EQ(Label(5)->GetText(), Text("set_macro_text") + "F-Renamed");
    EXPECT_TRUE(Shown("game_mode_left"));
}

}  // namespace
}  // namespace mouse
