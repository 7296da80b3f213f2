#include "platform/folder_lock.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cctype>
#include <chrono>
#include <future>
#include <string>

#include "platform/temp_folder.h"

namespace velmora {
namespace {

#ifdef _WIN32

// Another process's lock is played by a second FolderLock on a thread of its own: it shares
// nothing in-process with the first, and the named mutex it waits on belongs to a thread.
TEST(FolderLockTest, KeepsOutASecondLockOfAnyLetterCaseUntilReleased) {
  std::optional<TempFolder> folder = TempFolder::Create("lock");
  ASSERT_TRUE(folder);
  std::string upper = folder->path().filename().string();
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  // The same folder as the disk sees it, spelt in capitals and with forward slashes.
  const std::filesystem::path shouted =
      std::filesystem::path(folder->path().parent_path().generic_wstring()) / upper;
  FolderLock mine;
  FolderLock theirs;
  std::future<bool> other;
  {
    FolderLock::Held held = mine.Hold(folder->path());
    EXPECT_TRUE(held.across_processes());
    other = std::async(std::launch::async, [&] { return theirs.Hold(shouted).across_processes(); });
    EXPECT_EQ(other.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
  }
  EXPECT_TRUE(other.get());
  // Another folder is not kept out.
  std::optional<TempFolder> elsewhere = TempFolder::Create("lock");
  FolderLock::Held held = mine.Hold(folder->path());
  std::future<bool> unrelated = std::async(
      std::launch::async, [&] { return theirs.Hold(elsewhere->path()).across_processes(); });
  EXPECT_EQ(unrelated.wait_for(std::chrono::seconds(5)), std::future_status::ready);
}

#else

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
    second = std::async(std::launch::async,
                        [&] { return lock.Hold(folder->path()).across_processes(); });
    EXPECT_EQ(second.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
  }
  EXPECT_TRUE(second.get());
  EXPECT_TRUE(OthersCanLock(folder->path()));
}

#endif  // _WIN32

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
#ifndef _WIN32
  // A moved-from hold releases nothing; the moved-to one holds until it goes.
  FolderLock::Held first = lock.Hold(folder->path());
  FolderLock::Held moved(std::move(first));
  EXPECT_FALSE(OthersCanLock(folder->path()));
#endif
}

}  // namespace
}  // namespace velmora
