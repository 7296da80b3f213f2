#include "platform/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace velmora {

namespace {

// An fd on `folder` holding its exclusive flock, or -1. Retries when a signal interrupts the
// wait, so a lock is never given up half-taken.
int LockFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return -1;
  int result;
  do {
    result = ::flock(fd, LOCK_EX);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

FolderLock::Held::Held(Held&& other) noexcept
    : turn_(std::move(other.turn_)), fd_(std::exchange(other.fd_, -1)) {}

FolderLock::Held::~Held() {
  // Closing the fd drops its flock; the mutex goes after, so this process's next holder
  // never sees the folder still locked by us.
  if (fd_ >= 0) ::close(fd_);
}

FolderLock::Held FolderLock::Hold(const std::filesystem::path& folder) {
  std::unique_lock<std::mutex> turn(mutex_);
  const int fd = LockFolder(folder);
  return Held(std::move(turn), fd);
}

}  // namespace velmora
