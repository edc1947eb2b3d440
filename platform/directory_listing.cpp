#include "platform/directory_listing.h"

#include <filesystem>
#include <system_error>

namespace sonaflux {

std::vector<std::string> filesEndingIn(const std::string& folder, const std::string& suffix) {
  std::vector<std::string> names;
  std::error_code error;
  std::filesystem::directory_iterator it(folder, error);
  if (error) return names;
  for (const std::filesystem::directory_entry& entry : it) {
    std::error_code typeError;
    if (!entry.is_regular_file(typeError)) continue;
    std::string name = entry.path().filename().string();
    if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
      names.push_back(std::move(name));
  }
  return names;
}

}  // namespace sonaflux
