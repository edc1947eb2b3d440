#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sonaflux::cli {

struct Arguments {
  std::optional<std::string> title;
  bool assumeYes = false;
  std::string outputFolder;
  std::string input;
  bool showHelp = false;
  bool showVersion = false;
};

/// Parses the command line (without the program name). On a usage error the
/// result is empty and error says why.
std::optional<Arguments> parseArguments(const std::vector<std::string>& args, std::string& error);

extern const char* const kUsage;

}  // namespace sonaflux::cli
