#!/usr/bin/env bash
# A headless Wayland session (sway, pixman renderer, no GPU, no input
# devices) for tests and screenshots.
#
#   scripts/wayland-session.sh start DIR [CONFIG_LINE...]
#       Starts sway with its files in DIR (created; must not hold another
#       session) and prints the session's variables as KEY=VALUE lines (also
#       kept in DIR/session.env, ready for `source`):
#         WAYLAND_DISPLAY     absolute path of the compositor's socket: a
#                             client of any user needs only this variable
#         SWAYSOCK            sway's IPC socket (for swaymsg)
#         XDG_RUNTIME_DIR     the session user's runtime folder
#         MOUSE_WAYLAND_USER  the user sway runs as
#         SWAY_PID            sway's process id
#       Extra CONFIG_LINEs are appended to sway's configuration (e.g.
#       'for_window [app_id="x"] floating enable').
#   scripts/wayland-session.sh run DIR CMD [ARG...]
#       Runs CMD as the session user inside the session (its runtime folder,
#       WAYLAND_DISPLAY and SWAYSOCK set) and returns its exit code.
#   scripts/wayland-session.sh stop DIR
#       Ends sway and removes DIR's session files.
#
# sway refuses to run as root: run as root, the script creates the system
# user MOUSE_WAYLAND_USER (default mouse-wayland) once and starts sway as
# that user; run as anyone else, sway runs as the caller. The user must be
# able to read DIR, so DIR is made world-readable (mode 755) and its parent
# folders must let others through (/tmp does).
set -euo pipefail

usage() {
  sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
  exit 2
}

[ $# -ge 2 ] || usage
command=$1
dir=$2
shift 2
user=${MOUSE_WAYLAND_USER:-mouse-wayland}

# Runs "$@" as the session user (as is when the caller is not root).
as_user() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u "$user" -- "$@"
  else
    "$@"
  fi
}

session_env() {
  [ -f "$dir/session.env" ] || {
    echo "wayland-session: no session in $dir" >&2
    exit 1
  }
  # shellcheck disable=SC1091
  source "$dir/session.env"
}

start() {
  command -v sway >/dev/null || {
    echo "wayland-session: sway is not installed" >&2
    exit 1
  }
  if [ "$(id -u)" -eq 0 ]; then
    # Created once and reused; a second caller creating it at the same time
    # may fail while the first succeeds.
    id -u "$user" >/dev/null 2>&1 ||
      useradd --system --no-create-home --home-dir /nonexistent \
        --shell /usr/sbin/nologin "$user" 2>/dev/null ||
      id -u "$user" >/dev/null
  else
    user=$(id -un)
  fi
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  [ ! -e "$dir/session.env" ] || {
    echo "wayland-session: $dir already holds a session" >&2
    exit 1
  }
  chmod 755 "$dir"
  local runtime=$dir/runtime
  rm -rf "$runtime"
  mkdir -m 700 "$runtime"
  [ "$(id -u)" -ne 0 ] || chown "$user:" "$runtime"
  as_user test -r "$dir" -a -x "$dir" || {
    echo "wayland-session: user $user cannot read $dir (check its parent folders)" >&2
    exit 1
  }
  {
    echo "xwayland disable"
    echo "output HEADLESS-1 resolution 1024x768 position 0 0"
    echo "focus_follows_mouse no"
    echo "default_border none"
    echo "default_floating_border none"
    printf '%s\n' "$@"
  } >"$dir/sway.conf"
  chmod 644 "$dir/sway.conf"

  # sh writes its own pid, then becomes sway: the pid is sway's, whichever
  # user runs it.
  as_user env -i PATH="$PATH" HOME="$runtime" XDG_RUNTIME_DIR="$runtime" \
    XDG_CACHE_HOME="$runtime/cache" XDG_CONFIG_HOME="$runtime/config" \
    WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    WLR_HEADLESS_OUTPUTS=1 \
    sh -c 'echo $$ >"$1/sway.pid"; exec sway -c "$2"' sh "$runtime" "$dir/sway.conf" \
    </dev/null >"$dir/sway.log" 2>&1 &

  local pid="" socket="" ipc=""
  for _ in $(seq 200); do
    [ -n "$pid" ] || pid=$(cat "$runtime/sway.pid" 2>/dev/null || true)
    if [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null; then
      break
    fi
    socket=$(find "$runtime" -maxdepth 1 -type s -name 'wayland-*' | head -n 1)
    ipc=$(find "$runtime" -maxdepth 1 -type s -name 'sway-ipc.*.sock' | head -n 1)
    if [ -n "$socket" ] && [ -n "$ipc" ] &&
      SWAYSOCK=$ipc swaymsg -t get_outputs >/dev/null 2>&1; then
      {
        echo "WAYLAND_DISPLAY=$socket"
        echo "SWAYSOCK=$ipc"
        echo "XDG_RUNTIME_DIR=$runtime"
        echo "MOUSE_WAYLAND_USER=$user"
        echo "SWAY_PID=$pid"
      } | tee "$dir/session.env"
      return 0
    fi
    sleep 0.05
  done
  echo "wayland-session: sway did not start; its log:" >&2
  cat "$dir/sway.log" >&2
  [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
  exit 1
}

run() {
  [ $# -ge 1 ] || usage
  session_env
  user=$MOUSE_WAYLAND_USER
  as_user env XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" WAYLAND_DISPLAY="$WAYLAND_DISPLAY" \
    SWAYSOCK="$SWAYSOCK" "$@"
}

stop() {
  session_env
  if kill "$SWAY_PID" 2>/dev/null; then
    for _ in $(seq 100); do
      kill -0 "$SWAY_PID" 2>/dev/null || break
      sleep 0.05
    done
    kill -9 "$SWAY_PID" 2>/dev/null || true
  fi
  rm -rf "$dir/runtime" "$dir/session.env" "$dir/sway.conf" "$dir/sway.log"
}

case $command in
  start) start "$@" ;;
  run) run "$@" ;;
  stop) stop ;;
  *) usage ;;
esac
