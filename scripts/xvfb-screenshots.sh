#!/usr/bin/env bash
# Screenshots of the real program under a virtual X server (Xvfb): a fresh
# copy of build/app/ with a first-start profile, a virtual mouse, then
#   performance_page.png  the main window (800 x 572) on the performance tab,
#                         lift-off distance switched on;
#   dpi_popup.png         the DPI pop-up after the mouse's DPI button chose level 3.
# Usage: scripts/xvfb-screenshots.sh [output folder, default docs/screenshots]
# Needs xvfb-run, xdotool, xwininfo and ImageMagick's import; build first.
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
"$work/prog/mouse-driver" >"$work/program.out" 2>&1 &
prog=$!

# Window ids by title; import waits for a click when given no id.
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
