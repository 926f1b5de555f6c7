// The window in front on wlroots compositors (sway, Hyprland, Wayfire, labwc,
// river...): their foreign-toplevel management protocol lists every toplevel
// window with its app id, title and states, "activated" among them.
#pragma once

#include <memory>
#include <string>

#include "focus/active_window.h"

namespace mouse {

// `display` names the Wayland display to connect to (a socket name or
// path); empty: $WAYLAND_DISPLAY, as every client does.
std::unique_ptr<ActiveWindowSource> MakeWlrootsActiveWindowSource(const std::string& display);

}  // namespace mouse
