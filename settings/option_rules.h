#pragma once

#include <cstdint>
#include <string>

#include "core/settings_record.h"

namespace sonaflux {

/// The Options window's working copies of the settings.
struct OptionSettings {
  bool optToDesktop = false;
  std::string optOutputFolderPath;
  std::int32_t optOutputMode = 0;
  std::string optControllerName;
  std::string optInstruction;
  std::int32_t optNextTipNumber = 0;
  bool optShowTipsAtStartup = false;
  std::string optBackgroundColour;
  std::string optTextColour;
  std::int32_t optNextOutputNumber = 0;
  bool optButtonSounds = false;
  bool optBackgroundPicture = false;
  bool optRoundCorners = false;
  PageFor optPageFor = PageFor::FlashPlayers;

  bool operator==(const OptionSettings&) const = default;
};

OptionSettings workingCopiesOf(const SettingsRecord& settings);

/// The settings the working copies stand for, the instruction normalised.
SettingsRecord settingsFromWorkingCopies(const OptionSettings& opt);

struct RgbColour {
  int red = 0;
  int green = 0;
  int blue = 0;
  bool operator==(const RgbColour&) const = default;
};

/// Reads a colour text as RRGGBB: only its first six characters count, a
/// missing or non-hex character counts as 0 ("ff8" is 255,128,0).
RgbColour parseHexColour(const std::string& text);

/// Six upper-case hex digits, RRGGBB.
std::string formatHexColour(const RgbColour& colour);

/// The output number a typed number box stands for: the value of its last
/// five characters (so at most 99999); 0 for an empty box.
std::int32_t numberBoxValue(const std::string& text);

}  // namespace sonaflux
