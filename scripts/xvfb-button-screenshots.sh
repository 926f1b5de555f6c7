#!/usr/bin/env bash
# Screenshots of the button page of the real program under a virtual X
# server (Xvfb), with a first-start profile and a virtual mouse:
#   button_page_office.png  the button tab in office mode, pointer on button 1;
#   button_page_game.png    the same in game mode, after the shortcut below
#                           went onto the forward button;
#   button_menu.png         the screen with the function menu of a button and
#                           its keyboard sub-menu open;
#   shortcut_dialog.png     the shortcut dialog after Ctrl, Shift and a key press.
# Usage: scripts/xvfb-button-screenshots.sh [output folder, default docs/screenshots]
# Needs xvfb-run, xdotool, xwininfo and ImageMagick's import; build first.
set -euo pipefail
. "$(dirname "$0")/xvfb-common.sh"
xvfb_begin "$0" "${1:-}"
start_sim
start_program

main=$(window_of "Gaming Mouse")
sleep 1  # the first paint
# Positions inside the window (main.xml): the page starts at 20, 110; the
# labels' rows at 46 + 30 + 38 i below it, 112 wide from x 4.
xdotool mousemove --window "$main" 80 199  # button 1: its highlight shows
sleep 0.5
timeout 10 import -window "$main" "$out/button_page_office.png"
xdotool mousemove --window "$main" 261 133 click 1  # game mode
sleep 0.3

# The menu of the second label of the left column (forward), then its
# keyboard group (second item, 25 high) with the sub-menu beside the menu.
# Menus are windows of their own: positions stay relative to the main window.
xdotool mousemove --window "$main" 80 237 click 1
sleep 0.5
xdotool mousemove --window "$main" 84 287 click 1
sleep 0.5
xdotool mousemove --window "$main" 284 330
sleep 0.3
read -r x y < <(xwininfo -id "$main" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {print x, $NF}')
timeout 10 import -window root -crop "560x640+$x+$((y + 40))" "$out/button_menu.png"

# The first item of the sub-menu: the shortcut dialog.
xdotool mousemove --window "$main" 284 280 click 1
dialog=$(window_of "Shortcut")
sleep 0.5
xdotool mousemove --window "$dialog" 40 100 click 1   # Ctrl
xdotool mousemove --window "$dialog" 124 100 click 1  # Shift
xdotool mousemove --window "$dialog" 232 145 click 1  # the key field
xdotool key F5
xdotool mousemove --window "$dialog" 370 250
sleep 0.3
timeout 10 import -window "$dialog" "$out/shortcut_dialog.png"
xdotool mousemove --window "$dialog" 126 217 click 1  # OK
xdotool mousemove --window "$main" 790 20
sleep 0.5
timeout 10 import -window "$main" "$out/button_page_game.png"
echo "wrote $out/button_page_office.png, button_page_game.png, button_menu.png, shortcut_dialog.png"
