// Controls the user sets a value with: edits, sliders and the colour palette.
#include "ui/controls.h"

#include <QAbstractSlider>
#include <QLineEdit>

#include "ui/paint_manager.h"
#include "ui/resource_manager.h"
#include "ui/widgets_p.h"

namespace mouse {

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
        ShowValue();
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

void CSliderUI::SetValueText(std::function<QString(int)> text) {
    m_valueText = std::move(text);
    ShowValue();
}

CLabelUI* CSliderUI::GetValueLabel() const {
    const QString name = m_widget->property("valuelabel").toString();
    return name.isEmpty() ? nullptr : m_pManager->FindControl<CLabelUI>(name);
}

void CSliderUI::ShowValue() {
    CLabelUI* label = GetValueLabel();
    if (label == nullptr) {
        return;
    }
    const int value = GetValue();
    if (m_valueText) {
        label->SetText(m_valueText(value));
        return;
    }
    const QString key = m_widget->property("valuekey").toString();
    const QString format =
        key.isEmpty() ? QString() : CResourceManager::GetInstance()->GetText(key);
    label->SetText(format.contains(QLatin1String("%1")) ? format.arg(value)
                                                        : QString::number(value));
}

int CSliderUI::GetValue() const {
    auto* s = qobject_cast<QAbstractSlider*>(m_widget);
    return s != nullptr ? s->value() : 0;
}
void CSliderUI::SetValue(int value) {
    WithSlider(m_widget, [value](QAbstractSlider* s) { s->setValue(value); });
    ShowValue();
}
int CSliderUI::GetMinValue() const {
    auto* s = qobject_cast<QAbstractSlider*>(m_widget);
    return s != nullptr ? s->minimum() : 0;
}
void CSliderUI::SetMinValue(int value) {
    WithSlider(m_widget, [value](QAbstractSlider* s) { s->setMinimum(value); });
    ShowValue();
}
int CSliderUI::GetMaxValue() const {
    auto* s = qobject_cast<QAbstractSlider*>(m_widget);
    return s != nullptr ? s->maximum() : 0;
}
void CSliderUI::SetMaxValue(int value) {
    WithSlider(m_widget, [value](QAbstractSlider* s) { s->setMaximum(value); });
    ShowValue();
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
