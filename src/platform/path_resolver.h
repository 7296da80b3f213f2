#ifndef VELMORA_PLATFORM_PATH_RESOLVER_H_
#define VELMORA_PLATFORM_PATH_RESOLVER_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace velmora {

// The case-insensitive lookup of file_system.h for one conversion run, which remembers what it
// has seen. A path is first asked for in its exact spelling (one stat); only when that misses is
// a folder listed, and each folder is listed at most once per run: the listing is kept, and the
// files this resolver itself creates or removes are entered into it. Files that others change
// during the run are seen when their exact spelling is asked for, or once Forget drops the
// folder's listing.
//
// One resolver belongs to one run and is not shared between threads.
class PathResolver {
 public:
  // The existing file or folder matching `path` component by component without regard to
  // letter case; an exact match wins, and among several spellings the smallest name.
  std::optional<std::filesystem::path> ResolveExisting(const std::filesystem::path& path);
  // Where a file at `path` is written: the existing entry in any case, else the resolved
  // folder joined with the name as given.
  std::filesystem::path ResolveForWrite(const std::filesystem::path& path);

  std::optional<std::uintmax_t> FileSize(const std::filesystem::path& path);
  // Whether a file could be created or replaced at `path` now, without writing it: an existing
  // file must be writable and not a folder, a new one needs a writable folder.
  // `exists` (when given) tells whether a file of that name is there now.
  bool CanWrite(const std::filesystem::path& path, bool* exists = nullptr);
  // Writes the file (created with the spelling given when none exists in any case).
  bool WriteFileBytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
  bool RemoveFile(const std::filesystem::path& path);

  // Enters a file that was made by other means into the listing of its folder.
  void NoteCreated(const std::filesystem::path& path);
  // Drops what is known of a folder; it is listed again when next needed.
  void Forget(const std::filesystem::path& folder);

  // How many folders have been listed so far: the measure of the work this resolver saves.
  std::size_t scans() const { return scans_; }

 private:
  // A folder's entries: lowercased name to its spellings on disk, smallest first.
  using Listing = std::unordered_map<std::string, std::vector<std::string>>;

  const Listing& ListingOf(const std::filesystem::path& folder);
  // The folder on disk for a folder path, remembered once found.
  std::optional<std::filesystem::path> ResolveFolder(const std::filesystem::path& folder);
  std::optional<std::filesystem::path> WalkComponents(const std::filesystem::path& path);
  Listing* CachedListing(const std::filesystem::path& folder);
  void NoteRemoved(const std::filesystem::path& path);

  std::unordered_map<std::string, Listing> listings_;  // by the folder's path on disk
  std::unordered_map<std::string, std::filesystem::path> folders_;  // path asked -> on disk
  std::unordered_map<std::string, bool> writable_folders_;
  std::size_t scans_ = 0;
};

}  // namespace velmora

#endif  // VELMORA_PLATFORM_PATH_RESOLVER_H_
