#include "writers/controller_copy.h"

#include <cctype>
#include <vector>

#include "core/file_routines.h"

namespace sonaflux {

namespace {

constexpr std::size_t kControllerCodeSize = 8;
constexpr std::size_t kWidthOffset = 2;
constexpr std::size_t kHeightOffset = 5;
constexpr std::size_t kSizeFieldLength = 3;
constexpr std::int64_t kCopyChunk = 64 * 1024;

// Reads a decimal number the way the names have always been read: leading
// blanks and a sign allowed, stopping at the first non-digit, 0 for no digits.
int numberAt(const std::string& text, std::size_t offset) {
  std::string field = text.substr(offset, kSizeFieldLength);
  std::size_t i = 0;
  while (i < field.size() && std::isspace(static_cast<unsigned char>(field[i]))) ++i;
  bool negative = false;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
  int value = 0;
  for (; i < field.size() && std::isdigit(static_cast<unsigned char>(field[i])); ++i)
    value = value * 10 + (field[i] - '0');
  return negative ? -value : value;
}

}  // namespace

std::string controllerPath(const AppContext& ctx) {
  return ctx.paths.programFolder + "Controllers/" + ctx.settings.controllerName + ".swf";
}

ControllerSize controllerSize(const std::string& controllerName) {
  if (controllerName.size() < kControllerCodeSize) return {};
  std::string code = controllerName.substr(controllerName.size() - kControllerCodeSize);
  return {numberAt(code, kWidthOffset), numberAt(code, kHeightOffset)};
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
