// The select-macro dialog: the user picks a folder and one of its macros for
// a mouse button, with the repeat mode, the left-button option and the colour
// the mouse lights in that mode. The caller sets the in/out values, creates
// the dialog, starts the preselection (StartPreselection), runs it modally
// and reads the values back after result 1 (ok_btn).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "buttons/binding_choice_wnd.h"
#include "device/records.h"
#include "ui/ui.h"

namespace mouse {

inline constexpr ControlSpec kSelectMacroControls[] = {
    {"ok_btn", ControlKind::Button},       {"cancel_btn", ControlKind::Button},
    {"exit_btn", ControlKind::Button},     {"macro_combo", ControlKind::Combo},
    {"macro_list", ControlKind::List},     {"repeat_%d", ControlKind::Option, 1, 3},
    {"label_repeat", ControlKind::Label},  {"check_left_macro", ControlKind::CheckBox},
    {"tab_macro", ControlKind::TabLayout}, {"btn_gun_color", ControlKind::Button},
};
inline constexpr ControlTable kSelectMacroTable{"selectmacro.xml", "CSelectMacroWnd",
                                                kSelectMacroControls};
MOUSE_REGISTER_CONTROL_TABLE(kSelectMacroTable);

class CSelectMacroWnd : public CBindingChoiceWnd {
public:
    // Timer on macro_list that selects the bound macro once the dialog is up.
    static constexpr UINT kPreselectTimer = 1000;
    static constexpr UINT kPreselectMs = 100;

    // The dialog reads the macro list; it must outlive the dialog.
    explicit CSelectMacroWnd(const std::vector<std::unique_ptr<MacroRecord>>& macros);

    QString GetWindowClassName() const override { return QStringLiteral("SelectMacroWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("selectmacro.xml"); }

    // In: the button's macroIndex; out: the chosen list position, -1 none.
    void SetMacroIndex(int position) { m_iMacro = position; }
    int GetMacroIndex() const { return m_iMacro; }
    // The macro plays on the left button (function 57).
    void SetLeftButton(bool left) { m_bLeft = left; }
    bool GetLeftButton() const { return m_bLeft; }

    // Starts the preselection timer (id 1000, 100 ms) on macro_list through
    // this dialog's paint manager. Call after Create, before ShowModal.
    bool StartPreselection();

protected:
    void InitWindow() override;

private:
    void OnItemSelect(TNotifyUI& msg);
    void OnCheckClick(TNotifyUI& msg);
    void OnTimer(TNotifyUI& msg);
    void SelectFolder(int index);
    void Preselect();

    const std::vector<std::unique_ptr<MacroRecord>>& m_macros;
    int m_iMacro = -1;
    bool m_bLeft = false;

    int m_iFolder = -1;
    std::vector<std::u16string> m_folders;
    std::vector<int> m_positions;  // list position of each macro_list item
    bool m_bPreselected = false;

    CComboUI* m_pFolderCombo = nullptr;
    CListUI* m_pMacroList = nullptr;
    CCheckBoxUI* m_pLeft = nullptr;
    CTabLayoutUI* m_pTab = nullptr;
};

// Binds a button to the macro chosen in the dialog: function 22 (57 with the
// left-button option, which also takes the colour; otherwise the colour is
// 255), the position, the repeat mode and a copy of the macro's folder,
// name, actions, count and loops. A negative position, a folder record or a
// macro without actions leaves the entry unchanged and returns false.
bool ApplyMacroChoice(ButtonEntry& entry, const MacroRecord& macro, int position, int repeatMode,
                      bool leftButton, uint32_t colour);

}  // namespace mouse
