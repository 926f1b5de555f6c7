// The fire-click dialog: how many clicks a fire-click button sends and the
// delay between them in milliseconds (the unit stands beside its field). The
// caller sets both before creating the window and reads them back after a
// result of 1. A typed value takes effect when its field loses the focus,
// clamped to its range.
#pragma once

#include <QString>

#include "ui/ui.h"

namespace mouse {

inline constexpr ControlSpec kFireClickWndControls[] = {
    {"ok_btn", ControlKind::Button},   {"cancel_btn", ControlKind::Button},
    {"exit_btn", ControlKind::Button}, {"edit_time", ControlKind::Edit},
    {"edit_delay", ControlKind::Edit}, {"label_fire_delay_unit", ControlKind::Label},
};
inline constexpr ControlTable kFireClickWndTable{"fireclick.xml", "CFireClickWnd",
                                                 kFireClickWndControls};
MOUSE_REGISTER_CONTROL_TABLE(kFireClickWndTable);

inline constexpr int kFireClickCountMin = 0;
inline constexpr int kFireClickDelayMin = 1;
inline constexpr int kFireClickMax = 255;

class CFireClickWnd : public WindowImplBase {
public:
    CFireClickWnd();

    QString GetWindowClassName() const override { return QStringLiteral("FireClickWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("fireclick.xml"); }

    // Count 0-255 and delay 1-255, shown when the window is created.
    void SetCount(int count) { m_iCount = count; }
    void SetDelay(int delay) { m_iDelay = delay; }
    int GetCount() const { return m_iCount; }
    int GetDelay() const { return m_iDelay; }

protected:
    void InitWindow() override;
    void OnClick(TNotifyUI& msg) override;

private:
    void OnKillFocus(TNotifyUI& msg);

    int m_iCount = 0;
    int m_iDelay = 2;
    CEditUI* m_pTime = nullptr;
    CEditUI* m_pDelay = nullptr;
};

}  // namespace mouse
