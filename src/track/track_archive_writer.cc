#include "track/track_archive_writer.h"

#include <algorithm>
#include <limits>

#include "track/track_archive_format.h"

namespace velmora {
namespace {

void PutU16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

Result<TrackArchiveWriter> TrackArchiveWriter::Create(std::span<const ArchiveMemberPlan> plan) {
  Result<std::vector<std::uint8_t>> directory = DirectoryBytes(plan);
  if (!directory) return directory.status();
  TrackArchiveWriter writer;
  writer.bytes_ = std::move(directory).value();
  auto position = static_cast<std::uint32_t>(writer.bytes_.size());
  for (const ArchiveMemberPlan& member : plan) {
    const auto length = static_cast<std::uint32_t>(member.length);
    writer.offsets_.push_back(position);
    writer.lengths_.push_back(length);
    position += length;
  }
  writer.bytes_.resize(position, 0);
  return writer;
}

Result<std::vector<std::uint8_t>> TrackArchiveWriter::DirectoryBytes(
    std::span<const ArchiveMemberPlan> plan) {
  if (plan.size() > kArchiveMaxMembers) {
    return Status::InvalidArgument("a track archive holds at most 65535 files, not " +
                                   std::to_string(plan.size()));
  }
  const std::uint64_t directory_end = kArchiveCountSize + kArchiveRecordSize * plan.size();
  std::uint64_t total = directory_end;
  for (const ArchiveMemberPlan& member : plan) {
    if (member.name.empty() || member.name.size() > kArchiveMaxNameLength) {
      return Status::InvalidArgument("the member name \"" + member.name +
                                     "\" does not fit the 12 characters of an archive name");
    }
    total += member.length;
    if (total > std::numeric_limits<std::uint32_t>::max()) {
      return Status::InvalidArgument(
          "the files add up to more than an archive's 32-bit offsets can address");
    }
  }

  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(directory_end), 0);
  std::uint8_t* out = bytes.data();
  PutU16(out, static_cast<std::uint16_t>(plan.size()));
  auto position = static_cast<std::uint32_t>(directory_end);
  for (std::size_t i = 0; i < plan.size(); ++i) {
    const auto length = static_cast<std::uint32_t>(plan[i].length);
    std::uint8_t* record = out + kArchiveCountSize + kArchiveRecordSize * i;
    PutU16(record, kArchiveRecordTag);
    PutU32(record + kArchiveRecordLengthAt, length);
    PutU32(record + kArchiveRecordLength2At, length);
    std::copy(plan[i].name.begin(), plan[i].name.end(), record + kArchiveRecordNameAt);
    PutU32(record + kArchiveRecordOffsetAt, position);
    position += length;
  }
  return bytes;
}

std::span<std::uint8_t> TrackArchiveWriter::MemberData(std::size_t index) {
  return std::span<std::uint8_t>(bytes_).subspan(offsets_.at(index), lengths_.at(index));
}

}  // namespace velmora
