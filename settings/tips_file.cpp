#include "settings/tips_file.h"

#include <limits>

#include "platform/file.h"

namespace sonaflux {

namespace {

// A line of the file as it is shown: a very long one would hold the tip
// window while it is laid out.
std::string shownTip(std::string_view line) {
  if (line.size() <= kMaxTipLength) return std::string(line);
  std::size_t cut = kMaxTipLength;
  while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
  return std::string(line.substr(0, cut));
}

}  // namespace

Tip pickTip(std::string_view fileText, std::int32_t requested) {
  Tip picked{"", requested};
  std::string_view firstLine;
  std::int64_t count = 0;
  std::size_t start = 0;
  while (start < fileText.size()) {
    std::size_t end = fileText.find('\n', start);
    std::size_t stop = end == std::string_view::npos ? fileText.size() : end;
    std::string_view line = fileText.substr(start, stop - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ++count;
    if (count == 1) firstLine = line;
    if (count == requested || requested == 0) picked = {shownTip(line), static_cast<std::int32_t>(count)};
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  if (requested > count) picked = {shownTip(firstLine), 1};
  return picked;
}

Tip readTip(const std::string& programFolder, std::int32_t requested) {
  File file;
  // A device would never end.
  if (!file.openExisting(programFolder + kTipsFileName, FileAccess::Read, false) || !file.isRegular()) return {"", 1};
  std::string text;
  char buffer[4096];
  for (;;) {
    std::int64_t n = file.read(buffer, sizeof buffer);
    if (n < 0) return {"", 1};
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  return pickTip(text, requested);
}

std::int32_t steppedTipNumber(std::int32_t current, int delta) {
  std::int64_t wanted = static_cast<std::int64_t>(current) + delta;
  if (wanted > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (wanted < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(wanted);
}

}  // namespace sonaflux
