#include "macros/macro_page.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "macros/edit_name_wnd.h"
#include "store/tables.h"
#include "ui/file_dialog.h"
#include "ui/resource_manager.h"
#include "ui/typed_number.h"

namespace mouse {

namespace {

constexpr int kFolderItemHeight = 25;
constexpr int kMacroItemHeight = 30;
constexpr int kActionItemHeight = 30;
constexpr uint8_t kFirstMouseButton = 0xF0;
constexpr uint8_t kLastMouseButton = 0xF4;
constexpr int kMouseButtons = 5;

const QString kMacroFilter = QStringLiteral("Macro Data (*.mbin *.MBIN)");
const QString kFolderFilter = QStringLiteral("Macro Data (*.mbins *.MBINS)");

QString Text(const QString& key) {
    return CResourceManager::GetInstance()->GetText(key);
}

QString ToQString(const std::u16string& text) {
    return QString::fromUtf16(text.data(), qsizetype(text.size()));
}

std::u16string ToU16(const QString& text) {
    return text.toStdU16String();
}

// A number as typed: leading blanks, an optional sign and decimal digits,
// read up to the first other character; no digits reads as 0. Saturates far
// outside every range the page uses.
long long ReadDecimal(const QString& text) {
    return ReadTypedNumber(text, 10'000'000'000LL);
}

bool IsMouseButton(uint8_t code) {
    return code >= kFirstMouseButton && code <= kLastMouseButton;
}

void SetVisible(CControlUI* control, bool visible) {
    if (control != nullptr) {
        control->SetVisible(visible);
    }
}

void SetText(CControlUI* control, const QString& text) {
    if (control != nullptr) {
        control->SetText(text);
    }
}

}  // namespace

CMacroPage::CMacroPage(PageHost& host, CPaintManagerUI& manager) : CPage(host, manager) {
    OnNotify(ev::kClick, &CMacroPage::OnClick);
    OnNotify(ev::kSelectChanged, &CMacroPage::OnSelectChanged);
    OnNotify(ev::kItemSelect, &CMacroPage::OnItemSelect);
    OnNotify(ev::kKillFocus, &CMacroPage::OnKillFocus);
    OnNotify(ev::kTextChanged, &CMacroPage::OnTextChanged);
    OnNotify(ev::kTimer, &CMacroPage::OnTimer);
    OnNotify(ev::kCheckClick, &CMacroPage::OnCheckClick);
    OnNotify(ev::kMouseEnter, &CMacroPage::OnMouseEnter);
    OnNotify(ev::kMouseLeave, &CMacroPage::OnMouseLeave);
    OnNotify(ev::kSetFocus, &CMacroPage::OnSetFocus);
}

CMacroPage::~CMacroPage() = default;

void CMacroPage::InitControls() {
    // FindControl reports every control that is missing or of another kind.
    m_pFolderCombo = m_pPM->FindControl<CComboUI>("macro_combo");
    m_pAddFolder = m_pPM->FindControl<CButtonUI>("btn_add_macro_floder");
    m_pDeleteFolder = m_pPM->FindControl<CButtonUI>("btn_delete_macro_floder");
    m_pFolderMenu = m_pPM->FindControl<CButtonUI>("btn_menu_macro_floder");
    m_pMacroList = m_pPM->FindControl<CListUI>("macro_list");
    m_pAddMacro = m_pPM->FindControl<CButtonUI>("btn_add_macro");
    m_pDeleteMacro = m_pPM->FindControl<CButtonUI>("btn_delete_macro");
    m_pMacroMenu = m_pPM->FindControl<CButtonUI>("btn_menu_macro");
    m_pName = m_pPM->FindControl<CEditUI>("edit_macro_name");
    m_pLoops = m_pPM->FindControl<CEditUI>("edit_loop_time");
    for (int i = 0; i < 3; ++i) {
        m_pDelayMode[i] =
            m_pPM->FindControl<COptionUI>(QStringLiteral("macro_delay_option_%1").arg(i + 1));
    }
    m_pDefaultDelay = m_pPM->FindControl<CEditUI>("edit_default_delay");
    m_pRecord = m_pPM->FindControl<CCheckBoxUI>("btn_record");
    m_pActionList = m_pPM->FindControl<CListUI>("macro_action_list");
    m_pMoveUp = m_pPM->FindControl<CButtonUI>("btn_macro_move_up");
    m_pMoveDown = m_pPM->FindControl<CButtonUI>("btn_macro_move_down");
    m_pDeleteAction = m_pPM->FindControl<CButtonUI>("btn_macro_action_delete");
    m_pClearAll = m_pPM->FindControl<CButtonUI>("btn_macro_clear_all");
    m_pKeyRow = m_pPM->FindControl("macro_key_hor");
    m_pKey = m_pPM->FindControl<CEditUI>("edit_macro_action");
    m_pMouseButton = m_pPM->FindControl<CComboUI>("macro_mouse_action_combo");
    m_pDelayRow = m_pPM->FindControl("macro_delay_hor");
    m_pDelay = m_pPM->FindControl<CEditUI>("edit_macro_delay");
    m_pMoveRow = m_pPM->FindControl("macro_mouse_move_hor");
    m_pMoveX = m_pPM->FindControl<CEditUI>("edit_macro_action_x");
    m_pMoveY = m_pPM->FindControl<CEditUI>("edit_macro_action_y");
    m_pInsertMove = m_pPM->FindControl<CButtonUI>("btn_insert_move");
    m_pInsertX = m_pPM->FindControl<CEditUI>("edit_insert_x");
    m_pInsertY = m_pPM->FindControl<CEditUI>("edit_insert_y");

    // Items 0..4 of the mouse-button choice are the codes 240..244.
    if (m_pMouseButton != nullptr) {
        m_pMouseButton->RemoveAll();
        for (int i = 0; i < kMouseButtons; ++i) {
            m_pMouseButton->AddItem(Text(ToQString(KeyNameKey(uint8_t(kFirstMouseButton + i)))),
                                    kFolderItemHeight);
        }
    }
    m_library = std::make_unique<MacroLibrary>(m_host.GetStores(), [this] { SaveMacroStore(); });
    m_recorder = std::make_unique<MacroRecorder>(m_work, *this, &m_host.Hook(),
                                                 m_host.HookSinkToWindow(), m_host.Keyboard());
    ShowActionEditor(-1);
}

MacroLibrary& CMacroPage::Library() {
    return *m_library;
}

std::vector<std::unique_ptr<MacroRecord>>& CMacroPage::Macros() {
    return m_library->Records();
}

void CMacroPage::SaveMacroStore() {
    m_host.SaveInBackground({StoreFile::Macros});
}

// ---- folders and macros --------------------------------------------------------

void CMacroPage::FillFolderList() {
    if (m_library == nullptr || m_pFolderCombo == nullptr) {
        return;
    }
    m_folders.clear();
    m_pFolderCombo->RemoveAll();
    for (int position : Library().FolderPositions()) {
        m_folders.push_back(ReadText(Macros()[size_t(position)]->folderName));
        m_pFolderCombo->AddItem(ToQString(m_folders.back()), kFolderItemHeight);
    }
    m_iFolder = -1;
    if (!m_folders.empty()) {
        m_pFolderCombo->SelectItem(0);  // runs the folder selection
    } else {
        m_positions.clear();
        if (m_pMacroList != nullptr) {
            m_pMacroList->RemoveAll();
        }
        ClearEditor();
    }
}

void CMacroPage::SelectFolder(int index) {
    // Another macro takes the editor: a recording ends and is saved first.
    m_recorder->StopRecording();
    if (index < 0 || index >= int(m_folders.size()) || m_pMacroList == nullptr) {
        return;
    }
    m_iFolder = index;
    m_pMacroList->RemoveAll();
    m_positions = Library().ItemPositions(m_folders[size_t(index)]);
    for (int position : m_positions) {
        m_pMacroList->AddItem(ToQString(ReadText(Macros()[size_t(position)]->macroName)),
                              kMacroItemHeight);
    }
    ClearEditor();
}

void CMacroPage::ClearEditor() {
    m_iCurPos = -1;
    m_pCurrent = nullptr;
    m_work.actions = {};
    m_work.count = 0;
    m_work.loopCount = 1;
    m_work.selected = -1;
    m_work.showInsertion = false;
    ShowActionEditor(-1);
    SetText(m_pName, QString());
    SetText(m_pLoops, QStringLiteral("1"));
    RebuildActionList();
}

void CMacroPage::SelectMacro(int item) {
    // Another macro takes the editor: a recording ends and is saved first.
    m_recorder->StopRecording();
    if (item < 0 || item >= int(m_positions.size())) {
        return;
    }
    m_iCurPos = m_positions[size_t(item)];
    LoadMacroIntoEditor();
}

void CMacroPage::LoadMacroIntoEditor() {
    if (m_iCurPos < 0 || m_iCurPos >= int(Macros().size())) {
        ClearEditor();
        return;
    }
    m_work.showInsertion = false;
    m_pCurrent = Macros()[size_t(m_iCurPos)].get();
    std::memcpy(m_work.actions.data(), m_pCurrent->actions, sizeof m_pCurrent->actions);
    // A count above 40 (from an old or foreign file) shows the 40 slots.
    m_work.count = std::min<int>(m_pCurrent->actionCount, kMaxMacroActions);
    m_work.loopCount = m_pCurrent->loopCount;
    SetText(m_pLoops, QString::number(m_work.loopCount));
    SetText(m_pName, ToQString(ReadText(m_pCurrent->macroName)));
    if (m_work.count == 0) {
        m_work.selected = -1;
        ShowActionEditor(-1);
    }
    RebuildActionList();
}

std::optional<std::u16string> CMacroPage::AskName(int mode, const std::u16string& initial,
                                                  const std::u16string& folder) {
    // A local dialog: nothing of it survives the call.
    CEditMacroName dialog;
    dialog.SetMode(mode);
    dialog.SetInitialName(ToQString(initial));
    dialog.SetFolderName(ToQString(folder));
    dialog.SetMacroList(&Macros());
    if (RunDialog(dialog) != 1) {
        return std::nullopt;
    }
    return ToU16(dialog.GetName());
}

void CMacroPage::AddFolder() {
    const auto name = AskName(0, {}, {});
    if (!name) {
        return;
    }
    if (Library().CreateFolder(*name) < 0) {
        TellIfLibraryFull(Macros().size());
        return;
    }
    m_folders.push_back(*name);
    m_pFolderCombo->AddItem(ToQString(*name), kFolderItemHeight);
    m_pFolderCombo->SelectItem(m_pFolderCombo->GetCount() - 1);
}

void CMacroPage::DeleteFolder() {
    if (m_folders.empty() || m_iFolder < 0 || m_iFolder >= int(m_folders.size())) {
        return;
    }
    if (!Confirm(QStringLiteral("delete_macro_dir_text"))) {
        return;
    }
    m_recorder->StopRecording();
    const int index = m_iFolder;
    // The editor may show a macro of the folder: forget it before its record goes.
    m_pCurrent = nullptr;
    m_iCurPos = -1;
    const BindingChange change = Library().DeleteFolder(m_folders[size_t(index)]);
    m_folders.erase(m_folders.begin() + index);
    // The selector selects the folder that took the place (or the new last
    // one), which runs the folder selection.
    m_pFolderCombo->RemoveAt(index);
    if (m_iFolder >= int(m_folders.size())) {
        --m_iFolder;
    }
    if (m_iFolder < 0) {
        m_positions.clear();
        m_pMacroList->RemoveAll();
        ClearEditor();
    }
    ApplyBindingChange(change);
}

void CMacroPage::RenameFolder() {
    if (m_iFolder < 0 || m_iFolder >= int(m_folders.size())) {
        return;
    }
    const std::u16string old = m_folders[size_t(m_iFolder)];
    const auto name = AskName(2, old, {});
    if (!name || !Library().RenameFolder(old, *name)) {
        return;
    }
    m_folders[size_t(m_iFolder)] = *name;
    m_pFolderCombo->SetItemText(m_iFolder, ToQString(*name));
    m_pFolderCombo->Invalidate();
}

void CMacroPage::AddMacro() {
    if (m_iFolder < 0 || m_iFolder >= int(m_folders.size())) {
        return;
    }
    const std::u16string folder = m_folders[size_t(m_iFolder)];
    const auto name = AskName(1, {}, folder);
    if (!name) {
        return;
    }
    const int position = Library().CreateMacro(folder, *name);
    if (position < 0) {
        TellIfLibraryFull(Macros().size());
        return;
    }
    m_positions.push_back(position);
    m_pMacroList->AddItem(ToQString(*name), kMacroItemHeight);
    m_pMacroList->SelectItem(m_pMacroList->GetCount() - 1);  // loads the new macro
}

void CMacroPage::DeleteMacro() {
    const int item = m_pMacroList->GetCurSel();
    if (item < 0 || item >= int(m_positions.size())) {
        return;
    }
    if (!Confirm(QStringLiteral("delete_macro_text"))) {
        return;
    }
    m_recorder->StopRecording();
    const int position = m_positions[size_t(item)];
    if (position == m_iCurPos) {
        m_pCurrent = nullptr;
        m_iCurPos = -1;
    }
    const BindingChange change = Library().DeleteMacro(position);
    for (size_t i = size_t(item); i < m_positions.size(); ++i) {
        --m_positions[i];
    }
    m_positions.erase(m_positions.begin() + item);
    // The list selects the item that took the place (or the new last one),
    // which loads that macro through the updated positions.
    m_pMacroList->RemoveAt(item);
    if (m_pMacroList->GetCount() == 0) {
        ClearEditor();
    }
    ApplyBindingChange(change);
}

void CMacroPage::RenameMacro() {
    if (m_iCurPos < 0 || m_pCurrent == nullptr) {
        return;
    }
    const std::u16string old = ReadText(m_pCurrent->macroName);
    const auto name = AskName(3, old, ReadText(m_pCurrent->folderName));
    if (!name) {
        SetText(m_pName, ToQString(old));
        return;
    }
    WriteText(m_pCurrent->macroName, *name);
    const auto it = std::find(m_positions.begin(), m_positions.end(), m_iCurPos);
    if (it != m_positions.end()) {
        m_pMacroList->SetItemText(int(it - m_positions.begin()), ToQString(*name));
        m_pMacroList->Invalidate();
    }
    SetText(m_pName, ToQString(*name));
    SaveCurrentMacro();
}

void CMacroPage::ImportMacro() {
    const QString path = CFileDialog::GetOpenFileName(
        m_host.DialogOwner(), kMacroFilter,
        QString::fromStdString(Library().GetStores().Folder().string()), QStringLiteral("mbin"));
    if (path.isEmpty()) {
        return;
    }
    std::optional<std::u16string_view> folder;
    if (m_iFolder >= 0 && m_iFolder < int(m_folders.size())) {
        folder = m_folders[size_t(m_iFolder)];
    }
    const ImportResult result =
        Library().ImportMacro(std::filesystem::path(path.toStdString()), folder);
    if (!result.ok) {
        ShowWarning(Text("macro_import_failed_text") + "\n" + QString::fromStdString(result.error));
        return;
    }
    if (folder) {
        m_positions.push_back(result.position);
        m_pMacroList->AddItem(ToQString(ReadText(Macros()[size_t(result.position)]->macroName)),
                              kMacroItemHeight);
        m_pMacroList->SelectItem(m_pMacroList->GetCount() - 1);
        return;
    }
    m_folders.push_back(result.folder);
    m_pFolderCombo->AddItem(ToQString(result.folder), kFolderItemHeight);
    m_pFolderCombo->SelectItem(m_pFolderCombo->GetCount() - 1);
    if (m_pMacroList->GetCount() > 0) {
        m_pMacroList->SelectItem(0);
    }
}

void CMacroPage::ImportFolder() {
    const QString path = CFileDialog::GetOpenFileName(
        m_host.DialogOwner(), kFolderFilter,
        QString::fromStdString(Library().GetStores().Folder().string()), QStringLiteral("mbins"));
    if (path.isEmpty()) {
        return;
    }
    const ImportResult result = Library().ImportFolder(std::filesystem::path(path.toStdString()));
    if (!result.ok) {
        ShowWarning(Text("macro_import_failed_text") + "\n" + QString::fromStdString(result.error));
        return;
    }
    m_folders.push_back(result.folder);
    m_pFolderCombo->AddItem(ToQString(result.folder), kFolderItemHeight);
    m_pFolderCombo->SelectItem(m_pFolderCombo->GetCount() - 1);
}

void CMacroPage::ExportMacro() {
    if (m_pCurrent == nullptr) {
        return;
    }
    const QString path = CFileDialog::GetSaveFileName(
        m_host.DialogOwner(), kMacroFilter,
        QString::fromStdString(Library().GetStores().Folder().string()), QStringLiteral("mbin"),
        ToQString(ReadText(m_pCurrent->macroName)));
    if (path.isEmpty()) {
        return;
    }
    const IoResult result =
        Library().ExportMacro(*m_pCurrent, std::filesystem::path(path.toStdString()));
    if (!result) {
        ShowWarning(Text("macro_export_failed_text") + "\n" +
                    QString::fromStdString(result.message));
    }
}

void CMacroPage::ExportFolder() {
    if (m_iFolder < 0 || m_iFolder >= int(m_folders.size())) {
        return;
    }
    const std::u16string folder = m_folders[size_t(m_iFolder)];
    const QString path = CFileDialog::GetSaveFileName(
        m_host.DialogOwner(), kFolderFilter,
        QString::fromStdString(Library().GetStores().Folder().string()), QStringLiteral("mbins"),
        ToQString(folder));
    if (path.isEmpty()) {
        return;
    }
    const IoResult result =
        Library().ExportFolder(folder, std::filesystem::path(path.toStdString()));
    if (!result) {
        ShowWarning(Text("macro_export_failed_text") + "\n" +
                    QString::fromStdString(result.message));
    }
}

void CMacroPage::OpenMenu(CButtonUI* anchor, const QString& skin) {
    // Top-left corner of the menu at the button's bottom-left corner.
    const QRect button = anchor->GetPos();
    const QRect window = m_host.ScreenRect();
    const QPoint at(window.left() + button.left(), window.top() + button.top() + button.height());
    m_host.ShowPopupMenu(skin, at, kMenuAlignLeft | kMenuAlignTop);
}

void CMacroPage::OnMenuCommand(const QString& name) {
    if (m_library == nullptr) {
        return;
    }
    FinishFill();
    if (name == "rename_macro_dir") {
        RenameFolder();
    } else if (name == "import_macro_dir") {
        ImportFolder();
    } else if (name == "export_macro_dir") {
        ExportFolder();
    } else if (name == "rename_macro") {
        RenameMacro();
    } else if (name == "import_macro") {
        ImportMacro();
    } else if (name == "export_macro") {
        ExportMacro();
    }
}

// ---- saving --------------------------------------------------------------------

void CMacroPage::SaveCurrentMacro() {
    if (m_pCurrent == nullptr || m_iCurPos < 0) {
        return;
    }
    std::memcpy(m_pCurrent->actions, m_work.actions.data(), sizeof m_pCurrent->actions);
    m_pCurrent->actionCount = uint16_t(m_work.count);
    m_pCurrent->loopCount = uint16_t(m_work.loopCount);
    Library().Save();
    ApplyBindingChange(Library().PropagateMacro(m_iCurPos, false));
}

// ---- the action list and its editor --------------------------------------------

CControlUI* CMacroPage::MakeItem(const MacroAction& action) {
    CControlUI* item = CDialogBuilder::Create(QStringLiteral("macrolistitem.xml"), m_pPM);
    if (item != nullptr) {
        FillItem(item, action);
    }
    return item;
}

void CMacroPage::FillItem(CControlUI* item, const MacroAction& action, bool moveLook,
                          bool zeroDelay) {
    if (item == nullptr) {
        return;
    }
    auto* key = item->FindSubControl<CLabelUI>("key");
    auto* what = item->FindSubControl<CLabelUI>("action");
    auto* delay = item->FindSubControl<CLabelUI>("delay");
    if (key == nullptr || what == nullptr || delay == nullptr) {
        return;
    }
    if (action.code == kMoveCode) {
        key->SetResourceText(QStringLiteral("mouse_move_text"));
        key->SetBkImage(QStringLiteral("res='skins/move.png' dest='2,2,28,28'"));
        what->SetText(QString::asprintf("X: %d Y: %d", action.x, action.y));
        what->SetBkImage(QString());
    } else {
        key->SetResourceText(ToQString(KeyNameKey(action.code)));
        if (IsMouseButton(action.code)) {
            key->SetBkImage(moveLook ? QStringLiteral("res='skins/mouse.png' dest='10,4,32,36'")
                                     : QStringLiteral("res='skins/mouse.png' dest='2,2,28,28'"));
        } else {
            key->SetBkImage(QStringLiteral("res='skins/keyboard_key_action.png' dest='5,6,35,24'"));
        }
        if (action.kind == kActionRelease) {
            what->SetResourceText(QStringLiteral("key_up_action"));
            what->SetBkImage(QStringLiteral("res='skins/macro_key_up.png' dest='5,6,21,24'"));
        } else {
            what->SetResourceText(QStringLiteral("key_down_action"));
            what->SetBkImage(QStringLiteral("res='skins/macro_key_down.png' dest='5,6,21,24'"));
        }
    }
    delay->SetText(QString::number(zeroDelay ? 0 : action.delay));
}

void CMacroPage::RebuildActionList() {
    if (m_pActionList == nullptr) {
        return;
    }
    m_pActionList->KillTimer(kRevealTimer);
    m_pActionList->KillTimer(kFillTimer);
    // The list ends up as if emptied and filled anew, but items already there
    // are filled again rather than built again, and items that must be built
    // are built a few per turn of the event loop: building an item from its
    // template is what takes time, and a library of long macros would
    // otherwise hold the window at every macro selection.
    m_pActionList->SelectItem(-1, false);
    int have = m_pActionList->GetCount();
    while (have > m_work.count) {
        m_pActionList->RemoveAt(--have);
    }
    for (int i = 0; i < have; ++i) {
        CControlUI* item = m_pActionList->GetItemAt(i);
        if (item == nullptr) {  // not one of ours: start afresh
            m_pActionList->RemoveAll();
            have = 0;
            break;
        }
        FillItem(item, m_work.actions[size_t(i)]);
    }
    if (m_work.count == 0) {
        m_work.selected = -1;
        m_bFilling = false;
        return;
    }
    // The selection the finished list takes.
    m_bFilling = true;
    m_bFillReveal = m_work.showInsertion;
    m_iFillSelect = m_work.showInsertion ? std::clamp(m_work.insertPoint - 1, 0, m_work.count - 1)
                                         : m_work.count - 1;
    ContinueFill(kItemsPerTurn);
}

void CMacroPage::ContinueFill(int budget) {
    if (!m_bFilling || m_pActionList == nullptr) {
        return;
    }
    for (int i = m_pActionList->GetCount(); i < m_work.count && budget > 0; ++i, --budget) {
        CControlUI* item = MakeItem(m_work.actions[size_t(i)]);
        if (item == nullptr || m_pActionList->AddItem(item, kActionItemHeight) < 0) {
            break;  // a broken template is reported; the list stays short
        }
    }
    if (m_pActionList->GetCount() < m_work.count && budget == 0) {
        m_pActionList->SetTimer(kFillTimer, 0);
        return;
    }
    m_pActionList->KillTimer(kFillTimer);
    m_bFilling = false;
    if (m_iFillSelect < 0) {
        return;  // the user chose an action meanwhile
    }
    m_pActionList->SelectItem(m_iFillSelect);
    if (m_bFillReveal) {
        m_pActionList->SetTimer(kRevealTimer, kRevealMs);
    } else {
        m_pActionList->ScrollToEnd();
    }
}

void CMacroPage::FinishFill() {
    ContinueFill(kMaxMacroActions);
}

void CMacroPage::SelectAction(int index) {
    if (index < 0 || index >= m_work.count) {
        return;
    }
    m_work.selected = index;
    ShowActionEditor(index);
}

void CMacroPage::ShowActionEditor(int index) {
    if (index < 0 || index >= m_work.count) {
        SetText(m_pKey, QString());
        SetText(m_pDelay, QString());
        SetVisible(m_pKeyRow, false);
        SetVisible(m_pDelayRow, false);
        SetVisible(m_pMoveRow, false);
        if (m_pMouseButton != nullptr) {
            m_pMouseButton->SelectItem(0, false);
        }
        return;
    }
    const MacroAction& action = m_work.actions[size_t(index)];
    SetVisible(m_pDelayRow, true);
    SetText(m_pDelay, QString::number(action.delay));
    if (IsMouseButton(action.code)) {
        SetVisible(m_pKeyRow, true);
        SetVisible(m_pMoveRow, false);
        SetVisible(m_pKey, false);
        SetVisible(m_pMouseButton, true);
        if (m_pMouseButton != nullptr) {
            m_pMouseButton->SelectItem(action.code - kFirstMouseButton, false);
        }
    } else if (action.code == kMoveCode) {
        SetVisible(m_pKeyRow, false);
        SetVisible(m_pMoveRow, true);
        SetText(m_pMoveX, QString::number(action.x));
        SetText(m_pMoveY, QString::number(action.y));
    } else {
        SetVisible(m_pKeyRow, true);
        SetVisible(m_pMoveRow, false);
        SetVisible(m_pKey, true);
        SetText(m_pKey, Text(ToQString(KeyNameKey(action.code))));
        SetVisible(m_pMouseButton, false);
    }
}

void CMacroPage::MoveAction(int by) {
    const int from = m_pActionList->GetCurSel();
    const int to = from + by;
    if (from < 0 || to < 0 || from >= m_work.count || to >= m_work.count) {
        return;
    }
    std::swap(m_work.actions[size_t(from)], m_work.actions[size_t(to)]);
    // A move down onto the last place shows no delay there until the next
    // rebuild: nothing follows the last action.
    FillItem(m_pActionList->GetItemAt(from), m_work.actions[size_t(from)], true);
    FillItem(m_pActionList->GetItemAt(to), m_work.actions[size_t(to)], true,
             by > 0 && to == m_work.count - 1);
    m_pActionList->SelectItem(to);
    SaveCurrentMacro();
}

void CMacroPage::DeleteAction() {
    const int index = m_work.selected;
    if (index < 0 || index >= m_work.count) {
        return;
    }
    std::copy(m_work.actions.begin() + index + 1, m_work.actions.begin() + m_work.count,
              m_work.actions.begin() + index);
    m_work.actions[size_t(m_work.count - 1)] = MacroAction{};
    --m_work.count;
    if (m_work.count == 0) {
        m_work.selected = -1;
    }
    // The list selects the item that took the place, or the new last one.
    m_pActionList->RemoveAt(index);
    if (m_work.count == 0) {
        ShowActionEditor(-1);
    }
    SaveCurrentMacro();
}

void CMacroPage::ClearAll() {
    if (m_pCurrent == nullptr) {
        return;
    }
    m_work.actions = {};
    m_work.count = 0;
    m_work.showInsertion = false;
    m_work.insertPoint = -1;
    m_work.selected = -1;
    SaveCurrentMacro();
    RebuildActionList();
    ShowActionEditor(-1);
}

void CMacroPage::InsertMouseMove() {
    if (m_pCurrent == nullptr || m_work.count >= kInsertMoveLimit) {
        return;
    }
    MacroAction move{};
    move.code = kMoveCode;
    move.kind = kActionMove;
    move.delay = kMinDelay;
    move.x =
        int32_t(std::clamp<long long>(ReadDecimal(m_pInsertX->GetText()), -kMaxMove, kMaxMove));
    move.y =
        int32_t(std::clamp<long long>(ReadDecimal(m_pInsertY->GetText()), -kMaxMove, kMaxMove));
    if (m_work.selected >= 0) {
        m_work.insertPoint = m_work.insertStart = m_work.selected + 1;
        m_work.showInsertion = true;
    } else {
        m_work.insertPoint = -1;
    }
    m_work.InsertAction(move);
    SaveCurrentMacro();
    RebuildActionList();
    m_work.showInsertion = false;
}

void CMacroPage::SetMouseButton(int item) {
    if (m_work.selected < 0 || m_work.selected >= m_work.count || item < 0 ||
        item >= kMouseButtons) {
        return;
    }
    MacroAction& action = m_work.actions[size_t(m_work.selected)];
    action.code = uint8_t(kFirstMouseButton + item);
    if (CControlUI* row = m_pActionList->GetItemAt(m_work.selected)) {
        if (auto* key = row->FindSubControl<CLabelUI>("key")) {
            key->SetResourceText(ToQString(KeyNameKey(action.code)));
        }
    }
    SaveCurrentMacro();
}

void CMacroPage::CommitDelay() {
    if (m_work.selected < 0 || m_work.selected >= m_work.count) {
        return;
    }
    const auto value =
        int(std::clamp<long long>(ReadDecimal(m_pDelay->GetText()), kMinDelay, kMaxDelay));
    m_pDelay->SetText(QString::number(value));
    m_work.actions[size_t(m_work.selected)].delay = uint16_t(value);
    if (CControlUI* row = m_pActionList->GetItemAt(m_work.selected)) {
        SetText(row->FindSubControl("delay"), QString::number(value));
    }
    SaveCurrentMacro();
}

void CMacroPage::CommitLoops() {
    const auto value = int(
        std::clamp<long long>(ReadDecimal(m_pLoops->GetText()), kMinMacroLoops, kMaxMacroLoops));
    m_pLoops->SetText(QString::number(value));
    m_work.loopCount = value;
    SaveCurrentMacro();
}

void CMacroPage::CommitMove(bool y) {
    if (m_work.selected < 0 || m_work.selected >= m_work.count) {
        return;
    }
    MacroAction& action = m_work.actions[size_t(m_work.selected)];
    // Coordinates belong to mouse moves only.
    if (action.code != kMoveCode) {
        return;
    }
    CEditUI* edit = y ? m_pMoveY : m_pMoveX;
    const auto value =
        int32_t(std::clamp<long long>(ReadDecimal(edit->GetText()), -kMaxMove, kMaxMove));
    edit->SetText(QString::number(value));
    (y ? action.y : action.x) = value;
    if (CControlUI* row = m_pActionList->GetItemAt(m_work.selected)) {
        SetText(row->FindSubControl("action"),
                QString::asprintf("X: %d Y: %d", action.x, action.y));
    }
    SaveCurrentMacro();
}

// ---- notifications -----------------------------------------------------------

void CMacroPage::OnClick(TNotifyUI& msg) {
    if (m_library == nullptr || msg.pSender == nullptr) {
        return;
    }
    FinishFill();
    CControlUI* s = msg.pSender;
    if (s == m_pAddFolder) {
        AddFolder();
    } else if (s == m_pDeleteFolder) {
        DeleteFolder();
    } else if (s == m_pAddMacro) {
        AddMacro();
    } else if (s == m_pDeleteMacro) {
        DeleteMacro();
    } else if (s == m_pFolderMenu) {
        OpenMenu(m_pFolderMenu, QStringLiteral("macrodirmenu.xml"));
    } else if (s == m_pMacroMenu) {
        OpenMenu(m_pMacroMenu, QStringLiteral("macromenu.xml"));
    } else if (s == m_pMoveUp) {
        MoveAction(-1);
    } else if (s == m_pMoveDown) {
        MoveAction(1);
    } else if (s == m_pDeleteAction) {
        DeleteAction();
    } else if (s == m_pClearAll) {
        ClearAll();
    } else if (s == m_pInsertMove) {
        InsertMouseMove();
    }
}

void CMacroPage::OnSelectChanged(TNotifyUI& msg) {
    if (msg.wParam == 0) {
        return;
    }
    for (int i = 0; i < 3; ++i) {
        if (msg.pSender != nullptr && msg.pSender == m_pDelayMode[i]) {
            m_recorder->SetDelayMode(i);
        }
    }
}

void CMacroPage::OnItemSelect(TNotifyUI& msg) {
    if (m_library == nullptr || msg.pSender == nullptr) {
        return;
    }
    const int index = int(msg.wParam);
    if (msg.pSender == m_pFolderCombo) {
        SelectFolder(index);
    } else if (msg.pSender == m_pMacroList) {
        SelectMacro(index);
    } else if (msg.pSender == m_pActionList) {
        // The user's choice stands over the one a list still filling would make.
        m_iFillSelect = -1;
        SelectAction(index);
    } else if (msg.pSender == m_pMouseButton) {
        FinishFill();
        SetMouseButton(index);
    }
}

void CMacroPage::OnKillFocus(TNotifyUI& msg) {
    if (m_library == nullptr || msg.pSender == nullptr) {
        return;
    }
    FinishFill();
    if (msg.pSender == m_pKey) {
        m_recorder->EndKeyCapture();
    } else if (msg.pSender == m_pDelay) {
        CommitDelay();
    } else if (msg.pSender == m_pLoops) {
        CommitLoops();
    } else if (msg.pSender == m_pMoveX) {
        CommitMove(false);
    } else if (msg.pSender == m_pMoveY) {
        CommitMove(true);
    } else if (msg.pSender == m_pName && m_pCurrent != nullptr) {
        // Leaving the field without changing the name asks nothing.
        if (m_pName->GetText() != ToQString(ReadText(m_pCurrent->macroName))) {
            RenameMacro();
        }
    }
}

void CMacroPage::OnTextChanged(TNotifyUI& msg) {
    auto* edit = dynamic_cast<CEditUI*>(msg.pSender);
    if (edit == nullptr ||
        (edit != m_pMoveX && edit != m_pMoveY && edit != m_pInsertX && edit != m_pInsertY)) {
        return;
    }
    const long long value = ReadDecimal(edit->GetText());
    if (value > kMaxMove) {
        edit->SetText(QString::number(kMaxMove));
    } else if (value < -kMaxMove) {
        edit->SetText(QString::number(-kMaxMove));
    }
}

// ---- recording and key capture -----------------------------------------------

void CMacroPage::OnHookEvent(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (m_recorder == nullptr) {
        return;
    }
    FinishFill();
    m_recorder->OnHookMessage(msg, wParam, lParam);
}

void CMacroPage::ToggleRecording() {
    FinishFill();
    if (m_recorder->ToggleRecording() != MacroRecorder::Toggle::Unavailable || m_bToldUnavailable) {
        return;
    }
    // Said once per run: recording needs the input hook.
    m_bToldUnavailable = true;
    ShowWarning(Text("macro_recording_unavailable_text")
                    .arg(QString::fromStdString(m_recorder->UnavailableReason())));
}

void CMacroPage::OnCheckClick(TNotifyUI& msg) {
    if (m_recorder != nullptr && msg.pSender != nullptr && msg.pSender == m_pRecord) {
        ToggleRecording();
    }
}

void CMacroPage::OnMouseEnter(TNotifyUI& msg) {
    if (m_recorder != nullptr && msg.pSender != nullptr && msg.pSender == m_pRecord) {
        m_recorder->PointerOverRecordButton(true);
    }
}

void CMacroPage::OnMouseLeave(TNotifyUI& msg) {
    if (m_recorder != nullptr && msg.pSender != nullptr && msg.pSender == m_pRecord) {
        m_recorder->PointerOverRecordButton(false);
    }
}

void CMacroPage::OnSetFocus(TNotifyUI& msg) {
    if (m_recorder != nullptr && msg.pSender != nullptr && msg.pSender == m_pKey) {
        m_recorder->BeginKeyCapture();
    }
}

void CMacroPage::ShowRecording(bool recording) {
    if (m_pRecord == nullptr) {
        return;
    }
    m_pRecord->SetResourceText(recording ? QStringLiteral("stop_recording_text")
                                         : QStringLiteral("start_recording_text"));
    if (!recording) {
        m_pRecord->SetCheck(false, false);
    }
}

void CMacroPage::ClearRecordCheck() {
    if (m_pRecord != nullptr) {
        m_pRecord->SetCheck(false, false);
    }
}

long long CMacroPage::DefaultDelayField() const {
    return m_pDefaultDelay != nullptr ? ReadDecimal(m_pDefaultDelay->GetText()) : 0;
}

void CMacroPage::ShowCapturedKey(int index, uint8_t code) {
    const QString key = ToQString(KeyNameKey(code));
    if (index == m_work.selected) {
        SetText(m_pKey, Text(key));
    }
    if (CControlUI* row = m_pActionList->GetItemAt(index)) {
        if (auto* label = row->FindSubControl<CLabelUI>("key")) {
            label->SetResourceText(key);
        }
    }
}

void CMacroPage::OnTimer(TNotifyUI& msg) {
    if (msg.pSender == nullptr || msg.pSender != m_pActionList) {
        return;
    }
    if (msg.wParam == kFillTimer) {
        ContinueFill(kItemsPerTurn);
        return;
    }
    if (msg.wParam != kRevealTimer) {
        return;
    }
    m_pActionList->KillTimer(kRevealTimer);
    if (m_work.insertPoint >= 1) {
        m_pActionList->EnsureVisible(m_work.insertPoint - 1);
    }
}

}  // namespace mouse
