// The performance page and the DPI pop-up, driven through their controls
// inside the real main window (offscreen), against a virtual mouse where the
// mouse matters.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSlider>
#include <QTemporaryDir>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>

#include "app/main_wnd.h"
#include "app_test_util.h"
#include "buttons/dpi_msg.h"
#include "device/dpi_scale.h"
#include "device/encode.h"
#include "drivers/sim/sim_client.h"
#include "drivers/sim/sim_process.h"
#include "ui/ui.h"

namespace mouse {
namespace {

using test::WaitFor;

QString N(const char* pattern, int n) {
    return QString::fromLatin1(pattern).replace(QStringLiteral("%d"), QString::number(n));
}

struct Ini {
    int sensor = 3311;
    int distance = 1;
    const char* distanceMin = "00";
    const char* distanceMax = "07";
};

class PerformanceTest : public test::MainWndTest {
protected:
    // A first start makes the default profile of the sensor in Data.ini, not
    // the built one; the window has no input hook.
    PerformanceTest() { useFakeHook = false; }
    void SetUp() override {
        test::MainWndTest::SetUp();
        QFile::remove(program + "Data/Default.pbin");
    }
    static QByteArray IniText(const Ini& ini) {
        return QStringLiteral(
                   "[Default]\r\nSensor=%1\r\nDistance=%2\r\nDistance_Min=%3\r\n"
                   "Distance_Max=%4\r\nDistance_Value=1,2,3,4,5,6,7,8\r\n"
                   "Ver_H=1\r\nVer_L=0\r\nUpdate=0\r\n")
            .arg(ini.sensor)
            .arg(ini.distance)
            .arg(QString::fromLatin1(ini.distanceMin), QString::fromLatin1(ini.distanceMax))
            .toUtf8();
    }
    // A new main window on the performance tab; without keepStores it starts
    // from a first start (a default profile for the sensor).
    void Create(const Ini& ini = {}, bool keepStores = false) {
        wnd.reset();
        if (!keepStores) {
            for (const char* store : {"Data.bin", "profile.bin", "macro.bin", "gun.bin"}) {
                QFile::remove(program + "Data/" + store);
            }
        }
        WriteIni(IniText(ini));
        test::MainWndTest::Create();
        if (HasFatalFailure()) {
            return;
        }
        // Rows and panels count as visible only on the page shown.
        wnd->FindControl<COptionUI>("performance_btn")->Activate();
    }
    ProfileRecord& P() { return wnd->CurrentProfile(); }
    QString Text(const QString& name) { return Find(name)->GetText(); }
    // Rows of the DPI levels that are shown, as "1234".
    QString VisibleRows() {
        QString rows;
        for (int n = 1; n <= 8; ++n) {
            if (Find(N("dpi_setting_ver_%d", n))->IsVisible()) {
                rows += QString::number(n);
            }
        }
        return rows;
    }
    int SelectedLevelOption() {
        for (int n = 1; n <= 8; ++n) {
            if (Find<COptionUI>(N("mouse_dpi_btn_%d", n))->IsSelected()) {
                return n;
            }
        }
        return 0;
    }
};

TEST_F(PerformanceTest, EverySensorScalesTheEightSliders) {
    const int sensors[] = {36,   37,   38,   60,   3050, 3104, 3212, 3311,
                           3325, 3327, 3330, 3333, 3335, 3370, 5050, 6400};
    for (int sensor : sensors) {
        SCOPED_TRACE(sensor);
        Create({.sensor = sensor});
        const DpiScale scale = *SensorDpiScale(sensor);
        for (int n = 1; n <= 8; ++n) {
            auto* slider = Find<CSliderUI>(N("mouse_dpi%d_slider", n));
            EXPECT_EQ(slider->GetMinValue(), scale.minStep);
            EXPECT_EQ(slider->GetMaxValue(), scale.maxStep);
            EXPECT_EQ(Text(N("label_dpi_left_%d", n)), scale.leftText);
            EXPECT_EQ(Text(N("label_dpi_right_%d", n)), scale.rightText);
            // The default step of the level, and its DPI beside it.
            EXPECT_EQ(slider->GetValue(),
                      std::clamp(P().dpiValue[n - 1], scale.minStep, scale.maxStep));
            EXPECT_EQ(Text(N("mouse_dpi_value_%d", n)).toStdString(),
                      DpiStepText(P().dpiValue[n - 1], sensor));
        }
    }
    // A sensor the program does not know keeps the skin's range and texts.
    Create({.sensor = 1234});
    EXPECT_EQ(Find<CSliderUI>("mouse_dpi1_slider")->GetMinValue(), 1);
    EXPECT_EQ(Find<CSliderUI>("mouse_dpi1_slider")->GetMaxValue(), 100);
    EXPECT_EQ(Text("label_dpi_left_1"), QString());
    EXPECT_EQ(Text("mouse_dpi_value_1"), QString());
}

TEST_F(PerformanceTest, DraggingADpiSliderShowsItsTextAndStoresTheStep) {
    struct Case {
        int sensor;
        int level;
        int step;
        const char* text;
    };
    const Case cases[] = {
        {3335, 1, 159, "15900"}, {3335, 8, 160, "19000"}, {3370, 2, 200, "10000"},
        {3370, 3, 201, "10100"}, {3370, 4, 290, "19000"}, {3050, 5, 4, "1000"},
        {5050, 6, 11, "125"},    {5050, 7, 17, "2750"},   {3104, 1, 16, "640"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.sensor) + " step " + std::to_string(c.step));
        Create({.sensor = c.sensor});
        auto* slider = Find<CSliderUI>(N("mouse_dpi%d_slider", c.level));
        const int32_t secondCopy = P().dpiValueY[c.level - 1];
        slider->Drag(c.step);
        // Both follow the handle while it is held.
        EXPECT_EQ(P().dpiValue[c.level - 1], c.step);
        EXPECT_EQ(Text(N("mouse_dpi_value_%d", c.level)), c.text);
        slider->Release();
        EXPECT_EQ(P().dpiValue[c.level - 1], c.step);
        EXPECT_EQ(P().dpiValueY[c.level - 1], secondCopy) << "the second copy is left alone";
    }
    // A stored step the slider cannot reach still reads as its sensor says.
    Create({.sensor = 3050});
    P().dpiValue[0] = 0;
    wnd->RefreshPages();
    EXPECT_EQ(Text("mouse_dpi_value_1"), "1000");
}

TEST_F(PerformanceTest, ChangingTheLevelCountKeepsTheCurrentLevelInsideIt) {
    struct Case {
        int current;  // level 1-8 before
        int count;    // levels chosen
        int expected;
        const char* rows;
    };
    const Case cases[] = {
        {6, 3, 3, "123"}, {2, 3, 2, "123"},      {3, 3, 3, "123"},
        {8, 1, 1, "1"},   {1, 8, 1, "12345678"}, {5, 6, 5, "123456"},
    };
    Create();
    auto* combo = Find<CComboUI>("max_dpi_combo");
    ASSERT_EQ(combo->GetCount(), 8);
    EXPECT_EQ(combo->GetCurSel(), 7);
    EXPECT_EQ(VisibleRows(), "12345678");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.current) + " with " + std::to_string(c.count));
        combo->SelectItem(7);
        ASSERT_EQ(VisibleRows(), "12345678");
        Find<COptionUI>(N("mouse_dpi_btn_%d", c.current))->Activate();
        ASSERT_EQ(P().currentDpiLevel, c.current - 1);
        combo->SelectItem(c.count - 1);
        EXPECT_EQ(P().dpiLevelCount, c.count);
        EXPECT_EQ(P().currentDpiLevel, c.expected - 1);
        EXPECT_EQ(SelectedLevelOption(), c.expected);
        EXPECT_EQ(VisibleRows(), c.rows);
    }
}

TEST_F(PerformanceTest, OptionsAndCheckBoxesWriteTheirFields) {
    Create();
    for (int i = 4; i >= 1; --i) {
        Find<COptionUI>(N("prate_%d_option", i))->Activate();
        EXPECT_EQ(P().reportRateIndex, i - 1);
    }
    // The options read as the report rate the mouse gets for them.
    const char* hertz[] = {"125 Hz", "250 Hz", "500 Hz", "1000 Hz"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Text(N("prate_%d_option", i + 1)), hertz[i]);
        EXPECT_EQ(1000 / ReportRateValue(i), QString(hertz[i]).split(' ')[0].toInt());
    }
    Find<COptionUI>("mouse_dpi_btn_7")->Activate();
    EXPECT_EQ(P().currentDpiLevel, 6);

    struct Box {
        const char* name;
        int32_t ProfileRecord::*field;
    };
    for (Box b : {Box{"enhance_pointer_checkbox", &ProfileRecord::enhancePointerPrecision},
                  Box{"one_page_checkbox", &ProfileRecord::onePageScroll}}) {
        SCOPED_TRACE(b.name);
        auto* box = Find<CCheckBoxUI>(b.name);
        ASSERT_FALSE(box->GetCheck());
        box->Activate();
        EXPECT_EQ(P().*b.field, 1);
        box->Activate();
        EXPECT_EQ(P().*b.field, 0);
    }
}

// A desktop's platform that takes only some of the pointer settings.
class OfferingPointer final : public PointerPlatform {
public:
    explicit OfferingPointer(PointerCapabilities offered) : offered_(std::move(offered)) {}
    void SetDoubleClickTime(int) override {}
    void SetPointer(double, bool) override {}
    void SetWheel(int, bool) override {}
    PointerCapabilities Capabilities() const override { return offered_; }

private:
    PointerCapabilities offered_;
};

TEST_F(PerformanceTest, SettingsTheDesktopDoesNotTakeAreDisabledAndSayWhy) {
    struct Row {
        PointerCapabilities offered;
        const char* note;  // the wheel note's text; null: hidden
    };
    const Row rows[] = {
        {{"GNOME", true, true, true, false, false}, "GNOME has no wheel settings"},
        {{"KDE Plasma", true, true, true, true, false}, "KDE Plasma has no one-page scrolling"},
        {{"X11", true, true, false, false, false}, "X11 has no wheel settings"},
        {{"Wayland", false, false, false, true, true}, nullptr},
        {{"", true, true, true, true, true}, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.offered.desktop);
        OfferingPointer pointer(row.offered);
        MainWndOptions options = Options();
        options.pointer = &pointer;
        test::MainWndTest::Create(options);
        ASSERT_FALSE(HasFatalFailure());
        Find<COptionUI>("performance_btn")->Activate();
        const std::pair<const char*, bool> controls[] = {
            {"mouse_move_speed_slider", row.offered.speed},
            {"enhance_pointer_checkbox", row.offered.acceleration},
            {"double_click_speed_slider", row.offered.doubleClick},
            {"scroll_speed_slider", row.offered.wheelLines},
            {"one_page_checkbox", row.offered.onePage},
        };
        for (const auto& [name, taken] : controls) {
            CControlUI* control = Find(name);
            ASSERT_NE(control, nullptr);
            EXPECT_EQ(control->IsEnabled(), taken) << name;
            EXPECT_EQ(control->GetToolTip().startsWith(
                          QString::fromStdString(row.offered.desktop + " has no ")),
                      !taken)
                << name << ": " << control->GetToolTip().toStdString();
        }
        auto* note = Find<CLabelUI>("label_wheel_unused");
        ASSERT_NE(note, nullptr);
        EXPECT_EQ(note->IsVisible(), row.note != nullptr);
        EXPECT_EQ(note->GetText(), QString::fromLatin1(row.note));
        wnd.reset();
    }
}

TEST_F(PerformanceTest, SlidersChangeTheRecordOnReleaseOrWhileDragged) {
    struct Case {
        const char* slider;
        int value;
        bool followsDrag;
        std::function<int(const ProfileRecord&)> field;
    };
    const Case cases[] = {
        {"mouse_move_speed_slider", 11, false, [](auto& p) { return p.pointerSpeed; }},
        {"scroll_speed_slider", 9, false, [](auto& p) { return p.scrollLines; }},
        {"double_click_speed_slider", 8, false, [](auto& p) { return p.doubleClickSpeed; }},
        {"lift_of_distance_slider", 6, false, [](auto& p) { return p.liftOffDistance; }},
        {"key_response_slider", 17, true, [](auto& p) { return int(p.keyResponse); }},
        {"mouse_dpi3_slider", 77, true, [](auto& p) { return p.dpiValue[2]; }},
    };
    Create();
    Find<CCheckBoxUI>("distance_checkbox")->Activate();  // shows the lift-off slider
    for (const Case& c : cases) {
        SCOPED_TRACE(c.slider);
        auto* slider = Find<CSliderUI>(c.slider);
        const int before = c.field(P());
        ASSERT_NE(before, c.value);
        slider->Drag(c.value);
        EXPECT_EQ(c.field(P()), c.followsDrag ? c.value : before);
        if (QString(c.slider) == "key_response_slider") {
            EXPECT_EQ(Text("label_key_respsonse"), "17 ms") << "the label follows the drag";
        }
        slider->Release();
        EXPECT_EQ(c.field(P()), c.value);
    }
}

TEST_F(PerformanceTest, SliderRangesOnlyGiveLegalValues) {
    Create({.distanceMin = "02", .distanceMax = "0a"});
    auto range = [&](const char* name) {
        auto* s = Find<CSliderUI>(name);
        return std::pair{s->GetMinValue(), s->GetMaxValue()};
    };
    EXPECT_EQ(range("mouse_move_speed_slider"), std::pair(1, 11));
    const auto [dcMin, dcMax] = range("double_click_speed_slider");
    EXPECT_GE(dcMin, 0);
    EXPECT_GT(900 - 70 * dcMax, 0) << "the double-click time stays positive";
    const auto [scrollMin, scrollMax] = range("scroll_speed_slider");
    EXPECT_GE(scrollMin, 1);
    EXPECT_LE(scrollMax, 100);
    const auto [keyMin, keyMax] = range("key_response_slider");
    EXPECT_GE(keyMin, 1);
    EXPECT_LE(keyMax, 255) << "the field is one byte";
    EXPECT_EQ(range("lift_of_distance_slider"), std::pair(1, 10))
        << "Data.ini's, and one place below for a position outside it";
    EXPECT_EQ(Find<CComboUI>("max_dpi_combo")->GetCount(), 8);
}

TEST_F(PerformanceTest, TheLiftOffSliderAndItsLabelShowTheByteTheMouseReceives) {
    Create();  // the distance list is 1..8: a place's byte rises with the place
    ASSERT_EQ(P().liftOffDistance, kDefaultLiftOffDistance);
    auto* slider = Find<CSliderUI>("lift_of_distance_slider");
    auto shown = [&] { return Text("label_lift_off_value").toInt(); };
    auto sent = [&] { return int(LiftOffDistanceValue(P(), wnd->Config())); };
    for (int32_t stored : {kDefaultLiftOffDistance, 0, 3, 7, -1}) {
        SCOPED_TRACE(stored);
        P().liftOffDistance = stored;
        wnd->PerformancePage().Refresh();
        EXPECT_EQ(shown(), sent());
        EXPECT_EQ(slider->GetValue() - slider->GetMinValue(), sent());
    }
    for (int place = slider->GetMinValue(); place <= slider->GetMaxValue(); ++place) {
        SCOPED_TRACE(place);
        slider->Drag(place);
        const int whileDragged = shown();
        slider->Release();
        EXPECT_EQ(whileDragged, sent());
        EXPECT_EQ(shown(), sent());
        EXPECT_EQ(place - slider->GetMinValue(), sent());
    }
}

TEST_F(PerformanceTest, EverySliderShowsItsValue) {
    const std::map<QString, std::pair<int, QString>> shown = {
        {"key_response_slider", {17, "17 ms"}}, {"lift_of_distance_slider", {5, "6"}},
        {"mouse_move_speed_slider", {4, "4"}},  {"double_click_speed_slider", {3, "3"}},
        {"scroll_speed_slider", {9, "9"}},      {"brightness_slider", {200, "200"}},
        {"frequency_slider", {2, "2"}},         {"length_slider", {3, "3"}},
    };
    Create();
    int checked = 0;
    for (QSlider* widget : wnd->GetHostWidget()->findChildren<QSlider*>()) {
        const QString name = widget->objectName();
        SCOPED_TRACE(name.toStdString());
        auto* slider = Find<CSliderUI>(name);
        ASSERT_NE(slider->GetValueLabel(), nullptr) << "a slider without its value";
        const int dpiLevel = name.startsWith("mouse_dpi") ? name.mid(9, 1).toInt() : 0;
        const auto [value, text] =
            dpiLevel > 0 ? std::pair(77, QString::fromStdString(DpiStepText(77, 3311)))
                         : shown.at(name);
        slider->SetEnabled(true);
        slider->Drag(value);
        slider->Release();
        EXPECT_EQ(slider->GetValueLabel()->GetText(), text);
        ++checked;
    }
    EXPECT_EQ(checked, int(shown.size()) + kDpiLevels);
}

TEST_F(PerformanceTest, AColourPickChangesTheSwatchAndTheLevelOnlyOnOk) {
    Create();
    auto* swatch = Find("mouse_dpi_color3");
    auto* overlay = Find("disable_window_ver");
    ASSERT_EQ(P().dpiColour[2], MakeColour(0, 0, 255));
    ASSERT_EQ(swatch->GetBkColor(), 0xFF0000FFu);
    // The user types new channels, then cancels or confirms.
    auto answer = [&](int result, QString& start, bool& covered) {
        ModalSeam::Answer(result, [&](WindowImplBase& w) {
            start = w.FindControl<CEditUI>("r_edit")->GetText() + "," +
                    w.FindControl<CEditUI>("g_edit")->GetText() + "," +
                    w.FindControl<CEditUI>("b_edit")->GetText();
            covered = overlay->IsVisible();
            w.FindControl<CEditUI>("r_edit")->TypeText("18");
            w.FindControl<CEditUI>("g_edit")->TypeText("52");
            w.FindControl<CEditUI>("b_edit")->TypeText("86");
        });
    };
    QString start;
    bool covered = false;
    answer(0, start, covered);
    Find<CButtonUI>("mouse_dpi_color3")->Activate();
    EXPECT_EQ(ModalSeam::Pending(), 0);
    EXPECT_EQ(start, "0,0,255") << "the picker starts from the level's colour";
    EXPECT_TRUE(covered) << "the main window is covered while the picker is open";
    EXPECT_FALSE(overlay->IsVisible());
    EXPECT_EQ(P().dpiColour[2], MakeColour(0, 0, 255)) << "cancelled";
    EXPECT_EQ(swatch->GetBkColor(), 0xFF0000FFu);

    answer(1, start, covered);
    Find<CButtonUI>("mouse_dpi_color3")->Activate();
    EXPECT_EQ(ModalSeam::Pending(), 0);
    EXPECT_EQ(P().dpiColour[2], MakeColour(0x12, 0x34, 0x56));
    EXPECT_EQ(swatch->GetBkColor(), 0xFF123456u);
    EXPECT_FALSE(overlay->IsVisible());
    // The other levels keep theirs.
    EXPECT_EQ(P().dpiColour[1], MakeColour(0, 255, 0));
    EXPECT_EQ(P().dpiColour[3], MakeColour(255, 255, 0));
}

TEST_F(PerformanceTest, TheDistanceRowFollowsDataIniAndItsSwitch) {
    Create({.distance = 0});
    EXPECT_FALSE(Find("lift_of_distance_ver")->IsVisible());

    Create({.distance = 1});
    EXPECT_TRUE(Find("lift_of_distance_ver")->IsVisible());
    auto* box = Find<CCheckBoxUI>("distance_checkbox");
    ASSERT_EQ(P().distanceEnabled, 0);
    EXPECT_FALSE(box->GetCheck());
    EXPECT_FALSE(Find("distance_slider_ver")->IsVisible());
    box->Activate();
    EXPECT_EQ(P().distanceEnabled, 1);
    EXPECT_TRUE(Find("distance_slider_ver")->IsVisible());
    box->Activate();
    EXPECT_EQ(P().distanceEnabled, 0);
    EXPECT_FALSE(Find("distance_slider_ver")->IsVisible());
}

TEST_F(PerformanceTest, AProfileSwitchShowsTheOtherProfile) {
    // Two profiles on disk; the second differs in every field the page shows.
    auto first = std::make_unique<ProfileRecord>();
    auto second = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*first, 3311);
    MakeDefaultRecord(*second, 3311);
    WriteText(first->name, u"One");
    WriteText(second->name, u"Two");
    ProfileRecord& s = *second;
    s.dpiLevelCount = 4;
    s.currentDpiLevel = 2;
    s.reportRateIndex = 0;
    s.dpiValue[1] = 123;
    s.dpiColour[3] = MakeColour(0x12, 0x34, 0x56);
    s.pointerSpeed = 9;
    s.scrollLines = 7;
    s.doubleClickSpeed = 2;
    s.enhancePointerPrecision = 1;
    s.onePageScroll = 1;
    s.liftOffDistance = 5;
    s.distanceEnabled = 1;
    s.keyResponse = 12;
    QFile f(program + "Data/profile.bin");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(first.get()), sizeof(ProfileRecord));
    f.write(reinterpret_cast<const char*>(second.get()), sizeof(ProfileRecord));
    f.close();

    Create({}, true);
    EXPECT_EQ(VisibleRows(), "12345678");
    EXPECT_EQ(SelectedLevelOption(), 1);
    Find<CComboUI>("profile_combo")->SelectItem(1);
    ASSERT_EQ(wnd->CurrentProfileIndex(), 1);

    EXPECT_EQ(Find<CComboUI>("max_dpi_combo")->GetCurSel(), 3);
    EXPECT_EQ(VisibleRows(), "1234");
    EXPECT_EQ(SelectedLevelOption(), 3);
    EXPECT_TRUE(Find<COptionUI>("prate_1_option")->IsSelected());
    EXPECT_EQ(Find<CSliderUI>("mouse_dpi2_slider")->GetValue(), 123);
    EXPECT_EQ(Text("mouse_dpi_value_2"), "12300");
    EXPECT_EQ(Find("mouse_dpi_color4")->GetBkColor(), 0xFF123456u);
    EXPECT_EQ(Find("mouse_dpi_color1")->GetBkColor(), 0xFFFF0000u);
    EXPECT_EQ(Find<CSliderUI>("mouse_move_speed_slider")->GetValue(), 9);
    EXPECT_EQ(Find<CSliderUI>("scroll_speed_slider")->GetValue(), 7);
    EXPECT_EQ(Find<CSliderUI>("double_click_speed_slider")->GetValue(), 2);
    EXPECT_TRUE(Find<CCheckBoxUI>("enhance_pointer_checkbox")->GetCheck());
    EXPECT_TRUE(Find<CCheckBoxUI>("one_page_checkbox")->GetCheck());
    EXPECT_EQ(Find<CSliderUI>("lift_of_distance_slider")->GetValue(), 5);
    EXPECT_TRUE(Find<CCheckBoxUI>("distance_checkbox")->GetCheck());
    EXPECT_TRUE(Find("distance_slider_ver")->IsVisible());
    EXPECT_EQ(Find<CSliderUI>("key_response_slider")->GetValue(), 12);
    EXPECT_EQ(Text("label_key_respsonse"), "12 ms");
    // Showing a profile changes nothing in it.
    EXPECT_EQ(std::memcmp(&P(), second.get(), sizeof(ProfileRecord)), 0);

    // And back.
    Find<CComboUI>("profile_combo")->SelectItem(0);
    EXPECT_EQ(VisibleRows(), "12345678");
    EXPECT_EQ(SelectedLevelOption(), 1);
    EXPECT_FALSE(Find<CCheckBoxUI>("distance_checkbox")->GetCheck());
    EXPECT_FALSE(Find("distance_slider_ver")->IsVisible());
    EXPECT_EQ(std::memcmp(&P(), first.get(), sizeof(ProfileRecord)), 0);
}

TEST_F(PerformanceTest, TheMouseButtonsSelectThePageOptions) {
    StartMouse();
    Create();
    ASSERT_TRUE(SimPress(sim.SocketPath(), SimButton::Rate, 1));
    ASSERT_TRUE(WaitFor([&] { return P().reportRateIndex == 3; }));
    EXPECT_TRUE(Find<COptionUI>("prate_4_option")->IsSelected());
    ASSERT_TRUE(SimPress(sim.SocketPath(), SimButton::Rate, 8));
    ASSERT_TRUE(WaitFor([&] { return P().reportRateIndex == 0; }));
    EXPECT_TRUE(Find<COptionUI>("prate_1_option")->IsSelected());
    ASSERT_TRUE(SimPress(sim.SocketPath(), SimButton::Dpi, 6));
    ASSERT_TRUE(WaitFor([&] { return P().currentDpiLevel == 5; }));
    EXPECT_EQ(SelectedLevelOption(), 6);
}

TEST_F(PerformanceTest, DpiPressesShowOnePopUpThatClosesAfterTheLast) {
    StartMouse();
    CPaintManagerUI::SetManualTimers(true);
    Create();
    ASSERT_EQ(CDPIMsg::LiveCount(), 0);
    ASSERT_EQ(wnd->DpiPopup(), nullptr);

    // Default steps of the 3311: level n has step 10 n, which reads 1000 n.
    ASSERT_TRUE(SimPress(sim.SocketPath(), SimButton::Dpi, 2));
    ASSERT_TRUE(WaitFor([&] { return wnd->DpiPopup() != nullptr; }));
    CDPIMsg* popup = wnd->DpiPopup();
    EXPECT_EQ(popup->GetText(), "DPI :2000");
    auto* label = popup->FindControl<CLabelUI>("dpi_value_label");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->GetText(), "DPI :2000");
    EXPECT_TRUE(popup->IsWindowVisible());
    EXPECT_EQ(popup->GetWindowRect(), QRect(20, 20, 150, 150));
    const Qt::WindowFlags flags = popup->GetHostWidget()->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::Tool)) << "no task-bar entry";
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(popup->GetHostWidget()->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(wnd->GetTimerInterval(52), 2000u);
    EXPECT_EQ(SelectedLevelOption(), 2);

    // More presses before the timer: the same pop-up with the last level.
    for (int level : {5, 3}) {
        ASSERT_TRUE(SimPress(sim.SocketPath(), SimButton::Dpi, level));
        const QString expected = QStringLiteral("DPI :%1").arg(level * 1000);
        ASSERT_TRUE(WaitFor([&] { return label->GetText() == expected; }));
        EXPECT_EQ(wnd->DpiPopup(), popup);
        EXPECT_EQ(CDPIMsg::LiveCount(), 1);
        EXPECT_EQ(wnd->GetTimerInterval(52), 2000u);
        EXPECT_EQ(SelectedLevelOption(), level);
    }
    EXPECT_EQ(P().currentDpiLevel, 2);

    // The timer closes it, and the pop-up deletes itself.
    ASSERT_TRUE(wnd->FireTimer(52));
    EXPECT_EQ(wnd->DpiPopup(), nullptr);
    EXPECT_FALSE(wnd->IsTimerActive(52));
    ASSERT_TRUE(WaitFor([] { return CDPIMsg::LiveCount() == 0; }));

    // The next press opens a new one.
    ASSERT_TRUE(SimPress(sim.SocketPath(), SimButton::Dpi, 1));
    ASSERT_TRUE(WaitFor([&] { return wnd->DpiPopup() != nullptr; }));
    EXPECT_EQ(wnd->DpiPopup()->GetText(), "DPI :1000");
    wnd.reset();
    EXPECT_EQ(CDPIMsg::LiveCount(), 0) << "an open pop-up goes with the window";
}

TEST_F(PerformanceTest, APopUpForASensorWithoutTextsReadsDpiOnly) {
    CPaintManagerUI::SetManualTimers(true);
    Create({.sensor = 1234});
    wnd->SendMessage(0x469, 0, 40);
    ASSERT_NE(wnd->DpiPopup(), nullptr);
    EXPECT_EQ(wnd->DpiPopup()->GetText(), "DPI :");
}

TEST_F(PerformanceTest, AnApplyLeavesTheMouseHoldingThePageValues) {
    StartMouse();
    Create();
    wnd->Link().Worker()->WaitIdle();
    // Through the controls: five levels, steps of level 1 and 2, 250 Hz,
    // level 4 current, key response 9 ms, level 1 in #123456, lift-off
    // position 3.
    Find<CComboUI>("max_dpi_combo")->SelectItem(4);
    for (auto [level, step] : {std::pair{1, 16}, std::pair{2, 121}}) {
        auto* slider = Find<CSliderUI>(N("mouse_dpi%d_slider", level));
        slider->Drag(step);
        slider->Release();
    }
    Find<COptionUI>("prate_2_option")->Activate();
    Find<COptionUI>("mouse_dpi_btn_4")->Activate();
    auto* key = Find<CSliderUI>("key_response_slider");
    key->Drag(9);
    key->Release();
    Find<CCheckBoxUI>("distance_checkbox")->Activate();
    ModalSeam::Answer(1, [](WindowImplBase& w) {
        w.FindControl<CEditUI>("r_edit")->TypeText("18");
        w.FindControl<CEditUI>("g_edit")->TypeText("52");
        w.FindControl<CEditUI>("b_edit")->TypeText("86");
    });
    Find<CButtonUI>("mouse_dpi_color1")->Activate();
    auto* lift = Find<CSliderUI>("lift_of_distance_slider");
    lift->Drag(3);
    lift->Release();

    Find<CButtonUI>("btn_apply")->Activate();
    ASSERT_TRUE(WaitFor([&] { return wnd->PendingApplies() == 0; }));
    std::optional<SimState> state = SimGetState(sim.SocketPath());
    ASSERT_TRUE(state.has_value());
    const ProfileRecord& p = P();

    // What the encoder makes of the record ...
    EXPECT_EQ(state->dpiTable, EncodeDpiTable(p, 3311));
    EXPECT_EQ(state->reportRate, ReportRateValue(p.reportRateIndex));
    // ... and the bytes themselves: 3311 steps 16 and 121 (above 120 the
    // half step, 60) and the defaults 30-80.
    const std::array<uint8_t, 8> table{0x12, 0x47, 0x23, 0x2f, 0x3b, 0x47, 0x53, 0x5f};
    EXPECT_EQ(state->dpiTable, table);
    EXPECT_EQ(state->dpiLevelCount, 5);
    EXPECT_EQ(state->dpiLevel, 4);
    EXPECT_EQ(state->reportRate, 4) << "250 Hz";
    EXPECT_EQ(state->keyResponse, 9);
    EXPECT_EQ(state->liftOff, 4) << "position 3 of Distance_Value 1,2,...";
    EXPECT_EQ(state->highDpiMask, 0x02) << "level 2 is above the 3311's 120 steps";
    // Level 1 as picked, the others in their default colours.
    const std::array<uint8_t, 24> colours{0x12, 0x34, 0x56, 0,   255, 0,   0,   0,
                                          255,  255,  255,  0,   255, 0,   255, 0,
                                          255,  255,  255,  128, 0,   255, 255, 255};
    EXPECT_EQ(state->dpiColours, colours);
}

}  // namespace
}  // namespace mouse
