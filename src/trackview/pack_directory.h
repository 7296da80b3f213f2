#ifndef VELMORA_TRACKVIEW_PACK_DIRECTORY_H_
#define VELMORA_TRACKVIEW_PACK_DIRECTORY_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/status.h"

namespace velmora {

// One directory record of a track pack exactly as stored (layout in track_archive_format.h),
// including the two fields the converter's own reader passes over, so they can be checked.
struct PackEntry {
  std::uint16_t tag = 0;
  std::uint32_t length = 0;
  std::uint32_t length2 = 0;
  std::string name;          // as stored, up to its terminator
  bool terminated = true;    // a NUL lies inside the 13-byte name field
  std::uint32_t offset = 0;  // of the first data byte, from the start of the file
};

// One thing found wrong (or worth knowing) in a GPL track folder: the file or member it is
// about and what is wrong, in the words `velmora check` prints as "member: what".
struct Finding {
  std::string member;
  std::string what;
  bool information = false;  // reported, but not a problem
};

// The directory of a pack. Fails when the count's records do not fit the file.
Result<std::vector<PackEntry>> ReadPackDirectory(std::span<const std::uint8_t> pack);

// Where the directory of `count` records ends: the first byte member data may use.
std::size_t PackDirectoryEnd(std::size_t count);

// The directory checks: tag 5, the two lengths equal, data inside the file and behind the
// directory, no two members' data overlapping, names of at most 12 characters that stay in
// their folder, and no two names equal without regard to letter case. `pack_name` labels the
// findings about the directory as a whole.
std::vector<Finding> CheckPackDirectory(std::span<const PackEntry> entries, std::uint64_t file_size,
                                        const std::string& pack_name);

}  // namespace velmora

#endif  // VELMORA_TRACKVIEW_PACK_DIRECTORY_H_
