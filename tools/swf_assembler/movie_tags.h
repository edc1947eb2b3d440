#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tools/swf_assembler/swf_records.h"

namespace sonaflux::swf {

using Bytes = std::vector<std::uint8_t>;

/// Button states a record is shown in; combine with |.
enum ButtonState : std::uint8_t {
  kButtonUp = 0x01,
  kButtonOver = 0x02,
  kButtonDown = 0x04,
  kButtonHit = 0x08,
};

struct ButtonRecord {
  std::uint8_t states;
  std::uint16_t characterId;
  std::uint16_t depth;
  Matrix matrix;
};

/// Button event conditions of a BUTTONCONDACTION.
constexpr std::uint16_t kConditionOverDownToOverUp = 0x0008;  // released over the button

struct ButtonAction {
  std::uint16_t conditions;
  Bytes actions;  // with its end marker
};

struct PlaceObject {
  std::uint16_t depth = 1;
  std::optional<std::uint16_t> characterId;
  std::optional<Matrix> matrix;
  std::optional<std::string> name;
  bool move = false;
};

Bytes showFrameTag();
Bytes endTag();
Bytes setBackgroundColorTag(Rgb colour);
Bytes doActionTag(std::span<const std::uint8_t> actions);
Bytes placeObject2Tag(const PlaceObject& place);
Bytes defineButton2Tag(std::uint16_t buttonId, const std::vector<ButtonRecord>& records,
                       const std::vector<ButtonAction>& actions);
/// A movie clip whose timeline is the given tags; an End tag is added.
Bytes defineSpriteTag(std::uint16_t spriteId, std::uint16_t frameCount, std::span<const std::uint8_t> tags);

struct MovieHeader {
  std::uint8_t version = 6;
  Rect frameSize;
  std::uint16_t frameRate = 0x0100;  // 8.8 fixed point frames per second
  std::uint16_t frameCount = 1;
};

/// An uncompressed SWF file: the header with the file length worked out,
/// then the tags (which should end with an End tag).
Bytes assembleMovie(const MovieHeader& header, std::span<const std::uint8_t> tags);

}  // namespace sonaflux::swf
