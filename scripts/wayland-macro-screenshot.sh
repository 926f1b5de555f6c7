#!/usr/bin/env bash
# Screenshot of the macro page on Wayland before a recording: a fresh copy of
# build/app/ with the sample macro library and a virtual mouse, run with
# Qt's Wayland platform in a headless sway session (scripts/wayland-session.sh),
# clicked through the compositor's seat and taken with grim:
#   macro_page_wayland.png   the macro tab with "Crouch jump" selected; under
#                            the record button the page says that only this
#                            window is recorded.
# Usage: scripts/wayland-macro-screenshot.sh [output folder, default docs/screenshots]
# Needs sway, grim and python3; build first (including the targets
# mouse_macro_shots and mouse_wayland_seat).
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/screenshots}")
mkdir -p "$out"
work=$(mktemp -d)
chmod 755 "$work"
pids=""
trap 'kill $pids 2>/dev/null || true; scripts/wayland-session.sh stop "$work/session" 2>/dev/null || true; rm -rf "$work"' EXIT

cp -r build/app/. "$work/prog"
rm -f "$work/prog/Data/"*.bin
"$work/prog/mouse_macro_shots" library "$work/prog"
mkdir -m 700 "$work/runtime"

scripts/wayland-session.sh start "$work/session" 'for_window [app_id=".*"] floating enable' >/dev/null
# shellcheck disable=SC1091
source "$work/session/session.env"
export WAYLAND_DISPLAY SWAYSOCK

# The seat offers a pointer and a keyboard only while devices exist.
# It keeps them while its input stays open: a pipe this script holds.
mkfifo "$work/seat.in"
build/tests/mouse_wayland_seat <"$work/seat.in" >"$work/seat.out" &
pids="$pids $!"
exec 3>"$work/seat.in"
"$work/prog/mouse-sim" --socket "$work/mouse.sock" --version 1.0 >"$work/sim.out" &
pids="$pids $!"
for started in sim.out seat.out; do
  for _ in $(seq 100); do
    grep -q ready "$work/$started" 2>/dev/null && break
    sleep 0.05
  done
done

env -u DISPLAY XDG_SESSION_TYPE=wayland QT_QPA_PLATFORM=wayland XDG_RUNTIME_DIR="$work/runtime" \
  MOUSE_SIM_SOCKET="$work/mouse.sock" GSETTINGS_BACKEND=memory \
  DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" \
  "$work/prog/mouse-driver" >"$work/program.out" 2>&1 &
pids="$pids $!"

# The main window's place in the layout: "X Y".
window() {
  swaymsg -t get_tree | python3 -c '
import json, sys
def find(node):
    if node.get("name") == "Gaming Mouse" and node.get("visible"):
        return node["rect"]
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        found = find(child)
        if found:
            return found
r = find(json.load(sys.stdin))
print("%d %d" % (r["x"], r["y"]) if r else "")'
}
at=""
for _ in $(seq 100); do
  at=$(window)
  [ -n "$at" ] && break
  sleep 0.1
done
[ -n "$at" ] || { echo "no window; the program said:" >&2; cat "$work/program.out" >&2; exit 1; }
read -r wx wy <<<"$at"
click() {
  swaymsg seat - cursor set $((wx + $1)) $((wy + $2)) >/dev/null
  swaymsg seat - cursor press button1 >/dev/null
  swaymsg seat - cursor release button1 >/dev/null
}
sleep 1          # the first paint
click 550 79     # the macro tab
sleep 0.3
click 132 283    # "Crouch jump"
sleep 0.3
swaymsg seat - cursor set 1020 760 >/dev/null  # no hover highlight in the picture
sleep 0.5
grim -g "$wx,$wy 800x572" "$out/macro_page_wayland.png"
echo "wrote $out/macro_page_wayland.png"
