// Window and thread message numbers shared by the main window, the pages,
// the device-access library and the device worker. The UI layer's own
// messages (0x401 tray callback, 0x403 menu choice) are kMsgTrayIcon and
// kMsgMenu of ui/tray.h and ui/menu.h.
#pragma once

namespace mouse {

inline constexpr unsigned kMsgShowRequest = 0x40D;     // a second copy asks to be shown
inline constexpr unsigned kMsgBindingChanged = 0x467;  // bound macro/preset changed
inline constexpr unsigned kMsgDpiPopup = 0x469;        // show the DPI pop-up, lParam = step
inline constexpr unsigned kMsgHookKey = 0x500;         // recorded keyboard event
inline constexpr unsigned kMsgHookMouse = 0x501;       // recorded mouse-button event
inline constexpr unsigned kMsgDeviceNotice = 0x52D;    // DPI/rate/mode changed on the mouse
inline constexpr unsigned kMsgDeviceChange = 0x52E;    // wParam 1 arrival, 0 removal
inline constexpr unsigned kMsgWorkerDone = 0x530;      // the device worker finished a job
inline constexpr unsigned kMsgSaveFailed = 0x531;      // a background save of a store failed
inline constexpr unsigned kMsgStoresDamaged = 0x532;   // damaged store files were kept aside

inline constexpr unsigned kThreadMsgApply = 0x670;     // write the configuration
inline constexpr unsigned kThreadMsgSync = 0x671;      // settings synchronisation
inline constexpr unsigned kThreadMsgFirmware = 0x672;  // firmware version read

// Device notice classes (high byte of wParam's low word).
inline constexpr unsigned kNoticeReportRate = 0x05;
inline constexpr unsigned kNoticeDpiLevel = 0x07;
inline constexpr unsigned kNoticeButtonMode = 0x08;

}  // namespace mouse
