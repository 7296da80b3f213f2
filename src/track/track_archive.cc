#include "track/track_archive.h"

#include <algorithm>
#include <span>

#include "platform/ascii.h"
#include "platform/byte_reader.h"
#include "platform/file_system.h"
#include "platform/path_text.h"
#include "track/track_archive_format.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

std::string ReadName(std::span<const std::uint8_t> field) {
  auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
  return AsciiLower(std::string(field.begin(), end));
}

}  // namespace

bool IsSafeMemberName(std::string_view name) {
  return !name.empty() && name != "." && name.find('/') == std::string_view::npos &&
         name.find('\\') == std::string_view::npos && name.find("..") == std::string_view::npos;
}

Status TrackArchive::Open(const fs::path& path) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(path);
  if (!bytes) {
    path_ = path;
    return Status::NotFound(path.string());
  }
  return OpenBytes(std::move(*bytes), path);
}

Result<std::span<const std::uint8_t>> TrackArchive::MemberBytes(const ArchiveEntry& entry) const {
  if (entry.offset > data_.size() || entry.length > data_.size() - entry.offset) {
    return Status::Corruption(entry.name);
  }
  return std::span<const std::uint8_t>(data_).subspan(entry.offset, entry.length);
}

Status TrackArchive::OpenBytes(std::vector<std::uint8_t> bytes, const fs::path& path) {
  path_ = path;
  data_ = std::move(bytes);

  ByteReader reader(data_);
  const std::uint16_t count = reader.U16();
  const std::size_t fitting = reader.remaining() / kArchiveRecordSize;
  const std::size_t readable = std::min<std::size_t>(count, fitting);
  entries_.reserve(entries_.size() + readable);
  for (std::size_t i = 0; i < readable; ++i) {
    ByteReader record = reader.Sub(kArchiveRecordSize);
    ArchiveEntry entry;
    record.Skip(kArchiveRecordLengthAt);
    entry.length = record.U32();
    record.Skip(kArchiveRecordNameAt - kArchiveRecordLength2At);
    entry.name = ReadName(record.Bytes(kArchiveNameFieldSize));
    entry.offset = record.U32();
    entries_.push_back(std::move(entry));
  }
  if (!reader.ok() || readable < count) {
    return Status::Corruption("its directory lists " + std::to_string(count) +
                              " members, of which " + std::to_string(readable) + " are readable");
  }
  return Status::Ok();
}

Status TrackArchive::Extract(std::optional<std::string_view> filter) {
  if (Status made = MakeFolder(); !made.ok()) return made;
  return PlaceMembers(filter, Placement::kWrite);
}

Status TrackArchive::Unpack() {
  if (Status made = MakeFolder(); !made.ok()) return made;
  return PlaceMembers(std::nullopt, Placement::kHold);
}

Status TrackArchive::Hold(const fs::path& folder, std::optional<std::string_view> filter) {
  folder_ = folder;
  folder_ready_ = true;
  return PlaceMembers(filter, Placement::kHold);
}

Status TrackArchive::MakeFolder() {
  TempFolder::Failure failure{};
  fs::path attempted;
  owned_folder_ = TempFolder::Create("dir", &failure, &attempted);
  folder_ready_ = owned_folder_.has_value();
  if (owned_folder_) {
    folder_ = owned_folder_->path();
  } else if (failure == TempFolder::Failure::kNoTempDirectory) {
    return Status::NotFound("no temporary folder");
  } else {
    // Going on makes the first member fail on its own, as a missing folder should.
    folder_ = attempted;
    problems_.push_back(Status::IOError(folder_.string()));
  }
  return Status::Ok();
}

Status TrackArchive::PlaceMembers(std::optional<std::string_view> filter, Placement placement) {
  const std::string wanted = filter ? AsciiLower(*filter) : std::string();

  bool all_written = true;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const ArchiveEntry& entry = entries_[i];
    if (filter && entry.name.find(wanted) == std::string::npos) continue;
    if (!IsSafeMemberName(entry.name)) {
      problems_.push_back(Status::InvalidArgument(entry.name));
      all_written = false;
      continue;
    }
    if (!MemberBytes(entry).ok()) {
      problems_.push_back(Status::Corruption(entry.name));
      all_written = false;
      continue;
    }
    const bool placed = placement == Placement::kWrite ? WriteMember(entry) : folder_ready_;
    if (!placed) {
      held_.clear();
      return Status::IOError(ExtractedPath(entry.name).string());
    }
    if (placement == Placement::kHold) held_[entry.name] = i;
  }
  if (placement == Placement::kWrite) {
    data_.clear();
    data_.shrink_to_fit();
  }
  if (!all_written) return Status::Corruption("members were skipped");
  return Status::Ok();
}

std::optional<std::span<const std::uint8_t>> TrackArchive::HeldMember(std::string_view name) const {
  auto it = held_.find(AsciiLower(name));
  if (it == held_.end()) return std::nullopt;
  const ArchiveEntry& entry = entries_[it->second];
  return std::span<const std::uint8_t>(data_).subspan(entry.offset, entry.length);
}

std::vector<std::string> TrackArchive::HeldNames() const {
  std::vector<std::string> names;
  names.reserve(held_.size());
  for (const auto& [name, entry] : held_) names.push_back(name);
  return names;
}

fs::path TrackArchive::ExtractedPath(std::string_view member) const {
  return folder_ / PathFromWindows1252(member);
}

bool TrackArchive::WriteMember(const ArchiveEntry& entry) {
  std::span<const std::uint8_t> bytes(data_.data() + entry.offset, entry.length);
  return WriteFileBytesExact(ExtractedPath(entry.name), bytes);
}

}  // namespace velmora
