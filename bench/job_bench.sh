#!/usr/bin/env bash
# Whole-job benchmark: sonaflux-cli against ffmpeg (and, for MP3 input, the
# lame command-line encoder) at the same LAME algorithm quality, in paired
# runs that alternate the tools, plus the decode+encode floor of the
# plug-ins. Prints medians and min-max of wall time, of the ratio to ffmpeg,
# median user and system time, and peak memory (GNU time). On a busy machine
# the wall times say little; the load average before each run is kept in
# the results file.
#
#   bench/job_bench.sh [BUILD_DIR]        (after a build; takes a few minutes)
#   PAIRS=5 LONG_PAIRS=3 QUALITY=Q INPUTS="mp3-10.mp3" bench/job_bench.sh
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(realpath "${1:-build}")"
pairs="${PAIRS:-3}"
long_pairs="${LONG_PAIRS:-2}"
# The algorithm quality the encoder plug-in uses (see codecs/lame_enc.cpp).
quality="${QUALITY:-$(grep -oE 'kVeryHighQualityAlgorithm = [0-9]+' codecs/lame_enc.cpp | grep -oE '[0-9]+$')}"
work="$build/bench-work"
mkdir -p "$work"
cli="$build/bin/sonaflux-cli"
floor="$build/bench/pipeline_floor"

make_inputs() {
  [ -f "$work/tune.wav" ] || bash scripts/make_demo_input.sh "$work/tune.wav"
  local seconds
  seconds=$(soxi -D "$work/tune.wav")
  [ -f "$work/wav10.wav" ] || sox "$work/tune.wav" "$work/wav10.wav" repeat "$(python3 -c "import math;print(math.ceil(600/$seconds)-1)")" trim 0 600
  [ -f "$work/wav60.wav" ] || sox "$work/wav10.wav" "$work/wav60.wav" repeat 5
  [ -f "$work/mp3-10.mp3" ] || lame --quiet -b 128 "$work/wav10.wav" "$work/mp3-10.mp3"
  [ -f "$work/mp3-60.mp3" ] || lame --quiet -b 128 "$work/wav60.wav" "$work/mp3-60.mp3"
}

# Runs a command under GNU time; prints "seconds peak-KiB user system load".
timed() {
  local load
  load=$(cut -d' ' -f1 /proc/loadavg)
  /usr/bin/time -f "%e %M %U %S" -o "$work/time.out" "$@" >/dev/null 2>&1
  echo "$(cat "$work/time.out") $load"
}

run_cli() {
  rm -rf "$work/out" && mkdir -p "$work/out"
  timed "$cli" --yes --title bench --output-folder "$work/out" "$1"
}
run_ffmpeg() {
  timed ffmpeg -nostdin -y -v error -i "$1" -ac 1 -ar 22050 -c:a libmp3lame -compression_level "$quality" -b:a 24k "$work/ffmpeg.swf"
}
run_lame() {
  timed lame --quiet --mp3input -m m -b 24 --cbr --resample 22.05 -q "$quality" "$1" "$work/lame.mp3"
}
run_floor() {
  timed "$floor" "$build/bin" "$1"
}

make_inputs
results="$work/results.tsv"
: > "$results"
for input in ${INPUTS:-wav10.wav mp3-10.mp3 wav60.wav mp3-60.mp3}; do
  n=$pairs
  case "$input" in *60*) n=$long_pairs ;; esac
  for ((i = 1; i <= n; i++)); do
    # Alternate which tool goes first, so that neither always runs on a warm cache.
    if ((i % 2)); then
      echo -e "$input\tcli\t$(run_cli "$work/$input")" >> "$results"
      echo -e "$input\tffmpeg\t$(run_ffmpeg "$work/$input")" >> "$results"
    else
      echo -e "$input\tffmpeg\t$(run_ffmpeg "$work/$input")" >> "$results"
      echo -e "$input\tcli\t$(run_cli "$work/$input")" >> "$results"
    fi
    case "$input" in *.mp3) echo -e "$input\tlame\t$(run_lame "$work/$input")" >> "$results" ;; esac
    echo -e "$input\tfloor\t$(run_floor "$work/$input")" >> "$results"
  done
done

python3 - "$results" "$quality" <<'PY'
import sys, statistics, collections
rows = [l.rstrip("\n").split("\t") for l in open(sys.argv[1]) if l.strip()]
runs = collections.defaultdict(list)
cpu = collections.defaultdict(list)
loads = []
for inp, tool, measure in rows:
    t, kib, user, system, load = measure.split()
    runs[(inp, tool)].append((float(t), int(kib)))
    cpu[(inp, tool)].append((float(user), float(system)))
    loads.append(float(load))
print(f"LAME algorithm quality {sys.argv[2]}; times in seconds (median, min-max); peak memory in MiB")
print(f"load average before the runs: {min(loads):.2f}-{max(loads):.2f}")
print(f"{'input':12} {'tool':7} {'time':>8} {'min-max':>15} {'ratio to ffmpeg':>24} {'user':>6} {'system':>6} {'peak MiB':>9}")
for inp in ["wav10.wav", "mp3-10.mp3", "wav60.wav", "mp3-60.mp3"]:
    ff = [t for t, _ in runs.get((inp, "ffmpeg"), [])]
    for tool in ["cli", "ffmpeg", "lame", "floor"]:
        r = runs.get((inp, tool))
        if not r:
            continue
        ts = [t for t, _ in r]
        ratio = ""
        if tool != "ffmpeg" and len(ff) == len(ts):
            rs = [a / b for a, b in zip(ts, ff)]
            ratio = f"{statistics.median(rs):.3f} ({min(rs):.3f}-{max(rs):.3f})"
        mem = max(k for _, k in r) / 1024
        user = statistics.median(u for u, _ in cpu[(inp, tool)])
        system = statistics.median(s for _, s in cpu[(inp, tool)])
        print(f"{inp:12} {tool:7} {statistics.median(ts):8.2f} {min(ts):7.2f}-{max(ts):<7.2f} {ratio:>24} "
              f"{user:6.2f} {system:6.2f} {mem:9.1f}")
for tool in ["cli", "ffmpeg", "floor"]:
    for short, long in [("wav10.wav", "wav60.wav"), ("mp3-10.mp3", "mp3-60.mp3")]:
        a, b = runs.get((short, tool)), runs.get((long, tool))
        kind = short[:3]
        if a and b:
            ra = statistics.median(t for t, _ in a)
            rb = statistics.median(t for t, _ in b)
            print(f"60-minute / 10-minute time, {kind} {tool}: {rb / ra:.2f}x")
PY
