// The performance page: DPI levels, report rate, lift-off distance, key
// response and the desktop pointer settings of the current profile. Every
// edit goes straight into the current ProfileRecord; nothing reaches the
// mouse or the desktop before the profile is applied.
#pragma once

#include <array>

#include "app/page.h"
#include "ui/control_table.h"
#include "ui/controls.h"

namespace mouse {

class CPerformancePage : public CPage {
public:
    CPerformancePage(PageHost& host, CPaintManagerUI& manager);

    // Finds the controls, sets the DPI scale of the sensor and the lift-off
    // distance row from Data.ini.
    void InitControls() override;
    // Shows the current profile, without notifications: nothing is stored.
    void Refresh() override;
    // Selects the option of DPI level 1-8 without a notification.
    void SelectDpiLevel(int level);
    // Selects the option of DPI level 1-8 as a click on it does: the
    // profile takes the level.
    void ChooseDpiLevel(int level);
    // Selects the report-rate option of index 0-3 without a notification.
    void SelectReportRate(int index);
    // Range and end labels of the eight DPI sliders for the configured
    // sensor; a sensor the program does not know leaves the skin's.
    void SetDpiScale();
    // Shows the rows of DPI levels 1..count and hides the others.
    void ShowDpiRows(int count);

private:
    struct DpiRow {
        COptionUI* option = nullptr;
        CLabelUI* value = nullptr;    // optional
        CSliderUI* slider = nullptr;  // optional
        CControlUI* row = nullptr;
        CLabelUI* left = nullptr;
        CLabelUI* right = nullptr;
        CButtonUI* colour = nullptr;
    };

    ProfileRecord& Profile();
    int Sensor() const;
    // Level 1-8 of a control of the DPI rows, 0 when it is none of them.
    template <typename Member>
    int LevelOf(const CControlUI* sender, Member member) const;

    void OnClick(TNotifyUI& msg);
    void OnSelectChanged(TNotifyUI& msg);
    void OnValueChanged(TNotifyUI& msg);
    void OnMoveValueChanged(TNotifyUI& msg);
    void OnCheckClick(TNotifyUI& msg);
    void OnItemSelect(TNotifyUI& msg);

    // The lift-off slider's place for a stored position outside Data.ini's
    // range, whether a position has its own place, and the position a place
    // stands for.
    int LiftOffOutsidePlace() const;
    bool LiftOffOnSlider(int32_t position) const;
    int32_t LiftOffPosition(int place) const;

    void SetDpiStep(int level, int step);
    void SetKeyResponse(int value);
    // Disables the pointer settings the desktop does not take, each saying
    // why in its tooltip, and names the wheel settings it lacks in the note
    // beside the wheel title.
    void ShowDesktopPointer();
    void ChangeLevelCount(int index);
    void PickDpiColour(int level);

    std::array<DpiRow, 8> m_dpi{};
    std::array<COptionUI*, 4> m_rate{};
    CComboUI* m_pMaxDpiCombo = nullptr;
    CSliderUI* m_pMoveSpeed = nullptr;
    CSliderUI* m_pScrollSpeed = nullptr;
    CSliderUI* m_pDoubleClickSpeed = nullptr;
    CCheckBoxUI* m_pEnhancePointer = nullptr;
    CCheckBoxUI* m_pOnePage = nullptr;
    CLabelUI* m_pWheelNote = nullptr;
    // The value labels of the three pointer sliders, greyed with them.
    CLabelUI* m_pMoveSpeedValue = nullptr;
    CLabelUI* m_pDoubleClickValue = nullptr;
    CLabelUI* m_pScrollValue = nullptr;
    CSliderUI* m_pLiftOff = nullptr;
    int32_t m_liftOffOutside = kDefaultLiftOffDistance;  // the position of the outside place
    CControlUI* m_pLiftOffRow = nullptr;
    CCheckBoxUI* m_pDistance = nullptr;
    CControlUI* m_pDistanceRow = nullptr;
    CSliderUI* m_pKeyResponse = nullptr;

public:
    // Every control the page uses, with the member it goes into.
    static const ControlSpec kControls[];
};

inline constexpr ControlSpec CPerformancePage::kControls[] = {
    BindEach<&CPerformancePage::m_rate>("prate_%d_option", 1),
    BindEach<&CPerformancePage::m_dpi, &DpiRow::option>("mouse_dpi_btn_%d", 1),
    // A level without its slider or value label is skipped when shown. A
    // dragged slider writes its value label itself (bound in the skin).
    BindEach<&CPerformancePage::m_dpi, &DpiRow::value>("mouse_dpi_value_%d", 1).Optional(),
    BindEach<&CPerformancePage::m_dpi, &DpiRow::slider>("mouse_dpi%d_slider", 1).Optional(),
    BindEach<&CPerformancePage::m_dpi, &DpiRow::row>("dpi_setting_ver_%d", 1),
    BindEach<&CPerformancePage::m_dpi, &DpiRow::left>("label_dpi_left_%d", 1),
    BindEach<&CPerformancePage::m_dpi, &DpiRow::right>("label_dpi_right_%d", 1),
    BindEach<&CPerformancePage::m_dpi, &DpiRow::colour>("mouse_dpi_color%d", 1),
    Bind<&CPerformancePage::m_pMaxDpiCombo>("max_dpi_combo"),
    Bind<&CPerformancePage::m_pMoveSpeed>("mouse_move_speed_slider"),
    Bind<&CPerformancePage::m_pScrollSpeed>("scroll_speed_slider"),
    Bind<&CPerformancePage::m_pDoubleClickSpeed>("double_click_speed_slider"),
    Bind<&CPerformancePage::m_pEnhancePointer>("enhance_pointer_checkbox"),
    Bind<&CPerformancePage::m_pOnePage>("one_page_checkbox"),
    Bind<&CPerformancePage::m_pWheelNote>("label_wheel_unused"),
    Bind<&CPerformancePage::m_pMoveSpeedValue>("label_pointer_speed_value"),
    Bind<&CPerformancePage::m_pDoubleClickValue>("label_double_click_speed_value"),
    Bind<&CPerformancePage::m_pScrollValue>("label_scroll_lines_value"),
    Bind<&CPerformancePage::m_pLiftOff>("lift_of_distance_slider"),
    Bind<&CPerformancePage::m_pLiftOffRow>("lift_of_distance_ver"),
    Bind<&CPerformancePage::m_pDistance>("distance_checkbox"),
    Bind<&CPerformancePage::m_pDistanceRow>("distance_slider_ver"),
    Bind<&CPerformancePage::m_pKeyResponse>("key_response_slider"),
};
inline constexpr ControlTable kPerformancePageTable{"main.xml", "CPerformancePage",
                                                    CPerformancePage::kControls};
MOUSE_REGISTER_CONTROL_TABLE(kPerformancePageTable);

}  // namespace mouse
