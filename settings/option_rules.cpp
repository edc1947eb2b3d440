#include "settings/option_rules.h"

#include <cstdio>

#include "core/setting_text.h"

namespace sonaflux {

namespace {

constexpr std::size_t kColourDigits = 6;
constexpr std::size_t kNumberBoxDigits = 5;

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 0;
}

}  // namespace

OptionSettings workingCopiesOf(const SettingsRecord& s) {
  return {s.toDesktop,     s.outputFolderPath,  s.outputMode,       s.controllerName, s.instruction,
          s.nextTipNumber, s.showTipsAtStartup, s.backgroundColour, s.textColour,     s.nextOutputNumber,
          s.buttonSounds,  s.backgroundPicture, s.roundCorners,     s.pageFor};
}

SettingsRecord settingsFromWorkingCopies(const OptionSettings& o) {
  return {o.optToDesktop,
          o.optOutputFolderPath,
          o.optOutputMode,
          o.optControllerName,
          normalisedInstruction(o.optInstruction),
          o.optNextTipNumber,
          o.optShowTipsAtStartup,
          o.optBackgroundColour,
          o.optTextColour,
          o.optNextOutputNumber,
          o.optButtonSounds,
          o.optBackgroundPicture,
          o.optRoundCorners,
          o.optPageFor};
}

RgbColour parseHexColour(const std::string& text) {
  std::string padded = (text + std::string(kColourDigits, ' ')).substr(0, kColourDigits);
  auto pair = [&padded](std::size_t i) { return 16 * hexValue(padded[i]) + hexValue(padded[i + 1]); };
  return {pair(0), pair(2), pair(4)};
}

std::string formatHexColour(const RgbColour& c) {
  char text[16];
  std::snprintf(text, sizeof text, "%02X%02X%02X", c.red & 0xFF, c.green & 0xFF, c.blue & 0xFF);
  return text;
}

std::int32_t numberBoxValue(const std::string& text) {
  std::string padded = std::string(kNumberBoxDigits, ' ') + text;
  std::string last = padded.substr(padded.size() - kNumberBoxDigits);
  std::size_t i = 0;
  while (i < last.size() && last[i] == ' ') ++i;
  bool negative = false;
  if (i < last.size() && (last[i] == '+' || last[i] == '-')) negative = last[i++] == '-';
  std::int32_t value = 0;
  for (; i < last.size() && last[i] >= '0' && last[i] <= '9'; ++i) value = value * 10 + (last[i] - '0');
  return negative ? -value : value;
}

}  // namespace sonaflux
