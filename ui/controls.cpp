#include "ui/controls.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QScrollBar>
#include <QSlider>
#include <QStackedWidget>
#include <QStyledItemDelegate>

#include "ui/image.h"
#include "ui/paint_manager.h"
#include "ui/resource_manager.h"
#include "ui/widgets_p.h"

namespace mouse {

const char* ControlKindName(ControlKind kind) {
    switch (kind) {
        case ControlKind::Control:
            return "Control";
        case ControlKind::Label:
            return "Label";
        case ControlKind::Button:
            return "Button";
        case ControlKind::Option:
            return "Option";
        case ControlKind::CheckBox:
            return "CheckBox";
        case ControlKind::Edit:
            return "Edit";
        case ControlKind::Slider:
            return "Slider";
        case ControlKind::Combo:
            return "Combo";
        case ControlKind::List:
            return "List";
        case ControlKind::TabLayout:
            return "TabLayout";
        case ControlKind::ColorPalette:
            return "ColorPalette";
        case ControlKind::PatternPlot:
            return "PatternPlot";
    }
    return "?";
}

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

QString ColorSheet(const char* what, uint32_t argb) {
    return QStringLiteral("%1: rgba(%2, %3, %4, %5);")
        .arg(QLatin1String(what))
        .arg((argb >> 16) & 0xFF)
        .arg((argb >> 8) & 0xFF)
        .arg(argb & 0xFF)
        .arg((argb >> 24) & 0xFF);
}

// Rebuilds a widget's own style sheet from the skin's sheet plus the colours
// set from code.
void ApplyColours(QWidget* w) {
    if (!w->property("mouse_base_sheet").isValid()) {
        w->setProperty("mouse_base_sheet", w->styleSheet());
    }
    QString rules;
    const QVariant bk = w->property("mouse_bk");
    const QVariant fg = w->property("mouse_fg");
    if (bk.isValid()) {
        rules += ColorSheet("background-color", bk.toUInt());
    }
    if (fg.isValid()) {
        rules += ColorSheet("color", fg.toUInt());
    }
    QString sheet = w->property("mouse_base_sheet").toString();
    if (!rules.isEmpty()) {
        const QString selector =
            w->objectName().isEmpty() ? QString() : QStringLiteral("#") + w->objectName();
        sheet += selector.isEmpty() ? rules : QStringLiteral("%1 { %2 }").arg(selector, rules);
    }
    w->setStyleSheet(sheet);
}

}  // namespace

// --------------------------------------------------------------- CControlUI

CControlUI::CControlUI(QWidget* widget, CPaintManagerUI* manager)
    : m_widget(widget), m_pManager(manager) {}

CControlUI::~CControlUI() = default;

bool CControlUI::IsKind(ControlKind kind) const {
    switch (kind) {
        case ControlKind::Control:
            return true;
        case ControlKind::Label:
            return dynamic_cast<const CLabelUI*>(this) != nullptr;
        case ControlKind::Button:
            return dynamic_cast<const CButtonUI*>(this) != nullptr;
        case ControlKind::Option:
            return dynamic_cast<const COptionUI*>(this) != nullptr;
        case ControlKind::CheckBox:
            return dynamic_cast<const CCheckBoxUI*>(this) != nullptr;
        case ControlKind::Edit:
            return dynamic_cast<const CEditUI*>(this) != nullptr;
        case ControlKind::Slider:
            return dynamic_cast<const CSliderUI*>(this) != nullptr;
        case ControlKind::Combo:
            return dynamic_cast<const CComboUI*>(this) != nullptr;
        case ControlKind::List:
            return dynamic_cast<const CListUI*>(this) != nullptr;
        case ControlKind::TabLayout:
            return dynamic_cast<const CTabLayoutUI*>(this) != nullptr;
        case ControlKind::ColorPalette:
            return dynamic_cast<const CColorPaletteUI*>(this) != nullptr;
        case ControlKind::PatternPlot:
            return GetKind() == ControlKind::PatternPlot;
    }
    return false;
}

QString CControlUI::GetName() const {
    return m_widget->objectName();
}

QString CControlUI::GetText() const {
    if (auto* label = qobject_cast<QLabel*>(m_widget)) {
        return label->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(m_widget)) {
        return button->text();
    }
    if (auto* edit = qobject_cast<QLineEdit*>(m_widget)) {
        return edit->text();
    }
    return m_widget->property("mouse_text").toString();
}

void CControlUI::SetText(const QString& text) {
    m_textKey.clear();
    if (auto* label = qobject_cast<QLabel*>(m_widget)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(m_widget)) {
        button->setText(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(m_widget)) {
        const QSignalBlocker block(edit);
        edit->setText(text);
    } else {
        m_widget->setProperty("mouse_text", text);
    }
}

void CControlUI::SetResourceText(const QString& key) {
    SetText(CResourceManager::GetInstance()->GetText(key));
    m_textKey = key;
}

void CControlUI::SetVisible(bool visible) {
    m_widget->setVisible(visible);
    if (visible) {
        m_widget->raise();  // overlays and pop-ups sit above their siblings
    }
}

bool CControlUI::IsVisible() const {
    return m_widget->isVisibleTo(m_widget->window());
}

void CControlUI::SetEnabled(bool enabled) {
    m_widget->setEnabled(enabled);
}

bool CControlUI::IsEnabled() const {
    return m_widget->isEnabled();
}

void CControlUI::SetFocus() {
    m_widget->setFocus(Qt::OtherFocusReason);
}

bool CControlUI::IsFocused() const {
    return m_widget->hasFocus();
}

void CControlUI::SetToolTip(const QString& text) {
    m_widget->setToolTip(text);
}

QRect CControlUI::GetPos() const {
    const QWidget* top = m_widget->window();
    const QPoint at = m_widget == top ? QPoint(0, 0) : m_widget->mapTo(top, QPoint(0, 0));
    return QRect(at, m_widget->size());
}

void CControlUI::SetPos(const QRect& rect) {
    QWidget* top = m_widget->window();
    QWidget* parent = m_widget->parentWidget();
    QPoint at = rect.topLeft();
    if (m_widget != top && parent != nullptr && parent != top) {
        at = parent->mapFrom(top, at);
    }
    m_widget->setGeometry(QRect(at, rect.size()));
}

void CControlUI::SetBkColor(uint32_t argb) {
    m_bkColor = argb;
    m_widget->setAttribute(Qt::WA_StyledBackground);
    m_widget->setProperty("mouse_bk", (argb >> 24) == 0 ? QVariant() : QVariant(argb));
    ApplyColours(m_widget);
}

bool CControlUI::SetBkImage(const QString& spec) {
    if (!spec.trimmed().isEmpty() && !ParseImageSpec(spec).valid) {
        return false;
    }
    m_widget->setProperty("bkimage", spec);
    m_widget->update();
    return true;
}

QString CControlUI::GetBkImage() const {
    return m_widget->property("bkimage").toString();
}

bool CControlUI::SetTimer(UINT id, UINT ms) {
    return m_pManager->SetTimer(this, id, ms);
}

void CControlUI::KillTimer(UINT id) {
    m_pManager->KillTimer(this, id);
}

bool CControlUI::IsTimerActive(UINT id) const {
    return m_pManager->IsTimerActive(this, id);
}

CControlUI* CControlUI::FindSubControl(const QString& name) const {
    auto* child = m_widget->findChild<QWidget*>(name);
    return child == nullptr ? nullptr : m_pManager->WrapperOf(child);
}

void CControlUI::Invalidate() {
    m_widget->update();
}

QObject* CControlUI::Context() const {
    return m_pManager->GetContext();
}

void CControlUI::Notify(const char* type, WPARAM wParam, LPARAM lParam) {
    m_pManager->SendNotify(this, QString::fromLatin1(type), wParam, lParam);
}

// ----------------------------------------------------------------- CLabelUI

CLabelUI::CLabelUI(QWidget* widget, CPaintManagerUI* manager) : CControlUI(widget, manager) {}

void CLabelUI::SetTextColor(uint32_t argb) {
    m_widget->setProperty("mouse_fg", argb);
    ApplyColours(m_widget);
}

int CLabelUI::TextHeight() const {
    m_widget->ensurePolished();
    if (auto* label = qobject_cast<QLabel*>(m_widget); label != nullptr && label->wordWrap()) {
        return label->heightForWidth(label->width());
    }
    return m_widget->sizeHint().height();
}

// ---------------------------------------------------------------- CButtonUI

CButtonUI::CButtonUI(QWidget* widget, CPaintManagerUI* manager) : CLabelUI(widget, manager) {
    widget->setProperty("mouse_interactive", true);
    auto* button = qobject_cast<QAbstractButton*>(widget);
    if (button != nullptr && !button->isCheckable()) {
        QObject::connect(button, &QAbstractButton::clicked, Context(),
                         [this] { Notify(ev::kClick); });
    }
}

void CButtonUI::Activate() {
    if (auto* button = qobject_cast<QAbstractButton*>(m_widget); button && button->isEnabled()) {
        button->click();
    }
}

// ---------------------------------------------------------------- COptionUI

namespace {
struct OptionState {
    bool checkedAtPress = false;
    bool notifyProgrammatic = false;
};
}  // namespace

COptionUI::COptionUI(QWidget* widget, CPaintManagerUI* manager)
    : COptionUI(widget, manager, false) {}

COptionUI::COptionUI(QWidget* widget, CPaintManagerUI* manager, bool checkBox)
    : CButtonUI(widget, manager) {
    auto* button = qobject_cast<QAbstractButton*>(widget);
    if (button == nullptr || checkBox) {
        return;  // check boxes connect their own signals
    }
    auto state = std::make_shared<OptionState>();
    QObject::connect(button, &QAbstractButton::pressed, Context(),
                     [button, state] { state->checkedAtPress = button->isChecked(); });
    // User clicks: "click" first, then the change of state.
    QObject::connect(button, &QAbstractButton::clicked, Context(), [this, button, state] {
        Notify(ev::kClick);
        const bool now = button->isChecked();
        if (now != state->checkedAtPress && (now || GetGroup().isEmpty())) {
            Notify(ev::kSelectChanged, now ? 1 : 0);
        }
    });
    // Changes from code (Selected with notify).
    QObject::connect(button, &QAbstractButton::toggled, Context(), [this, state](bool on) {
        if (state->notifyProgrammatic && (on || GetGroup().isEmpty())) {
            Notify(ev::kSelectChanged, on ? 1 : 0);
        }
    });
    // The connections keep the state alive; Selected reaches it through this.
    widget->setProperty("mouse_option_state",
                        QVariant::fromValue(reinterpret_cast<quintptr>(state.get())));
}

bool COptionUI::IsSelected() const {
    auto* button = qobject_cast<QAbstractButton*>(m_widget);
    return button != nullptr && button->isChecked();
}

QString COptionUI::GetGroup() const {
    return m_widget->property("group").toString();
}

void COptionUI::Selected(bool selected, bool notify) {
    auto* button = qobject_cast<QAbstractButton*>(m_widget);
    if (button == nullptr || button->isChecked() == selected) {
        return;
    }
    auto* state =
        reinterpret_cast<OptionState*>(m_widget->property("mouse_option_state").value<quintptr>());
    if (state != nullptr) {
        state->notifyProgrammatic = notify;
    }
    QButtonGroup* group = button->group();
    const bool exclusive = group != nullptr && group->exclusive();
    if (!selected && exclusive) {
        group->setExclusive(false);  // an exclusive group refuses to clear its choice
    }
    button->setChecked(selected);
    if (!selected && exclusive) {
        group->setExclusive(true);
    }
    if (state != nullptr) {
        state->notifyProgrammatic = false;
    }
}

void COptionUI::Activate() {
    CButtonUI::Activate();
}

// -------------------------------------------------------------- CCheckBoxUI

CCheckBoxUI::CCheckBoxUI(QWidget* widget, CPaintManagerUI* manager)
    : COptionUI(widget, manager, true) {
    auto* box = qobject_cast<QAbstractButton*>(widget);
    if (box != nullptr) {
        QObject::connect(box, &QAbstractButton::clicked, Context(),
                         [this](bool checked) { Notify(ev::kCheckClick, checked ? 1 : 0); });
    }
}

void CCheckBoxUI::SetCheck(bool checked, bool notify) {
    auto* box = qobject_cast<QAbstractButton*>(m_widget);
    if (box == nullptr || box->isChecked() == checked) {
        return;
    }
    {
        const QSignalBlocker block(box);
        box->setChecked(checked);
    }
    if (notify) {
        Notify(ev::kCheckClick, checked ? 1 : 0);
    }
}

void CCheckBoxUI::Selected(bool selected, bool notify) {
    SetCheck(selected, notify);
}

void CCheckBoxUI::Activate() {
    CButtonUI::Activate();
}

// ------------------------------------------------------------------ CEditUI

CEditUI::CEditUI(QWidget* widget, CPaintManagerUI* manager) : CLabelUI(widget, manager) {
    widget->setProperty("mouse_interactive", true);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        QObject::connect(edit, &QLineEdit::textEdited, Context(),
                         [this] { Notify(ev::kTextChanged); });
        QObject::connect(edit, &QLineEdit::returnPressed, Context(),
                         [this] { Notify(ev::kReturn); });
    }
}

void CEditUI::SetReadOnly(bool readOnly) {
    if (auto* edit = qobject_cast<QLineEdit*>(m_widget)) {
        edit->setReadOnly(readOnly);
    }
}

bool CEditUI::IsReadOnly() const {
    auto* edit = qobject_cast<QLineEdit*>(m_widget);
    return edit != nullptr && edit->isReadOnly();
}

void CEditUI::SetMaxChar(int count) {
    if (auto* edit = qobject_cast<QLineEdit*>(m_widget)) {
        edit->setMaxLength(count);
    }
}

void CEditUI::TypeText(const QString& text) {
    SetText(text);
    Notify(ev::kTextChanged);
}

void CEditUI::SetKeyCapture(bool on) {
    m_widget->setProperty("key_capture", on);
}

bool CEditUI::IsKeyCapture() const {
    return m_widget->property("key_capture").toBool();
}

// ---------------------------------------------------------------- CSliderUI

CSliderUI::CSliderUI(QWidget* widget, CPaintManagerUI* manager) : CControlUI(widget, manager) {
    widget->setProperty("mouse_interactive", true);
    auto* slider = qobject_cast<QAbstractSlider*>(widget);
    if (slider == nullptr) {
        return;
    }
    QObject::connect(slider, &QAbstractSlider::valueChanged, Context(), [this, slider](int value) {
        Notify(slider->isSliderDown() ? ev::kMoveValueChanged : ev::kValueChanged,
               static_cast<WPARAM>(value));
    });
    QObject::connect(slider, &QAbstractSlider::sliderReleased, Context(), [this, slider] {
        Notify(ev::kValueChanged, static_cast<WPARAM>(slider->value()));
    });
}

namespace {
template <class F>
void WithSlider(QWidget* w, F f) {
    if (auto* slider = qobject_cast<QAbstractSlider*>(w)) {
        const QSignalBlocker block(slider);
        f(slider);
    }
}
}  // namespace

int CSliderUI::GetValue() const {
    auto* s = qobject_cast<QAbstractSlider*>(m_widget);
    return s != nullptr ? s->value() : 0;
}
void CSliderUI::SetValue(int value) {
    WithSlider(m_widget, [value](QAbstractSlider* s) { s->setValue(value); });
}
int CSliderUI::GetMinValue() const {
    auto* s = qobject_cast<QAbstractSlider*>(m_widget);
    return s != nullptr ? s->minimum() : 0;
}
void CSliderUI::SetMinValue(int value) {
    WithSlider(m_widget, [value](QAbstractSlider* s) { s->setMinimum(value); });
}
int CSliderUI::GetMaxValue() const {
    auto* s = qobject_cast<QAbstractSlider*>(m_widget);
    return s != nullptr ? s->maximum() : 0;
}
void CSliderUI::SetMaxValue(int value) {
    WithSlider(m_widget, [value](QAbstractSlider* s) { s->setMaximum(value); });
}

void CSliderUI::Drag(int value) {
    if (auto* s = qobject_cast<QAbstractSlider*>(m_widget); s != nullptr && s->isEnabled()) {
        s->setSliderDown(true);
        s->setSliderPosition(value);
    }
}

void CSliderUI::Release() {
    if (auto* s = qobject_cast<QAbstractSlider*>(m_widget); s != nullptr && s->isSliderDown()) {
        s->setSliderDown(false);
    }
}

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

// ------------------------------------------------------------- CTabLayoutUI

CTabLayoutUI::CTabLayoutUI(QWidget* widget, CPaintManagerUI* manager)
    : CControlUI(widget, manager) {}

int CTabLayoutUI::GetCount() const {
    auto* s = qobject_cast<QStackedWidget*>(m_widget);
    return s != nullptr ? s->count() : 0;
}

int CTabLayoutUI::GetCurSel() const {
    auto* s = qobject_cast<QStackedWidget*>(m_widget);
    return s != nullptr ? s->currentIndex() : -1;
}

bool CTabLayoutUI::SelectItem(int index) {
    auto* s = qobject_cast<QStackedWidget*>(m_widget);
    if (s == nullptr || index < 0 || index >= s->count()) {
        return false;
    }
    s->setCurrentIndex(index);
    return true;
}

// ---------------------------------------------------------- CColorPaletteUI

CColorPaletteUI::CColorPaletteUI(QWidget* widget, CPaintManagerUI* manager)
    : CControlUI(widget, manager) {
    widget->setProperty("mouse_interactive", true);
    if (auto* palette = dynamic_cast<ColorPalette*>(widget)) {
        palette->onChanged = [this](QColor c) { Notify(ev::kColorChanged, c.rgba()); };
        palette->onReleased = [this](QColor c) { Notify(ev::kColorChangedButtonUp, c.rgba()); };
    }
}

uint32_t CColorPaletteUI::GetSelectColor() const {
    auto* palette = dynamic_cast<ColorPalette*>(m_widget);
    return palette != nullptr ? palette->SelectedColor().rgba() | 0xFF000000u : 0;
}

void CColorPaletteUI::SetSelectColor(uint32_t argb) {
    if (auto* palette = dynamic_cast<ColorPalette*>(m_widget)) {
        palette->SetSelectedColor(QColor::fromRgb(argb | 0xFF000000u));
    }
}

}  // namespace mouse
