#include "tools/controllers/controller_logic.h"

#include <string>

#include "tools/swf_assembler/action_assembler.h"

namespace sonaflux::controllers {
namespace {

using swf::ActionAssembler;
using swf::Property;

constexpr const char* kStreamLevel = "_level1";

// Controller states kept in snxState.
constexpr double kStopped = 0, kPlaying = 1, kPaused = 2, kEnded = 3;

double prop(Property p) { return static_cast<double>(static_cast<int>(p)); }

void getVar(ActionAssembler& a, const char* name) { a.push(std::string(name)).getVariable(); }

void setVar(ActionAssembler& a, const char* name, double value) { a.push({std::string(name), value}).setVariable(); }

/// Pushes a property of the stream level (undefined while nothing is loaded).
void pushStreamProperty(ActionAssembler& a, Property p) { a.push({std::string(kStreamLevel), prop(p)}).getProperty(); }

/// Branches to label unless the stream level holds a movie. While a load is
/// under way the level holds an empty clip that stands on frame 0.
void unlessStreamLoaded(ActionAssembler& a, const std::string& label) {
  a.push(0.0);
  pushStreamProperty(a, Property::CurrentFrame);
  a.less().logicalNot().branchIfTrue(label);
}

/// Branches to label unless variable == value.
void unlessVarEquals(ActionAssembler& a, const char* name, double value, const std::string& label) {
  getVar(a, name);
  a.push(value).equals().logicalNot().branchIfTrue(label);
}

void unlessLetter(ActionAssembler& a, const char* letter, const std::string& label) {
  getVar(a, "snxLetter");
  a.push(std::string(letter)).stringEquals().logicalNot().branchIfTrue(label);
}

void streamGotoFirstAndStop(ActionAssembler& a) { a.setTarget(kStreamLevel).gotoFrame(0).stop().setTarget(""); }

void setBarScale(ActionAssembler& a, const char* bar) {
  // Expects the scale on the stack; SetProperty wants target, index, value.
  a.storeRegister(0).pop();
  a.push({std::string(bar), prop(Property::XScale), swf::Register{0}}).setProperty();
}

swf::Bytes finished(const ActionAssembler& a, bool& ok) {
  auto code = a.finish();
  if (!code) {
    ok = false;
    return {};
  }
  return *code;
}

ActionAssembler initScript() {
  ActionAssembler a;
  getVar(a, "snxInit");
  a.branchIfTrue("done");
  setVar(a, "snxInit", 1);
  setVar(a, "snxLoop", 1);
  setVar(a, "snxState", kStopped);
  setVar(a, "snxLast", 0);
  setVar(a, "snxSeen", 0);
  a.push({std::string("snxStream"), std::string("")}).setVariable();
  a.push({std::string("snxLetter"), std::string("")}).setVariable();

  // _url of the root is the absolute address of this file.
  a.push({std::string("snxUrl"), std::string(""), prop(Property::Url)}).getProperty().setVariable();
  a.push({std::string("snxDot"), std::string(".swf"), 1.0, std::string("snxUrl")}).getVariable();
  a.push(std::string("lastIndexOf")).callMethod().setVariable();
  // Without a letter before ".swf" there is no stream to load.
  a.push(0.0);
  getVar(a, "snxDot");
  a.less().logicalNot().branchIfTrue("done");

  // The 0-based index of the dot is the 1-based index of the letter.
  a.push(std::string("snxLetter"));
  getVar(a, "snxUrl");
  getVar(a, "snxDot");
  a.push(1.0).stringExtract().setVariable();

  a.push(std::string("snxStream"));
  getVar(a, "snxUrl");
  a.push(1.0);
  getVar(a, "snxDot");
  a.push(1.0).subtract().stringExtract();
  a.push(std::string("s")).stringAdd();
  getVar(a, "snxUrl");
  getVar(a, "snxDot");
  a.push(1.0).add();
  getVar(a, "snxUrl");
  a.stringLength();
  getVar(a, "snxDot");
  a.subtract().stringExtract().stringAdd().setVariable();

  unlessLetter(a, "d", "notD");
  setVar(a, "snxLoop", 0);
  a.label("notD");
  unlessLetter(a, "e", "notE");
  setVar(a, "snxState", kPlaying);
  a.label("notE");
  unlessLetter(a, "f", "notF");
  setVar(a, "snxState", kPlaying);
  setVar(a, "snxLoop", 0);
  a.label("notF");

  getVar(a, "snxStream");
  a.push(std::string(kStreamLevel)).getUrl2();
  a.label("done");
  return a;
}

ActionAssembler updateScript() {
  ActionAssembler a;
  unlessStreamLoaded(a, "noStream");
  a.push(std::string("snxTotal"));
  pushStreamProperty(a, Property::TotalFrames);
  a.setVariable();
  a.push(std::string("snxFrame"));
  pushStreamProperty(a, Property::CurrentFrame);
  a.setVariable();

  // The stream starts playing by itself when it arrives; hold it on its
  // first frame, which carries no sound, unless the controller plays.
  getVar(a, "snxSeen");
  a.branchIfTrue("seen");
  setVar(a, "snxSeen", 1);
  getVar(a, "snxState");
  a.push(kPlaying).equals().branchIfTrue("seen");
  streamGotoFirstAndStop(a);
  setVar(a, "snxFrame", 1);
  a.label("seen");

  // A frame number lower than the last one seen means the stream went round.
  unlessVarEquals(a, "snxState", kPlaying, "noWrap");
  getVar(a, "snxFrame");
  getVar(a, "snxLast");
  a.less().logicalNot().branchIfTrue("noWrap");
  getVar(a, "snxLoop");
  a.branchIfTrue("noWrap");
  // Playing once: the last block has sounded in full, rest on the last frame.
  // Values are read before SetTarget, which also moves variable look-ups.
  getVar(a, "snxTotal");
  a.setTarget(kStreamLevel).gotoFrame2(false).setTarget("");
  setVar(a, "snxState", kEnded);
  a.push(std::string("snxFrame"));
  getVar(a, "snxTotal");
  a.setVariable();
  a.label("noWrap");
  a.push(std::string("snxLast"));
  getVar(a, "snxFrame");
  a.setVariable();

  // Loaded share of the frames.
  pushStreamProperty(a, Property::FramesLoaded);
  a.push(100.0).multiply();
  getVar(a, "snxTotal");
  a.divide();
  setBarScale(a, kLoadedBarName);
  // Played share: frame 1 carries no sound, so count from frame 2.
  a.push(1.0);
  getVar(a, "snxTotal");
  a.less().logicalNot().branchIfTrue("singleFrame");
  getVar(a, "snxFrame");
  a.push(1.0).subtract().push(100.0).multiply();
  getVar(a, "snxTotal");
  a.push(1.0).subtract().divide();
  setBarScale(a, kPlayedBarName);
  a.jump("end");
  a.label("singleFrame");
  a.push(0.0);
  setBarScale(a, kPlayedBarName);
  a.jump("end");

  a.label("noStream");
  a.push(0.0);
  setBarScale(a, kLoadedBarName);
  a.push(0.0);
  setBarScale(a, kPlayedBarName);
  a.label("end");
  return a;
}

ActionAssembler playScript() {
  ActionAssembler a;
  getVar(a, "snxState");
  a.push(kPlaying).equals().branchIfTrue("end");
  unlessStreamLoaded(a, "setState");
  unlessVarEquals(a, "snxState", kEnded, "resume");
  a.setTarget(kStreamLevel).gotoFrame(0).play().setTarget("");
  a.jump("noteFrame");
  a.label("resume");
  a.setTarget(kStreamLevel).play().setTarget("");
  a.label("noteFrame");
  a.push(std::string("snxLast"));
  pushStreamProperty(a, Property::CurrentFrame);
  a.setVariable();
  a.label("setState");
  setVar(a, "snxState", kPlaying);
  a.label("end");
  return a;
}

ActionAssembler pauseScript() {
  ActionAssembler a;
  unlessVarEquals(a, "snxState", kPlaying, "end");
  unlessStreamLoaded(a, "setState");
  a.setTarget(kStreamLevel).stop().setTarget("");
  a.label("setState");
  setVar(a, "snxState", kPaused);
  a.label("end");
  return a;
}

ActionAssembler stopScript() {
  ActionAssembler a;
  unlessStreamLoaded(a, "setState");
  streamGotoFirstAndStop(a);
  a.label("setState");
  setVar(a, "snxState", kStopped);
  setVar(a, "snxLast", 1);
  return a;
}

}  // namespace

std::optional<ControllerScripts> buildControllerScripts() {
  bool ok = true;
  ControllerScripts scripts{finished(initScript(), ok), finished(updateScript(), ok), finished(playScript(), ok),
                            finished(pauseScript(), ok), finished(stopScript(), ok)};
  if (!ok) return std::nullopt;
  return scripts;
}

}  // namespace sonaflux::controllers
