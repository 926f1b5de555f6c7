// The select-preset dialog: the button page binds a mouse button to a recoil
// preset with it. The user picks a folder and one of its presets, one of
// three repeat modes and a colour. The caller sets the button's values,
// creates the window, starts the preselection (which shows the bound preset
// on the first tick), runs it modally and reads the values back after
// result 1 (ok_btn); cancel_btn, exit_btn, Escape and the window system's
// close give 0. The dialog changes neither the preset list nor a profile.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "buttons/binding_choice_wnd.h"
#include "device/records.h"
#include "ui/ui.h"

namespace mouse {

inline constexpr ControlSpec kSelectGunControls[] = {
    {"ok_btn", ControlKind::Button},          {"cancel_btn", ControlKind::Button},
    {"exit_btn", ControlKind::Button},        {"gun_list", ControlKind::List},
    {"gun_combo", ControlKind::Combo},        {"btn_gun_color", ControlKind::Button},
    {"repeat_%d", ControlKind::Option, 1, 3}, {"label_repeat", ControlKind::Label},
};
inline constexpr ControlTable kSelectGunTable{"selectgun.xml", "CSelectGunWnd", kSelectGunControls};
MOUSE_REGISTER_CONTROL_TABLE(kSelectGunTable);

class CSelectGunWnd : public CBindingChoiceWnd {
public:
    static constexpr UINT kPreselectTimer = 1000;
    static constexpr UINT kPreselectMs = 100;

    // The preset list must outlive the dialog.
    explicit CSelectGunWnd(const std::vector<std::unique_ptr<GunRecord>>& guns);

    QString GetWindowClassName() const override { return QStringLiteral("SelectGunWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("selectgun.xml"); }

    // The chosen preset's list position, -1 for none.
    void SetGunIndex(int position) { m_gunIndex = position; }
    int GetGunIndex() const { return m_gunIndex; }

    // Starts the preselection timer (id 1000, 100 ms) on gun_list; call it
    // after Create and before ShowModal. False without a gun_list.
    bool StartPreselection();

    // The folder names of gun_combo, in selector order, and the list
    // positions behind the items of gun_list (for tests).
    const std::vector<std::u16string>& FolderNames() const { return m_folderNames; }
    const std::vector<int>& ShownPositions() const { return m_shown; }

protected:
    void InitWindow() override;

private:
    void OnItemSelect(TNotifyUI& msg);
    void OnTimer(TNotifyUI& msg);
    void ShowFolder(int index);
    void Preselect();

    const std::vector<std::unique_ptr<GunRecord>>& m_guns;
    int m_gunIndex = -1;
    std::vector<std::u16string> m_folderNames;
    int m_selectedFolder = -1;
    std::vector<int> m_shown;

    CListUI* m_pGunList = nullptr;
    CComboUI* m_pFolderCombo = nullptr;
};

// Binds a button entry to the preset `gun` at list position `position` as
// the dialog chose it: the repeat mode, the position and the colour, the
// preset's bullet count, name, folder, rows and its byte 202, and the
// recoil-preset function (121). The text fields are zeroed past the name, so
// nothing of an earlier, longer binding stays behind.
void ApplyGunChoice(ButtonEntry& entry, const GunRecord& gun, int position, int repeatMode,
                    uint32_t colour);

}  // namespace mouse
