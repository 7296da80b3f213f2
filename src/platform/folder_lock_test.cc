#include "platform/folder_lock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <future>

#include "platform/temp_folder.h"

namespace velmora {
namespace {

// Whether another open file description (as a second process would have) gets the folder's
// lock right now.
bool OthersCanLock(const std::filesystem::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);
  return locked;
}

TEST(FolderLockTest, KeepsOutOtherProcessesAndThreadsUntilReleased) {
  std::optional<TempFolder> folder = TempFolder::Create("lock");
  ASSERT_TRUE(folder);
  FolderLock lock;
  std::future<bool> second;
  {
    FolderLock::Held held = lock.Hold(folder->path());
    EXPECT_TRUE(held.across_processes());
    EXPECT_FALSE(OthersCanLock(folder->path()));
    second = std::async(std::launch::async, [&] {
      FolderLock::Held next = lock.Hold(folder->path());
      return next.across_processes();
    });
    EXPECT_EQ(second.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
  }
  EXPECT_TRUE(second.get());
  EXPECT_TRUE(OthersCanLock(folder->path()));
}

TEST(FolderLockTest, AMissingFolderStillTakesTurnsInTheProcess) {
  std::optional<TempFolder> folder = TempFolder::Create("lock");
  ASSERT_TRUE(folder);
  FolderLock lock;
  std::future<void> second;
  {
    FolderLock::Held held = lock.Hold(folder->path() / "seasons");
    EXPECT_FALSE(held.across_processes());
    second = std::async(std::launch::async, [&] { lock.Hold(folder->path() / "seasons"); });
    EXPECT_EQ(second.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
  }
  second.get();
  // A moved-from hold releases nothing; the moved-to one holds until it goes.
  FolderLock::Held first = lock.Hold(folder->path());
  FolderLock::Held moved(std::move(first));
  EXPECT_FALSE(OthersCanLock(folder->path()));
}

}  // namespace
}  // namespace velmora
