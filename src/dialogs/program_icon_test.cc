#include "dialogs/program_icon.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace velmora {
namespace {

std::uint32_t At(const std::vector<std::uint32_t>& pixels, int size, int x, int y) {
  return pixels[static_cast<std::size_t>(y * size + x)];
}

// At 16 pixels a unit is a pixel: every colour of the drawing where it belongs, the corner left
// transparent. At 24 the flag's frame falls between pixels, which take part of its colour.
TEST(ProgramIconTest, ColoursAtTheirPlacesAndEdgesBlended) {
  const std::vector<std::uint32_t> icon = ProgramIconPixels(16);
  ASSERT_EQ(icon.size(), 256u);
  const struct {
    int x, y;
    std::uint32_t argb;
  } kPixels[] = {
      {0, 0, 0x00000000},   // above the track, left of the pole
      {0, 14, 0xFF5A5A5A},  // the track
      {2, 13, 0xFF3C2814},  // the pole, over the track
      {4, 2, 0xFF000000},   // the flag's first square
      {7, 2, 0xFFFFFFFF},   // its second
  };
  for (const auto& pixel : kPixels) {
    SCOPED_TRACE(testing::Message() << pixel.x << "," << pixel.y);
    EXPECT_EQ(At(icon, 16, pixel.x, pixel.y), pixel.argb);
  }
  const std::vector<std::uint32_t> larger = ProgramIconPixels(24);
  const std::uint32_t alpha = At(larger, 24, 6, 1) >> 24;  // the frame's top edge, in part
  EXPECT_GT(alpha, 0u);
  EXPECT_LT(alpha, 255u);
  EXPECT_EQ(ProgramIconSizes().front(), 16);
  EXPECT_EQ(ProgramIconSizes().back(), 256);
}

}  // namespace
}  // namespace velmora
