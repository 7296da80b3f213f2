#include "image/texture_image.h"

#include <utility>

#include "format/chunk_file.h"
#include "image/mip_file.h"
#include "image/pcx_file.h"
#include "image/raw_texture.h"
#include "platform/ascii.h"
#include "platform/file_system.h"

namespace velmora {

std::size_t TextureImage::RowBytes(int level) const {
  const std::size_t width_k = static_cast<std::size_t>(width) >> level;
  switch (bits_per_pixel) {
    case 4:
      return width_k / 2;
    case 8:
      return width_k;
    default:
      return width_k * 2;
  }
}

std::size_t TextureImage::LevelBytes(int level) const {
  return RowBytes(level) * (static_cast<std::size_t>(height) >> level);
}

std::size_t TextureImage::LevelAt(int level) const {
  std::size_t at = pixels_at;
  for (int k = 0; k < level; ++k) {
    at += LevelBytes(k) + level_gap;
  }
  return at;
}

std::array<std::uint16_t, 16> TextureImage::Palette16() const {
  std::array<std::uint16_t, 16> entries{};
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (palette_bits == 32) {
      const std::uint8_t* bgra = buffer.data() + palette_at + 4 * i;
      const unsigned b = bgra[0], g = bgra[1], r = bgra[2];
      if (!transparent) {
        entries[i] = static_cast<std::uint16_t>((r >> 3) << 11 | (g & 0xFC) << 3 | b >> 3);
      } else if (i != 0) {
        entries[i] =
            static_cast<std::uint16_t>(0x8000 | (r & 0xF8) << 7 | (g & 0xF8) << 2 | b >> 3);
      }
    } else {
      std::uint16_t value = static_cast<std::uint16_t>(buffer[palette_at + 2 * i] |
                                                       buffer[palette_at + 2 * i + 1] << 8);
      // 1-5-5-5 entries carry no alpha bit; the 16-bit kind marks visible pixels with it.
      if (palette_bits == 15 && transparent && i != 0) value |= 0x8000;
      entries[i] = value;
    }
  }
  return entries;
}

bool LevelsFit(const TextureImage& image) {
  if (image.width < 1 || image.height < 1 || image.width > kMaxTextureSide ||
      image.height > kMaxTextureSide) {
    return false;
  }
  if (image.level_count < 1 || image.level_count > kMaxTextureLevels) return false;
  // Every level keeps at least one pixel a side.
  if ((image.width >> (image.level_count - 1)) < 1 || (image.height >> (image.level_count - 1)) < 1)
    return false;
  if (image.pixels_at > image.buffer.size()) return false;
  const std::size_t last = image.level_count - 1;
  const std::size_t end =
      image.LevelAt(static_cast<int>(last)) + image.LevelBytes(static_cast<int>(last));
  if (end > image.buffer.size()) return false;
  if (image.bits_per_pixel == 4) {
    const std::size_t palette_bytes = image.palette_bits == 32 ? 64 : 32;
    if (image.palette_at > image.buffer.size() ||
        image.buffer.size() - image.palette_at < palette_bytes) {
      return false;
    }
  }
  return true;
}

Result<TextureImage> ParseTexture(std::vector<std::uint8_t> bytes,
                                  const std::filesystem::path& path) {
  Result<TextureImage> image = Status::Corruption("not a texture");
  if (StartsWithTag(bytes, kTagMip)) {
    image = ReadMip(std::move(bytes));
  } else if (StartsWithTag(bytes, kTagMip8)) {
    image = ReadMip8(std::move(bytes));
  } else if (LooksLikePcx(bytes)) {
    image = ReadPcxTexture(std::move(bytes));
  } else {
    // Raw layouts carry no signature: the file's extension says which one it is.
    const std::string name = path.string();
    RawTextureKind kind = RawTextureKind::k8Bit;
    if (ContainsIgnoreCase(name, ".m16")) {
      kind = RawTextureKind::k16Bit;
    } else if (ContainsIgnoreCase(name, ".mi4")) {
      kind = RawTextureKind::k4Bit;
    }
    image = ReadRawTexture(std::move(bytes), kind);
  }
  if (image) image->file_name = path;
  return image;
}

Result<TextureImage> LoadTexture(const std::filesystem::path& path) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(path);
  if (!bytes) return Status::NotFound(path.string());
  return ParseTexture(std::move(*bytes), path);
}

}  // namespace velmora
