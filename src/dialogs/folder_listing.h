#ifndef VELMORA_DIALOGS_FOLDER_LISTING_H_
#define VELMORA_DIALOGS_FOLDER_LISTING_H_

#include <QString>
#include <QStringList>
#include <vector>

namespace velmora {

// The longest path the directory chooser holds, in characters. Paths are kept to the length
// that older settings files and the games' own tools accept.
inline constexpr int kMaxPathLength = 259;

// The entries of the chooser's folder list for `path`: "[..]" for the parent folder unless the
// path is a root or has no parent to go to, then "[name]" for each sub-folder, sorted with
// letter case ignored. Hidden folders (a leading dot) are left out, as a file manager does. A
// path that does not name a folder lists nothing.
QStringList FolderEntries(const QString& path);

// The name inside a folder entry's brackets.
QString EntryName(const QString& entry);

// `path` one level up: cut at the last '/', with "/" for a folder right below the root. A path
// without any '/' has no parent within reach and comes back unchanged.
QString ParentPath(const QString& path);
// `path` with `name` appended, without doubling the root's '/'.
QString ChildPath(const QString& path, const QString& name);
// Removes one trailing '/', except from the root itself.
QString WithoutTrailingSlash(const QString& path);

// One entry of the chooser's drive box. There are no drive letters here: the box offers the
// places a user starts from, each shown as "[-folder-]", or "[-c-]" for the c: drive of a Wine
// prefix, where the letter is what the user knows it by.
struct DriveRoot {
  QString entry;
  QString folder;
};

// Where the drive box looks for its entries; tests point these at folders of their own.
struct DriveSources {
  QString home;         // the user's home folder
  QString wine_prefix;  // a Wine prefix, whose drive_c is offered when present; may be empty
  QString media = "/media";
  QString mnt = "/mnt";
};

// The drive box entries: "/", the home folder, the mounted volumes under /media (also those in
// /media/<user>/) and /mnt, and the Wine prefix's drive_c; sorted, without repeats.
std::vector<DriveRoot> DriveRoots(const DriveSources& sources);
// DriveRoots of this machine: $HOME, and $WINEPREFIX or ~/.wine.
DriveSources SystemDriveSources();

// The entry of `roots` whose folder holds `path` most closely; -1 when none does.
int DriveOf(const std::vector<DriveRoot>& roots, const QString& path);

}  // namespace velmora

#endif  // VELMORA_DIALOGS_FOLDER_LISTING_H_
