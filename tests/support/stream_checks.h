#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sonaflux::test {

// ffprobe reads the animation as an SWF holding the 22 050 Hz mono MP3 stream,
// ffmpeg decodes it without a word; returns its sound (empty on failure).
std::vector<std::int16_t> expectPlayableStream(const std::string& swf);

// The stream adds up to one block of silent frames (40 frames) and the codecs' delays.
void expectDurationNear(std::size_t outputSamples, std::size_t inputSamples);

}  // namespace sonaflux::test
