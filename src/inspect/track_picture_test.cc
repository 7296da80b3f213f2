#include "inspect/track_picture.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <png.h>
#endif

#include <cmath>
#include <cstdlib>

#include "inspect/png_file.h"
#include "inspect/track_folder.h"
#include "platform/file_system.h"
#include "platform/path_text.h"
#include "platform/temp_folder.h"
#include "testing/run_command.h"
#include "testing/stored_png_reader.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

// Decodes a PNG with libpng's own reader: width, height and RGB pixels.
struct Decoded {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};
#ifdef _WIN32
// The Windows build writes stored deflate blocks and has no libpng: its own strict reader.
std::optional<Decoded> DecodePng(const std::vector<std::uint8_t>& bytes) {
  std::optional<testkit::DecodedPng> png = testkit::DecodeStoredPng(bytes);
  if (!png) return std::nullopt;
  return Decoded{png->width, png->height, std::move(png->rgb)};
}
#else
std::optional<Decoded> DecodePng(const std::vector<std::uint8_t>& bytes) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return std::nullopt;
  image.format = PNG_FORMAT_RGB;
  Decoded out;
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  out.rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr)) return std::nullopt;
  return out;
}
#endif

TEST(CanvasTest, PixelsSurviveThePngRoundTrip) {
  Canvas canvas(7, 5, {1, 2, 3});
  canvas.Set(6, 4, {250, 128, 7});
  canvas.Line(0, 0, 6, 0, {9, 9, 9});
  Result<std::vector<std::uint8_t>> png = EncodePng(canvas);
  ASSERT_TRUE(png.ok());
  std::optional<Decoded> decoded = DecodePng(*png);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->width, 7);
  EXPECT_EQ(decoded->height, 5);
  EXPECT_EQ(decoded->rgb, canvas.pixels());
  EXPECT_FALSE(EncodePng(Canvas(0, 3, {})).ok());
}

TEST(CanvasTest, DrawingClipsToThePictureAndTextUsesTheBuiltInFont) {
  Canvas canvas(20, 10, {255, 255, 255});
  canvas.Line(-1e9, -1e9, 1e9, 1e9, {0, 0, 0}, 3);
  canvas.Line(0, 0, std::nan(""), 5, {0, 0, 0});
  canvas.Disc(1e12, 5, 4, {0, 0, 0});
  canvas.FillRect(-5, -5, 1 << 30, 2, {0, 0, 0});
  EXPECT_EQ(canvas.Text(1, 1, "Hi", {200, 0, 0}, 1), 12);
  EXPECT_EQ(TextWidth("Hi", 2), 24);
  // 'H' has its left column set in every row; 'i' has a dot over a blank row.
  EXPECT_EQ(canvas.At(1, 4), (Rgb{200, 0, 0}));
  EXPECT_EQ(canvas.At(7 + 2, 2), (Rgb{255, 255, 255}));
  EXPECT_EQ(canvas.At(99, 99), Rgb{});
}

class TrackPictureTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    demo_ = new std::optional<TempFolder>(TempFolder::Create("demo"));
    ASSERT_EQ(testkit::RunCommand(VELMORA_CLI_PATH, {"demo", PathToUtf8((**demo_).path())}), 0);
  }
  static void TearDownTestSuite() {
    delete demo_;
    demo_ = nullptr;
  }
  static fs::path DemoTrack() { return (**demo_).path() / "gpl" / "tracks" / "kestrel"; }
  static std::optional<TempFolder>* demo_;
};

std::optional<TempFolder>* TrackPictureTest::demo_ = nullptr;

TEST_F(TrackPictureTest, TheSceneHoldsTheTrackFileAndItsRacingLines) {
  Result<TrackFolder> folder = TrackFolder::Open(DemoTrack());
  ASSERT_TRUE(folder.ok());
  Result<TrackScene> scene = BuildTrackScene(*folder);
  ASSERT_TRUE(scene.ok()) << scene.status().ToString();
  EXPECT_EQ(scene->track, "kestrel");
  EXPECT_EQ(scene->sections, 14);
  EXPECT_EQ(scene->count(Layer::kReferenceLine), 6);
  EXPECT_EQ(scene->count(Layer::kWall), 28);  // two wall strips a section
  EXPECT_EQ(scene->count(Layer::kRaceLine), 1);
  EXPECT_EQ(scene->count(Layer::kPitLine), 1);
  // The race line is a closed lap: its last point lies near its first (a point every 3 m).
  for (const ScenePath& path : scene->paths) {
    if (path.layer != Layer::kRaceLine) continue;
    EXPECT_EQ(path.points.size(), 889u);
    const GroundPoint& a = path.points.front();
    const GroundPoint& b = path.points.back();
    EXPECT_LT(std::hypot(a.x - b.x, a.y - b.y), 6.0);
  }
}

TEST_F(TrackPictureTest, ShowWritesAPictureOfTheFixedSizeWithTheRaceLineOnIt) {
  std::optional<TempFolder> out = TempFolder::Create("png");
  const fs::path png = out->path() / "kestrel.png";
  ASSERT_TRUE(ShowTrack(DemoTrack(), png).ok());
  std::optional<Decoded> decoded = DecodePng(ReadFileBytes(png).value_or(std::vector<std::uint8_t>{}));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->width, 1600);
  EXPECT_EQ(decoded->height, 1200);
  std::size_t red = 0;
  for (std::size_t i = 0; i + 2 < decoded->rgb.size(); i += 3) {
    red += decoded->rgb[i] == 215 && decoded->rgb[i + 1] == 25 && decoded->rgb[i + 2] == 30;
  }
  EXPECT_GT(red, 2000u);  // a 2 km lap drawn two pixels wide

  const Status not_track = ShowTrack(DemoTrack().parent_path(), png);
  EXPECT_TRUE(not_track.IsNotFound());
  EXPECT_EQ(not_track.message(), DemoTrack().parent_path().string() +
                                     " is not a GPL track folder: it holds neither tracks.dat "
                                     "nor tracks.trk");
}

}  // namespace
}  // namespace velmora
