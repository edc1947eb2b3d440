#pragma once

#include <optional>
#include <string_view>

#include "core/app_context.h"
#include "core/settings_record.h"

namespace sonaflux {

/// The names the command line and the parameters file use for the page
/// setting, in the order of its values.
inline constexpr std::string_view kPageForNames[] = {"flash", "ruffle", "ruffle-copy", "html5"};

/// What the settings window calls each value, in the order of the values.
inline constexpr std::string_view kPageForLabels[] = {
    "Flash players only", "Flash players and the Ruffle player (from the web)",
    "Flash players and the Ruffle player (copied beside the page)", "Every browser (recommended)"};

inline std::string_view pageForName(PageFor pageFor) {
  return kPageForNames[static_cast<int>(pageFor) - static_cast<int>(PageFor::FlashPlayers)];
}

inline std::optional<PageFor> pageForFromName(std::string_view name) {
  for (int i = 0; i < static_cast<int>(std::size(kPageForNames)); ++i)
    if (kPageForNames[i] == name) return static_cast<PageFor>(i + static_cast<int>(PageFor::FlashPlayers));
  return std::nullopt;
}

/// The stored number of a page setting; anything unknown is the classic page.
inline PageFor pageForFromNumber(std::int32_t number) {
  if (number < static_cast<std::int32_t>(PageFor::FlashPlayers) ||
      number > static_cast<std::int32_t>(PageFor::EveryBrowser))
    return PageFor::FlashPlayers;
  return static_cast<PageFor>(number);
}

/// The page setting the current job follows.
inline PageFor jobPageFor(const AppContext& ctx) { return ctx.inputs.pageForOverride.value_or(ctx.settings.pageFor); }

}  // namespace sonaflux
