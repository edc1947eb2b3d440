// The controllers' twins on the standards page: their buttons, the
// instruction letters, a blocked autoplay, a broken sound, and their look
// beside the controller itself in Ruffle.
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { test } = require('node:test');

const { toneStepsWav, runJob, writePreviewPage, servePage } = require('./lib/job.js');
const { launch, useBrowsers } = require('./lib/browsers.js');

const kHtml5Page = 4;
const kDeadlineMs = 10000;
// Button centres and the bar's size of each shipped controller's layout.
const kControllers = {
  Classic01150040: { size: [150, 40], play: [28, 16], pause: [75, 16], stop: [122, 16] },
  Deck01120060: { size: [120, 60], play: [60, 39] },
  Slim01240024: { size: [240, 24], play: [13, 12] },
};
// Share of pixels of a twin's screenshot that may differ from the
// controller's in Ruffle, and by how much a channel may differ before a pixel
// counts: edges are smoothed differently by the two renderers.
const kMostDifferingPixels = 0.01;
const kChannelTolerance = 16;

const browsers = useBrowsers(['chromium']);

// Waits until want(state) holds for the twin's state or the deadline passes;
// hands back the last state.
async function waitState(page, want) {
  await page.waitForFunction(`(${want})(window.twinState())`, null, { timeout: kDeadlineMs, polling: 100 })
    .catch(() => {});
  return page.evaluate(twinState);
}

// The twin's state, its bars' scales and the <audio> element's.
function twinState() {
  const audio = document.querySelector('audio');
  const svg = document.querySelector('svg[data-state]');
  const scale = (name) => Number(/scale\(([^ )]+)/
    .exec(svg.querySelector(`.snx-${name}`).getAttribute('transform'))[1]);
  const box = svg.getBoundingClientRect();
  return { state: svg.getAttribute('data-state'), loaded: scale('loaded'), played: scale('played'),
    paused: audio.paused, time: audio.currentTime, loop: audio.loop, ended: audio.ended, error: !!audio.error,
    plays: window.playsSettled,
    box: { x: box.x, y: box.y, width: box.width, height: box.height } };
}

// Counts the page's play() calls whose promise has settled, so that a test can
// wait for the outcome of a press.
function countPlays() {
  window.playsSettled = 0;
  const play = HTMLMediaElement.prototype.play;
  HTMLMediaElement.prototype.play = function () {
    const started = play.call(this);
    started.finally(() => { window.playsSettled += 1; }).catch(() => {});
    return started;
  };
}

// Tells the console the twin's state once the sound can play through and the
// page's own handlers of that event, which may start it, have run. Asking the page instead would
// count as a press: Puppeteer evaluates over BiDi with user activation, and
// so does Playwright in Chromium. Later asks are harmless: only a click on
// the twin plays.
function reportSettled() {
  document.addEventListener('canplaythrough', () => setTimeout(() => {
    console.log(`twin settled ${JSON.stringify(window.twinState())}`);
  }), { capture: true, once: true });
}

// A job's standards page and sound.
function html5Job(controllerName, instruction, tones) {
  return runJob(toneStepsWav(tones), { outputMode: 1, controllerName, instruction, pageFor: kHtml5Page });
}

// Serves job's page and opens it in a new page of browser, hands { page,
// settled } to body, settled resolving to the state reportSettled tells; page
// errors and console errors but those matching allowed fail the test.
async function withPage(browser, job, body, { allowed = null } = {}) {
  const serving = await servePage(job.folder, job.page);
  const page = await browser.newPage();
  const problems = [];
  const told = (m) => m.text().startsWith('twin settled ');
  const settled = page.waitForEvent('console', { predicate: told, timeout: kDeadlineMs })
    .then((m) => JSON.parse(m.text().slice('twin settled '.length)));
  settled.catch(() => {});
  try {
    page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
    page.on('console', (m) => m.type() === 'error' && problems.push(`console: ${m.text()}`));
    await page.addInitScript(`window.twinState = ${twinState}; (${countPlays})(); (${reportSettled})();`);
    await page.goto(serving.address);
    await body({ page, settled });
    assert.deepEqual(problems.filter((p) => !allowed || !allowed.test(p)), []);
  } finally {
    await page.close();
    await serving.stop();
  }
}

async function press(page, box, [x, y]) {
  await page.mouse.click(box.x + x, box.y + y, { delay: 60 });
}

// The twin's script is the same for every controller; only the layout differs.
test('the twin plays, pauses, resumes from the pause and stops back to the start', async () => {
  const at = kControllers.Classic01150040;
  await withPage(browsers.chromium, html5Job('Classic01150040', 'c', [300, 400, 500]), async ({ page, settled }) => {
    let state = await settled;
    const { box } = state;
    assert.deepEqual([state.state, state.paused, state.time, state.played], ['stopped', true, 0, 0]);
    assert.ok(state.loaded > 0, 'the loaded bar stays empty');

    await press(page, box, at.play);
    state = await waitState(page, (s) => s.time > 0.5 && s.state === 'playing');
    assert.ok(state.state === 'playing' && state.played > 0, `Play: ${JSON.stringify(state)}`);

    await press(page, box, at.pause);
    const paused = await waitState(page, (s) => s.paused && s.state === 'paused');
    assert.deepEqual([paused.state, paused.paused], ['paused', true], 'Pause');

    await press(page, box, at.play);
    const resumed = await waitState(page, (s) => !s.paused && s.state === 'playing');
    assert.equal(resumed.state, 'playing', 'Play after Pause did not play');
    assert.ok(resumed.time >= paused.time && resumed.time < paused.time + 1,
      `paused at ${paused.time} s, resumed at ${resumed.time} s`);

    await press(page, box, at.stop);
    state = await waitState(page, (s) => s.paused && s.state === 'stopped');
    assert.deepEqual([state.state, state.time, state.played], ['stopped', 0, 0], 'Stop');
  });
});

// c is as x: any letter but d, e and f.
const kInstructionRows = [
  { instruction: 'd', starts: false, loops: false },
  { instruction: 'e', starts: true, loops: true },
  { instruction: 'f', starts: true, loops: false },
  { instruction: 'x', starts: false, loops: true },
];

for (const { instruction, starts, loops } of kInstructionRows) {
  test(`instruction ${instruction}: the twin ${starts ? 'starts' : 'waits'} and the sound ${loops ? 'loops' : 'ends'}`,
    async () => {
      const job = html5Job('Slim01240024', instruction, [400, 800]);
      await withPage(browsers.chromium, job, async ({ page, settled }) => {
        const state = await settled;
        assert.deepEqual([state.state, state.loop], [starts ? 'playing' : 'stopped', loops]);
        if (!starts || loops) return;
        // Played once, the twin rests at the end, its bar full.
        const end = await waitState(page, (s) => s.state === 'ended');
        assert.deepEqual([end.state, end.played], ['ended', 1], JSON.stringify(end));
      });
    });
}

test('where autoplay is blocked, a playing instruction shows stopped and starts on a press', async () => {
  const blocked = await launch('chromium', process.env, { autoplay: false });
  try {
    await withPage(blocked, html5Job('Deck01120060', 'e', [400, 800, 400, 800]), async ({ page, settled }) => {
      const state = await settled;
      assert.deepEqual([state.state, state.paused], ['stopped', true]);
      await press(page, state.box, kControllers.Deck01120060.play);
      const started = await waitState(page, (s) => s.time > 0.5 && s.state === 'playing');
      assert.equal(started.state, 'playing', 'a press did not start it');
    });
  } finally {
    await blocked.close();
  }
});

test('a missing sound shows the element\'s error and leaves the twin stopped after Play', async () => {
  const job = html5Job('Classic01150040', 'e', [400, 800]);
  fs.rmSync(path.join(job.folder, `${job.base}.mp3`));
  await withPage(browsers.chromium, job, async ({ page }) => {
    const broken = await waitState(page, (s) => s.error);
    assert.ok(broken.error, 'the element shows no error');
    assert.deepEqual([broken.state, broken.played], ['stopped', 0]);
    await press(page, broken.box, kControllers.Classic01150040.play);
    const after = await waitState(page, `(s) => s.plays > ${broken.plays}`);
    assert.deepEqual([after.plays > broken.plays, after.state], [true, 'stopped'], 'after Play');
  }, { allowed: /404|Failed to load|NotSupportedError|no supported source/i });
});

// Share of pixels of two same-sized PNG screenshots whose channels differ by
// more than the tolerance, compared in the page.
function differingShare([first, second, tolerance]) {
  const pixels = (png) => new Promise((resolve, reject) => {
    const image = new Image();
    image.onload = () => {
      const canvas = document.createElement('canvas');
      canvas.width = image.width;
      canvas.height = image.height;
      const context = canvas.getContext('2d');
      context.drawImage(image, 0, 0);
      resolve(context.getImageData(0, 0, image.width, image.height).data);
    };
    image.onerror = reject;
    image.src = `data:image/png;base64,${png}`;
  });
  return Promise.all([pixels(first), pixels(second)]).then(([a, b]) => {
    let differing = 0;
    for (let i = 0; i < a.length; i += 4) {
      if ([0, 1, 2].some((c) => Math.abs(a[i + c] - b[i + c]) > tolerance)) differing += 1;
    }
    return differing / (a.length / 4);
  });
}

// Ruffle plays Flash in Chromium only in these tests. Ruffle draws the
// movie, and its hover look, a few frames later: compared again until they
// match or the deadline passes.
// With the pointer on Play, Pause and Stop show their idle look.
test('each twin looks like its controller in Ruffle, Play under the pointer and the other keys idle', async () => {
  const page = await browsers.chromium.newPage();
  const serving = await servePage(writePreviewPage('FFFFFF', '000000'), 'preview.htm');
  try {
    await page.addInitScript(() => { window.RufflePlayer = { config: { preferredRenderer: 'canvas' } }; });
    await page.goto(serving.address);
    const movies = page.locator('ruffle-embed, ruffle-object, ruffle-player');
    for (const [i, [name, at]] of Object.entries(kControllers).entries()) {
      const shot = async (element) => {
        await element.scrollIntoViewIfNeeded({ timeout: kDeadlineMs });
        const box = await element.boundingBox();
        await page.mouse.move(box.x + at.play[0], box.y + at.play[1]);
        const clip = { x: box.x, y: box.y, width: at.size[0], height: at.size[1] };
        return (await page.screenshot({ clip })).toString('base64');
      };
      const deadline = Date.now() + kDeadlineMs;
      let share = 1;
      while (share > kMostDifferingPixels && Date.now() < deadline) {
        const shots = [await shot(movies.nth(i)), await shot(page.locator(`svg.snx-${name}`))];
        share = await page.evaluate(differingShare, [...shots, kChannelTolerance]);
      }
      assert.ok(share <= kMostDifferingPixels, `${name}: ${(share * 100).toFixed(2)} % of pixels differ`);
    }
  } finally {
    await page.close();
    await serving.stop();
  }
});
