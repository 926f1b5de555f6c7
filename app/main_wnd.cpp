// The main window: start-up, notifications, window messages, dialogs over
// the overlay. The device link's host is in main_wnd_device.cpp, background
// saves in main_wnd_saves.cpp, profile management in profiles.cpp, menu
// commands, the tray menu and the D-Bus service's requests in
// main_wnd_commands.cpp.
#include "app/main_wnd.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QTimer>
#include <cstring>

#include "app/autostart.h"
#include "app/desktop_notice.h"
#include "app/logging.h"
#include "buttons/msg_wnd.h"
#include "device/messages.h"
#include "device/protocol.h"
#include "focus/active_window_kwin.h"
#include "macros/window_input_hook.h"
#include "macros/x_keyboard.h"
#include "performance/desktop_pointer.h"
#include "ui/resource_manager.h"
#include "ui/text.h"

namespace mouse {

namespace {

QString ProfileName(const ProfileRecord& record) {
    return ToQString(ReadText(record.name));
}

}  // namespace

CMainWnd::CMainWnd(MainWndOptions options)
    : m_options(std::move(options)),
      m_buttonPage(*this, m_pm),
      m_performancePage(*this, m_pm),
      m_lightPage(*this, m_pm),
      m_macroPage(*this, m_pm),
      m_gunPage(*this, m_pm),
      m_template(std::make_unique<ProfileRecord>()),
      m_boxes(*this) {
    if (!m_options.programFolder.endsWith('/')) {
        m_options.programFolder += '/';
    }
    if (m_options.launcher == nullptr) {
        m_options.launcher = &m_desktopLauncher;
    }
    if (m_options.pointer == nullptr) {
        m_ownPointer = CreateDesktopPointerPlatform();
        m_options.pointer = m_ownPointer.get();
    }
    if (!m_options.session) {
        m_options.session = DetectSession();  // one reading for every choice below
    }
    if (m_options.hook == nullptr) {
        m_ownHook = MakeSessionHook(*m_options.session,
                                    (m_options.programFolder + kHookLibraryName).toStdString());
        m_options.hook = m_ownHook.get();
    }
    if (m_options.keyboard == nullptr) {
        m_ownKeyboard = std::make_unique<XKeyboardLayout>();
        m_options.keyboard = m_ownKeyboard.get();
    }
    if (!m_options.quit) {
        m_options.quit = [] { QCoreApplication::quit(); };
    }
    if (!m_options.probeAccess) {
        m_options.probeAccess = [](int vid, int pid) {
            return qEnvironmentVariableIsEmpty("MOUSE_SIM_SOCKET") ? ProbeHidraw(vid, pid)
                                                                   : HidrawAccess{};
        };
    }
    if (m_options.autostartFile.isEmpty()) {
        m_options.autostartFile = QFile::decodeName(AutostartFile().c_str());
    }
    if (m_options.autostartCommand.isEmpty()) {
        m_options.autostartCommand = m_options.programFolder + "mouse-driver";
    }
    if (!m_options.notify) {
        m_options.notify = SendDesktopNotification;
    }
    std::memset(m_template.get(), 0, sizeof(ProfileRecord));
    m_stores = std::make_unique<Stores>(
        m_options.storeFolder.isEmpty()
            ? StoreFolderOf(std::filesystem::path(m_options.programFolder.toStdString()))
            : std::filesystem::path(QFile::encodeName(m_options.storeFolder).toStdString()));
    if (m_options.readStoresAhead) {
        m_storesAhead = std::async(
            std::launch::async, [folder = m_stores->Folder()] { return ReadStoreLists(folder); });
    }
    m_writer = std::make_unique<StoreWriter>([this](const StoreWriteDone& done) {
        // The copy of what the mouse holds only decides the marker at the
        // next start: a failure to keep it is logged, not put to the user.
        if (!done.result && done.file.filename() == kMouseRecordFile) {
            qCWarning(lcApp, "%s", done.result.message.c_str());
            NoteSaveResult(IoResult{}, done.queueEmpty);
            return;
        }
        NoteSaveResult(done.result, done.queueEmpty);
    });
}

CMainWnd::~CMainWnd() {
    // An apply still under way or queued when the program ends reaches the
    // mouse; let it finish and save the stores for it, without touching
    // controls or asking anything on the way out.
    m_closing = true;
    m_boxes.Close();
    m_pRing = nullptr;
    if (m_link != nullptr && m_link->Worker() != nullptr) {
        m_link->Worker()->WaitIdle();
        m_link->OnWorkerDone();
        // Edits not applied are kept in the profile for the next start.
        SaveEditsOfCurrent();
    }
    // Every save asked for so far reaches the disk before the program ends.
    m_writer->Drain();
    m_link.reset();
    delete m_pDpiMsg;  // still shown: its timer never came
    m_pDpiMsg = nullptr;
    RemoveVirtualWnd("ButtonPage");
    RemoveVirtualWnd("PerformancePage");
    RemoveVirtualWnd("LightPage");
    RemoveVirtualWnd("MacroPage");
    RemoveVirtualWnd("GunPage");
}

void CMainWnd::InitWindow() {
    InitMainWindow();
}

void CMainWnd::InitMainWindow() {
    // 1. Each page is a virtual window of the pump.
    CPage* pages[] = {&m_buttonPage, &m_performancePage, &m_lightPage, &m_macroPage, &m_gunPage};
    AddVirtualWnd("ButtonPage", &m_buttonPage);
    AddVirtualWnd("PerformancePage", &m_performancePage);
    AddVirtualWnd("LightPage", &m_lightPage);
    AddVirtualWnd("MacroPage", &m_macroPage);
    AddVirtualWnd("GunPage", &m_gunPage);

    // 2. Data.ini.
    const std::string folder = m_options.programFolder.toStdString();
    m_config = LoadDeviceConfig(folder + "Data.ini");
    qCDebug(lcApp, "firmware version in Data.ini: %d.%d", m_config.verH, m_config.verL);

    // 3. The default template: a short or missing file leaves the rest zero.
    std::vector<uint8_t> bytes;
    if (ReadFileUpTo(folder + "Data/Default.pbin", sizeof(ProfileRecord), bytes, true).status !=
            ReadStatus::Missing &&
        !bytes.empty()) {
        std::memcpy(m_template.get(), bytes.data(), std::min(bytes.size(), sizeof(ProfileRecord)));
    }

    // 4. The logo as window icon.
    const QString logo = m_options.programFolder + "logo.png";
    SetIcon(logo);

    // 5. Language texts and the title.
    CResourceManager::GetInstance()->LoadLanguage();
    SetWindowTitle(LangText("mouse_name_text"));

    // 6. Controls. The window and its pages use the controls their tables
    // name without checking each use, so a skin that lacks one must not
    // come up (see SkinIncomplete).
    const qsizetype skinErrors = CPaintManagerUI::GetErrors().size();
    m_pm.CheckControls(kMainWndTable);
    m_pProfileCombo = FindControl<CComboUI>("profile_combo");
    m_pProfileName = FindControl<CEditUI>("edit_profile_name");
    m_pConfigTab = FindControl<CTabLayoutUI>("config_tab");
    m_pMainTab = FindControl<CTabLayoutUI>("main_tab");
    m_pRing = FindControl("ring_ver");
    if (m_pRing != nullptr) {
        m_pRing->Hide();
    }
    m_pApplyStatus = FindControl<CLabelUI>("apply_status_label");
    if (m_pApplyStatus != nullptr) {
        m_pApplyStatus->Hide();
    }
    if (auto* overlay = FindControl("disable_window_ver")) {
        overlay->Hide();
    }
    if (m_pProfileName != nullptr) {
        m_pProfileName->SetMaxChar(kTextChars - 1);
    }
    m_pNoMouse = FindControl("no_mouse_ver");
    m_pNoMouseReason = FindControl<CLabelUI>("no_mouse_reason_label");
    m_pNoMouseTitle = FindControl<CLabelUI>("no_mouse_title_label");
    m_pNoMouseHint = FindControl<CLabelUI>("no_mouse_hint_label");
    m_pCopyFix = FindControl<CButtonUI>("btn_copy_fix");
    if (m_pNoMouse != nullptr) {
        m_pNoMouse->Hide();
    }
    m_pApplyButton = FindControl<CButtonUI>("btn_apply");
    m_pApplyMarker = FindControl("apply_marker");
    m_pBanner = FindControl<CLabelUI>("offline_banner");
    for (CControlUI* hidden : {m_pApplyMarker, static_cast<CControlUI*>(m_pBanner),
                               static_cast<CControlUI*>(m_pCopyFix)}) {
        if (hidden != nullptr) {
            hidden->Hide();
        }
    }
    if (auto* tab = FindControl<COptionUI>("key_btn")) {
        tab->Selected(true, false);
    }

    // 7. The tray icon.
    m_tray.CreateTrayIcon(this, logo, LangText("mouse_name_text"));

    // 8. The input hook (said once on the diagnostic output when recording
    // is not available), then the pages find their controls.
    if (m_options.hook == m_ownHook.get() && !m_ownHook->Available()) {
        qCWarning(lcApp, "recording is not available: %s", m_ownHook->Unavailable().c_str());
    } else if (m_options.hook == m_ownHook.get() && m_ownHook->OwnWindowsOnly()) {
        qCInfo(lcApp, "recording takes the input of this program's windows only");
    }
    for (CPage* page : pages) {
        page->InitControls();
    }
    if (CPaintManagerUI::GetErrors().size() > skinErrors) {
        m_skinIncomplete = true;
        qCWarning(lcApp, "the skin lacks controls the window needs; it does not start");
        return;
    }

    // 9. The stores, the profile selector and the folder lists.
    StoreLists ahead;
    const bool readAhead = m_storesAhead.valid();
    if (readAhead) {
        ahead = m_storesAhead.get();
    }
    LoadReport report = m_stores->LoadStores(
        m_config.sensor, LangText("profile_text").toStdU16String(), readAhead ? &ahead : nullptr);
    CorrectStoredProfiles();
    // Saves that failed here (a store folder that cannot be written, say)
    // are shown with the damaged files: the user would otherwise learn of
    // them only when settings are gone at the next start.
    for (const std::string& error : report.errors) {
        qCWarning(lcApp, "%s", error.c_str());
        m_damagedStores += "\n\n" + QString::fromStdString(error);
    }
    if (report.indexReset) {
        qCWarning(lcApp, "the saved current profile does not exist: profile 1 selected");
    }
    // Memory for the snapshots of profile.bin (with room for a few more
    // profiles), made on the writer thread once the window is up, so that
    // saves do not fault it in here and the start-up does not wait for it.
    QTimer::singleShot(0, &m_timerContext, [this] {
        m_writer->Reserve(m_stores->SizeOf(StoreFile::Profiles) + 4 * sizeof(ProfileRecord), 3);
    });
    for (const DamagedFile& damaged : report.damaged) {
        const std::string line = DescribeDamage(damaged);
        qCWarning(lcApp, "%s", line.c_str());
        m_damagedStores += "\n\n" + QString::fromStdString(line);
    }
    if (!m_damagedStores.isEmpty()) {
        PostMessage(kMsgStoresDamaged);
    }
    m_currentAsSaved = std::make_unique<ProfileRecord>(CurrentProfile());
    FillProfileCombo();
    RefreshPages();
    // The macro and preset lists are not on the first page; the program
    // fills them once the event loop runs, before any input reaches them.
    auto fillLibraries = [this] {
        m_macroPage.FillFolderList();
        m_gunPage.FillFolderList();
    };
    if (m_options.fillLibrariesLater) {
        QTimer::singleShot(0, &m_timerContext, fillLibraries);
    } else {
        fillLibraries();
    }

    // 10. The device worker, with the current profile as the last-applied copy.
    m_link = std::make_unique<DeviceLink>(
        *this, m_driver, m_config, [this](unsigned message, uintptr_t wParam, intptr_t lParam) {
            PostMessage(message, wParam, lParam);
        });
    m_link->StartWorker(*m_options.pointer, CurrentProfile(), m_options.workerPause);
    // What the mouse held when the program last talked to it; without that
    // copy the program has never seen the mouse, and takes it to hold the
    // current profile once it does.
    std::vector<uint8_t> held;
    if (ReadFileUpTo(MouseRecordPath(), sizeof(ProfileRecord), held).status == ReadStatus::Ok &&
        held.size() == sizeof(ProfileRecord)) {
        auto record = std::make_unique_for_overwrite<ProfileRecord>();
        std::memcpy(record.get(), held.data(), sizeof(ProfileRecord));
        m_link->SetMouseRecord(*record);
        m_mouseRecordKept = true;
        m_editWithoutMouse = true;
    }

    // 11. The device-access library and the device start-up.
    QString library = m_options.driverLibrary.isEmpty()
                          ? m_options.programFolder + kDriverLibraryName
                          : m_options.driverLibrary;
    std::string libraryError;
    if (!m_driver.Load(library.toStdString())) {
        libraryError = m_driver.Error();
        qCWarning(lcApp, "%s", libraryError.c_str());
    }
    m_libraryError = libraryError;
    m_link->StartUp(libraryError);
    ShowApplyMarker();

    // 12. The D-Bus service; the program runs on without it.
    if (m_options.busService) {
        m_service = std::make_unique<DBusService>(*this);
        m_service->SetWindowActivatedHook(&ReportKWinWindowActivated);
        m_service->Start(m_options.busAddress);
    }

    // 13. The per-application profiles.
    StartFollowingFocus();
}

HookSink CMainWnd::HookSinkToWindow() {
    return PostingSink([this](unsigned message, uintptr_t wParam, intptr_t lParam) {
        PostMessage(message, wParam, lParam);
    });
}

void CMainWnd::FillProfileCombo() {
    if (m_pProfileCombo == nullptr) {
        return;
    }
    m_pProfileCombo->RemoveAll();
    for (const auto& profile : m_stores->profiles) {
        m_pProfileCombo->AddItem(ProfileName(*profile), 25);
    }
    m_pProfileCombo->SelectItem(m_stores->currentIndex, false);
    if (m_pProfileName != nullptr) {
        m_pProfileName->SetText(ProfileName(CurrentProfile()));
    }
}

void CMainWnd::RefreshPages() {
    CPage* pages[] = {&m_buttonPage, &m_performancePage, &m_lightPage, &m_macroPage, &m_gunPage};
    for (CPage* page : pages) {
        page->Refresh();
    }
}

void CMainWnd::ShowOverlay(bool show) {
    if (CControlUI* overlay = m_pm.TryFindControl(QStringLiteral("disable_window_ver"))) {
        overlay->SetVisible(show);
    }
}

int CMainWnd::RunDialog(WindowImplBase& dlg, const std::function<void()>& beforeShow) {
    ShowOverlay(true);
    int result = 0;
    if (dlg.Create(this, {}, kStyleTool)) {
        if (beforeShow) {
            beforeShow();
        }
        dlg.CenterWindow();
        result = dlg.ShowModal();
    }
    ShowOverlay(false);
    return result;
}

bool CMainWnd::Confirm(const QString& messageKey) {
    ShowOverlay(true);
    const int result = ShowMessage(this, QStringLiteral("warning_title_text"), messageKey);
    ShowOverlay(false);
    return result == 1;
}

void CMainWnd::NoticeBindingChange() {
    SendMessage(kMsgBindingChanged, 0, 0);
}

void CMainWnd::Apply() {
    if (m_link == nullptr) {
        return;
    }
    KillTimer(kApplyStatusTimer);
    if (m_pApplyStatus != nullptr) {
        m_pApplyStatus->Hide();
    }
    // ApplyStarted follows when the job goes to the worker; while the mouse
    // is away the banner says the apply waits for it.
    m_link->PostApply();
}

void CMainWnd::SwitchProfile(int index) {
    if (index < 0 || index >= int(m_stores->profiles.size())) {
        return;
    }
    if (index == m_stores->currentIndex && !m_bReselect) {
        return;
    }
    m_bReselect = false;
    // The profile left keeps its edits. The index is saved by an apply only:
    // the next start opens the profile the mouse was last given.
    SaveEditsOfCurrent();
    m_stores->currentIndex = index;
    *m_currentAsSaved = CurrentProfile();
    if (m_pProfileName != nullptr) {
        m_pProfileName->SetText(ProfileName(CurrentProfile()));
    }
    RefreshPages();
    ShowApplyMarker();
}

void CMainWnd::DispatchNotify(TNotifyUI& msg) {
    WindowImplBase::DispatchNotify(msg);
    ShowApplyMarker();
    if (m_service != nullptr) {
        m_service->Observe();
    }
}

void CMainWnd::Notify(TNotifyUI& msg) {
    const QString name = msg.pSender != nullptr ? msg.pSender->GetName() : QString();
    if (msg.sType == ev::kClick) {
        OnClick(msg);
    } else if (msg.sType == ev::kSelectChanged) {
        OnTabSelected(name);
    } else if (msg.sType == ev::kItemSelect && name == "profile_combo") {
        SwitchProfile(int(msg.wParam));
    } else if ((msg.sType == ev::kKillFocus || msg.sType == ev::kReturn) &&
               name == "edit_profile_name") {
        RenameProfile();
    }
}

void CMainWnd::OnTabSelected(const QString& name) {
    if (m_pConfigTab == nullptr || m_pMainTab == nullptr) {
        return;
    }
    if (name != "macro_btn" && (name == "key_btn" || name == "performance_btn" ||
                                name == "light_btn" || name == "gun_btn")) {
        // What is typed on another tab is not meant for the macro.
        m_macroPage.StopRecording();
    }
    if (name == "key_btn") {
        m_pConfigTab->SelectItem(tab::kConfigSettings);
        m_pMainTab->SelectItem(tab::kMainButtons);
    } else if (name == "performance_btn") {
        m_pConfigTab->SelectItem(tab::kConfigSettings);
        m_pMainTab->SelectItem(tab::kMainPerformance);
    } else if (name == "light_btn") {
        m_pConfigTab->SelectItem(tab::kConfigSettings);
        m_pMainTab->SelectItem(tab::kMainLighting);
    } else if (name == "macro_btn") {
        m_pConfigTab->SelectItem(tab::kConfigMacro);
    } else if (name == "gun_btn") {
        m_pConfigTab->SelectItem(tab::kConfigGun);
    }
}

void CMainWnd::OnClick(TNotifyUI& msg) {
    const QString name = msg.pSender != nullptr ? msg.pSender->GetName() : QString();
    if (name == "min_btn") {
        Minimize();
    } else if (name == "exit_btn") {
        // The close button only hides the window; the program stays in the tray.
        ShowWindow(false);
    } else if (name == "btn_apply") {
        Apply();
    } else if (name == "btn_edit_offline") {
        m_editWithoutMouse = true;
        ShowDeviceState();
    } else if (name == "btn_copy_fix") {
        QGuiApplication::clipboard()->setText(
            QString::fromStdString(PermissionFixCommands(m_config.vid, m_config.pid)));
    } else if (name == "logo_btn") {
        OpenLogoLink();
    } else if (name == "btn_add_profile") {
        AddProfile();
    } else if (name == "btn_delete_profile") {
        DeleteProfile();
    } else if (name == "btn_reset_profile") {
        ResetProfile();
    } else if (name == "btn_menu_profile") {
        OpenProfileMenu();
    } else if (name == "setting_btn") {
        OpenSettingsMenu();
    }
}

void CMainWnd::OpenLogoLink() {
    const QString address = LangText("website_text");
    if (address.isEmpty() || address == "website_text" || !IsWebAddress(address)) {
        return;
    }
    m_options.launcher->OpenUrl(address);
}

LRESULT CMainWnd::HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
    const LRESULT result = HandleWindowMessage(msg, wParam, lParam, handled);
    // A device notice, a hook report or a worker result may have changed
    // the profile or what the mouse holds.
    if (msg != WM_DESTROY) {
        ShowApplyMarker();
        if (m_service != nullptr) {
            m_service->Observe();
        }
    }
    return result;
}

LRESULT CMainWnd::HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = true;
    switch (msg) {
        case WM_DESTROY:
            m_options.quit();
            handled = false;
            return 0;
        case WM_CLOSE:
            // Closing the window only hides it; the program stays in the tray.
            ShowWindow(false);
            return 0;
        case WM_TIMER:
            if (wParam == kDpiPopupTimer) {
                KillTimer(kDpiPopupTimer);
                CloseDpiPopup();
                return 0;
            }
            if (wParam == kFocusRestTimer) {
                KillTimer(kFocusRestTimer);
                m_switcher->RestEnded();
                return 0;
            }
            if (wParam == kApplyStatusTimer) {
                KillTimer(kApplyStatusTimer);
                if (m_pApplyStatus != nullptr) {
                    m_pApplyStatus->Hide();
                }
                return 0;
            }
            break;
        case kMsgTrayIcon:
            if (lParam == LPARAM(WM_LBUTTONUP)) {
                ShowWindowOrNoDevice();
            } else if (lParam == LPARAM(WM_RBUTTONUP)) {
                OpenTrayMenu();
            }
            return 0;
        case kMsgMenu:
            OnMenuCommand(wParam);
            return 0;
        case kMsgShowRequest:
            ShowWindowOrNoDevice();
            return 0;
        case kMsgBindingChanged:
            m_buttonPage.Refresh();
            return 0;
        case kMsgDpiPopup:
            ShowDpiPopup(int(lParam));
            return 0;
        case kMsgHookKey:
        case kMsgHookMouse:
            m_macroPage.OnHookEvent(msg, wParam, lParam);
            return 0;
        case kMsgDeviceNotice:
            if (m_link != nullptr) {
                m_link->OnDeviceNotice(wParam, lParam);
            }
            return 0;
        case kMsgDeviceChange:
            if (m_link != nullptr) {
                m_link->OnDeviceChange(wParam);
            }
            return 0;
        case kMsgWorkerDone:
            if (m_link != nullptr) {
                m_link->OnWorkerDone();
            }
            return 0;
        case kMsgSaveFailed:
            ReportSaveFailure(TakeSaveFailures());
            return 0;
        case kMsgStoresDamaged:
            m_boxes.Queue([this] { ShowDamagedStores(); });
            return 0;
        default:
            break;
    }
    handled = false;
    return 0;
}

void CMainWnd::OnFinalMessage() {}

}  // namespace mouse
