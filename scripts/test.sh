#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
# MOUSE_SANITIZE=1 also builds build-asan with ASan+UBSan and runs the tests there.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
ctest --test-dir build --output-on-failure --timeout 300 -j2
if [ "${MOUSE_SANITIZE:-0}" = 1 ]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMOUSE_SANITIZE=ON
  cmake --build build-asan
  ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build-asan --output-on-failure --timeout 600 -j2
fi
