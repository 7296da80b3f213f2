#ifndef VELMORA_PLATFORM_FOLDER_LOCK_H_
#define VELMORA_PLATFORM_FOLDER_LOCK_H_

#include <filesystem>
#include <mutex>

namespace velmora {

// Makes edits of the files in one folder (GPL's "seasons" folder, shared by every track's
// conversion) take turns: among the threads of this process through a mutex, and against a
// second process through an advisory lock (flock) on the folder itself, so nothing is left
// behind in the user's folder. The lock is owned by whoever runs the conversions (a batch) and
// handed to each run; it must outlive every Hold() it gives out.
class FolderLock {
 public:
  FolderLock() = default;
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // Held until destroyed. When the folder cannot be opened (it does not exist yet, or it is not
  // ours to read) only the in-process turn is taken: the edit that follows fails on its own.
  class Held {
   public:
    Held(Held&& other) noexcept;
    Held& operator=(Held&&) = delete;
    ~Held();
    // True when the other processes are kept out too, not only this process's threads.
    bool across_processes() const { return fd_ >= 0; }

   private:
    friend class FolderLock;
    Held(std::unique_lock<std::mutex> turn, int fd) : turn_(std::move(turn)), fd_(fd) {}
    std::unique_lock<std::mutex> turn_;
    int fd_;  // open on the folder while its flock is held; -1 when none
  };

  // Waits for this process's other holders, then for other processes, and holds both.
  Held Hold(const std::filesystem::path& folder);

 private:
  std::mutex mutex_;
};

}  // namespace velmora

#endif  // VELMORA_PLATFORM_FOLDER_LOCK_H_
