#!/usr/bin/env bash
# Builds the libFuzzer targets, makes their seed corpora from the project's own synthetic
# archive, and runs every target for SECONDS seconds (default 12).
#
#   scripts/fuzz.sh [SECONDS] [BUILD_DIR]
#
# BUILD_DIR defaults to build/fuzz. Corpora grow in BUILD_DIR/corpus/<target> (seeds plus what
# the fuzzer found interesting), so a later run goes on from there; crashing inputs land in
# BUILD_DIR/findings/<target>/. Extra libFuzzer options can be given in FUZZ_OPTIONS, e.g.
#   FUZZ_OPTIONS="-jobs=2 -workers=2" scripts/fuzz.sh 300
# The exit status is non-zero when any target found something.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-12}
build=${2:-build/fuzz}
jobs=${FUZZ_BUILD_JOBS:-2}
targets=(archive bitmap nad_inspect scale_quantize)

CC=${CC:-clang-14} CXX=${CXX:-clang++-14} cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPOPURAN_FUZZ=ON -DPOPURAN_TESTS=OFF -DPOPURAN_QT=OFF \
  -DPOPURAN_BENCH=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target popuran-fuzz-seeds "${targets[@]/#/fuzz_}"

seeds="$build/seeds"
rm -rf "$seeds"
"$build/fuzz/popuran-fuzz-seeds" "$seeds"

# The archive target writes its files for every input; a folder in memory makes that cheap.
if [[ -z "${TMPDIR:-}" && -d /dev/shm && -w /dev/shm ]]; then export TMPDIR=/dev/shm; fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  findings="$build/findings/$target"
  mkdir -p "$corpus" "$findings"
  echo "== fuzz_$target for ${seconds}s"
  # shellcheck disable=SC2086  # FUZZ_OPTIONS holds several options
  if ! "$build/fuzz/fuzz_$target" "$corpus" "$seeds/$target" -dict=fuzz/popuran.dict \
      -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
      -artifact_prefix="$findings/" -print_final_stats=1 ${FUZZ_OPTIONS:-} \
      2>"$build/fuzz_$target.log"; then
    status=1
    echo "fuzz_$target: FINDING (see $build/fuzz_$target.log and $findings/)"
    tail -n 40 "$build/fuzz_$target.log"
  fi
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' \
    "$build/fuzz_$target.log" | sed "s/^/  /" || true
done
exit "$status"
