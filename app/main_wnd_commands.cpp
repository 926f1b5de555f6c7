// What reaches the main window from outside its pages: how it shows itself
// at start and when asked, the menus' commands, the tray menu with the
// profiles, and the requests of the D-Bus service, which take the same paths
// as the window's own controls.
#include <QApplication>
#include <QCursor>

#include "app/main_wnd.h"
#include "app/menu_route.h"
#include "ui/resource_manager.h"
#include "ui/text.h"
#include "ui/tray.h"

namespace mouse {

bool CMainWnd::StartsHidden(bool commandLine) const {
    // Autostart: never a window at login. A start from the desktop asks for
    // the window, which shows what can be done without the mouse.
    return commandLine;
}

void CMainWnd::Start(bool commandLine) {
    if (!StartsHidden(commandLine)) {
        ShowWindow(true);
        return;
    }
    if (!CTrayIcon::IsAvailable() && !m_toldHiddenStart) {
        m_toldHiddenStart = true;
        m_options.notify(LangText("hidden_start_title_text"), LangText("hidden_start_text"));
    }
}

void CMainWnd::ShowMainWindow() {
    if (!IsWindowVisible()) {
        ShowWindow(true);
    }
    if (IsMinimized()) {
        Restore();
    }
    BringToFront();
}

QStringList CMainWnd::ProfileNames() const {
    QStringList names;
    for (const auto& profile : m_stores->profiles) {
        names << ToQString(ReadText(profile->name));
    }
    return names;
}

void CMainWnd::SwitchAndApply(int index) {
    // As the user does it: the choice in the profile list, then APPLY.
    if (m_pProfileCombo != nullptr) {
        m_pProfileCombo->SelectItem(index);
    } else {
        SwitchProfile(index);
    }
    Apply();
}

int CMainWnd::DpiLevel() const {
    return m_stores->Current().currentDpiLevel + 1;
}

int CMainWnd::DpiLevelCount() const {
    return m_stores->Current().dpiLevelCount;
}

void CMainWnd::ChooseDpiLevelAndApply(int level) {
    m_performancePage.ChooseDpiLevel(level);
    Apply();
}

ServiceState CMainWnd::State() const {
    ServiceState state;
    if (m_link != nullptr) {
        state.connected = m_link->connectionState() == DeviceLink::kConnected;
        state.ready = Ready();
        state.pendingApplies = m_pendingApplies + (m_link->ApplyWaiting() ? 1 : 0);
    }
    if (m_firmware) {
        state.firmware = QStringLiteral("%1.%2").arg(m_firmware->major).arg(m_firmware->minor);
    }
    if (m_lastApply) {
        state.applied = true;
        state.reports = m_lastApply->reports;
        state.refused = m_lastApply->refused;
        for (const std::string& step : m_lastApply->refusedSteps) {
            state.refusedSteps << QString::fromStdString(step);
        }
    }
    return state;
}

bool CMainWnd::ModalOpen() const {
    return WindowImplBase::OpenModalCount() > 0 || QApplication::activeModalWidget() != nullptr;
}

void CMainWnd::OnMenuCommand(WPARAM wParam) {
    std::unique_ptr<MenuCmd> cmd = TakeMenuCmd(wParam);
    if (!cmd) {
        return;
    }
    const MenuRoute route = RouteMenuCommand(cmd->szName);
    switch (route.target) {
        case MenuTarget::Configuration:
            ShowWindowOrNoDevice();
            break;
        case MenuTarget::Exit:
            m_menu.reset();
            DestroyWindow();
            break;
        case MenuTarget::Autostart:
            m_menu.reset();
            ToggleAutostart();
            break;
        case MenuTarget::ImportProfile:
            ImportProfile();
            break;
        case MenuTarget::ExportProfile:
            ExportProfile();
            break;
        case MenuTarget::DuplicateProfile:
            DuplicateProfile();
            break;
        case MenuTarget::AppRules:
            m_menu.reset();
            OpenRulesDialog();
            break;
        case MenuTarget::Profile:
            SwitchAndApply(cmd->szUserData.toInt());
            break;
        case MenuTarget::MacroPage:
            m_macroPage.OnMenuCommand(route.command);
            break;
        case MenuTarget::GunPage:
            m_gunPage.OnMenuCommand(route.command);
            break;
        case MenuTarget::ButtonPage:
            m_buttonPage.OnMenuCommand(route.command);
            break;
    }
}

void CMainWnd::OpenTrayMenu() {
    // The profiles first, the current one checked; a click switches to it
    // and applies it, as the D-Bus service's SwitchProfile does.
    std::vector<MenuItemSpec> profiles;
    const QStringList names = ProfileNames();
    for (int i = 0; i < names.size(); ++i) {
        profiles.push_back({QLatin1String(kTrayProfileItem) + QString::number(i), names[i],
                            QString::number(i), i == m_stores->currentIndex});
    }
    // At the cursor raised by 50 pixels, top-left corner there (flags 6).
    m_menu.reset();
    m_menu =
        CMenuWnd::CreateMenu(this, QStringLiteral("traymenu.xml"), QCursor::pos() - QPoint(0, 50),
                             kMenuAlignLeft | kMenuAlignTop, profiles);
}

}  // namespace mouse
