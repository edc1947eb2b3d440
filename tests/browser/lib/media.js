// Records what the page's <audio> elements do, from the start of the page.
'use strict';

function mediaHooks() {
  window.__media = [];
  for (const type of ['playing', 'waiting', 'pause', 'ended', 'seeking', 'timeupdate', 'error']) {
    document.addEventListener(type, (e) => {
      window.__media.push({ type, at: performance.now(), time: e.target.currentTime });
    }, true);
  }
}

/// Opens url in a new tab with the hooks; returns { page, problems }.
async function openMediaPage(context, url) {
  const page = await context.newPage();
  const problems = [];
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  page.on('console', (m) => {
    if (m.type() === 'error' && !/^Failed to load resource/.test(m.text())) problems.push(`console: ${m.text()}`);
  });
  page.on('response', (r) => {
    if (r.status() >= 400 && !r.url().endsWith('/favicon.ico')) problems.push(`status of ${r.status()} for ${r.url()}`);
  });
  await page.addInitScript(mediaHooks);
  await page.goto(url);
  return { page, problems };
}

async function mediaEvents(page) {
  return page.evaluate(() => window.__media);
}

/// The element's state: paused, loop, autoplay, currentTime.
async function audioState(page) {
  return page.evaluate(() => {
    const a = document.querySelector('audio');
    return { paused: a.paused, loop: a.loop, autoplay: a.autoplay, time: a.currentTime, ended: a.ended };
  });
}

module.exports = { openMediaPage, mediaEvents, audioState };
