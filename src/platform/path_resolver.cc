#include "platform/path_resolver.h"

#include <algorithm>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/path_text.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

bool Exists(const fs::path& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

std::string FolderKey(const fs::path& folder) {
  return PathToUtf8(folder.empty() ? fs::path(".") : folder);
}

// Names are compared as UTF-8 with ASCII letters folded, which leaves every letter beyond
// ASCII as it is: the rule every lookup of the program follows.
std::string NameKey(const fs::path& name) { return AsciiLower(PathToUtf8(name)); }

using Spellings = std::vector<std::string>;

void Enter(std::unordered_map<std::string, Spellings>& listing, const fs::path& name) {
  std::string spelled = PathToUtf8(name);
  Spellings& spellings = listing[AsciiLower(spelled)];
  auto at = std::lower_bound(spellings.begin(), spellings.end(), spelled);
  if (at == spellings.end() || *at != spelled) spellings.insert(at, std::move(spelled));
}

// Whether the system would let this process write `path` (an existing file, or a folder to
// create files in).
bool WriteAllowed(const fs::path& path, bool folder) {
#ifdef _WIN32
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  // Windows ignores the read-only mark on folders.
  return folder || (attributes & FILE_ATTRIBUTE_READONLY) == 0;
#else
  return ::access(path.c_str(), folder ? (W_OK | X_OK) : W_OK) == 0;
#endif
}

}  // namespace

PathResolver::Listing* PathResolver::CachedListing(const fs::path& folder) {
  auto it = listings_.find(FolderKey(folder));
  return it == listings_.end() ? nullptr : &it->second;
}

const PathResolver::Listing& PathResolver::ListingOf(const fs::path& folder) {
  if (Listing* cached = CachedListing(folder)) return *cached;
  ++scans_;
  Listing& listing = listings_[FolderKey(folder)];
  std::error_code ec;
  fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    Enter(listing, it->path().filename());
  }
  return listing;
}

std::optional<fs::path> PathResolver::ResolveExisting(const fs::path& path) {
  if (path.empty()) return std::nullopt;
  if (Exists(path)) return path;
  // The folder is looked up once per run; the name then in its listing.
  const fs::path parent = path.parent_path();
  const fs::path name = path.filename();
  if (parent.empty() || parent == path || name.empty() || name == "." || name == "..") {
    return WalkComponents(path);
  }
  std::optional<fs::path> folder = ResolveFolder(parent);
  if (!folder) return std::nullopt;
  const Listing& listing = ListingOf(*folder);
  auto found = listing.find(NameKey(name));
  if (found == listing.end() || found->second.empty()) return std::nullopt;
  return *folder / PathFromUtf8(found->second.front());
}

std::optional<fs::path> PathResolver::ResolveFolder(const fs::path& folder) {
  const std::string key = FolderKey(folder);
  if (auto known = folders_.find(key); known != folders_.end()) return known->second;
  std::optional<fs::path> found = ResolveExisting(folder);
  // Only folders that exist are remembered: one made later is found when next asked for.
  if (found) folders_.emplace(key, *found);
  return found;
}

std::optional<fs::path> PathResolver::WalkComponents(const fs::path& path) {
  fs::path current = path.root_path();
  for (const fs::path& part : path.relative_path()) {
    if (part == "." || part == "..") {
      current /= part;
      continue;
    }
    // A folder listed before answers without a system call; an unlisted one is asked for the
    // exact spelling first.
    const Listing* listing = CachedListing(current);
    if (listing == nullptr) {
      fs::path exact = current / part;
      if (Exists(exact)) {
        current = std::move(exact);
        continue;
      }
      listing = &ListingOf(current);
    }
    auto found = listing->find(NameKey(part));
    if (found == listing->end() || found->second.empty()) return std::nullopt;
    current /= PathFromUtf8(found->second.front());
  }
  return current;
}

fs::path PathResolver::ResolveForWrite(const fs::path& path) {
  if (std::optional<fs::path> existing = ResolveExisting(path)) return *existing;
  const fs::path parent = path.parent_path();
  if (parent.empty()) return path;
  std::optional<fs::path> folder = ResolveExisting(parent);
  return (folder ? *folder : parent) / path.filename();
}

std::optional<std::uintmax_t> PathResolver::FileSize(const fs::path& path) {
  std::optional<fs::path> found = ResolveExisting(path);
  if (!found) return std::nullopt;
  std::error_code ec;
  if (!fs::is_regular_file(*found, ec)) return std::nullopt;
  const std::uintmax_t size = fs::file_size(*found, ec);
  if (ec) return std::nullopt;
  return size;
}

bool PathResolver::CanWrite(const fs::path& path, bool* exists) {
  std::error_code ec;
  std::optional<fs::path> existing = ResolveExisting(path);
  if (exists != nullptr) *exists = existing.has_value();
  if (existing) {
    return !fs::is_directory(*existing, ec) && WriteAllowed(*existing, false);
  }
  const fs::path parent = path.parent_path();
  const fs::path folder = parent.empty() ? fs::path(".") : ResolveFolder(parent).value_or(parent);
  auto [it, inserted] = writable_folders_.try_emplace(FolderKey(folder), false);
  if (inserted) it->second = fs::is_directory(folder, ec) && WriteAllowed(folder, true);
  return it->second;
}

bool PathResolver::WriteFileBytes(const fs::path& path, std::span<const std::uint8_t> bytes) {
  const fs::path target = ResolveForWrite(path);
  if (!WriteFileBytesExact(target, bytes)) return false;
  NoteCreated(target);
  return true;
}

bool PathResolver::RemoveFile(const fs::path& path) {
  std::optional<fs::path> found = ResolveExisting(path);
  if (!found) return false;
  std::error_code ec;
  if (fs::is_directory(*found, ec)) return false;
  if (!fs::remove(*found, ec) || ec) return false;
  NoteRemoved(*found);
  return true;
}

void PathResolver::NoteCreated(const fs::path& path) {
  if (Listing* listing = CachedListing(path.parent_path())) Enter(*listing, path.filename());
}

void PathResolver::NoteRemoved(const fs::path& path) {
  Listing* listing = CachedListing(path.parent_path());
  if (listing == nullptr) return;
  auto it = listing->find(NameKey(path.filename()));
  if (it == listing->end()) return;
  std::erase(it->second, PathToUtf8(path.filename()));
  // On a disk that ignores letter case the other spellings noted for this name were the same
  // file, now gone; on one that tells case apart they are files of their own and stay.
  std::erase_if(it->second, [&](const std::string& spelled) {
    return !Exists(path.parent_path() / PathFromUtf8(spelled));
  });
  if (it->second.empty()) listing->erase(it);
}

void PathResolver::Forget(const fs::path& folder) {
  listings_.erase(FolderKey(folder));
  folders_.clear();
  writable_folders_.erase(FolderKey(folder));
}

}  // namespace velmora
