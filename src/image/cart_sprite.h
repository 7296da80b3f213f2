#ifndef VELMORA_IMAGE_CART_SPRITE_H_
#define VELMORA_IMAGE_CART_SPRITE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "image/texture_palette.h"

namespace velmora {

// The raw sprite kinds of CART/ICR2, converted into sprite files (srb_file.h):
//
//   ".pmp"  u32 unused, u32 L, u32 unused; from byte 12, L / 4 run records:
//           row:u8 firstColumn:u8 lastColumn:u8 colourIndex:u8       (anchor at 127, 127)
//   ".p16"  W:u8 H:u8 (anchor_x + 128):u8 (anchor_y + 128):u8, 8 unused bytes; from byte 12,
//           H rows of (W + 1) rounded down to even u16 pixels, already 1-5-5-5
//   ".pm4"  header as ".p16"; from byte 12, H rows of (W + 7) rounded down to a multiple of 8
//           four-bit pixels (left one high), then 16 u16 palette entries, 1-5-5-5
//
// Each becomes a one-level 16-bit texture whose sides are the powers of two strictly above the
// picture's, scale 3.0, the picture in the top left corner and the rest transparent.

inline constexpr std::size_t kCartSpriteHeaderSize = 12;
inline constexpr std::size_t kRunRecordSize = 4;
inline constexpr float kCartSpriteScale = 3.0f;

enum class CartSpriteKind { kRuns, kSixteenBit, kFourBit };

// By the source path, lowercased: ".pm4", else ".p16", else the run kind.
CartSpriteKind CartSpriteKindOf(std::string_view lowered_path);

// The smallest power of two strictly above `value` (64 gives 128, 63 gives 64; 1 for values
// below 1), with its log2.
std::pair<std::uint32_t, std::uint32_t> PowerOfTwoAbove(std::int32_t value);

// Whether the file's numbers fit its bytes: the runs of a ".pmp" (at least one), the rows
// and palette of the others.
bool CartSpriteFits(const std::vector<std::uint8_t>& bytes, CartSpriteKind kind);
// The converted sprite file of a file that fits.
std::vector<std::uint8_t> BuildCartSprite(const std::vector<std::uint8_t>& bytes,
                                          CartSpriteKind kind, const TexturePalette& palette);

}  // namespace velmora

#endif  // VELMORA_IMAGE_CART_SPRITE_H_
