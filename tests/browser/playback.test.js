// Flash pages of real jobs, served as a user gets them and played by Ruffle in
// headless Chromium: what reaches Web Audio, and what the controller's
// buttons do.
'use strict';

const assert = require('node:assert/strict');
const { test } = require('node:test');
const { launch, useChromium } = require('./lib/browsers.js');
const { toneStepsWav, runJob, servePage } = require('./lib/job.js');
const player = require('./lib/player.js');

const chromium = useChromium();

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
  assert.deepEqual([player.firstTone(steps), Math.max(...steps)], [0, kTwoTones.length - 1],
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
    await player.withPage(chromium.browser, await servePage(job.folder, job.page), async ({ page }) => {
      assert.ok(await player.waitForSound(page, 0), 'no sound');
      // Until the audio clock is two seconds past the end of the first play.
      const past = (buffers) => {
        const sounding = buffers.filter((b) => b.peak >= 0.01);
        const last = buffers.at(-1);
        return sounding.length > 0 && last.when > sounding[0].when + 4;
      };
      assert.ok(await player.waitForBuffers(page, 0, past), 'the audio clock stopped');
      const runs = player.soundRuns(await player.sound(page));
      assertInOrder(player.stepsOf(runs[0], kTwoTones), instruction);
      if (!goesRound) assert.equal(runs.length, 1, 'played again');
      else assert.equal(player.firstTone(player.stepsOf(runs[1], kTwoTones)), 0, 'did not start again at the start');
    });
  });
}

test('Classic waits for Play; Pause silences it and Play resumes; Stop returns to the start', async () => {
  const job = runJob(toneStepsWav(kSixTones), { outputMode: 1, controllerName: 'Classic01150040', instruction: 'c' });
  await player.withPage(chromium.browser, await servePage(job.folder, job.page), async ({ page, element }) => {
    const click = async (button) => {
      await element.click({ position: kClassic[button], delay: 80 });
      return page.evaluate(() => performance.now());
    };
    const barShows = (colours) => player.waitForColours(page, kClassic.bar, colours);
    // Buffers already mixed when a button is pressed may still sound briefly;
    // then a second of buffers, all silent.
    const silentAfter = async (clickedAt) => {
      const aSecond = (buffers) => buffers.reduce((total, b) => total + b.duration, 0) >= 1;
      assert.ok(await player.waitForBuffers(page, clickedAt + 600, aSecond), 'the audio clock stopped');
      return (await player.sound(page, clickedAt + 600)).length === 0;
    };
    const runSince = async (fromMs, seconds) => {
      assert.ok(await player.waitForSound(page, fromMs, seconds), `no ${seconds} s of sound`);
      return player.stepsOf(player.soundRuns(await player.sound(page, fromMs))[0], kSixTones);
    };

    // Stopped, the stream still loads: the bar shows it loaded, none played.
    assert.deepEqual(await barShows([kLoaded, kLoaded]), [kLoaded, kLoaded]);
    assert.equal((await player.sound(page)).length, 0, 'sound before Play');
    const played = await click('play');
    const beforePause = await runSince(played, 2);
    assert.deepEqual(await barShows([kPlayed, kLoaded]), [kPlayed, kLoaded], 'the bar shows no playing position');
    assert.ok(await silentAfter(await click('pause')), 'Pause did not silence the sound');

    const afterResume = await runSince(await click('play'), 1);
    // The pause point was past the first tones; resuming does not start over.
    assert.ok(player.firstTone(afterResume) >= Math.max(...beforePause) - 1,
      `resumed at ${afterResume} after pausing at ${Math.max(...beforePause)}`);

    assert.ok(await silentAfter(await click('stop')), 'Stop did not silence the sound');
    assert.deepEqual(await barShows([kLoaded, kLoaded]), [kLoaded, kLoaded], 'Stop did not return to the start');
    const restarted = await runSince(await click('play'), 1);
    assert.equal(player.firstTone(restarted), 0, `Play after Stop started at ${restarted}`);
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
      await page.addInitScript(player.pageHooks, null);
      const movieAsked = page.waitForRequest((r) => r.url().endsWith(`${job.base}s.swf`),
        { timeout: player.kDeadlineMs });
      await page.goto(serving.address);
      await movieAsked;
      const note = page.getByText('Click anywhere or press a key to start the sound.');
      await note.waitFor({ timeout: player.kDeadlineMs });
      if (act === 'click') await page.mouse.click(300, 300);
      else await page.keyboard.press('Space');
      assert.ok(await player.waitForSound(page, 0), `a ${act} gave no sound`);
      await note.waitFor({ state: 'detached', timeout: player.kDeadlineMs });
    } finally {
      await serving.stop();
      await blocking.close();
    }
  });
}
