// The lighting page inside the real main window, driven through its controls
// the way a user would: options clicked, sliders dragged, numbers typed, the
// palette dragged and the colour picker answered through the modal seam.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QSlider>
#include <QTemporaryDir>
#include <QWidget>

#include <array>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "app/main_wnd.h"
#include "app_test_util.h"
#include "drivers/sim/sim_client.h"
#include "drivers/sim/sim_process.h"
#include "ui/ui.h"

namespace mouse {
namespace {

using test::WaitFor;

class LightPageTest : public test::MainWndTest {
protected:
    // The main window, shown, on the lighting tab.
    void Open(bool withMouse = false) {
        if (withMouse) {
            StartMouse();
        }
        OpenOn("light_btn");
    }

    ProfileRecord& Profile() { return wnd->CurrentProfile(); }
    bool Shown(const char* name) { return Find(name)->IsVisible(); }
    QString Text(const char* name) { return Find<CEditUI>(name)->GetText(); }
    uint32_t Bk(const QString& name) { return Find(name)->GetBkColor(); }
    uint32_t PaletteColour() {
        return Find<CColorPaletteUI>("select_color_Pallet")->GetSelectColor();
    }
    // The effect options that show as selected.
    std::vector<int> SelectedEffects() {
        std::vector<int> selected;
        for (int n = 1; n <= 12; ++n) {
            if (Find<COptionUI>(QString("light_mode_option_%1").arg(n))->IsSelected()) {
                selected.push_back(n);
            }
        }
        return selected;
    }
    // Drags a slider's handle to `value` and, when asked, lets it go.
    void DragSlider(const char* name, int value, bool release) {
        auto* slider = qobject_cast<QSlider*>(Find(name)->GetWidget());
        ASSERT_NE(slider, nullptr);
        slider->setSliderDown(true);
        slider->setSliderPosition(value);
        if (release) {
            slider->setSliderDown(false);
        }
    }
    void ReleaseSlider(const char* name) {
        qobject_cast<QSlider*>(Find(name)->GetWidget())->setSliderDown(false);
    }
    void PaletteMouse(QEvent::Type type, QPoint at) {
        QWidget* palette = Find("select_color_Pallet")->GetWidget();
        const Qt::MouseButtons buttons =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, at, palette->mapToGlobal(at), Qt::LeftButton, buttons, {});
        QCoreApplication::sendEvent(palette, &e);
    }
    // Answers the next colour picker: types the three channels and presses
    // `button` (ok_btn, cancel_btn or exit_btn).
    void AnswerPicker(int r, int g, int b, const char* button) {
        ModalSeam::Answer(0, [=, this](WindowImplBase& w) {
            overlayDuringPick = wnd->FindControl("disable_window_ver")->IsVisible();
            w.FindControl<CEditUI>("r_edit")->TypeText(QString::number(r));
            w.FindControl<CEditUI>("g_edit")->TypeText(QString::number(g));
            w.FindControl<CEditUI>("b_edit")->TypeText(QString::number(b));
            w.FindControl<CButtonUI>(button)->Activate();
        });
    }

    bool overlayDuringPick = false;
};

TEST_F(LightPageTest, EachEffectShowsItsGroups) {
    struct Case {
        int option;  // light_mode_option_%d
        bool brightness, speed, colour, length;
    };
    const Case cases[] = {
        {1, false, false, false, false}, {2, true, false, true, false},
        {3, false, true, true, false},   {4, true, true, false, false},
        {5, true, true, false, false},   {6, true, false, true, false},
        {7, false, false, true, true},   {8, false, false, true, true},
        {9, true, false, true, false},   {10, true, true, true, false},
        {11, true, true, false, false},  {12, true, false, false, false},
    };
    Open();
    // Every effect from every other one, so no group keeps an earlier state.
    for (const Case& from : cases) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "option " << from.option << " -> " << c.option);
            Find<COptionUI>(QString("light_mode_option_%1").arg(from.option))->Activate();
            Find<COptionUI>(QString("light_mode_option_%1").arg(c.option))->Activate();
            EXPECT_EQ(Profile().lightMode, c.option - 1);
            EXPECT_EQ(SelectedEffects(), std::vector<int>{c.option});
            EXPECT_EQ(Shown("brightness_ver"), c.brightness);
            EXPECT_EQ(Shown("breathing_ver"), c.speed);
            EXPECT_EQ(Shown("color_ver"), c.colour);
            EXPECT_EQ(Shown("length_ver"), c.length);
        }
    }
}

TEST_F(LightPageTest, AnUnknownEffectOnlyHidesTheLengthGroup) {
    auto profile = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*profile, 3311);
    WriteText(profile->name, u"Odd");
    profile->lightMode = 7;  // marquee: colour and length shown
    WriteProfiles({profile.get()});
    Open();
    ASSERT_TRUE(Shown("length_ver"));
    Profile().lightMode = 12;
    wnd->RefreshPages();
    EXPECT_EQ(Profile().lightMode, 12) << "the refresh keeps a value it does not know";
    EXPECT_TRUE(SelectedEffects().empty());
    EXPECT_FALSE(Shown("length_ver"));
    EXPECT_TRUE(Shown("color_ver"));
    EXPECT_FALSE(Shown("brightness_ver"));
}

TEST_F(LightPageTest, TypedChannelsAreClampedAndReplaceOnlyTheirByte) {
    struct Case {
        const char* edit;
        const char* typed;
        const char* shown;
        uint32_t stored;  // from MakeColour(0x12, 0x34, 0x56)
    };
    const Case cases[] = {
        {"g_edit", "300", "255", MakeColour(0x12, 0xFF, 0x56)},
        {"r_edit", "999", "255", MakeColour(0xFF, 0x34, 0x56)},
        {"b_edit", "-4", "0", MakeColour(0x12, 0x34, 0x00)},
        {"b_edit", "", "", MakeColour(0x12, 0x34, 0x00)},
    };
    Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.edit) + " <- '" + c.typed + "'");
        Profile().lightFixedColour = MakeColour(0x12, 0x34, 0x56);
        Find<CEditUI>(c.edit)->TypeText(c.typed);
        EXPECT_EQ(Text(c.edit), c.shown);
        EXPECT_EQ(Profile().lightFixedColour, c.stored);
        EXPECT_EQ(PaletteColour(), ColourToArgb(c.stored));
        EXPECT_EQ(Bk("current_color_control"), ColourToArgb(c.stored));
    }
}

TEST_F(LightPageTest, DraggingOnThePaletteShowsTheColourAndReleasingStoresIt) {
    Open();
    Find<COptionUI>("light_mode_option_2")->Activate();  // steady: the colour group shows
    const uint32_t before = Profile().lightFixedColour;
    PaletteMouse(QEvent::MouseButtonPress, QPoint(150, 30));
    PaletteMouse(QEvent::MouseMove, QPoint(160, 40));
    const uint32_t dragged = PaletteColour();
    ASSERT_NE(dragged, ColourToArgb(before));
    EXPECT_EQ(Profile().lightFixedColour, before) << "nothing is stored while dragging";
    EXPECT_EQ(Bk("current_color_control"), dragged);
    EXPECT_EQ(Text("r_edit"), QString::number((dragged >> 16) & 0xFF));
    EXPECT_EQ(Text("g_edit"), QString::number((dragged >> 8) & 0xFF));
    EXPECT_EQ(Text("b_edit"), QString::number(dragged & 0xFF));

    PaletteMouse(QEvent::MouseButtonRelease, QPoint(30, 60));
    const uint32_t released = PaletteColour();
    EXPECT_NE(released, dragged);
    EXPECT_EQ(Profile().lightFixedColour, ArgbToColour(released));
    EXPECT_EQ(Bk("current_color_control"), released);
    EXPECT_EQ(Text("r_edit"), QString::number((released >> 16) & 0xFF));
}

TEST_F(LightPageTest, SlidersChangeTheProfileOnlyWhenReleased) {
    struct Case {
        const char* slider;
        int32_t ProfileRecord::*field;
        int value;
    };
    const Case cases[] = {
        {"brightness_slider", &ProfileRecord::lightBrightness, 100},
        {"frequency_slider", &ProfileRecord::lightFrequency, 1},
        {"length_slider", &ProfileRecord::lightLength, 4},
    };
    Open();
    Find<COptionUI>("light_mode_option_10")->Activate();  // ripple: brightness and speed
    for (const Case& c : cases) {
        SCOPED_TRACE(c.slider);
        const int32_t before = Profile().*c.field;
        ASSERT_NE(before, c.value);
        DragSlider(c.slider, c.value, false);
        EXPECT_EQ(Profile().*c.field, before);
        ReleaseSlider(c.slider);
        EXPECT_EQ(Profile().*c.field, c.value);
    }
}

TEST_F(LightPageTest, ThePickerChangesASwatchOnlyWhenConfirmed) {
    struct Case {
        const char* swatch;
        uint32_t ProfileRecord::*single;  // or nullptr for a cycle colour
        int cycle;
    };
    const Case cases[] = {
        {"btn_cycle_color_3", nullptr, 2},
        {"btn_cycle_color_8", nullptr, 7},
        {"btn_fix_color", &ProfileRecord::lightFixedColour, -1},
    };
    Open();
    auto stored = [&](const Case& c) -> uint32_t& {
        return c.single != nullptr ? Profile().*c.single : Profile().cycleColour[c.cycle];
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.swatch);
        const uint32_t old = stored(c);
        ASSERT_EQ(Bk(c.swatch), ColourToArgb(old));
        const QString edits[] = {Text("r_edit"), Text("g_edit"), Text("b_edit")};
        const uint32_t palette = PaletteColour();

        for (const char* close : {"cancel_btn", "exit_btn"}) {
            overlayDuringPick = false;
            AnswerPicker(1, 2, 3, close);
            Find<CButtonUI>(c.swatch)->Activate();
            EXPECT_EQ(ModalSeam::Pending(), 0) << close;
            EXPECT_TRUE(overlayDuringPick);
            EXPECT_FALSE(Shown("disable_window_ver"));
            EXPECT_EQ(stored(c), old) << close;
            EXPECT_EQ(Bk(c.swatch), ColourToArgb(old)) << close;
        }

        AnswerPicker(10, 20, 30, "ok_btn");
        Find<CButtonUI>(c.swatch)->Activate();
        EXPECT_EQ(stored(c), MakeColour(10, 20, 30));
        EXPECT_EQ(Bk(c.swatch), 0xFF0A141Eu);
        EXPECT_FALSE(Shown("disable_window_ver"));
        // The palette, its preview and the edits wait for the next refresh.
        EXPECT_EQ(PaletteColour(), palette);
        EXPECT_EQ(Text("r_edit"), edits[0]);
        EXPECT_EQ(Text("g_edit"), edits[1]);
        EXPECT_EQ(Text("b_edit"), edits[2]);
    }
    wnd->RefreshPages();
    EXPECT_EQ(PaletteColour(), 0xFF0A141Eu);
    EXPECT_EQ(Text("r_edit"), "10");
}

TEST_F(LightPageTest, SwitchingProfilesShowsTheOtherProfilesLighting) {
    auto first = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*first, 3311);
    WriteText(first->name, u"First");
    auto second = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*second, 3311);
    WriteText(second->name, u"Second");
    second->lightMode = 6;  // flow
    second->lightColourMode = 1;
    second->lightBrightness = 40;
    second->lightFrequency = 1;
    second->lightLength = 3;
    second->lightFixedColour = MakeColour(0x0A, 0x0B, 0x0C);
    second->cycleColour[4] = MakeColour(0x01, 0x02, 0x03);
    WriteProfiles({first.get(), second.get()});
    Open();
    EXPECT_EQ(SelectedEffects(), std::vector<int>{5}) << "the default effect is the wave";
    EXPECT_TRUE(Find<COptionUI>("option_color_mode_2")->IsSelected())
        << "the default colour mode is 1";

    // The first profile's colour mode is changed, then the second is chosen.
    Find<COptionUI>("option_color_mode_1")->Activate();
    Find<CComboUI>("profile_combo")->SelectItem(1);
    ASSERT_EQ(wnd->CurrentProfileIndex(), 1);
    EXPECT_TRUE(Find<COptionUI>("option_color_mode_2")->IsSelected());
    EXPECT_FALSE(Find<COptionUI>("option_color_mode_1")->IsSelected());
    EXPECT_EQ(SelectedEffects(), std::vector<int>{7});
    EXPECT_TRUE(Shown("color_ver"));
    EXPECT_TRUE(Shown("length_ver"));
    EXPECT_FALSE(Shown("brightness_ver"));
    EXPECT_FALSE(Shown("breathing_ver"));
    EXPECT_EQ(Find<CSliderUI>("brightness_slider")->GetValue(), 40);
    EXPECT_EQ(Find<CSliderUI>("frequency_slider")->GetValue(), 1);
    EXPECT_EQ(Find<CSliderUI>("length_slider")->GetValue(), 3);
    EXPECT_EQ(Text("r_edit"), "10");
    EXPECT_EQ(Text("g_edit"), "11");
    EXPECT_EQ(Text("b_edit"), "12");
    EXPECT_EQ(PaletteColour(), 0xFF0A0B0Cu);
    EXPECT_EQ(Bk("current_color_control"), 0xFF0A0B0Cu);
    EXPECT_EQ(Bk("btn_fix_color"), 0xFF0A0B0Cu);
    EXPECT_EQ(Bk("btn_cycle_color_5"), 0xFF010203u);
    EXPECT_EQ(Bk("btn_cycle_color_1"), 0xFFFF0000u);
    // The refresh stored nothing new into the second profile.
    EXPECT_EQ(Profile().lightMode, 6);
    EXPECT_EQ(Profile().lightColourMode, 1);

    // Back to the first: its changed colour mode shows.
    Find<CComboUI>("profile_combo")->SelectItem(0);
    EXPECT_TRUE(Find<COptionUI>("option_color_mode_1")->IsSelected());
    EXPECT_EQ(Profile().lightColourMode, 0);
}

TEST_F(LightPageTest, AnApplyAfterLightingChangesLeavesTheMouseHoldingThem) {
    Open(true);
    // Ripple at brightness 200 and speed 1, cycling colours; the effect
    // colour typed in; the first cycle colour picked.
    Find<COptionUI>("light_mode_option_10")->Activate();
    DragSlider("brightness_slider", 200, true);
    DragSlider("frequency_slider", 1, true);
    Find<COptionUI>("option_color_mode_2")->Activate();
    Find<CEditUI>("r_edit")->TypeText("10");
    Find<CEditUI>("g_edit")->TypeText("20");
    Find<CEditUI>("b_edit")->TypeText("300");
    AnswerPicker(1, 2, 3, "ok_btn");
    Find<CButtonUI>("btn_cycle_color_1")->Activate();

    Find<CButtonUI>("btn_apply")->Activate();
    ASSERT_TRUE(WaitFor([&] { return wnd->PendingApplies() == 0; }));
    std::optional<SimState> state = SimGetState(sim.SocketPath());
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(state->lightEffect, 9);
    EXPECT_EQ(state->lightP, 200);
    // Colour mode 1 goes out as 2, and the speed as 4 - 1 in the high half.
    EXPECT_EQ(state->lightQ, 0x32);
    EXPECT_EQ(state->fixedColour, (std::array<uint8_t, 3>{10, 20, 255}));
    const std::array<uint8_t, 24> cycle = {1,   2, 3,   0, 255, 0,   0,   0,   255, 255, 255, 0,
                                           255, 0, 255, 0, 255, 255, 255, 128, 0,   255, 255, 255};
    EXPECT_EQ(state->cycleColours, cycle);

    // Flow at length 1 with a single colour.
    Find<COptionUI>("light_mode_option_7")->Activate();
    DragSlider("length_slider", 1, true);
    Find<COptionUI>("option_color_mode_1")->Activate();
    Find<CButtonUI>("btn_apply")->Activate();
    ASSERT_TRUE(WaitFor([&] { return wnd->PendingApplies() == 0; }));
    state = SimGetState(sim.SocketPath());
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(state->lightEffect, 6);
    EXPECT_EQ(state->lightP, 3);
    EXPECT_EQ(state->lightQ, 0);
}

}  // namespace
}  // namespace mouse
