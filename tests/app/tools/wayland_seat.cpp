// Input devices for a headless wlroots session. Without any, the
// compositor's seat offers its clients neither pointer nor keyboard, so they
// get no pointer events (not even those of `swaymsg seat - cursor ...`),
// and a client that binds the keyboard only when a virtual keyboard such as
// wtype's appears misses that keyboard's first key. This program adds a
// virtual pointer and a virtual keyboard (US keymap) to the seat and keeps
// them until its standard input closes; it prints "ready" once the
// compositor has them. Start it before the clients.
//
//   WAYLAND_DISPLAY=... mouse_wayland_seat
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "virtual-keyboard-client.h"
#include "virtual-pointer-client.h"

namespace {

struct Globals {
    wl_seat* seat = nullptr;
    zwlr_virtual_pointer_manager_v1* pointers = nullptr;
    zwp_virtual_keyboard_manager_v1* keyboards = nullptr;
};

template <class T>
T* Bind(wl_registry* registry, uint32_t name, const wl_interface& interface) {
    return static_cast<T*>(wl_registry_bind(registry, name, &interface, 1));
}

void Global(void* data, wl_registry* registry, uint32_t name, const char* interface,
            uint32_t /*version*/) {
    auto* globals = static_cast<Globals*>(data);
    const std::string_view which(interface);
    if (which == wl_seat_interface.name && globals->seat == nullptr) {
        globals->seat = Bind<wl_seat>(registry, name, wl_seat_interface);
    } else if (which == zwlr_virtual_pointer_manager_v1_interface.name) {
        globals->pointers = Bind<zwlr_virtual_pointer_manager_v1>(
            registry, name, zwlr_virtual_pointer_manager_v1_interface);
    } else if (which == zwp_virtual_keyboard_manager_v1_interface.name) {
        globals->keyboards = Bind<zwp_virtual_keyboard_manager_v1>(
            registry, name, zwp_virtual_keyboard_manager_v1_interface);
    }
}

void GlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistry = {Global, GlobalRemove};

int Fail(const char* why) {
    std::fprintf(stderr, "mouse_wayland_seat: %s\n", why);
    return 1;
}

// The US keymap as a file the compositor can map; -1 on failure.
int KeymapFile(uint32_t& size) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
    xkb_keymap* keymap =
        context != nullptr ? xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS)
                           : nullptr;
    char* text =
        keymap != nullptr ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
    int fd = -1;
    if (text != nullptr) {
        size = uint32_t(std::strlen(text) + 1);
        fd = memfd_create("keymap", MFD_CLOEXEC);
        if (fd >= 0 && write(fd, text, size) != ssize_t(size)) {
            close(fd);
            fd = -1;
        }
    }
    std::free(text);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return fd;
}

}  // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        return Fail("no Wayland display");
    }
    Globals globals;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistry, &globals);
    wl_display_roundtrip(display);
    if (globals.seat == nullptr || globals.pointers == nullptr || globals.keyboards == nullptr) {
        return Fail("the compositor offers no virtual pointer or keyboard");
    }
    uint32_t size = 0;
    const int keymap = KeymapFile(size);
    if (keymap < 0) {
        return Fail("no keymap");
    }
    zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(globals.pointers, globals.seat);
    zwp_virtual_keyboard_v1* keyboard =
        zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(globals.keyboards, globals.seat);
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, keymap, size);
    wl_display_roundtrip(display);
    close(keymap);
    std::printf("ready\n");
    std::fflush(stdout);
    char line[256];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
    }
    zwp_virtual_keyboard_v1_destroy(keyboard);
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
