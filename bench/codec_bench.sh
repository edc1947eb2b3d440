#!/bin/sh
# Codec measurements: LAME quality, soxr recipes, chunk size, and the encoder
# with LAME's resampling against soxr + LAME.
# Usage: bench/codec_bench.sh [build folder] [minutes of input]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
minutes=${2:-10}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --build "$build" --target lame_enc >/dev/null
g++ -std=c++20 -O2 -Wall -Wextra -I"$root" \
  -DSONAFLUX_TESTDATA_DIR="\"$root/tests/data/\"" \
  "$root/bench/codec_bench.cpp" "$root/tests/support/ffmpeg_tools.cpp" "$root/tests/support/process.cpp" \
  -o "$work/codec_bench" \
  $(pkg-config --cflags --libs libmpg123 soxr) -lmp3lame -ldl
"$work/codec_bench" "$build/bin" "$minutes"
