#include "image/ico_file.h"

#include "platform/byte_writer.h"

namespace velmora {

namespace {

std::size_t MaskRowBytes(int size) { return static_cast<std::size_t>((size + 31) / 32) * 4; }

std::size_t ImageBytes(int size) {
  const auto side = static_cast<std::size_t>(size);
  return kIcoBitmapHeaderSize + side * side * 4 + MaskRowBytes(size) * side;
}

void WriteImage(ByteWriter& out, const IcoImage& image) {
  const int size = image.size;
  out.U32(kIcoBitmapHeaderSize);
  out.I32(size);
  out.I32(size * 2);  // the colour rows and the mask rows
  out.U16(1);         // planes
  out.U16(32);        // bits per pixel
  out.U32(0);         // uncompressed
  out.U32(static_cast<std::uint32_t>(ImageBytes(size) - kIcoBitmapHeaderSize));
  out.I32(0);
  out.I32(0);
  out.U32(0);
  out.U32(0);
  for (int y = size - 1; y >= 0; --y) {
    for (int x = 0; x < size; ++x) out.U32(image.argb[static_cast<std::size_t>(y * size + x)]);
  }
  for (int y = size - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(MaskRowBytes(size), 0);
    for (int x = 0; x < size; ++x) {
      if ((image.argb[static_cast<std::size_t>(y * size + x)] >> 24) == 0) {
        row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      }
    }
    out.Bytes(row);
  }
}

}  // namespace

std::vector<std::uint8_t> WriteIcoFile(std::span<const IcoImage> images) {
  ByteWriter out;
  out.U16(0);
  out.U16(1);
  out.U16(static_cast<std::uint16_t>(images.size()));
  std::size_t offset = kIcoHeaderSize + kIcoEntrySize * images.size();
  for (const IcoImage& image : images) {
    const auto side = static_cast<std::uint8_t>(image.size == kIcoMaxSize ? 0 : image.size);
    out.U8(side);
    out.U8(side);
    out.U8(0);
    out.U8(0);
    out.U16(1);
    out.U16(32);
    out.U32(static_cast<std::uint32_t>(ImageBytes(image.size)));
    out.U32(static_cast<std::uint32_t>(offset));
    offset += ImageBytes(image.size);
  }
  for (const IcoImage& image : images) WriteImage(out, image);
  return out.Take();
}

}  // namespace velmora
