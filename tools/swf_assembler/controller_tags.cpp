#include "tools/swf_assembler/controller_tags.h"

#include <cassert>

#include "core/byte_order.h"

namespace sonaflux::swf {
namespace {

constexpr std::uint8_t kPlaceHasName = 0x20;
constexpr std::uint8_t kPlaceHasMatrix = 0x04;
constexpr std::uint8_t kPlaceHasCharacter = 0x02;
constexpr std::uint8_t kPlaceMove = 0x01;

}  // namespace

Bytes doActionTag(std::span<const std::uint8_t> actions) { return tag(TagCode::DoAction, actions); }

Bytes placeObject2Tag(const PlaceObject& place) {
  std::uint8_t flags = 0;
  if (place.move) flags |= kPlaceMove;
  if (place.characterId) flags |= kPlaceHasCharacter;
  if (place.matrix) flags |= kPlaceHasMatrix;
  if (place.name) flags |= kPlaceHasName;
  Bytes body;
  body.push_back(flags);
  appendU16(body, place.depth);
  if (place.characterId) appendU16(body, *place.characterId);
  if (place.matrix) appendMatrix(body, *place.matrix);
  if (place.name) appendString(body, *place.name);
  return tag(TagCode::PlaceObject2, body);
}

Bytes defineButton2Tag(std::uint16_t buttonId, const std::vector<ButtonRecord>& records,
                       const std::vector<ButtonAction>& actions) {
  Bytes body;
  appendU16(body, buttonId);
  body.push_back(0);  // not tracked as a menu
  const std::size_t actionOffsetPos = body.size();
  appendU16(body, 0);
  for (const ButtonRecord& r : records) {
    assert((r.states & 0x0F) == r.states && r.states != 0);
    body.push_back(r.states);
    appendU16(body, r.characterId);
    appendU16(body, r.depth);
    appendMatrix(body, r.matrix);
    appendIdentityColourTransform(body);
  }
  body.push_back(0);  // end of characters
  if (!actions.empty()) {
    // ActionOffset counts from its own first byte.
    storeU16(body.data() + actionOffsetPos, static_cast<std::uint16_t>(body.size() - actionOffsetPos));
    for (std::size_t i = 0; i < actions.size(); ++i) {
      const Bytes& code = actions[i].actions;
      const bool last = i + 1 == actions.size();
      // CondActionSize: from this field to the next condition, 0 for the last.
      appendU16(body, last ? 0 : static_cast<std::uint16_t>(4 + code.size()));
      appendU16(body, actions[i].conditions);
      body.insert(body.end(), code.begin(), code.end());
    }
  }
  return tag(TagCode::DefineButton2, body);
}

Bytes defineSpriteTag(std::uint16_t spriteId, std::uint16_t frameCount, std::span<const std::uint8_t> tags) {
  Bytes body;
  appendU16(body, spriteId);
  appendU16(body, frameCount);
  body.insert(body.end(), tags.begin(), tags.end());
  const Bytes end = endTag();
  body.insert(body.end(), end.begin(), end.end());
  return tag(TagCode::DefineSprite, body);
}

}  // namespace sonaflux::swf
