#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace sonaflux::swf {

/// Indices of the movie clip properties read by GetProperty and written by SetProperty.
enum class Property : std::uint8_t {
  X = 0,
  Y = 1,
  XScale = 2,
  YScale = 3,
  CurrentFrame = 4,
  TotalFrames = 5,
  Alpha = 6,
  Visible = 7,
  Width = 8,
  Height = 9,
  FramesLoaded = 12,
  Url = 15,
};

struct Register {
  std::uint8_t number;
};

/// A value of a Push record: a string, a number, a register or a boolean.
using PushValue = std::variant<std::string, double, Register, bool>;

/// Assembles ActionScript 1 byte code for DoAction tags and button actions.
/// Jumps and branches name labels that may be placed before or after them.
class ActionAssembler {
 public:
  /// One Push record holding every value given, pushed left to right.
  ActionAssembler& push(std::initializer_list<PushValue> values);
  ActionAssembler& push(PushValue value) { return push({std::move(value)}); }

  ActionAssembler& getVariable();
  ActionAssembler& setVariable();
  ActionAssembler& getProperty();
  ActionAssembler& setProperty();
  ActionAssembler& getMember();
  ActionAssembler& storeRegister(std::uint8_t number);
  ActionAssembler& pop();

  ActionAssembler& stringLength();
  /// Pops count, 1-based index and string; pushes the substring.
  ActionAssembler& stringExtract();
  ActionAssembler& stringAdd();
  ActionAssembler& stringEquals();

  ActionAssembler& add();
  ActionAssembler& subtract();
  ActionAssembler& multiply();
  ActionAssembler& divide();
  ActionAssembler& toInteger();
  ActionAssembler& equals();
  ActionAssembler& less();
  ActionAssembler& logicalNot();
  ActionAssembler& logicalAnd();
  ActionAssembler& logicalOr();

  ActionAssembler& label(const std::string& name);
  ActionAssembler& jump(const std::string& label);
  /// Branches when the popped value is true.
  ActionAssembler& branchIfTrue(const std::string& label);

  /// Pops target and address; loads a movie into a level when the target is "_levelN".
  ActionAssembler& getUrl2(std::uint8_t flags = 0);
  ActionAssembler& setTarget(std::string_view target);
  ActionAssembler& play();
  ActionAssembler& stop();
  /// Goes to the 0-based frame index.
  ActionAssembler& gotoFrame(std::uint16_t frameIndex);
  /// Pops a 1-based frame number and goes there, playing or stopped.
  ActionAssembler& gotoFrame2(bool playAfter);
  /// Pops method name, object, argument count and the arguments; pushes the result.
  ActionAssembler& callMethod();
  /// Pops a value and writes it to the player's log.
  ActionAssembler& trace();

  /// The byte code with its end marker, or nothing when a label is missing or
  /// a branch does not reach its label.
  [[nodiscard]] std::optional<std::vector<std::uint8_t>> finish() const;

 private:
  ActionAssembler& simple(std::uint8_t code);
  void recordHeader(std::uint8_t code, std::uint16_t length);
  ActionAssembler& branch(std::uint8_t code, const std::string& label);

  std::vector<std::uint8_t> m_code;
  std::map<std::string, std::size_t> m_labels;
  // Position of each 16-bit branch offset and the label it names.
  std::vector<std::pair<std::size_t, std::string>> m_branches;
  bool m_duplicateLabel = false;
};

}  // namespace sonaflux::swf
