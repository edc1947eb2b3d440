#pragma once

#include <string>
#include <vector>

namespace sonaflux::artwork {

struct ClickSound {
  std::string fileName;
  std::vector<double> samples;  // -1 to 1 at kClickSampleRate
};

/// The six button sounds, each a short chime with its own figure:
/// minimise, close (Close and Exit), help, browse, options, create.
std::vector<ClickSound> makeClickSounds();

}  // namespace sonaflux::artwork
