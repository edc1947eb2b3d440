#!/usr/bin/env bash
# Runs every fuzz harness for a while: bash scripts/fuzz.sh [SECONDS_EACH] [HARNESS...]
# New inputs go to build-sanitize/corpus/<harness>, crashes to build-sanitize/crashes/<harness>.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
shift || true
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=(frame_scanner wav_reader id3_title parameters)

CC=clang CXX=clang++ cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSONAFLUX_SANITIZE=ON -DSONAFLUX_FUZZ=ON > /dev/null
cmake --build build-sanitize -j "$(nproc)" --target $(printf 'fuzz_%s ' "${harnesses[@]}")

status=0
for name in "${harnesses[@]}"; do
  corpus=build-sanitize/corpus/$name
  crashes=build-sanitize/crashes/$name
  mkdir -p "$corpus" "$crashes"
  extra=()
  options=()
  # Whole MP3 files from the shared test data would be copied and scanned on
  # every run; 64 KiB holds a tag over the 32 KiB limit and the longest frames.
  [ "$name" = frame_scanner ] && options=(-max_len=65536)
  if [ "$name" != parameters ] && [ -d tests/data/minimp3 ]; then
    extra=(tests/data/minimp3 tests/data/mutagen)
  fi
  echo "== $name for ${seconds}s"
  if ! build-sanitize/fuzz/fuzz_"$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 "${options[@]}" \
      -print_final_stats=1 -artifact_prefix="$crashes/" "$corpus" tests/fuzz/seeds/"$name" "${extra[@]}"; then
    status=1
  fi
done
exit $status
