#include "trackview/track_picture.h"

#include <gtest/gtest.h>
#ifdef VELMORA_HAVE_LIBPNG
#include <png.h>
#endif

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <span>
#include <string_view>

#include "platform/file_system.h"
#include "platform/path_text.h"
#include "platform/temp_folder.h"
#include "platform/units.h"
#include "testing/demo_track.h"
#include "testing/track_object_bytes.h"
#include "track/track_geometry.h"
#include "trackview/png_file.h"
#include "trackview/track_folder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

std::uint32_t U32Be(std::span<const std::uint8_t> bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value = value << 8 | bytes[at + i];
  return value;
}

#ifdef VELMORA_HAVE_LIBPNG
struct Decoded {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // top row first, red, green, blue
};

// Decodes a PNG with libpng's own reader. The Windows build, without libpng, writes its pictures
// with EncodeStoredPng: the same code whose files are read back here.
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

// Both encoders' files read back as the canvas, the library-free one's image data in several
// stored blocks at the largest size; libpng checks every CRC and the Adler-32.
TEST(CanvasTest, PixelsSurviveThePngRoundTrip) {
  for (const auto& [width, height] : {std::pair{1, 1}, std::pair{7, 5}, std::pair{200, 130}}) {
    Canvas canvas(width, height, {10, 20, 30});
    canvas.Line(0, 0, width - 1, height - 1, {250, 128, 7});
    canvas.Set(width - 1, 0, {0, 255, 1});
    for (auto* encode : {&EncodePng, &EncodeStoredPng}) {
      SCOPED_TRACE(testing::Message() << width << (encode == &EncodePng ? " EncodePng" : ""));
      Result<std::vector<std::uint8_t>> png = encode(canvas);
      ASSERT_TRUE(png.ok());
      std::optional<Decoded> decoded = DecodePng(*png);
      ASSERT_TRUE(decoded);
      EXPECT_EQ(std::pair(decoded->width, decoded->height), std::pair(width, height));
      EXPECT_EQ(decoded->rgb, canvas.pixels());
    }
  }
  EXPECT_FALSE(EncodePng(Canvas(0, 3, {})).ok());
  EXPECT_FALSE(EncodeStoredPng(Canvas(3, 0, {})).ok());
}
#endif  // VELMORA_HAVE_LIBPNG

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
  static void SetUpTestSuite() { ASSERT_FALSE(DemoTrack().empty()); }
  static fs::path DemoTrack() { return testkit::DemoTrackFolder(VELMORA_CLI_PATH); }
};

TEST_F(TrackPictureTest, TheSceneHoldsTheTrackFileAndItsRacingLinesWithinItsBudget) {
  Result<TrackFolder> folder = TrackFolder::Open(DemoTrack());
  ASSERT_TRUE(folder.ok());
  Result<TrackScene> scene = BuildTrackScene(*folder);
  ASSERT_TRUE(scene.ok()) << scene.status().ToString();
  // Sections, then reference lines, walls (two strips a section), race and pit lines.
  EXPECT_EQ((std::array<int, 5>{scene->sections, scene->count(Layer::kReferenceLine),
                                scene->count(Layer::kWall), scene->count(Layer::kRaceLine),
                                scene->count(Layer::kPitLine)}),
            (std::array<int, 5>{14, 6, 28, 1, 1}));
  // The race line whole, a point every 3 m.
  for (const ScenePath& path : scene->paths) {
    EXPECT_TRUE(path.layer != Layer::kRaceLine || path.points.size() == 889u);
  }
  // A track that would pass the budget section by section is sampled evenly along the lap, and
  // walls stop at their budget.
  Result<TrackScene> small = BuildTrackScene(*folder, {10, 40});
  ASSERT_TRUE(small.ok()) << small.status().ToString();
  EXPECT_EQ(small->count(Layer::kReferenceLine), 6);
  for (const ScenePath& path : small->paths) {
    EXPECT_TRUE(path.layer != Layer::kReferenceLine || path.points.size() == 11u);
  }
  EXPECT_LT(small->count(Layer::kWall), 28);
}

TEST_F(TrackPictureTest, TheTrackObjectsCutsStripsAndObjectsLandWhereTheTrackPutsThem) {
  std::optional<TempFolder> work = TempFolder::Create("scene");
  const fs::path track_folder = work->path() / "kestrel";
  fs::copy(DemoTrack(), track_folder, fs::copy_options::recursive);
  Result<TrackFolder> plain = TrackFolder::Open(track_folder);
  ASSERT_TRUE(plain.ok());
  TrackGeometry track;
  ASSERT_TRUE(
      track.LoadBytes(plain->Read("kestrel.trk").value().Take(), "tracks/kestrel/kestrel.trk")
          .ok());
  const std::int32_t left = track.lines().front();
  const std::int32_t right = track.lines().back();
  auto ground = [&](double metres, std::int32_t dlat) {
    const Point3 p = track.PositionAt(static_cast<std::int32_t>(metres * kUnitsPerMetre), dlat);
    return testkit::TrackObjectParts::Point{static_cast<float>(p.x / kUnitsPerMetre),
                                            static_cast<float>(p.y / kUnitsPerMetre)};
  };

  // Cuts at 100 m (a straight), 450 m and 1300 m, as the track object writer makes them.
  const double cut_at[] = {100, 450, 1300};
  testkit::TrackObjectParts parts;
  for (double metres : cut_at) {
    const TrackDirection d = track.DirectionAt(static_cast<std::int32_t>(metres * kUnitsPerMetre));
    parts.cuts.push_back(
        {static_cast<float>(d.cos), static_cast<float>(d.sin), static_cast<float>(d.plane_offset)});
  }
  // The start band over the lap's first metre, and another flat quad further on.
  parts.vertices = {ground(0, left),   ground(1, left),   ground(1, right),   ground(0, right),
                    ground(500, left), ground(501, left), ground(501, right), ground(500, right)};
  parts.flat_quads = {{0, 1, 2, 3}, {4, 5, 6, 7}};
  parts.grooves = {{4, 5, 6, 7}};
  parts.placed = {{"flagger", ground(300, right)},
                  {"_hay", ground(310, right)},
                  {"kboards", ground(320, left)}};
  ASSERT_TRUE(WriteFileBytes(track_folder / "kestrelx.3do", testkit::BuildTrackObjectBytes(parts)));

  Result<TrackFolder> folder = TrackFolder::Open(track_folder);
  ASSERT_TRUE(folder.ok());
  Result<TrackScene> scene = BuildTrackScene(*folder);
  ASSERT_TRUE(scene.ok());
  std::vector<int> counts;
  for (Layer layer : {Layer::kSectionCut, Layer::kStartLine, Layer::kGroove, Layer::kFlagger,
                      Layer::kHay, Layer::kOtherObject}) {
    counts.push_back(scene->count(layer));
  }
  EXPECT_EQ(counts, (std::vector<int>{3, 1, 1, 1, 1, 1}));
  // Each cut runs across the road from the first reference line to the last where it was made.
  auto near = [](GroundPoint p, testkit::TrackObjectParts::Point q) {
    return std::hypot(p.x - q.x, p.y - q.y) < 0.5;
  };
  int cut = 0;
  for (const ScenePath& path : scene->paths) {
    if (path.layer != Layer::kSectionCut) continue;
    SCOPED_TRACE(cut_at[cut]);
    ASSERT_EQ(path.points.size(), 2u);
    EXPECT_TRUE(near(path.points[0], ground(cut_at[cut], left)));
    EXPECT_TRUE(near(path.points[1], ground(cut_at[cut++], right)));
  }
}

TEST_F(TrackPictureTest, ShowWritesAPictureOfTheFixedSizeWithTheRaceLineOnIt) {
  std::optional<TempFolder> out = TempFolder::Create("png");
  const fs::path png = out->path() / "kestrel.png";
  ASSERT_TRUE(ShowTrack(DemoTrack(), png).ok());
  const std::vector<std::uint8_t> bytes = ReadFileBytes(png).value_or(std::vector<std::uint8_t>{});
  ASSERT_GT(bytes.size(), 24u);
  // IHDR's width and height follow the signature and the chunk's length and type.
  EXPECT_EQ(std::pair(U32Be(bytes, 16), U32Be(bytes, 20)), std::pair(1600u, 1200u));
#ifdef VELMORA_HAVE_LIBPNG
  std::optional<Decoded> decoded = DecodePng(bytes);
  ASSERT_TRUE(decoded);
  std::size_t red = 0;
  for (std::size_t i = 0; i + 2 < decoded->rgb.size(); i += 3) {
    red += decoded->rgb[i] == 215 && decoded->rgb[i + 1] == 25 && decoded->rgb[i + 2] == 30;
  }
  EXPECT_GT(red, 1000u);  // a lap of 2.7 km at about a pixel a metre
#endif

  const Status not_track = ShowTrack(DemoTrack().parent_path(), png);
  EXPECT_TRUE(not_track.IsNotFound());
  EXPECT_EQ(not_track.message(), DemoTrack().parent_path().string() +
                                     " is not a GPL track folder: it holds neither tracks.dat "
                                     "nor tracks.trk");
}

}  // namespace
}  // namespace velmora
