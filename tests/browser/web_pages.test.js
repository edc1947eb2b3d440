// The standards page for every browser, served by the program's preview
// server and played in headless Chromium: over a slow line, and as the
// instruction decides.
'use strict';

const assert = require('node:assert/strict');
const { test } = require('node:test');

const { toneStepsWav, runJob, servePage } = require('./lib/job.js');
const player = require('./lib/player.js');

const chromium = player.useBrowser();

const kHtml5Page = 4;
// A 56K modem line.
const kSlowLine = 5000;

test('the standards page starts at once over a slow line, never stalls and loops', async () => {
  const tones = Array.from({ length: 40 }, (_, i) => 300 + 20 * i);
  const job = runJob(toneStepsWav(tones), { outputMode: 2, pageFor: kHtml5Page });
  const serving = await servePage(job.folder, job.page);
  await player.withPage(chromium.browser, serving, async ({ page }) => {
    // Until the sound has gone round once, and a little more.
    const wrapped = await page.waitForFunction(() => {
      window.highest = Math.max(window.highest || 0, document.querySelector('audio').currentTime);
      return document.querySelector('audio').currentTime < window.highest - 30;
    }, null, { timeout: 60000, polling: 500 }).then(() => true, () => false);
    const { events, paused } = await player.audioState(page);
    const highest = await page.evaluate(() => window.highest);
    const firstPlaying = events.find((e) => e.type === 'playing');
    assert.ok(firstPlaying?.at <= 1500, `first playing (ms after the navigation): ${JSON.stringify(firstPlaying)}`);
    // Going round again seeks to the start, which may wait for a moment.
    const restart = events.find((e) => e.type === 'seeking');
    const stalls = events.filter((e) => e.type === 'waiting' && e.at > firstPlaying.at
      && (!restart || e.at < restart.at));
    assert.deepEqual(stalls, [], 'stalled after the start');
    assert.ok(highest > 39, `played only to ${highest.toFixed(1)} s`);
    assert.ok(wrapped && !paused, 'did not go on from the start at the end');
    // The line was slow: the 120 KB of sound took about 24 s to arrive.
    const mp3 = serving.address.replace(/[^/]*$/, `${job.base}.mp3`);
    const arrived = await page.evaluate((name) => performance.getEntriesByName(name)[0].responseEnd, mp3);
    assert.ok(arrived > 20000, `the sound arrived after ${Math.round(arrived)} ms`);
  }, { flash: false, bytesPerSecond: kSlowLine });
});

test('on the standards page the instruction decides whether it starts and loops', async () => {
  const rows = [
    { instruction: 'c', plays: false },
    { instruction: 'f', plays: true, loop: false },
    // Opened from disk, where the page cannot fetch: the plain address.
    { instruction: 'e', plays: true, loop: true, fromDisk: true },
  ];
  for (const { instruction, plays, loop, fromDisk } of rows) {
    const job = runJob(toneStepsWav([400, 800]), { outputMode: 1, instruction, pageFor: kHtml5Page });
    const disk = { address: `file://${job.folder}/${job.page}`, stop: async () => {} };
    const serving = fromDisk ? disk : await servePage(job.folder, job.page);
    await player.withPage(chromium.browser, serving, async ({ page }) => {
      // Past the end of the two-second sound.
      await page.waitForTimeout(4000);
      const state = await player.audioState(page);
      const seen = new Set(state.events.map((e) => e.type));
      assert.equal(seen.has('playing'), plays, `${instruction}: playing`);
      if (!plays) assert.deepEqual([state.paused, state.time], [true, 0], instruction);
      if (loop) assert.ok(!state.paused && seen.has('seeking') && !seen.has('ended'), `${instruction}: did not loop`);
      if (loop === false) assert.ok(state.ended && seen.has('ended'), `${instruction}: did not end`);
    }, { flash: false });
  }
});
