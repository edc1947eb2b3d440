// A static file server on 127.0.0.1 whose answers all share one slow line,
// as over a modem: bytesPerSecond in total, handed out in small slices.
'use strict';

const fs = require('node:fs');
const http = require('node:http');
const path = require('node:path');
const zlib = require('node:zlib');

const kTypes = {
  '.htm': 'text/html', '.mp3': 'audio/mpeg', '.swf': 'application/x-shockwave-flash',
  '.js': 'text/javascript', '.wasm': 'application/wasm',
};
const kTickMs = 20;

// Serves root over the slow line; the player's files, when given, come from
// playerFolder under /player/ at full speed (as from the browser's cache).
// Without contentLength the answers are chunked; with gzip, pages go
// compressed to a browser that takes them so, as most web servers send them.
// Resolves to { url, close }.
function serveThrottled(root, bytesPerSecond, playerFolder = null, { contentLength = true, gzip = false } = {}) {
  const sending = [];
  const slice = (bytesPerSecond * kTickMs) / 1000;
  const timer = setInterval(() => {
    let budget = slice;
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
    const pathname = decodeURIComponent(new URL(req.url, 'http://127.0.0.1').pathname);
    const fromPlayer = playerFolder && pathname.startsWith('/player/');
    const base = fromPlayer ? playerFolder : root;
    const file = path.resolve(base, pathname.slice(fromPlayer ? '/player/'.length : 1));
    if (!file.startsWith(path.resolve(base) + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      res.writeHead(404);
      res.end();
      return;
    }
    const compress = gzip && path.extname(file) === '.htm' && /\bgzip\b/.test(req.headers['accept-encoding'] || '');
    const data = compress ? zlib.gzipSync(fs.readFileSync(file)) : fs.readFileSync(file);
    res.writeHead(200, {
      'Content-Type': kTypes[path.extname(file)] || 'application/octet-stream',
      ...(compress ? { 'Content-Encoding': 'gzip' } : {}),
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
