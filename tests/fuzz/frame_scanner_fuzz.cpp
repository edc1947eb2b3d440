// The MP3 frame scanner over arbitrary bytes. (Every header's length is bounded by the header
// test's exhaustive sweep.)
#include <vector>

#include "audio/mp3_frame_scanner.h"
#include "tests/fuzz/fuzz_job.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sonaflux;
  static fuzz::FuzzJob job;
  if (!job.load(data, size, job.ctx.job.tmp1Handle)) return 0;
  std::vector<std::uint8_t> frameBuffer(kFrameBufferSize);
  scanMp3Frames(job.ctx, frameBuffer);
  return 0;
}
