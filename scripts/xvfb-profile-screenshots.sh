#!/usr/bin/env bash
# Screenshots of the real program under a virtual X server (Xvfb):
#   profile_menu.png  the bottom of the main window with the profile menu open
#                     under its button, after "+" added a second profile;
#   no_mouse.png      the window on a desktop without a tray, started with the
#                     mouse unplugged.
# Usage: scripts/xvfb-profile-screenshots.sh [output folder, default docs/screenshots]
# Needs xvfb-run, xdotool, xwininfo and ImageMagick (import, convert); build first.
set -euo pipefail
. "$(dirname "$0")/xvfb-common.sh"
xvfb_begin "$0" "${1:-}"
start_sim

# 1. The profile bar and its menu (the menu opens below the window's edge).
MOUSE_DRIVER_TRAY=on start_program
main=$(window_of "Gaming Mouse")
sleep 1
xdotool mousemove --window "$main" 488 524 click 1  # "+"
sleep 0.3
xdotool mousemove --window "$main" 564 524 click 1  # "..."
sleep 0.5
xdotool mousemove --window "$main" 640 573          # hover the first item
sleep 0.3
read -r x y < <(geometry_of "$main")
timeout 10 import -window root "$work/root.png"
/usr/bin/convert "$work/root.png" -crop "800x200+$x+$((y + 472))" +repage "$out/profile_menu.png"
kill $prog; wait $prog 2>/dev/null || true

# 2. No tray, no mouse: the window tells what to check.
"$work/prog/mousectl" sim unplug
start_program
main=$(window_of "Gaming Mouse")
sleep 1
xdotool mousemove --window "$main" 790 300
sleep 0.3
timeout 10 import -window "$main" "$out/no_mouse.png"
echo "wrote $out/profile_menu.png and $out/no_mouse.png"
