#include "swf/movie_file.h"

#include "core/byte_order.h"

namespace sonaflux::swf {

void appendTag(Bytes& out, TagCode code, std::span<const std::uint8_t> body, bool forceLong) {
  const auto codeBits = static_cast<std::uint16_t>(static_cast<std::uint16_t>(code) << 6);
  if (!forceLong && body.size() < kShortTagLimit) {
    appendU16(out, static_cast<std::uint16_t>(codeBits | body.size()));
  } else {
    appendU16(out, static_cast<std::uint16_t>(codeBits | kShortTagLimit));
    appendU32(out, static_cast<std::uint32_t>(body.size()));
  }
  out.insert(out.end(), body.begin(), body.end());
}

Bytes tag(TagCode code, std::span<const std::uint8_t> body, bool forceLong) {
  Bytes out;
  appendTag(out, code, body, forceLong);
  return out;
}

Bytes showFrameTag() { return tag(TagCode::ShowFrame, {}); }
Bytes endTag() { return tag(TagCode::End, {}); }

Bytes setBackgroundColorTag(Rgb colour) {
  Bytes body;
  appendRgb(body, colour);
  return tag(TagCode::SetBackgroundColor, body);
}

Bytes movieHeader(const MovieHeader& header) {
  Bytes out{'F', 'W', 'S', header.version};
  appendU32(out, 0);
  appendRect(out, header.frameSize);
  appendU16(out, header.frameRate);
  appendU16(out, header.frameCount);
  return out;
}

Bytes assembleMovie(const MovieHeader& header, std::span<const std::uint8_t> tags) {
  Bytes out = movieHeader(header);
  out.insert(out.end(), tags.begin(), tags.end());
  storeU32(out.data() + kFileLengthOffset, static_cast<std::uint32_t>(out.size()));
  return out;
}

}  // namespace sonaflux::swf
