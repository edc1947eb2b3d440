#!/usr/bin/env bash
# Draws the README's pictures of the windows into docs/ (offscreen), then
# starts the real program on a virtual X display, grabs the screen into
# build/screen.png and prints the time from start to the first painted
# main window.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

nice cmake --build "$build" -j2 --target sonaflux sonaflux_grab_windows sonaflux_controllers decoder lame_enc \
  sonaflux_data
work=$(mktemp -d)
log=$(mktemp)
trap 'rm -rf "$work" "$log"' EXIT
mkdir -p "$work/program" "$work/shots" "$root/docs"
cp -r "$build/bin/." "$work/program/"
cp "$root/data/snx.da0" "$work/program/"
bash "$root/scripts/make_demo_input.sh" "$work/evening-tune.wav"
QT_QPA_PLATFORM=offscreen "$build/grabs/sonaflux_grab_windows" "$work/program/" "$work/evening-tune.wav" "$work/shots"
cp "$work/shots/main-window.png" "$work/shots/working-window.png" "$root/docs/"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  start=$(date +%s%3N)
  SONAFLUX_TIME_FIRST_PAINT=1 "$1/bin/sonaflux" 2>"$2" &
  pid=$!
  for _ in $(seq 200); do
    grep -q "first paint at" "$2" && break
    sleep 0.05
  done
  painted=$(sed -n "s/.*first paint at \([0-9]*\) ms.*/\1/p" "$2")
  sleep 1
  import -window root "$1/screen.png"
  kill "$pid"
  if [ -z "$painted" ]; then echo "the main window was not painted" >&2; exit 1; fi
  echo "first painted main window $((painted - start)) ms after start"
  echo "$1/screen.png"
' _ "$build" "$log"
