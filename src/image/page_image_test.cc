#include "image/page_image.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <iterator>
#include <tuple>
#include <utility>

#include "image/mip_file.h"
#include "image/srb_file.h"
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

// Every character is half the height wide.
class HalfWidthDrawer : public TextDrawer {
 public:
  int Measure(std::u32string_view text, int height) override {
    return static_cast<int>(text.size()) * height / 2;
  }
  void Draw(std::u32string_view, int, const TextPlacement&, PixelCanvas&) override {}
};

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
    std::vector<std::uint8_t> bytes = Resource(row.page);
    EXPECT_EQ(bytes.size(), std::get<3>(row.sizes));
    Result<PageImage> page = ReadPageImage(std::move(bytes));
    ASSERT_TRUE(page.ok()) << page.status().ToString();
    EXPECT_EQ(Sizes(page->width, page->height, page->stride, page->file_size), row.sizes);
    EXPECT_EQ(page->bytes[12 + 12], kPageType);
    if (row.bitmap.empty()) continue;
    Result<BitmapImage> bitmap = ReadBitmap(Resource(row.bitmap));
    ASSERT_TRUE(bitmap.ok()) << bitmap.status().ToString();
    EXPECT_EQ(std::pair(bitmap->width, bitmap->height), row.bitmap_size);
    EXPECT_EQ(bitmap->pixels_at, kBitmapHeaderSize);
  }
}

// The textures and the sprite every converted track carries, as the program embeds them.

TEST(CarriedImagesTest, TexturesAreWhatTheConversionExpects) {
  struct Row {
    const char* name;
    int width, height, bits, levels;
    bool transparent;
  };
  for (const Row& row :
       {Row{"N2GROOVE_MIP", 128, 64, 8, 4, true}, Row{"_HAY_MIP", 64, 64, 4, 4, false},
        Row{"_CONEBS1_MIP", 64, 64, 4, 4, false}}) {
    SCOPED_TRACE(row.name);
    Result<TextureImage> image = ParseTexture(Resource(row.name), "carried.mip");
    ASSERT_TRUE(image);
    EXPECT_EQ(std::tuple(image->width, image->height, image->bits_per_pixel, image->level_count,
                         image->transparent),
              std::tuple(row.width, row.height, row.bits, row.levels, row.transparent));
  }
  // The groove is converted with the track's textures: to 4 bits, its rubber kept, in both
  // palettes' fragments.
  Result<TextureImage> groove = ParseTexture(Resource("N2GROOVE_MIP"), "groove.mip");
  ASSERT_TRUE(groove);
  for (int mode : {0, 1}) {
    TexturePalette palette;
    palette.LoadBytes(nullptr, mode);
    Result<TextureImage> out =
        ReadMip(BuildConvertedTexture(*groove, palette, "groove.mip", false));
    ASSERT_TRUE(out);
    EXPECT_EQ(std::tuple(out->bits_per_pixel, out->mip_type, out->level_count),
              std::tuple(4, kMipType4BitTransparent, 4));
    int rubber = 0;
    for (std::uint8_t byte : out->Level(0)) rubber += (byte >> 4 != 0) + ((byte & 15) != 0);
    // The track shows through most of it.
    EXPECT_TRUE(rubber > 1000 && rubber < 128 * 64 / 2) << mode << ": " << rubber;
  }
  // The cone's sprite: an N-series run converts it like any sprite of its tracks.
  const std::vector<std::uint8_t> bytes = Resource("_CONE1_SRB");
  EXPECT_EQ(bytes.size(), 96u + 3048u);
  Result<SpriteHeader> header = ReadSrbHeader(bytes);
  ASSERT_TRUE(header);
  EXPECT_EQ(*header, (SpriteHeader{1.0f, 1.0f, 64.0f, 64.0f, 32.0f, 32.0f}));
  Result<TextureImage> texture = ReadMip(bytes, kSrbTextureAt);
  ASSERT_TRUE(texture);
  EXPECT_EQ(std::tuple(texture->bits_per_pixel, texture->palette_bits, texture->level_count),
            std::tuple(4, 32, 4));
}

TEST(PageImageTest, CopyConvertsTo565AndClipsToThePage) {
  // A 3 x 2 bitmap onto a 2 x 3 page: the third column falls off, the third row keeps its pixels.
  const std::vector<std::uint8_t> rgb = {255, 255, 255, 8,   4, 255, 1, 2, 3,
                                         0,   0,   0,   255, 0, 0,   9, 9, 9};
  Result<BitmapImage> bitmap = ReadBitmap(BuildBitmap(3, 2, rgb));
  ASSERT_TRUE(bitmap.ok());
  EXPECT_EQ(bitmap->stride, 12u);
  const std::vector<std::uint16_t> pixels(6, 0x1234);
  Result<PageImage> page = ReadPageImage(BuildPageImage(2, 3, pixels));
  ASSERT_TRUE(page.ok());
  const std::size_t size = page->file_size;
  CopyBitmapIntoPage(*bitmap, *page);
  std::vector<std::uint16_t> shown;
  for (int at = 0; at < 6; ++at) shown.push_back(PagePixel(*page, at % 2, at / 2));
  EXPECT_EQ(shown, (std::vector<std::uint16_t>{0xFFFF, (8 << 8) | (4 << 3) | 31, 0, 0xF800, 0x1234,
                                               0x1234}));
  EXPECT_EQ(page->FileBytes().size(), size);
}

TEST(PageImageTest, DamagedFilesAreRefused) {
  const std::vector<std::uint8_t> page = BuildPageImage(4, 2, std::vector<std::uint16_t>(8, 7));
  const std::vector<std::uint8_t> bitmap = BuildBitmap(4, 2, std::vector<std::uint8_t>(24, 9));
  testkit::ExpectEveryCutRefused(
      [](std::vector<std::uint8_t> bytes) { return ReadPageImage(std::move(bytes)).ok(); }, page);
  testkit::ExpectEveryCutRefused(
      [](std::vector<std::uint8_t> bytes) { return ReadBitmap(std::move(bytes)).ok(); }, bitmap);
  using testkit::WithByte;
  const std::vector<std::uint8_t> huge = WithByte(WithByte(page, 29, 0xFF), 32, 0x7F);
  EXPECT_TRUE(ReadPageImage(huge).status().IsCorruption()) << "height in the billions";
  EXPECT_TRUE(ReadPageImage(WithByte(page, 33, 2)).status().IsCorruption()) << "stride < row";
  EXPECT_TRUE(ReadBitmap(WithByte(bitmap, 25, 0xFF)).status().IsCorruption()) << "height < 0";
  EXPECT_TRUE(ReadBitmap(WithByte(bitmap, 10, 0xF0)).status().IsCorruption()) << "pixels past";
}

TEST(PageImageTest, HeightSearchTakesTheTallestThatFitsAndOneAtLeast) {
  HalfWidthDrawer drawer;
  EXPECT_EQ(FitTitleHeight(drawer, U"ab", 360), 99);
  // 20 characters: 10 x height <= 360 from 36 down.
  EXPECT_EQ(FitTitleHeight(drawer, std::u32string(20, U'x'), 360), 36);
  EXPECT_EQ(FitTitleHeight(drawer, std::u32string(40, U'x'), 360), 18) << "longer, smaller";
  EXPECT_EQ(FitTitleHeight(drawer, std::u32string(5000, U'x'), 360), 1) << "1 even if too wide";
}

// The height search over the system's text drawer: FreeType with the metric-compatible stand-in
// on Linux, GDI's own face on Windows. Both must pick the same title heights, to a pixel, or
// the pages of one track would differ between the two programs.
// The heights the FreeType backend picks for the widest extents of the page titles: 360 (display
// name on page0), 300 (event title on page0) and 130 (event title on page1 and the event page).
constexpr int kWidest[] = {360, 300, 130};
constexpr std::pair<std::u32string_view, std::array<int, 3>> kTitles[] = {
    {U"Detroit HQ", {85, 70, 30}},
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
}

}  // namespace
}  // namespace velmora
