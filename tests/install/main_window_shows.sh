#!/usr/bin/env bash
# Whether a desktop program shows its window: a virtual display of its own
# starts black, and the program must paint part of it within 60 s.
# Usage: main_window_shows.sh DISPLAY COMMAND... (COMMAND runs the program on DISPLAY)
set -euo pipefail
display=$1
shift
Xvfb "$display" -screen 0 640x480x24 -ac -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
program=
trap '[ -z "$program" ] || kill "$program" 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true' EXIT
painted() {
  # Pixels of the screen that are not black.
  local lit
  lit=$(import -display "$display" -window root -depth 8 gray:- 2>/dev/null | tr -d '\000' | wc -c) || return 1
  [ "$lit" -gt 10000 ]
}
deadline=$((SECONDS + 60))
until import -display "$display" -window root -depth 8 gray:- >/dev/null 2>&1; do
  [ $SECONDS -lt $deadline ] || { echo "the virtual display did not start"; exit 1; }
  sleep 0.1
done
"$@" &
program=$!
until painted; do
  kill -0 "$program" 2>/dev/null || { echo "the program ended without a window"; exit 1; }
  [ $SECONDS -lt $deadline ] || { echo "no window was painted"; exit 1; }
  sleep 0.2
done
