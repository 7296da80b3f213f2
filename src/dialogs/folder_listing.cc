#include "dialogs/folder_listing.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <optional>

#include "dialogs/dialog_text.h"
#include "platform/file_system.h"

namespace velmora {

namespace {

// The folder on disk that `path` names, found without regard to letter case like every other
// lookup in a game folder.
std::optional<QString> ExistingFolder(const QString& path) {
  if (path.isEmpty()) return std::nullopt;
  std::optional<std::filesystem::path> found = ResolveExisting(ToPath(path));
  if (!found || !FolderExists(*found)) return std::nullopt;
  return FromPath(found->string());
}

QStringList SubFolders(const QString& folder) {
  return QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

void AddFolderRoot(std::vector<DriveRoot>& roots, const QString& folder) {
  if (!QFileInfo(folder).isDir()) return;
  roots.push_back({"[-" + folder + "-]", folder});
}

// Volumes mounted under `parent`; Debian's desktop mounts them in /media/<user>/.
void AddMountedVolumes(std::vector<DriveRoot>& roots, const QString& parent, const QString& user) {
  for (const QString& name : SubFolders(parent)) {
    const QString folder = ChildPath(parent, name);
    if (name == user) {
      for (const QString& volume : SubFolders(folder)) {
        AddFolderRoot(roots, ChildPath(folder, volume));
      }
    } else {
      AddFolderRoot(roots, folder);
    }
  }
}

bool Holds(const QString& folder, const QString& path) {
  if (folder == "/") return path.startsWith('/');
  return path == folder || path.startsWith(folder + '/');
}

}  // namespace

QStringList FolderEntries(const QString& path) {
  QStringList entries;
  std::optional<QString> folder = ExistingFolder(path);
  if (!folder) return entries;
  for (const QString& name : SubFolders(*folder)) entries.push_back('[' + name + ']');
  SortForDisplay(entries);
  if (ParentPath(path) != path) entries.push_front("[..]");
  return entries;
}

QString EntryName(const QString& entry) { return entry.mid(1, entry.size() - 2); }

QString ParentPath(const QString& path) {
  const qsizetype slash = path.lastIndexOf('/');
  if (slash < 0 || path == "/") return path;
  if (slash == 0) return "/";
  return path.left(slash);
}

QString ChildPath(const QString& path, const QString& name) {
  return path.endsWith('/') ? path + name : path + '/' + name;
}

QString WithoutTrailingSlash(const QString& path) {
  if (path.size() > 1 && path.endsWith('/')) return path.left(path.size() - 1);
  return path;
}

std::vector<DriveRoot> DriveRoots(const DriveSources& sources) {
  std::vector<DriveRoot> roots;
  AddFolderRoot(roots, "/");
  if (!sources.home.isEmpty()) AddFolderRoot(roots, WithoutTrailingSlash(sources.home));
  const QString user = QFileInfo(sources.home).fileName();
  AddMountedVolumes(roots, sources.media, user);
  AddMountedVolumes(roots, sources.mnt, user);
  if (!sources.wine_prefix.isEmpty()) {
    const QString drive_c = ChildPath(sources.wine_prefix, "drive_c");
    if (QFileInfo(drive_c).isDir()) roots.push_back({"[-c-]", drive_c});
  }
  QSet<QString> seen;
  std::vector<DriveRoot> unique;
  for (const DriveRoot& root : roots) {
    if (seen.contains(root.entry)) continue;
    seen.insert(root.entry);
    unique.push_back(root);
  }
  std::stable_sort(unique.begin(), unique.end(), [](const DriveRoot& a, const DriveRoot& b) {
    return QString::compare(a.entry, b.entry, Qt::CaseInsensitive) < 0;
  });
  return unique;
}

DriveSources SystemDriveSources() {
  DriveSources sources;
  sources.home = QDir::homePath();
  const QString prefix = qEnvironmentVariable("WINEPREFIX");
  sources.wine_prefix = prefix.isEmpty() ? ChildPath(sources.home, ".wine") : prefix;
  return sources;
}

int DriveOf(const std::vector<DriveRoot>& roots, const QString& path) {
  int best = -1;
  for (int i = 0; i < static_cast<int>(roots.size()); ++i) {
    if (!Holds(roots[i].folder, path)) continue;
    if (best < 0 || roots[i].folder.size() > roots[best].folder.size()) best = i;
  }
  return best;
}

}  // namespace velmora
