#include "tools/artwork/wav_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>

namespace sonaflux::artwork {
namespace {

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void putTag(std::vector<std::uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint32_t kFmtChunkSize = 16;

}  // namespace

bool writeWav8(const std::string& path, const std::vector<double>& samples, int sampleRate) {
  const auto dataSize = static_cast<std::uint32_t>(samples.size());
  const std::uint32_t pad = dataSize % 2;  // chunks are word aligned
  std::vector<std::uint8_t> out;
  putTag(out, "RIFF");
  put32(out, 4 + (8 + kFmtChunkSize) + (8 + dataSize + pad));
  putTag(out, "WAVE");
  putTag(out, "fmt ");
  put32(out, kFmtChunkSize);
  put16(out, kFormatPcm);
  put16(out, 1);  // channels
  put32(out, static_cast<std::uint32_t>(sampleRate));
  put32(out, static_cast<std::uint32_t>(sampleRate));  // bytes per second
  put16(out, 1);  // block align
  put16(out, 8);  // bits per sample
  putTag(out, "data");
  put32(out, dataSize);
  // 8-bit PCM is unsigned with silence at 128.
  for (double s : samples)
    out.push_back(static_cast<std::uint8_t>(std::clamp(std::lround(128 + 127 * s), 0L, 255L)));
  if (pad) out.push_back(128);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  file.close();
  return static_cast<bool>(file);
}

}  // namespace sonaflux::artwork
