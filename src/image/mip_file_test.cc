#include "image/mip_file.h"

#include <gtest/gtest.h>

#include "image/texture_conversion.h"
#include "samples/image_builders.h"
#include "testing/corruption.h"

namespace velmora {
namespace {

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

const std::vector<std::uint32_t> kGreys = {
    0xFF000000, 0xFF111111, 0xFF222222, 0xFF333333, 0xFF444444, 0xFF555555, 0xFF666666, 0xFF777777,
    0xFF888888, 0xFF999999, 0xFFAAAAAA, 0xFFBBBBBB, 0xFFCCCCCC, 0xFFDDDDDD, 0xFFEEEEEE, 0xFFFFFFFF};

TEST(MipFileTest, FourBitSixtyFourSquareWithFourLevels) {
  const std::vector<std::uint8_t> source = samples::BuildMip4(
      64, 64, [](int x, int y) { return static_cast<std::uint8_t>((x ^ y) & 7); }, kGreys, false,
      4);
  Result<TextureImage> image = ReadMip(source);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->level_count, 4);
  TexturePalette palette;
  const std::vector<std::uint8_t> out = BuildConvertedTexture(*image, palette, "wall.mip", false);
  EXPECT_EQ(out.size(), 3048u);
  EXPECT_EQ(U32(out, 8), 3036u);  // MIP size
  // MPHD and its two blanks, CMAP, then the levels.
  EXPECT_EQ(out[42], 0x20);
  EXPECT_EQ(out[43], 0x20);
  std::size_t at = 44 + 76;
  const std::uint32_t strides[] = {32, 16, 8, 4};
  const std::uint32_t data[] = {2048, 512, 128, 32};
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(U32(out, at + 8), data[k] + 40);     // BMAP size
    EXPECT_EQ(U32(out, at + 24 + 9), strides[k]);  // BMHD stride
    EXPECT_EQ(out[at + 24 + 14], 0x20);            // BMHD pad
    EXPECT_EQ(out[at + 24 + 15], 0x20);
    EXPECT_EQ(U32(out, at + 40 + 8), data[k]);  // DATA size
    at += 52 + data[k];
  }
  EXPECT_EQ(at, out.size());
  // Round trip: the written texture reads back with the same pixels in every level.
  Result<TextureImage> back = ReadMip(out);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->width, 64);
  EXPECT_EQ(back->height, 64);
  EXPECT_EQ(back->bits_per_pixel, 4);
  EXPECT_EQ(back->level_count, 4);
  for (int k = 0; k < 4; ++k) {
    EXPECT_TRUE(std::ranges::equal(back->Level(k), image->Level(k))) << k;
  }
  EXPECT_TRUE(std::ranges::equal(back->ColourMap(), image->ColourMap()));
}

TEST(MipFileTest, SixteenBitLevelSizes) {
  Result<TextureImage> image = ParseTexture(
      samples::BuildRaw16(256, 64,
                          [](int x, int y) { return static_cast<std::uint16_t>(x * 64 + y); }),
      "sky.m16");
  ASSERT_TRUE(image);
  TexturePalette palette;
  const std::vector<std::uint8_t> out = BuildConvertedTexture(*image, palette, "sky.mip", false);
  EXPECT_EQ(U32(out, 44 + 8), 32808u);       // BMAP
  EXPECT_EQ(U32(out, 44 + 24 + 9), 512u);    // stride
  EXPECT_EQ(U32(out, 44 + 40 + 8), 32768u);  // DATA
  Result<TextureImage> back = ReadMip(out);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->bits_per_pixel, 16);
  EXPECT_EQ(back->mip_type, kMipType16Bit);
  EXPECT_TRUE(std::ranges::equal(back->Level(0), image->Level(0)));
}

TEST(MipFileTest, TypesTwoAndFiveAreTransparentAndTwoReadsOneLevel) {
  std::vector<std::uint8_t> bytes = samples::BuildMip4(
      16, 16, [](int, int) { return std::uint8_t{1}; }, kGreys, false, 3);
  bytes[24] = 2;
  bytes[38] = 200;  // a count no texture has
  Result<TextureImage> image = ReadMip(bytes);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->level_count, 1);
  EXPECT_TRUE(image->transparent);
  // Type 5 is transparent too, and keeps its levels.
  bytes[24] = 5;
  bytes[38] = 3;
  image = ReadMip(bytes);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->level_count, 3);
  EXPECT_TRUE(image->transparent);
}

TEST(MipFileTest, EightBitReaderTakesSmallerOfWidthAndStride) {
  std::vector<std::uint8_t> bytes = samples::BuildMip8(
      32, 8, [](int x, int) { return static_cast<std::uint8_t>(x); }, true, 2);
  Result<TextureImage> image = ParseTexture(bytes, "groove.mip");
  ASSERT_TRUE(image);
  EXPECT_EQ(image->bits_per_pixel, 8);
  EXPECT_TRUE(image->transparent);
  EXPECT_EQ(image->level_count, 2);
  EXPECT_EQ(image->Level(1)[3], 6);  // level 1 pixel 3 is source pixel 6
  bytes[44 + 24 + 9] = 16;           // stride 16 < width 32
  image = ReadMip8(bytes);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 16);
}

TEST(MipFileTest, TruncatedAndLyingFilesAreRefused) {
  const std::vector<std::uint8_t> good = samples::BuildMip4(
      32, 32, [](int x, int) { return static_cast<std::uint8_t>(x & 15); }, kGreys, false, 3);
  const testkit::Reader parse = [](std::vector<std::uint8_t> bytes) {
    return ParseTexture(std::move(bytes), "t.mip").ok();
  };
  testkit::ExpectEveryCutRefused(parse, good);
  // Any bit of the headers and the colour map may be wrong: the reader must stay inside the
  // file whatever the numbers then say.
  testkit::ReadEveryBitFlip(parse, good, 0, kMipHeadersSize + 12 + kColourMapPayload);
  struct Lie {
    const char* what;
    std::size_t at;
    std::uint32_t value;
  };
  for (const Lie& lie :
       {Lie{"levels", 38, 17}, Lie{"levels beyond size", 38, 9},
        Lie{"width", 44 + 76 + 24 + 1, 0x7FFFFFFF}, Lie{"height", 44 + 76 + 24 + 5, 4096},
        Lie{"zero width", 44 + 76 + 24 + 1, 0}}) {
    SCOPED_TRACE(lie.what);
    std::vector<std::uint8_t> bytes = good;
    for (int i = 0; i < 4; ++i) bytes[lie.at + i] = static_cast<std::uint8_t>(lie.value >> (8 * i));
    EXPECT_FALSE(ReadMip(std::move(bytes)));
  }
}

TEST(MipFileTest, SmallestLevelsFollowAtTheFixedGap) {
  const std::vector<std::uint8_t> source = samples::BuildMip4(
      4, 4, [](int x, int y) { return static_cast<std::uint8_t>(x + 4 * y); }, kGreys, false, 3);
  Result<TextureImage> image = ReadMip(source);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->LevelBytes(1), 2u);
  TexturePalette palette;
  const std::vector<std::uint8_t> out = BuildConvertedTexture(*image, palette, "tiny.mip", false);
  // Level 1's BMAP holds 2 pixel bytes + 40, unpadded; level 2 (1 x 1) holds none.
  EXPECT_EQ(U32(out, 120 + 52 + 8 + 8), 42u);
  EXPECT_EQ(out.size(), 120u + 3 * 52 + 8 + 2);
  EXPECT_EQ(U32(out, 8), out.size() - 12);
  Result<TextureImage> back = ReadMip(out);
  ASSERT_TRUE(back);
  for (int k = 0; k < 3; ++k) EXPECT_TRUE(std::ranges::equal(back->Level(k), image->Level(k))) << k;
}

}  // namespace
}  // namespace velmora
