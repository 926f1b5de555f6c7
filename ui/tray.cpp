#include "ui/tray.h"

#include <QIcon>
#include <QPixmap>
#include <QSystemTrayIcon>

#include "ui/window.h"

namespace mouse {

class TrayIconImpl {
public:
    QSystemTrayIcon icon;
    WindowImplBase* receiver = nullptr;
    UINT message = kMsgTrayIcon;

    void Deliver(LPARAM mouseMessage) {
        if (receiver != nullptr) {
            receiver->PostMessage(message, 1, mouseMessage);
        }
    }
};

CTrayIcon::CTrayIcon() = default;
CTrayIcon::~CTrayIcon() = default;

bool CTrayIcon::CreateTrayIcon(WindowImplBase* receiver, const QString& iconFile,
                               const QString& tooltip, UINT message) {
    m_impl = std::make_unique<TrayIconImpl>();
    m_impl->receiver = receiver;
    m_impl->message = message;
    TrayIconImpl* impl = m_impl.get();
    QObject::connect(&impl->icon, &QSystemTrayIcon::activated, &impl->icon,
                     [impl](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::Trigger) {
                             impl->Deliver(WM_LBUTTONUP);
                         } else if (reason == QSystemTrayIcon::Context) {
                             impl->Deliver(WM_RBUTTONUP);
                         }
                     });
    const bool iconOk = SetIcon(iconFile);
    impl->icon.setToolTip(tooltip);
    impl->icon.show();
    return iconOk && IsAvailable();
}

void CTrayIcon::DeleteTrayIcon() {
    m_impl.reset();
}

void CTrayIcon::SetTooltipText(const QString& text) {
    if (m_impl) {
        m_impl->icon.setToolTip(text);
    }
}

QString CTrayIcon::GetTooltipText() const {
    return m_impl ? m_impl->icon.toolTip() : QString();
}

bool CTrayIcon::SetIcon(const QString& iconFile) {
    if (!m_impl) {
        return false;
    }
    QPixmap pixmap;
    if (!pixmap.load(iconFile)) {
        return false;
    }
    m_impl->icon.setIcon(QIcon(pixmap));
    return true;
}

bool CTrayIcon::IsCreated() const {
    return m_impl != nullptr;
}

namespace {
std::optional<bool>& AvailabilityOverride() {
    static std::optional<bool> available;
    return available;
}
}  // namespace

bool CTrayIcon::IsAvailable() {
    if (AvailabilityOverride().has_value()) {
        return *AvailabilityOverride();
    }
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void CTrayIcon::SetAvailabilityOverride(std::optional<bool> available) {
    AvailabilityOverride() = available;
}

void CTrayIcon::SimulateClick(bool right) {
    if (m_impl) {
        m_impl->Deliver(right ? WM_RBUTTONUP : WM_LBUTTONUP);
    }
}

}  // namespace mouse
