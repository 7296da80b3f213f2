#ifndef VELMORA_IMAGE_RAW_TEXTURE_H_
#define VELMORA_IMAGE_RAW_TEXTURE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "image/texture_image.h"

namespace velmora {

// The raw texture layouts of CART/ICR2 (".mip" 8-bit, ".m16" 16-bit, ".mi4" 4-bit):
//
//   header  := markerAt:u32 unused:u32 width:u32 height:u32 records:u32 unused:u32
//   records := records x (levelWidth - 1:u32 unused:u32 pixelsFrom4:u32)
//   pixels  from byte P = (records + 2) x 12, rows top first, no padding:
//              8-bit: 1 byte a pixel; 16-bit: u16 5-6-5; 4-bit: two a byte, left one high
//   4-bit only: 16 x u16 palette right after the pixels, at (width / 2) x height from their start
//
// The game's own 8-bit files hold one level per record, each as a copy of its first row, its
// rows and a copy of its last row; their first record says so: width - 1, and pixelsFrom4 + 4
// = P + one row. Where the first record says that, the pixels start after the row copy;
// otherwise at P. Only the largest level is read.
//
// The 4-bit kind is transparent, with 1-5-5-5 palette entries, when the u32 at byte markerAt
// of the file is 1; otherwise its entries are 5-6-5 and it is opaque. All raw kinds hold one
// level.

inline constexpr std::size_t kRawHeaderWords = 6;
inline constexpr std::size_t kRawRecordSize = 12;

enum class RawTextureKind { k8Bit, k16Bit, k4Bit };

// Corruption when the header's numbers do not fit the file.
Result<TextureImage> ReadRawTexture(std::vector<std::uint8_t> bytes, RawTextureKind kind);

// Builds a raw file of the kind from pixels laid out as above, without row copies (for tests
// and the demo); `palette` and `transparent` are used by the 4-bit kind only.
std::vector<std::uint8_t> BuildRawTexture(RawTextureKind kind, std::uint32_t width,
                                          std::uint32_t height,
                                          const std::vector<std::uint8_t>& pixels,
                                          const std::vector<std::uint16_t>& palette = {},
                                          bool transparent = false);

}  // namespace velmora

#endif  // VELMORA_IMAGE_RAW_TEXTURE_H_
