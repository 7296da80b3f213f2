#ifndef VELMORA_SAMPLES_IMAGE_BUILDERS_H_
#define VELMORA_SAMPLES_IMAGE_BUILDERS_H_

#include <cstdint>
#include <functional>
#include <vector>

#include "samples/archive_builder.h"

namespace velmora::samples {

// Builders of the source texture and sprite kinds, each from a pixel function (x, y) so a test
// says what picture it wants in a line.
using IndexAt = std::function<std::uint8_t(int x, int y)>;
using Pixel16At = std::function<std::uint16_t(int x, int y)>;
struct Rgb24 {
  std::uint8_t r, g, b;
};
using RgbAt = std::function<Rgb24(int x, int y)>;

// An " PIM" texture of 8-bit indexes with `levels` levels (each half the one before, pixels
// taken from the function at the level's scale); type 3 when transparent.
std::vector<std::uint8_t> BuildMip8(int width, int height, const IndexAt& index,
                                    bool transparent = false, int levels = 1);
// A "PIM " texture with 4-bit pixels and a CMAP of 16 (B, G, R, A) entries.
std::vector<std::uint8_t> BuildMip4(int width, int height, const IndexAt& index,
                                    const std::vector<std::uint32_t>& bgra,
                                    bool transparent = false, int levels = 1);
// A 24-bit run-length PCX picture with `pad` bytes of padding after each plane's row.
std::vector<std::uint8_t> BuildPcx24(int width, int height, const RgbAt& colour, int pad = 0);
// A 256-colour PCX whose palette (the last 768 bytes) holds `colours` (R, G, B each).
std::vector<std::uint8_t> BuildPalettePcx(const std::vector<Rgb24>& colours);
// CART/ICR2 raw textures. The 8-bit kind is laid out as the game's own files are: per level
// (each half the one before) a copy of its first row, its rows and a copy of its last row,
// with a header that gives the file length, the levels and where each level's pixels start.
std::vector<std::uint8_t> BuildRaw8(int width, int height, const IndexAt& index, int levels = 1);
std::vector<std::uint8_t> BuildRaw16(int width, int height, const Pixel16At& pixel);
std::vector<std::uint8_t> BuildRaw4(int width, int height, const IndexAt& index,
                                    const std::vector<std::uint16_t>& palette, bool transparent);

// CART/ICR2 sprites.
struct Run {
  std::uint8_t row, first, last, index;
};
std::vector<std::uint8_t> BuildPmp(const std::vector<Run>& runs);
std::vector<std::uint8_t> BuildP16(int width, int height, int anchor_x, int anchor_y,
                                   const Pixel16At& pixel);
std::vector<std::uint8_t> BuildPm4(int width, int height, int anchor_x, int anchor_y,
                                   const IndexAt& index, const std::vector<std::uint16_t>& palette);
// An N2/N3/NL sprite in the layout with words (not the 84 layout): `mode` 1 packs one index
// for two pixels.
std::vector<std::uint8_t> BuildNSeriesSrb(int width, int height, int size_x, int size_y,
                                          int anchor_x, int anchor_y, std::uint8_t mode,
                                          const IndexAt& index);

// The sample track's textures and sprites, one of every CART/ICR2 kind, added to its members.
void AddDemoImages(std::vector<MemberBytes>& members);

}  // namespace velmora::samples

#endif  // VELMORA_SAMPLES_IMAGE_BUILDERS_H_
