// Buttons, options (one of a group) and check boxes.
#include "ui/controls.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <memory>

namespace mouse {

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

}  // namespace mouse
