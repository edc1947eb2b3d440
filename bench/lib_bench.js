// What bench/first_sound.js needs beyond the browser tests' own support: a
// slow line that can relay another server's answers, and both browsers with
// the times of sounding Web Audio buffers.
'use strict';

const fs = require('node:fs');
const http = require('node:http');
const path = require('node:path');

const lib = path.join(__dirname, '..', 'tests', 'browser', 'lib');
const { launch, startPulse } = require(path.join(lib, 'browsers.js'));
const { slowLine } = require(path.join(lib, 'job.js'));

// A static file server on 127.0.0.1 whose answers all share one slow line,
// as over a modem: bytesPerSecond in total, handed out in small slices.

const kTypes = {
  '.htm': 'text/html', '.mp3': 'audio/mpeg', '.swf': 'application/x-shockwave-flash',
  '.js': 'text/javascript', '.wasm': 'application/wasm',
};

// The answer of another server (the preview server) to req, for path under
// base, with that server's status, headers and bytes as they came; with
// identity, asked for without compression.
function relayed(base, pathname, req, identity) {
  const target = new URL(pathname.slice(1), base);
  const headers = { ...req.headers, host: target.host };
  if (identity) delete headers['accept-encoding'];
  return new Promise((resolve, reject) => {
    http.get(target, { headers }, (answer) => {
      const chunks = [];
      answer.on('data', (chunk) => chunks.push(chunk));
      answer.on('end', () => resolve({ status: answer.statusCode, headers: answer.headers,
        data: Buffer.concat(chunks) }));
    }).on('error', reject);
  });
}

const kRelayedHeaders = ['content-type', 'content-length', 'content-encoding', 'content-range', 'accept-ranges',
  'vary', 'cache-control'];

// Serves root over the slow line; the player's files, when given, come from
// playerFolder under /player/ at full speed (as from the browser's cache).
// Without contentLength the answers are chunked. With from (an address
// ending in /), every answer is that server's, relayed over the line, and
// listed in sent as { path, status, encoding, bytes }; with identity as
// well, asked for uncompressed. Resolves to { url, sent, close }.
function serveThrottled(root, bytesPerSecond, playerFolder = null,
  { contentLength = true, from = null, identity = false } = {}) {
  const sent = [];
  const line = slowLine(bytesPerSecond);

  const server = http.createServer((req, res) => {
    if (from) {
      const pathname = new URL(req.url, 'http://127.0.0.1').pathname;
      relayed(from, pathname, req, identity).then((answer) => {
        const headers = Object.fromEntries(kRelayedHeaders.filter((h) => h in answer.headers)
          .map((h) => [h, answer.headers[h]]));
        res.writeHead(answer.status, headers);
        sent.push({ path: pathname, status: answer.status, encoding: headers['content-encoding'] || 'identity',
          bytes: answer.data.length });
        line.send(res, answer.data);
      }, () => res.destroy());
      return;
    }
    const pathname = decodeURIComponent(new URL(req.url, 'http://127.0.0.1').pathname);
    const fromPlayer = playerFolder && pathname.startsWith('/player/');
    const base = fromPlayer ? playerFolder : root;
    const file = path.resolve(base, pathname.slice(fromPlayer ? '/player/'.length : 1));
    if (!file.startsWith(path.resolve(base) + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      res.writeHead(404);
      res.end();
      return;
    }
    const data = fs.readFileSync(file);
    res.writeHead(200, {
      'Content-Type': kTypes[path.extname(file)] || 'application/octet-stream',
      'Cache-Control': 'no-store',
      ...(contentLength ? { 'Content-Length': data.length } : {}),
    });
    if (fromPlayer) res.end(data);
    else line.send(res, data);
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => {
      resolve({
        url: `http://127.0.0.1:${server.address().port}/`,
        sent,
        close: () => new Promise((done) => {
          line.stop();
          server.closeAllConnections();
          server.close(done);
        }),
      });
    });
  });
}

const kBrowserNames = ['chromium', 'firefox'];

// Runs in the page before its own scripts: notes the events of the <audio>
// element, and the times of sounding Web Audio buffers (a player's).
function audioHooks() {
  window.__media = [];
  for (const type of ['playing', 'waiting', 'ended', 'seeking', 'error']) {
    document.addEventListener(type, () => window.__media.push({ type, at: performance.now() }), true);
  }
  window.__sound = [];
  const start = AudioBufferSourceNode.prototype.start;
  AudioBufferSourceNode.prototype.start = function (...args) {
    const peak = this.buffer.getChannelData(0).reduce((most, v) => Math.max(most, Math.abs(v)), 0);
    if (peak >= 0.01) window.__sound.push(performance.now());
    return start.apply(this, args);
  };
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

// Starts the sound server and both browsers; resolves to { open, close }:
// open(name, address) opens address in a new page of that browser.
async function startBrowsers() {
  const pulse = await startPulse();
  const env = { ...process.env, ...pulse.env };
  const browsers = {};
  const close = async () => {
    for (const name of kBrowserNames) if (browsers[name]) await browsers[name].close();
    await pulse.stop();
  };
  try {
    for (const name of kBrowserNames) browsers[name] = await launch(name, env);
  } catch (error) {
    await close();
    throw error;
  }
  const open = async (name, address) => {
    const page = await browsers[name].newPage();
    if (name === 'chromium') await page.addInitScript(audioHooks);
    else await page.evaluateOnNewDocument(audioHooks);
    await page.goto(address);
    return new Page(name, page);
  };
  return { open, close };
}

module.exports = { serveThrottled, kBrowserNames, startBrowsers };
