#include "image/cart_sprite.h"

#include <algorithm>
#include <bit>

#include "image/srb_file.h"
#include "platform/byte_reader.h"

namespace velmora {

namespace {

constexpr int kRunOrigin = 127;
constexpr int kAnchorBias = 128;

std::size_t SixteenBitRowPixels(std::uint8_t w) { return (static_cast<std::size_t>(w) + 1) & ~1u; }
std::size_t FourBitRowPixels(std::uint8_t w) { return (static_cast<std::size_t>(w) + 7) & ~7u; }

struct RunRecord {
  int row, first, last;
  std::uint8_t index;
};

std::vector<RunRecord> RunsOf(const std::vector<std::uint8_t>& bytes) {
  ByteReader reader(bytes);
  reader.U32();
  const std::uint32_t length = reader.U32();
  reader.U32();
  std::vector<RunRecord> runs;
  if (!reader.ok() || length / kRunRecordSize > reader.remaining() / kRunRecordSize) return runs;
  runs.reserve(length / kRunRecordSize);
  for (std::uint32_t i = 0; i < length / kRunRecordSize; ++i) {
    RunRecord run;
    run.row = reader.U8();
    run.first = reader.U8();
    run.last = reader.U8();
    run.index = reader.U8();
    runs.push_back(run);
  }
  return runs;
}

class Canvas {
 public:
  Canvas(std::uint32_t width, std::uint32_t height)
      : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height * 2, 0) {}
  // Pixels outside the texture are dropped.
  void Put(std::int64_t x, std::int64_t y, std::uint16_t value) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    std::uint8_t* at = pixels_.data() + (static_cast<std::size_t>(y) * width_ + x) * 2;
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
  }
  const std::vector<std::uint8_t>& pixels() const { return pixels_; }

 private:
  std::int64_t width_, height_;
  std::vector<std::uint8_t> pixels_;
};

}  // namespace

CartSpriteKind CartSpriteKindOf(std::string_view lowered_path) {
  if (lowered_path.find(".pm4") != std::string_view::npos) return CartSpriteKind::kFourBit;
  if (lowered_path.find(".p16") != std::string_view::npos) return CartSpriteKind::kSixteenBit;
  return CartSpriteKind::kRuns;
}

std::pair<std::uint32_t, std::uint32_t> PowerOfTwoAbove(std::int32_t value) {
  if (value < 1) return {1, 0};
  const std::uint32_t power = std::bit_floor(static_cast<std::uint32_t>(value)) << 1;
  return {power, static_cast<std::uint32_t>(std::countr_zero(power))};
}

bool CartSpriteFits(const std::vector<std::uint8_t>& bytes, CartSpriteKind kind) {
  if (bytes.size() < kCartSpriteHeaderSize) return false;
  const std::size_t rows = bytes[1];
  const std::size_t available = bytes.size() - kCartSpriteHeaderSize;
  switch (kind) {
    case CartSpriteKind::kRuns:
      return !RunsOf(bytes).empty();
    case CartSpriteKind::kSixteenBit:
      return rows * SixteenBitRowPixels(bytes[0]) * 2 <= available;
    case CartSpriteKind::kFourBit:
      return rows * FourBitRowPixels(bytes[0]) / 2 + 32 <= available;
  }
  return false;
}

std::vector<std::uint8_t> BuildCartSprite(const std::vector<std::uint8_t>& bytes,
                                          CartSpriteKind kind, const TexturePalette& palette) {
  SpriteHeader header;
  header.scale_x = header.scale_y = kCartSpriteScale;
  std::uint32_t width, height, width_log2, height_log2;
  std::vector<std::uint8_t> pixels;
  if (kind == CartSpriteKind::kRuns) {
    const std::vector<RunRecord> runs = RunsOf(bytes);
    int r0 = 255, r1 = 0, c0 = 255, c1 = 0;
    for (const RunRecord& run : runs) {
      r0 = std::min(r0, run.row);
      r1 = std::max(r1, run.row);
      c0 = std::min(c0, run.first);
      c1 = std::max(c1, run.last);
    }
    c0 = std::min(c0, kRunOrigin);
    r0 = std::min(r0, kRunOrigin);
    std::tie(width, width_log2) = PowerOfTwoAbove(c1 - c0);
    std::tie(height, height_log2) = PowerOfTwoAbove(r1 - r0);
    Canvas canvas(width, height);
    for (const RunRecord& run : runs) {
      const std::uint16_t colour = palette.SixteenBitColour(run.index, true);
      for (int column = run.first; column <= run.last; ++column) {
        canvas.Put(column - c0, run.row - r0, colour);
      }
    }
    pixels = canvas.pixels();
    header.origin_x = static_cast<float>(kRunOrigin - c0);
    header.origin_y = static_cast<float>(kRunOrigin - r0);
  } else {
    const std::uint8_t w = bytes[0], h = bytes[1];
    std::tie(width, width_log2) = PowerOfTwoAbove(w);
    std::tie(height, height_log2) = PowerOfTwoAbove(h);
    Canvas canvas(width, height);
    ByteReader reader(bytes);
    reader.Seek(kCartSpriteHeaderSize);
    if (kind == CartSpriteKind::kSixteenBit) {
      const std::size_t row_pixels = SixteenBitRowPixels(w);
      for (std::size_t y = 0; y < h; ++y) {
        for (std::size_t x = 0; x < row_pixels; ++x) {
          canvas.Put(static_cast<std::int64_t>(x), static_cast<std::int64_t>(y), reader.U16());
        }
      }
    } else {
      const std::size_t row_bytes = FourBitRowPixels(w) / 2;
      ByteReader entries(bytes);
      entries.Seek(kCartSpriteHeaderSize + row_bytes * h);
      std::array<std::uint16_t, 16> palette16{};
      for (std::uint16_t& entry : palette16) entry = entries.U16();
      for (std::size_t y = 0; y < h; ++y) {
        for (std::size_t x = 0; x < row_bytes; ++x) {
          const std::uint8_t byte = reader.U8();
          canvas.Put(static_cast<std::int64_t>(2 * x), static_cast<std::int64_t>(y),
                     palette16[byte >> 4]);
          canvas.Put(static_cast<std::int64_t>(2 * x + 1), static_cast<std::int64_t>(y),
                     palette16[byte & 15]);
        }
      }
    }
    pixels = canvas.pixels();
    header.origin_x = static_cast<float>(bytes[2] - kAnchorBias);
    header.origin_y = static_cast<float>(bytes[3] - kAnchorBias);
  }
  header.width = static_cast<float>(width);
  header.height = static_cast<float>(height);
  return BuildSrb(header, SpriteTexture(width, height, height_log2, pixels));
}

}  // namespace velmora
