// Opens pages in headless Chromium with Ruffle injected and records every
// buffer of sound that Ruffle hands to Web Audio.
'use strict';

const fs = require('node:fs');
const { chromium } = require('playwright-core');

const kChromium = '/usr/bin/chromium';
// A buffer whose peak stays below this is one of Ruffle's silent fillers.
const kSilentPeak = 0.01;

async function launchBrowser(userDataDir) {
  if (!fs.existsSync(kChromium)) throw new Error(`${kChromium} is missing (apt-get install chromium)`);
  return chromium.launchPersistentContext(userDataDir, {
    executablePath: kChromium,
    headless: true,
    args: [
      '--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--autoplay-policy=no-user-gesture-required', '--disable-component-update',
      '--disable-sync', '--no-first-run',
    ],
  });
}

// Runs in the page before its own scripts; with inject, it also configures
// the player and adds its script, which a test server serves under /__ruffle/.
function pageHooks(inject) {
  if (inject) {
    window.RufflePlayer = window.RufflePlayer || {};
    window.RufflePlayer.config = {
      autoplay: 'on', unmuteOverlay: 'hidden', splashScreen: false, preferredRenderer: 'canvas',
      publicPath: '/__ruffle/', warnOnUnsupportedContent: false, logLevel: 'warn',
    };
  }
  window.__sound = [];
  const start = AudioBufferSourceNode.prototype.start;
  AudioBufferSourceNode.prototype.start = function (when, ...rest) {
    const buffer = this.buffer;
    let peak = 0;
    let crossings = 0;
    if (buffer) {
      const data = buffer.getChannelData(0);
      let previous = 0;
      for (let i = 0; i < data.length; i++) {
        const v = data[i];
        if (Math.abs(v) > peak) peak = Math.abs(v);
        if ((v >= 0) !== (previous >= 0)) crossings++;
        previous = v;
      }
    }
    window.__sound.push({
      at: performance.now(),
      when: when || this.context.currentTime,
      duration: buffer ? buffer.duration : 0,
      peak,
      frequency: buffer && buffer.duration > 0 ? crossings / 2 / buffer.duration : 0,
    });
    return start.call(this, when, ...rest);
  };
  if (!inject) return;
  document.addEventListener('DOMContentLoaded', () => {
    const script = document.createElement('script');
    script.src = '/__ruffle/ruffle.js';
    document.head.appendChild(script);
  });
}

/// Opens url in a new tab of context; collects console errors and page
/// errors. With inject false the page must bring its player itself.
async function openPage(context, url, { inject = true } = {}) {
  const page = await context.newPage();
  const problems = [];
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  page.on('console', (m) => {
    // Failed requests are told below, with their address.
    if (/^Failed to load resource/.test(m.text())) return;
    if (m.type() === 'error' || /panic/i.test(m.text())) problems.push(`console ${m.type()}: ${m.text()}`);
  });
  page.on('response', (r) => {
    if (r.status() >= 400 && !r.url().endsWith('/favicon.ico')) problems.push(`status of ${r.status()} for ${r.url()}`);
  });
  await page.addInitScript(pageHooks, inject);
  await page.goto(url);
  return { page, problems };
}

/// Waits until Ruffle has replaced the embedded content and runs the movie.
async function waitForPlayer(page, timeoutMs = 30000) {
  const player = page.locator('ruffle-object, ruffle-embed, ruffle-player').first();
  await player.waitFor({ state: 'attached', timeout: timeoutMs });
  // Ruffle starts its audio context with the movie and then schedules
  // buffers, silent or not, without pause.
  await page.waitForFunction(() => window.__sound.length > 0, null, { timeout: timeoutMs });
  return player;
}

async function now(page) {
  return page.evaluate(() => performance.now());
}

/// Buffers with sound scheduled at or after `fromMs` (page clock) and before `toMs`.
async function soundBetween(page, fromMs, toMs = Infinity) {
  const all = await page.evaluate(() => window.__sound);
  return all.filter((b) => b.peak >= kSilentPeak && b.at >= fromMs && b.at < toMs);
}

async function allSound(page) {
  const all = await page.evaluate(() => window.__sound);
  return all.filter((b) => b.peak >= kSilentPeak);
}

/// Clicks at a pixel of the player element (its top-left corner is 0, 0).
async function clickAt(page, player, x, y) {
  const box = await player.boundingBox();
  await page.mouse.move(box.x + x, box.y + y);
  await page.mouse.down();
  await page.waitForTimeout(80);
  await page.mouse.up();
}

/// Colours ("rrggbb") of the player's canvas at pixels of the player element.
async function coloursAt(page, element, points) {
  return element.evaluate((host, pts) => {
    const canvas = host.shadowRoot && host.shadowRoot.querySelector('canvas');
    if (!canvas) return [];
    const scale = canvas.width / canvas.getBoundingClientRect().width;
    const context = canvas.getContext('2d');
    return pts.map(([x, y]) => {
      const d = context.getImageData(Math.round(x * scale), Math.round(y * scale), 1, 1).data;
      return Array.from(d.slice(0, 3), (v) => v.toString(16).padStart(2, '0')).join('');
    });
  }, points);
}

module.exports = {
  kSilentPeak, launchBrowser, openPage, waitForPlayer, now, soundBetween, allSound, clickAt, coloursAt,
};
