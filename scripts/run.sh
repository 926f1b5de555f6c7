#!/usr/bin/env bash
# Installs what is missing, builds everything, starts a virtual mouse on a
# private socket and starts the program against it. Arguments are passed to
# the program (any argument starts it hidden in the tray).
#
# Against a real mouse instead: install app/udev/70-mouse-driver.rules (see
# the README) and run build/app/mouse-driver without MOUSE_SIM_SOCKET.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# The same configuration as the first stage of scripts/test.sh, so the two share build/.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build
app="$PWD/build/app"

runtime=$(mktemp -d)
chmod 700 "$runtime"
sock="$runtime/mouse.sock"
"$app/mouse-sim" --socket "$sock" --version 1.0 --log "$runtime/mouse-sim.log" >"$runtime/sim.out" &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; rm -rf "$runtime"' EXIT
for _ in $(seq 100); do
  grep -q ready "$runtime/sim.out" 2>/dev/null && break
  sleep 0.05
done
echo "Virtual mouse on $sock (log: $runtime/mouse-sim.log)."
echo "Drive it from another terminal: MOUSE_SIM_SOCKET=$sock $app/mousectl sim press dpi 3"

export MOUSE_SIM_SOCKET="$sock"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$runtime}"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: running on a virtual X server (xvfb-run)."
  xvfb-run -a -s "-screen 0 1280x800x24" "$app/mouse-driver" "$@"
else
  "$app/mouse-driver" "$@"
fi
