#include "writers/every_browser_page_script.h"

namespace sonaflux {

namespace {

// Feeds the sound file to the page's <audio id="sound"> through a
// MediaSource as it arrives. Where fetching is refused (a page opened from
// disk), where MediaSource or MP3 in it is missing, or for a file too big to
// keep whole in the buffer, the element gets the plain address; so does a
// file in which nothing plays, so that the element shows its own error.
const char* const kFeedScript = R"js(
(() => {
  const audio = document.getElementById('sound');
  const file = audio.dataset.src;
  // At most what a buffer keeps whole, so that looping needs no second download.
  const largest = 8e6;
  const type = location.protocol != 'file:' && window.MediaSource && window.fetch &&
    ['audio/mpeg', 'audio/mp4; codecs="mp3"'].find(t => MediaSource.isTypeSupported(t));
  let reader, quit, buffer, done, pieces = [];
  // Some browsers wait for much of the sound before they autoplay.
  audio.addEventListener('canplay', () => audio.autoplay && !audio.played.length && audio.play().catch(() => {}),
    { once: true });
  // The file's own address, from where the sound had got to.
  const plain = () => {
    if (quit) return;
    quit = 1;
    if (reader) reader.cancel().catch(() => {});
    const at = audio.currentTime;
    if (at) audio.autoplay = !audio.paused;
    audio.src = file;
    audio.currentTime = at;
  };
  if (!type) return plain();
  const join = list => {
    const out = new Uint8Array(list.reduce((n, b) => n + b.length, 0));
    list.reduce((at, b) => (out.set(b, at), at + b.length), 0);
    return out;
  };
  const source = new MediaSource();
  // MP3 as it comes, or wrapped into MP4 by the script below.
  const feed = () => {
    const wrap = type == 'audio/mpeg' ? list => list : window.sonafluxMp4;
    if (quit || !buffer || !wrap || buffer.updating || source.readyState != 'open') return;
    try {
      const data = join(wrap(pieces.splice(0)));
      if (data.length) buffer.appendBuffer(data);
      // Nothing played from the whole file: the element shows its own error.
      else if (done) buffer.buffered.length ? source.endOfStream() : plain();
    } catch (e) {
      plain();
    }
  };
  const start = () => fetch(file).then(response => {
    if (!response.ok || response.headers.get('Content-Length') > largest) return plain();
    reader = response.body.getReader();
    let size = 0;
    const next = () => reader.read().then(piece => {
      if (piece.done) done = 1;
      else if ((size += piece.value.length) > largest) return plain();
      else pieces.push(piece.value);
      feed();
      if (!piece.done) return next();
    });
    return next();
  }).catch(plain);
  source.addEventListener('sourceopen', () => {
    // The sound may have failed and gone to the file's address meanwhile.
    if (quit) return;
    URL.revokeObjectURL(audio.src);
    buffer = source.addSourceBuffer(type);
    buffer.addEventListener('updateend', feed);
    feed();
  }, { once: true });
  // Where the wrapper is needed, the sound waits for it rather than share a slow line with it.
  if (type == 'audio/mpeg' || document.readyState != 'loading') start();
  else addEventListener('DOMContentLoaded', start);
  audio.src = URL.createObjectURL(source);
})();
)js";

// The wrapper the feeding script waits for where MP3 goes into a MediaSource
// only inside MP4. It comes second in the page, so that where it is not
// needed the sound does not wait for it over a slow line.
const char* const kMp4Script = R"js(
// MP3 frames wrapped into fragmented MP4, for browsers that take MP3 only so.
window.sonafluxMp4 = (() => {
  // The MPEG audio layer III frame whose header is at h[0..3], or nothing.
  const frame = h => {
    const v = h[1] >> 3 & 3, k = h[2] >> 4, r = h[2] >> 2 & 3, one = v == 3;
    if (h[0] != 255 || (h[1] & 230) != 226 || v == 1 || !k || k == 15 || r == 3) return;
    const rate = [44100, 48000, 32000][r] >> (one ? 0 : v == 2 ? 1 : 2);
    const kbits = (one ? [32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320]
      : [8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160])[k - 1];
    return { size: ((one ? 144e3 : 72e3) * kbits / rate | 0) + (h[2] >> 1 & 1), form: v * 4 + r,
      samples: one ? 1152 : 576, rate, one, mono: h[3] >> 6 == 3 };
  };
  const u32 = n => [n >>> 24, n >> 16 & 255, n >> 8 & 255, n & 255];
  const zeros = n => Array(n).fill(0);
  const text = s => [...s].map(c => c.charCodeAt());
  const box = (kind, ...parts) => {
    const body = parts.flatMap(p => typeof p == 'string' ? text(p) : p);
    return [...u32(body.length + 8), ...text(kind), ...body];
  };
  // Object type 107 (0x6B) is MPEG-1 audio, 105 (0x69) MPEG-2 audio; stream type 5 audio.
  const init = f => [...box('ftyp', 'isom', zeros(4)), ...box('moov',
    box('mvhd', zeros(12), u32(1e3), zeros(80), u32(2)),
    box('trak', box('tkhd', u32(3), zeros(8), u32(1), zeros(68)),
      box('mdia', box('mdhd', zeros(12), u32(f.rate), zeros(8)), box('hdlr', zeros(8), 'soun', zeros(13)),
        box('minf', box('stbl', box('stsd', u32(0), u32(1), box('mp4a', zeros(7), [1], zeros(9),
          [f.mono ? 1 : 2, 0, 16], zeros(4), u32(f.rate * 65536),
          box('esds', u32(0), [3, 21, 0, 1, 0, 4, 13, f.one ? 107 : 105, 21], zeros(11), [6, 1, 2]))),
          box('stts', zeros(8)), box('stsc', zeros(8)), box('stsz', zeros(12)), box('stco', zeros(8)))))),
    box('mvex', box('trex', u32(0), u32(1), u32(1), zeros(12))))];
  let got = [], first, count = 0;
  return pieces => {
    got = got.concat(...pieces.map(p => [...p]));
    // Whole frames, alike in form to the first.
    const list = [];
    let i = 0, f;
    while (i + 4 <= got.length && (!(f = frame(got.slice(i, i + 4))) || i + f.size <= got.length)) {
      first = first || f;
      if (f && f.form == first.form) list.push(got.slice(i, i += f.size));
      else i++;
    }
    got = got.slice(i);
    if (!list.length) return [];
    const s = first.samples, sizes = list.flatMap(f => u32(f.length));
    const moof = at => box('moof', box('mfhd', u32(0), u32(count + 1)), box('traf',
      box('tfhd', u32(0x20008), u32(1), u32(s)), box('tfdt', u32(0), u32(count * s)),
      box('trun', u32(0x201), u32(list.length), u32(at), sizes)));
    const head = [...count ? [] : init(first), ...moof(moof(0).length + 8), ...box('mdat', list.flat())];
    count += list.length;
    return [new Uint8Array(head)];
  };
})();
)js";

}  // namespace

std::string_view everyBrowserFeedScript() { return std::string_view(kFeedScript).substr(1); }

std::string_view everyBrowserMp4Script() { return std::string_view(kMp4Script).substr(1); }

}  // namespace sonaflux
