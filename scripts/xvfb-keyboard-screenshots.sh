#!/usr/bin/env bash
# Screenshots of the real program under a virtual X server (Xvfb), driven by
# the keyboard where it can be:
#   file_chooser.png  the screen with the export file chooser over the main
#                     window, opened from the profile menu with Down, Down
#                     and Return (the Qt dialog: Xvfb has no desktop chooser);
#   focus_ring.png    the shortcut dialog after Tab moved the focus onto its
#                     key field and Ctrl+Shift+K was pressed there.
# Usage: scripts/xvfb-keyboard-screenshots.sh [output folder, default docs/screenshots]
# Needs xvfb-run, xdotool, xwininfo and ImageMagick's import; build first.
set -euo pipefail
. "$(dirname "$0")/xvfb-common.sh"
xvfb_begin "$0" "${1:-}"
start_sim
start_program
main=$(window_of "Gaming Mouse")
sleep 1

# 1. The profile menu from its "..." button, then the keyboard.
xdotool mousemove --window "$main" 564 540 click 1
sleep 0.5
xdotool key Down Down Return
sleep 1
xdotool mousemove 1000 760
sleep 0.3
timeout 10 import -window root "$out/file_chooser.png"
xdotool key Escape
sleep 0.5

# 2. The shortcut dialog from the first button's menu (keyboard sub-menu,
#    first item), the focus moved by Tab, and a chord pressed.
xdotool mousemove --window "$main" 80 199 click 1
sleep 0.5
xdotool key Down Down Right Return
dialog=$(window_of "Shortcut")
sleep 0.5
for _ in 1 2 3 4 5; do
  xdotool key Tab
done
xdotool key ctrl+shift+k
sleep 0.3
timeout 10 import -window "$dialog" "$out/focus_ring.png"
xdotool key Escape
echo "wrote $out/file_chooser.png and $out/focus_ring.png"
