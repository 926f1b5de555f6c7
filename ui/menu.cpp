#include "ui/menu.h"

#include <QBoxLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <algorithm>
#include <functional>

#include "ui/widgets_p.h"

namespace mouse {

namespace {

QRect g_screenForTests;  // invalid: the real screens

// Hands key presses of the menu and of its sub-menus to the menu, and the
// pointer's moves over an open sub-menu (which receives them all while it is
// open, wherever the pointer is).
class MenuInputFilter : public QObject {
public:
    MenuInputFilter(std::function<bool(QWidget*, int)> onKey,
                    std::function<void(QWidget*, QPoint)> onMove)
        : m_onKey(std::move(onKey)), m_onMove(std::move(onMove)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!watched->isWidgetType()) {
            return false;
        }
        auto* widget = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::KeyPress) {
            return m_onKey(widget, static_cast<QKeyEvent*>(event)->key());
        }
        if (event->type() == QEvent::MouseMove) {
            m_onMove(widget, static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        }
        return false;
    }

private:
    std::function<bool(QWidget*, int)> m_onKey;
    std::function<void(QWidget*, QPoint)> m_onMove;
};

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
                                               QPoint anchor, UINT align,
                                               const std::vector<MenuItemSpec>& extra) {
    std::unique_ptr<CMenuWnd> menu(new CMenuWnd(owner, skinFile));
    if (!menu->Create(owner, {}, kStylePopup)) {
        return nullptr;
    }
    menu->InsertItems(extra);
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
    m_keyFilter = std::make_unique<MenuInputFilter>(
        [this](QWidget* level, int key) { return OnKey(level, key); },
        [this](QWidget* level, QPoint global) { OnSubMenuPointer(level, global); });
    host->installEventFilter(m_keyFilter.get());
    for (auto& [item, container] : m_subMenus) {
        if (!container->isWindow()) {
            container->setParent(host, Qt::Popup | Qt::FramelessWindowHint);
        }
        container->installEventFilter(m_keyFilter.get());
        container->setMouseTracking(true);
        container->hide();
    }
}

void CMenuWnd::InsertItems(const std::vector<MenuItemSpec>& items) {
    QWidget* host = GetHostWidget();
    const QList<QWidget*> own = ItemsOf(host);
    if (items.empty() || own.isEmpty()) {
        return;
    }
    // Beside the skin's first item, shaped like it.
    QWidget* first = own.front();
    auto* layout = qobject_cast<QBoxLayout*>(first->parentWidget()->layout());
    if (layout == nullptr) {
        CPaintManagerUI::ReportError(m_skinFile + ": its items are not in a box layout");
        return;
    }
    int at = layout->indexOf(first);
    int added = 0;
    for (const MenuItemSpec& spec : items) {
        auto* item = new MenuElement(first->parentWidget());
        item->setObjectName(spec.name);
        item->setProperty("role", first->property("role"));
        item->setProperty("userdata", spec.userData);
        item->setMinimumSize(first->minimumSize());
        item->setMaximumSize(first->maximumSize());
        item->setCheckable(true);
        item->setChecked(spec.checked);
        layout->insertWidget(at++, item);
        m_pm.Adopt(item, true);
        m_pm.WrapperOf(item)->SetText(spec.text);
        added += first->minimumHeight() + std::max(0, layout->spacing());
    }
    ResizeMenu(host->width(), host->height() + added);
}

QList<QWidget*> CMenuWnd::ItemsOf(QWidget* level) const {
    QList<QWidget*> items;
    for (auto* item : level->findChildren<MenuElement*>()) {
        if (item->window() == level && item->isVisibleTo(level) && item->isEnabled()) {
            items.append(item);
        }
    }
    std::stable_sort(items.begin(), items.end(), [level](const QWidget* a, const QWidget* b) {
        return a->mapTo(level, QPoint(0, 0)).y() < b->mapTo(level, QPoint(0, 0)).y();
    });
    return items;
}

void CMenuWnd::SetCurrent(QWidget* item) {
    if (item == m_current) {
        return;
    }
    // The style sheet marks the current item as it marks a hovered one.
    for (QWidget* w : {m_current, item}) {
        if (w == nullptr) {
            continue;
        }
        w->setProperty("current", w == item);
        w->style()->unpolish(w);
        w->style()->polish(w);
        w->update();
    }
    m_current = item;
}

CControlUI* CMenuWnd::GetCurrentItem() const {
    return m_current != nullptr ? m_pm.WrapperOf(m_current) : nullptr;
}

bool CMenuWnd::OnKey(QWidget* level, int key) {
    const QList<QWidget*> items = ItemsOf(level);
    const qsizetype at = items.indexOf(m_current);
    const auto subMenuOf = [this](const QWidget* item) -> QWidget* {
        auto it = m_subMenus.find(item);
        return it != m_subMenus.end() ? it->second : nullptr;
    };
    // The group item whose sub-menu `level` is, when it is one.
    QWidget* group = nullptr;
    for (const auto& [item, container] : m_subMenus) {
        if (container == level) {
            group = const_cast<QWidget*>(item);
        }
    }
    switch (key) {
        case Qt::Key_Down:
        case Qt::Key_Up: {
            if (items.isEmpty()) {
                return true;
            }
            const qsizetype n = items.size();
            const bool down = key == Qt::Key_Down;
            const qsizetype to = at < 0 ? (down ? 0 : n - 1) : (at + (down ? 1 : n - 1)) % n;
            SetCurrent(items[to]);
            return true;
        }
        case Qt::Key_Right:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space: {
            if (at < 0) {
                return true;
            }
            if (QWidget* container = subMenuOf(m_current)) {
                OpenSubMenu(m_current, container);
                const QList<QWidget*> inner = ItemsOf(container);
                SetCurrent(inner.isEmpty() ? nullptr : inner.constFirst());
            } else if (key != Qt::Key_Right) {
                static_cast<QPushButton*>(m_current)->click();
            }
            return true;
        }
        case Qt::Key_Left:
        case Qt::Key_Escape:
            if (group == nullptr) {
                return false;  // Escape closes the menu itself
            }
            CloseSubMenus();
            SetCurrent(group);
            return true;
        default:
            return false;
    }
}

void CMenuWnd::OnHover(QWidget* item) {
    if (item == m_hovered) {
        return;
    }
    m_hovered = item;
    KillTimer(kHoverTimer);
    if (item != nullptr) {
        // The pointer marks the item the keyboard goes on from, and opens
        // (or closes) a sub-menu once it rests.
        SetCurrent(item);
        SetTimer(kHoverTimer, kSubMenuDelayMs);
    }
}

void CMenuWnd::OnSubMenuPointer(QWidget* level, QPoint global) {
    // Over the sub-menu itself its items see the pointer; over the menu
    // beside it only the sub-menu does, and passes it on.
    if (level == GetHostWidget() || level->geometry().contains(global)) {
        return;
    }
    QWidget* host = GetHostWidget();
    QWidget* under =
        host->geometry().contains(global) ? host->childAt(host->mapFromGlobal(global)) : nullptr;
    while (under != nullptr && dynamic_cast<MenuElement*>(under) == nullptr) {
        under = under->parentWidget();
    }
    OnHover(under != nullptr && under->isEnabled() ? under : nullptr);
}

void CMenuWnd::OnPointerRested() {
    if (m_hovered == nullptr) {
        return;
    }
    if (auto it = m_subMenus.find(m_hovered); it != m_subMenus.end()) {
        if (!it->second->isVisible()) {
            OpenSubMenu(m_hovered, it->second);
        }
    } else if (m_hovered->window() == GetHostWidget()) {
        CloseSubMenus();  // resting on a plain item of the menu itself
    }
}

LRESULT CMenuWnd::HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (msg == WM_TIMER && wParam == kHoverTimer) {
        KillTimer(kHoverTimer);
        OnPointerRested();
        handled = true;
        return 0;
    }
    return WindowImplBase::HandleCustomMessage(msg, wParam, lParam, handled);
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
    if (msg.pSender == nullptr || dynamic_cast<MenuElement*>(msg.pSender->GetWidget()) == nullptr) {
        return;
    }
    QWidget* item = msg.pSender->GetWidget();
    if (msg.sType == QLatin1String(ev::kMouseEnter)) {
        OnHover(item);
        return;
    }
    if (msg.sType == QLatin1String(ev::kMouseLeave)) {
        if (m_hovered == item) {
            OnHover(nullptr);
        }
        return;
    }
    if (msg.sType != QLatin1String(ev::kClick)) {
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
