#!/usr/bin/env bash
# Makes the small seed files of the fuzz harnesses in tests/fuzz/seeds/.
# Run again only to change the seeds; the results are committed.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p seeds/frame_scanner seeds/wav_reader seeds/id3_title seeds/parameters

# Short tones: a tenth of a second keeps every seed to a few kilobytes.
sox -n -r 8000 -c 1 -b 16 "$work/tone.wav" synth 0.1 sine 440
sox -n -r 22050 -c 2 -b 16 "$work/stereo.wav" synth 0.05 sine 440 sine 660

lame --quiet -b 8 --resample 8 "$work/tone.wav" seeds/frame_scanner/mpeg25_8k.mp3
lame --quiet -b 32 --resample 22.05 "$work/stereo.wav" seeds/frame_scanner/mpeg2_stereo.mp3
lame --quiet -b 32 --resample 32 -m m "$work/tone.wav" seeds/frame_scanner/mpeg1_mono.mp3
# Junk before and between frames.
{ printf 'junk\xff\xe0'; cat seeds/frame_scanner/mpeg25_8k.mp3; printf '\xff\xfb'; } > seeds/frame_scanner/with_junk.mp3

sox -n -r 8000 -c 1 -b 8 seeds/wav_reader/mono8.wav synth 0.02 sine 440
sox -n -r 11025 -c 2 -b 16 seeds/wav_reader/stereo16.wav synth 0.02 sine 440
# An odd-sized chunk before the data and a data chunk cut short.
python3 - "$work/tone.wav" seeds/wav_reader <<'PY'
import struct, sys
src, out = sys.argv[1], sys.argv[2]
fmt = struct.pack('<HHIIHH', 1, 1, 8000, 16000, 2, 16)
data = open(src, 'rb').read()[44:44 + 400]
body = b'WAVE' + b'fmt ' + struct.pack('<I', 16) + fmt + b'LIST' + struct.pack('<I', 3) + b'abc\0' \
       + b'data' + struct.pack('<I', len(data) + 1000) + data
open(out + '/odd_chunk_cut.wav', 'wb').write(b'RIFF' + struct.pack('<I', len(body)) + body)
PY

lame --quiet -b 8 --resample 8 --tt "Title" --ta "Artist" --id3v2-only "$work/tone.wav" seeds/id3_title/v2.mp3
lame --quiet -b 8 --resample 8 --tt "Title" --ta "Artist" --id3v1-only "$work/tone.wav" seeds/id3_title/v1.mp3
lame --quiet -b 8 --resample 8 --tt "Tïtle ✓" --id3v2-utf16 "$work/tone.wav" seeds/id3_title/v2_utf16.mp3
head -c 60 seeds/id3_title/v2.mp3 > seeds/id3_title/v2_cut.mp3

cp ../../data/snx.da0 seeds/parameters/shipped.da0
printf 'n\n/tmp/out/\n1\n../x/Classic01150040\ns\n7\ny\nFF"><x>\n000000\n2147483647\nY\n\nn' \
  > seeds/parameters/hostile_lf.da0
printf 'y\r\n\r\n3\r\nSlim01240024\r\nf\r\n-3\r\nn\r\nabc\r\n12\r\n  +42x\r\nn\r\ny\r\ny\r\nextra\r\n' \
  > seeds/parameters/fourteen_lines.da0
