// What the macro page and the recoil-preset page share: a record library
// (store/record_library.h) shown as a folder selector and a list of the
// selected folder's items, the buttons and menus that add, delete, rename,
// import and export folders and items, and the name field of the item in
// the editor. A page built on it adds only its editor of one item.
#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/page.h"
#include "store/gun_library.h"
#include "store/macro_library.h"
#include "store/name_check.h"
#include "ui/controls.h"

namespace mouse {

// The names that make one library page. Its controls are named in the
// page's control table, bound to the members of CLibraryPage (the folder
// selector with its add, delete and menu buttons, the item list with its
// own, and the name field of the editor).
struct LibraryPageNames {
    // The noun that names the menus (<noun>dirmenu.xml, <noun>menu.xml),
    // their commands (rename_<noun>_dir ... export_<noun>) and the texts
    // (delete_<noun>_dir_text, <noun>_import_failed_text, ...).
    const char* noun;
    // Item files *.<extension>, folder files *.<extension>s; the file
    // pickers' filter title.
    const char* extension;
    const char* filterTitle;
    // The name dialog's and the name field's check texts.
    const NameTexts& nameTexts;
};

template <typename Traits>
class CLibraryPage : public CPage {
public:
    using Library = RecordLibrary<Traits>;
    using Record = typename Traits::Record;

    // Fills the folder selector from the folder records and selects the
    // first folder, which shows its items and an empty editor.
    void FillFolderList();
    // A command of the folder menu or the item menu (matched without regard
    // to case); the menu closes first.
    void OnMenuCommand(const QString& name) override;

    // What the page shows, for the main window and tests.
    int SelectedFolder() const { return m_folder; }
    // List position of the item in the editor, -1 for none.
    int CurrentPosition() const { return m_position; }
    // The item in the editor, or nullptr.
    const Record* CurrentItem() const { return m_current; }
    // The list positions behind the items of the list.
    const std::vector<int>& ShownPositions() const { return m_shown; }

protected:
    CLibraryPage(PageHost& host, CPaintManagerUI& manager, const LibraryPageNames& names);
    ~CLibraryPage() override;

    // Prepares the library's controls and makes the library, whose saves go
    // to the host's store writer; called from the page's InitControls once
    // its control table is bound.
    void InitLibrary();
    Library& Lib() { return *m_library; }
    std::vector<std::unique_ptr<Record>>& Records() { return m_library->Records(); }

    // The page's handlers call these first: true when the notification was
    // for a control of the library.
    bool OnLibraryClick(const TNotifyUI& msg);
    bool OnLibraryItemSelect(const TNotifyUI& msg);
    bool OnLibraryKillFocus(const TNotifyUI& msg);

    // The editor's part. ShowCurrent shows m_current (nullptr: nothing) in
    // the editor; the name field is already shown. SaveCurrent writes the
    // editor's working copy into m_current, saves the library and carries
    // the item into the buttons bound to it. FinishPending completes what
    // the editor still has under way before a command reads the page;
    // LeaveCurrent ends what belongs to the current item (a recording)
    // before another item takes the editor or records go.
    virtual void ShowCurrent() = 0;
    virtual void SaveCurrent() = 0;
    virtual void FinishPending() {}
    virtual void LeaveCurrent() {}

    // The library's controls, bound by the page's control table.
    CComboUI* m_pFolderCombo = nullptr;
    CButtonUI* m_pAddFolder = nullptr;
    CButtonUI* m_pDeleteFolder = nullptr;
    CButtonUI* m_pFolderMenu = nullptr;
    CListUI* m_pList = nullptr;
    CButtonUI* m_pAddItem = nullptr;
    CButtonUI* m_pDeleteItem = nullptr;
    CButtonUI* m_pItemMenu = nullptr;
    CEditUI* m_pName = nullptr;
    // The item in the editor: its list position and record, set together.
    int m_position = -1;
    Record* m_current = nullptr;

private:
    void SelectFolder(int index);
    void SelectItem(int item);
    // Makes the item at position (-1: none) the current one and shows it.
    void SetCurrent(int position);
    bool FolderSelected() const;

    void AddFolder();
    void DeleteFolder();
    void RenameFolder();
    void AddItem();
    void DeleteItem();
    void RenameItem();
    // The name typed into the name field, checked as the name dialog checks
    // it: an accepted name is stored, a refused one is explained and the
    // stored name shown again.
    void TakeTypedName();
    void StoreName(const std::u16string& name);
    void ImportItem();
    void ImportFolder();
    void ExportItem();
    void ExportFolder();
    // Appends a folder the library just added to the selector and selects it.
    void ShowNewFolder(const std::u16string& name);
    void ShowFailure(const char* command, const char* textKey, const std::string& why);
    // Tells which fields an import set to a valid value (nothing when none).
    void ShowCorrections(const ImportResult& result);

    void OpenMenu(CButtonUI* anchor, const QString& skinFile);
    // Runs the name dialog; the accepted name, or nothing when cancelled.
    std::optional<std::u16string> AskName(NameMode mode, const std::u16string& initial,
                                          const std::u16string& folder);
    // "<prefix><noun><suffix>", the names of commands, texts and menus.
    QString Named(const char* prefix, const char* suffix) const;
    QString Filter(bool folder) const;
    QString ExchangeFolder();

    const LibraryPageNames& m_names;
    std::unique_ptr<Library> m_library;
    // Folder names in selector order and the selected folder; the list
    // positions of the items of the list.
    std::vector<std::u16string> m_folders;
    int m_folder = -1;
    std::vector<int> m_shown;
};

extern template class CLibraryPage<MacroTraits>;
extern template class CLibraryPage<GunTraits>;

}  // namespace mouse
