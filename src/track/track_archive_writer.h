#ifndef VELMORA_TRACK_TRACK_ARCHIVE_WRITER_H_
#define VELMORA_TRACK_TRACK_ARCHIVE_WRITER_H_

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/status.h"

namespace velmora {

// A member to be packed: its stored name and its length in bytes.
struct ArchiveMemberPlan {
  std::string name;
  std::uint64_t length = 0;
};

// Lays out a whole track archive in one buffer: count, directory, then the members' data back
// to back in plan order. The caller fills each member's bytes in place (MemberData), so a file
// is read straight into the archive without a second copy.
class TrackArchiveWriter {
 public:
  // InvalidArgument, saying why, when the plan cannot be stored: more than 65535 members, a
  // name that is empty or longer than 12 characters, or more data than 32-bit offsets address.
  static Result<TrackArchiveWriter> Create(std::span<const ArchiveMemberPlan> plan);

  // The count and directory alone, with the same checks: for a caller that writes the members'
  // bytes after them from where they already are.
  static Result<std::vector<std::uint8_t>> DirectoryBytes(std::span<const ArchiveMemberPlan> plan);

  // Where member `index`'s bytes go; exactly its planned length.
  std::span<std::uint8_t> MemberData(std::size_t index);
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

 private:
  TrackArchiveWriter() = default;

  std::vector<std::uint8_t> bytes_;
  std::vector<std::uint32_t> offsets_;
  std::vector<std::uint32_t> lengths_;
};

}  // namespace velmora

#endif  // VELMORA_TRACK_TRACK_ARCHIVE_WRITER_H_
