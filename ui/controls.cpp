// The base control and labels: text, visibility, position, colours and
// images, timers and notifications shared by every control; the tab layout.
#include "ui/controls.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>
#include <optional>

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

// Property names of eliding controls: the whole text and the tooltip set
// from code.
constexpr const char* kFullText = "mouse_full_text";
constexpr const char* kOwnTip = "mouse_tip";

std::optional<Qt::TextElideMode> ElideModeOf(const QWidget* w) {
    const QString mode = w->property("elide").toString();
    if (mode == QLatin1String("left")) {
        return Qt::ElideLeft;
    }
    if (mode == QLatin1String("middle")) {
        return Qt::ElideMiddle;
    }
    if (mode == QLatin1String("right")) {
        return Qt::ElideRight;
    }
    return std::nullopt;
}

// Width the text of a label or button is drawn in, after the style's
// border and padding (and a button's icon).
int TextRoom(QWidget* w) {
    if (auto* label = qobject_cast<QLabel*>(w)) {
        return label->contentsRect().width() - 2 * label->margin();
    }
    auto* button = qobject_cast<QAbstractButton*>(w);
    if (button == nullptr) {
        return w->width();
    }
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    int room =
        button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
    if (!button->icon().isNull()) {
        room -= button->iconSize().width() + 4;
    }
    return room;
}

void ShowText(QWidget* w, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(text);
    }
}

}  // namespace

void FitElidedText(QWidget* w) {
    const std::optional<Qt::TextElideMode> mode = ElideModeOf(w);
    if (!mode) {
        return;
    }
    if (!w->property(kFullText).isValid()) {  // the skin's own text and tooltip
        auto* label = qobject_cast<QLabel*>(w);
        auto* button = qobject_cast<QAbstractButton*>(w);
        w->setProperty(kFullText, label != nullptr    ? label->text()
                                  : button != nullptr ? button->text()
                                                      : QString());
        w->setProperty(kOwnTip, w->toolTip());
    }
    w->ensurePolished();
    const QString full = w->property(kFullText).toString();
    const QString shown = w->fontMetrics().elidedText(full, *mode, std::max(0, TextRoom(w)));
    ShowText(w, shown);
    w->setToolTip(shown != full ? full : w->property(kOwnTip).toString());
}

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
    if (ElideModeOf(m_widget)) {
        return m_widget->property(kFullText).toString();
    }
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
    if (ElideModeOf(m_widget)) {
        FitElidedText(m_widget);  // takes the skin's tooltip first
        m_widget->setProperty(kFullText, text);
        FitElidedText(m_widget);
    } else if (auto* label = qobject_cast<QLabel*>(m_widget)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(m_widget)) {
        button->setText(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(m_widget)) {
        const QSignalBlocker block(edit);
        edit->setText(text);
        // A long name shows its start; typing goes on at the end.
        if (!edit->hasFocus()) {
            edit->setCursorPosition(0);
        }
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

void SetOwnToolTip(QWidget* w, const QString& text) {
    w->setToolTip(text);
    if (ElideModeOf(w)) {
        FitElidedText(w);  // takes the skin's text first
        w->setProperty(kOwnTip, text);
        FitElidedText(w);
    }
}

void CControlUI::SetToolTip(const QString& text) {
    SetOwnToolTip(m_widget, text);
}

QString CControlUI::GetToolTip() const {
    return m_widget->toolTip();
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

QString CLabelUI::GetShownText() const {
    if (auto* label = qobject_cast<QLabel*>(m_widget)) {
        return label->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(m_widget)) {
        return button->text();
    }
    return GetText();
}

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

}  // namespace mouse
