#include "macros/x_keyboard.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <cstdlib>

#include "drivers/hook/hook_keys.h"
#include "macros/hook_library.h"
#include "performance/session.h"

namespace mouse {

namespace {

// Set-1 scan codes equal evdev codes 1-88, except 85.
int ScanCodeOfEvdev(int evdev) {
    return evdev >= 1 && evdev <= 88 && evdev != 85 ? evdev : 0;
}

std::string DisplayName(const char* name) {
    return name != nullptr && *name != '\0' ? name : "(none)";
}

}  // namespace

XKeyboardLayout::XKeyboardLayout(const std::string& display) {
    for (const hook::EvdevVirtualKey& row : hook::kEvdevVirtualKeys) {
        scan_[row.virtualKey] = uint8_t(ScanCodeOfEvdev(row.evdev));
    }
    Display* dpy = XOpenDisplay(display.empty() ? nullptr : display.c_str());
    if (dpy == nullptr) {
        return;
    }
    int minCode = 0, maxCode = 0;
    XDisplayKeycodes(dpy, &minCode, &maxCode);
    int perCode = 0;
    KeySym* map = XGetKeyboardMapping(dpy, KeyCode(minCode), maxCode - minCode + 1, &perCode);
    if (map != nullptr) {
        fromServer_ = true;
        for (const hook::EvdevVirtualKey& row : hook::kEvdevVirtualKeys) {
            const int keycode = row.evdev + hook::kXKeycodeOffset;
            bool present = false;
            if (keycode >= minCode && keycode <= maxCode) {
                const KeySym* syms = map + (keycode - minCode) * perCode;
                for (int i = 0; i < perCode && !present; ++i) {
                    present = syms[i] != NoSymbol;
                }
            }
            if (!present) {
                scan_[row.virtualKey] = 0;
            }
        }
        XFree(map);
    }
    XCloseDisplay(dpy);
}

int XKeyboardLayout::VirtualKeyToScanCode(int virtualKey) const {
    return virtualKey >= 0 && virtualKey < int(scan_.size()) ? scan_[size_t(virtualKey)] : 0;
}

std::string XInputUnavailableReason() {
    const Session session = DetectSession();
    if (!session.xDisplay) {
        if (session.type == SessionType::kWayland) {
            return "there is no X display: this Wayland session runs without XWayland";
        }
        return "there is no X display (DISPLAY is not set: a console or a remote shell)";
    }
    const char* name = std::getenv("DISPLAY");
    Display* dpy = XOpenDisplay(nullptr);
    if (dpy == nullptr) {
        return "cannot open the X display " + DisplayName(name);
    }
    int opcode = 0, event = 0, error = 0;
    int major = 2, minor = 2;
    const bool xi2 = XQueryExtension(dpy, "XInputExtension", &opcode, &event, &error) &&
                     XIQueryVersion(dpy, &major, &minor) == Success &&
                     (major > 2 || (major == 2 && minor >= 1));
    XCloseDisplay(dpy);
    if (!xi2) {
        // Raw events that a grab cannot hide came with XInput 2.1.
        return "the X display " + DisplayName(name) + " has no XInput 2.1";
    }
    return {};
}

}  // namespace mouse
