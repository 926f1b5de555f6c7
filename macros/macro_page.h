// The macro page: the macro library's folders and macros, and the editor of
// one macro's actions. Every edit goes into a working copy of the current
// macro and from there straight into its record, which is saved at once and
// carried into the buttons bound to it; the page has no apply step.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "app/page.h"
#include "macros/macro_recorder.h"
#include "store/macro_library.h"
#include "ui/control_table.h"
#include "ui/menu.h"
#include "ui/ui_types.h"

namespace mouse {

inline constexpr ControlSpec kMacroPageControls[] = {
    {"macro_combo", ControlKind::Combo},
    {"btn_add_macro_floder", ControlKind::Button},
    {"btn_delete_macro_floder", ControlKind::Button},
    {"btn_menu_macro_floder", ControlKind::Button},
    {"macro_list", ControlKind::List},
    {"btn_add_macro", ControlKind::Button},
    {"btn_delete_macro", ControlKind::Button},
    {"btn_menu_macro", ControlKind::Button},
    {"edit_macro_name", ControlKind::Edit},
    {"edit_loop_time", ControlKind::Edit},
    {"macro_delay_option_%d", ControlKind::Option, 1, 3},
    {"edit_default_delay", ControlKind::Edit},
    {"btn_record", ControlKind::CheckBox},
    {"macro_action_list", ControlKind::List},
    {"btn_macro_move_up", ControlKind::Button},
    {"btn_macro_move_down", ControlKind::Button},
    {"btn_macro_action_delete", ControlKind::Button},
    {"btn_macro_clear_all", ControlKind::Button},
    {"macro_key_hor", ControlKind::Control},
    {"edit_macro_action", ControlKind::Edit},
    {"macro_mouse_action_combo", ControlKind::Combo},
    {"macro_delay_hor", ControlKind::Control},
    {"edit_macro_delay", ControlKind::Edit},
    {"macro_mouse_move_hor", ControlKind::Control},
    {"edit_macro_action_x", ControlKind::Edit},
    {"edit_macro_action_y", ControlKind::Edit},
    {"btn_insert_move", ControlKind::Button},
    {"edit_insert_x", ControlKind::Edit},
    {"edit_insert_y", ControlKind::Edit},
};
inline constexpr ControlTable kMacroPageTable{"main.xml", "CMacroPage", kMacroPageControls};
MOUSE_REGISTER_CONTROL_TABLE(kMacroPageTable);

// One item of the action list.
inline constexpr ControlSpec kMacroListItemControls[] = {
    {"key", ControlKind::Label},
    {"action", ControlKind::Label},
    {"delay", ControlKind::Label},
};
inline constexpr ControlTable kMacroListItemTable{"macrolistitem.xml", "CMacroPage (action item)",
                                                  kMacroListItemControls};
MOUSE_REGISTER_CONTROL_TABLE(kMacroListItemTable);

// The folder menu and the macro menu: each item's name is its command.
inline constexpr ControlSpec kMacroDirMenuControls[] = {
    {"rename_macro_dir", ControlKind::Button},
    {"import_macro_dir", ControlKind::Button},
    {"export_macro_dir", ControlKind::Button},
};
inline constexpr ControlTable kMacroDirMenuTable{"macrodirmenu.xml", "CMacroPage (folder menu)",
                                                 kMacroDirMenuControls};
MOUSE_REGISTER_CONTROL_TABLE(kMacroDirMenuTable);

inline constexpr ControlSpec kMacroMenuControls[] = {
    {"rename_macro", ControlKind::Button},
    {"import_macro", ControlKind::Button},
    {"export_macro", ControlKind::Button},
};
inline constexpr ControlTable kMacroMenuTable{"macromenu.xml", "CMacroPage (macro menu)",
                                              kMacroMenuControls};
MOUSE_REGISTER_CONTROL_TABLE(kMacroMenuTable);

class CMacroPage : public CPage, public RecorderHost {
public:
    // Inserting a mouse move by hand needs fewer actions than this.
    static constexpr int kInsertMoveLimit = 36;
    static constexpr int kMinDelay = 10;
    static constexpr int kMaxDelay = 65535;
    static constexpr int kMaxMove = 32767;
    // Timer on the action list that reveals the insertion point.
    static constexpr UINT kRevealTimer = 3;
    static constexpr UINT kRevealMs = 50;
    // Timer on the action list that builds the items still missing, and how
    // many it builds per turn of the event loop.
    static constexpr UINT kFillTimer = 4;
    static constexpr int kItemsPerTurn = 6;

    CMacroPage(PageHost& host, CPaintManagerUI& manager);
    ~CMacroPage() override;
    void InitControls() override;

    // Fills the folder selector from the folder records of the macro list
    // and selects the first folder.
    void FillFolderList();
    // "rename_macro_dir", "import_macro_dir", "export_macro_dir",
    // "rename_macro", "import_macro", "export_macro".
    void OnMenuCommand(const QString& name) override;
    // Messages 0x500 / 0x501 of the input hook: recorded while recording,
    // the selected action's key during key capture.
    void OnHookEvent(UINT msg, WPARAM wParam, LPARAM lParam);
    bool IsRecording() const { return m_recorder != nullptr && m_recorder->Recording(); }
    int DelayMode() const { return m_recorder != nullptr ? m_recorder->DelayMode() : -1; }

    // What the page shows, for tests and the benchmark.
    bool IsFilling() const { return m_bFilling; }
    int SelectedFolder() const { return m_iFolder; }
    int CurrentMacroPosition() const { return m_iCurPos; }
    int SelectedAction() const { return m_work.selected; }
    int ActionCount() const { return m_work.count; }
    const MacroAction& Action(int i) const { return m_work.actions.at(size_t(i)); }
    const std::vector<int>& MacroPositions() const { return m_positions; }

private:
    void OnClick(TNotifyUI& msg);
    void OnSelectChanged(TNotifyUI& msg);
    void OnItemSelect(TNotifyUI& msg);
    void OnKillFocus(TNotifyUI& msg);
    void OnTextChanged(TNotifyUI& msg);
    void OnTimer(TNotifyUI& msg);
    void OnCheckClick(TNotifyUI& msg);
    void OnMouseEnter(TNotifyUI& msg);
    void OnMouseLeave(TNotifyUI& msg);
    void OnSetFocus(TNotifyUI& msg);
    void ToggleRecording();

    // RecorderHost
    bool HasCurrentMacro() const override { return m_pCurrent != nullptr; }
    void ShowRecording(bool recording) override;
    void ClearRecordCheck() override;
    long long DefaultDelayField() const override;
    void ShowCapturedKey(int index, uint8_t code) override;

    MacroLibrary& Library();
    std::vector<std::unique_ptr<MacroRecord>>& Macros();

    // Folders and macros.
    void SelectFolder(int index);
    void SelectMacro(int item);
    void ClearEditor();
    void LoadMacroIntoEditor();
    void AddFolder();
    void DeleteFolder();
    void RenameFolder();
    void AddMacro();
    void DeleteMacro();
    void RenameMacro();
    void ImportMacro();
    void ExportMacro();
    void ImportFolder();
    void ExportFolder();
    void OpenMenu(CButtonUI* anchor, const QString& skin);
    // Runs the name dialog in `mode` (0 add folder, 1 add macro, 2 rename
    // folder, 3 rename macro) under the overlay; the accepted name, or
    // nothing when the user cancelled.
    std::optional<std::u16string> AskName(int mode, const std::u16string& initial,
                                          const std::u16string& folder);
    // The message box under the overlay; true when the user confirmed.

    // The action list and its editor.
    void RebuildActionList() override;
    // Builds up to `budget` missing items; once the list is complete, selects
    // what the rebuild chose. FinishFill completes it at once (before any
    // handler that reads the list).
    void ContinueFill(int budget);
    void FinishFill();
    CControlUI* MakeItem(const MacroAction& action);
    // Fills an item; `moveLook` is the look of an item redrawn by a move.
    void FillItem(CControlUI* item, const MacroAction& action, bool moveLook = false,
                  bool zeroDelay = false);
    void ShowActionEditor(int index);
    void SelectAction(int index);
    void MoveAction(int by);
    void DeleteAction();
    void ClearAll();
    void InsertMouseMove();
    void SetMouseButton(int item);
    void CommitDelay();
    void CommitLoops();
    void CommitMove(bool y);

    // Writes the working copy into the current record, saves the library and
    // carries the macro into the buttons bound to it.
    void SaveCurrentMacro() override;
    // After a library change: 0x467 when the current profile is affected,
    // profile.bin saved once when a profile changed.
    void SaveMacroStore();

    // Controls.
    CComboUI* m_pFolderCombo = nullptr;
    CButtonUI* m_pAddFolder = nullptr;
    CButtonUI* m_pDeleteFolder = nullptr;
    CButtonUI* m_pFolderMenu = nullptr;
    CListUI* m_pMacroList = nullptr;
    CButtonUI* m_pAddMacro = nullptr;
    CButtonUI* m_pDeleteMacro = nullptr;
    CButtonUI* m_pMacroMenu = nullptr;
    CEditUI* m_pName = nullptr;
    CEditUI* m_pLoops = nullptr;
    COptionUI* m_pDelayMode[3] = {};
    CEditUI* m_pDefaultDelay = nullptr;
    CCheckBoxUI* m_pRecord = nullptr;
    CListUI* m_pActionList = nullptr;
    CButtonUI* m_pMoveUp = nullptr;
    CButtonUI* m_pMoveDown = nullptr;
    CButtonUI* m_pDeleteAction = nullptr;
    CButtonUI* m_pClearAll = nullptr;
    CControlUI* m_pKeyRow = nullptr;
    CEditUI* m_pKey = nullptr;
    CComboUI* m_pMouseButton = nullptr;
    CControlUI* m_pDelayRow = nullptr;
    CEditUI* m_pDelay = nullptr;
    CControlUI* m_pMoveRow = nullptr;
    CEditUI* m_pMoveX = nullptr;
    CEditUI* m_pMoveY = nullptr;
    CButtonUI* m_pInsertMove = nullptr;
    CEditUI* m_pInsertX = nullptr;
    CEditUI* m_pInsertY = nullptr;

    std::unique_ptr<MacroLibrary> m_library;

    // Folder names in selector order and the selected folder.
    std::vector<std::u16string> m_folders;
    int m_iFolder = -1;
    // List position of each item of macro_list.
    std::vector<int> m_positions;
    // Current macro: its position and record, set and cleared together.
    int m_iCurPos = -1;
    MacroRecord* m_pCurrent = nullptr;
    // Working copy of the current macro, with the selected action and the
    // insertion point; shared with the recorder.
    MacroWorkingCopy m_work;
    // A rebuild whose items are still being built, and the item it selects
    // when done (-1: none, the user chose one meanwhile).
    bool m_bFilling = false;
    bool m_bFillReveal = false;
    int m_iFillSelect = -1;
    std::unique_ptr<MacroRecorder> m_recorder;
    bool m_bToldUnavailable = false;
};

}  // namespace mouse
