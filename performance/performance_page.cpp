#include "performance/performance_page.h"

#include "device/dpi_scale.h"
#include "performance/colour_pick.h"
#include "ui/text.h"

namespace mouse {

namespace {

QString KeyResponseText(int ms) {
    return QStringLiteral("%1 ms").arg(ms);
}

// The value a slider notification carries.
int SliderValue(const TNotifyUI& msg) {
    return int(intptr_t(msg.wParam));
}

}  // namespace

CPerformancePage::CPerformancePage(PageHost& host, CPaintManagerUI& manager)
    : CPage(host, manager) {
    OnNotify(ev::kClick, &CPerformancePage::OnClick);
    OnNotify(ev::kSelectChanged, &CPerformancePage::OnSelectChanged);
    OnNotify(ev::kValueChanged, &CPerformancePage::OnValueChanged);
    OnNotify(ev::kMoveValueChanged, &CPerformancePage::OnMoveValueChanged);
    OnNotify(ev::kCheckClick, &CPerformancePage::OnCheckClick);
    OnNotify(ev::kItemSelect, &CPerformancePage::OnItemSelect);
}

ProfileRecord& CPerformancePage::Profile() {
    return m_host.CurrentProfile();
}

int CPerformancePage::Sensor() const {
    return m_host.Config().sensor;
}

template <typename Member>
int CPerformancePage::LevelOf(const CControlUI* sender, Member member) const {
    for (int i = 0; i < kDpiLevels; ++i) {
        if (sender != nullptr && m_dpi[size_t(i)].*member == sender) {
            return i + 1;
        }
    }
    return 0;
}

void CPerformancePage::InitControls() {
    CPaintManagerUI& pm = *m_pPM;
    for (int i = 0; i < 4; ++i) {
        m_rate[size_t(i)] = pm.FindControl<COptionUI>(Numbered("prate_%d_option", i + 1));
    }
    for (int level = 1; level <= kDpiLevels; ++level) {
        DpiRow& row = m_dpi[size_t(level - 1)];
        row.option = pm.FindControl<COptionUI>(Numbered("mouse_dpi_btn_%d", level));
        row.value = pm.TryFindControl<CLabelUI>(Numbered("mouse_dpi_value_%d", level));
        row.slider = pm.TryFindControl<CSliderUI>(Numbered("mouse_dpi%d_slider", level));
        row.row = pm.FindControl(Numbered("dpi_setting_ver_%d", level));
        row.left = pm.FindControl<CLabelUI>(Numbered("label_dpi_left_%d", level));
        row.right = pm.FindControl<CLabelUI>(Numbered("label_dpi_right_%d", level));
        row.colour = pm.FindControl<CButtonUI>(Numbered("mouse_dpi_color%d", level));
    }
    m_pMaxDpiCombo = pm.FindControl<CComboUI>(QStringLiteral("max_dpi_combo"));
    m_pMoveSpeed = pm.FindControl<CSliderUI>(QStringLiteral("mouse_move_speed_slider"));
    m_pScrollSpeed = pm.FindControl<CSliderUI>(QStringLiteral("scroll_speed_slider"));
    m_pDoubleClickSpeed = pm.FindControl<CSliderUI>(QStringLiteral("double_click_speed_slider"));
    m_pEnhancePointer = pm.FindControl<CCheckBoxUI>(QStringLiteral("enhance_pointer_checkbox"));
    m_pOnePage = pm.FindControl<CCheckBoxUI>(QStringLiteral("one_page_checkbox"));
    m_pLiftOff = pm.FindControl<CSliderUI>(QStringLiteral("lift_of_distance_slider"));
    m_pLiftOffRow = pm.FindControl(QStringLiteral("lift_of_distance_ver"));
    m_pDistance = pm.FindControl<CCheckBoxUI>(QStringLiteral("distance_checkbox"));
    m_pDistanceRow = pm.FindControl(QStringLiteral("distance_slider_ver"));
    m_pKeyResponse = pm.FindControl<CSliderUI>(QStringLiteral("key_response_slider"));
    m_pKeyResponseLabel = pm.FindControl<CLabelUI>(QStringLiteral("label_key_respsonse"));

    SetDpiScale();
    const DeviceConfig& config = m_host.Config();
    if (m_pLiftOffRow != nullptr) {
        m_pLiftOffRow->SetVisible(config.distance != 0);
    }
    if (m_pLiftOff != nullptr) {
        m_pLiftOff->SetMinValue(config.distanceMin);
        m_pLiftOff->SetMaxValue(config.distanceMax);
    }
}

void CPerformancePage::SetDpiScale() {
    const std::optional<DpiScale> scale = SensorDpiScale(Sensor());
    if (!scale) {
        return;
    }
    for (DpiRow& row : m_dpi) {
        if (row.left != nullptr) {
            row.left->SetText(QString::fromLatin1(scale->leftText));
        }
        if (row.right != nullptr) {
            row.right->SetText(QString::fromLatin1(scale->rightText));
        }
        if (row.slider != nullptr) {
            row.slider->SetMinValue(scale->minStep);
            row.slider->SetMaxValue(scale->maxStep);
        }
    }
}

void CPerformancePage::ShowDpiRows(int count) {
    for (int i = 0; i < kDpiLevels; ++i) {
        if (CControlUI* row = m_dpi[size_t(i)].row) {
            row->SetVisible(i < count);
        }
    }
}

void CPerformancePage::Refresh() {
    const ProfileRecord& p = Profile();
    // 1. How many levels are in use.
    if (m_pMaxDpiCombo != nullptr) {
        m_pMaxDpiCombo->SelectItem(p.dpiLevelCount - 1, false);
    }
    ShowDpiRows(p.dpiLevelCount);
    // 2. Report rate and current level.
    SelectReportRate(p.reportRateIndex);
    SelectDpiLevel(p.currentDpiLevel + 1);
    // 3. Each level's step, its DPI text and its colour.
    for (int i = 0; i < kDpiLevels; ++i) {
        const DpiRow& row = m_dpi[size_t(i)];
        if (row.slider != nullptr) {
            row.slider->SetValue(p.dpiValue[i]);
        }
        if (row.value != nullptr) {
            row.value->SetText(QString::fromStdString(DpiStepText(p.dpiValue[i], Sensor())));
        }
        if (row.colour != nullptr) {
            row.colour->SetBkColor(ColourToArgb(p.dpiColour[i]));
        }
    }
    // 4. Pointer settings, lift-off distance and its switch.
    if (m_pMoveSpeed != nullptr) {
        m_pMoveSpeed->SetValue(p.pointerSpeed);
    }
    if (m_pScrollSpeed != nullptr) {
        m_pScrollSpeed->SetValue(p.scrollLines);
    }
    if (m_pDoubleClickSpeed != nullptr) {
        m_pDoubleClickSpeed->SetValue(p.doubleClickSpeed);
    }
    if (m_pEnhancePointer != nullptr) {
        m_pEnhancePointer->SetCheck(p.enhancePointerPrecision != 0);
    }
    if (m_pOnePage != nullptr) {
        m_pOnePage->SetCheck(p.onePageScroll != 0);
    }
    if (m_pLiftOff != nullptr) {
        m_pLiftOff->SetValue(p.liftOffDistance);
    }
    if (m_pDistance != nullptr) {
        m_pDistance->SetCheck(p.distanceEnabled != 0);
    }
    if (m_pDistanceRow != nullptr) {
        m_pDistanceRow->SetVisible(p.distanceEnabled != 0);
    }
    // 5. Key response.
    if (m_pKeyResponse != nullptr) {
        m_pKeyResponse->SetValue(p.keyResponse);
    }
    if (m_pKeyResponseLabel != nullptr) {
        m_pKeyResponseLabel->SetText(KeyResponseText(p.keyResponse));
    }
}

void CPerformancePage::SelectDpiLevel(int level) {
    if (level >= 1 && level <= kDpiLevels && m_dpi[size_t(level - 1)].option != nullptr) {
        m_dpi[size_t(level - 1)].option->Selected(true, false);
    }
}

void CPerformancePage::SelectReportRate(int index) {
    if (index >= 0 && index < 4 && m_rate[size_t(index)] != nullptr) {
        m_rate[size_t(index)]->Selected(true, false);
    }
}

// ---- notifications ----------------------------------------------------------

void CPerformancePage::OnClick(TNotifyUI& msg) {
    if (const int level = LevelOf(msg.pSender, &DpiRow::colour)) {
        PickDpiColour(level);
    }
}

void CPerformancePage::OnSelectChanged(TNotifyUI& msg) {
    for (int i = 0; i < 4; ++i) {
        if (msg.pSender != nullptr && msg.pSender == m_rate[size_t(i)]) {
            Profile().reportRateIndex = i;
            return;
        }
    }
    if (const int level = LevelOf(msg.pSender, &DpiRow::option)) {
        Profile().currentDpiLevel = level - 1;
    }
}

void CPerformancePage::OnValueChanged(TNotifyUI& msg) {
    if (msg.pSender == nullptr) {
        return;
    }
    const int value = SliderValue(msg);
    ProfileRecord& p = Profile();
    if (msg.pSender == m_pMoveSpeed) {
        p.pointerSpeed = value;
    } else if (msg.pSender == m_pScrollSpeed) {
        p.scrollLines = value;
    } else if (msg.pSender == m_pDoubleClickSpeed) {
        p.doubleClickSpeed = value;
    } else if (msg.pSender == m_pLiftOff) {
        p.liftOffDistance = value;
    } else {
        // Key response and DPI steps follow a drag as well as its end.
        OnMoveValueChanged(msg);
    }
}

void CPerformancePage::OnMoveValueChanged(TNotifyUI& msg) {
    // The speed and lift-off sliders ignore drags: they change on release.
    if (msg.pSender == nullptr) {
        return;
    }
    if (msg.pSender == m_pKeyResponse) {
        SetKeyResponse(SliderValue(msg));
    } else if (const int level = LevelOf(msg.pSender, &DpiRow::slider)) {
        SetDpiStep(level, SliderValue(msg));
    }
}

void CPerformancePage::OnCheckClick(TNotifyUI& msg) {
    if (msg.pSender == nullptr) {
        return;
    }
    ProfileRecord& p = Profile();
    if (msg.pSender == m_pEnhancePointer) {
        p.enhancePointerPrecision = m_pEnhancePointer->GetCheck() ? 1 : 0;
    } else if (msg.pSender == m_pOnePage) {
        p.onePageScroll = m_pOnePage->GetCheck() ? 1 : 0;
    } else if (msg.pSender == m_pDistance) {
        const bool on = m_pDistance->GetCheck();
        p.distanceEnabled = on ? 1 : 0;
        if (m_pDistanceRow != nullptr) {
            m_pDistanceRow->SetVisible(on);
        }
    }
}

void CPerformancePage::OnItemSelect(TNotifyUI& msg) {
    if (msg.pSender != nullptr && msg.pSender == m_pMaxDpiCombo) {
        ChangeLevelCount(int(msg.wParam));
    }
}

void CPerformancePage::SetDpiStep(int level, int step) {
    Profile().dpiValue[level - 1] = step;
    if (CLabelUI* value = m_dpi[size_t(level - 1)].value) {
        value->SetText(QString::fromStdString(DpiStepText(step, Sensor())));
    }
}

void CPerformancePage::SetKeyResponse(int value) {
    Profile().keyResponse = uint8_t(value);
    if (m_pKeyResponseLabel != nullptr) {
        m_pKeyResponseLabel->SetText(KeyResponseText(Profile().keyResponse));
    }
}

void CPerformancePage::ChangeLevelCount(int index) {
    if (index < 0 || index >= kDpiLevels) {
        return;
    }
    ProfileRecord& p = Profile();
    p.dpiLevelCount = uint8_t(index + 1);
    // A current level beyond the new count moves to the last level in use.
    if (p.currentDpiLevel > index) {
        p.currentDpiLevel = index;
        if (COptionUI* option = m_dpi[size_t(index)].option) {
            option->Selected(true, true);
        }
    }
    ShowDpiRows(p.dpiLevelCount);
}

void CPerformancePage::PickDpiColour(int level) {
    uint32_t argb = ColourToArgb(Profile().dpiColour[level - 1]);
    if (!PickColour(m_host.DialogOwner(), argb)) {
        return;  // cancelled: swatch and colour stay
    }
    if (CButtonUI* swatch = m_dpi[size_t(level - 1)].colour) {
        swatch->SetBkColor(argb);
    }
    Profile().dpiColour[level - 1] = ArgbToColour(argb);
}

}  // namespace mouse
