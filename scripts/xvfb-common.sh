# Sourced by the scripts/xvfb-*-screenshots.sh scripts: what every one of
# them does before its own clicks.
#   xvfb_begin "$0" "${1:-}"  goes to the source folder, sets $out (default
#                             docs/screenshots), re-runs the script under
#                             xvfb-run, then makes $work with a fresh copy of
#                             build/app/ in $work/prog (no store files) and a
#                             trap that ends every process in $pids.
#   start_sim                 starts a virtual mouse and exports its socket.
#   start_program [args]      starts $work/prog/mouse-driver; sets $prog.
#   window_of TITLE           the id of the first window with that title
#                             (import waits for a click when given no id).
#   geometry_of ID            prints the window's X and Y on the screen.

xvfb_begin() {
  cd "$(dirname "$1")/.."
  out=$(realpath -m "${2:-docs/screenshots}")
  mkdir -p "$out"
  if [ -z "${MOUSE_IN_XVFB:-}" ]; then
    MOUSE_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$1" "$out"
  fi
  work=$(mktemp -d)
  chmod 700 "$work"
  cp -r build/app/. "$work/prog"
  rm -f "$work/prog/Data/"*.bin
  export XDG_RUNTIME_DIR="$work"
  # An apply writes the desktop's pointer settings: never those of whoever
  # runs the script (a script that wants a desktop names it for its program).
  export XDG_CONFIG_HOME="$work/config" GSETTINGS_BACKEND=memory
  unset XDG_CURRENT_DESKTOP
  pids=""
  trap 'kill $pids 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
}

start_sim() {
  "$work/prog/mouse-sim" --socket "$work/mouse.sock" --version 1.0 >"$work/sim.out" &
  pids="$pids $!"
  for _ in $(seq 100); do
    grep -q ready "$work/sim.out" 2>/dev/null && break
    sleep 0.05
  done
  export MOUSE_SIM_SOCKET="$work/mouse.sock"
}

start_program() {
  "$work/prog/mouse-driver" "$@" >>"$work/program.out" 2>&1 &
  prog=$!
  pids="$pids $prog"
}

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

geometry_of() {
  xdotool getwindowgeometry --shell "$1" | awk -F= '/^X=/{x=$2} /^Y=/{y=$2} END{print x, y}'
}
