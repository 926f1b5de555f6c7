#include "guns/select_gun_wnd.h"

#include <cstring>

#include "device/protocol.h"
#include "ui/text.h"

namespace mouse {

namespace {

constexpr int kFolderItemHeight = 25;
constexpr int kGunItemHeight = 30;

}  // namespace

CSelectGunWnd::CSelectGunWnd(const std::vector<std::unique_ptr<GunRecord>>& guns) : m_guns(guns) {
    OnNotify(ev::kItemSelect, &CSelectGunWnd::OnItemSelect);
    OnNotify(ev::kTimer, &CSelectGunWnd::OnTimer);
}

void CSelectGunWnd::InitWindow() {
    m_pm.CheckControls(kSelectGunTable);
    m_pGunList = m_pm.FindControl<CListUI>(QStringLiteral("gun_list"));
    m_pFolderCombo = m_pm.FindControl<CComboUI>(QStringLiteral("gun_combo"));
    InitChoiceControls();
    for (const auto& record : m_guns) {
        if (record->isFolder == 1) {
            m_folderNames.push_back(ReadText(record->folderName));
            if (m_pFolderCombo != nullptr) {
                m_pFolderCombo->AddItem(ToQString(m_folderNames.back()), kFolderItemHeight);
            }
        }
    }
}

bool CSelectGunWnd::StartPreselection() {
    return m_pGunList != nullptr && m_pGunList->SetTimer(kPreselectTimer, kPreselectMs);
}

void CSelectGunWnd::OnItemSelect(TNotifyUI& msg) {
    if (msg.pSender == nullptr) {
        return;
    }
    const int index = int(msg.wParam);
    if (msg.pSender == m_pFolderCombo) {
        ShowFolder(index);
    } else if (msg.pSender == m_pGunList && index >= 0 && size_t(index) < m_shown.size()) {
        m_gunIndex = m_shown[size_t(index)];
    }
}

void CSelectGunWnd::ShowFolder(int index) {
    m_selectedFolder = index;
    m_shown.clear();
    if (m_pGunList != nullptr) {
        m_pGunList->RemoveAll();
    }
    if (index < 0 || size_t(index) >= m_folderNames.size()) {
        return;
    }
    const std::u16string& folder = m_folderNames[size_t(index)];
    for (size_t i = 0; i < m_guns.size(); ++i) {
        const GunRecord& g = *m_guns[i];
        if (g.isFolder == 0 && TextEqualsNoCase(g.folderName, folder)) {
            m_shown.push_back(int(i));
            if (m_pGunList != nullptr) {
                m_pGunList->AddItem(ToQString(ReadText(g.gunName)), kGunItemHeight);
            }
        }
    }
}

void CSelectGunWnd::OnTimer(TNotifyUI& msg) {
    if (msg.pSender == nullptr || msg.pSender != m_pGunList || msg.wParam != kPreselectTimer) {
        return;
    }
    m_pGunList->KillTimer(kPreselectTimer);
    Preselect();
}

void CSelectGunWnd::Preselect() {
    if (m_guns.empty() || m_gunIndex < 0 || size_t(m_gunIndex) >= m_guns.size()) {
        return;
    }
    const GunRecord& bound = *m_guns[size_t(m_gunIndex)];
    int folder = -1;
    for (size_t i = 0; i < m_folderNames.size(); ++i) {
        if (TextEqualsNoCase(bound.folderName, m_folderNames[i])) {
            folder = int(i);
            break;
        }
    }
    if (folder < 0 || m_pFolderCombo == nullptr) {
        return;  // its folder is gone: the lists start empty
    }
    m_pFolderCombo->SelectItem(folder);  // shows the folder through "itemselect"
    if (m_selectedFolder != folder) {
        ShowFolder(folder);  // it was selected already: no notification came
    }
    for (size_t i = 0; i < m_shown.size(); ++i) {
        if (m_shown[i] == m_gunIndex && m_pGunList != nullptr) {
            m_pGunList->SelectItem(int(i));
            m_pGunList->EnsureVisible(int(i));
            break;
        }
    }
}

void ApplyGunChoice(ButtonEntry& entry, const GunRecord& gun, int position, int repeatMode,
                    uint32_t colour) {
    entry.repeatMode = repeatMode;
    entry.bindingColour = int32_t(colour);
    entry.gunIndex = position;
    entry.bindingCount = gun.bulletCount;
    WriteText(entry.bindingName, ReadText(gun.gunName));
    WriteText(entry.bindingFolder, ReadText(gun.folderName));
    static_assert(sizeof entry.gunData == sizeof gun.bullets);
    std::memcpy(entry.gunData, gun.bullets, sizeof entry.gunData);
    entry.bindingLoops = gun.reserved202;
    entry.functionId = uint8_t(fn::kRecoil);
}

}  // namespace mouse
