// Pages for today's browsers, played in headless Chromium with nothing
// added by the test: the local preview server, the player copied beside the
// page, and the standards page over a slow line.
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { test, before, after } = require('node:test');

const {
  toneStepsWav, runJob, jobCommand, makeTempFolder, removeTempFolders, programFolder, writePreviewPage,
} = require('./lib/job.js');
const { serveFolder } = require('./lib/server.js');
const { serveThrottled } = require('./lib/throttle.js');
const { startServing } = require('./lib/serving.js');
const player = require('./lib/player.js');
const media = require('./lib/media.js');
const { soundRuns, stepsOf, risesWithoutRestart } = require('./lib/analysis.js');

const kThreeTones = [300, 600, 900];
const kPageFor = { flash: 1, ruffle: 2, ruffleCopy: 3, html5: 4 };
// A 56K modem line.
const kSlowLine = 5000;

let browser;

before(async () => {
  programFolder();
  browser = await player.launchBrowser(makeTempFolder('chromium'));
});

after(async () => {
  if (browser) await browser.close();
  removeTempFolders();
});

function previewServe() {
  const tool = process.env.SONAFLUX_PREVIEW_SERVE;
  if (!tool || !fs.existsSync(tool)) throw new Error('SONAFLUX_PREVIEW_SERVE must name the built preview_serve');
  return tool;
}

async function waitForSound(page, fromMs, timeoutMs) {
  const deadline = Date.now() + timeoutMs;
  while (Date.now() < deadline) {
    if ((await player.soundBetween(page, fromMs)).length > 0) return true;
    await page.waitForTimeout(200);
  }
  return false;
}

/// Opens address with no player injected and checks that the three tones
/// play through, in order, without a silent gap.
async function expectPlaysThrough(address) {
  const { page, problems } = await player.openPage(browser, address, { inject: false });
  try {
    await player.waitForPlayer(page);
    const ready = await player.now(page);
    assert.ok(await waitForSound(page, ready, 10000), 'no sound within 10 s');
    await page.waitForTimeout(4000);
    // The first run of sound, up to where a looping player starts again.
    const steps = stepsOf(soundRuns(await player.allSound(page))[0], kThreeTones);
    const restart = steps.findIndex((s, i) => i > 0 && s < Math.max(...steps.slice(0, i)) - 1);
    const firstPlay = restart < 0 ? steps : steps.slice(0, restart);
    assert.ok(risesWithoutRestart(firstPlay));
    assert.deepEqual([firstPlay[0], Math.max(...firstPlay)], [0, kThreeTones.length - 1],
      `incomplete play: ${steps}`);
    assert.deepEqual(problems, []);
  } finally {
    await page.close();
  }
}

test('the address --open prints plays bare output with the program\'s own player', { timeout: 90000 }, async () => {
  const job = jobCommand(toneStepsWav(kThreeTones, 1.0), { outputMode: 2 }, ['--open']);
  // No launcher on the path: the address is opened here instead.
  const env = { ...process.env, PATH: makeTempFolder('no-launcher') };
  const serving = await startServing(job.cli, job.args, { env });
  assert.match(serving.address, /^http:\/\/127\.0\.0\.1:\d+\/1\/snx1\.htm$/);
  try {
    await expectPlaysThrough(serving.address);
  } finally {
    assert.equal(await serving.stop(), 0, serving.output());
  }
});

test('a controller page with instruction e plays from the preview server', { timeout: 90000 }, async () => {
  const job = runJob(toneStepsWav(kThreeTones, 1.0), { outputMode: 1, instruction: 'e' });
  const playerFolder = path.join(programFolder(), 'player');
  const serving = await startServing(previewServe(), [playerFolder, job.folder, job.page]);
  try {
    await expectPlaysThrough(serving.address);
  } finally {
    await serving.stop();
  }
});

test('the controllers\' preview page loads all three controllers from the preview server', { timeout: 60000 },
  async () => {
    const folder = writePreviewPage('FFFFFF', '000000');
    const names = ['Classic01150040', 'Deck01120060', 'Slim01240024'];
    const serving = await startServing(previewServe(), [path.join(programFolder(), 'player'), folder, 'preview.htm']);
    const { page, problems } = await player.openPage(browser, serving.address, { inject: false });
    try {
      await player.waitForPlayer(page);
      const elements = page.locator('ruffle-embed, ruffle-object, ruffle-player');
      assert.equal(await elements.count(), names.length);
      // Each controller runs: it asks for its stream, which is not there.
      const streams = names.map((name) => `/${name.slice(0, -1)}s.swf`);
      const asked = () => page.evaluate((wanted) => wanted.filter((w) => performance
        .getEntriesByType('resource').some((e) => e.name.endsWith(w))), streams);
      const deadline = Date.now() + 10000;
      while ((await asked()).length < streams.length && Date.now() < deadline) await page.waitForTimeout(250);
      assert.deepEqual(await asked(), streams);
      assert.deepEqual(problems.filter((p) => !/status of 404/.test(p)), []);
    } finally {
      await page.close();
      await serving.stop();
    }
  });

test('with the player copied beside the page, a plain static server is enough', { timeout: 90000 }, async () => {
  const job = runJob(toneStepsWav(kThreeTones, 1.0), { outputMode: 1, instruction: 'e', pageFor: kPageFor.ruffleCopy });
  assert.ok(fs.existsSync(path.join(job.folder, 'player', 'ruffle.js')));
  const serving = await startServing('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1',
    '--directory', job.folder], { pattern: /(http:\/\/127\.0\.0\.1:\d+\/)/, stop: 'kill' });
  try {
    await expectPlaysThrough(serving.address + job.page);
  } finally {
    await serving.stop();
  }
});

test('the standards page starts at once over a slow line, never stalls and loops', { timeout: 120000 }, async () => {
  const tones = Array.from({ length: 40 }, (_, i) => 300 + 20 * i);
  const job = runJob(toneStepsWav(tones, 1.0), { outputMode: 2, pageFor: kPageFor.html5 });
  const server = await serveThrottled(job.folder, kSlowLine);
  const { page, problems } = await media.openMediaPage(browser, server.url + job.page);
  try {
    // Until the sound has gone round once, and a little more.
    let wrapped = false;
    let highest = 0;
    const deadline = Date.now() + 60000;
    while (!wrapped && Date.now() < deadline) {
      await page.waitForTimeout(500);
      const { time } = await media.audioState(page);
      wrapped = time < highest - 30;
      highest = Math.max(highest, time);
    }
    const events = await media.mediaEvents(page);
    const firstPlaying = events.find((e) => e.type === 'playing');
    assert.ok(firstPlaying, 'never started');
    assert.ok(firstPlaying.at <= 1500, `started ${Math.round(firstPlaying.at)} ms after the navigation`);
    // Going round again seeks to the start, which may wait for a moment.
    const restart = events.find((e) => e.type === 'seeking');
    const stalls = events.filter((e) => e.type === 'waiting' && e.at > firstPlaying.at && (!restart || e.at < restart.at));
    assert.deepEqual(stalls, [], 'stalled after the start');
    assert.ok(highest > 39, `played only to ${highest.toFixed(1)} s`);
    assert.ok(wrapped, 'did not start again at the end');
    const state = await media.audioState(page);
    assert.equal(state.paused, false);
    assert.deepEqual(problems, []);
  } finally {
    await page.close();
    await server.close();
  }
});

test('on the standards page the instruction decides start and loop', { timeout: 90000 }, async () => {
  const rows = [
    { instruction: 'c', plays: false, loop: true },
    { instruction: 'd', plays: false, loop: false },
    { instruction: 'e', plays: true, loop: true },
    { instruction: 'f', plays: true, loop: false },
    // Opened from disk, where the page cannot fetch: the plain address.
    { instruction: 'e', plays: true, loop: true, fromDisk: true },
  ];
  const wav = toneStepsWav([400, 800], 1.0);
  const opened = [];
  try {
    for (const row of rows) {
      const job = runJob(wav, { outputMode: 1, instruction: row.instruction, pageFor: kPageFor.html5 });
      const server = row.fromDisk ? null : await serveFolder(job.folder);
      const url = row.fromDisk ? `file://${job.folder}/${job.page}` : server.url + job.page;
      opened.push({ row, server, ...(await media.openMediaPage(browser, url)) });
    }
    // Past the end of the two-second sound.
    await opened[0].page.waitForTimeout(4000);
    for (const { row, page, problems } of opened) {
      const state = await media.audioState(page);
      const events = await media.mediaEvents(page);
      const seen = (type) => events.some((e) => e.type === type);
      assert.equal(state.loop, row.loop, row.instruction);
      assert.equal(seen('playing'), row.plays, `${row.instruction}: playing`);
      if (!row.plays) assert.deepEqual([state.paused, state.time], [true, 0], row.instruction);
      if (row.plays && row.loop) {
        assert.equal(state.paused, false, row.instruction);
        assert.ok(seen('seeking') && !seen('ended'), `${row.instruction}: did not loop`);
      }
      if (row.plays && !row.loop) assert.ok(state.ended && seen('ended'), `${row.instruction}: did not end`);
      assert.deepEqual(problems, [], row.instruction);
    }
  } finally {
    for (const { page, server } of opened) {
      await page.close();
      if (server) await server.close();
    }
  }
});
