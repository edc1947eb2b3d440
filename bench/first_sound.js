// Time to first sound of a 40-second output set over a 5 000 bytes/s line
// (a 56K modem), for each page setting, in headless Chromium. The player's
// own files come at full speed, as from the browser's cache.
//
//   SONAFLUX_PROGRAM_FOLDER=build/bin/ node bench/first_sound.js
'use strict';

const fs = require('node:fs');
const path = require('node:path');

const lib = path.join(__dirname, '..', 'tests', 'browser', 'lib');
const { toneStepsWav, runJob, makeTempFolder, removeTempFolders, programFolder } = require(path.join(lib, 'job.js'));
const player = require(path.join(lib, 'player.js'));
const { serveThrottled } = require('./throttle.js');

const kSlowLine = 5000;
const kTones = Array.from({ length: 40 }, (_, i) => 300 + 20 * i);

async function rufflePage(browser, settings) {
  const job = runJob(toneStepsWav(kTones), { ...settings, pageFor: 3 });
  const server = await serveThrottled(job.folder, kSlowLine, path.join(programFolder(), 'player'));
  const { page } = await player.openPage(browser, server.url + job.page);
  let first = null;
  const deadline = Date.now() + 90000;
  while (first === null && Date.now() < deadline) {
    await page.waitForTimeout(100);
    const sound = await player.sound(page);
    if (sound.length > 0) first = sound[0].at;
  }
  await page.close();
  await server.close();
  return first;
}

async function audioPage(browser, plain) {
  const job = runJob(toneStepsWav(kTones), { outputMode: 2, pageFor: 4 });
  let name = job.page;
  if (plain) {
    name = 'plain.htm';
    fs.writeFileSync(path.join(job.folder, name),
      `<!DOCTYPE html><html><body><audio src="${job.base}.mp3" controls autoplay></audio></body></html>`);
  }
  const server = await serveThrottled(job.folder, kSlowLine);
  const { page } = await player.openPage(browser, server.url + name);
  let first = null;
  const deadline = Date.now() + 60000;
  while (first === null && Date.now() < deadline) {
    await page.waitForTimeout(100);
    const playing = (await player.audioState(page)).events.find((e) => e.type === 'playing');
    if (playing) first = playing.at;
  }
  await page.close();
  await server.close();
  return first;
}

(async () => {
  programFolder();
  const browser = await player.launchBrowser(makeTempFolder('chromium'));
  const rows = [
    ['Every browser (HTML5, MediaSource)', () => audioPage(browser, false)],
    ['Every browser, plain <audio src> (fallback)', () => audioPage(browser, true)],
    ['Flash players and Ruffle, bare output', () => rufflePage(browser, { outputMode: 2 })],
    ['Flash players and Ruffle, controller e', () => rufflePage(browser, { outputMode: 1, instruction: 'e' })],
  ];
  try {
    for (const [name, measure] of rows) {
      const ms = await measure();
      console.log(`${name}: ${ms === null ? 'no sound' : `${(ms / 1000).toFixed(2)} s`}`);
    }
  } finally {
    await browser.close();
    removeTempFolders();
  }
})();
