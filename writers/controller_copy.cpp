#include "writers/controller_copy.h"

#include <vector>

#include "core/file_routines.h"
#include "core/leading_integer.h"

namespace sonaflux {

namespace {

constexpr std::size_t kControllerCodeSize = 8;
constexpr std::size_t kWidthOffset = 2;
constexpr std::size_t kHeightOffset = 5;
constexpr std::size_t kSizeFieldLength = 3;
constexpr std::int64_t kCopyChunk = 64 * 1024;

}  // namespace

std::string controllerPath(const AppContext& ctx) {
  return ctx.paths.programFolder + "Controllers/" + ctx.settings.controllerName + ".swf";
}

ControllerSize controllerSize(const std::string& controllerName) {
  if (controllerName.size() < kControllerCodeSize) return {};
  std::string code = controllerName.substr(controllerName.size() - kControllerCodeSize);
  std::string_view digits(code);
  return {leadingInteger(digits.substr(kWidthOffset, kSizeFieldLength)),
          leadingInteger(digits.substr(kHeightOffset, kSizeFieldLength))};
}

void writeControllerAnimation(AppContext& ctx) {
  if (ctx.settings.outputMode != kOutputModeController) return;
  std::string path = controllerPath(ctx);
  File controller;
  if (!controller.openExisting(path, FileAccess::Read, true)) {
    ctx.failJob("Error: Cannot open controller \"" + path + "\".");
    return;
  }
  std::vector<std::uint8_t> buffer(kCopyChunk);
  std::int64_t readPos = 1;
  std::int64_t writePos = 1;
  for (;;) {
    std::int64_t got = readBlock(controller, readPos, buffer.data(), kCopyChunk);
    if (got <= 0) break;
    writeBlock(ctx, ctx.job.controllerOutHandle, writePos, buffer.data(), got);
    if (ctx.job.jobFailed) break;
  }
  closeFile(controller);
}

}  // namespace sonaflux
