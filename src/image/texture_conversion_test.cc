#include "image/texture_conversion.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <tuple>
#include <utility>

#include "image/mip_file.h"
#include "image/pcx_file.h"
#include "platform/file_system.h"
#include "platform/temp_folder.h"
#include "samples/image_builders.h"
#include "testing/corruption.h"

namespace velmora {
namespace {

using samples::Rgb24;

// Converts and reads the written texture back; its `buffer` holds the written file.
TextureImage Convert(const TextureImage& image, TexturePalette& palette, const char* path,
                     bool sixteen_request = false) {
  Result<TextureImage> back = ReadMip(BuildConvertedTexture(image, palette, path, sixteen_request));
  EXPECT_TRUE(back);
  return back ? std::move(*back) : TextureImage{};
}

std::uint16_t Pixel16(const TextureImage& image, int x, int y) {
  const std::uint8_t* at = image.Level(0).data() + (y * image.width + x) * 2;
  return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

std::uint16_t Rgb565(unsigned r, unsigned g, unsigned b) {
  return static_cast<std::uint16_t>((r & 0xF8) << 8 | (g & 0xFC) << 3 | b >> 3);
}

std::uint8_t Nibble(const TextureImage& image, int x, int y) {
  const std::uint8_t byte = image.Level(0)[y * image.RowBytes(0) + x / 2];
  return x % 2 == 0 ? byte >> 4 : byte & 15;
}

// A palette whose index i is grey level i, loaded as a file would be.
TexturePalette GreyPalette() {
  std::vector<Rgb24> colours;
  for (int i = 0; i < 256; ++i) {
    const auto grey = static_cast<std::uint8_t>(i);
    colours.push_back(Rgb24{grey, grey, grey});
  }
  const std::vector<std::uint8_t> file = samples::BuildPalettePcx(colours);
  TexturePalette palette;
  palette.LoadBytes(&file, 1);
  return palette;
}

TextureImage Eight(int width, int height, const samples::IndexAt& index) {
  Result<TextureImage> image = ParseTexture(samples::BuildRaw8(width, height, index), "t.mip");
  EXPECT_TRUE(image);
  return std::move(*image);
}

// Too wide for 4 bits: 16 bits, columns folded by two with the later (odd) column kept. Odd
// widths fold to the quotient rounded up, so the last source column still lands in the row.
TEST(TextureConversionTest, WideEightBitGoesSixteenBitFoldingColumns) {
  TexturePalette palette = GreyPalette();
  for (int width : {320, 257, 513}) {
    SCOPED_TRACE(width);
    const TextureImage out =
        Convert(Eight(width, 200, [](int x, int) { return static_cast<std::uint8_t>(x); }), palette,
                "wall.mip");
    EXPECT_EQ((std::array<int, 4>{out.mip_type, out.mip_flags, out.width, out.height}),
              (std::array<int, 4>{kMipType16Bit, 3, 256, 128}));
    if (width != 320) continue;
    EXPECT_EQ(Pixel16(out, 5, 0), Rgb565(11, 11, 11));  // source column 11
    EXPECT_EQ(Pixel16(out, 200, 0), 0);                 // beyond width / f: cleared
  }
}

TEST(TextureConversionTest, TallTextureRowsSqueezed) {
  for (const auto& [rows, height] : {std::pair{300u, 256u}, {0u, 1u}, {1u, 1u}, {255u, 128u}}) {
    EXPECT_EQ(OutputHeight(rows), height) << rows;
  }
  TexturePalette palette = GreyPalette();
  // Row 1 lands on row 0 after row 0; row 298 lands on 254, not on 255.
  for (const auto& [marked, row] : {std::pair{1, 0}, {298, 254}, {299, 255}}) {
    SCOPED_TRACE(marked);
    const TextureImage out = Convert(
        Eight(256, 300,
              [marked](int, int y) { return static_cast<std::uint8_t>(y == marked ? 200 : 0); }),
        palette, "wall.mip");
    ASSERT_EQ(out.height, 256);
    std::set<int> rows;
    for (int y = 0; y < 256; ++y) {
      if (Nibble(out, 0, y) != 0) rows.insert(y);
    }
    EXPECT_EQ(rows, std::set<int>{row});
  }
  // The asphalt's rows are cropped, not squeezed: rows alternating two greys stay apart.
  const TextureImage asphalt = Convert(
      Eight(
          64, 300,
          [](int, int y) { return static_cast<std::uint8_t>(y < 256 ? (y % 2 ? 250 : 10) : 128); }),
      palette, "asphalt2.mip");
  ASSERT_EQ(asphalt.height, 256);
  for (int y = 0; y < 256; ++y) {
    ASSERT_NE(Nibble(asphalt, 0, y), Nibble(asphalt, 0, y ^ 1)) << y;
  }
}

TEST(TextureConversionTest, NameRules) {
  // Path, whether 16 bits are asked for, width; the MIP type and flags written.
  const std::tuple<const char*, bool, int, std::uint8_t, std::uint8_t> rows[] = {
      {"/gpl/tracks/x/page03.mip", true, 256, kMipType16Bit, 3},
      {"/gpl/tracks/x/asphalt.mip", true, 256, kMipType16Bit, 0},
      {"/gpl/tracks/x/skyindex.mip", true, 256, kMipType16Bit, 3},
      {"/gpl/tracks/x/sky1.mip", false, 256, kMipType4Bit, 3},
      {"/gpl/tracks/x/Sky1.mip", false, 256, kMipType4Bit, 0},  // the words are case-sensitive
      {"/gpl/tracks/x/tree2.mip", true, 256, kMipType4Bit, 3},
      {"/gpl/tracks/x/wall.mip", true, 256, kMipType4Bit, 0},
      {"grass.mip", false, 512, kMipType16Bit, 0},  // one of the 16-bit writer's own words
  };
  TexturePalette palette = GreyPalette();
  for (const auto& [path, sixteen_request, width, type, flags] : rows) {
    SCOPED_TRACE(std::string(path) + (sixteen_request ? " request" : ""));
    const TextureImage image =
        Eight(width, 8, [](int x, int y) { return static_cast<std::uint8_t>(x ^ y); });
    const TextureImage out = Convert(image, palette, path, sixteen_request);
    EXPECT_EQ(std::pair(out.mip_type, out.mip_flags), std::pair(type, flags));
  }
}

TEST(TextureConversionTest, IndexZeroStaysZeroInOpaqueTextures) {
  TexturePalette palette = GreyPalette();
  palette.SetColour(0, Rgb{255, 255, 255});  // even when index 0 is a bright colour
  const TextureImage image =
      Eight(16, 16, [](int x, int) { return static_cast<std::uint8_t>(x < 8 ? 0 : 255); });
  const TextureImage out = Convert(image, palette, "wall.mip");
  EXPECT_EQ(Nibble(out, 0, 0), 0);
  EXPECT_NE(Nibble(out, 8, 0), 0);
  // CMAP entry 0 is black and opaque.
  EXPECT_TRUE(std::ranges::equal(out.ColourMap().first(4), std::array<int, 4>{0, 0, 0, 255}));
}

TEST(TextureConversionTest, PopularityKeepsEarlierCellOnTiesAndSixteenPlaces) {
  TexturePalette palette = GreyPalette();
  palette.ResetHistogram();
  // Grey 80 (a later cell) counted first and as often as grey 40: the earlier cell wins.
  for (int i = 0; i < 3; ++i) palette.CountColour(80);
  for (int i = 0; i < 3; ++i) palette.CountColour(40);
  palette.CountColour(200);  // fewer
  palette.ReduceTo16Colours();
  // 40 -> cell 5 -> 40 | 7; the entries not filled are black.
  EXPECT_EQ(std::vector<Rgb>(palette.reduced().begin() + 1, palette.reduced().begin() + 5),
            (std::vector<Rgb>{{47, 47, 47}, {87, 87, 87}, {207, 207, 207}, {}}));
  // Black-ish sources (1) pick the unfilled black entry 4, the lowest of the equal ones.
  EXPECT_EQ((std::array<int, 3>{palette.MapIndex(1), palette.MapIndex(45), palette.MapIndex(255)}),
            (std::array<int, 3>{4, 1, 3}));

  // Cells in increasing order with counts that rise: each new cell goes to the front, and the
  // list keeps sixteen places: the most popular (grey 160) first, down to grey 48.
  palette.ResetHistogram();
  for (int g = 0; g < 20; ++g) {
    for (int n = 0; n <= g; ++n) palette.CountColour(static_cast<std::uint8_t>(8 * g + 8));
  }
  palette.ReduceTo16Colours();
  EXPECT_EQ(std::tuple(palette.reduced()[1].r, palette.reduced()[15].r), std::tuple(167, 55));
}

// The word rules see "tracks/<gpltrack>/<file>" lowercased: neither the folders above the GPL
// folder nor the letter case of the folders change a written texture.
TEST(TextureConversionTest, WordRulesIgnoreTheFoldersAboveTheTrack) {
  std::optional<TempFolder> root = TempFolder::Create("rules");
  ASSERT_TRUE(root);
  const TextureImage image =
      Eight(64, 64, [](int x, int y) { return static_cast<std::uint8_t>(40 + (x + y) % 6); });
  auto convert = [&](const std::string& folder, const char* file) {
    const std::filesystem::path dir = root->path() / folder;
    std::filesystem::create_directories(dir);
    TexturePalette palette;
    palette.LoadBytes(nullptr, 0);
    EXPECT_TRUE(ConvertTexture(image, palette, dir / file, false).ok());
    return ReadFileBytes(dir / file).value_or(std::vector<std::uint8_t>(64));
  };
  const std::vector<std::uint8_t> neutral = convert("plain/gpl/tracks/kestrel", "kwall.mip");
  EXPECT_EQ(neutral.at(37), 0);  // MPHD flags of a 4-bit texture without a word
  for (const char* folder :
       {"MySkyGames/grass and sky/indy/gpl/tracks/kestrel", "plain/GPL/Tracks/Kestrel"}) {
    SCOPED_TRACE(folder);
    EXPECT_EQ(convert(folder, "kwall.mip"), neutral);
  }
  // The track's own folder and the file name are part of what the rules see.
  EXPECT_EQ(convert("plain/gpl/tracks/kestrel", "KSKY.mip").at(37), 3);
  EXPECT_EQ(convert("plain/gpl/tracks/skyline", "kwall.mip").at(37), 3);
}

// Mode 0 lays fragment A over indexes 24..175 whatever the file holds; mode 1 takes the file,
// or fragment B over 24..195 when there is none.
TEST(TextureConversionTest, PaletteLoadModes) {
  const std::vector<std::uint8_t> file =
      samples::BuildPalettePcx(std::vector<Rgb24>(256, Rgb24{1, 2, 3}));
  const auto load = [&](bool with_file, int mode) {
    TexturePalette palette;
    palette.LoadBytes(with_file ? &file : nullptr, mode);
    return palette;
  };
  const TexturePalette cart = load(true, 0);
  EXPECT_EQ(cart.ColourOf(23), (Rgb{1, 2, 3}));
  // FNV-1a (64 bits) over the RGB bytes of the built-in colours, worked out from their lists.
  auto checksum = [](const TexturePalette& palette, std::size_t first, std::size_t last) {
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (std::size_t i = first; i <= last; ++i) {
      const Rgb c = palette.ColourOf(static_cast<std::uint8_t>(i));
      for (std::uint8_t byte : {c.r, c.g, c.b}) {
        hash ^= byte;
        hash *= 0x100000001b3u;
      }
    }
    return hash;
  };
  EXPECT_EQ(checksum(cart, 24, 175), 0x9ad353cd8d06f7a6u);
  EXPECT_EQ(cart.ColourOf(176), (Rgb{1, 2, 3}));
  EXPECT_EQ(load(true, 1).ColourOf(24), (Rgb{1, 2, 3}));
  TexturePalette missing_b;
  missing_b.Load("/no/such/sunny.pcx", 1);
  EXPECT_EQ(checksum(missing_b, 24, 195), 0x373e8e5dd7dfcec8u);
  EXPECT_EQ(missing_b.ColourOf(196), (Rgb{}));
  const TexturePalette missing_a = load(false, 0);
  EXPECT_EQ(missing_a.ColourOf(176), (Rgb{}));
  TexturePalette never;  // grey 192 everywhere
  EXPECT_EQ(never.SixteenBitColour(5, true), 0x8000 | 24 << 10 | 24 << 5 | 24);
  EXPECT_EQ(missing_a.SixteenBitColour(34, true), 0);  // black
  EXPECT_EQ(missing_a.SixteenBitColour(35, false), 0xFFFF);
}

TEST(TextureConversionTest, RawFourBitKinds) {
  // Transparent: 1-5-5-5 entries; opaque: 5-6-5.
  const std::vector<std::uint16_t> entries = {0x7FFF, 0x7C00, 0x03E0, 0x001F, 0xF800};
  const samples::IndexAt index = [](int x, int) { return static_cast<std::uint8_t>(x % 5); };
  auto parse = [&](int width, bool transparent, const char* path) {
    Result<TextureImage> image =
        ParseTexture(samples::BuildRaw4(width, 4, index, entries, transparent), path);
    EXPECT_TRUE(image);
    return image ? std::move(image).value() : TextureImage{};
  };
  for (bool transparent : {true, false}) {
    SCOPED_TRACE(transparent);
    const TextureImage image = parse(16, transparent, "/tmp/x/WALL.MI4");  // any letter case
    TexturePalette palette;
    const TextureImage out = Convert(image, palette, "wall.mip");
    EXPECT_EQ(out.mip_type, transparent ? kMipType4BitTransparent : kMipType4Bit);
    std::span<const std::uint8_t> cmap = out.ColourMap();
    EXPECT_EQ(cmap[3], transparent ? 0 : 255);
    EXPECT_EQ(cmap[transparent ? 4 + 2 : 16 + 2], 248);  // 0x7C00 / 0xF800: red
    EXPECT_EQ(cmap[8 + 1], transparent ? 248 : 124);     // 0x03E0: green; (31 & 63) x 4
    EXPECT_TRUE(std::ranges::equal(out.Level(0), image.Level(0)));

    // Too wide for 4 bits: the entries as they are, a transparent one's visible ones marked so.
    const TextureImage wide = Convert(parse(512, transparent, "wide.mi4"), palette, "w.mip");
    EXPECT_EQ(wide.mip_type, transparent ? kMipType16BitTransparent : kMipType16Bit);
    EXPECT_EQ(Pixel16(wide, 0, 0), transparent ? 0xFC00 : 0x7C00);
    EXPECT_EQ(Pixel16(wide, 1, 0), transparent ? 0x801F : 0x001F);
  }
}

TEST(TextureConversionTest, TrueColourPcx) {
  auto colour = [](int x, int y) {
    return Rgb24{static_cast<std::uint8_t>(x * 8), static_cast<std::uint8_t>(y * 8), 0xC8};
  };
  TexturePalette palette;
  // Rows padded past the width.
  Result<TextureImage> image = ParseTexture(samples::BuildPcx24(20, 10, colour, 3), "b.pcx");
  ASSERT_TRUE(image);
  const TextureImage out = Convert(*image, palette, "b.mip");
  EXPECT_EQ((std::array<int, 3>{out.mip_type, out.width, out.height}),
            (std::array<int, 3>{kMipType16Bit, 32, 8}));
  EXPECT_EQ(Pixel16(out, 19, 7), Rgb565(152, 72, 0xC8));  // source row 9 lands on 7
  std::vector<std::uint8_t> good = samples::BuildPcx24(20, 10, colour);
  ASSERT_TRUE(IsTrueColourPcxHeader(good));
  testkit::ExpectEveryCutRefused(
      [](std::vector<std::uint8_t> bytes) { return ReadPcxTexture(std::move(bytes)).ok(); }, good);
  // A run longer than the row is cut at the row's end, never written past it.
  std::vector<std::uint8_t> runs(good.begin(), good.begin() + 128);
  // Each row: 63 copies, more than the 60 bytes of a row.
  for (int row = 0; row < 10; ++row) runs.insert(runs.end(), {0xFF, 0x40});
  image = ReadPcxTexture(runs);
  ASSERT_TRUE(image);
  EXPECT_EQ(Pixel16(Convert(*image, palette, "b.mip"), 0, 0), Rgb565(0x40, 0x40, 0x40));
}

TEST(TextureConversionTest, HostileRawHeadersRefused) {
  std::vector<std::uint8_t> good =
      samples::BuildRaw8(16, 16, [](int, int) { return std::uint8_t{1}; });
  const testkit::Reader parse = [](std::vector<std::uint8_t> bytes) {
    return ParseTexture(std::move(bytes), "t.mip").ok();
  };
  // The copy of the last row that ends the file is not needed.
  testkit::ExpectEveryCutRefused(parse, testkit::CutTo(good, good.size() - 16));
  testkit::ExpectRefused(parse, testkit::WithU32(good, 8, 0x7F000010), "width");
  testkit::ExpectRefused(parse, testkit::WithU32(good, 12, 0x7F000010), "height");
  testkit::ExpectRefused(parse, testkit::WithU32(good, 16, 0x7F000001), "record count");
  const std::vector<std::uint8_t> four = samples::BuildRaw4(
      16, 16, [](int, int) { return std::uint8_t{1}; }, {}, true);
  EXPECT_FALSE(ParseTexture(testkit::WithByte(four, 0, 0xF0), "t.mi4")) << "marker past the end";
}

}  // namespace
}  // namespace velmora
