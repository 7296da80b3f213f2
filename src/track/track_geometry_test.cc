#include "track/track_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "platform/byte_writer.h"
#include "samples/track_builders.h"
#include "testing/corruption.h"

namespace velmora {
namespace {

using samples::BuildTrackFile;
using samples::TrackSectionSpec;
using samples::TrackSpec;

// Two straights of 100000 units along +x, three reference lines, walls that open outwards.
TrackSpec TwoStraights() {
  TrackSpec layout;
  layout.lines = {-100000, 0, 100000};
  std::vector<WallEntry> walls = {{6, -120000, -140000, 0, 0},
                                  {4, -50000, -50000, 0, 0},
                                  {4, 50000, 50000, 0, 0},
                                  {4, 110000, 130000, 0, 0},
                                  {4, 150000, 150000, 0, 0}};
  layout.sections.push_back({kStraight, 100000, 0, {{-100000, -100000, 50}}, walls, {}});
  layout.sections.push_back({kStraight, 100000, 0, {{-100000, -100000, 50}}, {}, {}});
  return layout;
}

TrackGeometry Loaded(const std::vector<std::uint8_t>& bytes, std::string_view path = "t.trk") {
  TrackGeometry track;
  const Status loaded = track.LoadBytes(bytes, path);
  EXPECT_TRUE(loaded.ok()) << loaded.ToString();
  return track;
}

// The newest layout's section records drop word four, so cx arrives in word 4 although the file
// holds a 0 there; otherwise it loads as the others do.
TEST(TrackGeometryTest, LoadsEveryLayout) {
  const TrackSpec layout = samples::SampleCircuitSpec();
  const TrackGeometry source = Loaded(BuildTrackFile(layout, 6));
  auto words = [](const SectionRecord& r) { return std::tuple(r.cx(), r.cy(), r.turn()); };
  TrackGeometry track = Loaded(BuildTrackFile(layout, 3000));
  EXPECT_EQ(track.layout(), kNewestLayout);
  EXPECT_EQ(std::tuple(track.line_count(), track.lines()), std::tuple(6, layout.lines));
  ASSERT_EQ(track.section_count(), 14);
  for (int s = 0; s < track.section_count(); ++s) {
    EXPECT_EQ(words(track.section(s)), words(source.section(s))) << s;
    EXPECT_EQ(track.section(s).words[12], track.section(s).words[11]) << s;
  }
  EXPECT_NE(source.section(1).cx(), 0);
}

// A section holds its start and ends one unit before the next section's start. A dlat of 0
// uses the interval whose upper line is positive.
TEST(TrackGeometryTest, SectionContainingAndTheZeroDlatInterval) {
  TrackSpec layout = TwoStraights();
  TrackGeometry track = Loaded(BuildTrackFile(layout, 6));
  for (const auto& [dlong, section] : {std::pair{0, 0}, {99999, 0}, {100000, 1}, {200000, -1}}) {
    EXPECT_EQ(track.SectionContaining(dlong), section) << dlong;  // -1: past the lap
  }
  // With a line at exactly 0 the interval is (0, 100000): line 1 and line 2.
  EXPECT_NEAR(track.PositionAt(0, 50000).y, 50000, 1);
  EXPECT_NEAR(track.PositionAt(0, 0).y, 0, 1);
}

// Halfway along section 0 the first wall is at -130000, the last at 150000; section 1 has no
// walls, so the outermost reference lines stand in for the sentinels.
TEST(TrackGeometryTest, WallSentinelsAndWallsAt) {
  TrackGeometry track = Loaded(BuildTrackFile(TwoStraights(), 6));
  const std::array<double, 3> sentinels[] = {
      {50000, INT_MIN, -130000}, {50000, INT_MAX, 150000}, {150000, INT_MIN, -100000}};
  for (const auto& [dlong, dlat, y] : sentinels) {
    EXPECT_NEAR(track.PositionAt(dlong, static_cast<std::int32_t>(dlat)).y, y, 1) << dlong;
  }
  // At most four walls, the outer ends picked.
  std::array<std::int32_t, 4> out{};
  ASSERT_EQ(track.WallsAt(50000, 0, out), 4);
  EXPECT_EQ(out, (std::array<std::int32_t, 4>{-130000, -50000, 50000, 120000}));
  ASSERT_EQ(track.WallsAt(50000, 1, out), 4);
  EXPECT_EQ(out, (std::array<std::int32_t, 4>{-140000, -50000, 50000, 130000}));
  EXPECT_EQ(track.WallsAt(150000, 0, out), 0);  // no walls
}

// The lap's end is section 0's start.
TEST(TrackGeometryTest, DirectionPlaneOffsetAndTheLapEnd) {
  TrackGeometry track = Loaded(BuildTrackFile(samples::SampleCircuitSpec(), 6));
  const auto length = static_cast<std::int32_t>(track.track_length());
  const Point3 start = track.PositionAt(0, 0);
  const Point3 end = track.PositionAt(length, 0);
  EXPECT_EQ(std::tuple(end.x, end.y, end.z), std::tuple(start.x, start.y, start.z));
  // Section 0 runs along +x from the origin; line 0 lies 250000 units to its right.
  TrackDirection d = track.DirectionAt(10000);
  EXPECT_NEAR(d.cos, 1, 1e-5);
  EXPECT_NEAR(d.sin, 0, 1e-5);
  EXPECT_NEAR(d.plane_offset, -10000 / 19685.0, 1e-3);
}

// The boundaries of the start ranges, and the order in which the names are tried.
TEST(TrackGeometryTest, DropsInnerWallsRows) {
  const std::tuple<const char*, std::int64_t, bool> rows[] = {
      {"gateway.trk", 4537155, true},
      {"gateway.trk", 4537156, false},
      {"gateway_indy.trk", 10000000, true},  // gateway undecided: the next names go on
      {"laguna.trk", 64344733, true},
      {"laguna.trk", 64344734, false},
      {"lagunahq.trk", 65000000, false},  // decided by "laguna", not the unconditional row
      {"clvlndhq.trk", 71826187, false},
      {"vancouvr_vanhq.trk", 47710000, false},  // vancouvr undecided: vanhq decides
      {"other.trk", 0, false},
  };
  const std::vector<std::uint8_t> bytes = BuildTrackFile(TwoStraights(), 6);
  for (const auto& [path, start, drops] : rows) {
    EXPECT_EQ(Loaded(bytes, path).DropsInnerWalls(start), drops) << path << " " << start;
  }
}

TEST(TrackGeometryTest, SectionSurfacesMergesWallsAndBorders) {
  TrackSpec layout;
  layout.lines = {-100000, 100000};
  layout.sections.push_back({kStraight,
                             100000,
                             0,
                             {{-90000, -90000, 10}, {-60000, -60000, 50}, {60000, 60000, 20}},
                             {{6, -80000, -80000, 0, 0}, {0, 70000, 70000, 0, 0}},
                             {}});
  TrackGeometry track = Loaded(BuildTrackFile(layout, 1));
  SectionRecord record;
  std::vector<SurfaceEntry> out;
  ASSERT_TRUE(track.SectionSurfaces(0, record, out, false));
  const std::vector<SurfaceEntry> plain = {{-90000, -90000, 10}, {-80000, -80000, -6},
                                           {-80000, -80000, 10}, {-60000, -60000, 50},
                                           {60000, 60000, 20},   {70000, 70000, -1}};
  EXPECT_EQ(out, plain);
  ASSERT_TRUE(track.SectionSurfaces(0, record, out, true));
  const std::vector<SurfaceEntry> bordered = {
      {-90000, -90000, 10}, {-80000, -80000, -6}, {-80000, -80000, 10}, {-63000, -63000, 100},
      {-60000, -60000, 50}, {60000, 60000, 100},  {63000, 63000, 20},   {70000, 70000, -1}};
  EXPECT_EQ(out, bordered);
  EXPECT_FALSE(track.SectionSurfaces(1, record, out, false));
}

// Corruption: a valid file cut at every length, header fields pointed past the end, no file.
TEST(TrackGeometryTest, RefusesDamagedFiles) {
  const std::vector<std::uint8_t> good = BuildTrackFile(TwoStraights(), 6);
  testkit::ExpectEveryCutRefused(
      [](std::vector<std::uint8_t> bytes) {
        TrackGeometry track;
        const Status loaded = track.LoadBytes(std::move(bytes), "t.trk");
        EXPECT_TRUE(loaded.ok() || (loaded.IsCorruption() && !loaded.message().empty()));
        return track.loaded();
      },
      good);
  // The section block: section 0 (52 bytes and 5 walls), then section 1 (52 bytes).
  const std::size_t section_block = good.size() - 52 - 5 * 20 - 52;
  const std::tuple<std::size_t, std::uint32_t, std::string> patches[] = {
      {0, 0x4B524154u, "it does not begin with \"KART\""},
      {12, 11, "its reference-line count 11 is not 1 to 10"},
      {16, 0x7FFFFFFF, "its section count 2147483647 is out of range"},
      {20, 0xFFFFFFF0u, "its block sizes are negative"},
      {24, 1000000,
       "its blocks need " + std::to_string(section_block + 1000000) + " bytes but the file holds " +
           std::to_string(good.size())},
      // Section 0's wall count (word 12) claims 8 walls.
      {section_block + 48, 8, "section 0 has walls outside the section block"},
      // Section 1's surface_first points past the two surface entries.
      {section_block + 152 + 44, 2, "section 1 names surfaces outside the surface block"},
      // Section 1's offset points into its own last word.
      {72, 152 + 4, "section 1 lies outside the section block"},
  };
  for (const auto& [at, value, error] : patches) {
    TrackGeometry track;
    const Status loaded = track.LoadBytes(testkit::WithU32(good, at, value), "t.trk");
    EXPECT_TRUE(loaded.IsCorruption() && loaded.message() == error) << loaded.ToString();
  }
  TrackGeometry missing;
  const Status loaded = missing.Load("/nonexistent/velmora/none.trk", "none.trk");
  EXPECT_TRUE(loaded.IsNotFound());
  EXPECT_EQ(loaded.message(), "it cannot be read");
}

}  // namespace
}  // namespace velmora
