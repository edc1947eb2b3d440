// The controllers' twins on the standards page: their size, their buttons,
// the instruction letters, a blocked autoplay, a broken sound, and their look
// beside the controller itself in Ruffle.
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { test, before, after } = require('node:test');

const {
  toneStepsWav, runJob, makeTempFolder, removeTempFolders, writePreviewPage, startServing, servePage,
} = require('./lib/job.js');
const { launch } = require('./lib/browsers.js');
const { startPulse } = require('./lib/pulse.js');

const kHtml5Page = 4;
// Button centres and the bar's size of each shipped controller's layout.
const kControllers = {
  Classic01150040: { size: [150, 40], play: [28, 16], pause: [75, 16], stop: [122, 16] },
  Deck01120060: { size: [120, 60], play: [60, 39], pause: [24, 39], stop: [96, 39] },
  Slim01240024: { size: [240, 24], play: [13, 12], pause: [34, 12], stop: [55, 12] },
};
// Share of pixels of a twin's screenshot that may differ from the
// controller's in Ruffle, and by how much a channel may differ before a pixel
// counts: edges are smoothed differently by the two renderers.
const kMostDifferingPixels = 0.01;
const kChannelTolerance = 16;

// No network: what a page needs comes from the loopback.
const kRemote = /^https?:\/\/(?!127\.0\.0\.1[:/])/;

// A browser from a launcher: { newPage(), close() }, its pages with goto,
// evaluate, mouse, screenshot, on('request'|'pageerror'|'console').
async function launchChromium(env, autoplay) {
  const context = await launch('chromium', env, { autoplay });
  await context.route(kRemote, (route) => route.abort());
  return { newPage: () => context.newPage(), close: () => context.close() };
}
async function launchFirefox(env, autoplay) {
  const browser = await launch('firefox', env, { autoplay });
  const newPage = async () => {
    const page = await browser.newPage();
    await page.setRequestInterception(true);
    page.on('request', (r) => (kRemote.test(r.url()) ? r.abort() : r.continue()));
    return page;
  };
  return { newPage, close: () => browser.close() };
}
const kLaunchers = { chromium: launchChromium, firefox: launchFirefox };

const browsers = {};
let pulse = null;
before(async () => {
  pulse = await startPulse();
  const env = { ...process.env, ...pulse.env };
  for (const [name, launchOne] of Object.entries(kLaunchers)) {
    browsers[name] = { free: await launchOne(env, true), blocked: await launchOne(env, false) };
  }
});
after(async () => {
  for (const { free, blocked } of Object.values(browsers)) await Promise.all([free.close(), blocked.close()]);
  if (pulse) await pulse.stop();
  removeTempFolders();
});

// Polls the twin's state until want(state) holds or the deadline passes;
// hands back the last state.
async function waitState(page, want, timeout = 10000) {
  const deadline = Date.now() + timeout;
  for (;;) {
    const state = await page.evaluate(twinState);
    if (want(state) || Date.now() > deadline) return state;
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
}

// The twin's state, its bars' scales and the <audio> element's.
function twinState() {
  const audio = document.querySelector('audio');
  const svg = document.querySelector('svg[data-state]');
  const scale = (name) => Number(/scale\(([^ )]+)/
    .exec(svg.querySelector(`.snx-${name}`).getAttribute('transform'))[1]);
  const box = svg.getBoundingClientRect();
  return { state: svg.getAttribute('data-state'), loaded: scale('loaded'), played: scale('played'),
    paused: audio.paused, time: audio.currentTime, loop: audio.loop, ended: audio.ended, error: !!audio.error,
    plays: window.playsSettled,
    box: { x: box.x, y: box.y, width: box.width, height: box.height } };
}

// Counts the page's play() calls whose promise has settled, so that a test can
// wait for the outcome of a press.
function countPlays() {
  window.playsSettled = 0;
  const play = HTMLMediaElement.prototype.play;
  HTMLMediaElement.prototype.play = function () {
    const started = play.call(this);
    started.finally(() => { window.playsSettled += 1; }).catch(() => {});
    return started;
  };
}

// Tells the console the twin's state once the sound can play through and
// autoplay, if allowed, has had its moment. Asking the page instead would
// count as a press: Puppeteer evaluates over BiDi with user activation, and
// so does Playwright in Chromium. Later asks are harmless: only a click on
// the twin plays.
function reportSettled() {
  document.addEventListener('canplaythrough', () => setTimeout(() => {
    console.log(`twin settled ${JSON.stringify(window.twinState())}`);
  }, 500), { capture: true, once: true });
}

// A job's standards page and sound, and nothing else, in a folder of their own.
function html5Set(controllerName, instruction, tones) {
  const job = runJob(toneStepsWav(tones), { outputMode: 1, controllerName, instruction, pageFor: kHtml5Page });
  const folder = makeTempFolder('site');
  for (const name of [job.page, `${job.base}.mp3`]) {
    fs.copyFileSync(path.join(job.folder, name), path.join(folder, name));
  }
  return { folder, page: job.page, sound: path.join(folder, `${job.base}.mp3`) };
}

function serveStatic(folder, page) {
  return startServing('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', folder],
    { pattern: /(http:\/\/127\.0\.0\.1:\d+\/)/, stop: 'kill', page });
}

// Opens the address in a new page of browser, hands { page, requests, settled }
// to body, settled resolving to the state reportSettled tells; page errors and
// console errors but those matching allowed fail the test.
async function withPage(browser, address, body, { allowed = null } = {}) {
  const page = await browser.newPage();
  const problems = [];
  const requests = [];
  let tell;
  const settled = new Promise((resolve, reject) => {
    tell = resolve;
    setTimeout(() => reject(new Error('the sound never became ready')), 10000).unref();
  });
  settled.catch(() => {});
  try {
    page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
    page.on('console', (m) => {
      if (m.type() === 'error') problems.push(`console: ${m.text()}`);
      const told = /^twin settled (.*)/.exec(m.text());
      if (told) tell(JSON.parse(told[1]));
    });
    page.on('request', (r) => requests.push(r.url()));
    await (page.addInitScript || page.evaluateOnNewDocument)
      .call(page, `window.twinState = ${twinState}; (${countPlays})(); (${reportSettled})();`);
    await page.goto(address);
    await body({ page, requests, settled });
    assert.deepEqual(problems.filter((p) => !allowed || !allowed.test(p)), []);
  } finally {
    await page.close();
  }
}

async function press(page, box, [x, y]) {
  await page.mouse.click(box.x + x, box.y + y, { delay: 60 });
}

test('each twin shows at its coded size with nothing but the page and its sound', async () => {
  for (const [browserName, { free }] of Object.entries(browsers)) {
    for (const [name, at] of Object.entries(kControllers)) {
      const set = html5Set(name, 'c', [400, 800]);
      const serving = await serveStatic(set.folder, set.page);
      try {
        await withPage(free, serving.address, async ({ requests, settled }) => {
          // Settled, the page has asked for its sound.
          const state = await settled;
          assert.deepEqual([state.box.width, state.box.height], at.size, `${browserName} ${name}`);
          const asked = new Set(requests.map((r) => r.slice(serving.address.lastIndexOf('/') + 1)));
          asked.delete('favicon.ico');
          assert.deepEqual([...asked].sort(), [set.page, path.basename(set.sound)].sort(), `${browserName} ${name}`);
        }, { allowed: /404/ });
      } finally {
        await serving.stop();
      }
    }
  }
});

test('each twin plays, pauses, resumes from the pause and stops back to the start', async () => {
  for (const [browserName, { free }] of Object.entries(browsers)) {
    for (const [name, at] of Object.entries(kControllers)) {
      const label = `${browserName} ${name}`;
      const set = html5Set(name, 'c', [300, 400, 500, 600, 700, 800, 900, 1000]);
      const serving = await servePage(set.folder, set.page);
      try {
        await withPage(free, serving.address, async ({ page, settled }) => {
          let state = await settled;
          const { box } = state;
          assert.deepEqual([state.state, state.paused, state.time, state.played], ['stopped', true, 0, 0], label);
          assert.ok(state.loaded > 0, `${label}: the loaded bar stays empty`);

          await press(page, box, at.play);
          state = await waitState(page, (s) => s.time > 2 && s.state === 'playing');
          assert.ok(state.state === 'playing' && state.played > 0, `${label}: Play: ${JSON.stringify(state)}`);

          await press(page, box, at.pause);
          const paused = await waitState(page, (s) => s.paused && s.state === 'paused');
          assert.deepEqual([paused.state, paused.paused], ['paused', true], `${label}: Pause`);

          await press(page, box, at.play);
          const resumed = await waitState(page, (s) => !s.paused && s.state === 'playing');
          assert.equal(resumed.state, 'playing', `${label}: Play after Pause did not play`);
          assert.ok(resumed.time >= paused.time && resumed.time < paused.time + 1,
            `${label}: paused at ${paused.time} s, resumed at ${resumed.time} s`);

          await press(page, box, at.stop);
          state = await waitState(page, (s) => s.paused && s.state === 'stopped');
          assert.deepEqual([state.state, state.time, state.played], ['stopped', 0, 0], `${label}: Stop`);

          await press(page, box, at.play);
          state = await waitState(page, (s) => !s.paused && s.state === 'playing');
          assert.ok(state.state === 'playing' && state.time < 1, `${label}: Play after Stop: ${JSON.stringify(state)}`);
        });
      } finally {
        await serving.stop();
      }
    }
  }
});

test('the instruction letter decides whether the twin starts and whether the sound loops', async () => {
  const rows = [
    { instruction: 'c', starts: false, loops: true },
    { instruction: 'd', starts: false, loops: false },
    { instruction: 'e', starts: true, loops: true },
    { instruction: 'f', starts: true, loops: false },
    { instruction: 'x', starts: false, loops: true },
  ];
  for (const [browserName, { free }] of Object.entries(browsers)) {
    for (const { instruction, starts, loops } of rows) {
      const label = `${browserName} ${instruction}`;
      const set = html5Set('Slim01240024', instruction, [400, 800]);
      const serving = await servePage(set.folder, set.page);
      try {
        await withPage(free, serving.address, async ({ page, settled }) => {
          const state = await settled;
          assert.deepEqual([state.state, state.loop], [starts ? 'playing' : 'stopped', loops], label);
          if (!starts || loops) return;
          // Played once, the twin rests at the end, its bar full.
          const end = await waitState(page, (s) => s.state === 'ended');
          assert.deepEqual([end.state, end.played], ['ended', 1], `${label}: ${JSON.stringify(end)}`);
        });
      } finally {
        await serving.stop();
      }
    }
  }
});

test('where autoplay is blocked, a playing instruction shows stopped and starts on a press', async () => {
  for (const [browserName, { blocked }] of Object.entries(browsers)) {
    const set = html5Set('Deck01120060', 'e', [400, 800, 400, 800]);
    const serving = await servePage(set.folder, set.page);
    try {
      await withPage(blocked, serving.address, async ({ page, settled }) => {
        const state = await settled;
        assert.deepEqual([state.state, state.paused], ['stopped', true], browserName);
        await press(page, state.box, kControllers.Deck01120060.play);
        const started = await waitState(page, (s) => s.time > 0.5 && s.state === 'playing');
        assert.equal(started.state, 'playing', `${browserName}: a press did not start it`);
      });
    } finally {
      await serving.stop();
    }
  }
});

test('a missing or damaged sound leaves the twin stopped, also after Play', async () => {
  const rows = [
    { what: 'missing', spoil: (file) => fs.rmSync(file) },
    { what: 'damaged', spoil: (file) => fs.writeFileSync(file, Buffer.alloc(30000, 0x5a)) },
  ];
  for (const [browserName, { free }] of Object.entries(browsers)) {
    for (const { what, spoil } of rows) {
      const label = `${browserName} ${what}`;
      const set = html5Set('Classic01150040', 'e', [400, 800]);
      spoil(set.sound);
      const serving = await serveStatic(set.folder, set.page);
      try {
        await withPage(free, serving.address, async ({ page }) => {
          const broken = await waitState(page, (s) => s.error);
          assert.ok(broken.error, `${label}: the element shows no error`);
          assert.deepEqual([broken.state, broken.played], ['stopped', 0], label);
          await press(page, broken.box, kControllers.Classic01150040.play);
          const after = await waitState(page, (s) => s.plays > broken.plays);
          assert.deepEqual([after.plays > broken.plays, after.state], [true, 'stopped'], `${label}: after Play`);
        }, { allowed: /404|Failed to load|NotSupportedError|no supported source/i });
      } finally {
        await serving.stop();
      }
    }
  }
});

// Share of pixels of two same-sized PNG screenshots whose channels differ by
// more than the tolerance, compared in the page.
function differingShare([first, second, tolerance]) {
  const pixels = (png) => new Promise((resolve, reject) => {
    const image = new Image();
    image.onload = () => {
      const canvas = document.createElement('canvas');
      canvas.width = image.width;
      canvas.height = image.height;
      const context = canvas.getContext('2d');
      context.drawImage(image, 0, 0);
      resolve(context.getImageData(0, 0, image.width, image.height).data);
    };
    image.onerror = reject;
    image.src = `data:image/png;base64,${png}`;
  });
  return Promise.all([pixels(first), pixels(second)]).then(([a, b]) => {
    let differing = 0;
    for (let i = 0; i < a.length; i += 4) {
      if ([0, 1, 2].some((c) => Math.abs(a[i + c] - b[i + c]) > tolerance)) differing += 1;
    }
    return differing / (a.length / 4);
  });
}

// Ruffle plays Flash in Chromium only in these tests.
test('each twin looks like its controller in Ruffle, idle and with the pointer on Play', async () => {
  const page = await browsers.chromium.free.newPage();
  const serving = await servePage(writePreviewPage('FFFFFF', '000000'), 'preview.htm');
  const shares = [];
  try {
    await page.addInitScript(() => { window.RufflePlayer = { config: { preferredRenderer: 'canvas' } }; });
    await page.goto(serving.address);
    const movies = page.locator('ruffle-embed, ruffle-object, ruffle-player');
    await movies.first().waitFor({ state: 'attached', timeout: 30000 });
    for (const [i, [name, at]] of Object.entries(kControllers).entries()) {
      const movie = movies.nth(i);
      const twin = page.locator(`svg.snx-${name}`);
      // Until Ruffle has drawn the panel: a pixel on its top edge is opaque.
      await page.waitForFunction((n) => {
        const host = document.querySelectorAll('ruffle-embed, ruffle-object, ruffle-player')[n];
        const canvas = host && host.shadowRoot && host.shadowRoot.querySelector('canvas');
        const width = canvas ? canvas.getBoundingClientRect().width : 0;
        if (!width || !canvas.width) return false;
        const scale = canvas.width / width;
        return canvas.getContext('2d').getImageData(Math.round(canvas.width / 2), Math.round(2 * scale), 1, 1)
          .data[3] === 255;
      }, i, { timeout: 30000, polling: 100 });
      for (const pointer of ['idle', 'play']) {
        const shots = [];
        for (const element of [movie, twin]) {
          await element.scrollIntoViewIfNeeded();
          const box = await element.boundingBox();
          if (pointer === 'idle') await page.mouse.move(0, 0);
          else await page.mouse.move(box.x + at.play[0], box.y + at.play[1]);
          await page.waitForTimeout(400);
          shots.push((await page.screenshot({ clip: { x: box.x, y: box.y, width: at.size[0], height: at.size[1] } }))
            .toString('base64'));
        }
        const share = await page.evaluate(differingShare, [...shots, kChannelTolerance]);
        shares.push(`${name} ${pointer}: ${(share * 100).toFixed(2)} %`);
        assert.ok(share <= kMostDifferingPixels, `${name} ${pointer}: ${(share * 100).toFixed(2)} % of pixels differ`);
      }
    }
  } finally {
    await page.close();
    await serving.stop();
    console.log(`differing pixels: ${shares.join(', ')}`);
  }
});
