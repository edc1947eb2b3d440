#pragma once

#include <string>

namespace sonaflux {

/// An exclusive advisory lock on a lock file, shared by every process that
/// uses the same settings folder. Released when destroyed.
class FolderLock {
 public:
  FolderLock() = default;
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  enum class Result { Locked, Busy, Failed };
  /// Tries once, without waiting.
  [[nodiscard]] Result tryLock(const std::string& lockFilePath);
  void unlock();

 private:
  int m_fd = -1;
};

}  // namespace sonaflux
