#ifndef VELMORA_TRACK_TRACK_ARCHIVE_H_
#define VELMORA_TRACK_TRACK_ARCHIVE_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/temp_folder.h"

namespace velmora {

class MessageSink;

// One directory record of a track archive, as read.
struct ArchiveEntry {
  std::uint32_t length = 0;
  std::string name;  // lowercased (letters A to Z only)
  std::uint32_t offset = 0;
};

// A track archive unpacked into a fresh temporary folder. The converter never works inside an
// archive: Open reads the whole file, Extract writes its members (all, or those whose names
// contain a filter) as loose files, and the loose files are read from then on. The archive owns
// the folder and deletes it with its files when destroyed.
//
// Calling order: Open, Extract once (it releases the file's bytes), then FolderPath or
// ExtractedPath, then destroy. Messages go to the sink given at construction.
class TrackArchive {
 public:
  explicit TrackArchive(MessageSink& messages) : messages_(messages) {}
  TrackArchive(const TrackArchive&) = delete;
  TrackArchive& operator=(const TrackArchive&) = delete;

  // Reads the archive and appends one entry per directory record (entries of an earlier Open
  // stay in front). False, with no message, when the file cannot be read. A directory that
  // runs past the end of the file keeps its complete records and is reported.
  bool Open(const std::filesystem::path& path);

  // Makes the temporary folder and writes the members into it, filtered by a substring of
  // their lowercased names when `filter` is given. False after a reported failure. Members
  // whose names would leave the folder, or whose data lies outside the file, are reported and
  // not written; the others still are.
  bool Extract(std::optional<std::string_view> filter = std::nullopt);

  // The path under which a member was written; its Windows-1252 name becomes the same name in
  // Unicode on disk.
  std::filesystem::path ExtractedPath(std::string_view member) const;
  // The temporary folder; empty before Extract.
  const std::filesystem::path& folder_path() const { return folder_; }

  const std::vector<ArchiveEntry>& entries() const { return entries_; }
  const std::filesystem::path& path() const { return path_; }

 private:
  bool WriteMember(const ArchiveEntry& entry);

  MessageSink& messages_;
  std::vector<ArchiveEntry> entries_;
  std::vector<std::uint8_t> data_;  // the whole file until Extract ends
  std::optional<TempFolder> owned_folder_;
  std::filesystem::path folder_;
  std::filesystem::path path_;
};

// Whether a member name can be written inside the extraction folder: not empty, not "." and
// free of "/", "\" and "..".
bool IsSafeMemberName(std::string_view name);

}  // namespace velmora

#endif  // VELMORA_TRACK_TRACK_ARCHIVE_H_
