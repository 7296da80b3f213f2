#include "track/track_archive.h"

#include <algorithm>
#include <span>

#include "platform/ascii.h"
#include "platform/byte_reader.h"
#include "platform/file_system.h"
#include "platform/message_sink.h"
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

bool TrackArchive::Open(const fs::path& path) {
  path_ = path;
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(path);
  if (!bytes) return false;
  data_ = std::move(*bytes);

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
    messages_.Show("Track archive " + path.string() + " is cut short: its directory lists " +
                   std::to_string(count) + " members, of which " + std::to_string(readable) +
                   " are readable");
  }
  return true;
}

bool TrackArchive::Extract(std::optional<std::string_view> filter) {
  const std::string wanted = filter ? AsciiLower(*filter) : std::string();

  TempFolder::Failure failure{};
  fs::path attempted;
  owned_folder_ = TempFolder::Create("dir", &failure, &attempted);
  if (owned_folder_) {
    folder_ = owned_folder_->path();
  } else if (failure == TempFolder::Failure::kNoTempDirectory) {
    messages_.Show("GetTempPath Failed ");
    return false;
  } else {
    // Going on makes the first member fail with its own message, as a missing folder should.
    folder_ = attempted;
    messages_.Show("CreateDirectory Failed:- " + folder_.string());
  }

  bool all_written = true;
  for (const ArchiveEntry& entry : entries_) {
    if (filter && entry.name.find(wanted) == std::string::npos) continue;
    if (!IsSafeMemberName(entry.name)) {
      messages_.Show("Skipped member \"" + entry.name + "\" of " + path_.string() +
                     ": its name would place it outside the extraction folder");
      all_written = false;
      continue;
    }
    if (entry.offset > data_.size() || entry.length > data_.size() - entry.offset) {
      messages_.Show("Skipped member " + entry.name + " of " + path_.string() +
                     ": its data lies beyond the end of the archive");
      all_written = false;
      continue;
    }
    if (!WriteMember(entry)) {
      messages_.Show("CreateFile from .DAT :- " + ExtractedPath(entry.name).string());
      return false;
    }
  }
  data_.clear();
  data_.shrink_to_fit();
  return all_written;
}

fs::path TrackArchive::ExtractedPath(std::string_view member) const {
  return folder_ / PathFromWindows1252(member);
}

bool TrackArchive::WriteMember(const ArchiveEntry& entry) {
  std::span<const std::uint8_t> bytes(data_.data() + entry.offset, entry.length);
  return WriteFileBytesExact(ExtractedPath(entry.name), bytes);
}

}  // namespace velmora
