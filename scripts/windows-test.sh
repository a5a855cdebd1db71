#!/usr/bin/env bash
# Cross-builds popuran for 64-bit Windows with mingw-w64 into build/windows and tests it under
# wine: every unit test (ctest, through the toolchain's emulator), the command line's demo and
# convert on Japanese folder names with outputs compared byte for byte to the Linux build's,
# and a screenshot of the native window on a virtual X display (build/windows/popuran-window.png).
#
# Installs nothing. Needs: g++-mingw-w64-x86-64-posix, wine, wine64, xvfb, imagemagick, locales,
# fonts-ipafont-gothic, libgtest-dev, cmake, ninja-build (and the Linux build's own packages
# for the reference outputs). The Japanese caption of the screenshot also uses the IPA font,
# in place of wine's Tahoma.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build/windows
jobs=${JOBS:-$(nproc)}

for tool in x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-windres wine wineserver Xvfb \
  import identify localedef iconv cmake ninja sha256sum; do
  command -v "$tool" >/dev/null || { echo "windows-test: $tool is missing" >&2; exit 1; }
done

# --- cross build ----------------------------------------------------------------------------
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE=Release
timeout 3000 cmake --build "$build" -j "$jobs"

# --- wine: a prefix of our own, Japanese locale and font --------------------------------------
export WINEPREFIX=$build/wineprefix WINEARCH=win64 WINEDEBUG=-all
# No prompts to install Mono or Gecko: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="
# A Japanese locale made into the build folder, so wine knows the text's encoding and Japanese
# font names without a system-wide locale.
if [[ ! -e $build/locale/ja_JP.UTF-8/LC_CTYPE ]]; then
  mkdir -p "$build/locale"
  localedef -i ja_JP -f UTF-8 "$build/locale/ja_JP.UTF-8" || test -e "$build/locale/ja_JP.UTF-8/LC_CTYPE"
fi
export LOCPATH=$build/locale LANG=ja_JP.UTF-8
unset LC_ALL

xvfb_pid=
cleanup() {
  wineserver -k 2>/dev/null || true
  if [[ -n $xvfb_pid ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

# The window tests and the screenshot need a display: a virtual one on a free number.
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [[ -s $display_file ]] && break; sleep 0.2; done
[[ -s $display_file ]] || { echo "windows-test: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(tr -d '\n' <"$display_file")
rm -f "$display_file"

# One wine server for every test (starting one per program is slow), then the prefix.
mkdir -p "$WINEPREFIX"
wineserver -p
timeout 600 wineboot -i >/dev/null 2>&1 || timeout 600 wineboot -u >/dev/null 2>&1
# The window's font "ＭＳ Ｐゴシック" is drawn with IPAPGothic (metric-compatible). A .reg file in
# UTF-16 keeps the Japanese names intact whatever the shell's encoding.
{
  printf '\xff\xfe'
  printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
    '"ＭＳ Ｐゴシック"="IPAPGothic"' '"ＭＳ ゴシック"="IPAGothic"' \
    '"ＭＳ ＵＩ Gothic"="IPAPGothic"' '"Tahoma"="IPAPGothic"' '' | iconv -f UTF-8 -t UTF-16LE
} >"$build/fonts.reg"
timeout 120 wine regedit /s "$(winepath -w "$build/fonts.reg" 2>/dev/null)"

# --- unit tests -------------------------------------------------------------------------------
timeout 2400 ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 300

# --- the command line on Japanese paths, against the Linux build ------------------------------
linux_cli=$root/build/release/src/cli/popuran-cli
if [[ ! -x $linux_cli ]]; then
  cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build/release -j "$jobs" --target popuran-cli
fi
check=$build/cli-check
rm -rf "$check"
mkdir -p "$check/windows" "$check/linux"
demo_dir="デモ/こびと"
(cd "$check/windows" && timeout 600 wine "$build/src/cli/popuran-cli.exe" demo "$demo_dir" \
  >demo.out)
(cd "$check/linux" && timeout 600 "$linux_cli" demo "$demo_dir" >demo.out)
grep -q "preview: the preview is not in this build" "$check/windows/demo.out"

# Every file of the demo (archive, stand-in companion, intermediate and output files); the
# Windows build writes no preview picture.
digests() { (cd "$1" && find . -type f ! -name preview.png -print0 | LC_ALL=C sort -z |
  xargs -0 sha256sum); }
digests "$check/windows/$demo_dir" >"$check/windows.sha256"
digests "$check/linux/$demo_dir" >"$check/linux.sha256"
diff -u "$check/linux.sha256" "$check/windows.sha256"
[[ $(wc -l <"$check/windows.sha256") -ge 11 ]]

# convert with the archive and the companion in Japanese folders given as arguments.
archive=$check/windows/アーカイブ
companion=$check/windows/窓辺のこびと
mkdir -p "$archive" "$companion"
cp "$check/windows/$demo_dir/TH2Data.000" "$check/windows/$demo_dir/TH2Data.001" "$archive/"
cp "$check/windows/$demo_dir/Kobitone/Kobitone.exe" "$companion/"
mkdir -p "$check/windows/作業"
(cd "$check/windows" && timeout 600 wine "$build/src/cli/popuran-cli.exe" convert --yes \
  --no-launch --work-dir 作業 アーカイブ/TH2Data.000 窓辺のこびと/Kobitone.exe >convert.out)
for name in 001.BMP 002.BMP 003.BMP 000.NAD; do
  cmp "$companion/B/$name" "$check/linux/$demo_dir/Kobitone/B/$name"
done
grep -q "成功した模様です" "$check/windows/convert.out"
echo "windows-test: demo and convert outputs match the Linux build byte for byte"

# --- a picture of the window ------------------------------------------------------------------
# Wine's own desktop draws the frame and caption (a bare X server has no window manager). The
# window stands inside that desktop, so it shows as the picture gaining colours.
shot=$build/popuran-window.png
rm -f "$shot"
(cd "$build" && exec timeout 120 wine explorer /desktop=popuran,800x600 src/win32/popuran.exe \
  >/dev/null 2>&1) &
window_pid=$!
colours=0
for _ in $(seq 60); do
  sleep 1
  import -window root -crop 800x600+0+0 +repage "$shot" 2>/dev/null || continue
  colours=$(identify -format %k "$shot")
  [[ $colours -gt 8 ]] && break
done
sleep 2  # let the text and the caret settle
import -window root -crop 800x600+0+0 +repage "$shot"
kill "$window_pid" 2>/dev/null || true
[[ $colours -gt 8 ]] || { echo "windows-test: the window did not show" >&2; exit 1; }
echo "windows-test: screenshot in $shot"
