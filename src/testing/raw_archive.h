#ifndef VELMORA_TESTING_RAW_ARCHIVE_H_
#define VELMORA_TESTING_RAW_ARCHIVE_H_

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::testkit {

// One directory record written exactly as given, for archives that lie about themselves.
struct RawRecord {
  std::string name;  // up to 13 bytes; no terminator is added when it fills the field
  std::uint32_t length = 0;
  std::uint32_t offset = 0;
};

// An archive of `count` (which need not match the records), the records, then `data`.
std::vector<std::uint8_t> BuildRawArchive(std::uint16_t count,
                                          const std::vector<RawRecord>& records,
                                          const std::vector<std::uint8_t>& data);

}  // namespace velmora::testkit

#endif  // VELMORA_TESTING_RAW_ARCHIVE_H_
