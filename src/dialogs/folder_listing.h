#ifndef VELMORA_DIALOGS_FOLDER_LISTING_H_
#define VELMORA_DIALOGS_FOLDER_LISTING_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The folder rules of the directory chooser. Paths are kept as the file system spells them:
// on Linux the bytes of the names as they are, whatever their encoding, so every folder can be
// walked into and handed back; on Windows UTF-8. What the user sees is DisplayPath's text.

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The longest path the chooser holds, in bytes. Paths are kept to the length that older
// settings files and the games' own tools accept.
inline constexpr std::size_t kMaxPathLength = 259;

// One entry of the chooser's folder list.
struct FolderEntry {
  std::string name;  // the folder's name on disk; ".." for the parent folder
  std::string text;  // UTF-8: "[name]" as shown, "[..]" for the parent
};

// The entries for `path`: "[..]" unless the path is a root or has no parent to go to, then
// each sub-folder, sorted with letter case ignored. On Linux hidden folders (a leading dot) are
// left out, as a file manager does. A path that does not name a folder lists nothing. The
// folder is found without regard to letter case, like every other lookup in a game folder.
std::vector<FolderEntry> FolderEntries(std::string_view path);

// The order of the dialogs' lists: letter case ignored (Windows-1252 letters included), the
// exact spelling deciding between entries that differ only in case.
bool ListsBefore(std::string_view a, std::string_view b);

// UTF-8 text for showing a path or name: unchanged when it is UTF-8, else read as Windows-1252,
// the code page of names copied from older disks.
std::string DisplayPath(std::string_view path);

// Whether a file or folder exists at `path`, found without regard to letter case.
bool PathExists(std::string_view path);
// `path` one level up: cut at the last separator ("/" for a folder right below the Linux root).
// A root, or a path without any separator, has no parent within reach and comes back unchanged.
std::string ParentPath(std::string_view path);
// `path` with `name` appended, without doubling the root's separator.
std::string ChildPath(std::string_view path, std::string_view name);
// Removes one trailing separator, except from the Linux root itself.
std::string WithoutTrailingSeparator(std::string_view path);
// A typed path with a leading "~" (alone or before a separator) replaced by `home`; on Windows,
// where "~" is no shorthand, the text as typed.
std::string ExpandHome(std::string_view typed, std::string_view home);
// The process's current folder.
std::string CurrentFolder();

// One entry of the chooser's drive box: "[-c-]" for a Windows drive; on Linux, which has no
// drive letters, the places a user starts from, each shown as "[-folder-]", and "[-c-]" for the
// c: drive of a Wine prefix, where the letter is what the user knows it by.
struct DriveRoot {
  std::string entry;  // UTF-8, as shown
  std::string folder;
};

// Where the Linux drive box looks for its entries; tests point these at folders of their own.
struct DriveSources {
  std::string home;         // the user's home folder
  std::string wine_prefix;  // a Wine prefix, whose drive_c is offered when present; may be empty
  std::string media = "/media";
  std::string mnt = "/mnt";
};

// The drive box entries, sorted, without repeats. Windows: every drive letter in use. Linux:
// "/", the home folder, the mounted volumes under /media (also those in /media/<user>/) and
// /mnt, and the Wine prefix's drive_c.
std::vector<DriveRoot> DriveRoots(const DriveSources& sources);
// The sources of this machine: $HOME, and $WINEPREFIX or ~/.wine.
DriveSources SystemDriveSources();
// The entry of `roots` whose folder holds `path` most closely; -1 when none does. Windows
// drive letters match in either case.
int DriveOf(const std::vector<DriveRoot>& roots, std::string_view path);
// Where choosing `root` in the drive box goes: on Windows the drive's current folder where the
// system keeps one for it, else the drive's root; on Linux the entry's folder.
std::string DriveStartFolder(const DriveRoot& root);

}  // namespace velmora

#endif  // VELMORA_DIALOGS_FOLDER_LISTING_H_
