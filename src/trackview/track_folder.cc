#include "trackview/track_folder.h"

#include <algorithm>
#include <system_error>

#include "platform/ascii.h"
#include "platform/file_system.h"
#include "platform/rule_path.h"

namespace velmora {

namespace fs = std::filesystem;

std::vector<std::uint8_t> FolderBytes::Take() && {
  if (view_.data() == owned_.data()) return std::move(owned_);
  return {view_.begin(), view_.end()};
}

TrackFolder::TrackFolder(const fs::path& folder) : folder_(folder) {
  fs::path name = folder.filename();
  if (name.empty()) name = folder.parent_path().filename();  // "tracks/kestrel/"
  name_ = AsciiLower(name.string());
}

Result<TrackFolder> TrackFolder::Open(const fs::path& folder) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    return Status::InvalidArgument(folder.string() + " is not a folder");
  }
  TrackFolder track(folder);
  track.ListLooseFiles();
  if (Status status = track.Finish(); !status.ok()) return status;
  return track;
}

Result<TrackFolder> TrackFolder::FromFiles(const fs::path& folder,
                                           std::span<const HeldFile> files) {
  TrackFolder track(folder);
  for (const HeldFile& file : files) {
    track.loose_.push_back({file.name, folder / file.name, file.bytes});
  }
  std::sort(track.loose_.begin(), track.loose_.end(),
            [](const LooseFile& a, const LooseFile& b) { return a.name < b.name; });
  if (Status status = track.Finish(); !status.ok()) return status;
  return track;
}

Status TrackFolder::Finish() {
  for (std::size_t i = 0; i < loose_.size(); ++i) {
    loose_by_name_.emplace(AsciiLower(loose_[i].name), i);
  }
  const LooseFile* pack = FindLoose(name_ + ".dat");
  if (pack != nullptr) pack_path_ = pack->path;
  if (!has_pack() && FindLoose(name_ + ".trk") == nullptr) {
    return Status::NotFound(folder_.string() + " is not a GPL track folder: it holds neither " +
                            name_ + ".dat nor " + name_ + ".trk");
  }
  if (has_pack()) {
    ReadPack();
    // The pack is read through its directory, not as a loose file of the track.
    const std::string pack_name = AsciiLower(pack_path_->filename().string());
    std::erase_if(loose_, [&](const LooseFile& f) {
      if (AsciiLower(f.name) != pack_name) return false;
      if (f.path != *pack_path_) other_pack_spellings_.push_back(f.name);
      return true;
    });
    loose_by_name_.clear();
    for (std::size_t i = 0; i < loose_.size(); ++i) {
      loose_by_name_.emplace(AsciiLower(loose_[i].name), i);
    }
  }
  return Status::Ok();
}

void TrackFolder::ListLooseFiles() {
  std::error_code ec;
  for (fs::directory_iterator it(folder_, ec); !ec && it != fs::directory_iterator();
       it.increment(ec)) {
    std::error_code type_ec;
    if (!it->is_regular_file(type_ec)) continue;
    loose_.push_back({it->path().filename().string(), it->path(), std::nullopt});
  }
  std::sort(loose_.begin(), loose_.end(),
            [](const LooseFile& a, const LooseFile& b) { return a.name < b.name; });
}

void TrackFolder::ReadPack() {
  std::optional<FolderBytes> bytes = ReadLoose(*FindLoose(name_ + ".dat"));
  if (!bytes) {
    pack_status_ = Status::IOError("the pack cannot be read");
    return;
  }
  pack_ = std::move(*bytes);
  Result<std::vector<PackEntry>> entries = ReadPackDirectory(pack_.span());
  if (!entries.ok()) {
    pack_status_ = entries.status();
    return;
  }
  entries_ = std::move(*entries);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    packed_by_name_.emplace(AsciiLower(entries_[i].name), i);
  }
}

std::string TrackFolder::pack_name() const {
  return pack_path_ ? pack_path_->filename().string() : std::string();
}

std::optional<std::span<const std::uint8_t>> TrackFolder::MemberBytes(
    const PackEntry& entry) const {
  const std::span<const std::uint8_t> pack = pack_.span();
  if (static_cast<std::uint64_t>(entry.offset) + entry.length > pack.size()) return std::nullopt;
  return pack.subspan(entry.offset, entry.length);
}

const LooseFile* TrackFolder::FindLoose(std::string_view name) const {
  const auto it = loose_by_name_.find(AsciiLower(name));
  return it == loose_by_name_.end() ? nullptr : &loose_[it->second];
}

const PackEntry* TrackFolder::FindPacked(std::string_view name) const {
  const auto it = packed_by_name_.find(AsciiLower(name));
  return it == packed_by_name_.end() ? nullptr : &entries_[it->second];
}

std::optional<FolderBytes> TrackFolder::Read(std::string_view name) const {
  if (const LooseFile* loose = FindLoose(name)) return ReadLoose(*loose);
  if (const PackEntry* packed = FindPacked(name)) {
    std::optional<std::span<const std::uint8_t>> bytes = MemberBytes(*packed);
    if (bytes) return FolderBytes(*bytes);
  }
  return std::nullopt;
}

std::optional<FolderBytes> TrackFolder::ReadLoose(const LooseFile& file) const {
  if (file.held) return FolderBytes(*file.held);
  std::optional<std::vector<std::uint8_t>> read = ReadFileBytes(file.path);
  if (!read) return std::nullopt;
  return FolderBytes(std::move(*read));
}

FolderTrack TrackFolder::LoadTrack() const {
  FolderTrack track;
  track.name = name_ + ".trk";
  std::optional<FolderBytes> bytes = Read(track.name);
  if (!bytes) {
    track.status = Status::NotFound(folder_.string() + " holds no readable " + track.name);
    return track;
  }
  track.status = track.geometry.LoadBytes(std::move(*bytes).Take(),
                                          GplTrackFileRulePath(folder_ / track.name));
  return track;
}

}  // namespace velmora
