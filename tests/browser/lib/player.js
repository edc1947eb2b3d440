// Opens pages in headless Chromium, records every buffer of sound handed to
// Web Audio and the events of the <audio> elements, and reads the buffers
// back as a sequence of tone steps.
'use strict';

const assert = require('node:assert/strict');
const { before, after } = require('node:test');
const { chromium } = require('playwright-core');
const { makeTempFolder, removeTempFolders } = require('./job.js');

// A buffer whose peak stays below this is one of Ruffle's silent fillers.
const kSilentPeak = 0.01;

// One browser for the tests of a file, in holder.browser: Debian's chromium,
// with Playwright's switches of a quiet headless browser.
function useBrowser() {
  const holder = {};
  before(async () => {
    holder.browser = await chromium.launchPersistentContext(makeTempFolder('chromium'), {
      executablePath: '/usr/bin/chromium',
      headless: true,
      args: ['--disable-gpu', '--disable-sync', '--autoplay-policy=no-user-gesture-required'],
    });
    // No network: what a page needs comes from the loopback or the disk.
    await holder.browser.route(/^https?:\/\/(?!127\.0\.0\.1[:/])/, (route) => route.abort());
  });
  after(async () => {
    if (holder.browser) await holder.browser.close();
    removeTempFolders();
  });
  return holder;
}

// Runs in the page before its own scripts.
function pageHooks(ruffleConfig) {
  if (ruffleConfig) window.RufflePlayer = { config: ruffleConfig };
  window.__media = [];
  for (const type of ['playing', 'waiting', 'ended', 'seeking']) {
    document.addEventListener(type, () => window.__media.push({ type, at: performance.now() }), true);
  }
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

// Opens the page of serving in a new tab and hands body { page, element, ready },
// for a Flash page once Ruffle has replaced the embedded content and runs the
// movie. Page errors, console errors and failed answers, but those matching
// allowed, fail the test. With bytesPerSecond every answer shares one slow
// line, as over a modem. Closes the page and stops serving.
async function withPage(context, serving, body, { flash = true, allowed = null, ruffleConfig = null,
  bytesPerSecond = 0 } = {}) {
  let page = null;
  try {
    page = await context.newPage();
    if (bytesPerSecond) {
      const session = await context.newCDPSession(page);
      await session.send('Network.enable');
      await session.send('Network.emulateNetworkConditions',
        { offline: false, latency: 0, downloadThroughput: bytesPerSecond, uploadThroughput: bytesPerSecond });
    }
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
    const element = page.locator('ruffle-object, ruffle-embed, ruffle-player').first();
    if (flash) {
      await element.waitFor({ state: 'attached', timeout: 30000 });
      // Ruffle starts its audio context with the movie and then schedules
      // buffers, silent or not, without pause.
      await page.waitForFunction(() => window.__sound.length > 0, null, { timeout: 30000 });
    }
    await body({ page, element, ready: await page.evaluate(() => performance.now()) });
    assert.deepEqual(problems.filter((p) => !allowed || !allowed.test(p)), []);
  } finally {
    if (page) await page.close();
    await serving.stop();
  }
}

// Buffers with sound scheduled at or after fromMs of the page clock.
async function sound(page, fromMs = 0) {
  return (await page.evaluate(() => window.__sound)).filter((b) => b.peak >= kSilentPeak && b.at >= fromMs);
}

async function waitForSound(page, fromMs, timeout) {
  const heard = ([from, least]) => window.__sound.some((b) => b.peak >= least && b.at >= from);
  return page.waitForFunction(heard, [fromMs, kSilentPeak], { timeout, polling: 200 }).then(() => true, () => false);
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

// The index of the nearest tone for each buffer. Quiet buffers, where a tone
// fades in after silence, are left out: their zero crossings say little.
function stepsOf(buffers, tones) {
  const loudest = Math.max(0, ...buffers.map((b) => b.peak));
  const distance = (b, i) => Math.abs(b.frequency - tones[i]);
  return buffers.filter((b) => b.peak >= loudest / 2)
    .map((b) => tones.reduce((best, _, i) => (distance(b, i) < distance(b, best) ? i : best), 0));
}

// The tone a run of steps starts with: the lowest of its first few, as the
// click where sound starts can read one tone high in a short buffer.
const firstTone = (steps) => Math.min(...steps.slice(0, 5));

// Colours ("rrggbb") of the player's canvas at pixels of the player element.
async function coloursAt(element, points) {
  return element.evaluate((host, pts) => {
    const canvas = host.shadowRoot.querySelector('canvas');
    const scale = canvas.width / canvas.getBoundingClientRect().width;
    const context = canvas.getContext('2d');
    return pts.map(([x, y]) => {
      const d = context.getImageData(Math.round(x * scale), Math.round(y * scale), 1, 1).data;
      return Array.from(d.slice(0, 3), (v) => v.toString(16).padStart(2, '0')).join('');
    });
  }, points);
}

// The <audio> element's state, and the events seen so far.
async function audioState(page) {
  return page.evaluate(() => {
    const a = document.querySelector('audio');
    return { paused: a.paused, time: a.currentTime, ended: a.ended, events: window.__media };
  });
}

module.exports = {
  useBrowser, pageHooks, withPage, sound, waitForSound, soundRuns, stepsOf, firstTone, coloursAt, audioState,
};
