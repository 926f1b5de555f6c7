// The DPI pop-up: a small frameless window that tells the new DPI when the
// mouse's own DPI button changed the level. The main window shows it
// topmost, without a task-bar entry and without taking the focus, and
// closes it two seconds after the last change.
#pragma once

#include <QString>

#include "ui/ui.h"

namespace mouse {

inline constexpr ControlSpec kDpiMsgControls[] = {
    // Without the label the pop-up keeps the skin's size and place.
    {"dpi_value_label", ControlKind::Label, 0, -1, true},
};
inline constexpr ControlTable kDpiMsgTable{"dpi.xml", "CDPIMsg", kDpiMsgControls};
MOUSE_REGISTER_CONTROL_TABLE(kDpiMsgTable);

class CDPIMsg : public WindowImplBase {
public:
    CDPIMsg();
    ~CDPIMsg() override;

    QString GetWindowClassName() const override { return QStringLiteral("DPIWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("dpi.xml"); }

    // The text shown; empty after construction. Replaces the label's text
    // once the window exists.
    void SetText(const QString& text);
    QString GetText() const { return m_text; }

    // How many pop-ups exist right now (at most one while the program runs).
    static int LiveCount();

protected:
    void InitWindow() override;

private:
    QString m_text;
    CLabelUI* m_pLabel = nullptr;
};

}  // namespace mouse
