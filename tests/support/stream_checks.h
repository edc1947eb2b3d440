#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sonaflux::test {

/// Checks that ffprobe reads the streaming animation as an SWF holding the
/// 22 050 Hz mono MP3 stream and that ffmpeg decodes it without an error.
/// Returns its sound, decoded to mono 22 050 Hz (empty on failure).
std::vector<std::int16_t> expectPlayableStream(const std::string& swf);

/// The stream adds up to one block of silent frames at its end (40 frames)
/// and the codecs' delays at its start; both counts at 22 050 Hz.
void expectDurationNear(std::size_t outputSamples, std::size_t inputSamples);

}  // namespace sonaflux::test
