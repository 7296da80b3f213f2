#include "image/page_image.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <iterator>
#include <tuple>
#include <utility>

#include "image/mip_file.h"
#include "image/texture_conversion.h"
#include "platform/resource_store.h"
#include "platform/text_drawer.h"
#include "resources/embedded_files.h"
#include "testing/corruption.h"

namespace velmora {
namespace {

std::vector<std::uint8_t> Resource(std::string_view name) {
  ResourceStore store(EmbeddedFiles());
  std::optional<std::span<const std::uint8_t>> bytes = store.Find(name);
  return bytes ? std::vector<std::uint8_t>(bytes->begin(), bytes->end())
               : std::vector<std::uint8_t>();
}

std::uint16_t PagePixel(const PageImage& page, int x, int y) {
  const std::size_t at = kPagePixelsAt + static_cast<std::size_t>(y) * page.stride + 2 * x;
  return static_cast<std::uint16_t>(page.bytes[at] | page.bytes[at + 1] << 8);
}

TEST(PageImageTest, CarriedPagesHaveTheirSizes) {
  using Sizes = std::tuple<int, int, std::size_t, std::size_t>;  // width, height, stride, size
  struct Row {
    std::string_view page, bitmap;
    Sizes sizes;
    std::pair<int, int> bitmap_size;
  };
  for (const Row& row :
       {Row{"PAGE0_PBF", "PAGE0_US_BMP", {281, 431, 564, 243136}, {279, 429}},
        Row{"EVENT_PBF", "EVENT_US_BMP", {258, 340, 516, 52 + 340 * 516}, {258, 340}},
        Row{"PAGE2_PBF", "", {277, 431, 556, 52 + 431 * 556}, {}}}) {
    SCOPED_TRACE(row.page);
    Result<PageImage> page = ReadPageImage(Resource(row.page));
    ASSERT_TRUE(page.ok()) << page.status().ToString();
    EXPECT_EQ(Sizes(page->width, page->height, page->stride, page->file_size), row.sizes);
    if (row.bitmap.empty()) continue;
    Result<BitmapImage> bitmap = ReadBitmap(Resource(row.bitmap));
    ASSERT_TRUE(bitmap.ok()) << bitmap.status().ToString();
    EXPECT_EQ(std::pair(bitmap->width, bitmap->height), row.bitmap_size);
  }
}

// The textures every converted track carries, as the program embeds them.

TEST(CarriedImagesTest, TexturesAreWhatTheConversionExpects) {
  const std::tuple<const char*, int, int, int, int, bool> rows[] = {
      {"N2GROOVE_MIP", 128, 64, 8, 4, true}, {"_HAY_MIP", 64, 64, 4, 4, false}};
  for (const auto& [name, width, height, bits, levels, transparent] : rows) {
    SCOPED_TRACE(name);
    Result<TextureImage> image = ParseTexture(Resource(name), "carried.mip");
    ASSERT_TRUE(image);
    EXPECT_EQ(std::tuple(image->width, image->height, image->bits_per_pixel, image->level_count,
                         image->transparent),
              std::tuple(width, height, bits, levels, transparent));
  }
  // The groove is converted with the track's textures: to 4 bits, its rubber kept.
  Result<TextureImage> groove = ParseTexture(Resource("N2GROOVE_MIP"), "groove.mip");
  ASSERT_TRUE(groove);
  TexturePalette palette;
  palette.LoadBytes(nullptr, 1);
  Result<TextureImage> out = ReadMip(BuildConvertedTexture(*groove, palette, "groove.mip", false));
  ASSERT_TRUE(out);
  EXPECT_EQ(std::tuple(out->mip_type, out->level_count), std::tuple(kMipType4BitTransparent, 4));
  int rubber = 0;
  for (std::uint8_t byte : out->Level(0)) rubber += (byte >> 4 != 0) + ((byte & 15) != 0);
  EXPECT_TRUE(rubber > 1000 && rubber < 128 * 64 / 2) << rubber;  // the track shows through
}

TEST(PageImageTest, CopyConvertsTo565AndClipsToThePage) {
  // A 3 x 2 bitmap onto a 2 x 3 page: the third column falls off, the third row keeps its pixels.
  const std::vector<std::uint8_t> rgb = {255, 255, 255, 8,   4, 255, 1, 2, 3,
                                         0,   0,   0,   255, 0, 0,   9, 9, 9};
  Result<BitmapImage> bitmap = ReadBitmap(BuildBitmap(3, 2, rgb));
  ASSERT_TRUE(bitmap.ok());
  const std::vector<std::uint16_t> pixels(6, 0x1234);
  Result<PageImage> page = ReadPageImage(BuildPageImage(2, 3, pixels));
  ASSERT_TRUE(page.ok());
  CopyBitmapIntoPage(*bitmap, *page);
  std::vector<std::uint16_t> shown;
  for (int at = 0; at < 6; ++at) shown.push_back(PagePixel(*page, at % 2, at / 2));
  EXPECT_EQ(shown, (std::vector<std::uint16_t>{0xFFFF, (8 << 8) | (4 << 3) | 31, 0, 0xF800, 0x1234,
                                               0x1234}));
}

TEST(PageImageTest, DamagedFilesAreRefused) {
  const std::vector<std::uint8_t> page = BuildPageImage(4, 2, std::vector<std::uint16_t>(8, 7));
  const std::vector<std::uint8_t> bitmap = BuildBitmap(4, 2, std::vector<std::uint8_t>(24, 9));
  testkit::ExpectEveryCutRefused(
      [](std::vector<std::uint8_t> bytes) { return ReadPageImage(std::move(bytes)).ok(); }, page);
  testkit::ExpectEveryCutRefused(
      [](std::vector<std::uint8_t> bytes) { return ReadBitmap(std::move(bytes)).ok(); }, bitmap);
  const std::vector<std::uint8_t> huge =
      testkit::WithByte(testkit::WithByte(page, 29, 0xFF), 32, 0x7F);
  EXPECT_TRUE(ReadPageImage(huge).status().IsCorruption()) << "height in the billions";
}

// Every text drawer backend must pick the same title heights, to a pixel, or the pages of one
// track would differ between the two programs. The heights are the FreeType backend's for the
// widest extents of the page titles: 360 (display name on page0), 300 (event title on page0) and
// 130 (event title on page1 and the event page).
constexpr int kWidest[] = {360, 300, 130};
constexpr std::pair<std::u32string_view, std::array<int, 3>> kTitles[] = {
    {U"Kestrel", {99, 99, 47}},  // the tallest at the two widest extents
    {U"Mid-Ohio Sports Car Course", {31, 27, 11}},
    {U"\u00D6sterreichring", {63, 53, 22}},
};

TEST(TitleHeightTest, EveryBackendPicksTheHeightsOfTheFreeTypeBackendToAPixel) {
  Result<std::unique_ptr<TextDrawer>> opened = OpenSystemTextDrawer("Arial");
  ASSERT_TRUE(opened.ok()) << opened.status().ToString();
  TextDrawer& drawer = *opened.value();
  for (std::size_t i = 0; i < std::size(kTitles); ++i) {
    const auto& [text, heights] = kTitles[i];
    for (std::size_t k = 0; k < std::size(kWidest); ++k) {
      SCOPED_TRACE(::testing::Message() << "title " << i << ", widest " << kWidest[k]);
      const int height = FitTitleHeight(drawer, text, kWidest[k]);
      EXPECT_LE(std::abs(height - heights[k]), 1) << height;
      // The chosen height fits; one pixel taller would not (unless it is the tallest).
      EXPECT_LE(drawer.Measure(text, height), kWidest[k]);
      if (height < kTallestTitle) {
        EXPECT_GT(drawer.Measure(text, height + 1), kWidest[k]);
      }
    }
  }
  EXPECT_EQ(FitTitleHeight(drawer, std::u32string(5000, U'x'), 360), 1) << "1 even if too wide";
}

}  // namespace
}  // namespace velmora
