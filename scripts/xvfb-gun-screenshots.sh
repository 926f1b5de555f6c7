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
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/screenshots}")
mkdir -p "$out"

if [ -z "${MOUSE_IN_XVFB:-}" ]; then
  cmake --build build --target mouse_gun_screenshots mouse-driver >/dev/null
  MOUSE_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$out"
fi

work=$(mktemp -d)
chmod 700 "$work"
cp -r build/app/. "$work/prog"
rm -f "$work/prog/Data/"*.bin
export XDG_RUNTIME_DIR="$work"
"$work/prog/mouse-sim" --socket "$work/mouse.sock" --version 1.0 >"$work/sim.out" &
sim=$!
trap 'kill $sim 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do
  grep -q ready "$work/sim.out" 2>/dev/null && break
  sleep 0.05
done
export MOUSE_SIM_SOCKET="$work/mouse.sock"
QT_QPA_PLATFORM=xcb build/tests/mouse_gun_screenshots "$work/prog" "$out"
