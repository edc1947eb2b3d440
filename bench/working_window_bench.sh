#!/usr/bin/env bash
# The cost of running a job in the desktop program's working window: a
# 10-minute WAV through the window (offscreen, pumping Qt's event loop after
# every unit of work) against sonaflux-cli --yes on the same input, in paired
# runs that alternate the order. Prints medians and min-max in seconds, of
# wall time and of processor time (user + system), which a busy machine
# disturbs less.
#
#   bench/working_window_bench.sh [BUILD_DIR]     (PAIRS=5 for more runs)
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(realpath "${1:-build}")"
pairs="${PAIRS:-3}"
work="$build/bench-work"
mkdir -p "$work"
cli="$build/bin/sonaflux-cli"
gui="$build/bench/working_window_bench"

[ -f "$work/tune.wav" ] || bash scripts/make_demo_input.sh "$work/tune.wav"
seconds=$(soxi -D "$work/tune.wav")
[ -f "$work/wav10.wav" ] || sox "$work/tune.wav" "$work/wav10.wav" repeat "$(python3 -c "import math;print(math.ceil(600/$seconds)-1)")" trim 0 600
input="$work/wav10.wav"

# Both front ends run from one program folder of their own.
program="$work/window-program"
rm -rf "$program" && mkdir -p "$program"
cp -r "$build/bin/." "$program/"
cp data/snx.da0 "$program/snx.da0"

run_cli() {
  rm -rf "$work/out" && mkdir -p "$work/out"
  /usr/bin/time -f "%e %U %S" -o "$work/time.out" "$program/sonaflux-cli" --yes --title bench --output-folder "$work/out/" "$input" >/dev/null 2>&1
  echo "$(cat "$work/time.out") - - - -"
}
run_window() {
  rm -rf "$work/out" && mkdir -p "$work/out"
  local job
  job=$(/usr/bin/time -f "%e %U %S" -o "$work/time.out" "$gui" "$program/" "$input" "$work/out/" 2>/dev/null)
  echo "$(cat "$work/time.out") $job"
}

results="$work/window-results.tsv"
: > "$results"
for ((i = 1; i <= pairs; i++)); do
  if ((i % 2)); then
    echo -e "cli\t$(run_cli)" >> "$results"
    echo -e "window\t$(run_window)" >> "$results"
  else
    echo -e "window\t$(run_window)" >> "$results"
    echo -e "cli\t$(run_cli)" >> "$results"
  fi
done

python3 - "$results" <<'PY'
import sys, statistics, collections
wall = collections.defaultdict(list)
cpu = collections.defaultdict(list)
jobs = []
for line in open(sys.argv[1]):
    tool, measure = line.rstrip("\n").split("\t")
    w, user, system, job_wall, job_cpu, pumps, pump_us = measure.split()
    wall[tool].append(float(w))
    cpu[tool].append(float(user) + float(system))
    if job_wall != "-":
        wall["job"].append(float(job_wall))
        cpu["job"].append(float(job_cpu))
        jobs.append((int(pumps), float(pump_us)))
def show(name, xs):
    print(f"{name:34s} median {statistics.median(xs):7.2f}  min-max {min(xs):.2f}-{max(xs):.2f}  ({len(xs)} runs)")
show("sonaflux-cli wall", wall["cli"])
show("working window wall", wall["window"])
show("working window wall, job only", wall["job"])
show("sonaflux-cli processor", cpu["cli"])
show("working window processor", cpu["window"])
show("working window processor, job only", cpu["job"])
pumps = statistics.median(p for p, _ in jobs)
pump_us = statistics.median(u for _, u in jobs)
print(f"pumps per job: {pumps:.0f}; one idle pump: {pump_us:.2f} us of processor time,"
      f" {pumps * pump_us / 1e6:.3f} s a job = {100 * pumps * pump_us / 1e6 / statistics.median(cpu['cli']):.1f} %"
      " of the command line's processor time")
for name, runs in (("wall", wall), ("processor", cpu)):
    for of in ("window", "job"):
        print(f"{of} / cli, {name}: {statistics.median(runs[of]) / statistics.median(runs['cli']):.3f}")
PY
