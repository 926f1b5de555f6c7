// Tray icon. Clicks reach the receiving window as a numbered message
// (0x401 by default) with lParam WM_LBUTTONUP or WM_RBUTTONUP.
#pragma once

#include <QString>
#include <memory>
#include <optional>

#include "ui/ui_types.h"

namespace mouse {

class WindowImplBase;
class TrayIconImpl;

inline constexpr UINT kMsgTrayIcon = 0x401;

class CTrayIcon {
public:
    CTrayIcon();
    ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // False when the desktop offers no tray (the icon is still created and
    // works once a tray appears) or the icon file cannot be read (no icon).
    bool CreateTrayIcon(WindowImplBase* receiver, const QString& iconFile, const QString& tooltip,
                        UINT message = kMsgTrayIcon);
    void DeleteTrayIcon();
    void SetTooltipText(const QString& text);
    QString GetTooltipText() const;
    bool SetIcon(const QString& iconFile);
    bool IsCreated() const;

    // Whether the desktop shows tray icons at all: the override when one is
    // set, else what the desktop says (asked anew each time, since a tray
    // may come or go while the program runs).
    static bool IsAvailable();
    // Fixes what IsAvailable answers (nullopt: ask the desktop again). Tests
    // choose a desktop with or without a tray with it; the program sets it
    // from the user's MOUSE_DRIVER_TRAY setting.
    static void SetAvailabilityOverride(std::optional<bool> available);

    // Test seam: delivers a left (false) or right (true) click as the tray would.
    void SimulateClick(bool right);

private:
    std::unique_ptr<TrayIconImpl> m_impl;
};

}  // namespace mouse
