#ifndef VELMORA_IMAGE_SRB_FILE_H_
#define VELMORA_IMAGE_SRB_FILE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "image/mip_file.h"
#include "image/texture_image.h"
#include "image/texture_palette.h"

namespace velmora {

// Sprite files (.srb): sprite headers, then one texture at the top level.
//
//   srb   := SRB(" BRS", size 84) { SRHD SRH2 }  mip
//   SRHD  := scale_x:f32 scale_y:f32 width:f32 height:f32 origin_x:f32 origin_y:f32     (24)
//   SRH2  := 36 bytes 0                                                              (36)
//   mip   := a "PIM " texture (mip_file.h), at byte 96 = 12 + the SRB size
//
// The SRB size covers the two headers only. The sprites this program writes hold a one-level
// 16-bit texture of type 4 (1-5-5-5, bit 15 on visible pixels) with flags 3 and no CMAP: 96
// bytes of sprite chunks, 96 bytes of texture headers, then width x height x 2 pixel bytes.
//
// The N2, N3 and NL sprites come in two layouts, told apart by the u32 at byte 8:
//   84:    the layout above; the sprite header's width and height give the picture's size,
//          and the texture behind the headers its pixels (transparent where it has none).
//   other: u32 words: 6, 7 the sprite's size in source units (x, y); 8, 9 the anchor;
//          10 width - 1; 11 height - 1; mode byte at byte 72; from byte 144 the rows of 8-bit
//          colour indexes: (width + 1) / 2 bytes a row in mode 1, each byte two pixels wide,
//          otherwise width bytes a row.

inline constexpr std::uint32_t kSrbHeadersSize = 84;
inline constexpr std::size_t kSrbTextureAt = kChunkHeaderSize + kSrbHeadersSize;  // 96
inline constexpr std::size_t kSrbHeaderPayload = 24;
inline constexpr std::size_t kSrbHeader2Payload = 36;
inline constexpr std::size_t kNSeriesModeAt = 72;
inline constexpr std::size_t kNSeriesPixelsAt = 144;
// The size of an N-series sprite whose file does not give one (the 84 layout).
inline constexpr std::int32_t kDefaultNSeriesSize = 200000;
// Widths of source sprites beyond this are refused: real sprites are a few hundred pixels.
inline constexpr std::uint32_t kMaxSpriteWidth = 4096;
inline constexpr std::uint32_t kMaxSpriteHeight = 65536;

struct SpriteHeader {
  float scale_x = 1.0f;
  float scale_y = 1.0f;
  float width = 0.0f;
  float height = 0.0f;
  float origin_x = 0.0f;
  float origin_y = 0.0f;
  friend bool operator==(const SpriteHeader&, const SpriteHeader&) = default;
};

// The whole sprite file: headers, then the texture.
std::vector<std::uint8_t> BuildSrb(const SpriteHeader& header, const MipOut& texture);
// The one-level 16-bit texture every converted sprite holds.
MipOut SpriteTexture(std::uint32_t width, std::uint32_t height, std::uint32_t height_log2,
                     std::span<const std::uint8_t> pixels);

// The sprite header of a file in the 84 layout; Corruption for other files.
Result<SpriteHeader> ReadSrbHeader(std::span<const std::uint8_t> bytes);

// An N2, N3 or NL sprite, parsed and checked against its file.
struct NSeriesSprite {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t anchor_x = 0;
  std::int32_t anchor_y = 0;
  std::int32_t size_x = kDefaultNSeriesSize;
  std::int32_t size_y = kDefaultNSeriesSize;
  std::uint8_t mode = 0;
  // Other layout: the file and where its rows start.
  std::vector<std::uint8_t> bytes;
  std::size_t pixels_at = kNSeriesPixelsAt;
  // 84 layout: the texture behind the headers, which owns the file, and the header's size as
  // written back (width and height above are its whole-pixel values).
  std::optional<TextureImage> texture;
  float header_width = 0;
  float header_height = 0;
};
Result<NSeriesSprite> ParseNSeriesSprite(std::vector<std::uint8_t> bytes);
// The converted sprite file: height folded to at most 256 rows, width padded to a power of two
// (rows laid out at that stride), colours through the palette with black transparent.
std::vector<std::uint8_t> BuildNSeriesSprite(const NSeriesSprite& sprite,
                                             const TexturePalette& palette);

}  // namespace velmora

#endif  // VELMORA_IMAGE_SRB_FILE_H_
