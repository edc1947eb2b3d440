#include "core/messages.h"

namespace sonaflux {

std::string messageWith(std::string_view message, std::string_view name) {
  std::string shown(message);
  const std::size_t open = shown.find('<');
  const std::size_t close = open == std::string::npos ? open : shown.find('>', open);
  if (close == std::string::npos) return shown;
  return shown.replace(open, close - open + 1, name);
}

}  // namespace sonaflux
