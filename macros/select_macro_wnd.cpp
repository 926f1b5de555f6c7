#include "macros/select_macro_wnd.h"

#include <cstring>

#include "device/protocol.h"
#include "ui/text.h"

namespace mouse {

namespace {

bool SameName(const std::u16string& a, const std::u16string& b) {
    return ToQString(a).compare(ToQString(b), Qt::CaseInsensitive) == 0;
}

}  // namespace

CSelectMacroWnd::CSelectMacroWnd(const std::vector<std::unique_ptr<MacroRecord>>& macros)
    : m_macros(macros) {
    OnNotify(ev::kItemSelect, &CSelectMacroWnd::OnItemSelect);
    OnNotify(ev::kCheckClick, &CSelectMacroWnd::OnCheckClick);
    OnNotify(ev::kTimer, &CSelectMacroWnd::OnTimer);
}

void CSelectMacroWnd::InitWindow() {
    m_pm.CheckControls(kSelectMacroTable);
    m_pFolderCombo = m_pm.FindControl<CComboUI>(QStringLiteral("macro_combo"));
    m_pMacroList = m_pm.FindControl<CListUI>(QStringLiteral("macro_list"));
    m_pLeft = m_pm.FindControl<CCheckBoxUI>(QStringLiteral("check_left_macro"));
    m_pTab = m_pm.FindControl<CTabLayoutUI>(QStringLiteral("tab_macro"));

    // 1. The repeat mode and the colour.
    InitChoiceControls();
    // 2. The folders; none selected yet.
    m_folders.clear();
    if (m_pFolderCombo != nullptr) {
        m_pFolderCombo->RemoveAll();
        for (const auto& record : m_macros) {
            if (record->isFolder == 1) {
                m_folders.push_back(ReadText(record->folderName));
                m_pFolderCombo->AddItem(ToQString(m_folders.back()), 25);
            }
        }
    }
    // 3. The left-button option and its page.
    if (m_pLeft != nullptr) {
        m_pLeft->SetCheck(m_bLeft, false);
    }
    if (m_pTab != nullptr) {
        m_pTab->SelectItem(m_bLeft ? 1 : 0);
    }
}

bool CSelectMacroWnd::StartPreselection() {
    return m_pMacroList != nullptr && m_pMacroList->SetTimer(kPreselectTimer, kPreselectMs);
}

void CSelectMacroWnd::OnItemSelect(TNotifyUI& msg) {
    const int index = int(msg.wParam);
    if (msg.pSender == nullptr) {
        return;
    }
    if (msg.pSender == m_pFolderCombo) {
        SelectFolder(index);
        // Once the bound macro was shown, another folder drops the choice.
        if (m_bPreselected) {
            m_iMacro = -1;
        }
    } else if (msg.pSender == m_pMacroList && index >= 0 && index < int(m_positions.size())) {
        m_iMacro = m_positions[size_t(index)];
    }
}

void CSelectMacroWnd::SelectFolder(int index) {
    if (index < 0 || index >= int(m_folders.size()) || m_pMacroList == nullptr) {
        return;
    }
    m_iFolder = index;
    m_pMacroList->RemoveAll();
    m_positions.clear();
    for (size_t i = 0; i < m_macros.size(); ++i) {
        const MacroRecord& record = *m_macros[i];
        if (record.isFolder == 0 &&
            SameName(ReadText(record.folderName), m_folders[size_t(index)])) {
            m_positions.push_back(int(i));
            m_pMacroList->AddItem(ToQString(ReadText(record.macroName)), 30);
        }
    }
}

void CSelectMacroWnd::OnCheckClick(TNotifyUI& msg) {
    if (msg.pSender == nullptr || msg.pSender != m_pLeft) {
        return;
    }
    m_bLeft = m_pLeft->GetCheck();
    if (m_pTab != nullptr) {
        m_pTab->SelectItem(m_bLeft ? 1 : 0);
    }
}

void CSelectMacroWnd::OnTimer(TNotifyUI& msg) {
    if (msg.pSender == nullptr || msg.pSender != m_pMacroList || msg.wParam != kPreselectTimer) {
        return;
    }
    m_pMacroList->KillTimer(kPreselectTimer);
    Preselect();
}

void CSelectMacroWnd::Preselect() {
    if (!m_macros.empty() && m_iMacro >= 0 && m_iMacro < int(m_macros.size()) &&
        m_pFolderCombo != nullptr) {
        const int chosen = m_iMacro;
        const std::u16string folder = ReadText(m_macros[size_t(chosen)]->folderName);
        for (size_t f = 0; f < m_folders.size(); ++f) {
            if (SameName(m_folders[f], folder)) {
                m_pFolderCombo->SelectItem(int(f));  // fills macro_list
                break;
            }
        }
        for (size_t m = 0; m < m_positions.size(); ++m) {
            if (m_positions[m] == chosen) {
                m_pMacroList->SelectItem(int(m));
                break;
            }
        }
    }
    m_bPreselected = true;
}

bool ApplyMacroChoice(ButtonEntry& entry, const MacroRecord& macro, int position, int repeatMode,
                      bool leftButton, uint32_t colour) {
    if (position < 0 || macro.isFolder != 0 || macro.actionCount == 0) {
        return false;
    }
    entry.macroIndex = position;
    entry.repeatMode = repeatMode;
    entry.bindingCount = macro.actionCount;
    WriteText(entry.bindingFolder, ReadText(macro.folderName));
    std::memset(entry.bindingName, 0, sizeof entry.bindingName);
    WriteText(entry.bindingName, ReadText(macro.macroName));
    std::memcpy(entry.macroActions, macro.actions, sizeof entry.macroActions);
    entry.bindingLoops = int32_t(macro.loopCount);
    if (leftButton) {
        entry.functionId = uint8_t(fn::kLeftButtonMacro);
        entry.bindingColour = int32_t(colour);
    } else {
        entry.functionId = uint8_t(fn::kMacro);
        entry.bindingColour = 255;
    }
    return true;
}

}  // namespace mouse
