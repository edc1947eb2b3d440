#include "tests/support/ffmpeg_tools.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>

namespace sonaflux::test {

std::optional<StreamInfo> probeAudio(const std::string& path) {
  ProcessResult run = runProcess({"ffprobe", "-v", "error", "-count_packets", "-select_streams", "a:0", "-show_entries",
                                  "stream=sample_rate,channels,nb_read_packets", "-of", "default=noprint_wrappers=1",
                                  path});
  std::map<std::string, std::string> values;
  std::istringstream lines(run.out);
  // The first value of a key wins: it belongs to the first audio stream.
  for (std::string line; std::getline(lines, line);)
    if (std::size_t equals = line.find('='); equals != std::string::npos)
      values.emplace(line.substr(0, equals), line.substr(equals + 1));
  if (run.exitCode != 0 || !values.count("channels")) return std::nullopt;
  auto number = [&](const char* key) { return std::atol(values[key].c_str()); };
  return StreamInfo{int(number("sample_rate")), int(number("channels")), number("nb_read_packets")};
}

std::optional<std::vector<std::int16_t>> decodeToPcm(const std::string& path, int sampleRate, int channels) {
  std::vector<std::string> arguments = {"ffmpeg", "-v", "error", "-nostdin", "-i", path};
  if (channels > 0) arguments.insert(arguments.end(), {"-ac", std::to_string(channels)});
  if (sampleRate > 0) arguments.insert(arguments.end(), {"-ar", std::to_string(sampleRate)});
  arguments.insert(arguments.end(), {"-f", "s16le", "-acodec", "pcm_s16le", "-"});
  ProcessResult run = runProcess(arguments);
  if (run.exitCode != 0) return std::nullopt;
  std::vector<std::int16_t> samples(run.out.size() / 2);
  static_assert(std::endian::native == std::endian::little, "s16le copied as it is");
  std::memcpy(samples.data(), run.out.data(), samples.size() * 2);
  return samples;
}

Correlation crossCorrelate(std::span<const std::int16_t> a, std::span<const std::int16_t> b, long minLag, long maxLag) {
  // Running energies make each lag cost one pass of products.
  auto prefixEnergy = [](std::span<const std::int16_t> s) {
    std::vector<double> sums(s.size() + 1, 0.0);
    for (std::size_t i = 0; i < s.size(); ++i) sums[i + 1] = sums[i] + double(s[i]) * s[i];
    return sums;
  };
  const std::vector<double> energyA = prefixEnergy(a), energyB = prefixEnergy(b);
  Correlation best{0.0, 0};
  bool found = false;
  for (long lag = minLag; lag <= maxLag; ++lag) {
    long first = std::max(0L, -lag), last = std::min(long(a.size()), long(b.size()) - lag);
    if (last - first < 1) continue;
    double product = 0.0;
    for (long i = first; i < last; ++i) product += double(a[std::size_t(i)]) * b[std::size_t(i + lag)];
    double ea = energyA[std::size_t(last)] - energyA[std::size_t(first)];
    double eb = energyB[std::size_t(last + lag)] - energyB[std::size_t(first + lag)];
    double value = ea > 0 && eb > 0 ? product / std::sqrt(ea * eb) : 0.0;
    if (!found || value > best.value) best = {value, lag};
    found = true;
  }
  return best;
}

double rmsLevel(std::span<const std::int16_t> samples) {
  double sum = 0.0;
  for (std::int16_t s : samples) sum += static_cast<double>(s) * s;
  return samples.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(samples.size())) / 32768.0;
}

}  // namespace sonaflux::test
