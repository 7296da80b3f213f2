#include "image/srb_file.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <utility>

#include "platform/byte_reader.h"
#include "platform/byte_writer.h"
#include "platform/units.h"

namespace velmora {

namespace {

// A header float as a whole pixel number; values that are not finite or do not fit give 0.
std::int32_t Truncated(float value) {
  if (!std::isfinite(value) || std::fabs(value) > 1e9f) return 0;
  return static_cast<std::int32_t>(value);
}

std::uint16_t FiveFiveFive(unsigned r, unsigned g, unsigned b) {
  return static_cast<std::uint16_t>(0x8000 | (r & 0xF8) << 7 | (g & 0xF8) << 2 | b >> 3);
}

// Pixel (x, y) of an 84-layout sprite's texture as a visible-or-transparent 1-5-5-5 value.
class TexturePixels {
 public:
  explicit TexturePixels(const TextureImage& texture)
      : texture_(texture), level_(texture.Level(0)), row_bytes_(texture.RowBytes(0)) {
    if (texture.bits_per_pixel == 4) {
      std::span<const std::uint8_t> cmap = texture.ColourMap();
      for (std::size_t i = 0; i < 16; ++i) {
        entries_[i] = texture.transparent && i == 0
                          ? 0
                          : FiveFiveFive(cmap[4 * i + 2], cmap[4 * i + 1], cmap[4 * i]);
      }
    }
  }
  std::uint16_t At(std::uint32_t x, std::uint32_t y) const {
    const std::uint8_t* row = level_.data() + y * row_bytes_;
    if (texture_.bits_per_pixel == 4) {
      if (x / 2 >= row_bytes_) return 0;
      const std::uint8_t byte = row[x / 2];
      return entries_[x % 2 == 0 ? byte >> 4 : byte & 15];
    }
    const unsigned v = static_cast<unsigned>(row[2 * x] | row[2 * x + 1] << 8);
    if (texture_.transparent) return static_cast<std::uint16_t>(v);
    // 5-6-5 to a visible 1-5-5-5 pixel.
    return static_cast<std::uint16_t>(0x8000 | (v >> 11) << 10 | ((v >> 6) & 31) << 5 | (v & 31));
  }

 private:
  const TextureImage& texture_;
  std::span<const std::uint8_t> level_;
  std::size_t row_bytes_;
  std::array<std::uint16_t, 16> entries_{};
};

}  // namespace

MipOut SpriteTexture(std::uint32_t width, std::uint32_t height, std::uint32_t height_log2,
                     std::span<const std::uint8_t> pixels) {
  MipOut mip;
  mip.type = kMipType16BitTransparent;
  mip.width_log2 = Log2(width);
  mip.height_log2 = height_log2;
  mip.flags = 3;
  mip.levels.push_back({width, height, width * 2, pixels});
  return mip;
}

std::vector<std::uint8_t> BuildSrb(const SpriteHeader& header, const MipOut& texture) {
  ByteWriter out;
  std::size_t pixel_bytes = 0;
  for (const MipLevelOut& level : texture.levels) pixel_bytes += level.pixels.size() + 56;
  out.Reserve(kSrbTextureAt + 160 + pixel_bytes);
  {
    ChunkScope srb(out, kTagSprite);
    WriteChunkHeader(out, kTagSpriteHeader, 0, kSrbHeaderPayload);
    for (float value : {header.scale_x, header.scale_y, header.width, header.height, header.origin_x,
                        header.origin_y}) {
      out.F32(value);
    }
    WriteChunkHeader(out, kTagSpriteHeader2, 0, kSrbHeader2Payload);
    out.Fill(kSrbHeader2Payload, 0);
  }
  AppendMip(out, texture);
  return out.Take();
}

Result<SpriteHeader> ReadSrbHeader(std::span<const std::uint8_t> bytes) {
  Result<Chunk> srb = ReadChunk(bytes, 0);
  if (!srb || !srb->Is(kTagSprite) || srb->size != kSrbHeadersSize)
    return Status::Corruption("not a sprite in the 84 layout");
  Result<Chunk> srhd = ReadChunk(bytes, srb->payload, srb->payload + srb->size);
  if (!srhd || !srhd->Is(kTagSpriteHeader) || srhd->size < kSrbHeaderPayload)
    return Status::Corruption("its sprite header is cut short");
  ByteReader reader(bytes.subspan(srhd->payload, kSrbHeaderPayload));
  SpriteHeader header;
  header.scale_x = reader.F32();
  header.scale_y = reader.F32();
  header.width = reader.F32();
  header.height = reader.F32();
  header.origin_x = reader.F32();
  header.origin_y = reader.F32();
  return header;
}

Result<NSeriesSprite> ParseNSeriesSprite(std::vector<std::uint8_t> bytes) {
  ByteReader reader(bytes);
  reader.Seek(8);
  const std::uint32_t layout = reader.U32();
  if (!reader.ok()) return Status::Corruption("cut short before its layout word");
  NSeriesSprite sprite;
  if (layout == kSrbHeadersSize) {
    Result<SpriteHeader> header = ReadSrbHeader(bytes);
    if (!header) return header.status();
    // The picture is read through the texture reader, whatever kind the texture is.
    // The sprite header, not the texture, gives the picture's size; the texture lends its
    // pixels where it has them.
    const std::int32_t width = Truncated(header->width);
    const std::int32_t height = Truncated(header->height);
    if (width < 1 || height < 1 || static_cast<std::uint32_t>(width) > kMaxSpriteWidth ||
        static_cast<std::uint32_t>(height) > kMaxSpriteHeight) {
      return Status::Corruption("its size is out of range");
    }
    Result<TextureImage> texture = ReadMip(std::move(bytes), kSrbTextureAt);
    if (!texture) return texture.status();
    sprite.width = width;
    sprite.height = height;
    sprite.header_width = header->width;
    sprite.header_height = header->height;
    sprite.anchor_x = Truncated(header->origin_x);
    sprite.anchor_y = Truncated(header->origin_y);
    sprite.mode = texture->mip_type;
    sprite.texture = std::move(*texture);
    return sprite;
  }
  reader.Seek(24);
  sprite.size_x = reader.I32();
  sprite.size_y = reader.I32();
  sprite.anchor_x = reader.I32();
  sprite.anchor_y = reader.I32();
  const std::uint32_t width_less_one = reader.U32();
  const std::uint32_t height_less_one = reader.U32();
  reader.Seek(kNSeriesModeAt);
  sprite.mode = reader.U8();
  if (!reader.ok() || width_less_one >= kMaxSpriteWidth || height_less_one >= kMaxSpriteHeight) {
    return Status::Corruption("its header is cut short or its size is out of range");
  }
  sprite.width = static_cast<std::int32_t>(width_less_one + 1);
  sprite.height = static_cast<std::int32_t>(height_less_one + 1);
  const std::size_t row_bytes =
      sprite.mode == 1 ? (static_cast<std::size_t>(sprite.width) + 1) / 2 : sprite.width;
  if (bytes.size() < kNSeriesPixelsAt ||
      (bytes.size() - kNSeriesPixelsAt) / row_bytes < static_cast<std::size_t>(sprite.height)) {
    return Status::Corruption("its rows run past the file");
  }
  sprite.bytes = std::move(bytes);
  return sprite;
}

std::vector<std::uint8_t> BuildNSeriesSprite(const NSeriesSprite& sprite,
                                             const TexturePalette& palette) {
  const std::uint32_t source_width = static_cast<std::uint32_t>(sprite.width);
  const std::uint32_t source_rows = static_cast<std::uint32_t>(sprite.height);
  std::uint32_t f = 1;
  while (source_rows / f > 256) f *= 2;
  const std::uint32_t rows = source_rows / f;
  const std::uint32_t width = std::bit_ceil(source_width);
  // Rows are laid out at the power-of-two stride the bitmap header gives.
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * rows * 2, 0);
  // Later source rows overwrite earlier ones; the rows past the output (odd heights above
  // 256 leave one) are dropped.
  auto put = [&](std::uint32_t y, std::uint32_t x, std::uint16_t value) {
    if (x >= width || y >= rows) return;
    std::uint8_t* at = pixels.data() + (static_cast<std::size_t>(y) * width + x) * 2;
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
  };
  if (sprite.texture) {
    // Of the source rows that fold into one output row the last one is kept, so only that one
    // is read; rows and columns the texture does not have stay transparent.
    TexturePixels source(*sprite.texture);
    const auto texture_width = static_cast<std::uint32_t>(sprite.texture->width);
    const auto texture_rows = static_cast<std::uint32_t>(sprite.texture->height);
    const std::uint32_t columns = std::min(source_width, texture_width);
    for (std::uint32_t row = 0; row < rows; ++row) {
      const std::uint32_t y = std::min((row + 1) * f - 1, source_rows - 1);
      if (y >= texture_rows) continue;
      for (std::uint32_t x = 0; x < columns; ++x) put(row, x, source.At(x, y));
    }
  } else {
    const bool doubled = sprite.mode == 1;
    const std::size_t row_bytes = doubled ? (source_width + 1) / 2 : source_width;
    for (std::uint32_t y = 0; y < source_rows; ++y) {
      const std::uint8_t* in = sprite.bytes.data() + sprite.pixels_at + y * row_bytes;
      for (std::size_t j = 0; j < row_bytes; ++j) {
        const std::uint16_t colour = palette.SixteenBitColour(in[j], true);
        if (doubled) {
          put(y / f, static_cast<std::uint32_t>(2 * j), colour);
          put(y / f, static_cast<std::uint32_t>(2 * j + 1), colour);
        } else {
          put(y / f, static_cast<std::uint32_t>(j), colour);
        }
      }
    }
  }
  SpriteHeader header;
  header.scale_x = static_cast<float>(sprite.size_x) / static_cast<float>(kUnitsPerMetre);
  header.scale_y = static_cast<float>(sprite.size_y) / static_cast<float>(kUnitsPerMetre);
  header.width = sprite.texture ? sprite.header_width : static_cast<float>(sprite.width);
  header.height = sprite.texture ? sprite.header_height : static_cast<float>(sprite.height);
  header.origin_x = static_cast<float>(sprite.anchor_x);
  header.origin_y = static_cast<float>(sprite.anchor_y);
  return BuildSrb(header,
                  SpriteTexture(width, rows, Log2(std::bit_ceil(std::max(rows, 1u))), pixels));
}

}  // namespace velmora
