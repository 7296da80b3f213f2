#ifndef VELMORA_TRACK_TRACK_ARCHIVE_H_
#define VELMORA_TRACK_TRACK_ARCHIVE_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/status.h"
#include "platform/temp_folder.h"

namespace velmora {

// One directory record of a track archive, as read.
struct ArchiveEntry {
  std::uint32_t length = 0;
  std::string name;  // lowercased (letters A to Z only)
  std::uint32_t offset = 0;
};

// A track archive unpacked into a fresh temporary folder. The converter never works inside an
// archive: Open reads the whole file, Extract writes its members (all, or those whose names
// contain a filter) as loose files, and the loose files are read from then on. The archive owns
// the folder and deletes it with its files when destroyed. It shows no message: what went wrong
// comes back as Status values, which the caller tells the user about.
//
// Calling order: Open, then Extract once (it releases the file's bytes) or Unpack or Hold once
// (they keep them and the members are read from memory), then folder_path, ExtractedPath or
// HeldMember, then destroy.
class TrackArchive {
 public:
  TrackArchive() = default;
  TrackArchive(const TrackArchive&) = delete;
  TrackArchive& operator=(const TrackArchive&) = delete;

  // Reads the archive and appends one entry per directory record (entries of an earlier Open
  // stay in front). NotFound when the file cannot be read. A directory that runs past the end
  // of the file keeps its complete records and gives Corruption, its message saying how many
  // records were listed and how many are readable; the archive can still be extracted.
  Status Open(const std::filesystem::path& path);
  // The same over bytes already in memory, which the archive takes; `path` only names it.
  Status OpenBytes(std::vector<std::uint8_t> bytes, const std::filesystem::path& path = {});
  // A member's bytes inside the archive, until Extract releases them; Corruption (message:
  // the name) when its data lies outside the file.
  Result<std::span<const std::uint8_t>> MemberBytes(const ArchiveEntry& entry) const;

  // Makes the temporary folder and writes the members into it, filtered by a substring of
  // their lowercased names when `filter` is given. Stops with NotFound when the system has no
  // temporary folder, and with IOError (message: the member's path) when a member cannot be
  // written. Members whose names would leave the folder (InvalidArgument, message: the name),
  // or whose data lies outside the file (Corruption, message: the name), are not written and
  // go into problems(), as does a folder that could not be created (IOError, message: its
  // path); the others still are written. Ok only when every wanted member was written.
  Status Extract(std::optional<std::string_view> filter = std::nullopt);
  // Checks the members as Extract does but keeps them in memory instead of writing them. The
  // temporary folder is still made, and stays empty: the paths members are known by, and what
  // goes wrong making the folder, are those of Extract, with the same statuses; a member counts
  // as not written only when the folder could not be made. The file's bytes stay until the
  // archive is destroyed.
  Status Unpack();
  // Checks the members as Unpack does, only those whose lowercased names contain `filter` when
  // it is given, and holds them in memory under `folder`, which is the caller's: nothing is
  // made, written or removed, so no member fails for want of a folder. For a reader that needs
  // the members' bytes and no folder of its own.
  Status Hold(const std::filesystem::path& folder = {},
              std::optional<std::string_view> filter = std::nullopt);
  // After Unpack: the member named `name` (matched without regard to ASCII letter case); of
  // several with one name the last, as extracting leaves on disk. Nothing when none is held.
  std::optional<std::span<const std::uint8_t>> HeldMember(std::string_view name) const;
  // After Unpack: the names of the members held, once each, in no particular order.
  std::vector<std::string> HeldNames() const;

  // What Extract or Unpack met without stopping, in the order met.
  const std::vector<Status>& problems() const { return problems_; }

  // The path under which a member was written; its Windows-1252 name becomes the same name in
  // Unicode on disk.
  std::filesystem::path ExtractedPath(std::string_view member) const;
  // The temporary folder; empty before Extract, and after an Extract that found no temporary
  // folder.
  const std::filesystem::path& folder_path() const { return folder_; }

  const std::vector<ArchiveEntry>& entries() const { return entries_; }
  const std::filesystem::path& path() const { return path_; }

 private:
  enum class Placement { kWrite, kHold };
  // Makes the temporary folder; NotFound when the system has none, and a problem (IOError) when
  // it cannot be made, after which the members fail one by one.
  Status MakeFolder();
  Status PlaceMembers(std::optional<std::string_view> filter, Placement placement);
  bool WriteMember(const ArchiveEntry& entry);

  std::vector<ArchiveEntry> entries_;
  std::vector<std::uint8_t> data_;  // the whole file until Extract ends
  std::unordered_map<std::string, std::size_t> held_;  // name to entry, after Unpack
  std::optional<TempFolder> owned_folder_;
  std::filesystem::path folder_;
  bool folder_ready_ = false;  // the members have a folder: made, or the caller's
  std::filesystem::path path_;
  std::vector<Status> problems_;
};

// Whether a member name can be written inside the extraction folder: not empty, not "." and
// free of "/", "\" and "..".
bool IsSafeMemberName(std::string_view name);

}  // namespace velmora

#endif  // VELMORA_TRACK_TRACK_ARCHIVE_H_
