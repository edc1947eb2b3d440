#include "core/file_routines.h"

#include <algorithm>

#include "core/messages.h"

namespace sonaflux {

void pumpMessages(AppContext& ctx) { ctx.host.pumpMessages(); }

void readByte(File& file, std::int64_t& position, std::uint8_t& byte) {
  std::uint8_t value = 0;
  if (file.readBuffered(&value, 1) != 1) value = 0;
  byte = value;
  ++position;
}

std::int64_t readBlock(File& file, std::int64_t& position, void* buffer, std::int64_t count) {
  std::int64_t got = count > 0 ? file.readBuffered(buffer, static_cast<std::size_t>(count)) : 0;
  position += count;
  return got;
}

bool readBlockFully(AppContext& ctx, File& file, std::int64_t& position, void* buffer, std::int64_t count) {
  if (readBlock(file, position, buffer, count) == count) return true;
  ctx.failJob(kMsgCannotReadFile);
  return false;
}

void writeBlock(AppContext& ctx, File& file, std::int64_t& position, const void* buffer, std::int64_t count) {
  std::int64_t written = count > 0 ? file.writeBuffered(buffer, static_cast<std::size_t>(count)) : 0;
  if (written != count) ctx.failJob(kMsgCannotWriteFile);
  position += count;
}

void flushFile(AppContext& ctx, File& file) {
  if (!file.flush() && !ctx.job.jobFailed) ctx.failJob(kMsgCannotWriteFile);
}

void seekTo(File& file, std::int64_t position) { file.seekBuffered(position - 1); }

void closeFile(File& file) { file.close(); }

void closeAndDelete(AppContext& ctx, const std::string& name, File& file) {
  // Deleted while still open and locked: once closed, another job could
  // take the name over before it goes.
  deleteFile(name);
  file.close();
  pumpMessages(ctx);
}

int percentDone(std::int64_t pos, std::int64_t end) {
  if (end <= 0) return 100;
  double percent = static_cast<double>(pos) * 100.0 / static_cast<double>(end);
  return static_cast<int>(std::clamp(percent, 0.0, 100.0));
}

}  // namespace sonaflux
