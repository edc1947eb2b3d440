#!/usr/bin/env bash
# Draws the README's pictures of the windows into docs/ (offscreen), then
# on a virtual X display prints the time from start to the first painted
# main window (bench/first_paint_bench starts it as the program does),
# then starts the real program and grabs the screen into build/screen.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

nice cmake --build "$build" -j2 --target sonaflux sonaflux_grab_windows first_paint_bench sonaflux_controllers \
  decoder lame_enc sonaflux_data
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/program" "$work/shots" "$root/docs"
cp -r "$build/bin/." "$work/program/"
cp "$root/data/snx.da0" "$work/program/"
bash "$root/scripts/make_demo_input.sh" "$work/evening-tune.wav"
QT_QPA_PLATFORM=offscreen "$build/grabs/sonaflux_grab_windows" "$work/program/" "$work/evening-tune.wav" "$work/shots"
cp "$work/shots/main-window.png" "$work/shots/working-window.png" "$root/docs/"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  start=$(date +%s%3N)
  painted=$("$1/bench/first_paint_bench" "$2/program/" | sed -n "s/.*first paint at \([0-9]*\) ms.*/\1/p")
  if [ -z "$painted" ]; then echo "the main window was not painted" >&2; exit 1; fi
  echo "first painted main window $((painted - start)) ms after start"
  "$1/bin/sonaflux" 2>/dev/null &
  pid=$!
  sleep 1
  import -window root "$1/screen.png"
  kill "$pid"
  echo "$1/screen.png"
' _ "$build" "$work"
