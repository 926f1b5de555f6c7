// Combo boxes and lists: text items, and list items built from templates.
#include "ui/controls.h"

#include <QComboBox>
#include <QListWidget>
#include <QPointer>
#include <QStyledItemDelegate>
#include <algorithm>

#include "ui/paint_manager.h"

namespace mouse {

namespace {

// Item rows keep the height they were added with (stored under this role).
constexpr int kHeightRole = Qt::UserRole + 40;

class FixedHeightDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const QVariant h = index.data(kHeightRole);
        if (h.isValid()) {
            size.setHeight(h.toInt());
        }
        return size;
    }
};

}  // namespace

// ----------------------------------------------------------------- CItemsUI

int CItemsUI::AddItem(const QString& text, int height) {
    const int index = GetCount();
    return InsertItem(index, text, height) ? index : -1;
}

void CItemsUI::OnUserSelect(int index) {
    const int old = m_lastSel;
    m_lastSel = index;
    if (index >= 0 && index != old) {
        Notify(ev::kItemSelect, static_cast<WPARAM>(index), old);
    }
}

// ----------------------------------------------------------------- CComboUI

CComboUI::CComboUI(QWidget* widget, CPaintManagerUI* manager) : CItemsUI(widget, manager) {
    widget->setProperty("mouse_interactive", true);
    auto* combo = qobject_cast<QComboBox*>(widget);
    if (combo == nullptr) {
        return;
    }
    combo->setItemDelegate(new FixedHeightDelegate(combo));
    // Items from the skin start without a selection, like items added later.
    combo->setCurrentIndex(-1);
    QObject::connect(combo, &QComboBox::activated, Context(),
                     [this](int index) { OnUserSelect(index); });
}

int CComboUI::GetCount() const {
    auto* c = qobject_cast<QComboBox*>(m_widget);
    return c != nullptr ? c->count() : 0;
}

int CComboUI::GetCurSel() const {
    auto* c = qobject_cast<QComboBox*>(m_widget);
    return c != nullptr ? c->currentIndex() : -1;
}

bool CComboUI::SelectItem(int index, bool notify) {
    auto* c = qobject_cast<QComboBox*>(m_widget);
    if (c == nullptr || index < -1 || index >= c->count()) {
        return false;
    }
    const int old = c->currentIndex();
    if (index == old) {
        return true;
    }
    {
        const QSignalBlocker block(c);
        c->setCurrentIndex(index);
    }
    m_lastSel = index;
    if (notify && index >= 0) {
        Notify(ev::kItemSelect, static_cast<WPARAM>(index), old);
    }
    return true;
}

bool CComboUI::InsertItem(int index, const QString& text, int height) {
    auto* c = qobject_cast<QComboBox*>(m_widget);
    if (c == nullptr || index < 0 || index > c->count()) {
        return false;
    }
    const QSignalBlocker block(c);
    const int current = c->currentIndex();
    c->insertItem(index, text);
    c->setItemData(index, height > 0 ? height : m_itemHeight, kHeightRole);
    // Adding items never selects one.
    c->setCurrentIndex(current < 0 ? -1 : (index <= current ? current + 1 : current));
    m_lastSel = c->currentIndex();
    return true;
}

bool CComboUI::RemoveAt(int index) {
    auto* c = qobject_cast<QComboBox*>(m_widget);
    if (c == nullptr || index < 0 || index >= c->count()) {
        return false;
    }
    const int current = c->currentIndex();
    {
        const QSignalBlocker block(c);
        c->removeItem(index);
        if (index == current) {
            c->setCurrentIndex(-1);
        }
        m_lastSel = c->currentIndex();
    }
    if (index == current && c->count() > 0) {
        SelectItem(std::min(index, c->count() - 1), true);
    }
    return true;
}

void CComboUI::RemoveAll() {
    if (auto* c = qobject_cast<QComboBox*>(m_widget)) {
        const QSignalBlocker block(c);
        c->clear();
        m_lastSel = -1;
    }
}

QString CComboUI::GetItemText(int index) const {
    auto* c = qobject_cast<QComboBox*>(m_widget);
    return c != nullptr && index >= 0 && index < c->count() ? c->itemText(index) : QString();
}

bool CComboUI::SetItemText(int index, const QString& text) {
    auto* c = qobject_cast<QComboBox*>(m_widget);
    if (c == nullptr || index < 0 || index >= c->count()) {
        return false;
    }
    c->setItemText(index, text);
    return true;
}

QString CComboUI::GetText() const {
    auto* c = qobject_cast<QComboBox*>(m_widget);
    return c != nullptr ? c->currentText() : QString();
}

// ------------------------------------------------------------------ CListUI

CListUI::CListUI(QWidget* widget, CPaintManagerUI* manager) : CItemsUI(widget, manager) {
    widget->setProperty("mouse_interactive", true);
    auto* list = qobject_cast<QListWidget*>(widget);
    if (list == nullptr) {
        return;
    }
    list->setItemDelegate(new FixedHeightDelegate(list));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QObject::connect(list, &QListWidget::currentRowChanged, Context(),
                     [this](int row) { OnUserSelect(row); });
}

int CListUI::GetCount() const {
    auto* l = qobject_cast<QListWidget*>(m_widget);
    return l != nullptr ? l->count() : 0;
}

int CListUI::GetCurSel() const {
    auto* l = qobject_cast<QListWidget*>(m_widget);
    return l != nullptr ? l->currentRow() : -1;
}

bool CListUI::SelectItem(int index, bool notify) {
    auto* l = qobject_cast<QListWidget*>(m_widget);
    if (l == nullptr || index < -1 || index >= l->count()) {
        return false;
    }
    const int old = l->currentRow();
    if (index == old) {
        return true;
    }
    {
        const QSignalBlocker block(l);
        if (index < 0) {
            l->setCurrentRow(-1);
            l->clearSelection();
        } else {
            l->setCurrentRow(index);
        }
    }
    m_lastSel = index;
    if (notify && index >= 0) {
        Notify(ev::kItemSelect, static_cast<WPARAM>(index), old);
    }
    return true;
}

bool CListUI::InsertItem(int index, const QString& text, int height) {
    auto* l = qobject_cast<QListWidget*>(m_widget);
    if (l == nullptr || index < 0 || index > l->count()) {
        return false;
    }
    const QSignalBlocker block(l);
    auto* item = new QListWidgetItem(text);
    item->setData(kHeightRole, height > 0 ? height : m_itemHeight);
    l->insertItem(index, item);
    m_lastSel = l->currentRow();
    return true;
}

int CListUI::AddItem(CControlUI* item, int height) {
    const int index = GetCount();
    return InsertItem(index, item, height) ? index : -1;
}

bool CListUI::InsertItem(int index, CControlUI* item, int height) {
    auto* l = qobject_cast<QListWidget*>(m_widget);
    if (l == nullptr || item == nullptr || index < 0 || index > l->count()) {
        return false;
    }
    const QSignalBlocker block(l);
    const int h = height > 0 ? height : m_itemHeight;
    auto* row = new QListWidgetItem();
    row->setData(kHeightRole, h);
    row->setSizeHint(QSize(l->viewport()->width(), h));
    l->insertItem(index, row);
    QWidget* w = item->GetWidget();
    w->setFixedHeight(h);
    l->setItemWidget(row, w);
    w->show();
    m_lastSel = l->currentRow();
    return true;
}

CControlUI* CListUI::GetItemAt(int index) const {
    auto* l = qobject_cast<QListWidget*>(m_widget);
    if (l == nullptr || index < 0 || index >= l->count()) {
        return nullptr;
    }
    QWidget* w = l->itemWidget(l->item(index));
    return w != nullptr ? m_pManager->WrapperOf(w) : nullptr;
}

bool CListUI::RemoveAt(int index) {
    auto* l = qobject_cast<QListWidget*>(m_widget);
    if (l == nullptr || index < 0 || index >= l->count()) {
        return false;
    }
    const int current = l->currentRow();
    {
        const QSignalBlocker block(l);
        QPointer<QWidget> w = l->itemWidget(l->item(index));
        delete l->takeItem(index);
        if (w) {
            w->hide();
            w->deleteLater();  // may be inside one of its own events
        }
        if (index == current) {
            l->setCurrentRow(-1);
        }
        m_lastSel = l->currentRow();
    }
    if (index == current && l->count() > 0) {
        SelectItem(std::min(index, l->count() - 1), true);
    }
    return true;
}

void CListUI::RemoveAll() {
    auto* l = qobject_cast<QListWidget*>(m_widget);
    if (l == nullptr) {
        return;
    }
    const QSignalBlocker block(l);
    for (int i = 0; i < l->count(); ++i) {
        if (QWidget* w = l->itemWidget(l->item(i))) {
            w->hide();
            w->deleteLater();
        }
    }
    l->clear();
    m_lastSel = -1;
}

QString CListUI::GetItemText(int index) const {
    auto* l = qobject_cast<QListWidget*>(m_widget);
    return l != nullptr && index >= 0 && index < l->count() ? l->item(index)->text() : QString();
}

bool CListUI::SetItemText(int index, const QString& text) {
    auto* l = qobject_cast<QListWidget*>(m_widget);
    if (l == nullptr || index < 0 || index >= l->count()) {
        return false;
    }
    l->item(index)->setText(text);
    return true;
}

void CListUI::EnsureVisible(int index) {
    auto* l = qobject_cast<QListWidget*>(m_widget);
    if (l != nullptr && index >= 0 && index < l->count()) {
        l->scrollToItem(l->item(index));
    }
}

void CListUI::ScrollToEnd() {
    if (auto* l = qobject_cast<QListWidget*>(m_widget)) {
        l->scrollToBottom();
    }
}

}  // namespace mouse
