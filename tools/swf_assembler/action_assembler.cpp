#include "tools/swf_assembler/action_assembler.h"

#include <bit>
#include <cmath>
#include <limits>

#include "core/byte_order.h"

namespace sonaflux::swf {
namespace {

enum ActionCode : std::uint8_t {
  kActionEnd = 0x00,
  kActionPlay = 0x06,
  kActionStop = 0x07,
  kActionAdd = 0x0A,
  kActionSubtract = 0x0B,
  kActionMultiply = 0x0C,
  kActionDivide = 0x0D,
  kActionEquals = 0x0E,
  kActionLess = 0x0F,
  kActionAnd = 0x10,
  kActionOr = 0x11,
  kActionNot = 0x12,
  kActionStringEquals = 0x13,
  kActionStringLength = 0x14,
  kActionStringExtract = 0x15,
  kActionPop = 0x17,
  kActionToInteger = 0x18,
  kActionGetVariable = 0x1C,
  kActionTrace = 0x26,
  kActionSetVariable = 0x1D,
  kActionStringAdd = 0x21,
  kActionGetProperty = 0x22,
  kActionSetProperty = 0x23,
  kActionGetMember = 0x4E,
  kActionCallMethod = 0x52,
  kActionGotoFrame = 0x81,
  kActionStoreRegister = 0x87,
  kActionSetTarget = 0x8B,
  kActionPush = 0x96,
  kActionJump = 0x99,
  kActionGetUrl2 = 0x9A,
  kActionIf = 0x9D,
  kActionGotoFrame2 = 0x9F,
};

enum PushType : std::uint8_t {
  kPushString = 0,
  kPushBoolean = 5,
  kPushRegister = 4,
  kPushDouble = 6,
  kPushInteger = 7,
};

bool fitsInteger(double v) {
  return std::isfinite(v) && v == std::trunc(v) && v >= std::numeric_limits<std::int32_t>::min() &&
         v <= std::numeric_limits<std::int32_t>::max() && !(v == 0.0 && std::signbit(v));
}

void appendPushValue(std::vector<std::uint8_t>& out, const PushValue& value) {
  if (const auto* s = std::get_if<std::string>(&value)) {
    out.push_back(kPushString);
    out.insert(out.end(), s->begin(), s->end());
    out.push_back(0);
  } else if (const auto* d = std::get_if<double>(&value)) {
    if (fitsInteger(*d)) {
      out.push_back(kPushInteger);
      appendU32(out, static_cast<std::uint32_t>(static_cast<std::int32_t>(*d)));
    } else {
      // Doubles are stored as two little-endian words, the high word first.
      const auto bits = std::bit_cast<std::uint64_t>(*d);
      out.push_back(kPushDouble);
      appendU32(out, static_cast<std::uint32_t>(bits >> 32));
      appendU32(out, static_cast<std::uint32_t>(bits & 0xFFFFFFFFu));
    }
  } else if (const auto* r = std::get_if<Register>(&value)) {
    out.push_back(kPushRegister);
    out.push_back(r->number);
  } else {
    out.push_back(kPushBoolean);
    out.push_back(std::get<bool>(value) ? 1 : 0);
  }
}

}  // namespace

ActionAssembler& ActionAssembler::simple(std::uint8_t code) {
  m_code.push_back(code);
  return *this;
}

void ActionAssembler::recordHeader(std::uint8_t code, std::uint16_t length) {
  m_code.push_back(code);
  appendU16(m_code, length);
}

ActionAssembler& ActionAssembler::push(std::initializer_list<PushValue> values) {
  std::vector<std::uint8_t> data;
  for (const PushValue& v : values) appendPushValue(data, v);
  recordHeader(kActionPush, static_cast<std::uint16_t>(data.size()));
  m_code.insert(m_code.end(), data.begin(), data.end());
  return *this;
}

ActionAssembler& ActionAssembler::getVariable() { return simple(kActionGetVariable); }
ActionAssembler& ActionAssembler::setVariable() { return simple(kActionSetVariable); }
ActionAssembler& ActionAssembler::getProperty() { return simple(kActionGetProperty); }
ActionAssembler& ActionAssembler::setProperty() { return simple(kActionSetProperty); }
ActionAssembler& ActionAssembler::getMember() { return simple(kActionGetMember); }
ActionAssembler& ActionAssembler::pop() { return simple(kActionPop); }
ActionAssembler& ActionAssembler::stringLength() { return simple(kActionStringLength); }
ActionAssembler& ActionAssembler::stringExtract() { return simple(kActionStringExtract); }
ActionAssembler& ActionAssembler::stringAdd() { return simple(kActionStringAdd); }
ActionAssembler& ActionAssembler::stringEquals() { return simple(kActionStringEquals); }
ActionAssembler& ActionAssembler::add() { return simple(kActionAdd); }
ActionAssembler& ActionAssembler::subtract() { return simple(kActionSubtract); }
ActionAssembler& ActionAssembler::multiply() { return simple(kActionMultiply); }
ActionAssembler& ActionAssembler::divide() { return simple(kActionDivide); }
ActionAssembler& ActionAssembler::toInteger() { return simple(kActionToInteger); }
ActionAssembler& ActionAssembler::equals() { return simple(kActionEquals); }
ActionAssembler& ActionAssembler::less() { return simple(kActionLess); }
ActionAssembler& ActionAssembler::logicalNot() { return simple(kActionNot); }
ActionAssembler& ActionAssembler::logicalAnd() { return simple(kActionAnd); }
ActionAssembler& ActionAssembler::logicalOr() { return simple(kActionOr); }
ActionAssembler& ActionAssembler::play() { return simple(kActionPlay); }
ActionAssembler& ActionAssembler::stop() { return simple(kActionStop); }
ActionAssembler& ActionAssembler::callMethod() { return simple(kActionCallMethod); }
ActionAssembler& ActionAssembler::trace() { return simple(kActionTrace); }

ActionAssembler& ActionAssembler::storeRegister(std::uint8_t number) {
  recordHeader(kActionStoreRegister, 1);
  m_code.push_back(number);
  return *this;
}

ActionAssembler& ActionAssembler::label(const std::string& name) {
  if (!m_labels.emplace(name, m_code.size()).second) m_duplicateLabel = true;
  return *this;
}

ActionAssembler& ActionAssembler::branch(std::uint8_t code, const std::string& label) {
  recordHeader(code, 2);
  m_branches.emplace_back(m_code.size(), label);
  appendU16(m_code, 0);
  return *this;
}

ActionAssembler& ActionAssembler::jump(const std::string& label) { return branch(kActionJump, label); }
ActionAssembler& ActionAssembler::branchIfTrue(const std::string& label) { return branch(kActionIf, label); }

ActionAssembler& ActionAssembler::getUrl2(std::uint8_t flags) {
  recordHeader(kActionGetUrl2, 1);
  m_code.push_back(flags);
  return *this;
}

ActionAssembler& ActionAssembler::setTarget(std::string_view target) {
  recordHeader(kActionSetTarget, static_cast<std::uint16_t>(target.size() + 1));
  m_code.insert(m_code.end(), target.begin(), target.end());
  m_code.push_back(0);
  return *this;
}

ActionAssembler& ActionAssembler::gotoFrame(std::uint16_t frameIndex) {
  recordHeader(kActionGotoFrame, 2);
  appendU16(m_code, frameIndex);
  return *this;
}

ActionAssembler& ActionAssembler::gotoFrame2(bool playAfter) {
  recordHeader(kActionGotoFrame2, 1);
  m_code.push_back(playAfter ? 1 : 0);
  return *this;
}

std::optional<std::vector<std::uint8_t>> ActionAssembler::finish() const {
  if (m_duplicateLabel) return std::nullopt;
  std::vector<std::uint8_t> code = m_code;
  for (const auto& [offsetPos, name] : m_branches) {
    const auto found = m_labels.find(name);
    if (found == m_labels.end()) return std::nullopt;
    // Offsets count from the action that follows the branch.
    const auto delta = static_cast<std::int64_t>(found->second) - static_cast<std::int64_t>(offsetPos + 2);
    if (delta < std::numeric_limits<std::int16_t>::min() || delta > std::numeric_limits<std::int16_t>::max())
      return std::nullopt;
    storeU16(code.data() + offsetPos, static_cast<std::uint16_t>(static_cast<std::int16_t>(delta)));
  }
  code.push_back(kActionEnd);
  return code;
}

}  // namespace sonaflux::swf
