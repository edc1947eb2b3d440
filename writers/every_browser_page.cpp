#include "writers/every_browser_page.h"

#include <cstdint>

#include "core/setting_text.h"
#include "core/utf8.h"
#include "writers/controller_copy.h"
#include "writers/controller_list.h"

namespace sonaflux {

namespace {

const char* const kLineEnd = "\r\n";

// Feeds the sound file to the element through a MediaSource as it arrives;
// a page opened from disk (where fetching is refused), a browser without
// MediaSource or without MP3 in it, or a file too big for its buffer gets
// the plain address instead.
const char* const kFeedScript[] = {
    "(function () {",
    "  var audio = document.getElementById('sound');",
    "  var file = audio.getAttribute('data-src');",
    "  var type = 'audio/mpeg';",
    "  var largest = 8000000;",
    "  function plain() { audio.src = file; }",
    "  if (location.protocol === 'file:' || !window.MediaSource || !MediaSource.isTypeSupported(type) ||",
    "      !window.fetch) return plain();",
    "  var source = new MediaSource();",
    "  var address = URL.createObjectURL(source);",
    "  source.addEventListener('sourceopen', function () {",
    "    URL.revokeObjectURL(address);",
    "    var buffer = source.addSourceBuffer(type);",
    "    var pieces = [];",
    "    var done = false;",
    "    function feed() {",
    "      if (buffer.updating || source.readyState !== 'open') return;",
    "      try {",
    "        if (pieces.length) buffer.appendBuffer(pieces.shift());",
    "        else if (done) source.endOfStream();",
    "      } catch (error) {",
    "        plain();",
    "      }",
    "    }",
    "    buffer.addEventListener('updateend', feed);",
    "    fetch(file).then(function (response) {",
    "      var size = Number(response.headers.get('Content-Length'));",
    "      if (!response.ok || !response.body || size > largest) throw new Error('plain');",
    "      var reader = response.body.getReader();",
    "      function next() {",
    "        return reader.read().then(function (piece) {",
    "          if (piece.done) done = true; else pieces.push(piece.value);",
    "          feed();",
    "          if (!piece.done) return next();",
    "        });",
    "      }",
    "      return next();",
    "    }).catch(plain);",
    "  }, { once: true });",
    "  audio.src = address;",
    "})();",
};

}  // namespace

std::string escapeHtml(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    std::optional<Utf8Char> sequence = decodeUtf8(text, i);
    if (!sequence) {
      // A byte outside UTF-8 comes from Latin-1 tags: written as its character.
      auto byte = static_cast<std::uint8_t>(text[i]);
      out += static_cast<char>(0xC0 | (byte >> 6));
      out += static_cast<char>(0x80 | (byte & 0x3F));
      ++i;
      continue;
    }
    if (sequence->length > 1) {
      out.append(text, i, sequence->length);
      i += sequence->length;
      continue;
    }
    switch (text[i]) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += text[i]; break;
    }
    ++i;
  }
  return out;
}

std::string buildEveryBrowserPage(const EveryBrowserPageFields& f, const ControllerTwinSlot& slot) {
  const std::string title = escapeHtml(f.title);
  const std::string file = escapeHtml(f.soundFile);
  std::string page;
  auto line = [&page](const std::string& text) { page += text + kLineEnd; };
  line("<!DOCTYPE html>");
  line("<html>");
  line("  <head>");
  line("    <meta charset=\"utf-8\">");
  line("    <meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">");
  line("    <title>" + title + "</title>");
  line("    <style>");
  line("      body { background-color: #" + hexDigitsOnly(f.backgroundColour) + "; color: #" +
       hexDigitsOnly(f.textColour) + "; font-family: Arial, Helvetica, sans-serif }");
  line("    </style>");
  line("  </head>");
  line("  <body>");
  const bool twin = !slot.twin.empty();
  line("    <p>");
  line("      <audio id=\"sound\" data-src=\"" + file + "\"" + (twin ? "" : " controls") + " preload=\"auto\"" +
       (f.autoplay ? " autoplay" : "") + (f.loop ? " loop" : "") + "></audio>");
  if (twin) {
    line("      <span data-sound=\"sound\" data-instruction=\"" + escapeHtml(slot.instruction) +
         "\" style=\"display: inline-block; vertical-align: middle; line-height: 0; width: " +
         std::to_string(slot.width) + "px; height: " + std::to_string(slot.height) + "px\">");
    page += slot.twin;
    if (!slot.twin.ends_with("\n")) page += kLineEnd;
    line("      </span>");
  }
  line("    </p>");
  if (!f.title.empty()) line("    <p>" + title + "</p>");
  line("    <noscript><p><a href=\"" + file + "\">" + file + "</a></p></noscript>");
  line("    <script>");
  for (const char* script : kFeedScript) line(std::string("      ") + script);
  line("    </script>");
  line("  </body>");
  line("</html>");
  return page;
}

EveryBrowserPageFields everyBrowserPageFields(const AppContext& ctx) {
  const SettingsRecord& s = ctx.settings;
  EveryBrowserPageFields f;
  f.title = ctx.inputs.inputTitle;
  f.backgroundColour = s.backgroundColour;
  f.textColour = s.textColour;
  f.soundFile = ctx.job.outputBaseName + ".mp3";
  if (s.outputMode == kOutputModeController) {
    const std::string letter = normalisedInstruction(s.instruction);
    f.autoplay = letter == "e" || letter == "f";
    f.loop = letter != "d" && letter != "f";
  } else {
    f.autoplay = true;
    f.loop = s.outputMode != kOutputModeBareOnce;
  }
  return f;
}

ControllerTwinSlot controllerTwinSlot(AppContext& ctx) {
  const SettingsRecord& s = ctx.settings;
  // A name from the settings file must not lead out of the Controllers folder.
  if (s.outputMode != kOutputModeController || !isSafeControllerName(s.controllerName)) return {};
  const ControllerSize size = controllerSize(s.controllerName);
  const std::string path = controllerTwinPath(controllerFolderFor(ctx.paths, s.controllerName), s.controllerName);
  return {readControllerTwin(ctx.host, path), size.width, size.height, normalisedInstruction(s.instruction)};
}

}  // namespace sonaflux
