#include "writers/every_browser_page.h"

#include <algorithm>
#include <cstdint>

#include "core/setting_text.h"
#include "core/utf8.h"
#include "writers/controller_copy.h"
#include "writers/controller_list.h"
#include "writers/every_browser_page_script.h"
#include "writers/page_lines.h"

namespace sonaflux {

namespace {

// A script as the page carries it: every line flush left, and no comment
// lines, as every byte delays the sound over a slow line.
std::string compactScript(std::string_view script) {
  std::string out;
  for (std::size_t at = 0; at < script.size();) {
    const std::size_t end = std::min(script.find('\n', at), script.size());
    std::string_view text = script.substr(at, end - at);
    at = end + 1;
    text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
    if (!text.empty() && !text.starts_with("//")) out.append(text).append(kLineEnd);
  }
  return out;
}

}  // namespace

std::string escapeHtml(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    std::optional<Utf8Char> sequence = decodeUtf8(text, i);
    if (!sequence) {
      // A byte outside UTF-8 comes from Latin-1 tags: written as its character.
      appendLatin1AsUtf8(out, static_cast<std::uint8_t>(text[i]));
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
  const PageLines line(page);
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
  for (std::string_view script : {everyBrowserFeedScript(), everyBrowserMp4Script()}) {
    line("    <script>");
    page += compactScript(script);
    line("    </script>");
  }
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
