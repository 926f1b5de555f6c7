#!/usr/bin/env bash
# Screenshots of the real program under a virtual X server (Xvfb), with a
# tray (MOUSE_DRIVER_TRAY=on) and the virtual mouse unplugged at the start:
#   first_start_no_mouse.png  a first start: the "no mouse" view with what to
#                             check and the button to edit without the mouse;
#   offline_editing.png       after that button, game mode chosen and APPLY
#                             pressed: the banner says the apply waits;
#   apply_marker.png          the mouse plugged in (the waiting apply went),
#                             then office mode chosen again: the marker on
#                             APPLY and its tooltip.
# Usage: scripts/xvfb-offline-screenshots.sh [output folder, default docs/screenshots]
# Needs xvfb-run, xdotool, xwininfo and ImageMagick (import, convert); build first.
set -euo pipefail
. "$(dirname "$0")/xvfb-common.sh"
xvfb_begin "$0" "${1:-}"
start_sim
"$work/prog/mousectl" sim unplug

MOUSE_DRIVER_TRAY=on start_program
main=$(window_of "Gaming Mouse")
sleep 1
xdotool mousemove --window "$main" 790 300  # no hover highlight in the picture
sleep 0.3
timeout 10 import -window "$main" "$out/first_start_no_mouse.png"

# Positions inside the window (main.xml): the edit button of the no-mouse
# view, the game and office mode options of the button page, APPLY.
xdotool mousemove --window "$main" 400 508 click 1
sleep 0.3
xdotool mousemove --window "$main" 261 133 click 1
sleep 0.2
xdotool mousemove --window "$main" 714 540 click 1
xdotool mousemove --window "$main" 790 300
sleep 0.5
timeout 10 import -window "$main" "$out/offline_editing.png"

"$work/prog/mousectl" sim plug
for _ in $(seq 50); do
  "$work/prog/mousectl" sim state | grep -q "^button mode: *2" && break
  sleep 0.1
done
sleep 1  # the rest of the apply, under the busy ring
xdotool mousemove --window "$main" 95 133 click 1
sleep 0.2
xdotool mousemove --window "$main" 714 540  # hover APPLY for its tooltip
sleep 2
read -r x y < <(geometry_of "$main")
timeout 10 import -window root "$work/root.png"
/usr/bin/convert "$work/root.png" -crop "800x140+$x+$((y + 472))" +repage "$out/apply_marker.png"
echo "wrote $out/first_start_no_mouse.png, $out/offline_editing.png and $out/apply_marker.png"
