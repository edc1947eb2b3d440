// Flash pages of real jobs, served as a user gets them and played by Ruffle in
// headless Chromium: what reaches Web Audio, and what the controller's
// buttons do.
'use strict';

const assert = require('node:assert/strict');
const { test } = require('node:test');
const { launch, useBrowsers } = require('./lib/browsers.js');
const { toneStepsWav, runJob, servePage } = require('./lib/job.js');

const browsers = useBrowsers(['chromium']);

// A buffer whose peak stays below this is one of Ruffle's silent fillers.
const kSilentPeak = 0.01;
const kDeadlineMs = 10000;

// Runs in the page before its own scripts: notes every buffer of sound
// handed to Web Audio, with its peak and the frequency it reads as.
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
  const holds = `(${fn})(window.__sound.filter((b) => b.at >= ${fromMs}), ${JSON.stringify(arg)})`;
  return page.waitForFunction(holds, null, { timeout: kDeadlineMs, polling: 100 }).then(() => true, () => false);
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

// One tone a second, rising, so that a skip or a restart shows as a step back.
const kTwoTones = [300, 900];
const kSixTones = [300, 450, 600, 750, 900, 1050];

// Classic's buttons, and a pixel near each end of its bar with the colours
// of its loaded and played parts.
const kClassic = {
  play: { x: 28, y: 16 }, pause: { x: 75, y: 16 }, stop: { x: 122, y: 16 }, bar: [[8, 33], [142, 33]],
};
const kLoaded = '4a5561';
const kPlayed = '7fb2e5';

// Every tone in order: the steps only go up, apart from a one-step wobble
// where a buffer straddles two tones.
function assertInOrder(steps, label) {
  assert.deepEqual([firstTone(steps), Math.max(...steps)], [0, kTwoTones.length - 1],
    `${label}: incomplete play: ${steps}`);
  assert.ok(steps.every((t, i) => t >= Math.max(...steps.slice(0, i + 1)) - 1), `${label}: skipped back: ${steps}`);
}

const kInstructionRows = [
  { instruction: 'e', goesRound: true },
  { instruction: 'f', goesRound: false },
];

for (const { instruction, goesRound } of kInstructionRows) {
  const then = goesRound ? 'goes round' : 'ends';
  test(`instruction ${instruction} plays the tones in order at once and ${then}`, async () => {
    const job = runJob(toneStepsWav(kTwoTones), { outputMode: 1, instruction });
    await withPage(browsers.chromium, await servePage(job.folder, job.page), async ({ page }) => {
      assert.ok(await waitForSound(page, 0), 'no sound');
      // Until the audio clock is two seconds past the end of the first play.
      const past = (buffers) => {
        const sounding = buffers.filter((b) => b.peak >= 0.01);
        const last = buffers.at(-1);
        return sounding.length > 0 && last.when > sounding[0].when + 4;
      };
      assert.ok(await waitForBuffers(page, 0, past), 'the audio clock stopped');
      const runs = soundRuns(await sound(page));
      assertInOrder(stepsOf(runs[0], kTwoTones), instruction);
      if (!goesRound) assert.equal(runs.length, 1, 'played again');
      else assert.equal(firstTone(stepsOf(runs[1], kTwoTones)), 0, 'did not start again at the start');
    });
  });
}

test('Classic waits for Play; Pause silences it and Play resumes; Stop silences it and rewinds', async () => {
  const job = runJob(toneStepsWav(kSixTones), { outputMode: 1, controllerName: 'Classic01150040', instruction: 'c' });
  await withPage(browsers.chromium, await servePage(job.folder, job.page), async ({ page, element }) => {
    const click = async (button) => {
      await element.click({ position: kClassic[button], delay: 80 });
      return page.evaluate(() => performance.now());
    };
    const barShows = (colours) => waitForColours(page, kClassic.bar, colours);
    // Buffers already mixed when a button is pressed may still sound briefly;
    // then a second of buffers, all silent.
    const silentAfter = async (clickedAt) => {
      const aSecond = (buffers) => buffers.reduce((total, b) => total + b.duration, 0) >= 1;
      assert.ok(await waitForBuffers(page, clickedAt + 600, aSecond), 'the audio clock stopped');
      return (await sound(page, clickedAt + 600)).length === 0;
    };
    const runSince = async (fromMs, seconds) => {
      assert.ok(await waitForSound(page, fromMs, seconds), `no ${seconds} s of sound`);
      return stepsOf(soundRuns(await sound(page, fromMs))[0], kSixTones);
    };

    // Stopped, the stream still loads: the bar shows it loaded, none played.
    assert.deepEqual(await barShows([kLoaded, kLoaded]), [kLoaded, kLoaded]);
    assert.equal((await sound(page)).length, 0, 'sound before Play');
    const played = await click('play');
    const beforePause = await runSince(played, 2);
    assert.deepEqual(await barShows([kPlayed, kLoaded]), [kPlayed, kLoaded], 'the bar shows no playing position');
    assert.ok(await silentAfter(await click('pause')), 'Pause did not silence the sound');

    const afterResume = await runSince(await click('play'), 1);
    // The pause point was past the first tones; resuming does not start over.
    assert.ok(firstTone(afterResume) >= Math.max(...beforePause) - 1,
      `resumed at ${afterResume} after pausing at ${Math.max(...beforePause)}`);

    assert.ok(await silentAfter(await click('stop')), 'Stop did not silence the sound');
    assert.deepEqual(await barShows([kLoaded, kLoaded]), [kLoaded, kLoaded], 'Stop did not return to the start');
  }, { ruffleConfig: { preferredRenderer: 'canvas' } });
});

for (const act of ['click', 'key']) {
  test(`where sound waits for the visitor, a bare page says so and a ${act} starts it`, async () => {
    const blocking = await launch('chromium', process.env, { autoplay: false });
    const job = runJob(toneStepsWav(kTwoTones), { outputMode: 2 });
    const serving = await servePage(job.folder, job.page);
    try {
      const page = await blocking.newPage();
      // Nothing evaluated in the page before the player made its audio (it
      // does so before it asks for the movie): an evaluation counts as the
      // visitor acting.
      await page.addInitScript(pageHooks, null);
      const movieAsked = page.waitForRequest((r) => r.url().endsWith(`${job.base}s.swf`),
        { timeout: kDeadlineMs });
      await page.goto(serving.address);
      await movieAsked;
      const note = page.getByText('Click anywhere or press a key to start the sound.');
      await note.waitFor({ timeout: kDeadlineMs });
      if (act === 'click') await page.mouse.click(300, 300);
      else await page.keyboard.press('Space');
      assert.ok(await waitForSound(page, 0), `a ${act} gave no sound`);
      await note.waitFor({ state: 'detached', timeout: kDeadlineMs });
    } finally {
      await serving.stop();
      await blocking.close();
    }
  });
}
