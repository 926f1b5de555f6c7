// The input hook library (Hook.so in the program folder), loaded at run time
// and called by name, and the reports it delivers.
//
// The hook reports every key press and release and every mouse-button event
// of the desktop from a thread of its own. The program turns each report
// into a window message (kMsgHookKey 0x500 / kMsgHookMouse 0x501) for the
// main window, which hands it to the macro page; the message carries the
// moment the hook read the event, so delays measured from it do not depend
// on when the window got round to handling it.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>

// The window stand-in of the library's header (drivers/hook/hook.h). Only the
// loader's source includes that header, so pages stay clear of the driver
// layer.
struct HookWindow;

namespace mouse {

using HookClock = std::chrono::steady_clock;

// One report of the hook.
//   message kMsgHookKey:   event = Windows virtual-key code,
//                          detail = 0 press, anything else release.
//   message kMsgHookMouse: event = Windows mouse message (513/514 left
//                          down/up, 516/517 right, 519/520 middle, 522 wheel,
//                          523/524 extra button down/up),
//                          detail = the extra button's number (1 back,
//                          2 forward) for 523/524, else 0.
// readAt is when the hook's thread read the event; a default (zero) time
// means "not known" and readers take the time they handle the report.
struct HookReport {
    unsigned message = 0;
    uint32_t event = 0;
    uint32_t detail = 0;
    HookClock::time_point readAt{};
};

// A report as window-message parameters: wParam = event; lParam = detail
// (capped at 255) in bits 0-7 and the steady-clock microseconds of readAt
// above them (0 when readAt is not known).
struct HookMessageParams {
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};
HookMessageParams EncodeHookMessage(const HookReport& report);
HookReport DecodeHookMessage(unsigned message, uintptr_t wParam, intptr_t lParam);

// Receives reports; called on the hook's thread, so it must not block (post
// a message and return).
using HookSink = std::function<void(const HookReport&)>;
// A sink that encodes each report and hands it to `post` (for example the
// main window's PostMessage, which may be called from any thread).
HookSink PostingSink(std::function<void(unsigned message, uintptr_t wParam, intptr_t lParam)> post);

// The hook as the recorder and the shortcut dialog use it. When
// Unavailable() is not empty no other call does anything.
class HookApi {
public:
    virtual ~HookApi() = default;
    // Empty when reports can flow; else a sentence saying why recording and
    // key capture are not available (no library, an entry point missing, no
    // X display).
    virtual std::string Unavailable() const = 0;
    bool Available() const { return Unavailable().empty(); }
    // True when only the input made in the program's own windows is
    // reported (where the desktop gives no program the input of others).
    virtual bool OwnWindowsOnly() const { return false; }

    // Keyboard reports go to `sink` (replacing an earlier one) while
    // enabled; a fresh install starts disabled. After RemoveHook returns the
    // sink is never called again.
    virtual void InstallHook(HookSink sink) = 0;
    virtual void RemoveHook() = 0;
    virtual void EnableHook(bool on) = 0;
    // The same for mouse-button and wheel reports.
    virtual void InstallMouseHook(HookSink sink) = 0;
    virtual void RemoveMouseHook() = 0;
    virtual void EnableMouseHook(bool on) = 0;
};

// File name of the library in the program folder.
inline constexpr const char* kHookLibraryName = "Hook.so";

// Says whether the hook can reach the desktop's input: empty when it can,
// else why not.
using HookDisplayProbe = std::function<std::string()>;
// The real probe: an X display with XInput 2 (no display at all in a
// console or in a Wayland session without XWayland).
std::string XInputUnavailableReason();

// Loads the library with dlopen and looks up its seven entry points
// (installhook, removehook, enablehook, installmousehook, removemousehook,
// enablemousehook, MouseMoveHook; the last is never called). When the file
// or an entry point is missing, or the probe finds no usable display,
// nothing is kept and no entry point is ever called.
class HookLibrary final : public HookApi {
public:
    explicit HookLibrary(HookDisplayProbe probe = XInputUnavailableReason);
    ~HookLibrary() override;
    HookLibrary(const HookLibrary&) = delete;
    HookLibrary& operator=(const HookLibrary&) = delete;

    bool Load(const std::filesystem::path& file);
    bool Loaded() const { return handle_ != nullptr; }

    std::string Unavailable() const override { return error_; }
    void InstallHook(HookSink sink) override;
    void RemoveHook() override;
    void EnableHook(bool on) override;
    void InstallMouseHook(HookSink sink) override;
    void RemoveMouseHook() override;
    void EnableMouseHook(bool on) override;

private:
    struct Entries {
        void (*installKeys)(const HookWindow*) = nullptr;
        void (*removeKeys)() = nullptr;
        void (*enableKeys)(int) = nullptr;
        void (*installMouse)(const HookWindow*) = nullptr;
        void (*removeMouse)() = nullptr;
        void (*enableMouse)(int) = nullptr;
        int (*mouseMove)(int) = nullptr;
    };
    // Where the library posts: the sink of one hook, swapped under its lock.
    struct Slot {
        std::mutex mutex;
        HookSink sink;
    };
    static void Post(void* target, unsigned message, uintptr_t wParam, intptr_t lParam,
                     int64_t readNs);
    void Install(Slot& slot, void (*install)(const HookWindow*), HookSink sink);
    void Unload();

    HookDisplayProbe probe_;
    void* handle_ = nullptr;
    Entries fn_;
    Slot keys_;
    Slot mouse_;
    std::string error_ = "the hook library is not loaded";
};

}  // namespace mouse
