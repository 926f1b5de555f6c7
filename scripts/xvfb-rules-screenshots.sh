#!/usr/bin/env bash
# Screenshot of the real program under a virtual X server (Xvfb):
#   app_switch_popup.png  the pop-up naming the profile XLogo's rule chose
#                         when XLogo came in front;
#   app_rules.png         the per-application profiles dialog, opened from
#                         the profile menu, with two rules and XLogo in front.
# Usage: scripts/xvfb-rules-screenshots.sh [output folder, default docs/screenshots]
# Needs xvfb-run, xdotool, xprop, xlogo, xeyes and ImageMagick (import); build first.
set -euo pipefail
. "$(dirname "$0")/xvfb-common.sh"
xvfb_begin "$0" "${1:-}"
start_sim

# Three profiles and two rules; the other applications keep the profile.
for name in Desktop "Game night" Work; do
  "$work/prog/mousectl" new-profile --force --sensor 3311 --name "$name" "$work/$name.pbin" >/dev/null
done
cat "$work/Desktop.pbin" "$work/Game night.pbin" "$work/Work.pbin" >"$work/prog/Data/profile.bin"
cat >"$work/prog/Data/app-rules.json" <<'JSON'
{"version": 1, "enabled": true, "default": "Desktop",
 "rules": [{"app": "XLogo", "profile": "Game night"}, {"app": "libreoffice-writer", "profile": "Work"}]}
JSON

# Two applications with windows; XLogo in front (no window manager: the
# root window's property says so).
xlogo & pids="$pids $!"
xeyes & pids="$pids $!"
logo=$(window_of "xlogo")
window_of "xeyes" >/dev/null
MOUSE_DRIVER_TRAY=on start_program
main=$(window_of "Gaming Mouse")
sleep 1
xprop -root -f _NET_ACTIVE_WINDOW 32x -set _NET_ACTIVE_WINDOW "$logo"
popup=$(window_of "DPI")
sleep 0.3
timeout 10 import -window "$popup" "$out/app_switch_popup.png"
sleep 2                                              # the pop-up closes
xdotool mousemove --window "$main" 564 524 click 1  # "..."
sleep 0.5
xdotool mousemove --window "$main" 638 648 click 1  # Per-application profiles...
dialog=$(window_of "Per-application profiles")
sleep 0.5
xdotool mousemove --window "$dialog" 200 141 click 1  # the first rule
sleep 0.3
timeout 10 import -window "$dialog" "$out/app_rules.png"
echo "wrote $out/app_switch_popup.png and $out/app_rules.png"
