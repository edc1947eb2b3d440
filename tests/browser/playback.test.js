// Plays the pages of real conversion jobs in headless Chromium with Ruffle
// and checks what reaches Web Audio.
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { test, before, after } = require('node:test');

const {
  toneStepsWav, runJob, makeTempFolder, removeTempFolders, programFolder, writePreviewPage,
} = require('./lib/job.js');
const { serveFolder } = require('./lib/server.js');
const player = require('./lib/player.js');
const { soundRuns, stepsOf, risesWithoutRestart } = require('./lib/analysis.js');

// One tone a second, rising, so that a skip or a restart shows as a step back.
const kSixTones = [300, 450, 600, 750, 900, 1050];
const kThreeTones = [300, 600, 900];
const kEightTones = [300, 400, 500, 600, 700, 800, 900, 1000];

// Classic01150040's bar: a pixel near each end, and the colours of the
// loaded and played parts.
const kClassicBarEnds = [[8, 33], [142, 33]];
const kClassicLoaded = '4a5561';
const kClassicPlayed = '7fb2e5';

// Button centres in pixels of each shipped controller's layout.
const kButtons = {
  Classic01150040: { play: [28, 16], pause: [75, 16], stop: [122, 16] },
  Slim01240024: { play: [13, 12], pause: [34, 12], stop: [55, 12] },
  Deck01120060: { play: [60, 39], pause: [24, 39], stop: [96, 39] },
};

let browser;

before(async () => {
  programFolder();
  browser = await player.launchBrowser(makeTempFolder('chromium'));
});

after(async () => {
  if (browser) await browser.close();
  removeTempFolders();
});

/// Converts the tones with the settings, serves the output folder and opens
/// the page; body gets { page, element, problems, ready } and the server.
async function withJobPage(frequencies, settings, body) {
  const job = runJob(toneStepsWav(frequencies, 1.0), settings);
  const server = await serveFolder(job.folder);
  const { page, problems } = await player.openPage(browser, server.url + job.page);
  try {
    const element = await player.waitForPlayer(page);
    const ready = await player.now(page);
    await body({ page, element, problems, ready, server, job });
  } finally {
    await page.close();
    await server.close();
  }
}

async function waitForSound(page, fromMs, timeoutMs) {
  const deadline = Date.now() + timeoutMs;
  while (Date.now() < deadline) {
    if ((await player.soundBetween(page, fromMs)).length > 0) return true;
    await page.waitForTimeout(200);
  }
  return false;
}

// Bare output that plays once (mode 3) is not tested for stopping: the page
// says loop=false, but Ruffle does not read the page's loop parameter and a
// bare stream loops there regardless.
test('bare output plays the stream from the page without a click', { timeout: 60000 }, async () => {
  await withJobPage(kThreeTones, { outputMode: 2 }, async ({ page, ready, problems }) => {
    assert.ok(await waitForSound(page, ready, 10000), 'no sound within 10 s');
    await page.waitForTimeout(4000);
    const steps = stepsOf(soundRuns(await player.allSound(page))[0], kThreeTones);
    assert.deepEqual([steps[0], Math.max(...steps)], [0, kThreeTones.length - 1], `incomplete play: ${steps}`);
    assert.ok(risesWithoutRestart(steps), `the play skipped back: ${steps}`);
    assert.deepEqual(problems, []);
  });
});

test('instruction e plays at once, through without gaps, and again from the start', { timeout: 90000 },
  async () => {
    await withJobPage(kSixTones, { outputMode: 1, instruction: 'e' }, async ({ page, ready, problems }) => {
      assert.ok(await waitForSound(page, ready, 6000), 'no sound without a click');
      await page.waitForTimeout(10000);
      const runs = soundRuns(await player.allSound(page));
      const first = stepsOf(runs[0], kSixTones);
      // The whole input in one run: no silence over 0.3 s, every tone in order.
      assert.equal(first[0], 0, 'first play did not start with the first tone');
      assert.equal(Math.max(...first), kSixTones.length - 1, `first play stopped early: ${first}`);
      assert.ok(risesWithoutRestart(first), `first play skipped back: ${first}`);
      const length = runs[0].end - runs[0].start;
      assert.ok(length > 5.5 && length < 7.5, `first play lasted ${length.toFixed(2)} s`);
      assert.ok(runs.length >= 2, `expected the sound to start again, saw ${runs.length} run(s)`);
      assert.equal(stepsOf(runs[1], kSixTones)[0], 0, 'the loop did not start from the beginning');
      assert.deepEqual(problems, []);
    });
  });

test('instruction f plays the sound once and then stays silent', { timeout: 90000 }, async () => {
  await withJobPage(kThreeTones, { outputMode: 1, instruction: 'f' }, async ({ page, ready, problems }) => {
    assert.ok(await waitForSound(page, ready, 6000), 'no sound without a click');
    await page.waitForTimeout(9000);
    const runs = soundRuns(await player.allSound(page));
    assert.equal(runs.length, 1, `expected one play, saw ${runs.length} runs`);
    const steps = stepsOf(runs[0], kThreeTones);
    assert.equal(steps[0], 0);
    assert.equal(Math.max(...steps), kThreeTones.length - 1, `the play stopped early: ${steps}`);
    assert.ok(risesWithoutRestart(steps), `the play skipped back: ${steps}`);
    const audioNow = await page.evaluate(() => window.__sound[window.__sound.length - 1].when);
    assert.ok(audioNow - runs[0].end > 4, 'not enough silence observed after the play');
    assert.deepEqual(problems, []);
  });
});

test('instruction c waits for Play; Pause and Stop silence it; Play resumes', { timeout: 120000 }, async () => {
  const at = kButtons.Classic01150040;
  await withJobPage(kEightTones, { outputMode: 1, instruction: 'c' }, async ({ page, element, ready, problems }) => {
    await page.waitForTimeout(4000);
    assert.equal((await player.soundBetween(page, ready)).length, 0, 'sound before Play');
    // Stopped, the stream still loads: the bar shows it loaded, none played.
    assert.deepEqual(await player.coloursAt(page, element, kClassicBarEnds), [kClassicLoaded, kClassicLoaded]);

    const click = async (button) => {
      await player.clickAt(page, element, ...at[button]);
      return player.now(page);
    };
    // Buffers already mixed when a button is pressed may still sound briefly.
    const kSettleMs = 600;
    const silentAfter = async (clickedAt) => {
      await page.waitForTimeout(2500);
      return (await player.soundBetween(page, clickedAt + kSettleMs)).length === 0;
    };
    const stepsSince = async (fromMs) => stepsOf({ buffers: await player.soundBetween(page, fromMs) }, kEightTones);

    const played = await click('play');
    assert.ok(await waitForSound(page, played, 4000), 'Play gave no sound');
    await page.waitForTimeout(2500);
    assert.deepEqual(await player.coloursAt(page, element, kClassicBarEnds), [kClassicPlayed, kClassicLoaded],
      'the bar does not show the playing position');
    const beforePause = await stepsSince(played);
    const paused = await click('pause');
    assert.ok(await silentAfter(paused), 'Pause did not silence the sound');

    const resumed = await click('play');
    assert.ok(await waitForSound(page, resumed, 4000), 'Play after Pause gave no sound');
    await page.waitForTimeout(1500);
    const afterResume = await stepsSince(resumed);
    // The pause point was past the first tones; resuming does not start over.
    assert.ok(afterResume[0] >= Math.max(...beforePause) - 1,
      `resumed at tone ${afterResume[0]} after pausing at ${Math.max(...beforePause)}`);

    const stopped = await click('stop');
    assert.ok(await silentAfter(stopped), 'Stop did not silence the sound');
    assert.deepEqual(await player.coloursAt(page, element, kClassicBarEnds), [kClassicLoaded, kClassicLoaded],
      'Stop did not return the position to the start');
    const restarted = await click('play');
    assert.ok(await waitForSound(page, restarted, 4000), 'Play after Stop gave no sound');
    await page.waitForTimeout(1000);
    assert.equal((await stepsSince(restarted))[0], 0, 'Play after Stop did not start from the beginning');
    assert.deepEqual(problems, []);
  });
});

test('every shipped controller starts the stream with its Play button', { timeout: 180000 }, async () => {
  for (const [controllerName, at] of Object.entries(kButtons)) {
    if (controllerName === 'Classic01150040') continue;  // covered above
    await withJobPage(kThreeTones, { outputMode: 1, controllerName, instruction: 'c' },
      async ({ page, element, ready, problems }) => {
        await page.waitForTimeout(3000);
        assert.equal((await player.soundBetween(page, ready)).length, 0, `${controllerName}: sound before Play`);
        await player.clickAt(page, element, ...at.play);
        assert.ok(await waitForSound(page, ready, 5000), `${controllerName}: Play gave no sound`);
        assert.deepEqual(problems, []);
      });
  }
});

test('the preview page shows every shipped controller, each loading and responding', { timeout: 90000 }, async () => {
  const folder = writePreviewPage('0A0B0C', 'FFFF00');
  const names = Object.keys(kButtons).sort();

  const server = await serveFolder(folder);
  const { page, problems } = await player.openPage(browser, `${server.url}preview.htm`);
  try {
    await player.waitForPlayer(page);
    const elements = page.locator('ruffle-embed, ruffle-object, ruffle-player');
    await page.waitForTimeout(3000);
    assert.equal(await elements.count(), names.length);
    assert.equal(await page.evaluate(() => getComputedStyle(document.body).backgroundColor), 'rgb(10, 11, 12)');
    for (let i = 0; i < names.length; i++) {
      const element = elements.nth(i);
      const at = kButtons[names[i]];
      await page.mouse.move(0, 0);
      await page.waitForTimeout(300);
      const idle = await element.screenshot();
      const box = await element.boundingBox();
      const code = names[i].slice(-8);
      assert.deepEqual([Math.round(box.width), Math.round(box.height)],
        [Number(code.slice(2, 5)), Number(code.slice(5, 8))], `${names[i]}: size on the page`);
      await page.mouse.move(box.x + at.play[0], box.y + at.play[1]);
      await page.waitForTimeout(300);
      const hovered = await element.screenshot();
      assert.ok(!idle.equals(hovered), `${names[i]}: Play shows no hover look`);
      for (const button of ['play', 'pause', 'stop', 'play']) await player.clickAt(page, element, ...at[button]);
    }
    await page.waitForTimeout(1500);
    // Each controller asked for its stream (the name with the letter before
    // ".swf" replaced by "s"), which is not there.
    for (const name of names) {
      const expected = `/${name.slice(0, -1)}s.swf`;
      assert.ok(server.requests.some((r) => r.url === expected), `${name} did not request ${expected}`);
    }
    const unexpected = problems.filter((p) => !/status of 404/.test(p));
    assert.deepEqual(unexpected, []);
  } finally {
    await page.close();
    await server.close();
  }
});
