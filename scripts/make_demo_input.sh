#!/usr/bin/env bash
# Synthesises the demo input: a short two-voice tune, 16-bit stereo 44 100 Hz WAV.
set -euo pipefail
out="$1"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
i=0
# Melody notes with a fifth below in the other channel, a quarter second each.
for note in C4 E4 G4 C5 B4 G4 A4 F4 E4 G4 D4 B3 C4 E4 G4 C5; do
  sox -n -r 44100 -b 16 -c 2 "$tmp/n$(printf %02d $i).wav" \
    synth 0.3 pluck "$note" pluck "%-7" fade q 0.005 0.3 0.12 vol 0.6
  i=$((i + 1))
done
sox "$tmp"/n*.wav "$tmp/melody.wav"
sox "$tmp/melody.wav" "$out" reverb 30 gain -n -3
