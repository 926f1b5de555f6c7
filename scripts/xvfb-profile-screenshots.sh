#!/usr/bin/env bash
# Screenshots of the real program under a virtual X server (Xvfb):
#   profile_menu.png  the bottom of the main window with the profile menu open
#                     under its button, after "+" added a second profile;
#   no_mouse.png      the window on a desktop without a tray, started with the
#                     mouse unplugged.
# Usage: scripts/xvfb-profile-screenshots.sh [output folder, default docs/screenshots]
# Needs xvfb-run, xdotool, xwininfo and ImageMagick (import, convert); build first.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/screenshots}")
mkdir -p "$out"

if [ -z "${MOUSE_IN_XVFB:-}" ]; then
  MOUSE_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$out"
fi

work=$(mktemp -d)
chmod 700 "$work"
cp -r build/app/. "$work/prog"
rm -f "$work/prog/Data/"*.bin
export XDG_RUNTIME_DIR="$work"
"$work/prog/mouse-sim" --socket "$work/mouse.sock" --version 1.0 >"$work/sim.out" &
sim=$!
prog=""
trap 'kill $prog $sim 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do
  grep -q ready "$work/sim.out" 2>/dev/null && break
  sleep 0.05
done
export MOUSE_SIM_SOCKET="$work/mouse.sock"

window_of() {
  local id=""
  for _ in $(seq 100); do
    id=$(xwininfo -root -tree | awk -v t="\"$1\"" 'index($0, t) {print $1; exit}')
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { echo "no window \"$1\"" >&2; exit 1; }
  echo "$id"
}
geometry_of() {  # prints X Y of a window
  xdotool getwindowgeometry --shell "$1" | awk -F= '/^X=/{x=$2} /^Y=/{y=$2} END{print x, y}'
}

# 1. The profile bar and its menu (the menu opens below the window's edge).
MOUSE_DRIVER_TRAY=on "$work/prog/mouse-driver" >"$work/program.out" 2>&1 &
prog=$!
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
/usr/bin/convert "$work/root.png" -crop "800x160+$x+$((y + 472))" +repage "$out/profile_menu.png"
kill $prog; wait $prog 2>/dev/null || true

# 2. No tray, no mouse: the window tells what to check.
"$work/prog/mousectl" sim unplug
"$work/prog/mouse-driver" >"$work/program2.out" 2>&1 &
prog=$!
main=$(window_of "Gaming Mouse")
sleep 1
xdotool mousemove --window "$main" 790 300
sleep 0.3
timeout 10 import -window "$main" "$out/no_mouse.png"
echo "wrote $out/profile_menu.png and $out/no_mouse.png"
