#!/usr/bin/env bash
# Builds popuran's benchmarks in a Release build (build/bench) and runs every one of them ten
# times, printing the median of each. Extra arguments go to every benchmark program, e.g.
#   scripts/bench.sh --benchmark_filter=Quantize
# The full output of each program is kept in build/bench/results/. Benchmarks that write files
# do so under TMPDIR (default /tmp), with the same synced writes as a real run.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/bench
jobs=${JOBS:-$(nproc)}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPOPURAN_BENCH=ON -DPOPURAN_TESTS=OFF \
  -DPOPURAN_QT=OFF >/dev/null
cmake --build "$build" -j "$jobs" >/dev/null

mkdir -p "$build/results"
echo "# $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores,$(lscpu | sed -n 's/^Model name: *//p' | head -n 1 | sed 's/^/ /'), load:$(cut -d' ' -f1-3 /proc/loadavg | sed 's/^/ /')"
for program in "$build"/bench/bench_*; do
  [ -x "$program" ] || continue
  name=$(basename "$program")
  status=0
  "$program" --benchmark_repetitions=10 --benchmark_report_aggregates_only=true "$@" \
    >"$build/results/$name.txt" 2>&1 || status=$?
  # A filter that matches nothing in this program is not a failure.
  grep -q 'Failed to match any benchmarks' "$build/results/$name.txt" && continue
  ((status == 0)) || { cat "$build/results/$name.txt"; exit "$status"; }
  echo "## $name"
  # Name, real time and CPU time of each median line.
  grep '_median' "$build/results/$name.txt" | awk '{ printf "%-44s %10s %-3s %10s %s\n", $1, $2, $3, $4, $5 }'
done
