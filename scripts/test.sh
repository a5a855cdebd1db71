#!/usr/bin/env bash
# Builds popuran and runs every test, with warnings as errors: a plain build, an
# AddressSanitizer + UndefinedBehaviorSanitizer build, a short run of every fuzz target, and
# the Windows cross build under wine.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

echo "== plain build"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPOPURAN_BENCH=ON
cmake --build build/release -j "$jobs"
ctest --test-dir build/release --output-on-failure -j "$jobs"

echo "== sanitizer build"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPOPURAN_SANITIZE=ON
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/asan --output-on-failure -j "$jobs"

echo "== fuzz targets, briefly"
bash scripts/fuzz.sh 12

echo "== Windows build under wine"
bash scripts/windows-test.sh
