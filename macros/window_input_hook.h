// Recording where the desktop lets no program read the input of other
// windows (a Wayland session, with or without XWayland): the keys pressed
// and the buttons clicked in this program's own windows, read by an
// application-wide event filter while a recording or a key capture runs.
//
// The reports are the hook library's: the virtual-key code of the key's
// place (drivers/hook/hook_keys.h, as the X hook names keys), the Windows
// mouse messages, and the moment each event happened, taken from the
// event's own time stamp.
#pragma once

#include <QObject>
#include <filesystem>
#include <memory>

#include "macros/hook_library.h"
#include "performance/session.h"

namespace mouse {

// The virtual-key code a key event of Qt reports; 0 for none. The key's
// place (its native scan code, the evdev code + 8 on X11 and Wayland) names
// it as the X hook does, so a recorded key plays the same physical key
// whatever the layout. A place that cannot carry the event's symbol on any
// layout (a letter on the Esc key, a letter where digits sit) comes from a
// keymap that does not number keys by place, such as a virtual keyboard's:
// the symbol then names the key as a US keyboard has it.
int VirtualKeyOfKeyEvent(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode);

class WindowInputHook final : public QObject, public HookApi {
public:
    WindowInputHook() = default;
    ~WindowInputHook() override;

    std::string Unavailable() const override;
    bool OwnWindowsOnly() const override { return true; }
    void InstallHook(HookSink sink) override;
    void RemoveHook() override;
    void EnableHook(bool on) override;
    void InstallMouseHook(HookSink sink) override;
    void RemoveMouseHook() override;
    void EnableMouseHook(bool on) override;

    // Each input event reaches a window once (then its widgets): reports
    // come from the windows' events only.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Slot {
        HookSink sink;
        bool enabled = false;
    };
    void Install(Slot& slot, HookSink sink);
    void Remove(Slot& slot);
    // The event's time stamp (milliseconds of the platform's clock) on the
    // HookClock: the first stamp after an install is now, later ones keep
    // their distance to it. Zero (no stamp) stays unknown.
    HookClock::time_point TimeOf(unsigned long stamp);

    Slot keys_;
    Slot mouse_;
    bool filtering_ = false;
    bool anchored_ = false;
    uint32_t anchorStamp_ = 0;
    HookClock::time_point anchorTime_{};
};

// The input source of recording and key capture for the session, chosen
// here only: the program's own windows on Wayland, the hook library (file
// `library`, global X input) elsewhere; the latter says why when it cannot
// work.
std::unique_ptr<HookApi> MakeSessionHook(const Session& session,
                                         const std::filesystem::path& library);

}  // namespace mouse
