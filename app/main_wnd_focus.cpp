// Per-application profiles in the main window: the rules file beside the
// stores, the source of the window in front, and the switches its changes
// make through the same path as the tray's and the D-Bus service's.
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>

#include "app/logging.h"
#include "app/main_wnd.h"
#include "app/rules_wnd.h"
#include "device/messages.h"
#include "ui/resource_manager.h"
#include "ui/text.h"

namespace mouse {

namespace {

std::string OwnExecutable() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

}  // namespace

void CMainWnd::StartFollowingFocus() {
    const std::filesystem::path file = m_stores->Folder() / kAppRulesFile;
    AppRulesLoad load = LoadAppRules(file, ProfileNamesUtf8());
    m_appRules = std::move(load.rules);
    if (!load.movedTo.empty()) {
        // The damaged file is kept aside; what could be read of it becomes
        // the rules file, so the next start finds it.
        SetApplicationRules(m_appRules, false);
    }
    // Told with the stores' own problems at start, in the same box.
    const bool told = !m_damagedStores.isEmpty();
    for (const std::string& line : load.messages) {
        qCWarning(lcFocus, "%s", line.c_str());
        m_damagedStores +=
            "\n\n" + LangText("app_rules_problem_text") + " " + QString::fromStdString(line);
    }
    if (!told && !m_damagedStores.isEmpty()) {
        PostMessage(kMsgStoresDamaged);
    }

    SwitcherHooks hooks;
    hooks.profileNames = [this] { return ProfileNamesUtf8(); };
    hooks.currentIndex = [this] { return m_stores->currentIndex; };
    hooks.blocked = [this] {
        const bool blocked = ModalOpen() || m_macroPage.IsRecording();
        if (blocked) {
            qCDebug(lcFocus, "a dialog is open or a recording runs: the switch waits");
        }
        return blocked;
    };
    hooks.switchTo = [this](int index) {
        const QString name = ProfileNames().value(index);
        qCInfo(lcFocus, "%s in front: profile \"%s\"", m_switcher->InFront().appId.c_str(),
               qPrintable(name));
        SwitchAndApply(index);
        ShowPopupText(name);
    };
    hooks.startRest = [this](int ms) { SetTimer(kFocusRestTimer, UINT(ms)); };
    hooks.ownAppIds = {QCoreApplication::applicationName().toStdString(),
                       QGuiApplication::desktopFileName().toStdString()};
    hooks.ownExecutable = OwnExecutable();
    m_switcher = std::make_unique<AppProfileSwitcher>(m_appRules, std::move(hooks));

    m_focusSource = m_options.activeWindowSource
                        ? m_options.activeWindowSource(m_focusWhyNot)
                        : CreateActiveWindowSource(*m_options.session, m_focusWhyNot);
    if (m_focusSource == nullptr) {
        qCInfo(lcFocus, "per-application profiles are not available: %s", m_focusWhyNot.c_str());
        return;
    }
    if (!m_focusSource->Start(
            [this](const ActiveWindow& window) {
                qCDebug(lcFocus, "window in front: %s (%s)", window.appId.c_str(),
                        window.executable.c_str());
                m_switcher->WindowChanged(window);
            },
            m_focusWhyNot)) {
        qCInfo(lcFocus, "per-application profiles are not available: %s", m_focusWhyNot.c_str());
        m_focusSource.reset();
        return;
    }
    qCInfo(lcFocus, "following the window in front through %s", m_focusSource->Name());
}

std::vector<std::string> CMainWnd::ProfileNamesUtf8() const {
    std::vector<std::string> names;
    names.reserve(m_stores->profiles.size());
    for (const auto& profile : m_stores->profiles) {
        names.push_back(ToUtf8(ReadText(profile->name)));
    }
    return names;
}

void CMainWnd::SetApplicationRules(const AppRules& rules, bool reconsider) {
    m_appRules = rules;
    const IoResult saved = SaveAppRules(m_stores->Folder() / kAppRulesFile, m_appRules);
    if (!saved) {
        qCWarning(lcFocus, "%s", saved.message.c_str());
        ReportSaveFailure(saved);
    }
    if (reconsider && m_switcher != nullptr) {
        m_switcher->RulesChanged();
    }
}

void CMainWnd::OpenRulesDialog() {
    CAppRulesWnd::Context context;
    context.profiles = ProfileNamesUtf8();
    if (m_focusSource != nullptr) {
        context.openApplications = m_focusSource->OpenApplications();
        context.inFront = m_switcher->InFront().appId;
    } else {
        context.unavailable = m_focusWhyNot;
    }
    CAppRulesWnd dialog(m_appRules, std::move(context));
    if (RunDialog(dialog, [] { qCDebug(lcFocus, "the rules dialog is open"); }) == 1) {
        SetApplicationRules(dialog.Rules());
    }
}

void CMainWnd::ProfileRenamedOrDeleted(const std::string& from, const std::string& to) {
    AppRules rules = m_appRules;
    if (!to.empty()) {
        if (RenameProfileInRules(rules, from, to)) {
            SetApplicationRules(rules, false);
        }
        return;
    }
    const std::vector<std::string> dropped = DropProfileFromRules(rules, from);
    if (dropped.empty()) {
        return;
    }
    QStringList apps;
    for (const std::string& app : dropped) {
        apps << (app.empty() ? LangText("app_rules_other_apps_text") : QString::fromStdString(app));
    }
    SetApplicationRules(rules, false);
    qCInfo(lcFocus, "profile \"%s\" deleted: its rules are dropped (%s)", from.c_str(),
           qPrintable(apps.join(", ")));
    m_boxes.QueueNotice(
        LangText("app_rules_dropped_text").arg(QString::fromStdString(from), apps.join(", ")));
}

}  // namespace mouse
