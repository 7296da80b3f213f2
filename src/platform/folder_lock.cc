#include "platform/folder_lock.h"

#ifdef _WIN32
#include <windows.h>

#include <cwctype>
#include <string>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#endif

#include <cstdint>
#include <utility>

namespace velmora {

namespace {

#ifdef _WIN32

// Windows has no flock on folders: the other processes are kept out by a named mutex whose name
// is made from the folder's full path (letter case folded, as the disk folds it). The handle is
// kept in the int: Windows handles are 32-bit values even in 64-bit processes, by design.
int LockFolder(const std::filesystem::path& folder) {
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(folder, ec);
  if (ec || !std::filesystem::is_directory(full, ec)) return -1;
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a over the folded UTF-16 path
  for (wchar_t c : full.wstring()) {
    hash = (hash ^ static_cast<std::uint64_t>(std::towlower(c == L'/' ? L'\\' : c))) *
           1099511628211ull;
  }
  const std::wstring name = L"Local\\velmora-folder-" + std::to_wstring(hash);
  HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
  if (mutex == nullptr) return -1;
  const DWORD waited = WaitForSingleObject(mutex, INFINITE);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    CloseHandle(mutex);
    return -1;
  }
  return static_cast<int>(reinterpret_cast<std::intptr_t>(mutex));
}

void UnlockFolder(int held) {
  HANDLE mutex = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(held));
  ReleaseMutex(mutex);
  CloseHandle(mutex);
}

#else

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

void UnlockFolder(int fd) { ::close(fd); }

#endif

}  // namespace

FolderLock::Held::Held(Held&& other) noexcept
    : turn_(std::move(other.turn_)), fd_(std::exchange(other.fd_, -1)) {}

FolderLock::Held::~Held() {
  // Closing the fd drops its flock; the mutex goes after, so this process's next holder
  // never sees the folder still locked by us.
  if (fd_ >= 0) UnlockFolder(fd_);
}

FolderLock::Held FolderLock::Hold(const std::filesystem::path& folder) {
  std::unique_lock<std::mutex> turn(mutex_);
  const int fd = LockFolder(folder);
  return Held(std::move(turn), fd);
}

}  // namespace velmora
