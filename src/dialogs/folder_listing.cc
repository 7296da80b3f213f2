#include "dialogs/folder_listing.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/path_text.h"
#include "platform/text_encoding.h"

namespace velmora {

namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
// "c:" names the drive; listing it needs its root "c:\".
bool IsDrive(std::string_view path) { return path.size() == 2 && path[1] == ':'; }
#endif

fs::path ToFsPath(std::string_view path) {
#ifdef _WIN32
  if (IsDrive(path)) return PathFromUtf8(std::string(path) + kPathSeparator);
#endif
  return PathFromUtf8(path);
}

// Sub-folder names of `folder` as the file system spells them; unreadable entries are skipped.
std::vector<std::string> SubFolders(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code kind;
    if (!it->is_directory(kind)) continue;
    names.push_back(PathToUtf8(it->path().filename()));
  }
  return names;
}

#ifndef _WIN32
bool IsFolder(const std::string& folder) {
  std::error_code ec;
  return fs::is_directory(PathFromUtf8(folder), ec);
}

void AddFolderRoot(std::vector<DriveRoot>& roots, const std::string& folder) {
  if (IsFolder(folder)) roots.push_back({"[-" + DisplayPath(folder) + "-]", folder});
}

// Volumes mounted under `parent`; Debian's desktop mounts them in /media/<user>/.
void AddMountedVolumes(std::vector<DriveRoot>& roots, const std::string& parent,
                       const std::string& user) {
  for (const std::string& name : SubFolders(PathFromUtf8(parent))) {
    const std::string folder = ChildPath(parent, name);
    if (name != user) {
      AddFolderRoot(roots, folder);
      continue;
    }
    for (const std::string& volume : SubFolders(PathFromUtf8(folder))) {
      AddFolderRoot(roots, ChildPath(folder, volume));
    }
  }
}
#endif

bool StartsWithFolder(std::string_view path, std::string_view folder) {
#ifdef _WIN32
  // "C:\Games" lies on the drive entry "c:".
  return path.size() >= folder.size() && EqualsIgnoreCase(path.substr(0, folder.size()), folder);
#else
  return path.starts_with(folder);
#endif
}

bool Holds(std::string_view folder, std::string_view path) {
  if (folder.size() == 1 && folder[0] == kPathSeparator) return path.starts_with(folder);
  if (!StartsWithFolder(path, folder)) return false;
  return path.size() == folder.size() || path[folder.size()] == kPathSeparator;
}

}  // namespace

std::vector<FolderEntry> FolderEntries(std::string_view path) {
  std::vector<FolderEntry> entries;
  if (path.empty()) return entries;
  const std::optional<fs::path> folder = ResolveExisting(ToFsPath(path));
  std::error_code ec;
  if (!folder || !fs::is_directory(*folder, ec)) return entries;
  std::vector<std::string> names = SubFolders(*folder);
#ifndef _WIN32
  std::erase_if(names, [](const std::string& name) { return name.starts_with('.'); });
#endif
  std::sort(names.begin(), names.end(), ListsBefore);
  if (ParentPath(path) != path) entries.push_back({"..", "[..]"});
  for (std::string& name : names) {
    std::string text = "[" + DisplayPath(name) + "]";
    entries.push_back({std::move(name), std::move(text)});
  }
  return entries;
}

bool ListsBefore(std::string_view a, std::string_view b) {
  const auto folded_less = [](char x, char y) {
    return static_cast<unsigned char>(Windows1252Lower(x)) <
           static_cast<unsigned char>(Windows1252Lower(y));
  };
  if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), folded_less)) {
    return true;
  }
  if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), folded_less)) {
    return false;
  }
  return a < b;
}

std::string DisplayPath(std::string_view path) {
  return IsUtf8(path) ? std::string(path) : Windows1252ToUtf8(path);
}

bool PathExists(std::string_view path) {
  return !path.empty() && ResolveExisting(ToFsPath(path)).has_value();
}

std::string ParentPath(std::string_view path) {
  const std::size_t separator = path.rfind(kPathSeparator);
  if (separator == std::string_view::npos || path.size() == 1) return std::string(path);
#ifndef _WIN32
  if (separator == 0) return "/";
#endif
  return std::string(path.substr(0, separator));
}

std::string ChildPath(std::string_view path, std::string_view name) {
  std::string child(path);
  if (!child.ends_with(kPathSeparator)) child += kPathSeparator;
  return child.append(name);
}

std::string WithoutTrailingSeparator(std::string_view path) {
  if (path.size() > 1 && path.ends_with(kPathSeparator)) path.remove_suffix(1);
  return std::string(path);
}

std::string ExpandHome(std::string_view typed, std::string_view home) {
#ifndef _WIN32
  if (typed == "~") return std::string(home);
  if (typed.starts_with("~/")) return ChildPath(home, typed.substr(2));
#else
  static_cast<void>(home);  // "~" is an ordinary first letter of a Windows path
#endif
  return std::string(typed);
}

std::string CurrentFolder() {
  std::error_code ec;
  const fs::path current = fs::current_path(ec);
  return ec ? std::string() : PathToUtf8(current);
}

std::vector<DriveRoot> DriveRoots(const DriveSources& sources) {
  std::vector<DriveRoot> roots;
#ifdef _WIN32
  static_cast<void>(sources);
  const DWORD drives = GetLogicalDrives();
  for (int letter = 0; letter < 26; ++letter) {
    if ((drives & (1u << letter)) == 0) continue;
    const char name = static_cast<char>('a' + letter);
    roots.push_back({std::string("[-") + name + "-]", std::string{name, ':'}});
  }
#else
  AddFolderRoot(roots, "/");
  if (!sources.home.empty()) AddFolderRoot(roots, WithoutTrailingSeparator(sources.home));
  const std::string user = PathToUtf8(fs::path(sources.home).filename());
  AddMountedVolumes(roots, sources.media, user);
  AddMountedVolumes(roots, sources.mnt, user);
  if (!sources.wine_prefix.empty()) {
    const std::string drive_c = ChildPath(sources.wine_prefix, "drive_c");
    if (IsFolder(drive_c)) roots.push_back({"[-c-]", drive_c});
  }
  std::stable_sort(roots.begin(), roots.end(), [](const DriveRoot& a, const DriveRoot& b) {
    return ListsBefore(a.entry, b.entry);
  });
  roots.erase(
      std::unique(roots.begin(), roots.end(),
                  [](const DriveRoot& a, const DriveRoot& b) { return a.entry == b.entry; }),
      roots.end());
#endif
  return roots;
}

DriveSources SystemDriveSources() {
  DriveSources sources;
  const char* home = std::getenv("HOME");
  sources.home = home != nullptr ? home : "";
  const char* prefix = std::getenv("WINEPREFIX");
  if (prefix != nullptr && *prefix != '\0') {
    sources.wine_prefix = prefix;
  } else if (!sources.home.empty()) {
    sources.wine_prefix = ChildPath(sources.home, ".wine");
  }
  return sources;
}

int DriveOf(const std::vector<DriveRoot>& roots, std::string_view path) {
  int best = -1;
  for (int i = 0; i < static_cast<int>(roots.size()); ++i) {
    if (!Holds(roots[i].folder, path)) continue;
    if (best < 0 || roots[i].folder.size() > roots[best].folder.size()) best = i;
  }
  return best;
}

std::string DriveStartFolder(const DriveRoot& root) {
#ifdef _WIN32
  // "c:" without a separator names the drive's current folder, which the system keeps per
  // drive; a drive it keeps none for resolves to its root.
  const std::wstring drive = PathFromUtf8(root.folder).native();
  wchar_t folder[MAX_PATH];
  const DWORD length = GetFullPathNameW(drive.c_str(), MAX_PATH, folder, nullptr);
  if (length == 0 || length >= MAX_PATH) return root.folder;
  return PathToUtf8(fs::path(std::wstring(folder, length)));
#else
  return root.folder;
#endif
}

}  // namespace velmora
