#pragma once

#include <string>
#include <vector>

namespace sonaflux::artwork {

constexpr int kClickSampleRate = 11025;

/// Writes samples (-1 to 1) as a mono 8-bit unsigned PCM WAV file.
/// False when the file cannot be written.
[[nodiscard]] bool writeWav8(const std::string& path, const std::vector<double>& samples, int sampleRate);

}  // namespace sonaflux::artwork
