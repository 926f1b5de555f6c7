// The recoil-preset page: the preset library's folders and presets, and the
// editor of one preset: its bullet count and, per bullet, a delay and an x
// and y offset, with a plot of the resulting pattern. Every edit is written
// into the current preset's record at once, saved, and copied into the
// mouse buttons bound to it.
#pragma once

#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/library_page.h"
#include "ui/control_table.h"
#include "ui/menu.h"
#include "ui/pattern_plot.h"

namespace mouse {

// A number as typed into a row: leading blanks, an optional sign and decimal
// digits, read up to the first other character; no digits gives 0. Values
// beyond +-1000000 come back as +-1000000 (they are clamped further anyway).
int ParseGunNumber(const QString& text);

class CGunPage : public CLibraryPage<GunTraits> {
public:
    enum class Field { Delay, X, Y };

    CGunPage(PageHost& host, CPaintManagerUI& manager);
    ~CGunPage() override;

    void InitControls() override;
    // Writes the working copy into the current preset, saves the list and
    // brings the bound buttons in step; nothing without a current preset.
    void SaveCurrentGun();

    // The working copy, for tests.
    int WorkingCount() const { return m_count; }
    const BulletRow& WorkingRow(int row) const { return m_rows[size_t(row)]; }

private:
    struct Row {
        CControlUI* container = nullptr;
        CEditUI* edit[3] = {};  // by Field
        // Per field: the button that subtracts one and the one that adds one.
        // For x these are zidan_x_up_btn (left) and zidan_x_down_btn (right).
        CButtonUI* less[3] = {};
        CButtonUI* more[3] = {};
    };

    void OnClick(TNotifyUI& msg);
    void OnItemSelect(TNotifyUI& msg);
    void OnKillFocus(TNotifyUI& msg);
    void OnSetFocus(TNotifyUI& msg);
    void OnTextChanged(TNotifyUI& msg);

    // CLibraryPage: shows the current preset's count, rows and pattern.
    void ShowCurrent() override;
    void SaveCurrent() override { SaveCurrentGun(); }

    void SetBulletCount(int count);
    void ArrowStep(int row, Field field, int delta);
    void TakeTypedValue(int row, Field field);
    void LimitText(int row, Field field);

    // Shows rows 1..count and hides the others.
    void ShowRows(int count);
    void ShowRowValues(int row);
    void RefreshPlot();
    // The row and field of a row control, false when it is none.
    bool FindRowEdit(const CControlUI* sender, int& row, Field& field) const;

    // The working copy: the bullet count and the 30 rows as last shown or
    // edited.
    int m_count = 0;
    std::array<BulletRow, kMaxBullets> m_rows{};

    CComboUI* m_pCountCombo = nullptr;
    CPatternPlotUI* m_pPlot = nullptr;
    std::array<Row, kMaxBullets> m_row{};

public:
    // Every control the page uses, with the member it goes into.
    static const ControlSpec kControls[];
};

inline constexpr ControlSpec CGunPage::kControls[] = {
    Bind<&CGunPage::m_pFolderCombo>("gun_combo"),
    Bind<&CGunPage::m_pAddFolder>("btn_add_gun_floder"),
    Bind<&CGunPage::m_pDeleteFolder>("btn_delete_gun_floder"),
    Bind<&CGunPage::m_pFolderMenu>("btn_menu_gun_floder"),
    Bind<&CGunPage::m_pList>("gun_list"),
    Bind<&CGunPage::m_pAddItem>("btn_add_gun"),
    Bind<&CGunPage::m_pDeleteItem>("btn_delete_gun"),
    Bind<&CGunPage::m_pItemMenu>("btn_menu_gun"),
    Bind<&CGunPage::m_pName>("edit_gun_name"),
    Bind<&CGunPage::m_pCountCombo>("zidan_combo"),
    BindEach<&CGunPage::m_row, &Row::container>("ver_zidan_num_%d", 1),
    BindEach<&CGunPage::m_row, &Row::edit, int(Field::Delay)>("edit_zidan_delay_%d", 1),
    BindEach<&CGunPage::m_row, &Row::edit, int(Field::X)>("edit_zidan_x_%d", 1),
    BindEach<&CGunPage::m_row, &Row::edit, int(Field::Y)>("edit_zidan_y_%d", 1),
    BindEach<&CGunPage::m_row, &Row::more, int(Field::Delay)>("zidan_delay_up_btn_%d", 1),
    BindEach<&CGunPage::m_row, &Row::less, int(Field::Delay)>("zidan_delay_down_btn_%d", 1),
    // x runs the other way: its "up" button subtracts one.
    BindEach<&CGunPage::m_row, &Row::less, int(Field::X)>("zidan_x_up_btn_%d", 1),
    BindEach<&CGunPage::m_row, &Row::more, int(Field::X)>("zidan_x_down_btn_%d", 1),
    BindEach<&CGunPage::m_row, &Row::more, int(Field::Y)>("zidan_y_up_btn_%d", 1),
    BindEach<&CGunPage::m_row, &Row::less, int(Field::Y)>("zidan_y_down_btn_%d", 1),
    Bind<&CGunPage::m_pPlot>("gun_pattern_plot"),
};
inline constexpr ControlTable kGunPageTable{"main.xml", "CGunPage", CGunPage::kControls};
MOUSE_REGISTER_CONTROL_TABLE(kGunPageTable);

}  // namespace mouse
