#ifndef VELMORA_TRACK_TRACK_ARCHIVE_FORMAT_H_
#define VELMORA_TRACK_TRACK_ARCHIVE_FORMAT_H_

#include <cstddef>
#include <cstdint>

namespace velmora {

// A track archive "<track>.dat" holds a track's files side by side. Little-endian:
//
//   archive   := count:u16  record[count]  member data (anywhere after the directory)
//   record    := tag:u16  length:u32  length2:u32  name:u8[13]  offset:u32     (27 bytes)
//
// `name` is the member's 8.3 file name, NUL-terminated within its 13 bytes. `offset` counts
// from the start of the file. Readers use only count, length, name and offset; archives we
// write hold tag 5 and the length again in length2, with the members back to back in
// directory order. No compression and no checksum.

inline constexpr std::size_t kArchiveCountSize = 2;
inline constexpr std::size_t kArchiveRecordSize = 27;
inline constexpr std::size_t kArchiveRecordLengthAt = 2;
inline constexpr std::size_t kArchiveRecordLength2At = 6;
inline constexpr std::size_t kArchiveRecordNameAt = 10;
inline constexpr std::size_t kArchiveNameFieldSize = 13;
inline constexpr std::size_t kArchiveRecordOffsetAt = 23;
// Longest member name that fits its field together with the terminator.
inline constexpr std::size_t kArchiveMaxNameLength = kArchiveNameFieldSize - 1;
inline constexpr std::size_t kArchiveMaxMembers = 0xFFFF;
inline constexpr std::uint16_t kArchiveRecordTag = 5;

}  // namespace velmora

#endif  // VELMORA_TRACK_TRACK_ARCHIVE_FORMAT_H_
