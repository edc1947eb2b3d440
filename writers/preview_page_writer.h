#pragma once

#include <string>
#include <vector>

#include "core/job_state.h"
#include "platform/host.h"

namespace sonaflux {

/// One controller as the preview page shows it.
struct PreviewSection {
  std::string name;         // file name without ".swf"
  std::string description;  // first line of its description file
  int width = 0;
  int height = 0;
  std::string twin;  // its twin for pages without a Flash player, shown beside it
};

/// The whole preview page, every line ending in CR LF. The colours are
/// written with anything but hex digits as "0".
std::string buildPreviewPage(const std::string& backgroundColour, const std::string& textColour,
                             const std::vector<PreviewSection>& sections);

/// settingsFolder + "Controllers/preview.htm".
std::string previewPagePath(const std::string& settingsFolder);

/// The first line of a controller's description file, without its line end;
/// empty when the file is missing, unreadable or empty.
std::string readControllerDescription(const std::string& controllersFolder, const std::string& name);

/// Writes the preview page into the settings folder's Controllers/ for the
/// listed controllers with the given colours; each description is read from
/// the folder that holds its controller. A wrongly named entry is skipped
/// after its message. False, after its message, when the page could not be
/// written.
[[nodiscard]] bool writePreviewPage(Host& host, const ApplicationPaths& paths, const std::vector<std::string>& entries,
                                    const std::string& backgroundColour, const std::string& textColour);

}  // namespace sonaflux
