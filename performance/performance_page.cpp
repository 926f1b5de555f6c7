#include "performance/performance_page.h"

#include "device/dpi_scale.h"
#include "device/encode.h"
#include "performance/colour_pick.h"
#include "ui/control_binding.h"
#include "ui/resource_manager.h"

namespace mouse {

namespace {

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
    BindControls(*m_pPM, kPerformancePageTable, *this);

    SetDpiScale();
    for (int i = 0; i < kDpiLevels; ++i) {
        if (CSliderUI* slider = m_dpi[size_t(i)].slider) {
            slider->SetValueText(
                [this](int step) { return QString::fromStdString(DpiStepText(step, Sensor())); });
        }
    }
    // The lift-off slider covers Data.ini's positions and, at its low end, one
    // place for a position outside them (a new profile's), where the mouse
    // receives what that position sends. Its label says the byte sent.
    const DeviceConfig& config = m_host.Config();
    m_pLiftOffRow->SetVisible(config.distance != 0);
    m_pLiftOff->SetMinValue(LiftOffOutsidePlace());
    m_pLiftOff->SetMaxValue(config.distanceMax);
    m_pLiftOff->SetValueText([this](int place) {
        return QString::number(LiftOffDistanceValue(LiftOffPosition(place), m_host.Config()));
    });
    ShowDesktopPointer();
}

void CPerformancePage::ShowDesktopPointer() {
    const PointerCapabilities offered = m_host.DesktopPointer();
    const QString desktop = QString::fromStdString(offered.desktop);
    auto say = [&desktop](const char* key) {
        return CResourceManager::GetInstance()->GetText(QString::fromLatin1(key)).arg(desktop);
    };
    struct Setting {
        CControlUI* control;
        CLabelUI* value;  // or null
        bool taken;
        const char* key;
    };
    const Setting settings[] = {
        {m_pMoveSpeed, m_pMoveSpeedValue, offered.speed, "pointer_speed_unavailable_text"},
        {m_pEnhancePointer, nullptr, offered.acceleration, "acceleration_unavailable_text"},
        {m_pDoubleClickSpeed, m_pDoubleClickValue, offered.doubleClick,
         "double_click_unavailable_text"},
        {m_pScrollSpeed, m_pScrollValue, offered.wheelLines, "wheel_lines_unavailable_text"},
        {m_pOnePage, nullptr, offered.onePage, "one_page_unavailable_text"},
    };
    for (const Setting& s : settings) {
        s.control->SetEnabled(s.taken);
        s.control->SetToolTip(s.taken ? QString() : say(s.key));
        if (s.value != nullptr) {
            s.value->SetEnabled(s.taken);
        }
    }
    const char* note = !offered.wheelLines && !offered.onePage ? "wheel_unavailable_text"
                       : !offered.wheelLines                   ? "wheel_lines_unavailable_text"
                       : !offered.onePage                      ? "one_page_unavailable_text"
                                                               : nullptr;
    m_pWheelNote->SetText(note != nullptr ? say(note) : QString());
    m_pWheelNote->SetVisible(note != nullptr);
}

int CPerformancePage::LiftOffOutsidePlace() const {
    return m_host.Config().distanceMin - 1;
}

bool CPerformancePage::LiftOffOnSlider(int32_t position) const {
    const DeviceConfig& config = m_host.Config();
    return position >= config.distanceMin && position <= config.distanceMax;
}

int32_t CPerformancePage::LiftOffPosition(int place) const {
    return place == LiftOffOutsidePlace() ? m_liftOffOutside : place;
}

void CPerformancePage::SetDpiScale() {
    const std::optional<DpiScale> scale = SensorDpiScale(Sensor());
    if (!scale) {
        return;
    }
    for (DpiRow& row : m_dpi) {
        row.left->SetText(QString::fromLatin1(scale->leftText));
        row.right->SetText(QString::fromLatin1(scale->rightText));
        if (row.slider != nullptr) {
            row.slider->SetMinValue(scale->minStep);
            row.slider->SetMaxValue(scale->maxStep);
        }
    }
}

void CPerformancePage::ShowDpiRows(int count) {
    for (int i = 0; i < kDpiLevels; ++i) {
        m_dpi[size_t(i)].row->SetVisible(i < count);
    }
}

void CPerformancePage::Refresh() {
    const ProfileRecord& p = Profile();
    // 1. How many levels are in use.
    m_pMaxDpiCombo->SelectItem(p.dpiLevelCount - 1, false);
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
        // The stored step is what the mouse receives, also where the slider
        // cannot reach it (a level a sensor's default leaves at 0).
        if (row.value != nullptr) {
            row.value->SetText(QString::fromStdString(DpiStepText(p.dpiValue[i], Sensor())));
        }
        row.colour->SetBkColor(ColourToArgb(p.dpiColour[i]));
    }
    // 4. Pointer settings, lift-off distance and its switch.
    m_pMoveSpeed->SetValue(p.pointerSpeed);
    m_pScrollSpeed->SetValue(p.scrollLines);
    m_pDoubleClickSpeed->SetValue(p.doubleClickSpeed);
    m_pEnhancePointer->SetCheck(p.enhancePointerPrecision != 0);
    m_pOnePage->SetCheck(p.onePageScroll != 0);
    // The outside place keeps a stored position that is off the slider; for
    // a profile whose position is on it, that place stands for a new
    // profile's position.
    const bool onSlider = LiftOffOnSlider(p.liftOffDistance);
    m_liftOffOutside = onSlider ? kDefaultLiftOffDistance : p.liftOffDistance;
    m_pLiftOff->SetValue(onSlider ? p.liftOffDistance : LiftOffOutsidePlace());
    m_pDistance->SetCheck(p.distanceEnabled != 0);
    m_pDistanceRow->SetVisible(p.distanceEnabled != 0);
    // 5. Key response.
    m_pKeyResponse->SetValue(p.keyResponse);
}

void CPerformancePage::SelectDpiLevel(int level) {
    if (level >= 1 && level <= kDpiLevels) {
        m_dpi[size_t(level - 1)].option->Selected(true, false);
    }
}

void CPerformancePage::ChooseDpiLevel(int level) {
    if (level >= 1 && level <= kDpiLevels) {
        m_dpi[size_t(level - 1)].option->Selected(true, true);
    }
}

void CPerformancePage::SelectReportRate(int index) {
    if (index >= 0 && index < 4) {
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
        if (msg.pSender == m_rate[size_t(i)]) {
            Profile().reportRateIndex = i;
            return;
        }
    }
    if (const int level = LevelOf(msg.pSender, &DpiRow::option)) {
        Profile().currentDpiLevel = level - 1;
    }
}

void CPerformancePage::OnValueChanged(TNotifyUI& msg) {
    const int value = SliderValue(msg);
    ProfileRecord& p = Profile();
    if (msg.pSender == m_pMoveSpeed) {
        p.pointerSpeed = value;
    } else if (msg.pSender == m_pScrollSpeed) {
        p.scrollLines = value;
    } else if (msg.pSender == m_pDoubleClickSpeed) {
        p.doubleClickSpeed = value;
    } else if (msg.pSender == m_pLiftOff) {
        p.liftOffDistance = LiftOffPosition(value);
    } else {
        // Key response and DPI steps follow a drag as well as its end.
        OnMoveValueChanged(msg);
    }
}

void CPerformancePage::OnMoveValueChanged(TNotifyUI& msg) {
    // The speed and lift-off sliders ignore drags: they change on release.
    if (msg.pSender == m_pKeyResponse) {
        SetKeyResponse(SliderValue(msg));
    } else if (const int level = LevelOf(msg.pSender, &DpiRow::slider)) {
        SetDpiStep(level, SliderValue(msg));
    }
}

void CPerformancePage::OnCheckClick(TNotifyUI& msg) {
    ProfileRecord& p = Profile();
    if (msg.pSender == m_pEnhancePointer) {
        p.enhancePointerPrecision = m_pEnhancePointer->GetCheck() ? 1 : 0;
    } else if (msg.pSender == m_pOnePage) {
        p.onePageScroll = m_pOnePage->GetCheck() ? 1 : 0;
    } else if (msg.pSender == m_pDistance) {
        const bool on = m_pDistance->GetCheck();
        p.distanceEnabled = on ? 1 : 0;
        m_pDistanceRow->SetVisible(on);
    }
}

void CPerformancePage::OnItemSelect(TNotifyUI& msg) {
    if (msg.pSender == m_pMaxDpiCombo) {
        ChangeLevelCount(int(msg.wParam));
    }
}

void CPerformancePage::SetDpiStep(int level, int step) {
    Profile().dpiValue[level - 1] = step;
}

void CPerformancePage::SetKeyResponse(int value) {
    Profile().keyResponse = uint8_t(value);
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
        m_dpi[size_t(index)].option->Selected(true, true);
    }
    ShowDpiRows(p.dpiLevelCount);
}

void CPerformancePage::PickDpiColour(int level) {
    uint32_t argb = ColourToArgb(Profile().dpiColour[level - 1]);
    if (!PickColour(m_host.DialogOwner(), argb)) {
        return;  // cancelled: swatch and colour stay
    }
    m_dpi[size_t(level - 1)].colour->SetBkColor(argb);
    Profile().dpiColour[level - 1] = ArgbToColour(argb);
}

}  // namespace mouse
