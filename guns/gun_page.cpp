#include "guns/gun_page.h"

#include <algorithm>

#include "ui/control_binding.h"
#include "ui/text.h"
#include "ui/typed_number.h"

namespace mouse {

namespace {

constexpr int kFields = 3;

// The values a bullet row can hold. Typed values are clamped to them and
// the arrows stop at them: the mouse takes x and y as one signed byte each
// and the delay in tens of milliseconds in one byte, so a value beyond them
// would reach the mouse wrapped (an x of 128 as -128, the correction turned
// round) or as a delay of 0.
int FieldMin(CGunPage::Field field) {
    return field == CGunPage::Field::Delay ? kMinBulletDelay : -kMaxBulletOffset;
}
int FieldMax(CGunPage::Field field) {
    return field == CGunPage::Field::Delay ? kMaxBulletDelay : kMaxBulletOffset;
}

int RowValue(const BulletRow& row, CGunPage::Field field) {
    switch (field) {
        case CGunPage::Field::Delay:
            return row.delay;
        case CGunPage::Field::X:
            return row.x;
        case CGunPage::Field::Y:
            return row.y;
    }
    return 0;
}

void SetRowValue(BulletRow& row, CGunPage::Field field, int value) {
    switch (field) {
        case CGunPage::Field::Delay:
            row.delay = uint16_t(value);
            break;
        case CGunPage::Field::X:
            row.x = value;
            break;
        case CGunPage::Field::Y:
            row.y = value;
            break;
    }
}

const LibraryPageNames kGunPageNames{"gun", "gbin", "Gun Data", kGunNameTexts};

}  // namespace

int ParseGunNumber(const QString& text) {
    return int(ReadTypedNumber(text, 1000000));
}

CGunPage::CGunPage(PageHost& host, CPaintManagerUI& manager)
    : CLibraryPage(host, manager, kGunPageNames) {
    OnNotify(ev::kClick, &CGunPage::OnClick);
    OnNotify(ev::kItemSelect, &CGunPage::OnItemSelect);
    OnNotify(ev::kKillFocus, &CGunPage::OnKillFocus);
    OnNotify(ev::kSetFocus, &CGunPage::OnSetFocus);
    OnNotify(ev::kTextChanged, &CGunPage::OnTextChanged);
    for (BulletRow& row : m_rows) {
        row = BulletRow{0, 0, 0, uint16_t(kMinBulletDelay)};
    }
}

CGunPage::~CGunPage() = default;

void CGunPage::InitControls() {
    BindControls(*m_pPM, kGunPageTable, *this);
    InitLibrary();
    ShowCurrent();
}

// ------------------------------------------------------------ the editor

void CGunPage::ShowCurrent() {
    if (m_current == nullptr) {
        m_count = 0;
        for (BulletRow& row : m_rows) {
            row = BulletRow{0, 0, 0, uint16_t(kMinBulletDelay)};
        }
        m_pCountCombo->SelectItem(-1, false);
    } else {
        m_count = m_current->bulletCount;
        std::copy(std::begin(m_current->bullets), std::end(m_current->bullets), m_rows.begin());
        // A count of 0 (or one the selector does not have) shows no item.
        const int item = m_count - 1;
        m_pCountCombo->SelectItem(item < m_pCountCombo->GetCount() ? item : -1, false);
    }
    for (int r = 0; r < kMaxBullets; ++r) {
        ShowRowValues(r);
    }
    ShowRows(m_count);
    RefreshPlot();
}

void CGunPage::ShowRows(int count) {
    for (int r = 0; r < kMaxBullets; ++r) {
        m_row[size_t(r)].container->SetVisible(r < count);
    }
}

void CGunPage::ShowRowValues(int row) {
    const Row& controls = m_row[size_t(row)];
    for (int f = 0; f < kFields; ++f) {
        controls.edit[f]->SetText(QString::number(RowValue(m_rows[size_t(row)], Field(f))));
    }
}

void CGunPage::RefreshPlot() {
    std::vector<QPoint> steps;
    const int count = std::clamp(m_count, 0, kMaxBullets);
    steps.reserve(size_t(count));
    for (int r = 0; r < count; ++r) {
        steps.emplace_back(m_rows[size_t(r)].x, m_rows[size_t(r)].y);
    }
    m_pPlot->SetSteps(steps);
}

void CGunPage::SetBulletCount(int count) {
    m_count = count;
    ShowRows(count);
    RefreshPlot();
    SaveCurrentGun();
}

void CGunPage::ArrowStep(int row, Field field, int delta) {
    CEditUI* edit = m_row[size_t(row)].edit[int(field)];
    // The arrows start from what the edit shows (it may hold a value typed
    // but not yet taken) and never leave the range of typed values.
    const int value =
        std::clamp(ParseGunNumber(edit->GetText()) + delta, FieldMin(field), FieldMax(field));
    SetRowValue(m_rows[size_t(row)], field, value);
    edit->SetText(QString::number(value));
    RefreshPlot();
    SaveCurrentGun();
}

void CGunPage::TakeTypedValue(int row, Field field) {
    CEditUI* edit = m_row[size_t(row)].edit[int(field)];
    // The edit then shows the number stored, also for text that was no
    // number (stored as 0, or 10 for a delay).
    const int value = std::clamp(ParseGunNumber(edit->GetText()), FieldMin(field), FieldMax(field));
    edit->SetText(QString::number(value));
    SetRowValue(m_rows[size_t(row)], field, value);
    RefreshPlot();
    SaveCurrentGun();
}

void CGunPage::LimitText(int row, Field field) {
    CEditUI* edit = m_row[size_t(row)].edit[int(field)];
    if (field == Field::Delay) {
        return;
    }
    const int typed = ParseGunNumber(edit->GetText());
    if (typed > kMaxBulletOffset) {
        edit->SetText(QString::number(kMaxBulletOffset));
    } else if (typed < -kMaxBulletOffset) {
        edit->SetText(QString::number(-kMaxBulletOffset));
    }
}

void CGunPage::SaveCurrentGun() {
    if (m_current == nullptr) {
        return;  // the working copy keeps the edit
    }
    m_current->bulletCount = uint8_t(m_count);
    std::copy(m_rows.begin(), m_rows.end(), std::begin(m_current->bullets));
    Lib().Save();
    ApplyBindingChange(Lib().PropagateItem(m_position, false));
}

// ------------------------------------------------------------ notifications

bool CGunPage::FindRowEdit(const CControlUI* sender, int& row, Field& field) const {
    for (int r = 0; r < kMaxBullets; ++r) {
        for (int f = 0; f < kFields; ++f) {
            if (m_row[size_t(r)].edit[f] == sender) {
                row = r;
                field = Field(f);
                return true;
            }
        }
    }
    return false;
}

void CGunPage::OnClick(TNotifyUI& msg) {
    if (OnLibraryClick(msg)) {
        return;
    }
    for (int r = 0; r < kMaxBullets; ++r) {
        for (int f = 0; f < kFields; ++f) {
            if (msg.pSender == m_row[size_t(r)].less[f]) {
                ArrowStep(r, Field(f), -1);
                return;
            }
            if (msg.pSender == m_row[size_t(r)].more[f]) {
                ArrowStep(r, Field(f), +1);
                return;
            }
        }
    }
}

void CGunPage::OnItemSelect(TNotifyUI& msg) {
    if (OnLibraryItemSelect(msg)) {
        return;
    }
    if (msg.pSender == m_pCountCombo) {
        SetBulletCount(int(msg.wParam) + 1);
    }
}

void CGunPage::OnKillFocus(TNotifyUI& msg) {
    if (OnLibraryKillFocus(msg)) {
        return;
    }
    int row = 0;
    Field field = Field::Delay;
    if (FindRowEdit(msg.pSender, row, field)) {
        TakeTypedValue(row, field);
    }
}

void CGunPage::OnSetFocus(TNotifyUI& msg) {
    // The plot rings the bullet whose row the user is in.
    int row = 0;
    Field field = Field::Delay;
    if (FindRowEdit(msg.pSender, row, field)) {
        m_pPlot->SetHighlight(row);
    }
}

void CGunPage::OnTextChanged(TNotifyUI& msg) {
    int row = 0;
    Field field = Field::Delay;
    if (FindRowEdit(msg.pSender, row, field)) {
        LimitText(row, field);
    }
}

}  // namespace mouse
