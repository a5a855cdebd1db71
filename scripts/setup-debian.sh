#!/usr/bin/env bash
# Installs what popuran needs to build, test and benchmark on Debian 12 (run as root).
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config git python3
  libgtest-dev libgmock-dev libbenchmark-dev   # tests and benchmarks
  libpng-dev                                   # the preview contact sheet
  qt6-base-dev qt6-qpa-plugins                 # the window (xcb and offscreen platforms)
  fonts-ipafont-gothic                         # metric-compatible stand-in for the window's font
  xvfb x11-utils xdotool imagemagick           # the real-window check and its screenshot
  clang-14 libclang-rt-14-dev                  # the fuzz targets
  hyperfine                                    # whole-process timing
  g++-mingw-w64-x86-64-posix mingw-w64-tools   # the Windows cross build
  wine wine64 locales                          # running the Windows build's tests
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
