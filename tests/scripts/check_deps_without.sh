#!/usr/bin/env bash
# check_deps_without.sh BUILD_DIR PACKAGE: runs scripts/check-deps.sh with
# PACKAGE left out of the install step's list and passes when check-deps
# fails naming PACKAGE as the missing one.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$1 package=$2
list=$("$root/scripts/install-deps.sh" --list) || exit 2
grep -qx -- "$package" <<<"$list" || { echo "$package is not in the install list"; exit 2; }
out=$(MOUSE_DEPS_PACKAGES=$(grep -vx -- "$package" <<<"$list") "$root/scripts/check-deps.sh" "$build" 2>&1)
rc=$?
echo "$out"
if [ $rc -ne 1 ]; then
  echo "expected check-deps to fail (exit 1), it exited $rc"
  exit 1
fi
if ! grep -q "^  $package (" <<<"$out"; then
  echo "expected check-deps to name $package"
  exit 1
fi
