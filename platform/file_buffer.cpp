#include "platform/file_buffer.h"

#include <algorithm>
#include <cstring>

namespace sonaflux {

namespace {

// Kept from the bytes before a refill, so that a short seek back (a frame's
// look-ahead) stays inside the buffer.
constexpr std::size_t kKeptBehind = 4096;

}  // namespace

bool File::Buffer::moveDescriptorTo(File& file, std::int64_t offset) {
  if (descriptorAt == offset) return true;
  descriptorAt.reset();
  if (!file.seekRaw(offset)) return false;
  descriptorAt = offset;
  return true;
}

bool File::Buffer::writeOut(File& file) {
  if (mode != Buffer::Mode::Writing) return true;
  const std::int64_t end = currentPosition();
  bool ok = filled == 0 ||
            (moveDescriptorTo(file, start) && file.writeRaw(bytes.data(), filled) == static_cast<std::int64_t>(filled));
  if (filled != 0) descriptorAt = ok ? std::optional<std::int64_t>(end) : std::nullopt;
  mode = Buffer::Mode::Idle;
  position = end;
  filled = 0;
  return ok;
}

File::Buffer* File::bufferState() {
  if (m_fd < 0) return nullptr;
  if (m_buffer) return m_buffer.get();
  auto made = std::make_unique<Buffer>();
  made->passThrough = !isRegular();
  if (!made->passThrough) {
    std::optional<std::int64_t> at = tellRaw();
    if (!at) return nullptr;
    made->bytes.resize(Buffer::kSize);
    made->position = *at;
    made->descriptorAt = at;
  }
  m_buffer = std::move(made);
  return m_buffer.get();
}

std::int64_t File::readBuffered(void* buffer, std::size_t count) {
  Buffer* b = bufferState();
  if (!b) return -1;
  if (b->passThrough) return readRaw(buffer, count);
  if (b->mode == Buffer::Mode::Writing && !b->writeOut(*this)) b->heldBackWriteFailed = true;
  if (b->mode == Buffer::Mode::Idle) {
    b->mode = Buffer::Mode::Reading;
    b->start = b->position;
    b->filled = b->at = 0;
  }
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::size_t done = 0;
  const auto nothingOrDone = [&] { return done > 0 ? static_cast<std::int64_t>(done) : -1; };
  while (done < count) {
    if (b->at < b->filled) {
      const std::size_t n = std::min(b->filled - b->at, count - done);
      std::memcpy(out + done, b->bytes.data() + b->at, n);
      b->at += n;
      done += n;
      continue;
    }
    const std::int64_t end = b->currentPosition();
    const std::size_t left = count - done;
    if (left >= Buffer::kSize) {
      // A large read goes straight into the caller's memory.
      std::int64_t got = b->moveDescriptorTo(*this, end) ? readRaw(out + done, left) : -1;
      if (got < 0) {
        b->descriptorAt.reset();
        return nothingOrDone();
      }
      b->descriptorAt = end + got;
      b->start = end + got;
      b->filled = b->at = 0;
      done += static_cast<std::size_t>(got);
      break;
    }
    const std::size_t keep = std::min(b->filled, kKeptBehind);
    std::memmove(b->bytes.data(), b->bytes.data() + (b->filled - keep), keep);
    b->start = end - static_cast<std::int64_t>(keep);
    b->filled = b->at = keep;
    std::int64_t got = b->moveDescriptorTo(*this, end) ? readRaw(b->bytes.data() + keep, Buffer::kSize - keep) : -1;
    if (got < 0) {
      b->descriptorAt.reset();
      return nothingOrDone();
    }
    b->descriptorAt = end + got;
    b->filled += static_cast<std::size_t>(got);
    if (got == 0) break;  // the end of the file
  }
  return static_cast<std::int64_t>(done);
}

std::int64_t File::writeBuffered(const void* buffer, std::size_t count) {
  Buffer* b = bufferState();
  if (!b) return -1;
  if (b->passThrough) return writeRaw(buffer, count);
  if (b->heldBackWriteFailed) {
    b->heldBackWriteFailed = false;
    return -1;
  }
  if (b->mode == Buffer::Mode::Reading) {
    b->position = b->currentPosition();
    b->mode = Buffer::Mode::Idle;
  }
  if (b->mode == Buffer::Mode::Idle) {
    b->mode = Buffer::Mode::Writing;
    b->start = b->position;
    b->filled = 0;
  }
  if (b->filled + count > Buffer::kSize) {
    if (!b->writeOut(*this)) return -1;
    if (count >= Buffer::kSize) {
      const std::int64_t at = b->position;
      std::int64_t written = b->moveDescriptorTo(*this, at) ? writeRaw(buffer, count) : -1;
      b->descriptorAt = written >= 0 ? std::optional<std::int64_t>(at + written) : std::nullopt;
      b->position = at + std::max<std::int64_t>(written, 0);
      return written;
    }
    b->mode = Buffer::Mode::Writing;
    b->start = b->position;
  }
  std::memcpy(b->bytes.data() + b->filled, buffer, count);
  b->filled += count;
  return static_cast<std::int64_t>(count);
}

bool File::seekBuffered(std::int64_t offset) {
  if (offset < 0) return false;
  Buffer* b = bufferState();
  if (!b) return false;
  if (b->passThrough) return seekRaw(offset);
  switch (b->mode) {
    case Buffer::Mode::Reading:
      if (offset >= b->start && offset <= b->start + static_cast<std::int64_t>(b->filled)) {
        b->at = static_cast<std::size_t>(offset - b->start);
        return true;
      }
      break;
    case Buffer::Mode::Writing:
      if (offset == b->currentPosition()) return true;
      if (!b->writeOut(*this)) b->heldBackWriteFailed = true;
      break;
    case Buffer::Mode::Idle: break;
  }
  b->mode = Buffer::Mode::Idle;
  b->position = offset;
  return true;
}

bool File::flush() {
  if (!m_buffer) return true;
  const bool ok = m_buffer->writeOut(*this) && !m_buffer->heldBackWriteFailed;
  m_buffer->heldBackWriteFailed = false;
  return ok;
}

bool File::settleBuffer() {
  if (!m_buffer) return true;
  const std::int64_t position = m_buffer->currentPosition();
  bool ok = flush();
  if (!m_buffer->passThrough && m_fd >= 0 && m_buffer->descriptorAt != position) ok = seekRaw(position) && ok;
  m_buffer.reset();
  return ok;
}

}  // namespace sonaflux
