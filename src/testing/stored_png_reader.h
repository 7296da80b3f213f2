#ifndef VELMORA_TESTING_STORED_PNG_READER_H_
#define VELMORA_TESTING_STORED_PNG_READER_H_

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace velmora::testkit {

struct DecodedPng {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // top row first, red, green, blue
};

// Reads an 8-bit RGB, non-interlaced PNG whose image data is in stored deflate blocks and whose
// rows use filter 0, checking every chunk's CRC and the zlib stream's Adler-32 on the way; the
// tests of the Windows build read their pictures with it, where libpng is not available.
// Nothing for any other PNG or for damaged bytes.
std::optional<DecodedPng> DecodeStoredPng(std::span<const std::uint8_t> bytes);

}  // namespace velmora::testkit

#endif  // VELMORA_TESTING_STORED_PNG_READER_H_
