// Basic types of the UI layer: message parameters, the notification record and
// the kinds of controls a skin can hold.
#pragma once

#include <QString>
#include <cstdint>

namespace mouse {

using UINT = unsigned int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// Window message numbers the layer itself produces.
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_RBUTTONUP = 0x0205;
inline constexpr UINT WM_USER = 0x0400;

class CControlUI;

// One UI notification. sType is one of the event names below; sVirtualWnd is
// the "virtualwnd" property of the sender or of its nearest ancestor that has
// one (empty for controls outside every page).
struct TNotifyUI {
    QString sType;
    QString sVirtualWnd;
    CControlUI* pSender = nullptr;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// Event names, with their parameters:
//   "click"                 button or option clicked by the user
//   "selectchanged"         option became selected (wParam 1); an option without
//                           a group also reports being cleared (wParam 0)
//   "itemselect"            combo or list selection: wParam new index, lParam old
//   "valuechanged"          slider released or stepped: wParam new value
//   "movevaluechanged"      slider dragged: wParam current value
//   "checkclick"            check box toggled by the user: wParam 1 checked, 0 not
//   "textchanged"           edit text typed by the user (not on SetText)
//   "setfocus", "killfocus" input focus entered or left the control
//   "return"                Enter pressed in an edit
//   "mouseenter", "mouseleave"
//   "colorchanged"          palette dragged: wParam colour 0xAARRGGBB
//   "colorchangedbuttonup"  palette released: wParam colour 0xAARRGGBB
//   "timer"                 control timer fired: wParam timer id
//   "keydown"               key pressed in an edit that captures keys
//                           (CEditUI::SetKeyCapture): wParam the Qt key code,
//                           lParam a const KeyPress* valid during the call
namespace ev {
inline constexpr const char* kClick = "click";
inline constexpr const char* kSelectChanged = "selectchanged";
inline constexpr const char* kItemSelect = "itemselect";
inline constexpr const char* kValueChanged = "valuechanged";
inline constexpr const char* kMoveValueChanged = "movevaluechanged";
inline constexpr const char* kCheckClick = "checkclick";
inline constexpr const char* kTextChanged = "textchanged";
inline constexpr const char* kSetFocus = "setfocus";
inline constexpr const char* kKillFocus = "killfocus";
inline constexpr const char* kReturn = "return";
inline constexpr const char* kMouseEnter = "mouseenter";
inline constexpr const char* kMouseLeave = "mouseleave";
inline constexpr const char* kColorChanged = "colorchanged";
inline constexpr const char* kColorChangedButtonUp = "colorchangedbuttonup";
inline constexpr const char* kTimer = "timer";
inline constexpr const char* kKeyDown = "keydown";
}  // namespace ev

// A key pressed in a key-capturing edit, as the window system reported it.
struct KeyPress {
    int qtKey = 0;                // Qt::Key
    unsigned modifiers = 0;       // Qt::KeyboardModifiers
    unsigned nativeScanCode = 0;  // X11: the X key code; 0 when unknown
    unsigned nativeKey = 0;       // X11: the key symbol; 0 when unknown
    bool autoRepeat = false;
};

// What a control is; used by typed lookups and by the skin check.
enum class ControlKind {
    Control,  // any control (containers, pictures, overlays)
    Label,
    Button,  // push button; options and check boxes are buttons too
    Option,
    CheckBox,
    Edit,
    Slider,
    Combo,
    List,
    TabLayout,
    ColorPalette,
    PatternPlot,  // a recoil pattern drawn as a path (ui/pattern_plot.h)
};

const char* ControlKindName(ControlKind kind);

}  // namespace mouse
