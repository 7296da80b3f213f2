#ifndef VELMORA_IMAGE_MIP_FILE_H_
#define VELMORA_IMAGE_MIP_FILE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "format/chunk_file.h"
#include "image/texture_image.h"
#include "platform/byte_writer.h"

namespace velmora {

// MIP textures, in the chunk container:
//
//   mip    := MIP("PIM " | " PIM") { MPHD [CMAP] BMAP* }       one BMAP per level, largest first
//   BMAP   := BMAP { BMHD DATA }
//   MPHD   := type:u8 width_log2:u32 height_log2:u32 colour:u32 flags:u8 level_count:u32  (18)
//   CMAP   := 16 x (B:u8 G:u8 R:u8 A:u8)                                             (64)
//   BMHD   := type:u8 width:u32 height:u32 stride:u32 reserved:u8                    (14)
//   DATA   := height rows of stride bytes, top row first
//
// Fields are packed (no alignment); MPHD and BMHD are followed by two blanks. DATA is not
// padded: each level's pixels follow the previous level's after exactly 52 header bytes. Types with
// "PIM ": 0 4-bit opaque, 1 4-bit with index 0 transparent, 3 16-bit 5-6-5, 4 16-bit 1-5-5-5
// with bit 15 on visible pixels, 2 and 5 read as transparent (2 also as one level). With " PIM"
// (8-bit indexes, palette kept elsewhere): 3 index 0 transparent, others opaque.

inline constexpr std::size_t kMipHeaderPayload = 18;
inline constexpr std::size_t kColourMapPayload = 64;
inline constexpr std::size_t kBitmapHeaderPayload = 14;
// MIP header and MPHD: where the first chunk after MPHD starts.
inline constexpr std::size_t kMipHeadersSize = 44;
// BMAP header, BMHD (with its pad) and DATA header in front of each level's pixels.
inline constexpr std::size_t kMipLevelGap = 52;
// Where an " PIM" texture's pixels start: its layout is fixed.
inline constexpr std::size_t kMip8PixelsAt = kMipHeadersSize + kMipLevelGap;

inline constexpr std::uint8_t kMipType4Bit = 0;
inline constexpr std::uint8_t kMipType4BitTransparent = 1;
inline constexpr std::uint8_t kMipType16Bit = 3;
inline constexpr std::uint8_t kMipType16BitTransparent = 4;
inline constexpr std::uint8_t kMip8TypeTransparent = 3;

// One level to write: `height` rows of `stride` bytes.
struct MipLevelOut {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t stride = 0;
  std::span<const std::uint8_t> pixels;
};

// A whole texture to write. MPHD `level_count` is the number of levels.
struct MipOut {
  std::string_view tag = kTagMip;
  std::uint8_t type = 0;
  std::uint32_t width_log2 = 0;
  std::uint32_t height_log2 = 0;
  std::uint32_t colour = 0;
  std::uint8_t flags = 0;
  std::optional<std::array<std::uint8_t, kColourMapPayload>> colour_map;  // 4-bit kind only
  std::vector<MipLevelOut> levels;
};

// Appends the MIP chunk; its size is filled in after the last level.
void AppendMip(ByteWriter& out, const MipOut& mip);
std::vector<std::uint8_t> BuildMip(const MipOut& mip);

// The "PIM " reader: walks MPHD, an optional CMAP, then BMAP and BMHD to the first DATA
// (unknown chunks on the way are stepped over by their size). Corruption when the buffer is not
// a "PIM " texture or its numbers do not fit it. `at` is where the MIP chunk starts (0 for a
// texture file, 96 for the texture behind a sprite's headers).
Result<TextureImage> ReadMip(std::vector<std::uint8_t> bytes, std::size_t at = 0);
// The " PIM" reader: fixed layout, pixels from byte 96.
Result<TextureImage> ReadMip8(std::vector<std::uint8_t> bytes);

// Whether the buffer starts with the stored tag followed by a zero byte.
bool StartsWithTag(std::span<const std::uint8_t> bytes, std::string_view stored_tag,
                   std::size_t at = 0);

// log2 of a power of two (the highest set bit of other values); 0 for 0.
std::uint32_t Log2(std::uint32_t value);

}  // namespace velmora

#endif  // VELMORA_IMAGE_MIP_FILE_H_
