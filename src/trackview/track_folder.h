#ifndef VELMORA_TRACKVIEW_TRACK_FOLDER_H_
#define VELMORA_TRACKVIEW_TRACK_FOLDER_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/status.h"
#include "track/track_geometry.h"
#include "trackview/pack_directory.h"

namespace velmora {

// The track file of a folder, "<name>.trk" as GPL reads it, loaded once for every reader of the
// folder: the check and the picture take the same one.
struct FolderTrack {
  std::string name;        // "<name>.trk"
  Status status;           // NotFound: none is readable; else how loading it went
  TrackGeometry geometry;  // loaded() when `status` is ok
};

// A loose file of a track folder.
struct LooseFile {
  std::string name;  // as spelled on disk
  std::filesystem::path path;
  // The file's bytes when the folder is held in memory (borrowed); read from `path` otherwise.
  std::optional<std::span<const std::uint8_t>> held;
};

// A file of a track folder held in memory: its name and its bytes.
struct HeldFile {
  std::string name;
  std::span<const std::uint8_t> bytes;
};

// A file's bytes as a track folder gives them: borrowed from the pack or from the files held in
// memory, or read from disk and owned. Readers look at them where they lie; only a reader that
// keeps the bytes (the track file's loader) takes a copy of borrowed ones.
class FolderBytes {
 public:
  explicit FolderBytes(std::span<const std::uint8_t> borrowed) : view_(borrowed) {}
  explicit FolderBytes(std::vector<std::uint8_t> owned) : owned_(std::move(owned)), view_(owned_) {}
  // Moving a vector keeps its elements where they are, so the view stays on them.
  FolderBytes(FolderBytes&&) = default;
  FolderBytes& operator=(FolderBytes&&) = default;
  FolderBytes(const FolderBytes&) = delete;
  FolderBytes& operator=(const FolderBytes&) = delete;

  std::span<const std::uint8_t> span() const { return view_; }
  // The bytes to keep: the owned ones, else a copy of the borrowed ones.
  std::vector<std::uint8_t> Take() &&;

 private:
  std::vector<std::uint8_t> owned_;
  std::span<const std::uint8_t> view_;
};

// A GPL track folder opened for reading only: its pack "<folder>.dat" read whole once, with its
// directory as stored, and the loose files beside it. GPL takes a loose file before a packed
// member of the same name, so Read does too. The folder is never written to.
class TrackFolder {
 public:
  // Fails with a message for the user: InvalidArgument when `folder` is not a folder, NotFound
  // when it holds neither a pack "<folder>.dat" nor a track file "<folder>.trk" (any case).
  static Result<TrackFolder> Open(const std::filesystem::path& folder);
  // The same over a folder held in memory: `files` are what Open would find in `folder` (the
  // pack among them), borrowed; nothing is read from disk.
  static Result<TrackFolder> FromFiles(const std::filesystem::path& folder,
                                       std::span<const HeldFile> files);

  const std::filesystem::path& folder() const { return folder_; }
  // The track's name: the folder's name, lowercased.
  const std::string& name() const { return name_; }

  bool has_pack() const { return pack_path_.has_value(); }
  // "<name>.dat" as spelled on disk, or empty without a pack.
  std::string pack_name() const;
  std::span<const std::uint8_t> pack_bytes() const { return pack_.span(); }
  // Other files named as the pack in another letter case ("glen.dat" beside "Glen.dat"), as
  // spelled on disk: a second archive of the track, of which the game reads one.
  const std::vector<std::string>& other_pack_spellings() const { return other_pack_spellings_; }
  // Why the pack's directory could not be read; ok when it was (or there is no pack).
  const Status& pack_status() const { return pack_status_; }
  const std::vector<PackEntry>& pack_entries() const { return entries_; }
  // The member's bytes, or nothing when its data does not lie wholly inside the pack.
  std::optional<std::span<const std::uint8_t>> MemberBytes(const PackEntry& entry) const;

  // Loose files in name order, the pack itself left out.
  const std::vector<LooseFile>& loose_files() const { return loose_; }
  const LooseFile* FindLoose(std::string_view name) const;
  // The first pack member of that name, without regard to letter case.
  const PackEntry* FindPacked(std::string_view name) const;

  // The file GPL reads under `name`: the loose one, else the packed one. Nothing when neither
  // is there or readable.
  std::optional<FolderBytes> Read(std::string_view name) const;
  // A loose file's bytes; nothing when it cannot be read.
  std::optional<FolderBytes> ReadLoose(const LooseFile& file) const;
  // The folder's track file, read and loaded under its logical path.
  FolderTrack LoadTrack() const;

 private:
  TrackFolder() = default;
  // Names the folder and its track; nothing is read.
  explicit TrackFolder(const std::filesystem::path& folder);
  void ListLooseFiles();
  // Indexes the loose files, then finds and reads the pack among them: the rest of Open.
  Status Finish();
  void ReadPack();

  std::filesystem::path folder_;
  std::string name_;
  std::optional<std::filesystem::path> pack_path_;
  FolderBytes pack_{std::span<const std::uint8_t>()};
  Status pack_status_;
  std::vector<PackEntry> entries_;
  std::vector<std::string> other_pack_spellings_;
  std::unordered_map<std::string, std::size_t> packed_by_name_;  // lowercased name -> entry
  std::vector<LooseFile> loose_;
  std::unordered_map<std::string, std::size_t> loose_by_name_;  // lowercased name -> file
};

}  // namespace velmora

#endif  // VELMORA_TRACKVIEW_TRACK_FOLDER_H_
