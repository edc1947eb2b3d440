#pragma once

#include <cstdint>
#include <vector>

#include "core/app_context.h"

namespace sonaflux {

/// Size of the buffer that holds one MPEG audio frame while it is copied.
inline constexpr std::size_t kFrameBufferSize = 16384;

/// Stage 1 for MP3 input: copies every MPEG audio frame of the input, back to
/// back, into tmp1 and sets sampleRate and inputStereo from the frame headers.
/// A header found by searching counts as a frame only when another header, a
/// trailing tag or the end of the input follows it; a frame cut by the end of
/// the input ends the stream. A free-format frame reaches to the next header
/// of its stream.
void scanMp3Frames(AppContext& ctx, std::vector<std::uint8_t>& frameBuffer);

}  // namespace sonaflux
