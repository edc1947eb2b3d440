#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/file.h"

namespace sonaflux {

// What File's buffered calls keep between calls: nothing (Idle, at
// position), bytes read ahead (Reading, the position at start + at), or
// bytes written and held back (Writing, the position at start + filled).
struct File::Buffer {
  enum class Mode { Idle, Reading, Writing };
  static constexpr std::size_t kSize = 64 * 1024;

  bool passThrough = false;  // a device: every call goes straight to it
  Mode mode = Mode::Idle;
  std::vector<std::uint8_t> bytes;
  std::int64_t start = 0;  // file offset of bytes[0]
  std::size_t filled = 0;
  std::size_t at = 0;
  std::int64_t position = 0;
  std::optional<std::int64_t> descriptorAt;  // where the descriptor stands, when known
  bool heldBackWriteFailed = false;

  std::int64_t currentPosition() const {
    if (mode == Mode::Reading) return start + static_cast<std::int64_t>(at);
    if (mode == Mode::Writing) return start + static_cast<std::int64_t>(filled);
    return position;
  }
  /// Moves the descriptor of file to offset unless it stands there already.
  bool moveDescriptorTo(File& file, std::int64_t offset);
  /// Writes what is held back to file and leaves the buffer idle after it.
  bool writeOut(File& file);
};

}  // namespace sonaflux
