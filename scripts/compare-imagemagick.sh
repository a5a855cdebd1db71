#!/usr/bin/env bash
# Times popuran's whole conversion of the demo archive against the same job done by hand with
# ImageMagick, in one hyperfine run on the same inputs, and prints both medians and their ratio.
#
# The ImageMagick side starts from the four decoded 8-bit pictures (so the archive extraction
# costs it nothing) and does what the recipes do: crop, stretch into the square, box-filter
# resize, lime flood fills from the same seed points (and the same patch), 24-bit BMP output;
# the fourth picture is reduced with -colors 256 and written as an uncompressed 8-bit BMP.
#
# Environment: RUNS (default 30) and WARMUP (default 3) for hyperfine; WORK, a folder to work
# in (default: a new one under TMPDIR, removed afterwards). Builds in build/bench.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/bench
runs=${RUNS:-30}
warmup=${WARMUP:-3}
imagemagick=/usr/bin/convert

missing=()
command -v hyperfine >/dev/null || missing+=(hyperfine)
[ -x "$imagemagick" ] || missing+=(imagemagick)
if ((${#missing[@]})); then
  if [ "$(id -u)" -ne 0 ]; then
    echo "compare-imagemagick.sh: please install ${missing[*]}" >&2
    exit 1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null
fi

# The same Release build as scripts/bench.sh; building is quick when it is up to date.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPOPURAN_BENCH=ON \
  -DPOPURAN_TESTS=OFF -DPOPURAN_QT=OFF >/dev/null
cmake --build "$build" -j "${JOBS:-$(nproc)}" --target popuran-cli popuran-decode-entries >/dev/null
cli=$build/src/cli/popuran-cli

if [ -n "${WORK:-}" ]; then
  work=$WORK
  mkdir -p "$work"
else
  work=$(mktemp -d "${TMPDIR:-/tmp}/popuran-compare-XXXXXX")
  trap 'rm -rf "$work"' EXIT
fi

# Inputs: the demo archive and its stand-in companion, and the four pictures as the decoder
# writes them, before a recipe overwrites them.
"$cli" demo "$work/demo" >/dev/null
mkdir -p "$work/decoded" "$work/popuran-work" "$work/imagemagick"
"$build/bench/popuran-decode-entries" "$work/demo/TH2Data.000" "$work/decoded" >/dev/null

# The four recipes for ImageMagick: crop rectangle, square side, thumbnail side, seed points.
fills() { for seed in "$@"; do printf ' -floodfill +%s+%s black' "${seed%,*}" "${seed#*,}"; done; }
pose_seeds=(0,0 130,100 36,120 53,110 94,111 102,114 107,116)
pose3_seeds=(0,0 130,100 46,120 51,110 46,116 100,113 103,113)
nad_seeds=(0,0 180,110 190,40 51,125 48,114 138,118 168,69 167,75 176,74 143,123 160,10)
in=$work/decoded out=$work/imagemagick
cat >"$work/imagemagick.sh" <<SCRIPT
set -e
$imagemagick $in/C00210090.BM2.bmp -crop 326x326+0+3 +repage -filter Box -resize 160x160! \
  -fill lime -fuzz 0$(fills "${pose_seeds[@]}") -draw 'rectangle 10,68 11,71' \
  -type TrueColor BMP3:$out/001.BMP
$imagemagick $in/C00210080.BM2.bmp -crop 326x326+0+3 +repage -filter Box -resize 160x160! \
  -fill lime -fuzz 0$(fills "${pose_seeds[@]}") -draw 'rectangle 10,68 11,71' \
  -type TrueColor BMP3:$out/002.BMP
$imagemagick $in/C00210200.BM2.bmp -crop 326x325+0+11 +repage -filter Point -resize 326x326! \
  -filter Box -resize 160x160! -fill lime -fuzz 0$(fills "${pose3_seeds[@]}") \
  -type TrueColor BMP3:$out/003.BMP
$imagemagick $in/C00210110.BM2.bmp -crop 351x351+37+28 +repage -filter Point -resize 352x352! \
  -filter Box -resize 200x200! -fill lime -fuzz 0$(fills "${nad_seeds[@]}") \
  -colors 256 -type Palette -compress None BMP3:$out/000.bmp
SCRIPT

popuran_cmd="$cli convert --yes --no-launch --work-dir $work/popuran-work $work/demo/TH2Data.000 $work/demo/Kobitone/Kobitone.exe"
imagemagick_cmd="sh $work/imagemagick.sh"

# One run of each first, so that a broken pipeline fails here and not inside the timing.
$popuran_cmd >/dev/null
$imagemagick_cmd
for f in 001.BMP 002.BMP 003.BMP 000.NAD; do [ -s "$work/demo/Kobitone/B/$f" ]; done
for f in 001.BMP 002.BMP 003.BMP 000.bmp; do [ -s "$work/imagemagick/$f" ]; done

echo "# $(date -u '+%Y-%m-%d %H:%M UTC'); $(nproc) cores;$(lscpu | sed -n 's/^Model name: *//p' | head -n 1 | sed 's/^/ /'); load before:$(cut -d' ' -f1-3 /proc/loadavg | sed 's/^/ /')"
hyperfine -N --style basic --warmup "$warmup" --runs "$runs" --export-json "$work/times.json" \
  -n popuran "$popuran_cmd" -n imagemagick "$imagemagick_cmd"
echo "# load after:$(cut -d' ' -f1-3 /proc/loadavg | sed 's/^/ /')"

# The medians in command order, in seconds.
mapfile -t medians < <(grep -o '"median": *[0-9.eE+-]*' "$work/times.json" | sed 's/.*: *//')
awk -v p="${medians[0]}" -v m="${medians[1]}" 'BEGIN {
  printf "popuran convert (whole process), median: %8.2f ms\n", p * 1000
  printf "ImageMagick pipeline, median:            %8.2f ms\n", m * 1000
  printf "ratio (ImageMagick / popuran):           %8.1f x\n", m / p
}'
