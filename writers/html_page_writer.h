#pragma once

#include <string>

#include "core/app_context.h"

namespace sonaflux {

/// Where a browser without the player fetches it, and the player's download page.
inline constexpr const char* kCabinetUrl =
    "http://download.macromedia.com/pub/shockwave/cabs/flash/swflash.cab#version=4,0,0,0";
inline constexpr const char* kPluginPageUrl =
    "http://www.macromedia.com/shockwave/download/index.cgi?P1_Prod_Version=ShockwaveFlash";

/// What the page shows. The title is UTF-8 and not yet filtered; the movie
/// name carries no folder and no ".swf".
struct HtmlPageFields {
  std::string title;
  std::string backgroundColour;  // RRGGBB
  std::string textColour;        // RRGGBB
  std::string movieName;
  int width = 0;
  int height = 0;
  bool loop = true;
};

/// The whole page, every line ending in CR LF, in ISO-8859-1. With a player
/// script address, the page loads that script too (one line more).
std::string buildHtmlPage(const HtmlPageFields& fields, const std::string& playerScript = {});

/// The player script address the job's page setting asks for; empty: none.
std::string playerScriptFor(const AppContext& ctx);

/// The fields for the current job's settings, title and output base name.
HtmlPageFields htmlPageFields(const AppContext& ctx);

/// Writes the page the settings ask for into htmlFile; a failed write fails
/// the job.
void writeHtmlPage(AppContext& ctx);

}  // namespace sonaflux
