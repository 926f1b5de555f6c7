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

#include "app/library_page.h"
#include "macros/macro_recorder.h"
#include "ui/control_table.h"
#include "ui/menu.h"
#include "ui/ui_types.h"

namespace mouse {

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

class CMacroPage : public CLibraryPage<MacroTraits>, public RecorderHost {
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

    // Messages 0x500 / 0x501 of the input hook: recorded while recording,
    // the selected action's key during key capture.
    void OnHookEvent(UINT msg, WPARAM wParam, LPARAM lParam);
    bool IsRecording() const { return m_recorder != nullptr && m_recorder->Recording(); }
    // Ends a recording (the main window calls it when another tab is shown:
    // the keys typed there are not meant for the macro).
    void StopRecording() {
        if (m_recorder != nullptr) {
            m_recorder->StopRecording();
        }
    }
    int DelayMode() const { return m_recorder != nullptr ? m_recorder->DelayMode() : -1; }

    // What the page shows, for tests and the benchmark.
    bool IsFilling() const { return m_bFilling; }
    int SelectedAction() const { return m_work.selected; }
    int ActionCount() const { return m_work.count; }
    const MacroAction& Action(int i) const { return m_work.actions.at(size_t(i)); }

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
    bool HasCurrentMacro() const override { return m_current != nullptr; }
    void ShowRecording(bool recording) override;
    void ClearRecordCheck() override;
    long long DefaultDelayField() const override;
    void ShowCapturedKey(int index, uint8_t code) override;

    // CLibraryPage: the editor shows the current macro (or nothing); a list
    // still filling completes before a command; a recording ends before
    // another macro takes the editor.
    void ShowCurrent() override;
    void SaveCurrent() override { SaveCurrentMacro(); }
    void FinishPending() override { FinishFill(); }
    void LeaveCurrent() override { m_recorder->StopRecording(); }
    void ClearEditor();
    void LoadMacroIntoEditor();

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

    // Controls of the editor.
    CEditUI* m_pLoops = nullptr;
    COptionUI* m_pDelayMode[3] = {};
    CEditUI* m_pDefaultDelay = nullptr;
    CCheckBoxUI* m_pRecord = nullptr;
    CLabelUI* m_pRecordNotice = nullptr;
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

public:
    // Every control the page uses, with the member it goes into.
    static const ControlSpec kControls[];
};

inline constexpr ControlSpec CMacroPage::kControls[] = {
    Bind<&CMacroPage::m_pFolderCombo>("macro_combo"),
    Bind<&CMacroPage::m_pAddFolder>("btn_add_macro_floder"),
    Bind<&CMacroPage::m_pDeleteFolder>("btn_delete_macro_floder"),
    Bind<&CMacroPage::m_pFolderMenu>("btn_menu_macro_floder"),
    Bind<&CMacroPage::m_pList>("macro_list"),
    Bind<&CMacroPage::m_pAddItem>("btn_add_macro"),
    Bind<&CMacroPage::m_pDeleteItem>("btn_delete_macro"),
    Bind<&CMacroPage::m_pItemMenu>("btn_menu_macro"),
    Bind<&CMacroPage::m_pName>("edit_macro_name"),
    Bind<&CMacroPage::m_pLoops>("edit_loop_time"),
    BindEach<&CMacroPage::m_pDelayMode>("macro_delay_option_%d", 1),
    Bind<&CMacroPage::m_pDefaultDelay>("edit_default_delay"),
    Bind<&CMacroPage::m_pRecord>("btn_record"),
    Bind<&CMacroPage::m_pRecordNotice>("label_macro_record_notice"),
    Bind<&CMacroPage::m_pActionList>("macro_action_list"),
    Bind<&CMacroPage::m_pMoveUp>("btn_macro_move_up"),
    Bind<&CMacroPage::m_pMoveDown>("btn_macro_move_down"),
    Bind<&CMacroPage::m_pDeleteAction>("btn_macro_action_delete"),
    Bind<&CMacroPage::m_pClearAll>("btn_macro_clear_all"),
    Bind<&CMacroPage::m_pKeyRow>("macro_key_hor"),
    Bind<&CMacroPage::m_pKey>("edit_macro_action"),
    Bind<&CMacroPage::m_pMouseButton>("macro_mouse_action_combo"),
    Bind<&CMacroPage::m_pDelayRow>("macro_delay_hor"),
    Bind<&CMacroPage::m_pDelay>("edit_macro_delay"),
    Bind<&CMacroPage::m_pMoveRow>("macro_mouse_move_hor"),
    Bind<&CMacroPage::m_pMoveX>("edit_macro_action_x"),
    Bind<&CMacroPage::m_pMoveY>("edit_macro_action_y"),
    Bind<&CMacroPage::m_pInsertMove>("btn_insert_move"),
    Bind<&CMacroPage::m_pInsertX>("edit_insert_x"),
    Bind<&CMacroPage::m_pInsertY>("edit_insert_y"),
};
inline constexpr ControlTable kMacroPageTable{"main.xml", "CMacroPage", CMacroPage::kControls};
MOUSE_REGISTER_CONTROL_TABLE(kMacroPageTable);

}  // namespace mouse
