// Profile management of the main window: switch (main_wnd.cpp), add, delete,
// reset, rename, the profile menu, import and export of .pbin files.
#include <QFile>
#include <QFileInfo>

#include "app/autostart.h"
#include "app/logging.h"
#include "app/main_wnd.h"
#include "buttons/msg_wnd.h"
#include "store/corrections.h"
#include "store/profile_file.h"
#include "ui/resource_manager.h"
#include "ui/text.h"
#include "ui/user_folders.h"

namespace mouse {

namespace {

const QString kProfileFilter = QStringLiteral("Profile Data (*.pbin *.PBIN)");

}  // namespace

void CMainWnd::ShowCurrentName() {
    if (m_pProfileName != nullptr) {
        m_pProfileName->SetText(ToQString(ReadText(CurrentProfile().name)));
    }
}

bool CMainWnd::AppendProfile(std::unique_ptr<ProfileRecord> record) {
    // More would not load at the next start.
    if (m_stores->profiles.size() >= kMaxProfiles) {
        m_boxes.QueueNotice(LangText("profile_limit_text").arg(kMaxProfiles));
        return false;
    }
    const QString name = ToQString(ReadText(record->name));
    m_stores->profiles.push_back(std::move(record));
    SaveInBackground({StoreFile::Profiles});
    const int index = int(m_stores->profiles.size()) - 1;
    if (m_pProfileCombo != nullptr) {
        m_pProfileCombo->AddItem(name, 25);
        m_pProfileCombo->SelectItem(index);  // switches through "itemselect"
    }
    if (m_stores->currentIndex != index) {
        SwitchProfile(index);
    }
    return true;
}

std::u16string CMainWnd::NewProfileName() const {
    const QString base = LangText("profile_text") + QString::number(m_stores->profiles.size() + 1);
    return UniqueName(ToU16(base),
                      [this](std::u16string_view n) { return m_stores->ProfileNameExists(n); });
}

void CMainWnd::AddProfile() {
    auto record = std::make_unique_for_overwrite<ProfileRecord>();
    CopyFromTemplate(*record, *m_template, NewProfileName());
    AppendProfile(std::move(record));
}

void CMainWnd::DuplicateProfile() {
    auto record = std::make_unique_for_overwrite<ProfileRecord>();
    CopyFromTemplate(*record, CurrentProfile(), NewProfileName());
    AppendProfile(std::move(record));
}

void CMainWnd::CorrectStoredProfiles() {
    const auto corrections = SanitizeStoredProfiles(*m_stores, m_config.sensor);
    for (const StoredProfileCorrection& c : corrections) {
        qCWarning(lcProfiles, "profile %zu of profile.bin: %s set to a valid value", c.index + 1,
                  JoinCorrections(c.fields).c_str());
    }
}

void CMainWnd::DeleteProfile() {
    if (m_stores->profiles.size() < 2) {
        return;
    }
    const QString name = ToQString(ReadText(CurrentProfile().name));
    if (!Confirm(LangText("delete_profile_text").arg(name))) {
        return;
    }
    // The list may have changed while the box was open (never below one
    // profile: nothing else deletes).
    const int index = m_stores->currentIndex;
    const std::string gone = ToUtf8(ReadText(m_stores->profiles[size_t(index)]->name));
    m_stores->profiles.erase(m_stores->profiles.begin() + index);
    SaveInBackground({StoreFile::Profiles});
    const int next = std::min(index, int(m_stores->profiles.size()) - 1);
    // The current index is valid before anything can read the profile.
    m_stores->currentIndex = next;
    ProfileRenamedOrDeleted(gone, {});
    m_bReselect = true;
    if (m_pProfileCombo != nullptr) {
        m_pProfileCombo->RemoveAt(index);
        m_pProfileCombo->SelectItem(next);
    }
    if (m_bReselect) {
        SwitchProfile(next);
    }
}

void CMainWnd::ResetProfile() {
    if (!Confirm(QStringLiteral("reset_profile_text"))) {
        return;
    }
    ProfileRecord& current = CurrentProfile();
    const std::u16string name = ReadText(current.name);
    CopyFromTemplate(current, *m_template, name);
    RefreshPages();
    // Like any edit it reaches the mouse with the next apply.
    SaveInBackground({StoreFile::Profiles});
    ShowApplyMarker();
}

void CMainWnd::RenameProfile() {
    if (m_pProfileName == nullptr) {
        return;
    }
    ProfileRecord& current = CurrentProfile();
    const std::u16string old = ReadText(current.name);
    std::u16string typed = ToU16(m_pProfileName->GetText());
    typed = detail::CutText(typed, size_t(kTextChars - 1));
    if (TextEqualsNoCase(typed, old)) {
        return;  // unchanged, or only its letter case
    }
    if (m_stores->ProfileNameExists(typed)) {
        ShowCurrentName();  // another profile has it
        // Named as the other profile spells it: the match ignores case.
        QString other = ToQString(typed);
        for (const auto& p : m_stores->profiles) {
            if (TextEqualsNoCase(p->name, typed)) {
                other = ToQString(ReadText(p->name));
                break;
            }
        }
        m_boxes.QueueNotice(LangText("profile_name_taken_text").arg(other));
        return;
    }
    WriteText(current.name, typed);
    ProfileRenamedOrDeleted(ToUtf8(old), ToUtf8(typed));
    if (m_pProfileCombo != nullptr) {
        m_pProfileCombo->SetItemText(m_stores->currentIndex, ToQString(typed));
    }
    SaveInBackground({StoreFile::Profiles});
}

CMenuWnd* CMainWnd::ShowPopupMenu(const QString& skinFile, QPoint anchor, UINT align) {
    m_menu.reset();
    m_menu = CMenuWnd::CreateMenu(this, skinFile, anchor, align);
    return m_menu.get();
}

void CMainWnd::OpenProfileMenu() {
    CControlUI* button = FindControl("btn_menu_profile");
    if (button == nullptr) {
        return;
    }
    // Top-left corner under the button's left edge.
    const QRect window = GetWindowRect();
    const QRect at = button->GetPos();
    ShowPopupMenu(QStringLiteral("profilemenu.xml"),
                  QPoint(window.left() + at.left(), window.top() + at.bottom() + 1),
                  kMenuAlignLeft | kMenuAlignTop);
}

void CMainWnd::OpenSettingsMenu() {
    CControlUI* button = FindControl("setting_btn");
    if (button == nullptr) {
        return;
    }
    // Right edge under the button's right edge: the menu stays inside the
    // window.
    const QRect window = GetWindowRect();
    const QRect at = button->GetPos();
    CMenuWnd* menu =
        ShowPopupMenu(QStringLiteral("settingmenu.xml"),
                      QPoint(window.left() + at.right() + 1, window.top() + at.bottom() + 1),
                      kMenuAlignRight | kMenuAlignTop);
    if (menu == nullptr) {
        return;
    }
    if (auto* autostart = dynamic_cast<COptionUI*>(menu->FindItem("autostart"))) {
        autostart->Selected(AutostartOn(), false);
    } else {
        qCWarning(lcApp, "settingmenu.xml has no check item \"autostart\"");
    }
}

bool CMainWnd::AutostartOn() const {
    return AutostartEnabled(QFile::encodeName(m_options.autostartFile).toStdString());
}

void CMainWnd::ToggleAutostart() {
    const bool on = !AutostartOn();
    const IoResult done = SetAutostart(QFile::encodeName(m_options.autostartFile).toStdString(), on,
                                       QFile::encodeName(m_options.autostartCommand).toStdString());
    if (!done) {
        qCWarning(lcApp, "start at login: %s", done.message.c_str());
        m_boxes.QueueNotice(LangText("autostart_failed_text") + "\n" +
                            QString::fromStdString(done.message));
        return;
    }
    qCInfo(lcApp, "start at login %s: %s", on ? "on" : "off",
           m_options.autostartFile.toUtf8().constData());
}

void CMainWnd::ImportProfile() {
    const QString path = CFileDialog::GetOpenFileName(this, kProfileFilter, ExchangeStartFolder(),
                                                      QStringLiteral("pbin"));
    if (path.isEmpty()) {
        return;
    }
    const ProfileLimits limits{m_config.sensor, m_stores->macros.size(), m_stores->guns.size()};
    ProfileFileResult file = ReadProfileFile(QFile::encodeName(path).toStdString(), limits);
    if (!file) {
        const std::string why = DescribeProfileFileError(file.error);
        qCWarning(lcProfiles, "cannot import %s: %s", path.toUtf8().constData(), why.c_str());
        m_boxes.QueueNotice(LangText("import_profile_failed_text") + "\n" +
                            QFileInfo(path).fileName() + ": " + QString::fromStdString(why));
        return;
    }
    // The name is told apart: a file without one takes its file name, as
    // the user expects, and a cleaned name shows in the list.
    std::vector<std::string> settings;
    for (const std::string& field : file.corrected) {
        if (field != "name") {
            settings.push_back(field);
        }
    }
    const QString list = QString::fromStdString(JoinCorrections(settings));
    if (!settings.empty()) {
        qCInfo(lcProfiles, "import %s: %s set to a valid value", path.toUtf8().constData(),
               list.toUtf8().constData());
    }
    // A name already taken gets the first free _1, _2, ...
    const std::u16string name =
        UniqueName(ReadText(file.record->name),
                   [this](std::u16string_view n) { return m_stores->ProfileNameExists(n); });
    WriteText(file.record->name, name);
    // Saved at once: an imported profile is not lost by a crash before the
    // next save.
    if (!AppendProfile(std::move(file.record))) {
        return;
    }
    if (!settings.empty()) {
        m_boxes.QueueNotice(LangText("import_profile_corrected_text").arg(list));
    }
}

void CMainWnd::ExportProfile() {
    const QString name = ToQString(ReadText(CurrentProfile().name));
    const QString path = CFileDialog::GetSaveFileName(
        this, kProfileFilter, ExchangeStartFolder(), QStringLiteral("pbin"),
        name.isEmpty() ? QString() : name + QStringLiteral(".pbin"));
    if (path.isEmpty()) {
        return;
    }
    IoResult written = WriteProfileFile(QFile::encodeName(path).toStdString(), CurrentProfile());
    if (!written) {
        qCWarning(lcProfiles, "cannot export the profile: %s", written.message.c_str());
        m_boxes.QueueNotice(LangText("export_profile_failed_text") + "\n" +
                            QString::fromStdString(written.message));
    }
}

}  // namespace mouse
