#!/usr/bin/env bash
# Pictures of the Options window, one per tab, made offscreen from the built
# program's controllers and default settings; the Output tab becomes
# docs/options-window.png. Usage: scripts/screenshot_options.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
nice cmake --build "$build" -j2 --target sonaflux_grab_windows sonaflux_controllers decoder lame_enc sonaflux_data
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/program" "$work/shots" docs
cp -r "$build/bin/." "$work/program/"
cp data/snx.da0 "$work/program/"
bash scripts/make_demo_input.sh "$work/tune.wav"
QT_QPA_PLATFORM=offscreen "$build/grabs/sonaflux_grab_windows" "$work/program/" "$work/tune.wav" "$work/shots"
convert "$work/shots/options-output.png" -strip -colors 64 docs/options-window.png
# Every tab's picture is kept where SHOTS_DIR points, when it is set.
if [ -n "${SHOTS_DIR:-}" ]; then cp "$work"/shots/options-*.png "$SHOTS_DIR/"; fi
ls -l docs/options-window.png
