#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "ui/image.h"
#include "ui/menu.h"
#include "ui/paint_manager.h"
#include "ui/pattern_plot_p.h"
#include "ui/widgets_p.h"
#include "ui/window.h"

namespace mouse {

QEvent::Type UiMessageEvent::EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

UiMessageEvent::~UiMessageEvent() {
    if (msg == kMsgMenu && !delivered) {
        TakeMenuCmd(wParam);  // and drop it
    }
}

// ---------------------------------------------------------------- HostWidget

HostWidget::HostWidget(WindowImplBase* owner) : m_owner(owner) {
    setAttribute(Qt::WA_StyledBackground);
}

bool HostWidget::event(QEvent* e) {
    if (e->type() == UiMessageEvent::EventType()) {
        auto* m = static_cast<UiMessageEvent*>(e);
        m->delivered = !m_owner->m_destroyed;
        m_owner->DispatchMessage(m->msg, m->wParam, m->lParam);
        return true;
    }
    return QWidget::event(e);
}

void HostWidget::closeEvent(QCloseEvent* e) {
    // The window system asked to close: the owner decides; the widget itself
    // only ever hides through the owner.
    e->ignore();
    m_owner->OnSystemClose();
}

void HostWidget::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && m_owner->IsModal()) {
        m_owner->OnSystemClose();
        return;
    }
    // Return reaches the window when the focused control left it alone (an
    // edit, a list, a check box): it confirms a dialog through its default
    // button. On a focused push button it presses that button, as Space does.
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
        (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        QPushButton* button = focused != nullptr && focused->isEnabled() ? focused : nullptr;
        if (button == nullptr && m_owner->IsModal()) {
            button = DefaultButton(this);
        }
        if (button != nullptr) {
            button->click();
            return;
        }
    }
    QWidget::keyPressEvent(e);
}

bool HostWidget::focusNextPrevChild(bool next) {
    const QList<QWidget*> chain = TabChain(this);
    if (chain.isEmpty()) {
        return QWidget::focusNextPrevChild(next);
    }
    // The control that has the focus, or the one whose part has it (the
    // edit inside a combo box).
    const QWidget* focused = focusWidget();
    qsizetype at = -1;
    for (qsizetype i = 0; i < chain.size() && focused != nullptr; ++i) {
        if (chain[i] == focused || chain[i]->isAncestorOf(focused)) {
            at = i;
            break;
        }
    }
    const qsizetype n = chain.size();
    const qsizetype to = at < 0 ? (next ? 0 : n - 1) : (at + (next ? 1 : n - 1)) % n;
    chain[to]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

namespace {

// A control Tab stops at.
bool TakesTab(const QWidget* w) {
    // A scroll area is a frame around controls that take the focus themselves.
    return w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) != 0 && w->focusProxy() == nullptr &&
           qstrcmp(w->metaObject()->className(), "QScrollArea") != 0;
}

// A control whose inner widgets (the edit of a combo box or spin box, the
// editors and item widgets of a list) Tab does not visit one by one.
bool Whole(const QWidget* w) {
    return qobject_cast<const QComboBox*>(w) != nullptr ||
           qobject_cast<const QAbstractSpinBox*>(w) != nullptr ||
           qobject_cast<const QAbstractItemView*>(w) != nullptr;
}

// The shown child widgets of parent in reading order: rows from top to
// bottom, each from left to right. A row takes the widgets whose top is
// above the middle of every widget in it so far, so that a tall widget (a
// list beside a column of buttons) does not pull the widgets beside it into
// one row.
QList<QWidget*> InReadingOrder(const QWidget* parent, const QWidget* window) {
    std::vector<QWidget*> children;
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w != nullptr && !w->isWindow() && w->isVisibleTo(window)) {
            children.push_back(w);
        }
    }
    std::stable_sort(children.begin(), children.end(),
                     [](const QWidget* a, const QWidget* b) { return a->y() < b->y(); });
    QList<QWidget*> ordered;
    for (size_t first = 0; first < children.size();) {
        int middle = children[first]->y() + children[first]->height() / 2;
        size_t end = first + 1;
        while (end < children.size() && children[end]->y() < middle) {
            middle = std::min(middle, children[end]->y() + children[end]->height() / 2);
            ++end;
        }
        std::stable_sort(children.begin() + qsizetype(first), children.begin() + qsizetype(end),
                         [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });
        for (size_t i = first; i < end; ++i) {
            ordered.append(children[i]);
        }
        first = end;
    }
    return ordered;
}

void AppendTabStops(const QWidget* parent, const QWidget* window, QList<QWidget*>& chain) {
    for (QWidget* w : InReadingOrder(parent, window)) {
        if (TakesTab(w)) {
            chain.append(w);
        }
        if (!Whole(w)) {
            AppendTabStops(w, window, chain);
        }
    }
}

}  // namespace

QList<QWidget*> TabChain(QWidget* window) {
    QList<QWidget*> chain;
    AppendTabStops(window, window, chain);
    return chain;
}

QPushButton* DefaultButton(QWidget* window) {
    const auto usable = [window](const QPushButton* b) {
        return b != nullptr && b->window() == window && b->isVisibleTo(window) && b->isEnabled();
    };
    for (QPushButton* b : window->findChildren<QPushButton*>()) {
        if (b->isDefault() && usable(b)) {
            return b;
        }
    }
    auto* ok = window->findChild<QPushButton*>(QStringLiteral("ok_btn"));
    return usable(ok) ? ok : nullptr;
}

void HostWidget::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && e->position().y() < m_captionHeight) {
        QWindow* handle = windowHandle();
        if (handle != nullptr && handle->startSystemMove()) {
            return;
        }
        m_dragging = true;
        m_dragOffset = e->globalPosition().toPoint() - frameGeometry().topLeft();
        return;
    }
    QWidget::mousePressEvent(e);
}

void HostWidget::mouseMoveEvent(QMouseEvent* e) {
    if (m_dragging) {
        move(e->globalPosition().toPoint() - m_dragOffset);
        return;
    }
    QWidget::mouseMoveEvent(e);
}

void HostWidget::mouseReleaseEvent(QMouseEvent* e) {
    m_dragging = false;
    QWidget::mouseReleaseEvent(e);
}

// ------------------------------------------------------- option, menu item

OptionButton::OptionButton(QWidget* parent) : QPushButton(parent) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
}

MenuElement::MenuElement(QWidget* parent) : QPushButton(parent) {
    setFlat(true);
    setFocusPolicy(Qt::NoFocus);
}

void MenuElement::paintEvent(QPaintEvent* e) {
    QPushButton::paintEvent(e);
    if (!isCheckable()) {
        return;
    }
    // A box in the text colour; a tick in the accent colour when checked.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int side = std::min(14, height() - 8);
    const QRectF box(width() - side - 10.5, (height() - side) / 2.0 + 0.5, side, side);
    p.setPen(QPen(palette().color(QPalette::ButtonText), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(box, 3, 3);
    if (isChecked()) {
        QPainterPath tick;
        tick.moveTo(box.left() + side * 0.22, box.top() + side * 0.52);
        tick.lineTo(box.left() + side * 0.43, box.top() + side * 0.74);
        tick.lineTo(box.left() + side * 0.80, box.top() + side * 0.28);
        p.setPen(QPen(QColor(0x00, 0xaa, 0xff), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(tick);
    }
}

// ------------------------------------------------------------- ColorPalette

ColorPalette::ColorPalette(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::CrossCursor);
    SetSelectedColor(m_color);
}

// The field and the strip keep this margin inside the widget, so that the
// markers stay whole at their edges.
constexpr int kPaletteInset = 6;

QRect ColorPalette::FieldRect() const {
    return QRect(kPaletteInset, kPaletteInset, std::max(1, width() - 2 * kPaletteInset),
                 std::max(1, height() - 22 - kPaletteInset));
}

QRect ColorPalette::StripRect() const {
    return QRect(kPaletteInset, height() - 16, std::max(1, width() - 2 * kPaletteInset), 16);
}

void ColorPalette::SetSelectedColor(const QColor& color) {
    m_color = color.toRgb();
    m_color.setAlpha(255);
    float h = 0, s = 0, v = 0;
    m_color.getHsvF(&h, &s, &v);
    if (h >= 0) {  // grey has no hue: keep the previous one
        m_hue = h;
    }
    m_sat = s;
    m_val = v;
    update();
}

void ColorPalette::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect field = FieldRect();
    QLinearGradient hue(field.topLeft(), field.topRight());
    for (int i = 0; i <= 6; ++i) {
        hue.setColorAt(i / 6.0, QColor::fromHsvF(std::fmod(i / 6.0f, 1.0f), 1, 1));
    }
    p.fillRect(field, hue);
    QLinearGradient white(field.topLeft(), field.bottomLeft());
    white.setColorAt(0, QColor(255, 255, 255, 0));
    white.setColorAt(1, QColor(255, 255, 255, 255));
    p.fillRect(field, white);

    const QRect strip = StripRect();
    QLinearGradient value(strip.topLeft(), strip.topRight());
    value.setColorAt(0, Qt::black);
    value.setColorAt(1, QColor::fromHsvF(m_hue, m_sat, 1));
    QPainterPath stripPath;
    stripPath.addRoundedRect(strip, 4, 4);
    p.fillPath(stripPath, value);

    // Markers: ring on the field, notch on the strip.
    const QPointF at(field.left() + m_hue * field.width(),
                     field.top() + (1 - m_sat) * field.height());
    p.setPen(QPen(Qt::black, 3));
    p.drawEllipse(at, 6, 6);
    p.setPen(QPen(Qt::white, 1.5));
    p.drawEllipse(at, 6, 6);
    const qreal vx = strip.left() + m_val * strip.width();
    p.setPen(QPen(Qt::white, 2));
    p.drawLine(QPointF(vx, strip.top() - 2), QPointF(vx, strip.bottom() + 2));
}

void ColorPalette::PickAt(QPoint pos) {
    if (m_drag == Drag::Field) {
        const QRect f = FieldRect();
        m_hue = std::clamp(float(pos.x() - f.left()) / std::max(1, f.width()), 0.0f, 0.9999f);
        m_sat = std::clamp(1.0f - float(pos.y() - f.top()) / std::max(1, f.height()), 0.0f, 1.0f);
        // On black every place of the field is black too: a pick there
        // means a hue, so it comes at full brightness.
        if (m_val <= 0.0f) {
            m_val = 1.0f;
        }
    } else if (m_drag == Drag::Strip) {
        const QRect s = StripRect();
        m_val = std::clamp(float(pos.x() - s.left()) / std::max(1, s.width()), 0.0f, 1.0f);
    }
    m_color = QColor::fromHsvF(m_hue, m_sat, m_val).toRgb();
    update();
}

void ColorPalette::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        return;
    }
    const QPoint pos = e->position().toPoint();
    m_drag = pos.y() >= StripRect().top() - 3 ? Drag::Strip : Drag::Field;
    PickAt(pos);
    if (onChanged) {
        onChanged(m_color);
    }
}

void ColorPalette::mouseMoveEvent(QMouseEvent* e) {
    if (m_drag == Drag::None) {
        return;
    }
    PickAt(e->position().toPoint());
    if (onChanged) {
        onChanged(m_color);
    }
}

void ColorPalette::mouseReleaseEvent(QMouseEvent* e) {
    if (m_drag == Drag::None || e->button() != Qt::LeftButton) {
        return;
    }
    PickAt(e->position().toPoint());
    m_drag = Drag::None;
    if (onReleased) {
        onReleased(m_color);
    }
}

// ----------------------------------------------------------------- BusyRing

BusyRing::BusyRing(QWidget* parent) : QWidget(parent) {
    m_timer.setInterval(40);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
        m_angle = (m_angle + 12) % 360;
        update();
    });
}

void BusyRing::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // Dims the window (the ring covers it while the mouse is written) and
    // draws the ring in the middle.
    p.fillRect(rect(), QColor(5, 8, 14, 110));
    const int side = std::min({width(), height(), 88}) - 16;
    const QRectF r((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    p.setPen(QPen(QColor(255, 255, 255, 40), 6));
    p.drawEllipse(r);
    QConicalGradient g(r.center(), -m_angle);
    g.setColorAt(0, QColor(0, 170, 255));
    g.setColorAt(0.7, QColor(0, 170, 255, 0));
    p.setPen(QPen(QBrush(g), 6, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(r, -m_angle * 16, 270 * 16);
}

void BusyRing::showEvent(QShowEvent*) {
    m_timer.start();
}

void BusyRing::hideEvent(QHideEvent*) {
    m_timer.stop();
}

// ------------------------------------------------------------------ Overlay

Overlay::Overlay(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_NoSystemBackground);
}

void Overlay::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(5, 8, 14, 170));
}

// --------------------------------------------------------------- SkinLoader

QWidget* SkinLoader::createWidget(const QString& className, QWidget* parent, const QString& name) {
    QWidget* w = nullptr;
    if (className == QLatin1String("OptionButton")) {
        w = new OptionButton(parent);
    } else if (className == QLatin1String("MenuElement")) {
        w = new MenuElement(parent);
    } else if (className == QLatin1String("ColorPalette")) {
        w = new ColorPalette(parent);
    } else if (className == QLatin1String("BusyRing")) {
        w = new BusyRing(parent);
    } else if (className == QLatin1String("Overlay")) {
        w = new Overlay(parent);
    } else if (className == QLatin1String("PatternPlot")) {
        w = new PatternPlot(parent);
    } else {
        return QUiLoader::createWidget(className, parent, name);
    }
    w->setObjectName(name);
    return w;
}

// ---------------------------------------------------------- SkinEventFilter

namespace {

// Whether the user's last input in a skin was a key rather than a click.
bool g_keyboardLast = false;

// The style sheet rings a button, check box, slider or list that has the
// focus only when the keyboard brought it there (property "keyfocus"), so a
// click does not leave a ring behind: Tab, or a key that moved the focus
// (the arrow keys in a group of options). Losing and regaining the focus
// with the window or a pop-up menu keeps the mark.
void MarkKeyboardFocus(QWidget* widget, const QFocusEvent& event) {
    const Qt::FocusReason reason = event.reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) {
        return;
    }
    const bool byKey =
        event.type() == QEvent::FocusIn &&
        (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
         reason == Qt::ShortcutFocusReason || (reason == Qt::OtherFocusReason && g_keyboardLast));
    if (widget->property("keyfocus").toBool() == byKey) {
        return;
    }
    widget->setProperty("keyfocus", byKey);
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
    widget->update();
}

}  // namespace

bool SkinEventFilter::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr) {
        return false;
    }
    switch (event->type()) {
        case QEvent::Paint: {
            const QVariant spec = widget->property("bkimage");
            if (spec.isValid() && !spec.toString().isEmpty()) {
                QPainter p(widget);
                p.setRenderHint(QPainter::SmoothPixmapTransform);
                DrawImageSpec(p, ParseImageSpec(spec.toString()), widget->rect());
            }
            return false;
        }
        case QEvent::MouseButtonPress:
            g_keyboardLast = false;
            return false;
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress: {
            g_keyboardLast = true;
            // A key-capturing edit takes every key, before shortcuts, focus
            // moves (Tab) and the dialog's Escape see it.
            if (!widget->property("key_capture").toBool()) {
                return false;
            }
            auto* key = static_cast<QKeyEvent*>(event);
            key->accept();
            if (event->type() == QEvent::ShortcutOverride) {
                return true;
            }
            CControlUI* control = m_manager->WrapperOf(widget);
            if (control != nullptr) {
                const KeyPress press{key->key(), unsigned(key->modifiers().toInt()),
                                     key->nativeScanCode(), key->nativeVirtualKey(),
                                     key->isAutoRepeat()};
                m_manager->SendNotify(control, QString::fromLatin1(ev::kKeyDown),
                                      WPARAM(unsigned(key->key())), LPARAM(&press));
            }
            return true;
        }
        case QEvent::Resize:
        case QEvent::FontChange:
        case QEvent::StyleChange:
        case QEvent::Polish:
            // An eliding text is fitted to the size and font it is drawn in.
            if (widget->property("elide").isValid()) {
                FitElidedText(widget);
            }
            return false;
        case QEvent::FocusIn:
        case QEvent::FocusOut:
        case QEvent::Enter:
        case QEvent::Leave: {
            if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
                MarkKeyboardFocus(widget, *static_cast<QFocusEvent*>(event));
            }
            CControlUI* control = m_manager->WrapperOf(widget);
            if (control == nullptr || !widget->property("mouse_interactive").toBool()) {
                return false;
            }
            const char* type = event->type() == QEvent::FocusIn    ? ev::kSetFocus
                               : event->type() == QEvent::FocusOut ? ev::kKillFocus
                               : event->type() == QEvent::Enter    ? ev::kMouseEnter
                                                                   : ev::kMouseLeave;
            m_manager->SendNotify(control, QString::fromLatin1(type));
            return false;
        }
        default:
            return false;
    }
}

}  // namespace mouse
