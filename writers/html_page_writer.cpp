#include "writers/html_page_writer.h"

#include <cstdint>
#include <optional>

#include "core/file_routines.h"
#include "core/settings_rules.h"
#include "writers/controller_copy.h"

namespace sonaflux {

namespace {

const char* const kCabinetUrl =
    "http://download.macromedia.com/pub/shockwave/cabs/flash/swflash.cab#version=4,0,0,0";
const char* const kPluginPageUrl =
    "http://www.macromedia.com/shockwave/download/index.cgi?P1_Prod_Version=ShockwaveFlash";
const char* const kLineEnd = "\r\n";

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

// The code point of a well-formed UTF-8 sequence at text[i], and its length.
std::optional<std::pair<std::uint32_t, std::size_t>> decodeUtf8(const std::string& text,
                                                                std::size_t i) {
  auto byteAt = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
  std::uint8_t lead = byteAt(i);
  std::size_t length = 0;
  std::uint32_t cp = 0;
  std::uint32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, cp = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, cp = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, cp = lead & 0x07, minimum = 0x10000;
  } else {
    return std::nullopt;
  }
  if (i + length > text.size()) return std::nullopt;
  for (std::size_t k = 1; k < length; ++k) {
    std::uint8_t next = byteAt(i + k);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    cp = (cp << 6) | (next & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
  return std::make_pair(cp, length);
}

// The page declares ISO-8859-1: characters outside it become numeric
// references, and bytes that are not UTF-8 are taken as Latin-1 already.
std::string toLatin1(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    auto byte = static_cast<std::uint8_t>(utf8[i]);
    std::optional<std::pair<std::uint32_t, std::size_t>> decoded;
    if (byte >= 0x80) decoded = decodeUtf8(utf8, i);
    if (!decoded) {
      out += static_cast<char>(byte);
      ++i;
      continue;
    }
    auto [cp, length] = *decoded;
    if (cp <= 0xFF)
      out += static_cast<char>(cp);
    else
      out += "&#" + std::to_string(cp) + ";";
    i += length;
  }
  return out;
}

}  // namespace

std::string buildHtmlPage(const HtmlPageFields& f) {
  const std::string title = toLatin1(filterTitle(f.title));
  const std::string bg = f.backgroundColour;
  const std::string movie = f.movieName + ".swf";
  const std::string size = "width=" + std::to_string(f.width) + " height=" + std::to_string(f.height);
  const std::string loop = f.loop ? "true" : "false";

  std::string page;
  auto line = [&page](const std::string& text) { page += text + kLineEnd; };
  line("<html>");
  line("  <head>");
  line("    <title>");
  line("      " + title);
  line("    </title>");
  line("    <meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">");
  line("    <style>");
  line("      P { font-family: Arial, Helvetica, sans-serif }");
  line("    </style>");
  line("  </head>");
  line("  <body bgcolor=\"#" + bg + "\" text=\"#" + f.textColour + "\">");
  line("");
  line("");
  line("");
  line("    <p>");
  line("      <object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" codebase=\"" +
       std::string(kCabinetUrl) + "\" " + size + " align=\"absmiddle\">");
  line("        <param name=movie value=\"" + movie + "\">");
  line("        <param name=quality value=best>");
  line("        <param name=wmode value=transparent>");
  line("        <param name=bgcolor value=#" + bg + ">");
  line("        <param name=loop value=" + loop + ">");
  line("        <embed src=\"" + movie + "\" quality=best wmode=transparent bgcolor=#" + bg +
       " loop=" + loop + " " + size + " type=\"application/x-shockwave-flash\" pluginspage=\"" +
       kPluginPageUrl + "\" align=\"absmiddle\">");
  line("        </embed>");
  line("      </object>");
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

void writeHtmlPage(AppContext& ctx) {
  std::string page = buildHtmlPage(htmlPageFields(ctx));
  std::int64_t position = 1;
  writeBlock(ctx, ctx.job.htmlFile, position, page.data(), static_cast<std::int64_t>(page.size()));
}

}  // namespace sonaflux
