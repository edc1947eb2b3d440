// The ID3 title reader over arbitrary bytes.
#include <span>

#include "audio/id3_title_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sonaflux;
  SpanSource source(std::span(data, size));
  TagText tags = readTagText(source);
  std::string title = makeInputTitle(tags, "name");
  if (title.empty()) __builtin_trap();  // the file name is the last resort
  return 0;
}
