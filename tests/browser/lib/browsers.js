// Headless Chromium (Playwright) and Firefox ESR (Puppeteer over WebDriver
// BiDi; Playwright cannot drive Debian's Firefox), both playing into one
// PulseAudio null sink, behind one small page interface.
'use strict';

const puppeteer = require('puppeteer-core');
const { chromium } = require('playwright-core');
const { before, after } = require('node:test');
const { makeTempFolder, removeTempFolders } = require('./job.js');
const { startPulse } = require('./pulse.js');

// Runs in the page before its own scripts: notes the events of the <audio>
// element; refuses the MediaSource types that match refuse; keeps what the
// page appends to MediaSource when asked to.
function audioHooks({ keepAppended, refuse }) {
  window.__media = [];
  for (const type of ['playing', 'waiting', 'ended', 'seeking', 'error']) {
    document.addEventListener(type, () => window.__media.push({ type, at: performance.now() }), true);
  }
  if (refuse && window.MediaSource) {
    const supported = MediaSource.isTypeSupported.bind(MediaSource);
    MediaSource.isTypeSupported = (type) => !new RegExp(refuse).test(type) && supported(type);
  }
  if (keepAppended && window.SourceBuffer) {
    window.__appended = [];
    const append = SourceBuffer.prototype.appendBuffer;
    SourceBuffer.prototype.appendBuffer = function (data) {
      window.__appended.push(Array.from(data));
      return append.call(this, data);
    };
  }
}

class Page {
  constructor(name, page) {
    this.name = name;
    this.page = page;
  }

  evaluate(fn, arg) { return this.page.evaluate(fn, arg); }

  // Resolves to true once fn(arg) holds in the page, false after timeoutMs.
  async waitFor(fn, arg, timeoutMs) {
    const options = { timeout: timeoutMs, polling: 100 };
    const waiting = this.name === 'chromium' ? this.page.waitForFunction(fn, arg, options)
      : this.page.waitForFunction(fn, options, arg);
    return waiting.then(() => true, () => false);
  }

  // The <audio> element's state, and the events seen so far.
  audioState() {
    return this.evaluate(() => {
      const a = document.querySelector('audio');
      return { paused: a.paused, time: a.currentTime, ended: a.ended, error: a.error && a.error.code,
        events: window.__media };
    });
  }

  close() { return this.page.close(); }
}

// A Playwright context (chromium) or a Puppeteer browser (firefox); with
// autoplay false, sound starts only after a press on the page.
// Chromium has no network: what a page needs comes from the loopback or the disk.
async function launch(name, env, { autoplay = true } = {}) {
  if (name === 'chromium') {
    const context = await chromium.launchPersistentContext(makeTempFolder('chromium'), {
      executablePath: '/usr/bin/chromium', headless: true, env,
      args: ['--disable-gpu', '--disable-sync',
        `--autoplay-policy=${autoplay ? 'no-user-gesture-required' : 'document-user-activation-required'}`],
      // Playwright's own policy, which would win over a blocking one.
      ignoreDefaultArgs: autoplay ? [] : ['--autoplay-policy=no-user-gesture-required'],
    });
    await context.route(/^https?:\/\/(?!127\.0\.0\.1[:/])/, (route) => route.abort());
    return context;
  }
  return puppeteer.launch({
    browser: 'firefox', protocol: 'webDriverBiDi', executablePath: '/usr/bin/firefox-esr', headless: true, env,
    userDataDir: makeTempFolder('firefox'),
    // 1 blocks audible autoplay; policy 0 lets a press allow it for the page.
    extraPrefsFirefox: { 'media.autoplay.default': autoplay ? 0 : 1, 'media.autoplay.blocking_policy': 0 },
  });
}

// Chromium for the tests of a file, in holder.browser.
function useChromium() {
  const holder = {};
  before(async () => { holder.browser = await launch('chromium', process.env); });
  after(async () => {
    if (holder.browser) await holder.browser.close();
    removeTempFolders();
  });
  return holder;
}

// The sound server and both browsers for the tests of a file; the object
// returned gets open(name, address, hooks), which opens address in a new page
// of that browser.
function useBrowsers() {
  let pulse = null;
  const browsers = {};
  before(async () => {
    pulse = await startPulse();
    for (const name of ['chromium', 'firefox']) browsers[name] = await launch(name, { ...process.env, ...pulse.env });
  });
  after(async () => {
    for (const browser of Object.values(browsers)) await browser.close();
    if (pulse) await pulse.stop();
    removeTempFolders();
  });
  const open = async (name, address, hooks = {}) => {
    const page = await browsers[name].newPage();
    if (name === 'chromium') await page.addInitScript(audioHooks, hooks);
    else await page.evaluateOnNewDocument(audioHooks, hooks);
    await page.goto(address);
    return new Page(name, page);
  };
  return { open };
}

module.exports = { launch, useChromium, useBrowsers };
