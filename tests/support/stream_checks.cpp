#include "tests/support/stream_checks.h"

#include <gtest/gtest.h>

#include "tests/support/ffmpeg_tools.h"

namespace sonaflux::test {

std::vector<std::int16_t> expectPlayableStream(const std::string& swf) {
  std::optional<StreamInfo> info = probeAudio(swf);
  EXPECT_TRUE(info) << swf;
  if (!info) return {};
  EXPECT_EQ(info->formatName, "swf");
  EXPECT_EQ(info->codecName, "mp3");
  EXPECT_EQ(info->sampleRate, 22050);
  EXPECT_EQ(info->channels, 1);
  // ffmpeg reports nothing at all while decoding the whole file.
  ProcessResult decode = runProcess({"ffmpeg", "-nostdin", "-v", "error", "-xerror", "-i", swf, "-f", "null", "-"});
  EXPECT_EQ(decode.exitCode, 0);
  EXPECT_EQ(decode.err, "");
  return decodeToPcm(swf, 22050, 1).value_or(std::vector<std::int16_t>{});
}

void expectDurationNear(std::size_t outputSamples, std::size_t inputSamples) {
  double out = double(outputSamples) / 22050.0, in = double(inputSamples) / 22050.0;
  EXPECT_GE(out, in - 0.1);
  EXPECT_LE(out, in + 40 * 576 / 22050.0 + 0.15);
}

}  // namespace sonaflux::test
