#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/job_state.h"

namespace sonaflux {

/// The Controllers folder under a program or settings folder, ending in the
/// separator.
std::string controllersFolder(const std::string& folder);

/// The controllers of the folder: each "*.swf" file named without ".swf",
/// sorted with letter case ignored, "preview" in any case left out. A missing
/// folder gives an empty list.
std::vector<std::string> listControllers(const std::string& controllersFolder);

/// The shipped controllers and the user's own (the settings folder's) in one
/// list sorted as above; a name in both is listed once.
std::vector<std::string> listControllers(const ApplicationPaths& paths);

/// The Controllers folder that holds the named controller: the settings
/// folder's when the user has one of that name, else the program folder's.
std::string controllerFolderFor(const ApplicationPaths& paths, const std::string& name);

/// The entry the stored controller name selects: the first that begins with
/// it (letter case ignored), searching from the second entry and wrapping
/// round to the first. Nothing when no entry matches.
std::optional<std::size_t> selectedController(const std::vector<std::string>& entries, const std::string& storedName);

/// The three numbers of a controller name's code (its last eight characters):
/// characters 1-2, 3-5 (width) and 6-8 (height), each read as a decimal.
struct ControllerCode {
  int first = 0;
  int width = 0;
  int height = 0;
};

/// Why a controller cannot be previewed.
enum class ControllerNaming { Correct, TooShort, ZeroInCode };

/// The naming rule: at least nine characters, and no code number reading 0.
ControllerNaming checkControllerName(const std::string& name);

/// The code numbers of a name of at least eight characters; all 0 otherwise.
ControllerCode controllerCode(const std::string& name);

}  // namespace sonaflux
