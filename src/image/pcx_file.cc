#include "image/pcx_file.h"

#include <algorithm>
#include <utility>

#include "platform/file_system.h"

namespace velmora {

namespace {

std::uint16_t U16At(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

// Fills `row` from the run-length data; false when the data ends first.
bool DecodeRow(ByteReader& reader, std::span<std::uint8_t> row) {
  std::size_t x = 0;
  while (x < row.size()) {
    const std::uint8_t byte = reader.U8();
    if (!reader.ok()) return false;
    if ((byte & 0xC0) == 0xC0) {
      const std::uint8_t value = reader.U8();
      if (!reader.ok()) return false;
      const std::size_t count = std::min<std::size_t>(byte & 63, row.size() - x);
      std::fill_n(row.begin() + static_cast<std::ptrdiff_t>(x), count, value);
      x += count;
    } else {
      row[x++] = byte;
    }
  }
  return true;
}

}  // namespace

bool IsTrueColourPcxHeader(std::span<const std::uint8_t> header) {
  if (header.size() <= kPcxPlanesAt) return false;
  return header[kPcxPlanesAt] * header[kPcxBitsPerPlaneAt] == 24;
}

bool IsTrueColourPcx(const std::filesystem::path& path) {
  std::optional<std::vector<std::uint8_t>> header = ReadFilePrefix(path, kPcxHeaderSize);
  return header && IsTrueColourPcxHeader(*header);
}

bool LooksLikePcx(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= 3 && bytes[0] == 10 && bytes[1] == 5 && bytes[2] == 1;
}

Result<TextureImage> ReadPcxTexture(std::vector<std::uint8_t> bytes) {
  if (!LooksLikePcx(bytes) || bytes.size() < kPcxHeaderSize)
    return Status::Corruption("not a PCX picture");
  if (bytes[kPcxPlanesAt] != 3 || bytes[kPcxBitsPerPlaneAt] != 8)
    return Status::Corruption("not a 24-bit picture");
  const int xmin = U16At(bytes, 4), ymin = U16At(bytes, 6);
  const int xmax = U16At(bytes, 8), ymax = U16At(bytes, 10);
  const std::size_t bytes_per_line = U16At(bytes, kPcxBytesPerLineAt);
  if (xmax < xmin || ymax < ymin) return Status::Corruption("its window is empty");
  TextureImage image;
  image.width = xmax - xmin + 1;
  image.height = ymax - ymin + 1;
  // Lines padded beyond the width are decoded whole and the padding dropped; shorter lines
  // cannot hold the picture.
  if (bytes_per_line < static_cast<std::size_t>(image.width))
    return Status::Corruption("its lines are shorter than its width");
  image.bits_per_pixel = 24;
  image.pcx_bytes_per_line = bytes_per_line;
  image.pixels_at = kPcxHeaderSize;
  image.buffer = std::move(bytes);
  PcxRowDecoder rows(image);
  for (std::int32_t y = 0; y < image.height; ++y) {
    if (rows.Next().empty()) return Status::Corruption("its rows end early");
  }
  return image;
}

PcxRowDecoder::PcxRowDecoder(const TextureImage& image)
    : reader_(std::span<const std::uint8_t>(image.buffer).subspan(image.pixels_at)),
      row_(3 * image.pcx_bytes_per_line) {}

std::span<const std::uint8_t> PcxRowDecoder::Next() {
  if (!DecodeRow(reader_, row_)) return {};
  return row_;
}

}  // namespace velmora
