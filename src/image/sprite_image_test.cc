#include "image/sprite_image.h"

#include <gtest/gtest.h>

#include <limits>

#include "image/mip_file.h"
#include "image/srb_file.h"
#include "samples/image_builders.h"
#include "testing/corruption.h"

namespace velmora {
namespace {

struct WrittenSprite {
  SpriteHeader header;
  TextureImage texture;
  std::size_t size = 0;
};

WrittenSprite ReadBack(std::vector<std::uint8_t> bytes) {
  WrittenSprite out;
  out.size = bytes.size();
  Result<SpriteHeader> header = ReadSrbHeader(bytes);
  EXPECT_TRUE(header);
  if (header) out.header = *header;
  EXPECT_EQ(bytes.at(8), 84);
  Result<TextureImage> texture = ReadMip(std::move(bytes), kSrbTextureAt);
  EXPECT_TRUE(texture);
  if (texture) out.texture = std::move(*texture);
  return out;
}

std::uint16_t At(const TextureImage& t, int x, int y) {
  const std::uint8_t* p = t.Level(0).data() + (y * t.width + x) * 2;
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

TexturePalette CartPalette() {
  TexturePalette palette;
  palette.LoadBytes(nullptr, 0);  // fragment A: index 34 black, 35 white
  return palette;
}

TEST(SpriteImageTest, SixteenBitKindGetsPowerOfTwoStrictlyAbove) {
  TexturePalette palette = CartPalette();
  SpriteImage sprite(palette);
  ASSERT_TRUE(sprite
                  .ParseCart(samples::BuildP16(64, 64, 10, -5,
                                               [](int x, int y) {
                                                 return static_cast<std::uint16_t>(0x8000 | x << 5 |
                                                                                   y);
                                               }),
                             "/t/FLAG.P16")
                  .ok());
  EXPECT_EQ(sprite.CartExtent(), (std::pair<int, int>{64, 64}));
  WrittenSprite out = ReadBack(sprite.BuildCart());
  EXPECT_EQ(out.texture.width, 128);
  EXPECT_EQ(out.texture.height, 128);
  EXPECT_EQ(out.size, 192u + 128 * 128 * 2);
  EXPECT_EQ(out.header, (SpriteHeader{3.0f, 3.0f, 128.0f, 128.0f, 10.0f, -5.0f}));
  EXPECT_EQ(out.texture.mip_type, kMipType16BitTransparent);
  EXPECT_EQ(out.texture.mip_flags, 3);
  EXPECT_EQ(At(out.texture, 63, 63), 0x8000 | 63 << 5 | 63);
  EXPECT_EQ(At(out.texture, 64, 0), 0);  // the rest is transparent
  EXPECT_EQ(At(out.texture, 0, 64), 0);
}

TEST(SpriteImageTest, RunKindBoundsAndOrigin) {
  TexturePalette palette = CartPalette();
  SpriteImage sprite(palette);
  ASSERT_TRUE(
      sprite
          .ParseCart(samples::BuildPmp({{0, 10, 40, 35}, {63, 20, 30, 34}, {5, 12, 12, 44}}),
                     "/t/tree.pmp")
          .ok());
  WrittenSprite out = ReadBack(sprite.BuildCart());
  EXPECT_EQ(out.texture.width, 32);   // above 40 - 10 = 30
  EXPECT_EQ(out.texture.height, 64);  // above 63 - 0 = 63
  EXPECT_EQ(out.header, (SpriteHeader{3.0f, 3.0f, 32.0f, 64.0f, 117.0f, 127.0f}));
  EXPECT_EQ(At(out.texture, 0, 0), 0xFFFF);   // white: 0x8000 | 5-5-5
  EXPECT_EQ(At(out.texture, 30, 0), 0xFFFF);  // the run's last column, 40
  EXPECT_EQ(At(out.texture, 31, 0), 0);
  EXPECT_EQ(At(out.texture, 10, 63), 0);  // black is transparent
  EXPECT_EQ(At(out.texture, 2, 5), 0x8000 | (0x63 >> 3) << 10 | (0x63 >> 3) << 5 | 0x63 >> 3);
}

TEST(SpriteImageTest, FourBitKindThroughItsOwnPalette) {
  TexturePalette palette = CartPalette();
  SpriteImage sprite(palette);
  ASSERT_TRUE(
      sprite
          .ParseCart(samples::BuildPm4(10, 3, 5, 3,
                                       [](int x, int) { return static_cast<std::uint8_t>(x % 3); },
                                       {0x0000, 0xFC00, 0x83E0}),
                     "/t/m.pm4")
          .ok());
  WrittenSprite out = ReadBack(sprite.BuildCart());
  EXPECT_EQ(out.texture.width, 16);
  EXPECT_EQ(out.texture.height, 4);
  EXPECT_EQ(At(out.texture, 0, 0), 0);
  EXPECT_EQ(At(out.texture, 1, 2), 0xFC00);
  EXPECT_EQ(At(out.texture, 5, 0), 0x83E0);
}

TEST(SpriteImageTest, NSeriesSpriteFoldsTallRowsAndPadsWidth) {
  TexturePalette palette = CartPalette();
  SpriteImage sprite(palette);
  // Even rows white, odd rows index 44: with f = 2 every second (odd) row survives.
  ASSERT_TRUE(sprite
                  .ParseNSeries(samples::BuildNSeriesSrb(
                      40, 512, 39370, 19685, 20, 500, 0,
                      [](int x, int y) {
                        return static_cast<std::uint8_t>(x == 0 ? 34 : y % 2 ? 44 : 35);
                      }))
                  .ok());
  EXPECT_EQ(sprite.NSeriesSize(), (std::pair<std::int32_t, std::int32_t>{39370, 19685}));
  std::vector<std::uint8_t> bytes = sprite.BuildNSeries();
  WrittenSprite out = ReadBack(bytes);
  EXPECT_EQ(out.texture.width, 64);
  EXPECT_EQ(out.texture.height, 256);
  EXPECT_EQ(bytes[96 + 25], 6);  // MPHD width_log2, behind the sprite headers
  EXPECT_EQ(bytes[96 + 29], 8);  // MPHD height_log2
  EXPECT_EQ(out.header, (SpriteHeader{2.0f, 1.0f, 40.0f, 512.0f, 20.0f, 500.0f}));
  const std::uint16_t grey = 0x8000 | (0x63 >> 3) << 10 | (0x63 >> 3) << 5 | 0x63 >> 3;
  for (int y = 0; y < 256; ++y) ASSERT_EQ(At(out.texture, 1, y), grey) << y;
  EXPECT_EQ(At(out.texture, 0, 0), 0);   // black transparent
  EXPECT_EQ(At(out.texture, 40, 0), 0);  // beyond the picture's width
}

TEST(SpriteImageTest, NSeriesHalfWidthMode) {
  TexturePalette palette = CartPalette();
  SpriteImage sprite(palette);
  ASSERT_TRUE(sprite
                  .ParseNSeries(samples::BuildNSeriesSrb(
                      5, 2, 19685, 19685, 0, 0, 1,
                      [](int x, int) { return static_cast<std::uint8_t>(x < 2 ? 35 : 44); }))
                  .ok());
  WrittenSprite out = ReadBack(sprite.BuildNSeries());
  EXPECT_EQ(out.texture.width, 8);
  EXPECT_EQ(At(out.texture, 0, 0), 0xFFFF);
  EXPECT_EQ(At(out.texture, 1, 0), 0xFFFF);
  EXPECT_NE(At(out.texture, 5, 0), 0);  // third byte covers pixels 4 and 5
  EXPECT_EQ(At(out.texture, 6, 0), 0);
}

TEST(SpriteImageTest, HeaderLayoutSpriteReadThroughItsTexture) {
  const std::vector<std::uint32_t> cmap = {0x00000000, 0xFF0060FF, 0xFFFFFFFF};
  MipOut mip;
  mip.type = kMipType4BitTransparent;
  mip.width_log2 = mip.height_log2 = 3;
  std::array<std::uint8_t, 64> entries{};
  for (std::size_t i = 0; i < cmap.size(); ++i) {
    for (int b = 0; b < 4; ++b) entries[4 * i + b] = static_cast<std::uint8_t>(cmap[i] >> (8 * b));
  }
  mip.colour_map = entries;
  std::vector<std::uint8_t> pixels(32, 0x12);
  mip.levels.push_back({8, 8, 4, pixels});
  const std::vector<std::uint8_t> file =
      BuildSrb(SpriteHeader{1.0f, 1.0f, 8.0f, 8.0f, 4.5f, 7.9f}, mip);
  EXPECT_EQ(file[8], 84);
  TexturePalette palette = CartPalette();
  SpriteImage sprite(palette);
  ASSERT_TRUE(sprite.ParseNSeries(file).ok());
  WrittenSprite out = ReadBack(sprite.BuildNSeries());
  EXPECT_EQ(out.header.origin_x, 4.0f);
  EXPECT_EQ(out.header.origin_y, 7.0f);
  EXPECT_EQ(out.header.scale_x, 200000.0f / 19685.0f);
  EXPECT_EQ(At(out.texture, 0, 0), 0x8000 | 12 << 5 | 31);  // CMAP entry 1: B ff, G 60, R 0
  EXPECT_EQ(At(out.texture, 1, 0), 0xFFFF);
}

// Odd heights above 256 fold into H / f rows; the source rows past them are dropped, and of
// the rows that share an output row the later one is the one kept.
TEST(SpriteImageTest, OddTallSpritesKeepTheirLastFittingRow) {
  TexturePalette palette = CartPalette();
  for (int height : {257, 259, 513}) {
    SCOPED_TRACE(height);
    const int f = 2;  // 257 to 513 rows all halve once
    const int rows = height / f;
    const int last_kept = rows * f - 1;
    SpriteImage sprite(palette);
    ASSERT_TRUE(sprite.ParseNSeries(samples::BuildNSeriesSrb(
        1, height, 19685, 19685, 0, 0, 0,
        [&](int, int y) { return static_cast<std::uint8_t>(y == last_kept ? 35 : 44); })).ok());
    WrittenSprite out = ReadBack(sprite.BuildNSeries());
    ASSERT_EQ(out.texture.height, rows);
    EXPECT_EQ(out.size, 192u + 2u * rows);
    EXPECT_EQ(At(out.texture, 0, rows - 1), 0xFFFF);
    EXPECT_NE(At(out.texture, 0, rows - 2), 0xFFFF);
  }
}

// The fuzzer's minimised input that wrote a row past the sprite's pixels: the sprite target's
// kind byte 0 (N-series), then a sprite one pixel wide and 257 rows high.
TEST(SpriteImageTest, MinimisedTallSpriteWritesInsideItsRows) {
  std::vector<std::uint8_t> input = {0};
  const std::vector<std::uint8_t> file =
      samples::BuildNSeriesSrb(1, 257, 0, 0, 0, 0, 0, [](int, int) { return std::uint8_t{0}; });
  input.insert(input.end(), file.begin(), file.end());
  ASSERT_EQ(input.size(), 402u);
  TexturePalette palette = CartPalette();
  SpriteImage sprite(palette);
  ASSERT_TRUE(sprite.ParseNSeries(std::vector<std::uint8_t>(input.begin() + 1, input.end())).ok());
  EXPECT_EQ(ReadBack(sprite.BuildNSeries()).texture.height, 128);
}

MipOut SixteenBitSquare(std::uint32_t side_log2, std::vector<std::uint8_t>& pixels) {
  const std::uint32_t side = 1u << side_log2;
  pixels.assign(side * side * 2, 0);
  for (std::uint32_t y = 0; y < side; ++y) {
    for (std::uint32_t x = 0; x < side; ++x) {
      const std::uint16_t v = static_cast<std::uint16_t>(0x8000 | (y % 32) << 5 | (x % 32));
      pixels[(y * side + x) * 2] = static_cast<std::uint8_t>(v);
      pixels[(y * side + x) * 2 + 1] = static_cast<std::uint8_t>(v >> 8);
    }
  }
  MipOut mip;
  mip.type = kMipType16BitTransparent;
  mip.width_log2 = mip.height_log2 = side_log2;
  mip.levels.push_back({side, side, side * 2, pixels});
  return mip;
}

// In the header layout the sprite header, not the texture behind it, gives the picture's size:
// the texture lends its pixels where it has them, the rest is transparent.
TEST(SpriteImageTest, HeaderLayoutSizeComesFromTheSpriteHeader) {
  std::vector<std::uint8_t> pixels;
  const MipOut mip = SixteenBitSquare(6, pixels);
  TexturePalette palette = CartPalette();
  {
    SpriteImage sprite(palette);
    ASSERT_TRUE(sprite.ParseNSeries(BuildSrb(SpriteHeader{1, 1, 48, 48, 24, 40}, mip)).ok());
    WrittenSprite out = ReadBack(sprite.BuildNSeries());
    EXPECT_EQ(out.header.width, 48.0f);
    EXPECT_EQ(out.header.height, 48.0f);
    EXPECT_EQ(out.texture.width, 64);
    EXPECT_EQ(out.texture.height, 48);
    EXPECT_EQ(out.size, 192u + 64u * 48u * 2u);
    EXPECT_EQ(At(out.texture, 47, 47), 0x8000 | 15 << 5 | 15);
    EXPECT_EQ(At(out.texture, 0, 0), 0x8000);
    EXPECT_EQ(At(out.texture, 48, 0), 0);  // beyond the header's width
  }
  {
    // Taller than its texture: the missing rows are transparent.
    SpriteImage sprite(palette);
    ASSERT_TRUE(sprite.ParseNSeries(BuildSrb(SpriteHeader{1, 1, 40, 80, 0, 0}, mip)).ok());
    WrittenSprite out = ReadBack(sprite.BuildNSeries());
    EXPECT_EQ(out.header.height, 80.0f);
    EXPECT_EQ(out.texture.width, 64);
    EXPECT_EQ(out.texture.height, 80);
    EXPECT_EQ(At(out.texture, 39, 63), 0x8000 | 31 << 5 | 7);
    EXPECT_EQ(At(out.texture, 0, 64), 0);
    EXPECT_EQ(At(out.texture, 39, 79), 0);
  }
  for (float bad : {0.0f, -4.0f, 1e12f, std::numeric_limits<float>::quiet_NaN()}) {
    SpriteImage sprite(palette);
    EXPECT_FALSE(sprite.ParseNSeries(BuildSrb(SpriteHeader{1, 1, bad, 16, 0, 0}, mip)).ok()) << bad;
  }
}

TEST(SpriteImageTest, HostileFilesRefused) {
  TexturePalette palette = CartPalette();
  struct Case {
    const char* path;
    std::vector<std::uint8_t> bytes;
  };
  const std::vector<Case> cases = {
      {"a.pmp", samples::BuildPmp({{1, 2, 3, 4}, {5, 6, 7, 8}})},
      {"a.p16", samples::BuildP16(9, 7, 0, 0, [](int, int) { return std::uint16_t{1}; })},
      {"a.pm4", samples::BuildPm4(9, 7, 0, 0, [](int, int) { return std::uint8_t{1}; }, {})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    SpriteImage whole(palette);
    EXPECT_TRUE(whole.ParseCart(c.bytes, c.path).ok());
    // The run list's length, the rows and the palette all have to be there.
    testkit::ExpectEveryCutRefused(
        [&](std::vector<std::uint8_t> bytes) {
          SpriteImage sprite(palette);
          return sprite.ParseCart(std::move(bytes), c.path).ok() && !sprite.BuildCart().empty();
        },
        c.bytes);
  }
  const std::vector<std::uint8_t> srb =
      samples::BuildNSeriesSrb(7, 9, 1, 1, 0, 0, 0, [](int, int) { return std::uint8_t{5}; });
  const testkit::Reader parse_srb = [&](std::vector<std::uint8_t> bytes) {
    SpriteImage sprite(palette);
    return sprite.ParseNSeries(std::move(bytes)).ok() && !sprite.BuildNSeries().empty();
  };
  testkit::ExpectEveryCutRefused(parse_srb, srb);
  testkit::ExpectRefused(parse_srb, testkit::WithU32(srb, 40, 0x00FFFFFF), "width - 1 absurd");
  testkit::ExpectRefused(parse_srb, testkit::WithU32(srb, 44, 0x7FFFFFFF), "height - 1 absurd");
  // Whatever a header word says, the converted sprite is built inside the file's bytes.
  testkit::ReadEveryBitFlip(parse_srb, srb, 0, kNSeriesPixelsAt);
}

}  // namespace
}  // namespace velmora
