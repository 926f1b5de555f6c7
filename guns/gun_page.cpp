#include "guns/gun_page.h"

#include <algorithm>
#include <filesystem>

#include "device/diagnostics.h"
#include "macros/edit_name_wnd.h"
#include "store/gun_library.h"
#include "ui/file_dialog.h"
#include "ui/typed_number.h"

namespace mouse {

namespace {

constexpr int kFolderItemHeight = 25;
constexpr int kGunItemHeight = 30;
constexpr int kFields = 3;

const char* const kFieldNames[kFields] = {"delay", "x", "y"};

QString ToQString(const std::u16string& text) {
    return QString::fromUtf16(text.data(), qsizetype(text.size()));
}

std::u16string ToU16(const QString& text) {
    return text.toStdU16String();
}

// The values a bullet row can hold. Typed values are clamped to them and
// the arrows stop at them: the mouse takes x and y as one signed byte each
// and the delay in tens of milliseconds in one byte, so a value beyond them
// would reach the mouse wrapped (an x of 128 as -128, the correction turned
// round) or as a delay of 0.
int FieldMin(CGunPage::Field field) {
    return field == CGunPage::Field::Delay ? kMinBulletDelay : -kMaxBulletOffset;
}
int FieldMax(CGunPage::Field field) {
    return field == CGunPage::Field::Delay ? kMaxBulletDelay : kMaxBulletOffset;
}

int RowValue(const BulletRow& row, CGunPage::Field field) {
    switch (field) {
        case CGunPage::Field::Delay:
            return row.delay;
        case CGunPage::Field::X:
            return row.x;
        case CGunPage::Field::Y:
            return row.y;
    }
    return 0;
}

void SetRowValue(BulletRow& row, CGunPage::Field field, int value) {
    switch (field) {
        case CGunPage::Field::Delay:
            row.delay = uint16_t(value);
            break;
        case CGunPage::Field::X:
            row.x = value;
            break;
        case CGunPage::Field::Y:
            row.y = value;
            break;
    }
}

const QString kGunFilter = QStringLiteral("Gun Data (*.gbin *.GBIN)");
const QString kGunFolderFilter = QStringLiteral("Gun Data (*.gbins *.GBINS)");

}  // namespace

int ParseGunNumber(const QString& text) {
    return int(ReadTypedNumber(text, 1000000));
}

CGunPage::CGunPage(PageHost& host, CPaintManagerUI& manager) : CPage(host, manager) {
    OnNotify(ev::kClick, &CGunPage::OnClick);
    OnNotify(ev::kItemSelect, &CGunPage::OnItemSelect);
    OnNotify(ev::kKillFocus, &CGunPage::OnKillFocus);
    OnNotify(ev::kSetFocus, &CGunPage::OnSetFocus);
    OnNotify(ev::kTextChanged, &CGunPage::OnTextChanged);
    for (BulletRow& row : m_rows) {
        row = BulletRow{0, 0, 0, uint16_t(kMinBulletDelay)};
    }
}

CGunPage::~CGunPage() = default;

void CGunPage::InitControls() {
    // FindControl reports every control that is missing or of another kind;
    // the handlers check every pointer before using it.
    m_pFolderCombo = m_pPM->FindControl<CComboUI>("gun_combo");
    m_pAddFolder = m_pPM->FindControl<CButtonUI>("btn_add_gun_floder");
    m_pDeleteFolder = m_pPM->FindControl<CButtonUI>("btn_delete_gun_floder");
    m_pFolderMenu = m_pPM->FindControl<CButtonUI>("btn_menu_gun_floder");
    m_pGunList = m_pPM->FindControl<CListUI>("gun_list");
    m_pAddGun = m_pPM->FindControl<CButtonUI>("btn_add_gun");
    m_pDeleteGun = m_pPM->FindControl<CButtonUI>("btn_delete_gun");
    m_pGunMenu = m_pPM->FindControl<CButtonUI>("btn_menu_gun");
    m_pGunName = m_pPM->FindControl<CEditUI>("edit_gun_name");
    m_pCountCombo = m_pPM->FindControl<CComboUI>("zidan_combo");
    m_pPlot = m_pPM->FindControl<CPatternPlotUI>("gun_pattern_plot");
    if (m_pGunName != nullptr) {
        m_pGunName->SetMaxChar(kTextChars - 1);
    }
    for (int r = 0; r < kMaxBullets; ++r) {
        Row& row = m_row[size_t(r)];
        const QString n = QString::number(r + 1);
        row.container = m_pPM->FindControl("ver_zidan_num_" + n);
        for (int f = 0; f < kFields; ++f) {
            const QString field = QString::fromLatin1(kFieldNames[f]);
            row.edit[f] = m_pPM->FindControl<CEditUI>("edit_zidan_" + field + "_" + n);
        }
        // x runs the other way: its "up" button subtracts one.
        const auto button = [&](const char* name) {
            return m_pPM->FindControl<CButtonUI>(QString::fromLatin1(name) + n);
        };
        row.less[int(Field::Delay)] = button("zidan_delay_down_btn_");
        row.more[int(Field::Delay)] = button("zidan_delay_up_btn_");
        row.less[int(Field::X)] = button("zidan_x_up_btn_");
        row.more[int(Field::X)] = button("zidan_x_down_btn_");
        row.less[int(Field::Y)] = button("zidan_y_down_btn_");
        row.more[int(Field::Y)] = button("zidan_y_up_btn_");
    }
    ShowGun(-1);
}

GunLibrary& CGunPage::Library() {
    if (m_library == nullptr) {
        PageHost* host = &m_host;
        m_library = std::make_unique<GunLibrary>(
            m_host.GetStores(), [host] { host->SaveInBackground({StoreFile::Guns}); });
    }
    return *m_library;
}

std::vector<std::unique_ptr<GunRecord>>& CGunPage::Guns() {
    return m_host.GetStores().guns;
}

QString CGunPage::FolderName(int index) const {
    if (index < 0 || size_t(index) >= m_folderNames.size()) {
        return {};
    }
    return ToQString(m_folderNames[size_t(index)]);
}

QString CGunPage::DataFolder() const {
    return QString::fromStdString(m_host.GetStores().Folder().string());
}

// ------------------------------------------------------------ folder list

void CGunPage::FillFolderList() {
    m_folderNames.clear();
    m_selectedFolder = -1;
    if (m_pFolderCombo != nullptr) {
        m_pFolderCombo->RemoveAll();
    }
    for (const auto& record : Guns()) {
        if (record->isFolder == 1) {
            m_folderNames.push_back(ReadText(record->folderName));
            if (m_pFolderCombo != nullptr) {
                m_pFolderCombo->AddItem(ToQString(m_folderNames.back()), kFolderItemHeight);
            }
        }
    }
    if (!m_folderNames.empty() && m_pFolderCombo != nullptr) {
        m_pFolderCombo->SelectItem(0);  // shows the folder through "itemselect"
    } else {
        m_shown.clear();
        if (m_pGunList != nullptr) {
            m_pGunList->RemoveAll();
        }
        m_selectedGun = -1;
        ShowGun(-1);
    }
}

void CGunPage::SelectFolder(int index) {
    m_selectedFolder = index;
    m_shown.clear();
    if (m_pGunList != nullptr) {
        m_pGunList->RemoveAll();
    }
    const std::u16string folder =
        index >= 0 && size_t(index) < m_folderNames.size() ? m_folderNames[size_t(index)] : u"";
    const auto& guns = Guns();
    for (size_t i = 0; i < guns.size(); ++i) {
        const GunRecord& g = *guns[i];
        if (g.isFolder == 0 && TextEqualsNoCase(g.folderName, folder)) {
            m_shown.push_back(int(i));
            if (m_pGunList != nullptr) {
                m_pGunList->AddItem(ToQString(ReadText(g.gunName)), kGunItemHeight);
            }
        }
    }
    m_selectedGun = -1;
    ShowGun(-1);
}

void CGunPage::SelectGun(int index) {
    if (index < 0 || size_t(index) >= m_shown.size()) {
        return;
    }
    m_selectedGun = m_shown[size_t(index)];
    ShowGun(m_selectedGun);
}

// ------------------------------------------------------------ the editor

void CGunPage::ShowGun(int position) {
    const bool none = position < 0 || Guns().empty() || size_t(position) >= Guns().size();
    if (none) {
        m_current = nullptr;
        m_count = 0;
        for (BulletRow& row : m_rows) {
            row = BulletRow{0, 0, 0, uint16_t(kMinBulletDelay)};
        }
        if (m_pCountCombo != nullptr) {
            m_pCountCombo->SelectItem(-1, false);
        }
        if (m_pGunName != nullptr) {
            m_pGunName->SetText({});
        }
    } else {
        m_current = Guns()[size_t(position)].get();
        m_count = m_current->bulletCount;
        std::copy(std::begin(m_current->bullets), std::end(m_current->bullets), m_rows.begin());
        if (m_pCountCombo != nullptr) {
            // A count of 0 (or one the selector does not have) shows no item.
            const int item = m_count - 1;
            m_pCountCombo->SelectItem(item < m_pCountCombo->GetCount() ? item : -1, false);
        }
        if (m_pGunName != nullptr) {
            m_pGunName->SetText(ToQString(ReadText(m_current->gunName)));
        }
    }
    for (int r = 0; r < kMaxBullets; ++r) {
        ShowRowValues(r);
    }
    ShowRows(m_count);
    RefreshPlot();
}

void CGunPage::ShowRows(int count) {
    for (int r = 0; r < kMaxBullets; ++r) {
        if (m_row[size_t(r)].container != nullptr) {
            m_row[size_t(r)].container->SetVisible(r < count);
        }
    }
}

void CGunPage::ShowRowValues(int row) {
    const Row& controls = m_row[size_t(row)];
    for (int f = 0; f < kFields; ++f) {
        if (controls.edit[f] != nullptr) {
            controls.edit[f]->SetText(QString::number(RowValue(m_rows[size_t(row)], Field(f))));
        }
    }
}

void CGunPage::RefreshPlot() {
    if (m_pPlot == nullptr) {
        return;
    }
    std::vector<QPoint> steps;
    const int count = std::clamp(m_count, 0, kMaxBullets);
    steps.reserve(size_t(count));
    for (int r = 0; r < count; ++r) {
        steps.emplace_back(m_rows[size_t(r)].x, m_rows[size_t(r)].y);
    }
    m_pPlot->SetSteps(steps);
}

void CGunPage::SetBulletCount(int count) {
    m_count = count;
    ShowRows(count);
    RefreshPlot();
    SaveCurrentGun();
}

void CGunPage::ArrowStep(int row, Field field, int delta) {
    CEditUI* edit = m_row[size_t(row)].edit[int(field)];
    if (edit == nullptr) {
        return;
    }
    // The arrows start from what the edit shows (it may hold a value typed
    // but not yet taken) and never leave the range of typed values.
    const int value =
        std::clamp(ParseGunNumber(edit->GetText()) + delta, FieldMin(field), FieldMax(field));
    SetRowValue(m_rows[size_t(row)], field, value);
    edit->SetText(QString::number(value));
    RefreshPlot();
    SaveCurrentGun();
}

void CGunPage::TakeTypedValue(int row, Field field) {
    CEditUI* edit = m_row[size_t(row)].edit[int(field)];
    if (edit == nullptr) {
        return;
    }
    // The edit then shows the number stored, also for text that was no
    // number (stored as 0, or 10 for a delay).
    const int value = std::clamp(ParseGunNumber(edit->GetText()), FieldMin(field), FieldMax(field));
    edit->SetText(QString::number(value));
    SetRowValue(m_rows[size_t(row)], field, value);
    RefreshPlot();
    SaveCurrentGun();
}

void CGunPage::LimitText(int row, Field field) {
    CEditUI* edit = m_row[size_t(row)].edit[int(field)];
    if (edit == nullptr || field == Field::Delay) {
        return;
    }
    const int typed = ParseGunNumber(edit->GetText());
    if (typed > kMaxBulletOffset) {
        edit->SetText(QString::number(kMaxBulletOffset));
    } else if (typed < -kMaxBulletOffset) {
        edit->SetText(QString::number(-kMaxBulletOffset));
    }
}

void CGunPage::SaveCurrentGun() {
    if (m_current == nullptr) {
        return;  // the working copy keeps the edit
    }
    m_current->bulletCount = uint8_t(m_count);
    std::copy(m_rows.begin(), m_rows.end(), std::begin(m_current->bullets));
    GunLibrary& library = Library();
    library.Save();
    const BindingChange change = library.PropagateGun(m_selectedGun, false);
    ApplyBindingChange(change);
}

// ------------------------------------------------------------ notifications

bool CGunPage::FindRowEdit(const CControlUI* sender, int& row, Field& field) const {
    if (sender == nullptr) {
        return false;
    }
    for (int r = 0; r < kMaxBullets; ++r) {
        for (int f = 0; f < kFields; ++f) {
            if (m_row[size_t(r)].edit[f] == sender) {
                row = r;
                field = Field(f);
                return true;
            }
        }
    }
    return false;
}

void CGunPage::OnClick(TNotifyUI& msg) {
    if (msg.pSender == nullptr) {
        return;
    }
    CControlUI* s = msg.pSender;
    if (s == m_pAddFolder) {
        AddFolder();
    } else if (s == m_pDeleteFolder) {
        DeleteFolder();
    } else if (s == m_pFolderMenu) {
        OpenMenu(m_pFolderMenu, QStringLiteral("gundirmenu.xml"));
    } else if (s == m_pAddGun) {
        AddGun();
    } else if (s == m_pDeleteGun) {
        DeleteGun();
    } else if (s == m_pGunMenu) {
        OpenMenu(m_pGunMenu, QStringLiteral("gunmenu.xml"));
    } else {
        for (int r = 0; r < kMaxBullets; ++r) {
            for (int f = 0; f < kFields; ++f) {
                if (s == m_row[size_t(r)].less[f]) {
                    ArrowStep(r, Field(f), -1);
                    return;
                }
                if (s == m_row[size_t(r)].more[f]) {
                    ArrowStep(r, Field(f), +1);
                    return;
                }
            }
        }
    }
}

void CGunPage::OnItemSelect(TNotifyUI& msg) {
    if (msg.pSender == nullptr) {
        return;
    }
    const int index = int(msg.wParam);
    if (msg.pSender == m_pFolderCombo) {
        SelectFolder(index);
    } else if (msg.pSender == m_pGunList) {
        SelectGun(index);
    } else if (msg.pSender == m_pCountCombo) {
        SetBulletCount(index + 1);
    }
}

void CGunPage::OnKillFocus(TNotifyUI& msg) {
    if (msg.pSender == nullptr) {
        return;
    }
    if (msg.pSender == m_pGunName) {
        TakeTypedName();
        return;
    }
    int row = 0;
    Field field = Field::Delay;
    if (FindRowEdit(msg.pSender, row, field)) {
        TakeTypedValue(row, field);
    }
}

void CGunPage::OnSetFocus(TNotifyUI& msg) {
    // The plot rings the bullet whose row the user is in.
    int row = 0;
    Field field = Field::Delay;
    if (m_pPlot != nullptr && FindRowEdit(msg.pSender, row, field)) {
        m_pPlot->SetHighlight(row);
    }
}

void CGunPage::OnTextChanged(TNotifyUI& msg) {
    int row = 0;
    Field field = Field::Delay;
    if (FindRowEdit(msg.pSender, row, field)) {
        LimitText(row, field);
    }
}

// ------------------------------------------------------------ dialogs

bool CGunPage::AskName(NameMode mode, const QString& initial, const QString& folder,
                       QString& result) {
    CEditGunName dlg;
    dlg.SetMode(int(mode));
    dlg.SetInitialName(initial);
    dlg.SetFolderName(folder);
    dlg.SetGunList(&Guns());
    if (RunDialog(dlg) != 1) {
        return false;
    }
    result = dlg.GetName();
    return true;
}

void CGunPage::OpenMenu(CButtonUI* button, const QString& skinFile) {
    // The menu's top-left corner at the button's bottom-left corner.
    const QRect at = button->GetPos();
    const QPoint screen = m_host.ScreenRect().topLeft() + at.bottomLeft() + QPoint(0, 1);
    m_host.ShowPopupMenu(skinFile, screen, kMenuAlignLeft | kMenuAlignTop);
}

void CGunPage::OnMenuCommand(const QString& name) {
    m_host.ClosePopupMenu();
    const QString command = name.toLower();
    if (command == QLatin1String("rename_gun_dir")) {
        RenameFolder();
    } else if (command == QLatin1String("import_gun_dir")) {
        ImportGunFolder();
    } else if (command == QLatin1String("export_gun_dir")) {
        ExportGunFolder();
    } else if (command == QLatin1String("rename_gun")) {
        RenameGun();
    } else if (command == QLatin1String("import_gun")) {
        ImportGun();
    } else if (command == QLatin1String("export_gun")) {
        ExportGun();
    }
}

// ------------------------------------------------------------ folders

void CGunPage::AddFolder() {
    QString name;
    if (!AskName(NameMode::AddFolder, {}, {}, name)) {
        return;
    }
    if (Library().CreateGunFolder(ToU16(name)) < 0) {
        TellIfLibraryFull(Library().Records().size());
        return;
    }
    m_folderNames.push_back(ToU16(name));
    if (m_pFolderCombo != nullptr) {
        m_pFolderCombo->AddItem(name, kFolderItemHeight);
        m_pFolderCombo->SelectItem(m_pFolderCombo->GetCount() - 1);
    }
}

void CGunPage::DeleteFolder() {
    if (m_folderNames.empty() || m_selectedFolder < 0 ||
        size_t(m_selectedFolder) >= m_folderNames.size()) {
        return;
    }
    if (!Confirm(QStringLiteral("delete_gun_dir_text"))) {
        return;
    }
    const int index = m_selectedFolder;
    m_current = nullptr;  // the records of the folder are about to go
    const BindingChange change = Library().DeleteGunFolder(m_folderNames[size_t(index)]);
    ApplyBindingChange(change);
    m_folderNames.erase(m_folderNames.begin() + index);
    if (m_folderNames.empty()) {
        m_selectedFolder = -1;
        if (m_pFolderCombo != nullptr) {
            m_pFolderCombo->RemoveAll();
        }
        m_shown.clear();
        if (m_pGunList != nullptr) {
            m_pGunList->RemoveAll();
        }
        m_selectedGun = -1;
        ShowGun(-1);
        return;
    }
    // The folder that takes its place (or the new last one) is shown; its
    // presets' positions may have moved, so its list is filled anew.
    const int next = std::min(index, int(m_folderNames.size()) - 1);
    m_selectedFolder = -1;
    if (m_pFolderCombo != nullptr) {
        m_pFolderCombo->RemoveAt(index);  // selects `next` with notification
    }
    if (m_selectedFolder != next) {
        SelectFolder(next);  // no notification came
    }
}

void CGunPage::RenameFolder() {
    if (m_selectedFolder < 0 || size_t(m_selectedFolder) >= m_folderNames.size()) {
        return;
    }
    const QString old = FolderName(m_selectedFolder);
    QString name;
    if (!AskName(NameMode::RenameFolder, old, {}, name)) {
        return;
    }
    if (!Library().RenameGunFolder(ToU16(old), ToU16(name))) {
        return;
    }
    m_folderNames[size_t(m_selectedFolder)] = ToU16(name);
    if (m_pFolderCombo != nullptr) {
        m_pFolderCombo->SetItemText(m_selectedFolder, name);
    }
}

// ------------------------------------------------------------ presets

void CGunPage::AddGun() {
    if (m_selectedFolder < 0 || size_t(m_selectedFolder) >= m_folderNames.size()) {
        return;
    }
    const QString folder = FolderName(m_selectedFolder);
    QString name;
    if (!AskName(NameMode::AddItem, {}, folder, name)) {
        return;
    }
    const int position = Library().CreateGun(ToU16(folder), ToU16(name));
    if (position < 0) {
        TellIfLibraryFull(Library().Records().size());
        return;
    }
    m_shown.push_back(position);
    if (m_pGunList != nullptr) {
        m_pGunList->AddItem(name, kGunItemHeight);
        m_pGunList->SelectItem(m_pGunList->GetCount() - 1);
    }
}

void CGunPage::DeleteGun() {
    if (m_pGunList == nullptr) {
        return;
    }
    const int s = m_pGunList->GetCurSel();
    if (s < 0 || size_t(s) >= m_shown.size()) {
        return;
    }
    if (!Confirm(QStringLiteral("delete_gun_text"))) {
        return;
    }
    const int p = m_shown[size_t(s)];
    m_current = nullptr;
    m_selectedGun = -1;
    const BindingChange change = Library().DeleteGun(p);
    ApplyBindingChange(change);
    m_shown.erase(m_shown.begin() + s);
    for (int& shown : m_shown) {
        if (shown > p) {
            --shown;
        }
    }
    // Removing the selected item selects the one that took its place (or
    // the new last one), which shows it; an emptied list shows nothing.
    m_pGunList->RemoveAt(s);
    if (m_shown.empty()) {
        ShowGun(-1);
    }
}

void CGunPage::RenameGun() {
    if (m_current == nullptr || m_selectedGun < 0) {
        return;
    }
    const QString old = ToQString(ReadText(m_current->gunName));
    const QString folder = ToQString(ReadText(m_current->folderName));
    QString name;
    if (!AskName(NameMode::RenameItem, old, folder, name) || m_current == nullptr) {
        return;
    }
    StoreGunName(ToU16(name));
}

void CGunPage::TakeTypedName() {
    if (m_pGunName == nullptr) {
        return;
    }
    if (m_current == nullptr || m_selectedGun < 0) {
        m_pGunName->SetText({});
        return;
    }
    const std::u16string old = ReadText(m_current->gunName);
    const NameVerdict verdict = CheckName(NameMode::RenameItem, ToU16(m_pGunName->GetText()), old,
                                          ReadText(m_current->folderName), kGunNameTexts, Guns());
    if (verdict.outcome == NameVerdict::Accept) {
        StoreGunName(verdict.name);
        return;
    }
    m_pGunName->SetText(ToQString(old));
    if (verdict.outcome == NameVerdict::Warn) {
        ShowWarning(QString::fromLatin1(verdict.messageKey));
    }
}

void CGunPage::StoreGunName(const std::u16string& name) {
    WriteText(m_current->gunName, name);
    const QString shown = ToQString(ReadText(m_current->gunName));
    if (m_pGunName != nullptr) {
        m_pGunName->SetText(shown);
    }
    for (size_t i = 0; i < m_shown.size(); ++i) {
        if (m_shown[i] == m_selectedGun && m_pGunList != nullptr) {
            m_pGunList->SetItemText(int(i), shown);
        }
    }
    SaveCurrentGun();
}

// ------------------------------------------------------------ exchange files

void CGunPage::ExportGun() {
    if (m_current == nullptr) {
        return;
    }
    const QString path = CFileDialog::GetSaveFileName(m_host.DialogOwner(), kGunFilter,
                                                      DataFolder(), QStringLiteral("gbin"),
                                                      ToQString(ReadText(m_current->gunName)));
    if (path.isEmpty()) {
        return;
    }
    const IoResult result = Library().ExportGun(*m_current, path.toStdString());
    if (!result.ok) {
        DebugPrintf("export_gun: %s\n", result.message.c_str());
    }
}

void CGunPage::ExportGunFolder() {
    if (m_selectedFolder < 0 || size_t(m_selectedFolder) >= m_folderNames.size()) {
        return;
    }
    const QString path =
        CFileDialog::GetSaveFileName(m_host.DialogOwner(), kGunFolderFilter, DataFolder(),
                                     QStringLiteral("gbins"), FolderName(m_selectedFolder));
    if (path.isEmpty()) {
        return;
    }
    const IoResult result =
        Library().ExportGunFolder(m_folderNames[size_t(m_selectedFolder)], path.toStdString());
    if (!result.ok) {
        DebugPrintf("export_gun_dir: %s\n", result.message.c_str());
    }
}

void CGunPage::ImportGun() {
    const QString path = CFileDialog::GetOpenFileName(m_host.DialogOwner(), kGunFilter,
                                                      DataFolder(), QStringLiteral("gbin"));
    if (path.isEmpty()) {
        return;
    }
    const bool intoFolder =
        m_selectedFolder >= 0 && size_t(m_selectedFolder) < m_folderNames.size();
    std::optional<std::u16string_view> folder;
    if (intoFolder) {
        folder = m_folderNames[size_t(m_selectedFolder)];
    }
    const ImportResult result = Library().ImportGun(path.toStdString(), folder);
    if (!result.ok) {
        DebugPrintf("import_gun: %s\n", result.error.c_str());
        ShowWarning(QStringLiteral("gun_import_failed_text"));
        return;
    }
    if (result.folderAdded) {
        m_folderNames.push_back(result.folder);
        if (m_pFolderCombo != nullptr) {
            m_pFolderCombo->AddItem(ToQString(result.folder), kFolderItemHeight);
            m_pFolderCombo->SelectItem(m_pFolderCombo->GetCount() - 1);  // fills gun_list
        }
        if (m_pGunList != nullptr && m_pGunList->GetCount() > 0) {
            m_pGunList->SelectItem(0);
        }
        return;
    }
    m_shown.push_back(result.position);
    if (m_pGunList != nullptr) {
        m_pGunList->AddItem(ToQString(ReadText(Guns()[size_t(result.position)]->gunName)),
                            kGunItemHeight);
        m_pGunList->SelectItem(m_pGunList->GetCount() - 1);
    }
}

void CGunPage::ImportGunFolder() {
    const QString path = CFileDialog::GetOpenFileName(m_host.DialogOwner(), kGunFolderFilter,
                                                      DataFolder(), QStringLiteral("gbins"));
    if (path.isEmpty()) {
        return;
    }
    const ImportResult result = Library().ImportGunFolder(path.toStdString());
    if (!result.ok) {
        DebugPrintf("import_gun_dir: %s\n", result.error.c_str());
        ShowWarning(QStringLiteral("gun_import_failed_text"));
        return;
    }
    m_folderNames.push_back(result.folder);
    if (m_pFolderCombo != nullptr) {
        m_pFolderCombo->AddItem(ToQString(result.folder), kFolderItemHeight);
        m_pFolderCombo->SelectItem(m_pFolderCombo->GetCount() - 1);
    }
}

}  // namespace mouse
