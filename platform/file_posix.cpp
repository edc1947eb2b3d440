#include "platform/file.h"
#include "platform/file_buffer.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <utility>

namespace sonaflux {

File::File() = default;
File::~File() { close(); }

File::File(File&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)), m_buffer(std::move(other.m_buffer)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    m_fd = std::exchange(other.m_fd, -1);
    m_buffer = std::move(other.m_buffer);
  }
  return *this;
}

namespace {

// Opened without blocking, so that a pipe without a writer cannot hang the
// open; reads and writes block as usual afterwards.
int openNonBlocking(const std::string& path, int flags, mode_t mode = 0) {
  return ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, mode);
}

bool makeBlocking(int fd) {
  int flags = ::fcntl(fd, F_GETFL);
  return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

// Folders, pipes and sockets are no files to read or write; devices are
// left to the callers that want them.
bool isFileLike(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  return S_ISREG(st.st_mode) || S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode);
}

bool isRegularFd(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

bool File::openExisting(const std::string& path, FileAccess access, bool exclusive) {
  close();
  int fd = openNonBlocking(path, access == FileAccess::Read ? O_RDONLY : O_RDWR);
  if (fd < 0) return false;
  bool ok = isFileLike(fd) && (!exclusive || ::flock(fd, LOCK_EX | LOCK_NB) == 0) && makeBlocking(fd);
  if (!ok) {
    ::close(fd);
    return false;
  }
  m_fd = fd;
  return true;
}

bool File::createExclusive(const std::string& path, bool& createdNew) {
  close();
  createdNew = true;
  // O_EXCL already refuses a link; the second open must not follow one either.
  int fd = openNonBlocking(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0644);
  if (fd < 0 && errno == EEXIST) {
    createdNew = false;
    fd = openNonBlocking(path, O_RDWR | O_NOFOLLOW);
  }
  if (fd < 0) return false;
  if (!isRegularFd(fd) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    // A file made here that someone else grabbed in between is theirs now.
    bool theirs = errno == EWOULDBLOCK;
    ::close(fd);
    if (createdNew && !theirs) ::unlink(path.c_str());
    return false;
  }
  if (::ftruncate(fd, 0) != 0 || !makeBlocking(fd)) {
    ::close(fd);
    if (createdNew) ::unlink(path.c_str());
    return false;
  }
  m_fd = fd;
  return true;
}

bool File::isRegular() const { return m_fd >= 0 && isRegularFd(m_fd); }

bool File::create(const std::string& path) {
  close();
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return false;
  m_fd = fd;
  return true;
}

namespace {

// Repeats a read or write until count bytes went through, the file ends or a
// call fails; returns what went through, or -1 when nothing did.
template <typename Byte, typename Transfer>
std::int64_t transferAll(int fd, Byte* bytes, std::size_t count, Transfer transfer) {
  if (fd < 0) return -1;
  std::size_t done = 0;
  while (done < count) {
    ssize_t n = transfer(fd, bytes + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return done > 0 ? static_cast<std::int64_t>(done) : -1;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<std::int64_t>(done);
}

}  // namespace

std::int64_t File::readRaw(void* buffer, std::size_t count) {
  return transferAll(m_fd, static_cast<unsigned char*>(buffer), count, ::read);
}

std::int64_t File::writeRaw(const void* buffer, std::size_t count) {
  return transferAll(m_fd, static_cast<const unsigned char*>(buffer), count, ::write);
}

bool File::seekRaw(std::int64_t offset) {
  if (m_fd < 0 || offset < 0) return false;
  return ::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

std::optional<std::int64_t> File::tellRaw() const {
  off_t at = m_fd < 0 ? -1 : ::lseek(m_fd, 0, SEEK_CUR);
  if (at < 0) return std::nullopt;
  return static_cast<std::int64_t>(at);
}

std::int64_t File::read(void* buffer, std::size_t count) { return settleBuffer() ? readRaw(buffer, count) : -1; }

std::int64_t File::write(const void* buffer, std::size_t count) {
  return settleBuffer() ? writeRaw(buffer, count) : -1;
}

bool File::seek(std::int64_t offset) { return settleBuffer() && seekRaw(offset); }

std::optional<std::int64_t> File::size() const {
  struct stat st {};
  if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return std::nullopt;
  return static_cast<std::int64_t>(st.st_size);
}

std::optional<FileIdentity> File::identity() const {
  struct stat st {};
  if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

bool File::sync() { return settleBuffer() && m_fd >= 0 && ::fsync(m_fd) == 0; }

bool File::close() {
  const bool written = settleBuffer();
  if (m_fd < 0) return written;
  int fd = std::exchange(m_fd, -1);
  return ::close(fd) == 0 && written;
}

std::optional<std::int64_t> fileSize(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<std::int64_t>(st.st_size);
}

bool fileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

bool isDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isSymbolicLink(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::optional<FileIdentity> entryIdentity(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

bool deleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool renameFile(const std::string& source, const std::string& target) {
  return std::rename(source.c_str(), target.c_str()) == 0;
}

}  // namespace sonaflux
