// A hook library that lacks MouseMoveHook. Every entry point it has aborts:
// a loader that refuses the library never gets to call one.
#include <cstdlib>

struct HookWindow;

extern "C" {
void installhook(const HookWindow*) {
    std::abort();
}
void removehook() {
    std::abort();
}
void enablehook(int) {
    std::abort();
}
void installmousehook(const HookWindow*) {
    std::abort();
}
void removemousehook() {
    std::abort();
}
void enablemousehook(int) {
    std::abort();
}
}
