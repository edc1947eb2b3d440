// A static file server on 127.0.0.1 for one output folder, with Ruffle's
// self-hosted files under /__ruffle/.
'use strict';

const fs = require('node:fs');
const http = require('node:http');
const path = require('node:path');

const kRuffleFolder = path.dirname(require.resolve('@ruffle-rs/ruffle/package.json'));
const kTypes = {
  '.htm': 'text/html', '.html': 'text/html', '.swf': 'application/x-shockwave-flash',
  '.js': 'text/javascript', '.wasm': 'application/wasm', '.txt': 'text/plain', '.map': 'application/json',
  '.mp3': 'audio/mpeg',
};

function resolveRequest(root, url) {
  const pathname = decodeURIComponent(new URL(url, 'http://127.0.0.1').pathname);
  const [base, rest] = pathname.startsWith('/__ruffle/')
    ? [kRuffleFolder, pathname.slice('/__ruffle/'.length)]
    : [root, pathname.slice(1)];
  const file = path.resolve(base, rest);
  return file.startsWith(path.resolve(base) + path.sep) ? file : null;
}

/// Starts serving root; resolves to { url, requests, close }.
function serveFolder(root) {
  const requests = [];
  const server = http.createServer((req, res) => {
    requests.push({ url: req.url, at: Date.now() });
    if (req.url === '/favicon.ico') {
      res.writeHead(204);
      res.end();
      return;
    }
    const file = resolveRequest(root, req.url);
    if (!file || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      res.writeHead(404);
      res.end();
      return;
    }
    res.writeHead(200, { 'Content-Type': kTypes[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(res);
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      resolve({
        url: `http://127.0.0.1:${port}/`,
        requests,
        close: () => new Promise((done) => { server.closeAllConnections(); server.close(done); }),
      });
    });
  });
}

module.exports = { serveFolder };
