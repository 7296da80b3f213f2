#ifndef VELMORA_IMAGE_PCX_FILE_H_
#define VELMORA_IMAGE_PCX_FILE_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "image/texture_image.h"
#include "platform/byte_reader.h"

namespace velmora {

// PCX pictures, as the source games keep textures and palettes in them. The 128-byte header:
//
//   0 manufacturer:u8 (10)   1 version:u8 (5)   2 encoding:u8 (1, run-length)
//   3 bitsPerPlane:u8   4 xmin:u16   6 ymin:u16   8 xmax:u16   10 ymax:u16
//   65 planes:u8   66 bytesPerLine:u16   ...   run-length pixel data from byte 128
//
// width = xmax - xmin + 1, height = ymax - ymin + 1. Each row is `planes` x `bytesPerLine`
// bytes once decoded (for a 24-bit picture: the red, then the green, then the blue plane), run
// length coded: a byte with both top bits set repeats the next byte (byte & 63) times, any
// other byte stands for itself. A 256-colour picture keeps its palette in the last 768 bytes.

inline constexpr std::size_t kPcxHeaderSize = 128;
inline constexpr std::size_t kPcxBitsPerPlaneAt = 3;
inline constexpr std::size_t kPcxPlanesAt = 65;
inline constexpr std::size_t kPcxBytesPerLineAt = 66;
inline constexpr std::size_t kPcxPaletteSize = 768;

// Whether the header describes a 24-bit picture (planes times bits per plane is 24); a header
// that is cut short is not one.
bool IsTrueColourPcxHeader(std::span<const std::uint8_t> header);
// The same test on a file, reading only its header.
bool IsTrueColourPcx(const std::filesystem::path& path);

// Whether the bytes start like a PCX picture (10, 5, 1).
bool LooksLikePcx(std::span<const std::uint8_t> bytes);

// Reads a 24-bit PCX picture (three planes of 8 bits) as a texture of `bits_per_pixel` 24. The
// whole picture is decoded once to prove that its rows are all there; a picture whose data
// ends early, whose planes are shorter than its width, or that is not 24-bit is refused.
Result<TextureImage> ReadPcxTexture(std::vector<std::uint8_t> bytes);

// Decodes the rows of a 24-bit picture read by ReadPcxTexture, top row first. Each row is
// `3 x bytesPerLine` bytes: red, green and blue planes, of which the first `width` bytes each
// are the picture. A run that would pass the end of the row is cut there.
class PcxRowDecoder {
 public:
  explicit PcxRowDecoder(const TextureImage& image);
  // The next row, or an empty span when the data has run out.
  std::span<const std::uint8_t> Next();

 private:
  ByteReader reader_;
  std::vector<std::uint8_t> row_;
};

}  // namespace velmora

#endif  // VELMORA_IMAGE_PCX_FILE_H_
