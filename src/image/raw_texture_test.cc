#include "image/raw_texture.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "image/texture_conversion.h"
#include "samples/image_builders.h"
#include "testing/corruption.h"

namespace velmora {
namespace {

constexpr int kWidth = 8, kHeight = 4;

std::uint8_t Index(int x, int y) { return static_cast<std::uint8_t>(1 + x + 16 * y); }

// Rows of `row` bytes each.
std::vector<std::uint8_t> Pixels(int row = kWidth) {
  std::vector<std::uint8_t> pixels;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < row; ++x) pixels.push_back(Index(x, y));
  }
  return pixels;
}

// A raw file of the older layout with a copy of the first row put before the pixels and a
// record that says the pixels follow it.
std::vector<std::uint8_t> WithRowCopy(RawTextureKind kind, int row) {
  std::vector<std::uint8_t> file = BuildRawTexture(kind, kWidth, kHeight, Pixels(row));
  const std::vector<std::uint8_t> copy(file.begin() + 36, file.begin() + 36 + row);
  file.insert(file.begin() + 36, copy.begin(), copy.end());
  file = testkit::WithU32(file, 24, kWidth - 1);
  return testkit::WithU32(file, 32, static_cast<std::uint32_t>(36 + row - 4));
}

TEST(RawTextureTest, PixelsFollowTheFirstRowsCopyWhereTheRecordsSaySo) {
  const std::vector<std::uint8_t> games = samples::BuildRaw8(kWidth, kHeight, Index);
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    const char* path;
    std::size_t pixels_at;
  };
  const Case cases[] = {
      {"the game's layout", games, "t.mip", 36 + kWidth},
      {"the game's layout, three levels", samples::BuildRaw8(kWidth, kHeight, Index, 3), "t.mip",
       60 + kWidth},
      {"the older layout", BuildRawTexture(RawTextureKind::k8Bit, kWidth, kHeight, Pixels()),
       "t.mip", 36},
      {"a record of another width", testkit::WithU32(games, 24, kWidth), "t.mip", 36},
      {"a record naming other pixels", testkit::WithU32(games, 32, 36 + kWidth), "t.mip", 36},
      {"no records", testkit::WithU32(games, 16, 0), "t.mip", 24},
      {"16-bit with a row copy its record names", WithRowCopy(RawTextureKind::k16Bit, 2 * kWidth),
       "t.m16", 36 + 2 * kWidth},
      {"4-bit with a row copy its record names", WithRowCopy(RawTextureKind::k4Bit, kWidth / 2),
       "t.mi4", 36 + kWidth / 2},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.name);
    Result<TextureImage> image = ParseTexture(t.bytes, t.path);
    ASSERT_TRUE(image) << image.status().ToString();
    EXPECT_EQ(image->pixels_at, t.pixels_at);
  }
  // The game's layout holds the whole picture, its last row included, as the older one does.
  for (const Case* t : {&cases[0], &cases[2]}) {
    Result<TextureImage> image = ParseTexture(t->bytes, t->path);
    ASSERT_TRUE(image);
    EXPECT_TRUE(std::ranges::equal(image->Level(0), Pixels())) << t->name;
  }
}

}  // namespace
}  // namespace velmora
