#include "image/page_image.h"

#include "format/chunk_file.h"
#include "image/mip_file.h"
#include "image/texture_image.h"
#include "platform/byte_reader.h"
#include "platform/byte_writer.h"

namespace velmora {

namespace {

constexpr std::size_t kPageHeaderAt = kChunkHeaderSize;
constexpr std::size_t kPageDataAt = 40;
constexpr std::uint16_t kBitmapMagic = 0x4D42;  // "BM"

std::size_t BitmapStride(int width) {
  return static_cast<std::size_t>((static_cast<std::int64_t>(width) + 1) * 3 / 4 * 4);
}

bool SaneSide(std::int64_t side) { return side > 0 && side <= kMaxTextureSide; }

}  // namespace

Result<PageImage> ReadPageImage(std::vector<std::uint8_t> bytes) {
  Result<Chunk> bitmap = ReadChunk(bytes, 0);
  Result<Chunk> header = ReadChunk(bytes, kPageHeaderAt);
  Result<Chunk> data = ReadChunk(bytes, kPageDataAt);
  if (!bitmap || !bitmap->Is(kTagBitmap) || !header || !header->Is(kTagBitmapHeader) ||
      header->size < kBitmapHeaderPayload || !data || !data->Is(kTagData)) {
    return Status::Corruption("not a page image: its headers are not BMAP, BMHD and DATA");
  }
  ByteReader reader(std::span<const std::uint8_t>(bytes).subspan(header->payload));
  PageImage page;
  reader.U8();  // type: the pixels are 5-6-5 whatever it says
  const std::uint32_t width = reader.U32();
  const std::uint32_t height = reader.U32();
  page.stride = reader.U32();
  if (!SaneSide(width) || !SaneSide(height) || page.stride < 2u * width ||
      page.stride > 4u * kMaxTextureSide) {
    return Status::Corruption("page image of " + std::to_string(width) + " x " +
                              std::to_string(height) + " pixels, stride " +
                              std::to_string(page.stride));
  }
  page.width = static_cast<int>(width);
  page.height = static_cast<int>(height);
  const std::uint64_t pixels = static_cast<std::uint64_t>(height) * page.stride;
  page.file_size = bitmap->size + kChunkHeaderSize;
  if (kPagePixelsAt + pixels > page.file_size) {
    return Status::Corruption("the page's pixels run past its BMAP chunk");
  }
  page.bytes = std::move(bytes);
  return page;
}

std::vector<std::uint8_t> BuildPageImage(int width, int height,
                                         std::span<const std::uint16_t> pixels) {
  const std::size_t stride = (static_cast<std::size_t>(width) * 2 + 3) / 4 * 4;
  ByteWriter out;
  {
    ChunkScope bitmap(out, kTagBitmap);
    ByteWriter header;
    header.U8(kPageType);
    header.U32(static_cast<std::uint32_t>(width));
    header.U32(static_cast<std::uint32_t>(height));
    header.U32(static_cast<std::uint32_t>(stride));
    header.U8(0);
    WriteLeafChunk(out, kTagBitmapHeader, header.bytes());
    ChunkScope data(out, kTagData);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) out.U16(pixels[static_cast<std::size_t>(y) * width + x]);
      out.Fill(stride - static_cast<std::size_t>(width) * 2, 0);
    }
  }
  return out.Take();
}

PixelCanvas BitmapImage::Canvas() {
  return {std::span<std::uint8_t>(bytes).subspan(pixels_at), width, height, stride, true};
}

Result<BitmapImage> ReadBitmap(std::vector<std::uint8_t> bytes) {
  ByteReader reader(bytes);
  const std::uint16_t magic = reader.U16();
  reader.Seek(10);
  const std::uint32_t pixels_at = reader.U32();
  reader.Seek(18);
  const std::int32_t width = reader.I32();
  const std::int32_t height = reader.I32();
  reader.U16();  // planes
  const std::uint16_t bits = reader.U16();
  const std::uint32_t compression = reader.U32();
  if (!reader.ok() || magic != kBitmapMagic || bits != 24 || compression != 0) {
    return Status::Corruption("not an uncompressed 24-bit bitmap");
  }
  if (!SaneSide(width) || !SaneSide(height)) {
    return Status::Corruption("bitmap of " + std::to_string(width) + " x " +
                              std::to_string(height) + " pixels");
  }
  BitmapImage bitmap;
  bitmap.width = width;
  bitmap.height = height;
  bitmap.stride = BitmapStride(width);
  bitmap.pixels_at = pixels_at;
  if (pixels_at > bytes.size() ||
      bitmap.stride * static_cast<std::uint64_t>(height) > bytes.size() - pixels_at) {
    return Status::Corruption("the bitmap's rows run past the end of the file");
  }
  bitmap.bytes = std::move(bytes);
  return bitmap;
}

std::vector<std::uint8_t> BuildBitmap(int width, int height, std::span<const std::uint8_t> rgb) {
  const std::size_t stride = BitmapStride(width);
  const auto image_size = static_cast<std::uint32_t>(stride * static_cast<std::size_t>(height));
  ByteWriter out;
  out.U16(kBitmapMagic);
  out.U32(static_cast<std::uint32_t>(kBitmapHeaderSize) + image_size);
  out.U32(0);
  out.U32(static_cast<std::uint32_t>(kBitmapHeaderSize));
  out.U32(40);  // BITMAPINFOHEADER
  out.I32(width);
  out.I32(height);
  out.U16(1);
  out.U16(24);
  out.U32(0);
  out.U32(image_size);
  out.U32(2835);  // 72 dots per inch
  out.U32(2835);
  out.U32(0);
  out.U32(0);
  for (int row = height - 1; row >= 0; --row) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = rgb.data() + (static_cast<std::size_t>(row) * width + x) * 3;
      out.U8(p[2]);
      out.U8(p[1]);
      out.U8(p[0]);
    }
    out.Fill(stride - static_cast<std::size_t>(width) * 3, 0);
  }
  return out.Take();
}

void CopyBitmapIntoPage(const BitmapImage& bitmap, PageImage& page) {
  const int rows = std::min(bitmap.height, page.height);
  const int columns = std::min(bitmap.width, page.width);
  for (int r = 0; r < rows; ++r) {
    const std::uint8_t* source =
        bitmap.bytes.data() + bitmap.pixels_at +
        static_cast<std::size_t>(bitmap.height - 1 - r) * bitmap.stride;
    std::uint8_t* target = page.bytes.data() + kPagePixelsAt + static_cast<std::size_t>(r) * page.stride;
    for (int x = 0; x < columns; ++x) {
      const std::uint8_t* bgr = source + static_cast<std::size_t>(x) * 3;
      const std::uint16_t value = Rgb565(bgr[2], bgr[1], bgr[0]);
      target[2 * x] = static_cast<std::uint8_t>(value);
      target[2 * x + 1] = static_cast<std::uint8_t>(value >> 8);
    }
  }
}

int FitTitleHeight(TextDrawer& drawer, std::u32string_view text, int widest) {
  int height = kTallestTitle;
  while (height > 1 && drawer.Measure(text, height) > widest) --height;
  return height;
}

int DrawTitle(TextDrawer& drawer, std::u32string_view text, const TextPlacement& placement,
              PixelCanvas& canvas) {
  const int height = FitTitleHeight(drawer, text, placement.box_width);
  drawer.Draw(text, height, placement, canvas);
  return height;
}

}  // namespace velmora
