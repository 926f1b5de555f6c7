#include "ui/menu.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "ui/widgets_p.h"

namespace mouse {

namespace {
QRect g_screenForTests;  // invalid: the real screens
}  // namespace

QRect CMenuWnd::ScreenRect(QPoint at) {
    if (g_screenForTests.isValid()) {
        return g_screenForTests;
    }
    QScreen* screen = QGuiApplication::screenAt(at);
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

void CMenuWnd::SetScreenRectForTesting(const QRect& rect) {
    g_screenForTests = rect;
}

CMenuWnd::CMenuWnd(WindowImplBase* owner, const QString& skinFile)
    : m_owner(owner), m_skinFile(skinFile) {}

CMenuWnd::~CMenuWnd() = default;

std::unique_ptr<CMenuWnd> CMenuWnd::CreateMenu(WindowImplBase* owner, const QString& skinFile,
                                               QPoint anchor, UINT align) {
    std::unique_ptr<CMenuWnd> menu(new CMenuWnd(owner, skinFile));
    if (!menu->Create(owner, {}, kStylePopup)) {
        return nullptr;
    }
    const QRect r = menu->GetWindowRect();
    const int x = (align & kMenuAlignRight) != 0 ? anchor.x() - r.width() : anchor.x();
    const int y = (align & kMenuAlignBottom) != 0 ? anchor.y() - r.height() : anchor.y();
    menu->MoveWindow(x, y);
    menu->ShowWindow(true);
    return menu;
}

void CMenuWnd::InitWindow() {
    // Item texts come from their language keys (applied when the skin was
    // loaded). Sub-menu containers become pop-ups of their own, hidden until
    // their item is clicked; their items stay controls of this menu.
    QWidget* host = GetHostWidget();
    for (auto* item : host->findChildren<MenuElement*>()) {
        const QString target = item->property("submenu").toString();
        if (target.isEmpty()) {
            continue;
        }
        auto* container = host->findChild<QWidget*>(target);
        if (container == nullptr || container == item || container->isAncestorOf(item)) {
            CPaintManagerUI::ReportError(
                QStringLiteral("%1: item '%2' names no sub-menu container '%3'")
                    .arg(m_skinFile, item->objectName(), target));
            continue;
        }
        m_subMenus[item] = container;
    }
    for (auto& [item, container] : m_subMenus) {
        if (!container->isWindow()) {
            container->setParent(host, Qt::Popup | Qt::FramelessWindowHint);
        }
        container->hide();
    }
}

int CMenuWnd::GetVisibleItemCount() const {
    QWidget* host = GetHostWidget();
    int count = 0;
    for (auto* item : host->findChildren<MenuElement*>()) {
        if (item->window() == host && item->isVisibleTo(host)) {
            ++count;
        }
    }
    return count;
}

CControlUI* CMenuWnd::GetOpenSubMenu() const {
    for (const auto& [item, container] : m_subMenus) {
        if (container->isVisible()) {
            return m_pm.WrapperOf(container);
        }
    }
    return nullptr;
}

void CMenuWnd::OpenSubMenu(QWidget* item, QWidget* container) {
    CloseSubMenus();
    const QRect menu = GetWindowRect();
    const QPoint itemTop = menu.topLeft() + item->mapTo(GetHostWidget(), QPoint(0, 0));
    const QRect screen = ScreenRect(itemTop);
    const QSize size = container->size();
    // Right of the menu, level with the item; left of it when that leaves the
    // screen; moved up (never above the screen) when it would pass the bottom.
    int x = menu.left() + menu.width();
    if (x + size.width() > screen.left() + screen.width()) {
        x = menu.left() - size.width();
    }
    int y = itemTop.y();
    if (y + size.height() > screen.top() + screen.height()) {
        y = screen.top() + screen.height() - size.height();
    }
    y = std::max(y, screen.top());
    container->move(x, y);
    container->show();
    container->raise();
}

void CMenuWnd::CloseSubMenus() {
    for (auto& [item, container] : m_subMenus) {
        container->hide();
    }
}

void CMenuWnd::ResizeMenu(int width, int height) {
    // A menu keeps the size it is given.
    GetHostWidget()->setFixedSize(width, height);
}

void CMenuWnd::MoveMenu(QPoint topLeft) {
    MoveWindow(topLeft.x(), topLeft.y());
}

CButtonUI* CMenuWnd::FindItem(const QString& name) {
    return m_pm.FindControl<CButtonUI>(name);
}

void CMenuWnd::Notify(TNotifyUI& msg) {
    if (msg.sType != QLatin1String(ev::kClick) || msg.pSender == nullptr ||
        dynamic_cast<MenuElement*>(msg.pSender->GetWidget()) == nullptr) {
        return;
    }
    if (auto it = m_subMenus.find(msg.pSender->GetWidget()); it != m_subMenus.end()) {
        OpenSubMenu(msg.pSender->GetWidget(), it->second);
        return;
    }
    auto* cmd = new MenuCmd{msg.pSender->GetName(),
                            msg.pSender->GetWidget()->property("userdata").toString(),
                            msg.pSender->GetText()};
    if (m_owner == nullptr || !m_owner->PostMessage(kMsgMenu, reinterpret_cast<WPARAM>(cmd), 0)) {
        delete cmd;
    }
    CloseSubMenus();
    ShowWindow(false);
}

}  // namespace mouse
