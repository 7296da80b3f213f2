#ifndef VELMORA_IMAGE_TEXTURE_IMAGE_H_
#define VELMORA_IMAGE_TEXTURE_IMAGE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "platform/status.h"

namespace velmora {

// Upper bounds every texture reader holds a file's own numbers to before trusting them. Real
// textures are a few hundred pixels a side; the bounds only keep hostile numbers from turning
// into huge loops or shifts.
inline constexpr std::int32_t kMaxTextureSide = 65536;
inline constexpr int kMaxTextureLevels = 16;

// One source texture in memory: the whole file, owned here, and where its pixels lie in it.
// Readers fill it (mip_file, pcx_file, raw_texture); the writers of texture_conversion consume
// it. Every reader has checked that all `level_count` levels lie inside `buffer`, so the
// writers index pixels without further checks.
struct TextureImage {
  std::int32_t width = 0;  // of the largest level
  std::int32_t height = 0;
  // 4 or 8 (indexed), 16 (5-6-5 or 1-5-5-5 pixels), 24 (a run-length PCX picture).
  int bits_per_pixel = 0;
  bool transparent = false;
  // Entries of a 4-bit image's own palette: 15 (1-5-5-5 without alpha bit), 16 (5-6-5) or 32
  // (B, G, R, A as a CMAP keeps them).
  int palette_bits = 0;
  int level_count = 1;
  // Header bytes between the end of one level's pixels and the start of the next: 52 for
  // chunked sources (BMAP, BMHD and DATA headers), 0 for single-level raw sources.
  std::size_t level_gap = 0;
  // MPHD fields as read, for chunked sources.
  std::uint8_t mip_type = 0;
  std::uint8_t mip_flags = 0;

  std::filesystem::path file_name;
  std::vector<std::uint8_t> buffer;
  std::size_t pixels_at = 0;         // largest level's first pixel byte
  std::size_t palette_at = 0;        // a 4-bit image's palette (16 entries of palette_bits)
  std::size_t pcx_bytes_per_line = 0;  // 24-bit PCX only: bytes of one plane of one row

  // Bytes one row of level `level` takes (indexed and 16-bit images).
  std::size_t RowBytes(int level) const;
  // Bytes of level `level`'s pixels, rows back to back.
  std::size_t LevelBytes(int level) const;
  // Offset of level `level`'s first pixel byte in `buffer`.
  std::size_t LevelAt(int level) const;
  std::span<const std::uint8_t> Level(int level) const {
    return std::span<const std::uint8_t>(buffer).subspan(LevelAt(level), LevelBytes(level));
  }
  // The 16 entries of a 4-bit image's palette as u16 values in the form of `palette_bits` 15
  // or 16; CMAP entries are turned into 5-6-5, or 1-5-5-5 with bit 15 on visible entries
  // when the image is transparent.
  std::array<std::uint16_t, 16> Palette16() const;
  // The CMAP entries (B, G, R, A) of a 4-bit image whose palette is a CMAP.
  std::span<const std::uint8_t> ColourMap() const {
    return std::span<const std::uint8_t>(buffer).subspan(palette_at, 64);
  }
};

// What the object writer needs of a texture for its coordinates: (width, height - 1).
inline std::pair<std::int32_t, std::int32_t> TextureExtent(const TextureImage& image) {
  return {image.width, image.height - 1};
}

// Whether the image's numbers are sane and all its levels lie inside its buffer; every reader
// of indexed and 16-bit images ends with this check.
bool LevelsFit(const TextureImage& image);

// Reads a texture file: a "PIM " texture, else an " PIM" texture, a 24-bit PCX picture or a
// raw CART/ICR2 layout chosen by the path (".m16": 16-bit, ".mi4": 4-bit, else 8-bit).
// NotFound when the file cannot be read, Corruption when the reader its bytes choose refuses it.
Result<TextureImage> LoadTexture(const std::filesystem::path& path);
// The same on bytes already in memory; `path` chooses the raw layout.
Result<TextureImage> ParseTexture(std::vector<std::uint8_t> bytes,
                                  const std::filesystem::path& path);

}  // namespace velmora

#endif  // VELMORA_IMAGE_TEXTURE_IMAGE_H_
