// The WAV reader over arbitrary bytes.
#include "audio/wav_reader.h"
#include "tests/fuzz/fuzz_job.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sonaflux;
  static fuzz::FuzzJob job;
  if (!job.load(data, size, job.ctx.job.tmp2Handle)) return 0;
  readWavInput(job.ctx);
  return 0;
}
