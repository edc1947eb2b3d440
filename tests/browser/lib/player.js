// Opens Flash pages played by Ruffle in headless Chromium, records every
// buffer of sound handed to Web Audio, and reads the buffers back as a
// sequence of tone steps.
'use strict';

const assert = require('node:assert/strict');

// A buffer whose peak stays below this is one of Ruffle's silent fillers.
const kSilentPeak = 0.01;
const kDeadlineMs = 10000;

// Runs in the page before its own scripts.
function pageHooks(ruffleConfig) {
  if (ruffleConfig) window.RufflePlayer = { config: ruffleConfig };
  window.__sound = [];
  const start = AudioBufferSourceNode.prototype.start;
  AudioBufferSourceNode.prototype.start = function (when, ...rest) {
    const { duration } = this.buffer;
    const data = this.buffer.getChannelData(0);
    const peak = data.reduce((most, v) => Math.max(most, Math.abs(v)), 0);
    const crossings = data.filter((v, i) => (v >= 0) !== ((i ? data[i - 1] : 0) >= 0)).length;
    window.__sound.push({ at: performance.now(), when: when || this.context.currentTime, duration, peak,
      frequency: crossings / 2 / duration });
    return start.call(this, when, ...rest);
  };
}

// Opens the page of serving in a new tab and hands body { page, element } once
// Ruffle runs the movie (it then schedules buffers, silent or not, without
// pause). Page errors, console errors and failed answers, but those matching
// allowed, fail the test. Closes the page and stops serving.
async function withPage(context, serving, body, { allowed = null, ruffleConfig = null } = {}) {
  const page = await context.newPage();
  try {
    const problems = [];
    page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
    page.on('console', (m) => {
      // Failed requests are told below, with their address.
      if (/^Failed to load resource/.test(m.text())) return;
      if (m.type() === 'error' || /panic/i.test(m.text())) problems.push(`console ${m.type()}: ${m.text()}`);
    });
    page.on('response', (r) => r.status() >= 400 && !r.url().endsWith('/favicon.ico')
      && problems.push(`status of ${r.status()} for ${r.url()}`));
    await page.addInitScript(pageHooks, ruffleConfig);
    await page.goto(serving.address);
    await page.waitForFunction(() => window.__sound.length > 0, null, { timeout: kDeadlineMs });
    await body({ page, element: page.locator('ruffle-object, ruffle-embed, ruffle-player').first() });
    assert.deepEqual(problems.filter((p) => !allowed || !allowed.test(p)), []);
  } finally {
    await page.close();
    await serving.stop();
  }
}

// Buffers with sound scheduled at or after fromMs of the page clock.
async function sound(page, fromMs = 0) {
  return (await page.evaluate(() => window.__sound)).filter((b) => b.peak >= kSilentPeak && b.at >= fromMs);
}

// Resolves to true once fn(buffers, arg) holds for the buffers scheduled
// (silent or not) at or after fromMs, false after the deadline.
function waitForBuffers(page, fromMs, fn, arg = null) {
  const holds = ([from, body, a]) => new Function('buffers', 'arg', `return (${body})(buffers, arg);`)(
    window.__sound.filter((b) => b.at >= from), a);
  return page.waitForFunction(holds, [fromMs, fn.toString(), arg], { timeout: kDeadlineMs, polling: 100 })
    .then(() => true, () => false);
}

// Waits until seconds of sound have been scheduled since fromMs.
function waitForSound(page, fromMs, seconds = 0.01) {
  return waitForBuffers(page, fromMs, (buffers, [least, wanted]) => buffers.filter((b) => b.peak >= least)
    .reduce((total, b) => total + b.duration, 0) >= wanted, [kSilentPeak, seconds]);
}

// Groups sounding buffers (sorted by audio time) into runs with no silence
// longer than maxGap seconds inside.
function soundRuns(buffers, maxGap = 0.3) {
  const runs = [];
  for (const b of [...buffers].sort((x, y) => x.when - y.when)) {
    if (!runs.length || b.when - runs.at(-1).end > maxGap) runs.push({ start: b.when, end: b.when, buffers: [] });
    const run = runs.at(-1);
    run.buffers.push(b);
    run.end = Math.max(run.end, b.when + b.duration);
  }
  return runs;
}

// The index of the nearest tone for each buffer of a run. The first and the
// last buffer are left out: part silence, their zero crossings read low.
function stepsOf(run, tones) {
  const distance = (b, i) => Math.abs(b.frequency - tones[i]);
  return run.buffers.slice(1, -1)
    .map((b) => tones.reduce((best, _, i) => (distance(b, i) < distance(b, best) ? i : best), 0));
}

// The tone a run of steps starts with: the most common of its first five, as
// the click where sound starts can make a short buffer read one tone high.
function firstTone(steps) {
  const first = steps.slice(0, 5);
  const count = (tone) => first.filter((t) => t === tone).length;
  return first.reduce((best, t) => (count(t) > count(best) ? t : best), first[0]);
}

// Colours ("rrggbb") of the first player's canvas at pixels of its element.
function coloursAt(points) {
  const host = document.querySelector('ruffle-object, ruffle-embed, ruffle-player');
  const canvas = host.shadowRoot.querySelector('canvas');
  const scale = canvas.width / canvas.getBoundingClientRect().width;
  const context = canvas.getContext('2d');
  return points.map(([x, y]) => {
    const d = context.getImageData(Math.round(x * scale), Math.round(y * scale), 1, 1).data;
    return Array.from(d.slice(0, 3), (v) => v.toString(16).padStart(2, '0')).join('');
  });
}

// Waits until the pixels show colours; hands back what they show.
async function waitForColours(page, points, colours) {
  const shown = ([body, pts, want]) => new Function(`return (${body})(arguments[0]);`)(pts).join() === want.join();
  await page.waitForFunction(shown, [coloursAt.toString(), points, colours], { timeout: kDeadlineMs, polling: 100 })
    .catch(() => {});
  return page.evaluate(coloursAt, points);
}

module.exports = { kDeadlineMs, pageHooks, withPage, sound, waitForBuffers, waitForSound, soundRuns,
  stepsOf, firstTone, waitForColours };
