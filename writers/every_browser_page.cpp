#include "writers/every_browser_page.h"

#include <algorithm>
#include <cstdint>

#include "core/settings_rules.h"
#include "core/utf8.h"
#include "writers/every_browser_page_script.h"

namespace sonaflux {

namespace {

const char* const kLineEnd = "\r\n";

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

std::string buildEveryBrowserPage(const EveryBrowserPageFields& f) {
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
  line("    <p>");
  line("      <audio id=\"sound\" data-src=\"" + file + "\" controls preload=\"auto\"" +
       (f.autoplay ? " autoplay" : "") + (f.loop ? " loop" : "") + "></audio>");
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

}  // namespace sonaflux
