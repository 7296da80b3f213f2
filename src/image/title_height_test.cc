// The height search over the system's text drawer: FreeType with the metric-compatible stand-in
// on Linux, GDI's own face on Windows. Both must pick the same title heights, to a pixel, or
// the pages of one track would differ between the two programs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <utility>

#include "image/page_image.h"
#include "platform/text_drawer.h"

namespace velmora {
namespace {

struct TitleRow {
  std::u32string_view text;
  // Heights chosen for the widest extents of the page titles: 360 (display name on page0),
  // 300 (event title on page0) and 130 (event title on page1 and the event page), as the
  // FreeType backend picks them.
  int at360;
  int at300;
  int at130;
};

constexpr TitleRow kTitles[] = {
    {U"Detroit HQ", 85, 70, 30},
    {U"Road America", 63, 53, 22},
    {U"Kestrel", 99, 99, 47},
    {U"Kestrel Grand Prix", 49, 40, 18},
    {U"Mid-Ohio Sports Car Course", 31, 27, 11},
    {U"Laguna Seca Grand Prix", 37, 30, 12},
    {U"\u00D6sterreichring", 63, 53, 22},
};

TEST(TitleHeightTest, EveryBackendPicksTheHeightsOfTheFreeTypeBackendToAPixel) {
  Result<std::unique_ptr<TextDrawer>> opened = OpenSystemTextDrawer("Arial");
  ASSERT_TRUE(opened.ok()) << opened.status().ToString();
  TextDrawer& drawer = *opened.value();
  for (std::size_t i = 0; i < std::size(kTitles); ++i) {
    const TitleRow& row = kTitles[i];
    SCOPED_TRACE(::testing::Message() << "title " << i);
    for (const auto& [widest, expected] :
         {std::pair{360, row.at360}, std::pair{300, row.at300}, std::pair{130, row.at130}}) {
      const int height = FitTitleHeight(drawer, row.text, widest);
      EXPECT_LE(std::abs(height - expected), 1) << "widest " << widest << ": " << height;
      // The chosen height fits; one pixel taller would not (unless it is the tallest).
      EXPECT_LE(drawer.Measure(row.text, height), widest);
      if (height < kTallestTitle) {
        EXPECT_GT(drawer.Measure(row.text, height + 1), widest);
      }
    }
  }
}

}  // namespace
}  // namespace velmora
