#include "writers/controller_copy.h"

#include <vector>

#include "core/file_routines.h"
#include "core/leading_integer.h"
#include "core/messages.h"
#include "writers/controller_list.h"

namespace sonaflux {

namespace {

constexpr std::size_t kControllerCodeSize = 8;
constexpr std::size_t kWidthOffset = 2;
constexpr std::size_t kHeightOffset = 5;
constexpr std::size_t kSizeFieldLength = 3;
constexpr std::int64_t kCopyChunk = 64 * 1024;
// "FWS" or "CWS" and a version byte.
constexpr std::size_t kSwfSignatureSize = 4;

}  // namespace

std::string controllerPath(const AppContext& ctx) {
  // The user's own controller of that name before the shipped one.
  const std::string& name = ctx.settings.controllerName;
  return controllerFolderFor(ctx.paths, name) + name + ".swf";
}

ControllerSize controllerSize(const std::string& controllerName) {
  if (controllerName.size() < kControllerCodeSize) return {};
  std::string code = controllerName.substr(controllerName.size() - kControllerCodeSize);
  std::string_view digits(code);
  return {leadingInteger(digits.substr(kWidthOffset, kSizeFieldLength)),
          leadingInteger(digits.substr(kHeightOffset, kSizeFieldLength))};
}

bool isSafeControllerName(const std::string& name) {
  return !name.empty() && name.find('/') == std::string::npos && name.find('\\') == std::string::npos &&
         name.find("..") == std::string::npos;
}

bool openController(AppContext& ctx, File& controller) {
  // A name from the settings file must not lead out of the Controllers
  // folder, and a pipe or device would never end.
  bool ok = isSafeControllerName(ctx.settings.controllerName) &&
            controller.openExisting(controllerPath(ctx), FileAccess::Read, true) && controller.isRegular();
  if (!ok) {
    controller.close();
    ctx.failJob(messageWith(kMsgCannotOpenController, controllerPath(ctx)));
  }
  return ok;
}

void checkController(AppContext& ctx) {
  if (ctx.settings.outputMode != kOutputModeController) return;
  File controller;
  if (!openController(ctx, controller)) return;
  // An empty or foreign file would be copied as a controller nobody can play.
  std::uint8_t head[kSwfSignatureSize] = {};
  bool flash = controller.read(head, sizeof head) == static_cast<std::int64_t>(sizeof head) &&
               (head[0] == 'F' || head[0] == 'C') && head[1] == 'W' && head[2] == 'S' && head[3] != 0;
  if (!flash) ctx.failJob(messageWith(kMsgCannotOpenController, controllerPath(ctx)));
}

std::string controllerTwinPath(const std::string& controllersFolder, const std::string& name) {
  return controllersFolder + name + ".htm";
}

std::string readControllerTwin(Host& host, const std::string& path) {
  File file;
  if (!file.openExisting(path, FileAccess::Read, false)) return {};
  // One byte past the limit tells a file that is too large.
  std::string text(static_cast<std::size_t>(kLargestControllerTwin) + 1, '\0');
  const std::int64_t got = file.read(text.data(), text.size());
  if (got <= 0) return {};
  if (got > kLargestControllerTwin) {
    host.showMessage(messageWith(kMsgControllerTwinTooLarge, path), MessageIcon::Exclamation);
    return {};
  }
  text.resize(static_cast<std::size_t>(got));
  return text;
}

void writeControllerAnimation(AppContext& ctx) {
  if (ctx.settings.outputMode != kOutputModeController) return;
  File controller;
  if (!openController(ctx, controller)) return;
  std::vector<std::uint8_t> buffer(kCopyChunk);
  std::int64_t readPos = 1;
  std::int64_t writePos = 1;
  for (;;) {
    std::int64_t got = readBlock(controller, readPos, buffer.data(), kCopyChunk);
    if (got <= 0) break;
    writeBlock(ctx, ctx.job.controllerOutHandle, writePos, buffer.data(), got);
    if (ctx.job.jobFailed) break;
  }
  flushFile(ctx, ctx.job.controllerOutHandle);
  closeFile(controller);
}

}  // namespace sonaflux
