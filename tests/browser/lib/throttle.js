// A static file server on 127.0.0.1 whose answers all share one slow line,
// as over a modem: bytesPerSecond in total, handed out in small slices.
'use strict';

const fs = require('node:fs');
const http = require('node:http');
const path = require('node:path');

const kTypes = {
  '.htm': 'text/html', '.mp3': 'audio/mpeg', '.swf': 'application/x-shockwave-flash',
  '.js': 'text/javascript', '.wasm': 'application/wasm',
};
const kTickMs = 20;

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
  const sending = [];
  // By the time gone, not the ticks: on a busy machine ticks come late.
  let last = Date.now();
  const timer = setInterval(() => {
    const now = Date.now();
    let budget = Math.round((bytesPerSecond * (now - last)) / 1000);
    last = now;
    while (budget > 0 && sending.length > 0) {
      const job = sending[0];
      const n = Math.min(budget, job.data.length - job.at);
      job.res.write(job.data.subarray(job.at, job.at + n));
      job.at += n;
      budget -= n;
      sending.shift();
      if (job.at < job.data.length) sending.push(job);
      else job.res.end();
    }
  }, kTickMs);

  const server = http.createServer((req, res) => {
    if (from) {
      const pathname = new URL(req.url, 'http://127.0.0.1').pathname;
      relayed(from, pathname, req, identity).then((answer) => {
        const headers = Object.fromEntries(kRelayedHeaders.filter((h) => h in answer.headers)
          .map((h) => [h, answer.headers[h]]));
        res.writeHead(answer.status, headers);
        sent.push({ path: pathname, status: answer.status, encoding: headers['content-encoding'] || 'identity',
          bytes: answer.data.length });
        sending.push({ res, data: answer.data, at: 0 });
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
    else sending.push({ res, data, at: 0 });
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => {
      resolve({
        url: `http://127.0.0.1:${server.address().port}/`,
        sent,
        close: () => new Promise((done) => {
          clearInterval(timer);
          server.closeAllConnections();
          server.close(done);
        }),
      });
    });
  });
}

module.exports = { serveThrottled };
