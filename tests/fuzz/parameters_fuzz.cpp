// The parameters-file reader over arbitrary text: whatever it accepts must
// survive a save and a read unchanged.
#include <string_view>

#include "settings/parameters_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sonaflux;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::optional<SettingsRecord> settings = decodeParameters(text);
  if (!settings) return 0;
  std::optional<SettingsRecord> again = decodeParameters(encodeParameters(*settings));
  if (!again || !(*again == *settings)) __builtin_trap();
  return 0;
}
