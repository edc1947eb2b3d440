#include "tools/controllers/controller_twin.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "tools/controllers/artwork.h"

namespace sonaflux::controllers {
namespace {

const char* const kLineEnd = "\r\n";

// The same for every controller: the design only shows in the markup.
const char* const kScript[] = {
    "(function () {",
    "  var svg = document.currentScript.previousElementSibling;",
    "  var slot = svg.parentNode;",
    "  var audio = document.getElementById(slot.getAttribute('data-sound') || '');",
    "  var letter = slot.getAttribute('data-instruction');",
    "  function bar(name, share) {",
    "    var shape = svg.querySelector('.snx-' + name);",
    "    if (shape) shape.setAttribute('transform', 'scale(' + Math.max(0, Math.min(1, share || 0)) + ' 1)');",
    "  }",
    "  function draw() {",
    "    if (!audio) return;",
    "    var length = isFinite(audio.duration) ? audio.duration : 0;",
    "    var loaded = audio.buffered.length ? audio.buffered.end(audio.buffered.length - 1) : 0;",
    "    var broken = !!audio.error;",
    "    bar('loaded', broken || !length ? 0 : loaded / length);",
    "    bar('played', broken || !length ? 0 : audio.currentTime / length);",
    "    // A sound that cannot load shows as stopped, never as waiting.",
    "    svg.setAttribute('data-state', broken ? 'stopped' : audio.ended ? 'ended' : !audio.paused ? 'playing' :",
    "      audio.currentTime > 0 ? 'paused' : 'stopped');",
    "  }",
    "  function play() {",
    "    if (!audio || !audio.paused) return;",
    "    // Where the browser refuses to start without a press, stay stopped.",
    "    var started = audio.play();",
    "    if (started) started.catch(draw);",
    "  }",
    "  function pause() {",
    "    if (audio && !audio.paused) audio.pause();",
    "  }",
    "  function stop() {",
    "    if (!audio) return;",
    "    audio.pause();",
    "    audio.currentTime = 0;",
    "    draw();",
    "  }",
    "  var actions = { play: play, pause: pause, stop: stop };",
    "  Object.keys(actions).forEach(function (name) {",
    "    var button = svg.querySelector('.snx-' + name);",
    "    button.addEventListener('click', actions[name]);",
    "    button.addEventListener('keydown', function (event) {",
    "      if (event.key !== 'Enter' && event.key !== ' ') return;",
    "      event.preventDefault();",
    "      actions[name]();",
    "    });",
    "  });",
    "  if (!audio) return;",
    "  ['play', 'playing', 'pause', 'ended', 'timeupdate', 'progress', 'durationchange', 'seeked', 'emptied',",
    "    'error'].forEach(function (type) { audio.addEventListener(type, draw); });",
    "  audio.loop = letter !== 'd' && letter !== 'f';",
    "  function begin() {",
    "    if (letter === 'e' || letter === 'f') play();",
    "    draw();",
    "  }",
    "  // The page's own scripts give the element its sound first.",
    "  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', begin);",
    "  else begin();",
    "})();",
};

/// Pixels as the movie stores them, in twentieths, written as decimals.
std::string number(double pixels) {
  const long twips = std::lround(pixels * 20);
  const long whole = std::labs(twips) / 20, hundredths = std::labs(twips) % 20 * 5;
  std::string text = (twips < 0 ? "-" : "") + std::to_string(whole);
  if (hundredths) {
    char fraction[4];
    std::snprintf(fraction, sizeof fraction, ".%02ld", hundredths);
    text += fraction;
    if (text.back() == '0') text.pop_back();
  }
  return text;
}

class SvgPath : public Outline {
 public:
  void moveTo(double x, double y) override { add("M", {x, y}); }
  void lineTo(double x, double y) override { add("L", {x, y}); }
  void curveTo(double cx, double cy, double x, double y) override { add("Q", {cx, cy, x, y}); }
  const std::string& data() const { return m_data; }

 private:
  void add(const char* command, std::initializer_list<double> values) {
    if (!m_data.empty()) m_data += ' ';
    m_data += command;
    for (double v : values) m_data += ' ' + number(v);
  }
  std::string m_data;
};

template <typename Draw>
std::string pathData(Draw draw) {
  SvgPath path;
  draw(path);
  return path.data();
}

std::string colour(swf::Rgb c) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
  return text;
}

std::string translate(int x, int y) {
  return "transform=\"translate(" + std::to_string(x) + " " + std::to_string(y) + ")\"";
}

}  // namespace

std::string buildControllerTwin(const Design& d) {
  const Palette& c = d.colours;
  const std::string scope = ".snx-" + d.name;
  std::string twin;
  auto line = [&twin](const std::string& text) { twin += text + kLineEnd; };

  line("<svg class=\"snx-" + d.name + "\" width=\"" + std::to_string(d.width) + "\" height=\"" +
       std::to_string(d.height) + "\" viewBox=\"0 0 " + std::to_string(d.width) + " " + std::to_string(d.height) +
       "\" style=\"display: block\" data-state=\"stopped\" xmlns=\"http://www.w3.org/2000/svg\">");
  line("  <style>");
  line("    " + scope + " .snx-button { cursor: pointer }");
  line("    " + scope + " .snx-face { fill: " + colour(c.face) + " }");
  line("    " + scope + " .snx-button:hover .snx-face { fill: " + colour(c.faceOver) + " }");
  line("    " + scope + " .snx-button:active .snx-face { fill: " + colour(c.faceDown) + " }");
  // Pressed, the symbol sinks by a pixel, as in the movie.
  line("    " + scope + " .snx-button:active .snx-icon { transform: translate(0, 1px) }");
  line("  </style>");
  line("  <path d=\"" + pathData([&](Outline& o) {
         addRoundedRect(o, {0, 0, d.width, d.height}, d.panelRadius);
       }) +
       "\" fill=\"" + colour(c.panel) + "\"/>");
  const int barRadius = d.bar.height / 2;
  line("  <path d=\"" + pathData([&](Outline& o) { addRoundedRect(o, d.bar, barRadius); }) + "\" fill=\"" +
       colour(c.track) + "\"/>");
  // Each bar fills the track from its left end as it is scaled.
  const std::string barShape = pathData([&](Outline& o) {
    addRoundedRect(o, {0, 0, d.bar.width, d.bar.height}, barRadius);
  });
  for (const auto& [name, fill] : {std::pair{"loaded", c.loaded}, std::pair{"played", c.played}}) {
    line("  <g " + translate(d.bar.x, d.bar.y) + "><path class=\"snx-" + name + "\" d=\"" + barShape + "\" fill=\"" +
         colour(fill) + "\" transform=\"scale(0 1)\"/></g>");
  }

  struct Button {
    const char* name;
    const char* label;
    Box box;
    void (*symbol)(Outline&, Box);
  };
  for (const Button& b :
       {Button{"play", "Play", d.play, addPlaySymbol}, Button{"pause", "Pause", d.pause, addPauseSymbol},
        Button{"stop", "Stop", d.stop, addStopSymbol}}) {
    const Box local{0, 0, b.box.width, b.box.height};
    line("  <g class=\"snx-button snx-" + std::string(b.name) + "\" role=\"button\" aria-label=\"" + b.label +
         "\" tabindex=\"0\" " + translate(b.box.x, b.box.y) + ">");
    line("    <path class=\"snx-face\" d=\"" + pathData([&](Outline& o) { addButtonFace(o, d.buttonShape, local); }) +
         "\"/>");
    line("    <path class=\"snx-icon\" d=\"" + pathData([&](Outline& o) { b.symbol(o, local); }) + "\" fill=\"" +
         colour(c.icon) + "\"/>");
    line("  </g>");
  }
  line("</svg>");
  line("<script>");
  for (const char* text : kScript) line(std::string("  ") + text);
  line("</script>");
  return twin;
}

}  // namespace sonaflux::controllers
