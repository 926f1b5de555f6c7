// The main window as the device link's host: the current profile and the
// pages as notices from the mouse change them, arrival and removal, the
// outcome of an apply, the firmware check and the DPI pop-up.
#include <QTimer>
#include <cstring>

#include "app/logging.h"
#include "app/main_wnd.h"
#include "buttons/msg_wnd.h"
#include "device/dpi_scale.h"
#include "device/messages.h"
#include "store/file_io.h"
#include "ui/resource_manager.h"
#include "ui/tray.h"

namespace mouse {

namespace {

constexpr uint32_t kStatusGoodColour = 0xFF5FD38Du;
constexpr uint32_t kStatusBadColour = 0xFFFF5A5Fu;

}  // namespace

// ---- DPI pop-up ------------------------------------------------------------

void CMainWnd::ShowDpiPopup(int step) {
    ShowPopupText(QStringLiteral("DPI :") +
                  QString::fromStdString(DpiStepText(step, m_config.sensor)));
}

void CMainWnd::ShowPopupText(const QString& text) {
    KillTimer(kDpiPopupTimer);
    SetTimer(kDpiPopupTimer, kDpiPopupMs);
    if (m_pDpiMsg != nullptr) {
        m_pDpiMsg->SetText(text);
        return;
    }
    auto* popup = new CDPIMsg();
    popup->SetDeleteOnFinalMessage(true);
    popup->SetText(text);
    if (!popup->Create(this, {}, kStyleTool | kStyleTopmost | kStyleNoActivate)) {
        delete popup;  // no window, so no final message to delete it
        return;
    }
    popup->ShowWindow(true, false);
    m_pDpiMsg = popup;
}

void CMainWnd::CloseDpiPopup() {
    if (m_pDpiMsg != nullptr) {
        m_pDpiMsg->Close();
        m_pDpiMsg = nullptr;
    }
}

// ---- DeviceLinkHost ---------------------------------------------------------

ProfileRecord& CMainWnd::CurrentProfile() {
    return m_stores->Current();
}

int CMainWnd::CurrentProfileIndex() const {
    return m_stores->currentIndex;
}

void CMainWnd::SaveProfilesAfterNotice() {
    SaveInBackground({StoreFile::Profiles});
}

void CMainWnd::SelectDpiLevelOption(int level) {
    m_performancePage.SelectDpiLevel(level);
}

void CMainWnd::SelectReportRateOption(int index) {
    m_performancePage.SelectReportRate(index);
}

void CMainWnd::ShowButtonMode(int mode) {
    m_buttonPage.ShowMode(mode);
}

void CMainWnd::PostDpiPopup(int step) {
    PostMessage(kMsgDpiPopup, 0, LPARAM(step));
}

void CMainWnd::HideMainWindow() {
    // A window that can be used without the mouse stays, with its banner.
    // Without a tray nothing could bring a hidden window back while the
    // mouse is away: it stays and shows the mouse's state instead.
    if (!CanEdit() && CTrayIcon::IsAvailable()) {
        ShowWindow(false);
    }
}

void CMainWnd::DeviceStateChanged() {
    if (m_link != nullptr && m_link->CanShowWindow()) {
        // Seen: from now on the window stays usable without the mouse. The
        // first time, the mouse is taken to hold what the link assumed.
        m_editWithoutMouse = true;
        if (!m_mouseRecordKept) {
            KeepMouseRecord(m_link->MouseRecord());
        }
    }
    ShowDeviceState();
    if (m_service != nullptr) {
        m_service->Observe();
    }
}

void CMainWnd::ApplyStarted() {
    ++m_pendingApplies;
    if (m_pRing != nullptr) {
        m_pRing->Show();
    }
    ShowDeviceState();  // an apply that waited for the mouse is on its way
}

void CMainWnd::MouseRecordChanged(const ProfileRecord& record) {
    KeepMouseRecord(record);
    ShowApplyMarker();
}

std::filesystem::path CMainWnd::MouseRecordPath() const {
    return m_stores->Folder() / kMouseRecordFile;
}

void CMainWnd::KeepMouseRecord(const ProfileRecord& record) {
    m_mouseRecordKept = true;
    std::vector<uint8_t> bytes = m_writer->TakeBuffer(sizeof record);
    bytes.resize(sizeof record);
    std::memcpy(bytes.data(), &record, sizeof record);
    m_writer->Save(MouseRecordPath(), std::move(bytes));
}

void CMainWnd::ShowApplyMarker() {
    if (m_link == nullptr || m_closing || m_pApplyMarker == nullptr) {
        return;
    }
    const bool unapplied = m_link->HasUnappliedChanges();
    if (int(unapplied) == m_markerShown) {
        return;
    }
    m_markerShown = int(unapplied);
    m_pApplyMarker->SetVisible(unapplied);
    const QString tip = unapplied ? LangText("apply_pending_tip_text") : QString();
    m_pApplyMarker->SetToolTip(tip);
    if (m_pApplyButton != nullptr) {
        m_pApplyButton->SetToolTip(tip);
    }
}

bool CMainWnd::CanEdit() const {
    return m_editWithoutMouse || (m_link != nullptr && m_link->CanShowWindow());
}

void CMainWnd::ShowWindowOrNoDevice() {
    // Without a tray, or when it is shown, the window itself tells that the
    // mouse is missing.
    if (CanEdit() || !CTrayIcon::IsAvailable() || IsWindowVisible()) {
        ShowMainWindow();
    } else if (m_link != nullptr) {
        m_link->ShowNoDeviceMessage();
    }
}

bool CMainWnd::ShowsNoMouseState() const {
    return m_pNoMouse != nullptr && m_pNoMouse->IsVisible();
}

void CMainWnd::ShowDeviceState() {
    if (m_pNoMouse == nullptr || m_closing) {
        return;
    }
    const bool ready = m_link != nullptr && m_link->CanShowWindow();
    if (int(ready) != m_shownReady) {
        qCInfo(lcApp, "mouse state: %s", ready ? "ready" : "not connected");
        m_shownReady = int(ready);
    }
    if (m_pNoMouseReason != nullptr) {
        m_pNoMouseReason->SetText(QString::fromStdString(m_libraryError));
    }
    ShowAccessProblem(ready);
    const bool editing = CanEdit();
    m_pNoMouse->SetVisible(!editing);
    if (m_pBanner == nullptr) {
        return;
    }
    // The banner takes the place of the apply outcome in the title bar.
    const bool away = editing && !ready;
    m_bannerShown = away;
    m_pBanner->SetVisible(away);
    if (!away) {
        return;
    }
    if (m_pApplyStatus != nullptr) {
        KillTimer(kApplyStatusTimer);
        m_pApplyStatus->Hide();
    }
    QString text =
        LangText(m_link != nullptr && m_link->ApplyWaiting() ? "offline_apply_waiting_text"
                 : m_access.Blocked()                        ? "offline_blocked_banner_text"
                                                             : "offline_banner_text");
    m_pBanner->SetText(text);
    if (m_access.Blocked()) {
        text += '\n' + AccessFixText();
    }
    if (!m_libraryError.empty()) {
        text += '\n' + QString::fromStdString(m_libraryError);
    }
    m_pBanner->SetToolTip(text);
}

QString CMainWnd::AccessFixText() const {
    return LangText("no_mouse_blocked_hint_text") + "\n\n" +
           QString::fromStdString(PermissionFixCommands(m_config.vid, m_config.pid)).trimmed();
}

// A mouse that is plugged in but closed to this user is not "no mouse": the
// view says so and gives the commands that open it, with a button that
// copies them.
void CMainWnd::ShowAccessProblem(bool ready) {
    const bool wasBlocked = m_access.Blocked();
    // Without the device-access library that problem comes first.
    m_access = ready || !m_libraryError.empty() ? HidrawAccess{}
                                                : m_options.probeAccess(m_config.vid, m_config.pid);
    const bool blocked = m_access.Blocked();
    if (blocked && !wasBlocked) {
        qCWarning(lcApp, "%s", DescribeBlockedMouse(m_access, m_config.vid, m_config.pid).c_str());
    }
    if (m_pNoMouseTitle != nullptr) {
        m_pNoMouseTitle->SetText(
            LangText(blocked ? "no_mouse_blocked_title_text" : "no_mouse_title_text"));
    }
    if (m_pNoMouseHint != nullptr) {
        m_pNoMouseHint->SetText(blocked ? AccessFixText() : LangText("no_mouse_hint_text"));
    }
    if (m_pCopyFix != nullptr) {
        m_pCopyFix->SetVisible(blocked);
    }
}

void CMainWnd::ShowNoDeviceMessage(const std::string& reason) {
    if (m_noDeviceQueued || m_closing) {
        return;
    }
    // Requests while the box waits or is open are answered by it: the flag
    // stays set until it is closed.
    m_noDeviceQueued = true;
    m_boxes.Queue([this, reason] {
        // The mouse may have arrived since the box was asked for.
        if (CanEdit()) {
            m_noDeviceQueued = false;
            ShowMainWindow();
            return;
        }
        if (m_access.Blocked()) {
            m_boxes.RunNotice(LangText("no_mouse_blocked_title_text") + ".\n" + AccessFixText());
        } else {
            m_boxes.RunNotice(reason.empty() ? QStringLiteral("no_connect_device_text")
                                             : LangText("no_connect_device_text") + "\n" +
                                                   QString::fromStdString(reason));
        }
        m_noDeviceQueued = false;
    });
}

void CMainWnd::RunAfter(int ms, std::function<void()> fn) {
    QTimer::singleShot(ms, &m_timerContext, [fn = std::move(fn)] { fn(); });
}

void CMainWnd::ApplyFinished(int profileIndex, const ApplyReport& report) {
    (void)profileIndex;
    // The stores are saved from the lists as they are now, so nothing edited
    // during the apply is lost.
    SaveInBackground({StoreFile::DataBin, StoreFile::Profiles});
    if (m_pendingApplies > 0) {
        --m_pendingApplies;
    }
    if (m_pendingApplies == 0 && m_pRing != nullptr) {
        m_pRing->Hide();
    }
    if (!report.Complete()) {
        qCWarning(lcApp, "apply: the mouse refused %d of %d reports (%s)", report.refused,
                  report.reports, report.RefusedText().c_str());
    }
    if (!m_closing) {
        ShowApplyStatus(report);
    }
    m_lastApply = report;
    if (m_service != nullptr) {
        QStringList steps;
        for (const std::string& step : report.refusedSteps) {
            steps << QString::fromStdString(step);
        }
        m_service->SendApplyFinished(report.Complete(), report.reports, report.refused, steps);
    }
}

void CMainWnd::ShowApplyStatus(const ApplyReport& report) {
    if (m_pApplyStatus == nullptr || m_bannerShown) {
        return;
    }
    KillTimer(kApplyStatusTimer);
    if (report.Complete()) {
        m_pApplyStatus->SetText(LangText("apply_done_text"));
        m_pApplyStatus->SetTextColor(kStatusGoodColour);
        m_pApplyStatus->SetToolTip(QString());
        m_pApplyStatus->Show();
        SetTimer(kApplyStatusTimer, kApplyStatusMs);
        return;
    }
    // Nothing taken means the mouse was not there to answer (unplugged, or
    // no device-access library); otherwise name what it refused.
    // The title bar has room for one step; the tooltip has the whole text
    // and lists them all.
    const bool nothingTaken = report.refused >= report.reports;
    const QString steps = QString::fromStdString(report.RefusedText());
    QString first = report.refusedSteps.empty()
                        ? QString()
                        : QString::fromStdString(report.refusedSteps.front());
    if (report.refusedSteps.size() > 1) {
        first += QStringLiteral(" (+%1)").arg(report.refusedSteps.size() - 1);
    }
    const QString status =
        nothingTaken ? LangText("apply_no_answer_text") : LangText("apply_failed_text").arg(first);
    m_pApplyStatus->SetText(status);
    m_pApplyStatus->SetTextColor(kStatusBadColour);
    m_pApplyStatus->SetToolTip(status + '\n' + LangText("apply_refused_tip_text").arg(steps));
    m_pApplyStatus->Show();
}

void CMainWnd::FirmwareVersionRead(std::optional<FirmwareVersion> version) {
    if (version) {
        m_firmware = version;
    }
    if (!version || m_closing) {
        return;
    }
    if (version->major == m_config.verH && version->minor == m_config.verL) {
        return;
    }
    m_boxes.Queue([this] { ShowFirmwareQuestion(); });
}

void CMainWnd::ShowFirmwareQuestion() {
    CMsgWnd box;
    box.SetTitle("warning_title_text");
    box.SetMsg("update_fw_text");
    if (!box.Create(nullptr)) {
        return;
    }
    box.CenterWindow();
    if (box.ShowModal() != 1 || m_closing) {
        return;
    }
    // When the updater cannot be started the program says so and goes on:
    // ending it would leave the user with neither.
    const QString updater = m_options.programFolder + "Update/flashOnLine";
    if (!m_options.launcher->StartProgram(updater)) {
        qCWarning(lcApp, "cannot start the firmware updater %s", updater.toUtf8().constData());
        m_boxes.RunNotice(LangText("update_start_failed_text") + "\n" + updater);
        return;
    }
    m_menu.reset();
    m_boxes.Clear();
    DestroyWindow();
}

}  // namespace mouse
