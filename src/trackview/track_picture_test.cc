#include "trackview/track_picture.h"

#include <gtest/gtest.h>
#ifdef VELMORA_HAVE_LIBPNG
#include <png.h>
#endif

#include <cmath>
#include <cstdlib>
#include <optional>

#include "trackview/png_file.h"
#include "trackview/track_folder.h"
#include "platform/byte_reader.h"
#include "platform/file_system.h"
#include "platform/path_text.h"
#include "platform/temp_folder.h"
#include "platform/units.h"
#include "testing/demo_track.h"
#include "testing/track_object_bytes.h"
#include "track/track_geometry.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

// A decoded PNG: width, height and RGB pixels.
struct Decoded {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};

std::uint32_t BigEndian(std::span<const std::uint8_t> bytes) {
  return static_cast<std::uint32_t>(bytes[0]) << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3];
}

// Reads the files EncodeStoredPng writes, and nothing else: 8-bit RGB, one zlib stream of stored
// deflate blocks, filter 0 on every row. The checksums are not checked here; libpng checks them
// in the Linux suite.
std::optional<Decoded> DecodeStoredPng(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < 8 || bytes[0] != 0x89 || bytes[1] != 'P') return std::nullopt;
  Decoded out;
  std::vector<std::uint8_t> zlib;
  ByteReader file(std::span<const std::uint8_t>(bytes).subspan(8));
  while (file.remaining() >= 12) {
    const std::uint32_t length = BigEndian(file.Bytes(4));
    const std::span<const std::uint8_t> type = file.Bytes(4);
    if (!file.ok() || file.remaining() < length + std::size_t{4}) return std::nullopt;
    const std::span<const std::uint8_t> data = file.Bytes(length);
    file.Skip(4);  // CRC
    const std::string name(type.begin(), type.end());
    if (name == "IHDR" && length == 13) {
      out.width = static_cast<int>(BigEndian(data));
      out.height = static_cast<int>(BigEndian(data.subspan(4)));
      if (data[8] != 8 || data[9] != 2 || data[12] != 0) return std::nullopt;
    } else if (name == "IDAT") {
      zlib.insert(zlib.end(), data.begin(), data.end());
    }
  }
  std::vector<std::uint8_t> raw;
  ByteReader stream(zlib);
  stream.Bytes(2);  // zlib header
  bool last = false;
  while (!last && stream.ok()) {
    const std::uint8_t header = stream.U8();
    if ((header & 0x06) != 0) return std::nullopt;  // only stored blocks
    last = (header & 1) != 0;
    const std::uint16_t size = stream.U16();
    if (static_cast<std::uint16_t>(~stream.U16()) != size) return std::nullopt;
    const std::span<const std::uint8_t> block = stream.Bytes(size);
    raw.insert(raw.end(), block.begin(), block.end());
  }
  const std::size_t row = static_cast<std::size_t>(out.width) * 3;
  if (!stream.ok() || !last || raw.size() != (row + 1) * static_cast<std::size_t>(out.height)) {
    return std::nullopt;
  }
  for (std::size_t at = 0; at < raw.size(); at += row + 1) {
    if (raw[at] != 0) return std::nullopt;  // filter None
    out.rgb.insert(out.rgb.end(), raw.begin() + static_cast<std::ptrdiff_t>(at + 1),
                   raw.begin() + static_cast<std::ptrdiff_t>(at + 1 + row));
  }
  return out;
}

#ifdef VELMORA_HAVE_LIBPNG
// Decodes a PNG with libpng's own reader.
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

// libpng, which checks every CRC and the Adler-32, reads the library-free encoder's files as
// written, including an image data stream of several stored blocks.
TEST(CanvasTest, StoredPngFilesReadTheSameWithLibpng) {
  for (const auto& [width, height] : {std::pair{1, 1}, std::pair{7, 5}, std::pair{200, 130}}) {
    SCOPED_TRACE(width);
    Canvas canvas(width, height, {10, 20, 30});
    canvas.Line(0, 0, width - 1, height - 1, {250, 128, 7});
    canvas.Set(width - 1, 0, {0, 255, 1});
    Result<std::vector<std::uint8_t>> png = EncodeStoredPng(canvas);
    ASSERT_TRUE(png.ok());
    std::optional<Decoded> by_libpng = DecodePng(*png);
    std::optional<Decoded> by_test = DecodeStoredPng(*png);
    ASSERT_TRUE(by_libpng && by_test);
    EXPECT_EQ(by_libpng->width, width);
    EXPECT_EQ(by_libpng->height, height);
    EXPECT_EQ(by_libpng->rgb, canvas.pixels());
    EXPECT_EQ(by_test->rgb, canvas.pixels());
  }
  EXPECT_FALSE(EncodeStoredPng(Canvas(3, 0, {})).ok());
}
#else
// Without libpng the pictures are EncodeStoredPng's files.
std::optional<Decoded> DecodePng(const std::vector<std::uint8_t>& bytes) {
  return DecodeStoredPng(bytes);
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
  static void SetUpTestSuite() { ASSERT_FALSE(DemoTrack().empty()); }
  static fs::path DemoTrack() { return testkit::DemoTrackFolder(VELMORA_CLI_PATH); }
};


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

// A track that would pass the budget section by section is sampled evenly along the lap, and
// walls stop at their budget.
TEST_F(TrackPictureTest, ASmallBudgetSamplesTheLapEvenly) {
  Result<TrackFolder> folder = TrackFolder::Open(DemoTrack());
  ASSERT_TRUE(folder.ok());
  Result<TrackScene> scene = BuildTrackScene(*folder, {10, 40});
  ASSERT_TRUE(scene.ok()) << scene.status().ToString();
  EXPECT_EQ(scene->count(Layer::kReferenceLine), 6);
  for (const ScenePath& path : scene->paths) {
    if (path.layer != Layer::kReferenceLine) continue;
    EXPECT_EQ(path.points.size(), 11u);
  }
  EXPECT_LT(scene->count(Layer::kWall), 28);
}

TEST_F(TrackPictureTest, TheTrackObjectsCutsStripsAndObjectsLandWhereTheTrackPutsThem) {
  std::optional<TempFolder> work = TempFolder::Create("scene");
  const fs::path track_folder = work->path() / "kestrel";
  fs::copy(DemoTrack(), track_folder, fs::copy_options::recursive);
  Result<TrackFolder> plain = TrackFolder::Open(track_folder);
  ASSERT_TRUE(plain.ok());
  TrackGeometry track;
  ASSERT_TRUE(
      track.LoadBytes(plain->Read("kestrel.trk").value(), "tracks/kestrel/kestrel.trk").ok());
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
  EXPECT_EQ(scene->count(Layer::kSectionCut), 3);
  EXPECT_EQ(scene->count(Layer::kStartLine), 1);
  EXPECT_EQ(scene->count(Layer::kGroove), 1);
  EXPECT_EQ(scene->count(Layer::kFlagger), 1);
  EXPECT_EQ(scene->count(Layer::kHay), 1);
  EXPECT_EQ(scene->count(Layer::kOtherObject), 1);
  EXPECT_TRUE(scene->notes.empty());
  // Each cut runs across the road from the first reference line to the last where it was made.
  int cut = 0;
  for (const ScenePath& path : scene->paths) {
    if (path.layer != Layer::kSectionCut) continue;
    SCOPED_TRACE(cut_at[cut]);
    ASSERT_EQ(path.points.size(), 2u);
    const testkit::TrackObjectParts::Point a = ground(cut_at[cut], left);
    const testkit::TrackObjectParts::Point b = ground(cut_at[cut], right);
    EXPECT_LT(std::hypot(path.points[0].x - a.x, path.points[0].y - a.y), 0.5);
    EXPECT_LT(std::hypot(path.points[1].x - b.x, path.points[1].y - b.y), 0.5);
    ++cut;
  }
}

TEST_F(TrackPictureTest, ShowWritesAPictureOfTheFixedSizeWithTheRaceLineOnIt) {
  std::optional<TempFolder> out = TempFolder::Create("png");
  const fs::path png = out->path() / "kestrel.png";
  ASSERT_TRUE(ShowTrack(DemoTrack(), png).ok());
  std::optional<Decoded> decoded =
      DecodePng(ReadFileBytes(png).value_or(std::vector<std::uint8_t>{}));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->width, 1600);
  EXPECT_EQ(decoded->height, 1200);
  std::size_t red = 0;
  for (std::size_t i = 0; i + 2 < decoded->rgb.size(); i += 3) {
    red += decoded->rgb[i] == 215 && decoded->rgb[i + 1] == 25 && decoded->rgb[i + 2] == 30;
  }
  EXPECT_GT(red, 1000u);  // a lap of 2.7 km at about a pixel a metre

  const Status not_track = ShowTrack(DemoTrack().parent_path(), png);
  EXPECT_TRUE(not_track.IsNotFound());
  EXPECT_EQ(not_track.message(), DemoTrack().parent_path().string() +
                                     " is not a GPL track folder: it holds neither tracks.dat "
                                     "nor tracks.trk");
}

}  // namespace
}  // namespace velmora
