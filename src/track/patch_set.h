#ifndef VELMORA_TRACK_PATCH_SET_H_
#define VELMORA_TRACK_PATCH_SET_H_

// Patch files that players distribute for a track, found in a patches folder by the track's
// folder name: "<patches>/<track>.<extension>".
//
//   .zad (.zar with the replace switch)  an archive merged into the track archive: its members
//                                        replace those of the same name, the others stay
//   .zcd (.zcr)                          a second such archive, only with the second switch
//   .exp                                 an archive whose members become loose track files
//   .<code>                              one file copied under the name its code gives
//                                        (e.g. laguna.lre -> race.lp, laguna.ttt -> laguna.txt)
//
// Patch archives use the track archive layout (track_archive_format.h). Extraction writes a
// member stored as ".!xx" as ".mxx" (the ".!" rule), and refuses an archive whose directory or
// names do not hold up (a name that would leave the target folder, data past the end) before
// writing anything. A rebuilt archive lists names containing ".m" after their first character
// (textures) first, then the others, each group in the byte order of the lowercased names; it is
// assembled whole from files that were all read, and replaces the old archive atomically, so its
// directory always agrees with its data.
//
// The track archive is "<track>.dat" in the spelling the track name is given in ("Glen.dat"),
// found in any letter case: the archive a conversion packs, never a second one beside it.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace velmora {

// The members a patch archive lists, checked against its bytes; Corruption when the directory
// runs past the end, a member's data lies outside the file, or a name would leave the folder.
struct PatchMember {
  std::string name;  // lowercased, after the ".!" rule
  std::size_t offset = 0;
  std::size_t length = 0;
};
Result<std::vector<PatchMember>> ReadPatchDirectory(std::span<const std::uint8_t> archive);

// Archive members gathered in memory by name, as extracting archives one after the other into
// one folder leaves them: a later member replaces an earlier one of the same name. The bytes are
// views into the archives, which must outlive the set.
using MemberSet = std::map<std::string, std::span<const std::uint8_t>, std::less<>>;
// Adds the members of an archive, checked as ReadPatchDirectory checks them; nothing is added
// when the check fails.
Status AddArchiveMembers(std::span<const std::uint8_t> archive, MemberSet& members);
// The track archive PatchSet::BuildArchive writes from a folder holding exactly these members
// as files (hidden ones left out, `pattern` as there, the same order); empty when no member
// goes in. InvalidArgument as TrackArchiveWriter::Create gives it.
Result<std::vector<std::uint8_t>> PackMembers(const MemberSet& members,
                                              std::string_view pattern = "*.*");

// What ApplyPatches does with the archive patches it finds.
enum class ArchivePatchUse {
  kMergeIntoTrackArchive,  // merged into the track archive on disk at once
  // Only listed (archive_patches()): for a caller that writes the track archive itself
  // afterwards, which a merge would be lost in.
  kCollect,
};

// One conversion's patch step. The patch folder is fixed at construction; ApplyPatches can be
// called more than once.
class PatchSet {
 public:
  using CodeMap = std::map<std::string, std::string, std::less<>>;

  explicit PatchSet(std::filesystem::path patch_folder,
                    ArchivePatchUse archive_use = ArchivePatchUse::kMergeIntoTrackArchive);

  // Applies every patch found for the track named by the last component of `track_path` to
  // `game_folder`/`subfolder` (default "tracks")/<track>. Returns the number of single files
  // copied; failures of the archive patches are passed over (they leave the archive as it was).
  int ApplyPatches(std::string_view track_path, const std::filesystem::path& game_folder,
                   bool replace_archive, bool second_archive,
                   std::optional<std::string_view> subfolder = std::nullopt);

  // Merges the archive patches the last ApplyPatches found into the track archive. The number
  // merged.
  int MergeArchivePatches();
  // The archive patches the last ApplyPatches found, in the order they apply (a later one's
  // member replaces an earlier one's of the same name).
  const std::vector<std::filesystem::path>& archive_patches() const { return archive_patches_; }
  // The track archive the archive patches go into.
  std::filesystem::path TrackArchivePath() const;

  // Copies one single-file patch into the track folder under the name its code (the text after
  // the last ".", any case) gives in `map` (the single-file codes when null). NotFound for a
  // name without a code or a code the map lacks.
  Status CopyPatchFile(const std::filesystem::path& patch, const CodeMap* map = nullptr);

  // Writes every member of the archive into `folder`, each file replaced atomically. The
  // number of members written.
  static Result<int> ExtractMembers(const std::filesystem::path& archive,
                                    const std::filesystem::path& folder);
  // Writes a track archive of the ordinary files of `folder` (hidden and read-only ones left
  // out) matching `pattern` ("*" and "?", any case; every file when none). 0, writing
  // nothing, when no file matches.
  static Result<int> BuildArchive(const std::filesystem::path& archive,
                                  const std::filesystem::path& folder,
                                  std::optional<std::string_view> pattern = std::nullopt);
  // Rebuilds the track archive with the patch archive's members added, replacing members of
  // the same name; the members are merged in memory (AddArchiveMembers, PackMembers) and only
  // the archive is written. A track archive that exists but cannot be read is left alone
  // (Corruption); a missing one is made from the patch alone.
  static Result<int> MergeIntoArchive(const std::filesystem::path& patch,
                                      const std::filesystem::path& archive);
  // Deletes the files in the folder and the folder.
  static void RemoveFolder(const std::filesystem::path& folder);

  const CodeMap& codes() const { return codes_; }
  const CodeMap& season_codes() const { return season_codes_; }
  const std::filesystem::path& track_folder() const { return track_folder_; }
  // The files patches have written into track folders so far, in the order written: a caller
  // holding its own copies of track files learns which ones the patches replaced.
  const std::vector<std::filesystem::path>& written_files() const { return written_; }

 private:
  // Lists the first archive patch found and, unless collecting, merges it.
  void UseArchivePatch(std::string_view preferred, std::string_view fallback, bool use_preferred);
  int CopyAll(const CodeMap& map);
  std::optional<std::filesystem::path> PatchFile(std::string_view extension) const;

  std::string track_name_;
  std::filesystem::path patch_folder_;
  CodeMap codes_;
  CodeMap season_codes_;
  std::filesystem::path track_folder_;
  std::filesystem::path game_folder_;
  ArchivePatchUse archive_use_;
  std::string archive_name_;  // "<track>.dat", the track name as given
  std::vector<std::filesystem::path> archive_patches_;
  std::vector<std::filesystem::path> written_;
};

// Whether `name` matches a wildcard pattern of "*" and "?" without regard to letter case.
bool MatchesWildcard(std::string_view name, std::string_view pattern);

}  // namespace velmora

#endif  // VELMORA_TRACK_PATCH_SET_H_
