#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang in build-fuzz/ and runs
# each one for a short time on a copy of its seed corpus; fails when any
# target finds a crash, a leak, undefined behaviour or a broken invariant.
#
#   scripts/fuzz-smoke.sh [TARGET...]    all targets when none is named
#   scripts/fuzz-smoke.sh --seeds        rewrite fuzz/corpus/ from fuzz_make_seeds
#
# FUZZ_SECONDS sets the time per target (default 10). Inputs that fail are
# kept in build-fuzz/fuzz-artifacts/; reproduce one with
#   build-fuzz/fuzz/TARGET build-fuzz/fuzz-artifacts/TARGET-crash-...
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-10}
all_targets=(fuzz_stores fuzz_record_files fuzz_data_ini fuzz_device_replies
             fuzz_device_notices fuzz_sim_wire fuzz_library_import fuzz_profile_file
             fuzz_report_descriptor)

if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DMOUSE_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
fi

if [ "${1:-}" = "--seeds" ]; then
  cmake --build "$build" --target fuzz_make_seeds -j2
  rm -rf "$root/fuzz/corpus"
  "$build/fuzz/fuzz_make_seeds" "$root/fuzz/corpus" "$root/app/data/Data.ini"
  echo "seed corpora written to fuzz/corpus/"
  exit 0
fi

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")
cmake --build "$build" --target "${targets[@]}" -j2

# Everything the runs write (corpus copies, the targets' temporary files)
# goes to one scratch folder, in memory when /dev/shm is there.
shm=/dev/shm
[ -d "$shm" ] && [ -w "$shm" ] || shm=${TMPDIR:-/tmp}
scratch=$(mktemp -d "$shm/mouse-fuzz-smoke.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=()
for t in "${targets[@]}"; do
  work="$scratch/$t"
  mkdir -p "$work/corpus" "$work/tmp" "$work/artifacts"
  cp -r "$root/fuzz/corpus/$t/." "$work/corpus/"
  log="$work/log"
  set +e
  TMPDIR="$work/tmp" "$build/fuzz/$t" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/artifacts/$t-" \
    "$work/corpus" >"$log" 2>&1
  status=$?
  set -e
  stats=$(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}')
  if [ "$status" -ne 0 ]; then
    failed+=("$t")
    echo "FAIL $t (exit $status)"
    tail -n 60 "$log"
    cp "$work/artifacts/"* "$artifacts/" 2>/dev/null || true
    cp "$log" "$artifacts/$t.log"
  else
    echo "ok   $t: ${stats:-?} inputs in ${seconds} s"
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found faults in: ${failed[*]} (inputs in $artifacts)"
  exit 1
fi
