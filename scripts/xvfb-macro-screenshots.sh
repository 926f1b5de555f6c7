#!/usr/bin/env bash
# Screenshots of the macro page and the select-macro dialog under a virtual X
# server (Xvfb): a fresh copy of build/app/ with a sample macro library and a
# virtual mouse, then
#   macro_page.png    the macro tab after recording a macro live: the real
#                     hook library reads the keys and clicks xdotool types,
#                     with the delays measured;
#   select_macro.png  the select-macro dialog with its bound macro preselected.
# Usage: scripts/xvfb-macro-screenshots.sh [output folder, default docs/screenshots]
# Needs xvfb-run, xdotool, xwininfo and ImageMagick's import; build first
# (including the target mouse_macro_shots).
set -euo pipefail
. "$(dirname "$0")/xvfb-common.sh"
xvfb_begin "$0" "${1:-}"
"$work/prog/mouse_macro_shots" library "$work/prog"
start_sim
start_program

main=$(window_of "Gaming Mouse")
sleep 1  # the first paint
# Positions inside the window (main.xml): the macro tab, the third macro of
# the first folder, the "as recorded" delay option and the record button.
xdotool mousemove --window "$main" 550 79 click 1
sleep 0.3
xdotool mousemove --window "$main" 132 313 click 1
sleep 0.2
xdotool mousemove --window "$main" 675 263 click 1
xdotool mousemove --window "$main" 675 145 click 1
sleep 0.2
# Off the record button the mouse is recorded too: Shift+G, a pause, G, a
# click on a plain label, then back onto the button to stop.
xdotool mousemove --window "$main" 40 540
sleep 0.3
xdotool keydown shift; sleep 0.12; xdotool key g; sleep 0.08; xdotool keyup shift
sleep 0.25
xdotool key g
sleep 0.15
xdotool click 1
sleep 0.2
xdotool mousemove --window "$main" 675 145
sleep 0.3
xdotool click 1
sleep 0.3
xdotool mousemove --window "$main" 790 20  # no hover highlight in the picture
sleep 0.5
timeout 10 import -window "$main" "$out/macro_page.png"

"$work/prog/mouse_macro_shots" select "$work/prog" &
pids="$pids $!"
select=$(window_of "Choose a macro")
sleep 0.8  # the preselection timer and the first paint
timeout 10 import -window "$select" "$out/select_macro.png"
echo "wrote $out/macro_page.png and $out/select_macro.png"
