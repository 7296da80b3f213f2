#include "image/sprite_image.h"

#include "platform/ascii.h"
#include "platform/file_system.h"

namespace velmora {

namespace {

Status WriteSprite(const std::filesystem::path& output, const std::vector<std::uint8_t>& bytes) {
  if (!WriteFileBytes(output, bytes)) return Status::IOError(output.string());
  return Status::Ok();
}

}  // namespace

Status SpriteImage::LoadCart(const std::filesystem::path& path) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(path);
  if (!bytes) return Status::NotFound(path.string());
  return ParseCart(std::move(*bytes), path);
}

Status SpriteImage::LoadNSeries(const std::filesystem::path& path) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(path);
  path_ = AsciiLower(path.string());
  if (!bytes) return Status::NotFound(path.string());
  return ParseNSeries(std::move(*bytes));
}

Status SpriteImage::ParseCart(std::vector<std::uint8_t> bytes, const std::filesystem::path& path) {
  // The kind comes from the file's own name, never from the folders above it.
  path_ = AsciiLower(path.filename().string());
  kind_ = CartSpriteKindOf(path_);
  if (!CartSpriteFits(bytes, kind_)) return Status::Corruption("its numbers do not fit its file");
  bytes_ = std::move(bytes);
  return Status::Ok();
}

Status SpriteImage::ParseNSeries(std::vector<std::uint8_t> bytes) {
  Result<NSeriesSprite> sprite = ParseNSeriesSprite(std::move(bytes));
  if (!sprite) {
    nseries_.reset();
    return sprite.status();
  }
  nseries_ = std::move(*sprite);
  return Status::Ok();
}

std::vector<std::uint8_t> SpriteImage::BuildCart() const {
  if (bytes_.empty()) return {};
  return BuildCartSprite(bytes_, kind_, palette_);
}

std::vector<std::uint8_t> SpriteImage::BuildNSeries() const {
  if (!nseries_) return {};
  return BuildNSeriesSprite(*nseries_, palette_);
}

Status SpriteImage::WriteCart(const std::filesystem::path& output) const {
  if (bytes_.empty()) return Status::InvalidArgument("no sprite is loaded");
  return WriteSprite(output, BuildCart());
}

Status SpriteImage::WriteNSeries(const std::filesystem::path& output) const {
  if (!nseries_) return Status::InvalidArgument("no sprite is loaded");
  return WriteSprite(output, BuildNSeries());
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
