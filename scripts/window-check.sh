#!/usr/bin/env bash
# Starts the real window program on a virtual X display and checks its window: found by its
# title, a client area of 514 x 168 pixels, centred on the screen (no window manager runs, so the
# outer frame is the client area). Leaves a screenshot of the whole screen behind.
#
# usage: window-check.sh POPURAN_BINARY OUTPUT_DIR
set -euo pipefail

# The whole check is bounded, whatever hangs.
if [[ -z "${WINDOW_CHECK_BOUNDED:-}" ]]; then
  exec timeout --kill-after=5 60 env WINDOW_CHECK_BOUNDED=1 bash "$0" "$@"
fi

if [[ $# -ne 2 ]]; then
  echo "usage: $0 POPURAN_BINARY OUTPUT_DIR" >&2
  exit 2
fi
binary=$1
out_dir=$2
mkdir -p "$out_dir"
screenshot="$out_dir/window-check.png"
rm -f "$screenshot"

readonly screen_width=1024 screen_height=768
readonly title="ぽぷらん - キャラクタ画像作成ツール for 窓辺のこびと"

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  if [[ -n "$app_pid" ]]; then kill "$app_pid" 2>/dev/null || true; fi
  if [[ -n "$xvfb_pid" ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "window-check: $*" >&2
  exit 1
}

# Xvfb picks a free display number itself and writes it to the given descriptor.
Xvfb -displayfd 3 -screen 0 "${screen_width}x${screen_height}x24" -nolisten tcp \
  3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [[ -s "$work/display" ]] && break
  sleep 0.1
done
[[ -s "$work/display" ]] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"

# The program writes its intermediate files into its own folder or a cache folder; keep those
# out of the user's home.
XDG_CACHE_HOME="$work/cache" QT_QPA_PLATFORM=xcb "$binary" >"$work/app.log" 2>&1 &
app_pid=$!

window=$(timeout 20 xdotool search --sync --onlyvisible --name "ぽぷらん" | head -n1) ||
  fail "no window appeared; program output: $(cat "$work/app.log")"
[[ -n "$window" ]] || fail "no window appeared"

name=$(xdotool getwindowname "$window")
[[ "$name" == "$title" ]] || fail "title is '$name', expected '$title'"

# Let the first paint land before measuring and taking the picture.
sleep 1
info=$(xwininfo -id "$window")
width=$(awk '/^ *Width:/ {print $2}' <<<"$info")
height=$(awk '/^ *Height:/ {print $2}' <<<"$info")
left=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
top=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
[[ "$width" == 514 && "$height" == 168 ]] || fail "client area is ${width}x${height}, expected 514x168"
expected_left=$(((screen_width - 514) / 2))
expected_top=$(((screen_height - 168) / 2))
[[ "$left" == "$expected_left" && "$top" == "$expected_top" ]] ||
  fail "window at $left,$top, expected $expected_left,$expected_top"

import -window root "$screenshot" || fail "screenshot failed"
kill -0 "$app_pid" 2>/dev/null || fail "the program ended by itself: $(cat "$work/app.log")"
if grep -qE 'AddressSanitizer|runtime error:' "$work/app.log"; then
  fail "the sanitizers reported: $(cat "$work/app.log")"
fi

echo "window-check: '$name' ${width}x${height} at $left,$top; screenshot $screenshot"
