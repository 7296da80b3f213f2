#include "image/sprite_image.h"

#include "platform/ascii.h"
#include "platform/file_system.h"

namespace velmora {

bool SpriteImage::LoadCart(const std::filesystem::path& path) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(path);
  return bytes && ParseCart(std::move(*bytes), path);
}

bool SpriteImage::LoadNSeries(const std::filesystem::path& path) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(path);
  path_ = AsciiLower(path.string());
  return bytes && ParseNSeries(std::move(*bytes));
}

bool SpriteImage::ParseCart(std::vector<std::uint8_t> bytes, const std::filesystem::path& path) {
  // The kind comes from the file's own name, never from the folders above it.
  path_ = AsciiLower(path.filename().string());
  kind_ = CartSpriteKindOf(path_);
  if (!CartSpriteFits(bytes, kind_)) return false;
  bytes_ = std::move(bytes);
  return true;
}

bool SpriteImage::ParseNSeries(std::vector<std::uint8_t> bytes) {
  nseries_ = ParseNSeriesSprite(std::move(bytes));
  return nseries_.has_value();
}

std::vector<std::uint8_t> SpriteImage::BuildCart() const {
  if (bytes_.empty()) return {};
  return BuildCartSprite(bytes_, kind_, palette_);
}

std::vector<std::uint8_t> SpriteImage::BuildNSeries() const {
  if (!nseries_) return {};
  return BuildNSeriesSprite(*nseries_, palette_);
}

bool SpriteImage::WriteCart(const std::filesystem::path& output) const {
  if (bytes_.empty()) return false;
  return WriteFileBytes(output, BuildCart());
}

bool SpriteImage::WriteNSeries(const std::filesystem::path& output) const {
  if (!nseries_) return false;
  return WriteFileBytes(output, BuildNSeries());
}

std::pair<int, int> SpriteImage::CartExtent() const {
  if (bytes_.size() < 2) return {0, 0};
  return {bytes_[0], bytes_[1]};
}

std::pair<std::int32_t, std::int32_t> SpriteImage::NSeriesSize() const {
  if (!nseries_) return {kDefaultNSeriesSize, kDefaultNSeriesSize};
  return {nseries_->size_x, nseries_->size_y};
}

}  // namespace velmora
