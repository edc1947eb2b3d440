// Time to first sound of a 40-second output set over a 5 000 bytes/s line
// (a 56K modem), for each page setting, in headless Chromium and Firefox ESR,
// three runs each, and whether the HTML5 page stalls in its first 40 s. The
// HTML5 page and its sound come from the preview server, relayed over the
// line as it sends them: the page gzip-compressed to a browser that takes
// that, and once more asked for uncompressed. Each browser is warmed up with
// one page first, as a visitor's browser is already running. The player's
// own files come at full speed, as from the browser's cache.
//
//   SONAFLUX_PROGRAM_FOLDER=build/bin/ SONAFLUX_PREVIEW_SERVE=build/test-tools/preview_serve \
//     node bench/first_sound.js [ruffle]
//
// With ruffle it measures the Ruffle page (player copied) instead.
'use strict';

const fs = require('node:fs');
const path = require('node:path');
const zlib = require('node:zlib');

const lib = path.join(__dirname, '..', 'tests', 'browser', 'lib');
const { toneStepsWav, runJob, removeTempFolders, programFolder, servePage } = require(path.join(lib, 'job.js'));
const { serveThrottled, kBrowserNames, startBrowsers } = require('./lib_bench.js');

const kSlowLine = 5000;
const kRuns = 3;
const kWatchMs = 40000;

// Milliseconds from the navigation to the first sound, or null; with watch,
// whether the <audio> waited for data in the kWatchMs after it; and how the
// page went out.
async function measure(browsers, name, folder, page, { ruffle = false, watch = false, from = null, identity = false } = {}) {
  const server = await serveThrottled(folder, kSlowLine, ruffle ? path.join(programFolder(), 'player') : null,
    { from, identity });
  const tab = await browsers.open(name, server.url + page);
  const heard = ruffle ? () => window.__sound[0] : () => window.__media.find((e) => e.type === 'playing')?.at;
  await tab.waitFor(heard, null, ruffle ? 90000 : 60000);
  const first = await tab.evaluate(heard);
  let stalled = null;
  if (watch && first) {
    await tab.waitFor((until) => performance.now() > until, first + kWatchMs, kWatchMs + 10000);
    stalled = (await tab.audioState()).events.some((e) => e.type === 'waiting' && e.at > first);
  }
  await tab.close();
  await server.close();
  const sent = server.sent.find((e) => e.path === `/${page}`);
  return { first: first ?? null, stalled, page: sent && `${sent.encoding}, ${sent.bytes} bytes` };
}

(async () => {
  programFolder();
  const browsers = await startBrowsers();
  const tones = Array.from({ length: 40 }, (_, i) => 300 + 20 * i);
  const html5 = runJob(toneStepsWav(tones), { outputMode: 2, pageFor: 4 });
  fs.writeFileSync(path.join(html5.folder, 'plain.htm'),
    `<!DOCTYPE html><html><body><audio src="${html5.base}.mp3" controls autoplay></audio></body></html>`);
  const pageBytes = fs.readFileSync(path.join(html5.folder, html5.page));
  console.log(`HTML5 page: ${pageBytes.length} bytes, ${zlib.gzipSync(pageBytes).length} compressed`);
  const serving = await servePage(html5.folder, html5.page);
  const from = serving.address.slice(0, serving.address.lastIndexOf('/') + 1);
  let rows = [
    ['Every browser (HTML5 page), as the preview server sends it', html5.folder, html5.page, { watch: true, from }],
    ['Every browser (HTML5 page), sent uncompressed', html5.folder, html5.page, { from, identity: true }],
    ['Every browser, plain <audio src> (fallback)', html5.folder, 'plain.htm', {}],
  ];
  if (process.argv.includes('ruffle')) {
    const ruffle = runJob(toneStepsWav(tones), { outputMode: 2, pageFor: 3 });
    rows = [['Flash players and Ruffle, player copied, bare output', ruffle.folder, ruffle.page, { ruffle: true }]];
  }
  try {
    for (const name of kBrowserNames) {
      await measure(browsers, name, html5.folder, html5.page);
      for (const [label, folder, page, options] of rows) {
        const runs = [];
        for (let i = 0; i < kRuns; ++i) runs.push(await measure(browsers, name, folder, page, options));
        const times = runs.map((r) => (r.first === null ? 'no sound' : `${(r.first / 1000).toFixed(2)} s`));
        const stalls = options.watch ? `, stalled in ${runs.filter((r) => r.stalled !== false).length} of ${kRuns}` : '';
        const sent = options.from ? ` (page ${[...new Set(runs.map((r) => r.page))].join('; ')})` : '';
        console.log(`${name}, ${label}: ${times.join(', ')}${stalls}${sent}`);
      }
    }
  } finally {
    await serving.stop();
    await browsers.close();
    removeTempFolders();
  }
})();
