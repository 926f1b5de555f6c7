#!/usr/bin/env bash
# Screenshots of the real program under a virtual X server (Xvfb): a fresh
# copy of build/app/ with a first-start profile, a virtual mouse, then
#   performance_page.png  the main window (800 x 572) on the performance tab,
#                         lift-off distance switched on, on a GNOME desktop
#                         (no wheel settings);
#   dpi_popup.png         the DPI pop-up after the mouse's DPI button chose level 3.
# Usage: scripts/xvfb-screenshots.sh [output folder, default docs/screenshots]
# Needs xvfb-run, xdotool, xwininfo and ImageMagick's import; build first.
set -euo pipefail
. "$(dirname "$0")/xvfb-common.sh"
xvfb_begin "$0" "${1:-}"
start_sim
XDG_CURRENT_DESKTOP=GNOME start_program

main=$(window_of "Gaming Mouse")
sleep 1  # the first paint
# Positions inside the window (main.xml): the performance tab and the
# lift-off distance switch.
xdotool mousemove --window "$main" 246 79 click 1
sleep 0.3
xdotool mousemove --window "$main" 484 240 click 1
xdotool mousemove --window "$main" 790 20  # no hover highlight in the picture
sleep 0.5
timeout 10 import -window "$main" "$out/performance_page.png"

"$work/prog/mousectl" sim press dpi 3
popup=$(window_of "DPI")
sleep 0.3
timeout 10 import -window "$popup" "$out/dpi_popup.png"
echo "wrote $out/performance_page.png and $out/dpi_popup.png"
