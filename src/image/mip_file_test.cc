#include "image/mip_file.h"

#include <gtest/gtest.h>

#include <tuple>

#include "image/texture_conversion.h"
#include "samples/image_builders.h"
#include "testing/corruption.h"

namespace velmora {
namespace {

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

using Words = std::vector<std::uint32_t>;

const std::vector<std::uint32_t> kGreys = {
    0xFF000000, 0xFF111111, 0xFF222222, 0xFF333333, 0xFF444444, 0xFF555555, 0xFF666666, 0xFF777777,
    0xFF888888, 0xFF999999, 0xFFAAAAAA, 0xFFBBBBBB, 0xFFCCCCCC, 0xFFDDDDDD, 0xFFEEEEEE, 0xFFFFFFFF};

// Converts the texture in `source` and holds its layout (MPHD, the CMAP of a 4-bit texture, per
// level a BMAP of `data` pixel bytes), then reads it back to the same levels.
void ExpectLevels(const char* name, const std::vector<std::uint8_t>& source, const char* path,
                  std::size_t size, std::size_t levels_at, const std::vector<std::uint32_t>& data,
                  const std::vector<std::uint32_t>& strides) {
  SCOPED_TRACE(name);
  Result<TextureImage> image = ParseTexture(source, path);
  ASSERT_TRUE(image);
  TexturePalette palette;
  const std::vector<std::uint8_t> out = BuildConvertedTexture(*image, palette, "t.mip", false);
  ASSERT_EQ(out.size(), size);
  // MIP size, then the MPHD's two blanks.
  EXPECT_EQ((Words{U32(out, 8), out[42], out[43]}),
            (Words{static_cast<std::uint32_t>(size - 12), 0x20, 0x20}));
  std::size_t at = levels_at;
  for (std::size_t k = 0; k < data.size(); ++k) {
    SCOPED_TRACE(k);
    // BMAP size, BMHD stride (where given) and its two blanks, DATA size.
    const std::uint32_t stride = k < strides.size() ? strides[k] : U32(out, at + 24 + 9);
    EXPECT_EQ((Words{U32(out, at + 8), U32(out, at + 24 + 9), out[at + 24 + 14], out[at + 24 + 15],
                     U32(out, at + 40 + 8)}),
              (Words{data[k] + 40, stride, 0x20, 0x20, data[k]}));
    at += 52 + data[k];
  }
  Result<TextureImage> back = ReadMip(out);
  ASSERT_TRUE(back);
  EXPECT_EQ(std::tuple(back->width, back->height, back->bits_per_pixel, back->level_count),
            std::tuple(image->width, image->height, image->bits_per_pixel, image->level_count));
  for (int k = 0; k < image->level_count; ++k) {
    EXPECT_TRUE(std::ranges::equal(back->Level(k), image->Level(k))) << k;
  }
  if (image->bits_per_pixel == 4) {
    EXPECT_TRUE(std::ranges::equal(back->ColourMap(), image->ColourMap()));
  }
}

// The smallest levels follow at the fixed gap, unpadded.
TEST(MipFileTest, LevelsAreLaidOutAtTheirSizesAndReadBack) {
  const auto x_xor_y = [](int x, int y) { return static_cast<std::uint8_t>((x ^ y) & 7); };
  const auto x_y = [](int x, int y) { return static_cast<std::uint8_t>(x + 4 * y); };
  const auto pixel16 = [](int x, int y) { return static_cast<std::uint16_t>(x * 64 + y); };
  ExpectLevels("4-bit, 64 square, four levels",
               samples::BuildMip4(64, 64, x_xor_y, kGreys, false, 4), "wall.mip", 3048, 44 + 76,
               {2048, 512, 128, 32}, {32, 16, 8, 4});
  ExpectLevels("16-bit", samples::BuildRaw16(256, 64, pixel16), "sky.m16", 44 + 52 + 32768, 44,
               {32768}, {512});
  ExpectLevels("4-bit, 4 square: level 2 holds no pixel byte",
               samples::BuildMip4(4, 4, x_y, kGreys, false, 3), "tiny.mip", 120 + 3 * 52 + 8 + 2,
               44 + 76, {8, 2, 0}, {2});
}

// Type 2 reads one level whatever the count says; type 5 keeps its levels. Both are transparent.
TEST(MipFileTest, TypesTwoAndFiveAreTransparentAndTwoReadsOneLevel) {
  std::vector<std::uint8_t> bytes = samples::BuildMip4(
      16, 16, [](int, int) { return std::uint8_t{1}; }, kGreys, false, 3);
  for (const auto& [type, count, levels] : {std::tuple{2, 200, 1}, std::tuple{5, 3, 3}}) {
    SCOPED_TRACE(type);
    bytes[24] = static_cast<std::uint8_t>(type);
    bytes[38] = static_cast<std::uint8_t>(count);
    Result<TextureImage> image = ReadMip(bytes);
    ASSERT_TRUE(image);
    EXPECT_EQ(std::pair(image->level_count, image->transparent), std::pair(levels, true));
  }
}

TEST(MipFileTest, EightBitReaderTakesSmallerOfWidthAndStride) {
  std::vector<std::uint8_t> bytes = samples::BuildMip8(
      32, 8, [](int x, int) { return static_cast<std::uint8_t>(x); }, true, 2);
  Result<TextureImage> image = ParseTexture(bytes, "groove.mip");
  ASSERT_TRUE(image);
  EXPECT_EQ(std::tuple(image->bits_per_pixel, image->transparent, image->level_count),
            std::tuple(8, true, 2));
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
  constexpr std::size_t kBmhd = 44 + 76 + 24;
  testkit::ExpectRefused(parse, testkit::WithU32(good, 38, 17), "levels");
  testkit::ExpectRefused(parse, testkit::WithU32(good, 38, 9), "levels beyond size");
  testkit::ExpectRefused(parse, testkit::WithU32(good, kBmhd + 1, 0x7FFFFFFF), "width");
  testkit::ExpectRefused(parse, testkit::WithU32(good, kBmhd + 5, 4096), "height");
  testkit::ExpectRefused(parse, testkit::WithU32(good, kBmhd + 1, 0), "zero width");
}

}  // namespace
}  // namespace velmora
