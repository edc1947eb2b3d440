#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace sonaflux {

enum class FileAccess { Read, ReadWrite };

/// What a name leads to on its device: two names with one identity are one file.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;

  bool operator==(const FileIdentity&) const = default;
};

/// An open operating-system file. Closes quietly when destroyed.
/// "Exclusive" opens hold a non-blocking exclusive lock: a file that another
/// descriptor holds that way cannot be opened exclusively again.
class File {
 public:
  File();
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  /// Opens an existing file. False when it does not exist, cannot be opened,
  /// is a folder, a pipe or a socket, or (exclusive) is locked by someone
  /// else. Never waits for a writer to appear.
  [[nodiscard]] bool openExisting(const std::string& path, FileAccess access, bool exclusive);
  /// Creates the file empty, or truncates it, open for writing. A symbolic
  /// link at path is refused, never written through.
  [[nodiscard]] bool create(const std::string& path);
  /// Creates a regular file, or takes an existing one over, for reading and
  /// writing under the exclusive lock: the file is emptied only once the lock
  /// is held, so a file someone else holds is left as it was. createdNew
  /// tells whether the file did not exist before; a file this call made is
  /// removed again when it cannot be locked. A symbolic link at path is
  /// refused.
  [[nodiscard]] bool createExclusive(const std::string& path, bool& createdNew);

  /// True for a plain file (not a device).
  bool isRegular() const;
  bool isOpen() const { return m_fd >= 0; }
  /// Reads up to count bytes, going on after short reads until the end of the
  /// file; the number of bytes read, or -1 on an error.
  std::int64_t read(void* buffer, std::size_t count);
  /// Writes count bytes; the number written, or -1 on an error.
  std::int64_t write(const void* buffer, std::size_t count);
  bool seek(std::int64_t offset);
  std::optional<std::int64_t> size() const;
  std::optional<FileIdentity> identity() const;
  /// Flushes written data to the disk.
  bool sync();
  /// Closes the file; false when the close, or writing out what
  /// writeBuffered held back, reported an error.
  bool close();

  /// The same as read, write and seek, for files read or written in many
  /// small pieces: plain files go through a 64 KiB buffer, so that small
  /// reads and writes and seeks inside the buffer cost no system call.
  /// Devices are read and written as they come. A write the buffer holds
  /// back fails at the writeBuffered that writes it out (then -1), at
  /// flush or at close; a seek that has to write it out leaves the failure
  /// to the next of these. size() sees only what has been written out.
  std::int64_t readBuffered(void* buffer, std::size_t count);
  std::int64_t writeBuffered(const void* buffer, std::size_t count);
  bool seekBuffered(std::int64_t offset);
  /// Writes out what writeBuffered held back; false when that or a
  /// held-back write before it failed.
  bool flush();

 private:
  struct Buffer;

  /// The buffer of the buffered calls, made at the first; null when closed.
  Buffer* bufferState();
  std::int64_t readRaw(void* buffer, std::size_t count);
  std::int64_t writeRaw(const void* buffer, std::size_t count);
  bool seekRaw(std::int64_t offset);
  std::optional<std::int64_t> tellRaw() const;
  /// Writes out and drops the buffer, leaving the descriptor at the
  /// position the buffered calls reached; false when a write failed.
  bool settleBuffer();

  int m_fd = -1;
  std::unique_ptr<Buffer> m_buffer;
};

/// Size of the file at path, or nothing when it has no status.
std::optional<std::int64_t> fileSize(const std::string& path);
bool fileExists(const std::string& path);
bool isDirectory(const std::string& path);
bool isSymbolicLink(const std::string& path);
/// Identity of the entry at path itself, a symbolic link not followed;
/// nothing when there is no entry.
std::optional<FileIdentity> entryIdentity(const std::string& path);
/// Deletes a file; failures are ignored by the callers that use this.
bool deleteFile(const std::string& path);
/// Replaces target by source in one step.
bool renameFile(const std::string& source, const std::string& target);

}  // namespace sonaflux
