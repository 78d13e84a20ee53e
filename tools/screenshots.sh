#!/usr/bin/env bash
# Screenshots of the main window and the dialogs under Xvfb, into build/shots/.
# Usage: tools/screenshots.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
out="$build/shots"
for p in xvfb imagemagick xdotool; do dpkg -s "$p" >/dev/null 2>&1 || missing="${missing:-} $p"; done
if [ -n "${missing:-}" ]; then apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y $missing; fi
cmake --build "$build" --target quillet-shots -j2
mkdir -p "$out"
display=:97
Xvfb $display -screen 0 1280x900x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
sleep 1
DISPLAY=$display QT_QPA_PLATFORM=xcb "$build/tools/quillet-shots" "$out"
# One look at the whole screen as X shows it, with the program itself running
# (its remembered settings kept apart from the user's).
export XDG_CONFIG_HOME="$out/config"
DISPLAY=$display QT_QPA_PLATFORM=xcb "$build/quillet" &
app=$!
sleep 2
DISPLAY=$display import -window root "$out/0-screen.png"
kill $app
# At twice the scale, with the File menu open: the images must stay sharp.
DISPLAY=$display QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=2 "$build/quillet" &
app=$!
sleep 2
DISPLAY=$display xdotool mousemove 40 17 click 1
sleep 1
DISPLAY=$display import -window root -crop 640x480+0+0 "$out/0-screen-scale2.png"
kill $app
ls "$out"
