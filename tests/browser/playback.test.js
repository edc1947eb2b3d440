// Flash pages of real jobs, served as a user gets them and played by Ruffle in
// headless Chromium: what reaches Web Audio, and what the controllers' buttons
// do.
'use strict';

const assert = require('node:assert/strict');
const { test } = require('node:test');
const { chromium: browsers } = require('playwright-core');

const {
  toneStepsWav, jobCommand, runJob, makeTempFolder, writePreviewPage, startServing, servePage,
} = require('./lib/job.js');
const player = require('./lib/player.js');

const chromium = player.useBrowser();

// One tone a second, rising, so that a skip or a restart shows as a step back.
const kSixTones = [300, 450, 600, 750, 900, 1050];
const kEightTones = [300, 400, 500, 600, 700, 800, 900, 1000];

// Button centres in pixels of each shipped controller's layout; Classic's bar
// with a pixel near each end, and the colours of its loaded and played parts.
const kControllers = {
  Classic01150040: {
    play: { x: 28, y: 16 }, pause: { x: 75, y: 16 }, stop: { x: 122, y: 16 }, bar: [[8, 33], [142, 33]],
  },
  Deck01120060: { play: { x: 60, y: 39 }, pause: { x: 24, y: 39 }, stop: { x: 96, y: 39 } },
  Slim01240024: { play: { x: 13, y: 12 }, pause: { x: 34, y: 12 }, stop: { x: 55, y: 12 } },
};
const kLoaded = '4a5561';
const kPlayed = '7fb2e5';
// Ruffle's canvas renderer: the bar's pixels can be read, and in headless
// Chromium only it shows Slim's hover look in a screenshot.
const kCanvas = { ruffleConfig: { preferredRenderer: 'canvas' } };

test('each Flash page plays at once and through without gaps, then again from the start or, for f, not', async () => {
  const previewServer = (job) => servePage(job.folder, runJob(job).page);
  const staticServer = (job) => startServing('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1',
    '--directory', job.folder], { pattern: /(http:\/\/127\.0\.0\.1:\d+\/)/, stop: 'kill', page: runJob(job).page });
  const rows = [
    [{ outputMode: 1, instruction: 'e' }, previewServer],
    [{ outputMode: 1, instruction: 'f' }, previewServer],
    // Bare output, looping (bare output once is left out: Ruffle does not read
    // the page's loop parameter). No launcher on the path: --open prints the
    // address and serves it, whatever its input, until a stop signal.
    [{ outputMode: 2 }, (job) => startServing(job.cli, [...job.args, '--open'],
      { env: { ...process.env, PATH: makeTempFolder('no-launcher') }, stop: 'kill' })],
    // The player's public address is out of reach: the preview server adds the local one.
    [{ outputMode: 1, instruction: 'e', pageFor: 2 }, previewServer],
    // With the player copied beside the page, a plain static server is enough.
    [{ outputMode: 1, instruction: 'e', pageFor: 3 }, staticServer],
  ];
  for (const [settings, serve] of rows) {
    const name = JSON.stringify(settings);
    const serving = await serve(jobCommand(toneStepsWav(kSixTones), settings));
    await player.withPage(chromium.browser, serving, async ({ page, ready }) => {
      assert.ok(await player.waitForSound(page, ready, 10000), `${name}: no sound within 10 s`);
      await page.waitForTimeout(11000);
      const runs = player.soundRuns(await player.sound(page));
      // Every tone in order: the steps only go up, apart from a one-step
      // wobble where a buffer straddles two tones.
      const steps = player.stepsOf(runs[0].buffers, kSixTones);
      assert.deepEqual([player.firstTone(steps), Math.max(...steps)], [0, kSixTones.length - 1],
        `${name}: incomplete play: ${steps}`);
      assert.ok(steps.every((t, i) => t >= Math.max(...steps.slice(0, i + 1)) - 1), `${name}: skipped back: ${steps}`);
      const length = runs[0].end - runs[0].start;
      assert.ok(length > 5.5 && length < 7.5, `${name}: the first play lasted ${length.toFixed(2)} s`);
      if (settings.instruction === 'f') {
        assert.equal(runs.length, 1, `${name}: expected one play, saw ${runs.length} runs`);
        const audioNow = await page.evaluate(() => window.__sound[window.__sound.length - 1].when);
        assert.ok(audioNow - runs[0].end > 4, `${name}: not enough silence observed after the play`);
      } else {
        assert.ok(runs.length >= 2, `${name}: expected the sound to start again, saw ${runs.length} run(s)`);
        const again = player.firstTone(player.stepsOf(runs[1].buffers, kSixTones));
        assert.equal(again, 0, `${name}: started again at tone ${again}`);
      }
    });
    // The static server ends by a signal, without an exit code.
    if (serve !== staticServer) assert.equal(await serving.exited, 0, serving.output());
  }
});

test('instruction c waits for Play on every controller; Pause and Stop silence it; Play resumes', async () => {
  for (const [name, at] of Object.entries(kControllers)) {
    const job = runJob(toneStepsWav(kEightTones), { outputMode: 1, controllerName: name, instruction: 'c' });
    const serving = await servePage(job.folder, job.page);
    await player.withPage(chromium.browser, serving, async ({ page, element, ready }) => {
      const click = async (button) => {
        await element.click({ position: at[button], delay: 80 });
        return page.evaluate(() => performance.now());
      };
      // Buffers already mixed when a button is pressed may still sound briefly.
      const silentAfter = async (clickedAt) => {
        await page.waitForTimeout(2500);
        return (await player.sound(page, clickedAt + 600)).length === 0;
      };
      const stepsSince = async (fromMs) => player.stepsOf(await player.sound(page, fromMs), kEightTones);
      const bar = () => player.coloursAt(element, at.bar);

      await page.waitForTimeout(3500);
      assert.equal((await player.sound(page, ready)).length, 0, `${name}: sound before Play`);
      // Stopped, the stream still loads: the bar shows it loaded, none played.
      if (at.bar) assert.deepEqual(await bar(), [kLoaded, kLoaded]);
      const played = await click('play');
      assert.ok(await player.waitForSound(page, played, 5000), `${name}: Play gave no sound`);
      if (!at.bar) return;
      await page.waitForTimeout(2500);
      assert.deepEqual(await bar(), [kPlayed, kLoaded], 'the bar does not show the playing position');
      const beforePause = await stepsSince(played);
      assert.ok(await silentAfter(await click('pause')), 'Pause did not silence the sound');

      const resumed = await click('play');
      assert.ok(await player.waitForSound(page, resumed, 4000), 'Play after Pause gave no sound');
      await page.waitForTimeout(1500);
      const afterResume = await stepsSince(resumed);
      // The pause point was past the first tones; resuming does not start over.
      assert.ok(afterResume[0] >= Math.max(...beforePause) - 1,
        `resumed at tone ${afterResume[0]} after pausing at ${Math.max(...beforePause)}`);

      assert.ok(await silentAfter(await click('stop')), 'Stop did not silence the sound');
      assert.deepEqual(await bar(), [kLoaded, kLoaded], 'Stop did not return the position to the start');
      const restarted = await click('play');
      assert.ok(await player.waitForSound(page, restarted, 4000), 'Play after Stop gave no sound');
      await page.waitForTimeout(1000);
      assert.equal(player.firstTone(await stepsSince(restarted)), 0, 'Play after Stop did not start at the start');
    }, kCanvas);
  }
});

test('the preview page shows every shipped controller, each loading and responding', async () => {
  const serving = await servePage(writePreviewPage('0A0B0C', 'FFFF00'), 'preview.htm');
  const names = Object.keys(kControllers);
  await player.withPage(chromium.browser, serving, async ({ page }) => {
    const elements = page.locator('ruffle-embed, ruffle-object, ruffle-player');
    await page.waitForTimeout(3000);
    assert.equal(await elements.count(), names.length);
    for (const [i, [name, at]] of Object.entries(kControllers).entries()) {
      const element = elements.nth(i);
      await page.mouse.move(0, 0);
      await page.waitForTimeout(300);
      const idle = await element.screenshot();
      await element.hover({ position: at.play });
      await page.waitForTimeout(300);
      assert.ok(!idle.equals(await element.screenshot()), `${name}: Play shows no hover look`);
      for (const button of ['play', 'pause', 'stop', 'play']) await element.click({ position: at[button], delay: 80 });
    }
    // Each controller asks for its stream (the name with the letter before
    // ".swf" replaced by "s"), which is not there.
    const streams = names.map((name) => `/${name.slice(0, -1)}s.swf`);
    const asked = () => page.evaluate((wanted) => wanted.filter((w) => performance
      .getEntriesByType('resource').some((e) => e.name.endsWith(w))), streams);
    const deadline = Date.now() + 10000;
    while ((await asked()).length < streams.length && Date.now() < deadline) await page.waitForTimeout(250);
    assert.deepEqual(await asked(), streams);
  }, { allowed: /status of 404/, ...kCanvas });
});

test('where sound waits for the visitor, a bare page says so and a click or a key anywhere starts it', async () => {
  const blocking = await browsers.launchPersistentContext(makeTempFolder('blocking'), {
    executablePath: '/usr/bin/chromium', headless: true,
    // Chromium's own default, which Playwright turns off.
    args: ['--disable-gpu', '--disable-sync', '--autoplay-policy=document-user-activation-required'],
    ignoreDefaultArgs: ['--autoplay-policy=no-user-gesture-required'],
  });
  try {
    for (const act of ['click', 'key']) {
      const job = runJob(toneStepsWav(kSixTones), { outputMode: 2 });
      const serving = await servePage(job.folder, job.page);
      const page = await blocking.newPage();
      try {
        // Nothing evaluated in the page before the player made its audio (it
        // does so before it asks for the movie): Playwright's evaluations
        // count as the visitor acting.
        await page.addInitScript(player.pageHooks, null);
        const movieAsked = page.waitForRequest((r) => r.url().endsWith(`${job.base}s.swf`), { timeout: 30000 });
        await page.goto(serving.address);
        await movieAsked;
        const note = page.getByText('Click anywhere or press a key to start the sound.');
        await note.waitFor({ timeout: 30000 });
        const acted = await page.evaluate(() => performance.now());
        if (act === 'click') await page.mouse.click(300, 300);
        else await page.keyboard.press('Space');
        assert.ok(await player.waitForSound(page, acted, 10000), `${act}: no sound`);
        await note.waitFor({ state: 'detached', timeout: 5000 });
      } finally {
        await page.close();
        await serving.stop();
      }
    }
  } finally {
    await blocking.close();
  }
});
