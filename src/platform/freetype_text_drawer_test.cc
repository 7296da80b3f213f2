#include <gtest/gtest.h>

#include <vector>

#include "platform/text_drawer.h"

namespace velmora {
namespace {

class SystemTextDrawerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Result<std::unique_ptr<TextDrawer>> opened = OpenSystemTextDrawer("Arial");
    ASSERT_TRUE(opened.ok()) << opened.status().ToString();
    drawer_ = std::move(opened).value();
  }
  PixelCanvas Canvas() { return {bytes_, kSide, kSide, kSide * 3, true}; }

  static constexpr int kSide = 200;
  static constexpr std::uint8_t kGround = 0x40;
  std::unique_ptr<TextDrawer> drawer_;
  std::vector<std::uint8_t> bytes_ = std::vector<std::uint8_t>(kSide * kSide * 3, kGround);
};

TEST_F(SystemTextDrawerTest, WidthGrowsWithHeightAndText) {
  const int small = drawer_->Measure(U"Kestrel Grand Prix", 12);
  const int large = drawer_->Measure(U"Kestrel Grand Prix", 40);
  EXPECT_GT(small, 40);
  EXPECT_GT(large, 3 * small - 20);
  EXPECT_LT(drawer_->Measure(U"Kestrel", 40), large);
  EXPECT_EQ(std::pair(drawer_->Measure(U"", 40), drawer_->Measure(U"x", 0)), std::pair(0, 0));
}

TEST_F(SystemTextDrawerTest, GlyphsAreSolidAndStayInsideTheirBox) {
  const TextColour cream = {248, 236, 216};
  PixelCanvas canvas = Canvas();
  const int width = drawer_->Measure(U"Kestrel", 30);
  drawer_->Draw(U"Kestrel", 30, {20, 150, width, TextDirection::kUpwards, cream}, canvas);
  int covered = 0;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const std::uint8_t* p = canvas.At(x, y);
      const bool ground = p[0] == kGround && p[1] == kGround && p[2] == kGround;
      if (ground) continue;
      ++covered;
      // Solid text colour, never a blend with the ground.
      ASSERT_TRUE(p[0] == cream.blue && p[1] == cream.green && p[2] == cream.red) << x << "," << y;
      // Upwards from (20, 150): columns 20 to 49, rows 150 - width + 1 to 150.
      ASSERT_TRUE(x >= 20 && x < 50 && y > 150 - width && y <= 150) << x << "," << y;
    }
  }
  EXPECT_GT(covered, 100);

  // A box narrower than the text cuts it off at the box.
  std::vector<std::uint8_t> other(kSide * kSide * 3, kGround);
  PixelCanvas clipped{other, kSide, kSide, kSide * 3, false};
  drawer_->Draw(U"Kestrel Grand Prix", 30, {150, 5, 30, TextDirection::kHorizontal, cream},
                clipped);
  for (int at = 0; at < kSide * kSide; ++at) {
    const int x = at % kSide, y = at / kSide;
    ASSERT_TRUE(clipped.At(x, y)[0] == kGround || (x >= 150 && x < 180 && y >= 5 && y < 35));
  }
  // Placed off the picture: nothing is written outside it.
  drawer_->Draw(U"Kestrel", 30, {-500, 900, 300, TextDirection::kUpwards, cream}, clipped);
}

}  // namespace
}  // namespace velmora
