#!/usr/bin/env bash
# Screenshots of the recoil-preset page and the select-preset dialog under a
# virtual X server (Xvfb), taken from the X server itself: a fresh copy of
# build/app/ with a small sample preset library, against a virtual mouse.
#   gun_page.png              the main window on the recoil tab, a preset shown
#   select_gun.png            the select-preset dialog, its preset preselected
#   select_gun_over_page.png  the dialog over the dimmed main window
# Usage: scripts/xvfb-gun-screenshots.sh [output folder, default docs/screenshots]
# Needs xvfb-run; builds its tool (mouse_gun_screenshots) in build/.
set -euo pipefail
if [ -z "${MOUSE_IN_XVFB:-}" ]; then
  cmake --build "$(dirname "$0")/../build" --target mouse_gun_screenshots mouse-driver >/dev/null
fi
. "$(dirname "$0")/xvfb-common.sh"
xvfb_begin "$0" "${1:-}"
start_sim
QT_QPA_PLATFORM=xcb build/tests/mouse_gun_screenshots "$work/prog" "$out"
