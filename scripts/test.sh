#!/usr/bin/env bash
# The test command; CI runs exactly this (.ci/run). Stages, each in its own
# build folder so that a second run is incremental:
#
#   1. install the missing packages (scripts/install-deps.sh)
#   2. build/       Release, warnings are errors; scripts/check-deps.sh,
#                   scripts/check-layers and scripts/check-map on what it
#                   compiled; every test; the Debian package built from
#                   it, installed, run, and purged (scripts/package-test.sh)
#   3. build-asan/  Debug with AddressSanitizer + UndefinedBehaviorSanitizer;
#                   every test, leak detection on
#   4. build-tsan/  ThreadSanitizer; device_tests, driver_tests and
#                   hook_tests (the tests with threads of their own)
#   5. scripts/fuzz-smoke.sh, when it exists
#
# MOUSE_QUICK=1 stops after stage 2. The time of every stage is printed at
# the end, also when a stage fails.
set -euo pipefail
cd "$(dirname "$0")/.."

stage_names=()
stage_times=()
current=""
started=0
report() {
  local status=$?
  if [ -n "$current" ]; then
    stage_names+=("$current (FAILED)")
    stage_times+=($(($(date +%s) - started)))
  fi
  echo
  echo "Stage timings:"
  local total=0 i
  for i in "${!stage_names[@]}"; do
    printf '  %-40s %4d s\n' "${stage_names[$i]}" "${stage_times[$i]}"
    total=$((total + stage_times[i]))
  done
  printf '  %-40s %4d s\n' total "$total"
  exit $status
}
trap report EXIT
begin() {
  current=$1
  started=$(date +%s)
  echo
  echo "=== $current"
}
end() {
  stage_names+=("$current")
  stage_times+=($(($(date +%s) - started)))
  current=""
}

configure() {  # folder, then cmake options
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@"
}

begin "install packages"
scripts/install-deps.sh
end

begin "build/: Release build"
configure build -DCMAKE_BUILD_TYPE=Release -DMOUSE_WERROR=ON
cmake --build build
end

begin "build/: check-deps, check-layers, check-map"
scripts/check-deps.sh build
scripts/check-layers build
scripts/check-map build
end

begin "build/: tests"
ctest --test-dir build --output-on-failure --timeout 300 -j2
end

begin "build/: Debian package: lintian, install, run, purge"
scripts/package-test.sh build
end

if [ "${MOUSE_QUICK:-0}" = 1 ]; then
  echo
  echo "MOUSE_QUICK=1: sanitizer builds and fuzz smoke test skipped."
  exit 0
fi

begin "build-asan/: ASan+UBSan build"
configure build-asan -DCMAKE_BUILD_TYPE=Debug -DMOUSE_SANITIZE=ON -DMOUSE_WERROR=ON
cmake --build build-asan
end

begin "build-asan/: tests, leak detection on"
# The checks of the scripts have nothing to do with the compiled code; they
# ran in build/.
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
  LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp" \
  ctest --test-dir build-asan --output-on-failure --timeout 600 -j2 -E '^check_(deps|layers)_'
end

begin "build-tsan/: TSan build"
configure build-tsan -DCMAKE_BUILD_TYPE=Debug -DMOUSE_TSAN=ON -DMOUSE_WERROR=ON
# The test binaries and what they run: MSDriver.so, mouse-sim and Hook.so (their
# build dependencies).
cmake --build build-tsan --target device_tests driver_tests hook_tests
end

begin "build-tsan/: device_tests, driver_tests, hook_tests"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
for t in device_tests driver_tests hook_tests; do
  (cd build-tsan && XDG_RUNTIME_DIR="$PWD/xdg-runtime" "tests/$t" --gtest_brief=1)
done
unset TSAN_OPTIONS
end

if [ -x scripts/fuzz-smoke.sh ]; then
  begin "fuzz smoke test"
  scripts/fuzz-smoke.sh
  end
fi
