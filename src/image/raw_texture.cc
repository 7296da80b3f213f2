#include "image/raw_texture.h"

#include <span>
#include <utility>

#include "platform/byte_reader.h"
#include "platform/byte_writer.h"

namespace velmora {

namespace {

// Where the largest level's pixels start: after a copy of the first row when the first record
// names that place, at `plain` otherwise.
std::size_t PixelsStart(std::span<const std::uint8_t> bytes, std::uint32_t width,
                        std::uint32_t records, std::size_t plain, std::size_t row) {
  if (records < 1) return plain;
  ByteReader record(bytes);
  record.Seek(kRawHeaderWords * 4);
  const std::uint32_t last_column = record.U32();
  record.U32();
  const std::uint64_t from_4 = record.U32();
  const bool copied = record.ok() && last_column == width - 1 && from_4 + 4 == plain + row;
  return copied ? plain + row : plain;
}

}  // namespace

Result<TextureImage> ReadRawTexture(std::vector<std::uint8_t> bytes, RawTextureKind kind) {
  ByteReader reader(bytes);
  const std::uint32_t marker_at = reader.U32();
  reader.U32();
  const std::uint32_t width = reader.U32();
  const std::uint32_t height = reader.U32();
  const std::uint32_t records = reader.U32();
  reader.U32();
  if (!reader.ok()) return Status::Corruption("cut short inside its header");
  if (width < 1 || height < 1 || width > kMaxTextureSide || height > kMaxTextureSide) {
    return Status::Corruption("its size is out of range");
  }
  // The records must lie inside the file, which also keeps the product from overflowing.
  if (records > bytes.size() / kRawRecordSize)
    return Status::Corruption("its records run past the file");
  TextureImage image;
  image.width = static_cast<std::int32_t>(width);
  image.height = static_cast<std::int32_t>(height);
  const std::size_t row = kind == RawTextureKind::k8Bit    ? width
                          : kind == RawTextureKind::k16Bit ? std::size_t{width} * 2
                                                           : width / 2;
  image.pixels_at = PixelsStart(bytes, width, records,
                                (static_cast<std::size_t>(records) + 2) * kRawRecordSize, row);
  switch (kind) {
    case RawTextureKind::k8Bit:
      image.bits_per_pixel = 8;
      break;
    case RawTextureKind::k16Bit:
      image.bits_per_pixel = 16;
      break;
    case RawTextureKind::k4Bit: {
      image.bits_per_pixel = 4;
      image.palette_at = image.pixels_at + static_cast<std::size_t>(width / 2) * height;
      ByteReader marker(bytes);
      marker.Seek(marker_at);
      const std::uint32_t value = marker.U32();
      // A marker outside the file says nothing about the texture: it is refused.
      if (!marker.ok()) return Status::Corruption("its transparency marker lies outside the file");
      image.transparent = value == 1;
      image.palette_bits = image.transparent ? 15 : 16;
      break;
    }
  }
  image.buffer = std::move(bytes);
  if (!LevelsFit(image)) return Status::Corruption("its pixels run past the file");
  return image;
}

std::vector<std::uint8_t> BuildRawTexture(RawTextureKind kind, std::uint32_t width,
                                          std::uint32_t height,
                                          const std::vector<std::uint8_t>& pixels,
                                          const std::vector<std::uint16_t>& palette,
                                          bool transparent) {
  constexpr std::uint32_t kRecords = 1;
  const std::uint32_t pixels_at = (kRecords + 2) * kRawRecordSize;
  ByteWriter out;
  // The transparency marker sits in the first record, as the source games keep it.
  out.U32(kRawHeaderWords * 4);
  out.U32(0);
  out.U32(width);
  out.U32(height);
  out.U32(kRecords);
  out.U32(0);
  out.U32(kind == RawTextureKind::k4Bit && transparent ? 1 : 0);
  out.Fill(pixels_at - out.size(), 0);
  out.Bytes(pixels);
  if (kind == RawTextureKind::k4Bit) {
    for (std::size_t i = 0; i < 16; ++i) out.U16(i < palette.size() ? palette[i] : 0);
  }
  return out.Take();
}

}  // namespace velmora
