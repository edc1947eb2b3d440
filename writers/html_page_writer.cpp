#include "writers/html_page_writer.h"

#include <optional>

#include "core/file_routines.h"
#include "core/page_for.h"
#include "core/setting_text.h"
#include "core/utf8.h"
#include "writers/controller_copy.h"
#include "writers/every_browser_page.h"
#include "writers/page_lines.h"
#include "writers/player_copy.h"

namespace sonaflux {

namespace {

// Characters that would break the markup or the lines become harmless look-alikes.
std::string filterTitle(const std::string& title) {
  std::string out = title.empty() ? " " : title;
  for (char& c : out) {
    switch (c) {
      case '&': c = '*'; break;
      case '<': c = '('; break;
      case '>': c = ')'; break;
      case '|': c = '!'; break;
      default:
        // A control character could break the page's lines.
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
        break;
    }
  }
  return out;
}

// The page declares ISO-8859-1: characters outside it become numeric
// references, and bytes that are not UTF-8 are taken as Latin-1 already.
std::string toLatin1(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    std::optional<Utf8Char> decoded = decodeUtf8(utf8, i);
    if (!decoded) {
      out += utf8[i++];
      continue;
    }
    if (decoded->codePoint <= 0xFF)
      out += static_cast<char>(decoded->codePoint);
    else
      out += "&#" + std::to_string(decoded->codePoint) + ";";
    i += decoded->length;
  }
  return out;
}

}  // namespace

std::string buildHtmlPage(const HtmlPageFields& f, const std::string& playerScript) {
  const std::string title = toLatin1(filterTitle(f.title));
  const std::string bg = f.backgroundColour;
  const std::string movie = f.movieName + ".swf";
  const std::string size = "width=" + std::to_string(f.width) + " height=" + std::to_string(f.height);
  const std::string loop = f.loop ? "true" : "false";

  std::string page;
  const PageLines line(page);
  line("<html>");
  line("  <head>");
  line("    <title>");
  line("      " + title);
  line("    </title>");
  line("    <meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">");
  line("    <style>");
  line("      P { font-family: Arial, Helvetica, sans-serif }");
  line("    </style>");
  if (!playerScript.empty()) {
    line(std::string("    <script>") + kPlayerStartScript + "</script>");
    line("    <script src=\"" + playerScript + "\"></script>");
  }
  line("  </head>");
  line("  <body bgcolor=\"#" + bg + "\" text=\"#" + f.textColour + "\">");
  line("");
  line("");
  line("");
  line("    <p>");
  appendFlashObject(line, movie, size, bg, loop);
  if (!f.title.empty()) line("      " + title);
  line("    </p>");
  line("");
  line("");
  line("");
  line("  </body>");
  line("</html>");
  return page;
}

HtmlPageFields htmlPageFields(const AppContext& ctx) {
  const SettingsRecord& s = ctx.settings;
  HtmlPageFields f;
  f.title = ctx.inputs.inputTitle;
  // The settings file may hold anything; only hex digits reach the markup.
  f.backgroundColour = hexDigitsOnly(s.backgroundColour);
  f.textColour = hexDigitsOnly(s.textColour);
  if (s.outputMode == kOutputModeController) {
    f.movieName = ctx.job.outputBaseName + s.instruction;
    ControllerSize size = controllerSize(s.controllerName);
    f.width = size.width;
    f.height = size.height;
  } else {
    f.movieName = ctx.job.outputBaseName + "s";
  }
  f.loop = s.outputMode != kOutputModeBareOnce;
  return f;
}

std::string playerScriptFor(const AppContext& ctx) {
  switch (jobPageFor(ctx)) {
    case PageFor::FlashAndRuffleOnline: return kPlayerPublicAddress;
    case PageFor::FlashAndRuffleCopied: return std::string(kPlayerFolderName) + "/" + kPlayerScriptName;
    default: return {};
  }
}

void writeHtmlPage(AppContext& ctx) {
  std::string page = jobPageFor(ctx) == PageFor::EveryBrowser
                         ? buildEveryBrowserPage(everyBrowserPageFields(ctx), controllerTwinSlot(ctx))
                         : buildHtmlPage(htmlPageFields(ctx), playerScriptFor(ctx));
  std::int64_t position = 1;
  writeBlock(ctx, ctx.job.htmlFile, position, page.data(), static_cast<std::int64_t>(page.size()));
  flushFile(ctx, ctx.job.htmlFile);
}

}  // namespace sonaflux
