// The MP3 frame header parser and the frame scanner over arbitrary bytes.
#include <span>
#include <vector>

#include "audio/mp3_frame_header.h"
#include "audio/mp3_frame_scanner.h"
#include "tests/fuzz/fuzz_job.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sonaflux;
  for (std::size_t i = 0; i + kFrameHeaderSize <= size && i < 64; ++i) {
    if (std::optional<FrameHeader> header = parseFrameHeader(std::span(data + i, size - i))) {
      std::int32_t length = frameLength(*header);
      if (length < 1 || length > kLongestFrameLength) __builtin_trap();
    }
  }
  static fuzz::FuzzJob job;
  if (!job.load(data, size, job.ctx.job.tmp1Handle)) return 0;
  std::vector<std::uint8_t> frameBuffer(kFrameBufferSize);
  scanMp3Frames(job.ctx, frameBuffer);
  return 0;
}
