#pragma once

#include <cstdint>
#include <string>

namespace sonaflux {

/// Which browsers the page is written for.
enum class PageFor : std::int32_t {
  FlashPlayers = 1,          // the classic page alone
  FlashAndRuffleOnline = 2,  // the classic page loading the player from its public address
  FlashAndRuffleCopied = 3,  // the classic page loading the player copied beside it
  EveryBrowser = 4,          // a standards page with <audio> and the stream as an .mp3
};

/// The persistent settings, in the order the parameters file stores them.
struct SettingsRecord {
  bool toDesktop = false;
  std::string outputFolderPath;
  std::int32_t outputMode = 0;  // 1 controller, 2 bare looping, 3 bare once
  std::string controllerName;
  std::string instruction;
  std::int32_t nextTipNumber = 0;
  bool showTipsAtStartup = false;
  std::string backgroundColour;
  std::string textColour;
  std::int32_t nextOutputNumber = 0;
  bool buttonSounds = false;
  bool backgroundPicture = false;
  bool roundCorners = false;
  /// Kept after the thirteen classic lines, so older readers ignore it.
  PageFor pageFor = PageFor::FlashPlayers;

  bool operator==(const SettingsRecord&) const = default;
};

inline constexpr std::int32_t kOutputModeController = 1;
inline constexpr std::int32_t kOutputModeBareLooping = 2;
inline constexpr std::int32_t kOutputModeBareOnce = 3;

}  // namespace sonaflux
