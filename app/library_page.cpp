#include "app/library_page.h"

#include <algorithm>
#include <filesystem>
#include <type_traits>

#include "app/logging.h"
#include "macros/edit_name_wnd.h"
#include "store/corrections.h"
#include "ui/file_dialog.h"
#include "ui/resource_manager.h"
#include "ui/text.h"
#include "ui/user_folders.h"

namespace mouse {

namespace {

constexpr int kFolderItemHeight = 25;
constexpr int kItemHeight = 30;

// The name dialog of each library, given the list it checks against.
void SetList(CEditMacroName& dialog, const std::vector<std::unique_ptr<MacroRecord>>& list) {
    dialog.SetMacroList(&list);
}
void SetList(CEditGunName& dialog, const std::vector<std::unique_ptr<GunRecord>>& list) {
    dialog.SetGunList(&list);
}

}  // namespace

template <typename Traits>
CLibraryPage<Traits>::CLibraryPage(PageHost& host, CPaintManagerUI& manager,
                                   const LibraryPageNames& names)
    : CPage(host, manager), m_names(names) {}

template <typename Traits>
CLibraryPage<Traits>::~CLibraryPage() = default;

template <typename Traits>
void CLibraryPage<Traits>::InitLibrary() {
    m_pName->SetMaxChar(kTextChars - 1);
    PageHost* host = &m_host;
    m_library = std::make_unique<Library>(m_host.GetStores(),
                                          [host] { host->SaveInBackground({Traits::kFile}); });
}

template <typename Traits>
QString CLibraryPage<Traits>::Named(const char* prefix, const char* suffix) const {
    return QString::fromLatin1(prefix) + QString::fromLatin1(m_names.noun) +
           QString::fromLatin1(suffix);
}

template <typename Traits>
QString CLibraryPage<Traits>::Filter(bool folder) const {
    const QString ext = QString::fromLatin1(m_names.extension) + (folder ? "s" : "");
    return QStringLiteral("%1 (*.%2 *.%3)")
        .arg(QString::fromLatin1(m_names.filterTitle), ext, ext.toUpper());
}

template <typename Traits>
QString CLibraryPage<Traits>::ExchangeFolder() {
    return ExchangeStartFolder();
}

template <typename Traits>
bool CLibraryPage<Traits>::FolderSelected() const {
    return m_folder >= 0 && size_t(m_folder) < m_folders.size();
}

// ---- the folder selector and the list ------------------------------------------

template <typename Traits>
void CLibraryPage<Traits>::FillFolderList() {
    if (m_library == nullptr) {
        return;
    }
    m_folders.clear();
    m_folder = -1;
    m_pFolderCombo->RemoveAll();
    for (int position : Lib().FolderPositions()) {
        m_folders.push_back(ReadText(Records()[size_t(position)]->folderName));
        m_pFolderCombo->AddItem(ToQString(m_folders.back()), kFolderItemHeight);
    }
    if (!m_folders.empty()) {
        m_pFolderCombo->SelectItem(0);  // runs the folder selection
    } else {
        SelectFolder(-1);
    }
}

template <typename Traits>
void CLibraryPage<Traits>::SelectFolder(int index) {
    // Another item takes the editor: what belongs to the current one ends.
    LeaveCurrent();
    m_folder = index >= 0 && size_t(index) < m_folders.size() ? index : -1;
    m_shown.clear();
    m_pList->RemoveAll();
    if (m_folder >= 0) {
        m_shown = Lib().ItemPositions(m_folders[size_t(m_folder)]);
        for (int position : m_shown) {
            m_pList->AddItem(ToQString(ReadText(Traits::ItemName(*Records()[size_t(position)]))),
                             kItemHeight);
        }
    }
    SetCurrent(-1);
}

template <typename Traits>
void CLibraryPage<Traits>::SelectItem(int item) {
    LeaveCurrent();
    if (item < 0 || size_t(item) >= m_shown.size()) {
        return;
    }
    SetCurrent(m_shown[size_t(item)]);
}

template <typename Traits>
void CLibraryPage<Traits>::SetCurrent(int position) {
    const bool valid = position >= 0 && size_t(position) < Records().size() &&
                       Records()[size_t(position)]->isFolder == 0;
    m_position = valid ? position : -1;
    m_current = valid ? Records()[size_t(position)].get() : nullptr;
    m_pName->SetText(m_current != nullptr ? ToQString(ReadText(Traits::ItemName(*m_current)))
                                          : QString());
    ShowCurrent();
}

// ---- notifications and menus -----------------------------------------------------

template <typename Traits>
bool CLibraryPage<Traits>::OnLibraryClick(const TNotifyUI& msg) {
    CControlUI* s = msg.pSender;
    if (s == m_pAddFolder) {
        AddFolder();
    } else if (s == m_pDeleteFolder) {
        DeleteFolder();
    } else if (s == m_pFolderMenu) {
        OpenMenu(m_pFolderMenu, Named("", "dirmenu.xml"));
    } else if (s == m_pAddItem) {
        AddItem();
    } else if (s == m_pDeleteItem) {
        DeleteItem();
    } else if (s == m_pItemMenu) {
        OpenMenu(m_pItemMenu, Named("", "menu.xml"));
    } else {
        return false;
    }
    return true;
}

template <typename Traits>
bool CLibraryPage<Traits>::OnLibraryItemSelect(const TNotifyUI& msg) {
    if (msg.pSender == m_pFolderCombo) {
        SelectFolder(int(msg.wParam));
    } else if (msg.pSender == m_pList) {
        SelectItem(int(msg.wParam));
    } else {
        return false;
    }
    return true;
}

template <typename Traits>
bool CLibraryPage<Traits>::OnLibraryKillFocus(const TNotifyUI& msg) {
    if (msg.pSender != m_pName) {
        return false;
    }
    TakeTypedName();
    return true;
}

template <typename Traits>
void CLibraryPage<Traits>::OpenMenu(CButtonUI* anchor, const QString& skinFile) {
    // The menu's top-left corner at the button's bottom-left corner.
    const QRect at = anchor->GetPos();
    const QPoint screen = m_host.ScreenRect().topLeft() + at.bottomLeft() + QPoint(0, 1);
    m_host.ShowPopupMenu(skinFile, screen, kMenuAlignLeft | kMenuAlignTop);
}

template <typename Traits>
void CLibraryPage<Traits>::OnMenuCommand(const QString& name) {
    m_host.ClosePopupMenu();
    if (m_library == nullptr) {
        return;
    }
    FinishPending();
    const QString command = name.toLower();
    if (command == Named("rename_", "_dir")) {
        RenameFolder();
    } else if (command == Named("import_", "_dir")) {
        ImportFolder();
    } else if (command == Named("export_", "_dir")) {
        ExportFolder();
    } else if (command == Named("rename_", "")) {
        RenameItem();
    } else if (command == Named("import_", "")) {
        ImportItem();
    } else if (command == Named("export_", "")) {
        ExportItem();
    }
}

// ---- names -------------------------------------------------------------------------

template <typename Traits>
std::optional<std::u16string> CLibraryPage<Traits>::AskName(NameMode mode,
                                                            const std::u16string& initial,
                                                            const std::u16string& folder) {
    // A local dialog: nothing of it survives the call.
    std::conditional_t<std::is_same_v<Traits, MacroTraits>, CEditMacroName, CEditGunName> dialog;
    dialog.SetMode(int(mode));
    dialog.SetInitialName(ToQString(initial));
    dialog.SetFolderName(ToQString(folder));
    SetList(dialog, Records());
    if (RunDialog(dialog) != 1) {
        return std::nullopt;
    }
    return ToU16(dialog.GetName());
}

template <typename Traits>
void CLibraryPage<Traits>::TakeTypedName() {
    if (m_current == nullptr) {
        m_pName->SetText({});
        return;
    }
    const std::u16string old = ReadText(Traits::ItemName(*m_current));
    const NameVerdict verdict =
        CheckName(NameMode::RenameItem, ToU16(m_pName->GetText()), old,
                  ReadText(m_current->folderName), m_names.nameTexts, Records());
    if (verdict.outcome == NameVerdict::Accept) {
        StoreName(verdict.name);
        return;
    }
    m_pName->SetText(ToQString(old));
    if (verdict.outcome == NameVerdict::Warn) {
        ShowWarning(QString::fromLatin1(verdict.messageKey));
    }
}

template <typename Traits>
void CLibraryPage<Traits>::StoreName(const std::u16string& name) {
    WriteText(Traits::ItemName(*m_current), name);
    const QString shown = ToQString(ReadText(Traits::ItemName(*m_current)));
    m_pName->SetText(shown);
    const auto it = std::find(m_shown.begin(), m_shown.end(), m_position);
    if (it != m_shown.end()) {
        m_pList->SetItemText(int(it - m_shown.begin()), shown);
        m_pList->Invalidate();
    }
    SaveCurrent();
}

// ---- folders -----------------------------------------------------------------------

template <typename Traits>
void CLibraryPage<Traits>::ShowNewFolder(const std::u16string& name) {
    m_folders.push_back(name);
    m_pFolderCombo->AddItem(ToQString(name), kFolderItemHeight);
    m_pFolderCombo->SelectItem(m_pFolderCombo->GetCount() - 1);  // shows its items
}

template <typename Traits>
void CLibraryPage<Traits>::AddFolder() {
    const auto name = AskName(NameMode::AddFolder, {}, {});
    if (!name) {
        return;
    }
    if (Lib().CreateFolder(*name) < 0) {
        TellIfLibraryFull(Records().size());
        return;
    }
    ShowNewFolder(*name);
}

template <typename Traits>
void CLibraryPage<Traits>::DeleteFolder() {
    if (!FolderSelected() || !Confirm(Named("delete_", "_dir_text"))) {
        return;
    }
    LeaveCurrent();
    const int index = m_folder;
    // The editor may show an item of the folder: forget it before its record goes.
    m_current = nullptr;
    m_position = -1;
    const BindingChange change = Lib().DeleteFolder(m_folders[size_t(index)]);
    m_folders.erase(m_folders.begin() + index);
    if (m_folders.empty()) {
        m_pFolderCombo->RemoveAll();
        SelectFolder(-1);
    } else {
        // The folder that takes its place (or the new last one) is shown;
        // its items' positions may have moved, so its list is filled anew.
        const int next = std::min(index, int(m_folders.size()) - 1);
        m_folder = -1;
        m_pFolderCombo->RemoveAt(index);  // selects `next` with a notification
        if (m_folder != next) {
            SelectFolder(next);  // no notification came
        }
    }
    ApplyBindingChange(change);
}

template <typename Traits>
void CLibraryPage<Traits>::RenameFolder() {
    if (!FolderSelected()) {
        return;
    }
    const std::u16string old = m_folders[size_t(m_folder)];
    const auto name = AskName(NameMode::RenameFolder, old, {});
    if (!name || !Lib().RenameFolder(old, *name)) {
        return;
    }
    m_folders[size_t(m_folder)] = *name;
    m_pFolderCombo->SetItemText(m_folder, ToQString(*name));
    m_pFolderCombo->Invalidate();
}

// ---- items -------------------------------------------------------------------------

template <typename Traits>
void CLibraryPage<Traits>::AddItem() {
    if (!FolderSelected()) {
        return;
    }
    const std::u16string folder = m_folders[size_t(m_folder)];
    const auto name = AskName(NameMode::AddItem, {}, folder);
    if (!name) {
        return;
    }
    const int position = Lib().CreateItem(folder, *name);
    if (position < 0) {
        TellIfLibraryFull(Records().size());
        return;
    }
    m_shown.push_back(position);
    m_pList->AddItem(ToQString(*name), kItemHeight);
    m_pList->SelectItem(m_pList->GetCount() - 1);  // shows the new item
}

template <typename Traits>
void CLibraryPage<Traits>::DeleteItem() {
    const int item = m_pList->GetCurSel();
    if (item < 0 || size_t(item) >= m_shown.size() || !Confirm(Named("delete_", "_text"))) {
        return;
    }
    LeaveCurrent();
    const int position = m_shown[size_t(item)];
    m_current = nullptr;
    m_position = -1;
    const BindingChange change = Lib().DeleteItem(position);
    m_shown.erase(m_shown.begin() + item);
    for (int& shown : m_shown) {
        if (shown > position) {
            --shown;
        }
    }
    // The list selects the item that took the place (or the new last one),
    // which shows it through the updated positions; an emptied list shows
    // nothing.
    m_pList->RemoveAt(item);
    if (m_shown.empty()) {
        SetCurrent(-1);
    }
    ApplyBindingChange(change);
}

template <typename Traits>
void CLibraryPage<Traits>::RenameItem() {
    if (m_current == nullptr) {
        return;
    }
    const std::u16string old = ReadText(Traits::ItemName(*m_current));
    const auto name = AskName(NameMode::RenameItem, old, ReadText(m_current->folderName));
    if (!name || m_current == nullptr) {
        return;
    }
    StoreName(*name);
}

// ---- exchange files ----------------------------------------------------------------

template <typename Traits>
void CLibraryPage<Traits>::ShowFailure(const char* command, const char* textKey,
                                       const std::string& why) {
    qCWarning(lcLibrary, "%s: %s", command, why.c_str());
    ShowWarning(CResourceManager::GetInstance()->GetText(Named("", textKey)) + "\n" +
                QString::fromStdString(why));
}

template <typename Traits>
void CLibraryPage<Traits>::ShowCorrections(const ImportResult& result) {
    if (result.corrected.empty()) {
        return;
    }
    const QString list = QString::fromStdString(JoinCorrections(result.corrected));
    qCInfo(lcLibrary, "import: %s set to a valid value", list.toUtf8().constData());
    ShowWarning(
        CResourceManager::GetInstance()->GetText(Named("", "_import_corrected_text")).arg(list));
}

template <typename Traits>
void CLibraryPage<Traits>::ImportItem() {
    const QString path = CFileDialog::GetOpenFileName(m_host.DialogOwner(), Filter(false),
                                                      ExchangeFolder(), m_names.extension);
    if (path.isEmpty()) {
        return;
    }
    std::optional<std::u16string_view> folder;
    if (FolderSelected()) {
        folder = m_folders[size_t(m_folder)];
    }
    const ImportResult result = Lib().ImportItem(std::filesystem::path(path.toStdString()), folder);
    if (!result.ok) {
        ShowFailure(Named("import_", "").toLatin1().constData(), "_import_failed_text",
                    result.error);
        return;
    }
    ShowCorrections(result);
    if (result.folderAdded) {
        ShowNewFolder(result.folder);
        if (m_pList->GetCount() > 0) {
            m_pList->SelectItem(0);
        }
        return;
    }
    m_shown.push_back(result.position);
    m_pList->AddItem(ToQString(ReadText(Traits::ItemName(*Records()[size_t(result.position)]))),
                     kItemHeight);
    m_pList->SelectItem(m_pList->GetCount() - 1);
}

template <typename Traits>
void CLibraryPage<Traits>::ImportFolder() {
    const QString path =
        CFileDialog::GetOpenFileName(m_host.DialogOwner(), Filter(true), ExchangeFolder(),
                                     QString::fromLatin1(m_names.extension) + "s");
    if (path.isEmpty()) {
        return;
    }
    const ImportResult result = Lib().ImportFolder(std::filesystem::path(path.toStdString()));
    if (!result.ok) {
        ShowFailure(Named("import_", "_dir").toLatin1().constData(), "_import_failed_text",
                    result.error);
        return;
    }
    ShowCorrections(result);
    ShowNewFolder(result.folder);
}

template <typename Traits>
void CLibraryPage<Traits>::ExportItem() {
    if (m_current == nullptr) {
        return;
    }
    const QString path = CFileDialog::GetSaveFileName(
        m_host.DialogOwner(), Filter(false), ExchangeFolder(), m_names.extension,
        ToQString(ReadText(Traits::ItemName(*m_current))));
    if (path.isEmpty()) {
        return;
    }
    const IoResult result = Lib().ExportItem(*m_current, std::filesystem::path(path.toStdString()));
    if (!result) {
        ShowFailure(Named("export_", "").toLatin1().constData(), "_export_failed_text",
                    result.message);
    }
}

template <typename Traits>
void CLibraryPage<Traits>::ExportFolder() {
    if (!FolderSelected()) {
        return;
    }
    const std::u16string folder = m_folders[size_t(m_folder)];
    const QString path = CFileDialog::GetSaveFileName(
        m_host.DialogOwner(), Filter(true), ExchangeFolder(),
        QString::fromLatin1(m_names.extension) + "s", ToQString(folder));
    if (path.isEmpty()) {
        return;
    }
    const IoResult result = Lib().ExportFolder(folder, std::filesystem::path(path.toStdString()));
    if (!result) {
        ShowFailure(Named("export_", "_dir").toLatin1().constData(), "_export_failed_text",
                    result.message);
    }
}

template class CLibraryPage<MacroTraits>;
template class CLibraryPage<GunTraits>;

}  // namespace mouse
