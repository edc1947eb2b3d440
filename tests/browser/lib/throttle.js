// A static file server on 127.0.0.1 whose answers all share one slow line,
// as over a modem: bytesPerSecond in total, handed out in small slices.
'use strict';

const fs = require('node:fs');
const http = require('node:http');
const path = require('node:path');

const kTypes = { '.htm': 'text/html', '.mp3': 'audio/mpeg' };
const kTickMs = 20;

// Serves root over the slow line; without contentLength the answers are
// chunked. Resolves to { url, close }.
function serveThrottled(root, bytesPerSecond, { contentLength = true } = {}) {
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
    const file = path.join(root, path.basename(decodeURIComponent(new URL(req.url, 'http://127.0.0.1').pathname)));
    if (!fs.existsSync(file)) {
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
    sending.push({ res, data, at: 0 });
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
