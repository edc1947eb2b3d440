// Headless Chromium (Playwright) and Firefox ESR (Puppeteer over WebDriver
// BiDi; Playwright cannot drive Debian's Firefox), and a PulseAudio null sink
// for them to play into.
'use strict';

const path = require('node:path');
const { spawn } = require('node:child_process');
const puppeteer = require('puppeteer-core');
const { chromium } = require('playwright-core');
const { before, after } = require('node:test');
const { makeTempFolder, removeTempFolders, whenStarted } = require('./job.js');

// A PulseAudio server of its own with one null sink, for browsers on a
// machine without a sound device: without one, Firefox ends playback with a
// decode error and keeps its AudioContext suspended. It runs in the
// foreground, as root too (CI), and listens on a socket in a private folder.
// Resolves to { env, stop }, env pointing a browser at it.
async function startPulse() {
  const folder = makeTempFolder('pulse');
  const socket = path.join(folder, 'native');
  const child = spawn('pulseaudio', ['-n', '--daemonize=no', '--exit-idle-time=-1', '--use-pid-file=no',
    '--disable-shm', '-F', '/dev/null', `--load=module-native-protocol-unix socket=${socket} auth-anonymous=1`,
    '--load=module-null-sink sink_name=silence', '--log-target=stderr', '--log-level=info'],
  { env: { ...process.env, XDG_RUNTIME_DIR: folder, HOME: folder } });
  const { exited } = await whenStarted(child, /Daemon startup complete/, 'PulseAudio');
  return { env: { PULSE_SERVER: `unix:${socket}` }, stop: () => {
    child.kill();
    return exited;
  } };
}

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

// The sound server and the browsers named, for the tests of a file, in the
// object returned by name. Its open(name, address, hooks) opens address in a
// new page of that browser, whose waitUntil(fn, arg) resolves to true once
// fn(arg) holds in the page, false after 10 s.
function useBrowsers(names = ['chromium', 'firefox']) {
  let pulse = null;
  const open = async (name, address, hooks = {}) => {
    const page = await browsers[name].newPage();
    if (name === 'chromium') await page.addInitScript(audioHooks, hooks);
    else await page.evaluateOnNewDocument(audioHooks, hooks);
    await page.goto(address);
    const options = { timeout: 10000, polling: 100 };
    const waitUntil = (fn, arg) => (name === 'chromium' ? page.waitForFunction(fn, arg, options)
      : page.waitForFunction(fn, options, arg)).then(() => true, () => false);
    return Object.assign(page, { waitUntil });
  };
  const browsers = { open };
  before(async () => {
    pulse = await startPulse();
    for (const name of names) browsers[name] = await launch(name, { ...process.env, ...pulse.env });
  });
  after(async () => {
    for (const name of names) if (browsers[name]) await browsers[name].close();
    if (pulse) await pulse.stop();
    removeTempFolders();
  });
  return browsers;
}

module.exports = { startPulse, launch, useBrowsers };
