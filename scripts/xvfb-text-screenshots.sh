#!/usr/bin/env bash
# Screenshots of texts that must fit, from the real program under a virtual X
# server (Xvfb), with a virtual mouse:
#   long_macro_name.png   the button page with a macro of a long name on
#                         button 1: the label cut in the middle, the whole name
#                         in the tooltip under the pointer;
#   performance_page.png  the performance tab with every slider's value, the
#                         lift-off distance switched on.
# Usage: scripts/xvfb-text-screenshots.sh [output folder, default docs/screenshots]
# Needs xvfb-run, xdotool, xwininfo and ImageMagick's import; build first
# (including the target mouse_macro_shots).
set -euo pipefail
. "$(dirname "$0")/xvfb-common.sh"
xvfb_begin "$0" "${1:-}"
"$work/prog/mouse_macro_shots" bound "$work/prog"
start_sim
start_program

main=$(window_of "Gaming Mouse")
sleep 1  # the first paint
# Positions inside the window (main.xml): button 1's label at 24..136, 186..212;
# the tooltip shows after the pointer rests on it.
xdotool mousemove --window "$main" 80 199
sleep 1.5
read -r x y < <(geometry_of "$main")
timeout 10 import -window root -crop "800x572+$x+$y" "$out/long_macro_name.png"

xdotool mousemove --window "$main" 246 79 click 1  # the performance tab
sleep 0.3
xdotool mousemove --window "$main" 484 240 click 1  # the lift-off switch
xdotool mousemove --window "$main" 790 20
sleep 0.5
timeout 10 import -window "$main" "$out/performance_page.png"
echo "wrote $out/long_macro_name.png and $out/performance_page.png"
