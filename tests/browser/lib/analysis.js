// Reads the recorded buffers as a sequence of tone steps.
'use strict';

/// Groups sounding buffers (sorted by audio time) into runs with no silence
/// longer than maxGap seconds inside.
function soundRuns(buffers, maxGap = 0.3) {
  const sorted = [...buffers].sort((a, b) => a.when - b.when);
  const runs = [];
  for (const b of sorted) {
    const run = runs[runs.length - 1];
    if (run && b.when - run.end <= maxGap) {
      run.buffers.push(b);
      run.end = Math.max(run.end, b.when + b.duration);
    } else {
      runs.push({ start: b.when, end: b.when + b.duration, buffers: [b] });
    }
  }
  return runs;
}

/// The index of the nearest tone of `frequencies` for each buffer of a run.
/// Quiet buffers, where a tone fades in after silence, are left out: their
/// zero crossings say little about the tone.
function stepsOf(run, frequencies) {
  const loudest = Math.max(0, ...run.buffers.map((b) => b.peak));
  return run.buffers.filter((b) => b.peak >= loudest / 2).map((b) => {
    let best = 0;
    frequencies.forEach((f, i) => {
      if (Math.abs(b.frequency - f) < Math.abs(b.frequency - frequencies[best])) best = i;
    });
    return best;
  });
}

/// True when the steps only go up, apart from a one-step wobble where a
/// buffer straddles two tones: a restart would fall back further.
function risesWithoutRestart(steps) {
  let highest = -1;
  for (const s of steps) {
    if (s < highest - 1) return false;
    highest = Math.max(highest, s);
  }
  return true;
}

module.exports = { soundRuns, stepsOf, risesWithoutRestart };
