#include "platform/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>

namespace sonaflux {

FolderLock::~FolderLock() { unlock(); }

FolderLock::Result FolderLock::tryLock(const std::string& lockFilePath) {
  if (m_fd >= 0) return Result::Locked;
  int fd = ::open(lockFilePath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return Result::Failed;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int error = errno;
    ::close(fd);
    return error == EWOULDBLOCK ? Result::Busy : Result::Failed;
  }
  m_fd = fd;
  return Result::Locked;
}

void FolderLock::unlock() {
  if (m_fd >= 0) {
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
  }
}

}  // namespace sonaflux
