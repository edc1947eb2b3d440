#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "swf/movie_file.h"

namespace sonaflux::swf {

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

Bytes doActionTag(std::span<const std::uint8_t> actions);
Bytes placeObject2Tag(const PlaceObject& place);
Bytes defineButton2Tag(std::uint16_t buttonId, const std::vector<ButtonRecord>& records,
                       const std::vector<ButtonAction>& actions);
/// A movie clip whose timeline is the given tags; an End tag is added.
Bytes defineSpriteTag(std::uint16_t spriteId, std::uint16_t frameCount, std::span<const std::uint8_t> tags);

}  // namespace sonaflux::swf
