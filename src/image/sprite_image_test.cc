#include "image/sprite_image.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <tuple>

#include "image/mip_file.h"
#include "image/srb_file.h"
#include "samples/image_builders.h"
#include "testing/corruption.h"

namespace velmora {
namespace {

struct WrittenSprite {
  std::vector<std::uint8_t> bytes;
  SpriteHeader header;
  TextureImage texture;
  std::pair<int, int> extent;  // CartExtent or NSeriesSize
};

// Parses the sprite (an N-series one when `path` is empty), converts it over fragment A
// (index 34 black, 35 white) and reads the written file back.
WrittenSprite Convert(std::vector<std::uint8_t> file, const char* path = "") {
  TexturePalette palette;
  palette.LoadBytes(nullptr, 0);
  SpriteImage sprite(palette);
  const bool cart = *path != 0;
  EXPECT_TRUE((cart ? sprite.ParseCart(std::move(file), path) : sprite.ParseNSeries(file)).ok());
  WrittenSprite out;
  out.bytes = cart ? sprite.BuildCart() : sprite.BuildNSeries();
  out.extent = cart ? sprite.CartExtent() : sprite.NSeriesSize();
  Result<SpriteHeader> header = ReadSrbHeader(out.bytes);
  EXPECT_TRUE(header);
  if (header) out.header = *header;
  EXPECT_EQ(out.bytes.at(8), 84);
  Result<TextureImage> texture = ReadMip(out.bytes, kSrbTextureAt);
  EXPECT_TRUE(texture);
  if (texture) out.texture = std::move(*texture);
  return out;
}

std::uint16_t At(const TextureImage& t, int x, int y) {
  const std::uint8_t* p = t.Level(0).data() + (y * t.width + x) * 2;
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

constexpr std::uint16_t kWhite = 0xFFFF;  // 0x8000 | 5-5-5
constexpr std::uint16_t kGrey = 0x8000 | (0x63 >> 3) << 10 | (0x63 >> 3) << 5 | 0x63 >> 3;

struct Probe {
  int x, y;
  std::uint16_t pixel;
};

// Converts the sprite (an N-series one when `path` is empty) and holds the texture written
// against its size and the pixels probed; the header too when there is one to hold.
void ExpectWritten(const char* name, const std::vector<std::uint8_t>& file, const char* path,
                   int width, int height, std::optional<SpriteHeader> header,
                   const std::vector<Probe>& probes) {
  SCOPED_TRACE(name);
  const WrittenSprite out = Convert(file, path);
  EXPECT_EQ(
      std::tuple(out.texture.width, out.texture.height, out.bytes.size(), out.texture.mip_type),
      std::tuple(width, height, 192u + 2u * width * height, kMipType16BitTransparent));
  if (header) {
    EXPECT_EQ(out.header, *header);
  }
  for (const Probe& p : probes) {
    EXPECT_EQ(At(out.texture, p.x, p.y), p.pixel) << p.x << ", " << p.y;
  }
}

// The texture is the power of two strictly above the picture; what the picture leaves is
// transparent, and so is black.
TEST(SpriteImageTest, CartKindsBoundsAndOrigin) {
  const auto p16 = samples::BuildP16(
      64, 64, 10, -5, [](int x, int y) { return static_cast<std::uint16_t>(0x8000 | x << 5 | y); });
  const auto pmp = samples::BuildPmp({{0, 10, 40, 35}, {63, 20, 30, 34}, {5, 12, 12, 44}});
  const auto pm4 =
      samples::BuildPm4(10, 3, 5, 3, [](int x, int) { return static_cast<std::uint8_t>(x % 3); },
                        {0x0000, 0xFC00, 0x83E0});
  ExpectWritten("16-bit", p16, "/t/FLAG.P16", 128, 128, SpriteHeader{3, 3, 128, 128, 10, -5},
                {{63, 63, 0x8000 | 63 << 5 | 63}, {64, 0, 0}, {0, 64, 0}});
  ExpectWritten("runs", pmp, "/t/tree.pmp", 32, 64, SpriteHeader{3, 3, 32, 64, 117, 127},
                {{0, 0, kWhite}, {30, 0, kWhite}, {31, 0, 0}, {10, 63, 0}, {2, 5, kGrey}});
  ExpectWritten("4-bit through its own palette", pm4, "/t/m.pm4", 16, 4, std::nullopt,
                {{0, 0, 0}, {1, 2, 0xFC00}, {5, 0, 0x83E0}});
  const WrittenSprite flag = Convert(p16, "/t/FLAG.P16");
  EXPECT_EQ(std::tuple(flag.extent.first, flag.extent.second, flag.texture.mip_flags),
            std::tuple(64, 64, 3));
}

// A header-layout sprite: the sprite header, not the texture behind it, gives the picture's
// size; the texture lends its pixels where it has them, the rest is transparent.
TEST(SpriteImageTest, NSeriesKindsAndTheHeaderLayout) {
  const std::vector<std::uint8_t> nibbles(32, 0x12);
  const MipOut four{.type = kMipType4BitTransparent,
                    .width_log2 = 3,
                    .height_log2 = 3,  // CMAP entry 1: B ff, G 60, R 0
                    .colour_map = std::array<std::uint8_t, 64>{0, 0, 0, 0, 0xFF, 0x60, 0, 0xFF,
                                                               0xFF, 0xFF, 0xFF, 0xFF},
                    .levels = {{8, 8, 4, nibbles}}};
  std::vector<std::uint8_t> pixels;
  for (std::uint32_t i = 0; i < 64 * 64; ++i) {
    const std::uint32_t v = 0x8000 | (i / 64 % 32) << 5 | (i % 32);
    pixels.insert(pixels.end(), {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)});
  }
  const MipOut square = SpriteTexture(64, 64, 6, pixels);
  // Even rows white, odd rows index 44: with f = 2 every second (odd) row survives.
  const auto tall = samples::BuildNSeriesSrb(40, 512, 39370, 19685, 20, 500, 0, [](int x, int y) {
    return static_cast<std::uint8_t>(x == 0 ? 34 : y % 2 ? 44 : 35);
  });
  const auto half = samples::BuildNSeriesSrb(5, 2, 19685, 19685, 0, 0, 1, [](int x, int) {
    return static_cast<std::uint8_t>(x < 2 ? 35 : 44);
  });
  const float scale = 200000.0f / 19685.0f;
  ExpectWritten(
      "tall rows fold, the width pads", tall, "", 64, 256, SpriteHeader{2, 1, 40, 512, 20, 500},
      {{1, 0, kGrey}, {1, 1, kGrey}, {1, 2, kGrey}, {1, 255, kGrey}, {0, 0, 0}, {40, 0, 0}});
  ExpectWritten("half width: one byte for two pixels", half, "", 8, 2, std::nullopt,
                {{0, 0, kWhite}, {1, 0, kWhite}, {5, 0, kGrey}, {6, 0, 0}});
  ExpectWritten("header layout through its 4-bit texture", BuildSrb({1, 1, 8, 8, 4.5f, 7.9f}, four),
                "", 8, 8, SpriteHeader{scale, scale, 8, 8, 4, 7},
                {{0, 0, 0x8000 | 12 << 5 | 31}, {1, 0, kWhite}});
  ExpectWritten("header smaller than its texture", BuildSrb({1, 1, 48, 48, 24, 40}, square), "", 64,
                48, std::nullopt, {{47, 47, 0x8000 | 15 << 5 | 15}, {0, 0, 0x8000}, {48, 0, 0}});
  ExpectWritten("header taller than its texture", BuildSrb({1, 1, 40, 80, 0, 0}, square), "", 64,
                80, std::nullopt, {{39, 63, 0x8000 | 31 << 5 | 7}, {0, 64, 0}, {39, 79, 0}});
  EXPECT_EQ(Convert(tall).extent, (std::pair<int, int>{39370, 19685}));
  for (float bad : {0.0f, -4.0f, 1e12f, std::numeric_limits<float>::quiet_NaN()}) {
    TexturePalette palette;
    SpriteImage sprite(palette);
    EXPECT_FALSE(sprite.ParseNSeries(BuildSrb(SpriteHeader{1, 1, bad, 16, 0, 0}, square)).ok())
        << bad;
  }
}

// Odd heights above 256 fold into H / f rows; the source rows past them are dropped, and of
// the rows that share an output row the later one is the one kept.
TEST(SpriteImageTest, OddTallSpritesKeepTheirLastFittingRow) {
  // 513 rows, the most that halve once: row 511 is the last kept, row 512 is dropped.
  const WrittenSprite out =
      Convert(samples::BuildNSeriesSrb(1, 513, 19685, 19685, 0, 0, 0, [&](int, int y) {
        return static_cast<std::uint8_t>(y == 511 ? 35 : 44);
      }));
  ASSERT_EQ(out.texture.height, 256);
  EXPECT_EQ(At(out.texture, 0, 255), kWhite);
  EXPECT_NE(At(out.texture, 0, 254), kWhite);
  // The fuzzer's minimised input that wrote a row past the sprite's pixels: the sprite target's
  // kind byte 0 (N-series), then this sprite, one pixel wide and 257 rows high, of 401 bytes.
  const std::vector<std::uint8_t> minimised =
      samples::BuildNSeriesSrb(1, 257, 0, 0, 0, 0, 0, [](int, int) { return std::uint8_t{0}; });
  EXPECT_EQ(Convert(minimised).texture.height, 128);
}

TEST(SpriteImageTest, HostileFilesRefused) {
  TexturePalette palette;
  palette.LoadBytes(nullptr, 0);
  const std::pair<const char*, std::vector<std::uint8_t>> cases[] = {
      {"a.pmp", samples::BuildPmp({{1, 2, 3, 4}, {5, 6, 7, 8}})},
      {"a.p16", samples::BuildP16(9, 7, 0, 0, [](int, int) { return std::uint16_t{1}; })},
      {"a.pm4", samples::BuildPm4(9, 7, 0, 0, [](int, int) { return std::uint8_t{1}; }, {})},
  };
  for (const auto& [path, file] : cases) {
    SCOPED_TRACE(path);
    // The run list's length, the rows and the palette all have to be there.
    testkit::ExpectEveryCutRefused(
        [&](std::vector<std::uint8_t> bytes) {
          SpriteImage sprite(palette);
          return sprite.ParseCart(std::move(bytes), path).ok() && !sprite.BuildCart().empty();
        },
        file);
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
