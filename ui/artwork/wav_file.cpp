#include "ui/artwork/wav_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>

#include "core/byte_order.h"

namespace sonaflux::artwork {
namespace {

void putTag(std::vector<std::uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint32_t kFmtChunkSize = 16;

}  // namespace

bool writeWav8(const std::string& path, const std::vector<double>& samples, int sampleRate) {
  const auto dataSize = static_cast<std::uint32_t>(samples.size());
  const std::uint32_t pad = dataSize % 2;  // chunks are word aligned
  std::vector<std::uint8_t> out;
  putTag(out, "RIFF");
  appendU32(out, 4 + (8 + kFmtChunkSize) + (8 + dataSize + pad));
  putTag(out, "WAVE");
  putTag(out, "fmt ");
  appendU32(out, kFmtChunkSize);
  appendU16(out, kFormatPcm);
  appendU16(out, 1);  // channels
  appendU32(out, static_cast<std::uint32_t>(sampleRate));
  appendU32(out, static_cast<std::uint32_t>(sampleRate));  // bytes per second
  appendU16(out, 1);                                       // block align
  appendU16(out, 8);                                       // bits per sample
  putTag(out, "data");
  appendU32(out, dataSize);
  // 8-bit PCM is unsigned with silence at 128.
  for (double s : samples) out.push_back(static_cast<std::uint8_t>(std::clamp(std::lround(128 + 127 * s), 0L, 255L)));
  if (pad) out.push_back(128);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  file.close();
  return static_cast<bool>(file);
}

}  // namespace sonaflux::artwork
