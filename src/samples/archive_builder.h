#ifndef VELMORA_SAMPLES_ARCHIVE_BUILDER_H_
#define VELMORA_SAMPLES_ARCHIVE_BUILDER_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::samples {

// A member of a synthetic track archive.
struct MemberBytes {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

std::vector<std::uint8_t> Bytes(std::string_view text);

// A well-formed track archive with the members back to back, as the program writes them.
std::vector<std::uint8_t> BuildTrackArchive(const std::vector<MemberBytes>& members);

}  // namespace velmora::samples

#endif  // VELMORA_SAMPLES_ARCHIVE_BUILDER_H_
