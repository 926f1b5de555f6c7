#!/usr/bin/env bash
# Feeds scripts/check-layers made-up dependency listings, one object each,
# and checks which ones it rejects and that it names the object and header.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(mktemp -d)
trap 'rm -rf "$build"' EXIT
qt=/usr/include/x86_64-linux-gnu/qt6/QtCore/QObject

core=CMakeFiles/mouse_core.dir/store/stores.cpp.o
coreSrc=$root/store/stores.cpp
page=app-build/CMakeFiles/mouse_app.dir/__/guns/gun_page.cpp.o
pageSrc=$root/guns/gun_page.cpp
# A file of a page folder that is not a page, and the main window.
dialog=app-build/CMakeFiles/mouse_app.dir/__/buttons/msg_wnd.cpp.o
dialogSrc=$root/buttons/msg_wnd.cpp
window=app-build/CMakeFiles/mouse_app.dir/main_wnd.cpp.o
windowSrc=$root/app/main_wnd.cpp
base=app-build/CMakeFiles/mouse_app.dir/page.cpp.o
baseSrc=$root/app/page.cpp

# object | its source | header it includes | expected: ok or the rule's words
cases=(
  "$core|$coreSrc|$root/store/ascii.h|ok"
  "$core|$coreSrc|$root/device/records.h|ok"
  "$core|$coreSrc|$root/performance/pointer_settings.h|ok"
  "$core|$coreSrc|/usr/include/c++/12/string|ok"
  "$core|$coreSrc|$build/generated/version.h|ok"
  "$core|$coreSrc|$root/ui/window.h|the core includes nothing from ui/"
  "$core|$coreSrc|$root/app/page.h|the core includes nothing from app/"
  "$core|$coreSrc|$root/drivers/msdriver.h|the core includes nothing from drivers/"
  "$core|$coreSrc|$root/cli/args.h|the core includes nothing from cli/"
  "$core|$coreSrc|$root/buttons/button_page.h|the core includes no page"
  "$core|$coreSrc|$root/performance/performance_page.h|the core includes no page"
  "$core|$coreSrc|$root/performance/light_page.h|the core includes no page"
  "$core|$coreSrc|$root/macros/macro_page.h|the core includes no page"
  "$core|$coreSrc|$root/guns/gun_page.h|the core includes no page"
  "$core|$coreSrc|$qt|the core includes no Qt"
  "$core|$coreSrc|/usr/include/x86_64-linux-gnu/qt6/qtcore-config.h|the core includes no Qt"
  "$page|$pageSrc|$root/app/main_wnd.h|a page includes no app/main_wnd.h"
  "$page|$pageSrc|$root/app/page_host.h|ok"
  "$base|$baseSrc|$root/app/main_wnd.h|a page includes no app/main_wnd.h"
  "$base|$baseSrc|$root/app/page_host.h|ok"
  "$page|$pageSrc|$qt|ok"
  "$page|$pageSrc|$root/device/device_link.h|ok"
  "$page|$pageSrc|$root/drivers/msdriver.h|a page includes nothing from drivers/"
  "$page|$pageSrc|$root/drivers/sim/sim_wire.h|a page includes nothing from drivers/"
  "$dialog|$dialogSrc|$root/drivers/msdriver.h|ok"
  "$window|$windowSrc|$root/drivers/msdriver.h|ok"
  "$window|$windowSrc|$root/app/main_wnd.h|ok"
  "$dialog|$dialogSrc|$root/app/main_wnd.h|a page includes no app/main_wnd.h"
)

failures=0
for c in "${cases[@]}"; do
  IFS='|' read -r object source header expected <<<"$c"
  printf '%s: #deps 2, deps mtime 1 (VALID)\n    %s\n    %s\n' "$object" "$source" "$header" \
    >"$build/deps"
  out=$(MOUSE_LAYERS_DEPS="$build/deps" "$root/scripts/check-layers" "$build" 2>&1)
  rc=$?
  if [ "$expected" = ok ]; then
    [ $rc -eq 0 ] && continue
    echo "FAIL: $object including $header was rejected (exit $rc):"
  else
    [ $rc -eq 1 ] && grep -qF "$object (" <<<"$out" && grep -qF "includes $header ($expected)" <<<"$out" &&
      continue
    echo "FAIL: $object including $header: expected \"$expected\" (exit 1), got exit $rc:"
  fi
  echo "$out"
  failures=$((failures + 1))
done

# Two objects in one listing: only the offending one is named, its Qt
# headers are reported once with a count.
printf '%s\n' "$core: #deps 3" "    $coreSrc" "    $qt" "    ${qt%/*}/qobject.h" \
  "$page: #deps 2" "    $pageSrc" "    $root/ui/window.h" >"$build/deps"
out=$(MOUSE_LAYERS_DEPS="$build/deps" "$root/scripts/check-layers" "$build" 2>&1)
if [ $? -ne 1 ] || [ "$(grep -c '): includes ' <<<"$out")" -ne 1 ] || ! grep -q '1 more header' <<<"$out" ||
  grep -qF "$page" <<<"$out"; then
  echo "FAIL: two objects:"
  echo "$out"
  failures=$((failures + 1))
fi

echo "$((${#cases[@]} + 1 - failures)) of $((${#cases[@]} + 1)) cases passed"
[ $failures -eq 0 ]
