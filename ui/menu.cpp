#include "ui/menu.h"

#include <QWidget>

#include "ui/widgets_p.h"

namespace mouse {

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
    // loaded); nothing else to prepare.
}

int CMenuWnd::GetVisibleItemCount() const {
    QWidget* host = GetHostWidget();
    int count = 0;
    for (auto* item : host->findChildren<MenuElement*>()) {
        if (item->isVisibleTo(host)) {
            ++count;
        }
    }
    return count;
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
    auto* cmd = new MenuCmd{msg.pSender->GetName(),
                            msg.pSender->GetWidget()->property("userdata").toString(),
                            msg.pSender->GetText()};
    if (m_owner == nullptr || !m_owner->PostMessage(kMsgMenu, reinterpret_cast<WPARAM>(cmd), 0)) {
        delete cmd;
    }
    ShowWindow(false);
}

}  // namespace mouse
