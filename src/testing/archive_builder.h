#ifndef VELMORA_TESTING_ARCHIVE_BUILDER_H_
#define VELMORA_TESTING_ARCHIVE_BUILDER_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::testkit {

// A member of a synthetic track archive.
struct MemberBytes {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

std::vector<std::uint8_t> Bytes(std::string_view text);

// A well-formed track archive with the members back to back, as the program writes them.
std::vector<std::uint8_t> BuildTrackArchive(const std::vector<MemberBytes>& members);

// One directory record written exactly as given, for archives that lie about themselves.
struct RawRecord {
  std::string name;  // up to 13 bytes; no terminator is added when it fills the field
  std::uint32_t length = 0;
  std::uint32_t offset = 0;
};

// An archive of `count` (which need not match the records), the records, then `data`.
std::vector<std::uint8_t> BuildRawArchive(std::uint16_t count, const std::vector<RawRecord>& records,
                                          const std::vector<std::uint8_t>& data);

}  // namespace velmora::testkit

#endif  // VELMORA_TESTING_ARCHIVE_BUILDER_H_
