#include "tests/support/stream_checks.h"

#include <gtest/gtest.h>

#include "tests/support/ffmpeg_tools.h"

namespace sonaflux::test {

std::vector<std::int16_t> expectPlayableStream(const std::string& swf) {
  StreamInfo info = probeAudio(swf).value_or(StreamInfo{});
  EXPECT_EQ(std::tie(info.formatName, info.codecName, info.sampleRate, info.channels),
            std::tuple("swf", "mp3", 22050, 1))
      << swf;
  // ffmpeg reports nothing at all while decoding the whole file.
  ProcessResult decode = runProcess({"ffmpeg", "-nostdin", "-v", "error", "-xerror", "-i", swf, "-f", "null", "-"});
  EXPECT_EQ(std::pair(decode.exitCode, decode.err), std::pair(0, std::string())) << swf;
  return decodeToPcm(swf, 22050, 1).value_or(std::vector<std::int16_t>{});
}

void expectDurationNear(std::size_t outputSamples, std::size_t inputSamples) {
  double out = double(outputSamples) / 22050.0, in = double(inputSamples) / 22050.0;
  EXPECT_GE(out, in - 0.1);
  EXPECT_LE(out, in + 40 * 576 / 22050.0 + 0.15);
}

}  // namespace sonaflux::test
