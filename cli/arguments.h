#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/settings_record.h"

namespace sonaflux::cli {

struct Arguments {
  std::optional<std::string> title;
  bool assumeYes = false;
  std::string outputFolder;
  std::string input;
  std::optional<PageFor> pageFor;
  bool openInBrowser = false;
  /// --serve FOLDER: serve an existing set instead of converting; input
  /// then names its page and may be empty.
  std::optional<std::string> serveFolder;
  bool showHelp = false;
  bool showVersion = false;
};

/// Parses the command line (without the program name). On a usage error the
/// result is empty and error says why.
std::optional<Arguments> parseArguments(const std::vector<std::string>& args, std::string& error);

extern const char* const kUsage;

}  // namespace sonaflux::cli
