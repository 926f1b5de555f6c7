/* The input hook library: reports key presses and releases and mouse-button
 * events from anywhere on the desktop to the program, for macro recording
 * and key capture.
 *
 * The program loads the library at run time from its own folder ("Hook.so")
 * and looks every entry point up by name. On X11 the library listens to the
 * XInput 2 raw events of the whole screen on a thread of its own; it takes
 * no grab and needs no special rights, so every other program still gets
 * every event. The entry points may be called from any thread. */
#ifndef MOUSE_HOOK_H
#define MOUSE_HOOK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Posts one report to the program: message 0x500 with wParam = the
 * virtual-key code and lParam = 0 for a press, 1 for a release; or message
 * 0x501 with wParam = the mouse message number (513/514 left button down/up,
 * 516/517 right, 519/520 middle, 522 wheel, 523/524 extra button down/up)
 * and lParam = the extra button's number (1 back, 2 forward) for 523/524,
 * else 0. readNs is the CLOCK_MONOTONIC time in nanoseconds at which the
 * library's thread read the event from the X server (std::chrono's
 * steady_clock in the same process), so the program can measure gaps
 * between events without depending on when it handles them. Called on the
 * library's thread; must not block and must not call back into the library. */
typedef void (*HookPostFn)(void* target, unsigned int message, uintptr_t wParam, intptr_t lParam,
                           int64_t readNs);

/* Stands in for a window handle: where the reports go. The library copies
 * the structure; target must stay valid until the matching remove call has
 * returned (after it returns the library posts nothing more to it). */
typedef struct HookWindow {
    void* target;
    HookPostFn post;
} HookWindow;

/* Keyboard: installhook directs key reports to the window (replacing any
 * earlier one); they flow while enabled. A fresh install starts disabled. */
void installhook(const HookWindow* window);
void removehook(void);
void enablehook(int on);

/* Mouse buttons and the wheel, as for the keyboard. */
void installmousehook(const HookWindow* window);
void removemousehook(void);
void enablemousehook(int on);

/* Pointer motion reports. This library has none: the call changes nothing
 * and returns 0 ("not supported"). The program looks it up but never calls it. */
int MouseMoveHook(int on);

#ifdef __cplusplus
}
#endif

#endif
