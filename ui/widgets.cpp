#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
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
    QWidget::keyPressEvent(e);
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
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress: {
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
