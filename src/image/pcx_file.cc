#include "image/pcx_file.h"

#include <optional>
#include <vector>

#include "platform/file_system.h"

namespace velmora {

bool IsTrueColourPcxHeader(std::span<const std::uint8_t> header) {
  if (header.size() <= kPcxPlanesAt) return false;
  return header[kPcxPlanesAt] * header[kPcxBitsPerPlaneAt] == 24;
}

bool IsTrueColourPcx(const std::filesystem::path& path) {
  std::optional<std::vector<std::uint8_t>> header = ReadFilePrefix(path, kPcxHeaderSize);
  return header && IsTrueColourPcxHeader(*header);
}

}  // namespace velmora
