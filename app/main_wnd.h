// The main window: owns the pages, the stores, the tray icon and the device
// link; routes notifications, window messages and menu commands.
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <functional>
#include <future>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "app/app_switcher.h"
#include "app/dbus_service.h"
#include "app/launcher.h"
#include "app/message_box_queue.h"
#include "app/page_host.h"
#include "buttons/button_page.h"
#include "buttons/dpi_msg.h"
#include "device/device_link.h"
#include "device/driver_library.h"
#include "device/hidraw_access.h"
#include "focus/active_window.h"
#include "guns/gun_page.h"
#include "macros/hook_library.h"
#include "macros/macro_page.h"
#include "performance/light_page.h"
#include "performance/performance_page.h"
#include "performance/pointer_settings.h"
#include "performance/session.h"
#include "store/app_rules.h"
#include "store/data_ini.h"
#include "store/store_writer.h"
#include "store/stores.h"
#include "store/tables.h"
#include "ui/control_table.h"
#include "ui/menu.h"
#include "ui/tray.h"
#include "ui/window.h"

namespace mouse {

inline constexpr ControlSpec kMainWndControls[] = {
    {"skin_btn", ControlKind::Button},
    {"setting_btn", ControlKind::Button},
    {"exit_btn", ControlKind::Button},
    {"min_btn", ControlKind::Button},
    {"logo_btn", ControlKind::Button},
    {"key_btn", ControlKind::Option},
    {"performance_btn", ControlKind::Option},
    {"light_btn", ControlKind::Option},
    {"macro_btn", ControlKind::Option},
    {"gun_btn", ControlKind::Option},
    {"profile_combo", ControlKind::Combo},
    {"btn_add_profile", ControlKind::Button},
    {"btn_delete_profile", ControlKind::Button},
    {"btn_menu_profile", ControlKind::Button},
    {"edit_profile_name", ControlKind::Edit},
    {"btn_reset_profile", ControlKind::Button},
    {"btn_apply", ControlKind::Button},
    {"config_tab", ControlKind::TabLayout},
    {"main_tab", ControlKind::TabLayout},
    {"ring_ver", ControlKind::Control},
    {"disable_window_ver", ControlKind::Control},
    {"apply_status_label", ControlKind::Label},
    {"no_mouse_ver", ControlKind::Control},
    {"no_mouse_title_label", ControlKind::Label},
    {"no_mouse_hint_label", ControlKind::Label},
    {"no_mouse_reason_label", ControlKind::Label},
    {"btn_edit_offline", ControlKind::Button},
    {"btn_copy_fix", ControlKind::Button},
    {"apply_marker", ControlKind::Control},
    {"offline_banner", ControlKind::Label},
};
inline constexpr ControlTable kMainWndTable{"main.xml", "CMainWnd", kMainWndControls};
MOUSE_REGISTER_CONTROL_TABLE(kMainWndTable);

// What the main window needs from outside; tests replace each part.
struct MainWndOptions {
    QString programFolder;  // with a trailing '/'
    // Folder of the store files; empty: programFolder + "Data" (a portable
    // folder, and every test).
    QString storeFolder;
    // Device-access library file; empty: programFolder + "MSDriver.so".
    QString driverLibrary;
    Launcher* launcher = nullptr;        // default: the desktop's
    PointerPlatform* pointer = nullptr;  // default: the session's desktop's
    PauseFn workerPause;                 // default: real sleeps
    std::function<void()> quit;          // default: end the event loop
    // Input hook for recording and key capture; default: the session's
    // (MakeSessionHook: Hook.so of the program folder, or the program's own
    // windows on Wayland). Keyboard layout naming recorded keys; default:
    // the X display's.
    HookApi* hook = nullptr;
    // The session the defaults (hook, window-in-front source) are chosen
    // for; default: DetectSession(), read once.
    std::optional<Session> session;
    const KeyboardLayout* keyboard = nullptr;
    // Fill the macro and preset pages' lists once the event loop runs instead
    // of in Create, so that large libraries do not hold back the window.
    bool fillLibrariesLater = false;
    // Read the store files on another thread while the skin loads.
    bool readStoresAhead = false;
    // The "Start at login" entry and the command it starts the program with;
    // defaults: the user's autostart folder, programFolder + "mouse-driver".
    QString autostartFile;
    QString autostartCommand;
    // Tells the user something outside the window; default: the desktop's
    // notification service.
    std::function<void(const QString& title, const QString& body)> notify;
    // Whether the mouse is plugged in but closed to this user; default: the
    // kernel's hidraw nodes (nothing while MOUSE_SIM_SOCKET names a virtual
    // mouse).
    std::function<HidrawAccess(int vid, int pid)> probeAccess;
    // The D-Bus service (app/dbus_service.h): on the session bus, or on the
    // bus at busAddress when one is given; none without busService.
    bool busService = true;
    QString busAddress;
    // The source of the window in front for the per-application profiles;
    // default: the one for this session (focus/active_window.h). Giving
    // nullptr sets whyNot, the sentence the rules dialog shows.
    std::function<std::unique_ptr<ActiveWindowSource>(std::string& whyNot)> activeWindowSource;
};

// In the store folder: the profile record the mouse holds as far as the
// program knows (written after every complete apply and the mouse's own
// notices). Without it the program has never seen the mouse.
inline constexpr const char* kMouseRecordFile = "applied.pbin";

class CMainWnd : public WindowImplBase, public DeviceLinkHost, public PageHost, public ServiceHost {
public:
    explicit CMainWnd(MainWndOptions options);
    ~CMainWnd() override;

    QString GetWindowClassName() const override { return QStringLiteral("Mouse Driver"); }
    QString GetSkinFile() const override { return QStringLiteral("main.xml"); }

    // Shows the window (restoring it when minimised) and brings it forward.
    void ShowMainWindow();
    // The tray's left click, the configuration command and a second copy:
    // the window when it can be used (see CanEdit) or is already shown, else
    // the no-device message.
    void ShowWindowOrNoDevice();
    // True when the window must start hidden: the program was started with a
    // command line (at login). A start from the desktop always shows the
    // window, with the "no mouse" view when there is nothing to edit yet.
    bool StartsHidden(bool commandLine) const;
    // The pages can be used: the mouse is ready, or the program has seen the
    // mouse before (in this run or an earlier one), or the user chose to
    // edit without it.
    bool CanEdit() const;
    // Shows the window unless it starts hidden. A hidden start on a desktop
    // without a tray leaves no sign of the program, so it says once, as a
    // desktop notification, that it runs and how to open it.
    void Start(bool commandLine);
    // The skin lacks a control the window or a page needs (each is reported
    // in CPaintManagerUI::GetErrors): the window stopped setting itself up
    // after looking its controls up, and the program must not run with it.
    bool SkinIncomplete() const { return m_skinIncomplete; }

    // Writes the current profile to the mouse and shows the busy indicator;
    // while the mouse is away, keeps it to be written when the mouse arrives.
    void Apply() override;
    void SwitchProfile(int index);
    void RefreshPages();

    // Profile management (app/profiles.cpp): the profile bar's buttons, the
    // name field and the profile menu's commands.
    void AddProfile();
    void DeleteProfile();  // asks first, naming it; needs at least two profiles
    // A copy of the current profile, named as AddProfile names a new one.
    void DuplicateProfile();
    void ResetProfile();   // asks first; keeps the name; applied with the next apply
    void RenameProfile();  // from edit_profile_name's text
    void OpenProfileMenu();
    void ImportProfile();
    void ExportProfile();
    // The settings menu under setting_btn: "Start at login" (checked while
    // the autostart entry is on) and Quit, on every desktop.
    void OpenSettingsMenu();
    bool AutostartOn() const;
    void ToggleAutostart();
    // Opens a pop-up menu of the main window in place of the one open (at
    // most one is open at a time); nullptr when its skin cannot be loaded.
    CMenuWnd* ShowPopupMenu(const QString& skinFile, QPoint anchor, UINT align) override;
    void ClosePopupMenu() override { m_menu.reset(); }
    // Whether the window shows the "no mouse connected" state.
    bool ShowsNoMouseState() const;

    Stores& GetStores() override { return *m_stores; }
    // Queues background saves of these files (the pages' library saves and
    // the profile.bin save after a library change moved button bindings);
    // failures are reported to the user by the main window.
    void SaveInBackground(std::initializer_list<StoreFile> files) override;
    // Writes the stores saved from the user-interface thread.
    StoreWriter& Writer() { return *m_writer; }
    const DeviceConfig& Config() const override { return m_config; }
    DeviceLink& Link() { return *m_link; }
    const ProfileRecord& DefaultTemplate() const { return *m_template; }
    CButtonPage& ButtonPage() { return m_buttonPage; }
    CPerformancePage& PerformancePage() { return m_performancePage; }
    CGunPage& GunPage() { return m_gunPage; }
    CMacroPage& MacroPage() { return m_macroPage; }
    CTrayIcon& TrayIcon() { return m_tray; }
    CMenuWnd* CurrentMenu() override { return m_menu.get(); }
    QString ProgramFolder() const { return m_options.programFolder; }
    int PendingApplies() const { return m_pendingApplies; }
    // The input hook (check Available()) and where its reports go: messages
    // kMsgHookKey / kMsgHookMouse to this window, carrying the read time.
    HookApi& Hook() override { return *m_options.hook; }
    HookSink HookSinkToWindow() override;
    const KeyboardLayout& Keyboard() const override { return *m_options.keyboard; }
    // The DPI pop-up while it is shown, else nullptr.
    CDPIMsg* DpiPopup() const { return m_pDpiMsg; }

    // PageHost (besides the accessors above)
    int RunDialog(WindowImplBase& dlg, const std::function<void()>& beforeShow) override;
    bool Confirm(const QString& messageKey) override;
    WindowImplBase* DialogOwner() override { return this; }
    QRect ScreenRect() const override { return GetWindowRect(); }
    void NoticeBindingChange() override;
    PointerCapabilities DesktopPointer() const override {
        return m_options.pointer->Capabilities();
    }

    // DeviceLinkHost and PageHost (app/main_wnd_device.cpp)
    ProfileRecord& CurrentProfile() override;
    int CurrentProfileIndex() const override;
    void SaveProfilesAfterNotice() override;
    void SelectDpiLevelOption(int level) override;
    void SelectReportRateOption(int index) override;
    void ShowButtonMode(int mode) override;
    void PostDpiPopup(int step) override;
    void HideMainWindow() override;
    void ShowNoDeviceMessage(const std::string& reason) override;
    void RunAfter(int ms, std::function<void()> fn) override;
    void ApplyFinished(int profileIndex, const ApplyReport& report) override;
    void FirmwareVersionRead(std::optional<FirmwareVersion> version) override;
    void DeviceStateChanged() override;
    void ApplyStarted() override;
    void MouseRecordChanged(const ProfileRecord& record) override;

    // ServiceHost (the D-Bus service and the tray's profile list)
    QStringList ProfileNames() const override;
    void SwitchAndApply(int index) override;
    int DpiLevel() const override;
    int DpiLevelCount() const override;
    void ChooseDpiLevelAndApply(int level) override;
    ServiceState State() const override;
    bool Ready() const override { return m_link != nullptr && m_link->CanShowWindow(); }
    bool ModalOpen() const override;
    // The service while it runs on a bus, else nullptr.
    DBusService* Service() const {
        return m_service && m_service->Running() ? m_service.get() : nullptr;
    }

    // Per-application profiles (app/main_wnd_focus.cpp): the rules as loaded.
    const AppRules& ApplicationRules() const { return m_appRules; }
    // Replaces the rules and saves them; a failed save is told like any
    // store's. The user's own change (reconsider) weighs the window in front
    // again; a rename or delete that the rules follow does not.
    void SetApplicationRules(const AppRules& rules, bool reconsider = true);
    // The rules dialog, from the profile menu.
    void OpenRulesDialog();
    // The timer that waits for the focus to rest.
    static constexpr UINT kFocusRestTimer = 54;

    // Every notification of the window and its pages, then the marker of
    // unapplied changes, since any of them may have edited the profile.
    void DispatchNotify(TNotifyUI& msg) override;

protected:
    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;
    void OnClick(TNotifyUI& msg) override;
    LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;
    void OnFinalMessage() override;

private:
    LRESULT HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    // Timers of the window: the DPI pop-up closes itself, and the
    // confirmation of a good apply hides itself.
    static constexpr UINT kDpiPopupTimer = 52;
    static constexpr UINT kDpiPopupMs = 2000;
    static constexpr UINT kApplyStatusTimer = 53;
    static constexpr UINT kApplyStatusMs = 3000;

    void InitMainWindow();
    void FillProfileCombo();
    void OnMenuCommand(WPARAM wParam);
    // Shows or hides the dimming overlay (disable_window_ver), which covers
    // the window while a modal dialog or box is open.
    void ShowOverlay(bool show);
    void OnTabSelected(const QString& name);
    void OpenTrayMenu();
    void OpenLogoLink();
    // Tells the user that a store could not be written (one box at a time;
    // failures while it is open are folded into it).
    void ReportSaveFailure(const IoResult& result);
    // Shows the outcome of an apply in the title bar: a brief confirmation
    // that hides itself, or what the mouse refused until the next apply.
    void ShowApplyStatus(const ApplyReport& report);
    void ShowFirmwareQuestion();
    // Shows the "no mouse connected" view, or the pages with the banner that
    // says the mouse is away (and whether an apply waits for it), or the
    // pages alone, from the link's state.
    void ShowDeviceState();
    void ShowAccessProblem(bool ready);
    QString AccessFixText() const;
    // Shows or hides the marker on APPLY: the current profile differs from
    // what the mouse holds.
    void ShowApplyMarker();
    // Data/applied.pbin: what the mouse holds, kept for the next start.
    std::filesystem::path MouseRecordPath() const;
    void KeepMouseRecord(const ProfileRecord& record);
    // Appends a profile, saves profile.bin and makes it current.
    // False, with a notice, when the list is full.
    bool AppendProfile(std::unique_ptr<ProfileRecord> record);
    // The name AddProfile and DuplicateProfile give: "Profile" + (count + 1),
    // made unique with _1, _2, ...
    std::u16string NewProfileName() const;
    // Brings every field of the loaded profiles into range (logged).
    void CorrectStoredProfiles();
    // Sets the rename field back to the current profile's name.
    void ShowCurrentName();
    // Shows "DPI :" and the DPI of a step in the pop-up (opening it when
    // none is shown) and restarts the timer that closes it.
    void ShowDpiPopup(int step);
    // The same pop-up with any text (the profile the window in front chose).
    void ShowPopupText(const QString& text);
    void CloseDpiPopup();
    // Loads the rules and starts following the window in front.
    void StartFollowingFocus();
    // The profile named `from` is now `to`, or is gone (`to` empty): the
    // rules follow and are saved; the user is told of dropped rules.
    void ProfileRenamedOrDeleted(const std::string& from, const std::string& to);
    std::vector<std::string> ProfileNamesUtf8() const;

    // Background saves: snapshots are taken here and written by m_writer;
    // failures are gathered (from any thread) and reported through
    // kMsgSaveFailed once the writer has nothing left queued.
    void NoteSaveResult(const IoResult& result, bool reportNow);
    // Saves profile.bin when the current profile changed since it was last
    // saved (page edits are not saved as they are made).
    void SaveEditsOfCurrent();
    IoResult TakeSaveFailures();
    void ShowDamagedStores();

    MainWndOptions m_options;
    DesktopLauncher m_desktopLauncher;
    std::unique_ptr<PointerPlatform> m_ownPointer;
    // Before the pages: a recording page removes its hooks when destroyed.
    std::unique_ptr<HookApi> m_ownHook;
    std::unique_ptr<KeyboardLayout> m_ownKeyboard;

    CButtonPage m_buttonPage;
    CPerformancePage m_performancePage;
    CLightPage m_lightPage;
    CMacroPage m_macroPage;
    CGunPage m_gunPage;
    bool m_bReselect = false;

    DeviceConfig m_config;
    std::unique_ptr<ProfileRecord> m_template;
    std::unique_ptr<Stores> m_stores;
    bool m_skinIncomplete = false;
    std::future<StoreLists> m_storesAhead;  // with readStoresAhead, until InitWindow
    DriverLibrary m_driver;
    std::unique_ptr<DeviceLink> m_link;

    CComboUI* m_pProfileCombo = nullptr;
    CEditUI* m_pProfileName = nullptr;
    CTabLayoutUI* m_pConfigTab = nullptr;
    CTabLayoutUI* m_pMainTab = nullptr;
    CControlUI* m_pRing = nullptr;
    CControlUI* m_pNoMouse = nullptr;
    CLabelUI* m_pNoMouseReason = nullptr;
    CButtonUI* m_pApplyButton = nullptr;
    CControlUI* m_pApplyMarker = nullptr;
    CLabelUI* m_pBanner = nullptr;
    CLabelUI* m_pNoMouseTitle = nullptr;
    CLabelUI* m_pNoMouseHint = nullptr;
    CButtonUI* m_pCopyFix = nullptr;
    // The mouse's hidraw nodes as last probed while it could not be opened.
    HidrawAccess m_access;
    // The user chose to edit without the mouse, or the program has seen it.
    bool m_editWithoutMouse = false;
    bool m_mouseRecordKept = false;  // Data/applied.pbin was read or written
    int m_markerShown = -1;          // the marker's state, -1 before the first check
    bool m_bannerShown = false;
    // The current profile as profile.bin last got it.
    std::unique_ptr<ProfileRecord> m_currentAsSaved;
    bool m_toldHiddenStart = false;
    std::string m_libraryError;
    int m_shownReady = -1;  // the state last written to the diagnostics, -1 none

    std::unique_ptr<CMenuWnd> m_menu;
    CTrayIcon m_tray;
    // Owns the one-shot timers of RunAfter: they die with the window.
    QObject m_timerContext;
    CLabelUI* m_pApplyStatus = nullptr;
    int m_pendingApplies = 0;
    // Message boxes run from the event loop, one at a time.
    MessageBoxQueue m_boxes;
    bool m_noDeviceQueued = false;
    bool m_saveFailureQueued = false;
    QString m_saveFailureText;
    bool m_closing = false;
    // Deletes itself once closed.
    CDPIMsg* m_pDpiMsg = nullptr;

    QString m_damagedStores;  // what start-up found, shown once the loop runs
    std::mutex m_saveFailuresMutex;
    std::vector<IoResult> m_saveFailures;
    bool m_saveFailurePosted = false;
    std::optional<FirmwareVersion> m_firmware;  // as last read
    std::optional<ApplyReport> m_lastApply;     // of this run
    std::unique_ptr<DBusService> m_service;
    AppRules m_appRules;
    std::unique_ptr<AppProfileSwitcher> m_switcher;
    std::unique_ptr<ActiveWindowSource> m_focusSource;
    std::string m_focusWhyNot;
    // Last: its thread may call back into the members above until drained.
    std::unique_ptr<StoreWriter> m_writer;
};

}  // namespace mouse
