#!/bin/sh
# Codec measurements: LAME quality, soxr recipes, chunk size, and the encoder
# with LAME's resampling against soxr + LAME.
# Usage: bench/codec_bench.sh [build folder] [minutes of input]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
minutes=${2:-10}
cmake --build "$build" --target codec_bench >/dev/null
"$build/bench/codec_bench" "$build/bin" "$minutes"
