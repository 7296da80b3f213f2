#ifndef VELMORA_IMAGE_SPRITE_IMAGE_H_
#define VELMORA_IMAGE_SPRITE_IMAGE_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "image/cart_sprite.h"
#include "image/srb_file.h"
#include "image/texture_palette.h"

namespace velmora {

// One source sprite while its file is converted: a CART/ICR2 ".pmp", ".pm4" or ".p16" file, or
// an N2/N3/NL ".srb" file. It owns the file's bytes; the palette is the run's, lent for the
// conversion. Loading checks the file's numbers against its bytes, so a sprite that loads can
// be written.
class SpriteImage {
 public:
  explicit SpriteImage(const TexturePalette& palette) : palette_(palette) {}

  // NotFound when the file cannot be read, Corruption when its numbers do not fit it.
  Status LoadCart(const std::filesystem::path& path);
  Status LoadNSeries(const std::filesystem::path& path);
  // The same on bytes in memory; `path` names the CART kind.
  Status ParseCart(std::vector<std::uint8_t> bytes, const std::filesystem::path& path);
  Status ParseNSeries(std::vector<std::uint8_t> bytes);

  // The converted sprite file's bytes, and writing them to `output` with one write.
  std::vector<std::uint8_t> BuildCart() const;
  std::vector<std::uint8_t> BuildNSeries() const;
  // InvalidArgument when nothing is loaded, IOError (message: the path) when the file cannot
  // be written.
  Status WriteCart(const std::filesystem::path& output) const;
  Status WriteNSeries(const std::filesystem::path& output) const;

  // What the object writer needs for sprite names: a CART file's bytes 0 and 1 (the picture's
  // width and height); an N-series sprite's size in source units.
  std::pair<int, int> CartExtent() const;
  std::pair<std::int32_t, std::int32_t> NSeriesSize() const;

 private:
  const TexturePalette& palette_;
  std::string path_;  // lowercased
  std::vector<std::uint8_t> bytes_;
  CartSpriteKind kind_ = CartSpriteKind::kRuns;
  std::optional<NSeriesSprite> nseries_;
};

}  // namespace velmora

#endif  // VELMORA_IMAGE_SPRITE_IMAGE_H_
