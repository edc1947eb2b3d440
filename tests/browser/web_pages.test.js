// The page for every browser, played in headless Chromium and Firefox ESR
// into a PulseAudio null sink: over a slow line, and on each of its three
// ways to the sound.
'use strict';

const assert = require('node:assert/strict');
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const { once } = require('node:events');
const http = require('node:http');
const path = require('node:path');
const { test } = require('node:test');

const { toneStepsWav, runJob, makeTempFolder, slowLine } = require('./lib/job.js');
const { useBrowsers } = require('./lib/browsers.js');

const browsers = useBrowsers();

const kHtml5Page = 4;
// A 56K modem line, and one fast enough not to matter.
const kSlowLine = 5000;
const kFastLine = 1000000;

// Serves the page and sound of root on 127.0.0.1, all answers sharing one
// slow line, as over a modem: bytesPerSecond in total, handed out in small
// slices. Without contentLength the answers are chunked. Resolves to { url,
// close }.
async function serveThrottled(root, bytesPerSecond, { contentLength = true } = {}) {
  const line = slowLine(bytesPerSecond);

  const server = http.createServer((req, res) => {
    const file = path.join(root, path.basename(decodeURIComponent(new URL(req.url, 'http://127.0.0.1').pathname)));
    if (!fs.existsSync(file)) return res.writeHead(404).end();
    const data = fs.readFileSync(file);
    res.writeHead(200, {
      'Content-Type': file.endsWith('.htm') ? 'text/html' : 'audio/mpeg',
      ...(contentLength ? { 'Content-Length': data.length } : {}),
    });
    line.send(res, data);
  });
  await once(server.listen(0, '127.0.0.1'), 'listening');
  return { url: `http://127.0.0.1:${server.address().port}/`, close: () => {
    line.stop();
    server.closeAllConnections();
    server.close();
  } };
}

// Serves job's folder (or opens it from disk) and opens its page; body gets
// the page, the server is closed after.
async function withJobPage(browser, job, { line = kFastLine, contentLength = true, hooks = {}, disk = false }, body) {
  const server = await serveThrottled(job.folder, line, { contentLength });
  const page = await browsers.open(browser, disk ? `file://${job.folder}/${job.page}` : server.url + job.page, hooks);
  try {
    await body(page);
  } finally {
    await page.close();
    await server.close();
  }
}

const playing = () => window.__media.some((e) => e.type === 'playing');

test('over a slow line the page starts at once and does not stall', async () => {
  const job = runJob(toneStepsWav(Array.from({ length: 40 }, (_, i) => 300 + 20 * i)),
    { outputMode: 2, pageFor: kHtml5Page });
  for (const browser of ['chromium', 'firefox']) {
    await withJobPage(browser, job, { line: kSlowLine }, async (page) => {
      assert.ok(await page.waitUntil(playing), `${browser}: no sound`);
      // Four seconds of sound take over six over the line: it must keep up.
      assert.ok(await page.waitUntil(() => document.querySelector('audio').currentTime > 4), `${browser}: stopped`);
      // Waiting before the first playing is the start, not a stall.
      const events = await page.evaluate(() => window.__media);
      const started = events.find((e) => e.type === 'playing').at;
      assert.deepEqual(events.filter((e) => e.type === 'waiting' && e.at > started), [], `${browser}: stalled`);
      // Not the plain address, which Firefox plays only after some 30 KB.
      assert.match(await page.evaluate(() => document.querySelector('audio').src), /^blob:/, browser);
    });
  }
});
test('the frames wrapped into MP4 are the sound file\'s, frame for frame', async () => {
  const job = runJob(toneStepsWav([400, 800, 600]), { outputMode: 3, pageFor: kHtml5Page });
  await withJobPage('firefox', job, { hooks: { keepAppended: true } }, async (page) => {
    assert.ok(await page.waitUntil(() => window.__media.some((e) => e.type === 'ended')));
    const bytes = Buffer.from(await page.evaluate(() => window.__appended.flat()));
    const wrapped = path.join(makeTempFolder('wrapped'), 'sound.mp4');
    fs.writeFileSync(wrapped, bytes);
    // The stream is 22 050 Hz, MPEG-2 audio: object type 0x69 in the decoder
    // configuration, which follows the box's name, version and flags, and
    // the elementary stream descriptor's tag, length, id and flags.
    assert.equal(bytes[bytes.indexOf('esds') + 4 + 4 + 5 + 2], 0x69);
    const probe = (file) => JSON.parse(execFileSync('ffprobe', ['-v', 'error', '-count_frames', '-show_format',
      '-show_streams', '-of', 'json', file]));
    const mp4 = probe(wrapped);
    const mp3 = probe(path.join(job.folder, `${job.base}.mp3`)).streams[0];
    const stream = mp4.streams[0];
    assert.match(mp4.format.format_name, /mp4/);
    assert.deepEqual([stream.codec_name, stream.sample_rate, stream.channels, stream.nb_read_frames],
      ['mp3', mp3.sample_rate, mp3.channels, mp3.nb_read_frames]);
    const seconds = (mp3.nb_read_frames * 576) / Number(mp3.sample_rate);
    assert.ok(Math.abs(Number(stream.duration) - seconds) < 0.001, `${stream.duration} s, not ${seconds} s`);
  });
});

test('every way to the sound starts, and loops or ends as the instruction says', async () => {
  // mpeg and mp4 are each browser's own way; refusing every MediaSource type
  // leaves the plain address, and so does a page opened from disk.
  const rows = [
    { browser: 'chromium', way: 'mpeg', instruction: 'e' },
    { browser: 'chromium', way: 'plain', instruction: 'f' },
    { browser: 'chromium', way: 'disk', instruction: 'e' },
    { browser: 'firefox', way: 'mp4', instruction: 'f', contentLength: false },
  ];
  for (const { browser, way, instruction, contentLength = true } of rows) {
    const name = `${browser}, ${way}, ${instruction}${contentLength ? '' : ', no length'}`;
    const job = runJob(toneStepsWav([400]), { outputMode: 1, instruction, pageFor: kHtml5Page });
    const hooks = { refuse: way === 'plain' ? '.' : null };
    await withJobPage(browser, job, { contentLength, hooks, disk: way === 'disk' }, async (page) => {
      const seen = async (type) => page.waitUntil((t) => window.__media.some((e) => e.type === t), type);
      if (instruction === 'e') {
        assert.ok(await seen('seeking'), `${name}: did not go round`);
        const stopped = () => document.querySelector('audio').paused || window.__media.some((e) => e.type === 'ended');
        assert.ok(!(await page.evaluate(stopped)), `${name}: stopped after going round`);
      } else {
        assert.ok(await seen('ended'), `${name}: did not end`);
      }
      const source = await page.evaluate(() => document.querySelector('audio').src);
      assert.equal(source.startsWith('blob:'), way === 'mpeg' || way === 'mp4', `${name}: ${source}`);
    });
  }
});
