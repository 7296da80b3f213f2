#include "track/track_geometry_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "platform/byte_reader.h"
#include "samples/track_builders.h"

namespace velmora {
namespace {

using samples::BuildTrackFile;
using samples::TrackSectionSpec;
using samples::TrackSpec;

TrackGeometry Loaded(const std::vector<std::uint8_t>& bytes, std::string_view path = "t.trk") {
  TrackGeometry track;
  const Status loaded = track.LoadBytes(bytes, path);
  EXPECT_TRUE(loaded.ok()) << loaded.ToString();
  return track;
}

TrackSpec OneSection(std::vector<SurfaceEntry> surfaces, std::vector<WallEntry> walls) {
  TrackSpec layout;
  layout.lines = {-100000, 100000};
  layout.sections.push_back({kStraight, 100000, 0, std::move(surfaces), std::move(walls), {}});
  return layout;
}

Strip S(std::int32_t start, std::int32_t type) { return {start, start, type, 0, 0, 0, 0, 0}; }
Strip W(std::int32_t start) { return {start, start, 2059, 16, 25000, 0, 0, 0}; }
WallEntry Wall(std::int32_t kind, std::int32_t at) { return {kind, at, at, kFiller, kFiller}; }

TEST(TrackGeometryWriterTest, NewestLayoutStrips) {
  SCOPED_TRACE("a section without walls: its last strip becomes the border");
  TrackGeometry plain =
      Loaded(BuildTrackFile(OneSection({{-90000, -90000, 50}, {60000, 60000, 33}}, {}), 6));
  EXPECT_EQ(NewestLayoutStrips(plain, 0),
            (std::vector<Strip>{S(-90000, 1), {80000, 80000, 10, 0, 0, 0, 0, 0}}));

  SCOPED_TRACE("two adjacent walls: a strip of the last surface type between them");
  TrackGeometry adjacent =
      Loaded(BuildTrackFile(OneSection({{-90000, -90000, 50}}, {{6, -120000, -120000, 0, 0},
                                                                {4, -110000, -110000, 0, 0},
                                                                {4, 100000, 100000, 0, 0}}),
                            6));
  Strip fill = W(-120100);
  fill[0] = fill[1] = -120000;
  fill[2] = 2;  // no surface before it: type 2
  EXPECT_EQ(NewestLayoutStrips(adjacent, 0),
            (std::vector<Strip>{W(-120100),
                                fill,
                                W(-110100),
                                S(-110000, 1),
                                W(99900),
                                {100000, 100000, 10, 16, 25000, 0, 0, 0}}));

  SCOPED_TRACE("surface codes map to strip types; inner walls dropped on such tracks");
  const std::vector<SurfaceEntry> codes = {{-5, -5, 22}, {-4, -4, 30}, {-3, -3, 45},
                                           {-2, -2, 46}, {-1, -1, 3},  {0, 0, 29}};
  const std::vector<WallEntry> walls = {
      {6, -200000, -200000, 0, 0}, {4, 1000, 1000, 0, 0}, {4, 200000, 200000, 0, 0}};
  TrackGeometry pocono = Loaded(BuildTrackFile(OneSection(codes, walls), 6), "x/pocono.trk");
  std::vector<std::int32_t> types;
  for (const Strip& strip : NewestLayoutStrips(pocono, 0)) types.push_back(strip[2]);
  EXPECT_EQ(types, (std::vector<std::int32_t>{2059, 7, 2, 2, 1, 5, 5, 2059, 10}));
}

TEST(TrackGeometryWriterTest, GplSectionTwoWallAndAllWallCases) {
  const std::vector<Strip> strips = {W(-230100), S(-230000, 2), S(-150000, 1), W(-1000),
                                     S(-900, 1), W(229900),     S(230000, 10)};
  SectionSettings settings;  // defaults: every section takes the two-wall case
  GplSection two = GplSectionFromStrips(strips, 0, settings);
  // Collected: -230100 and the strip behind it, -1000 and the strip behind it, 229900. The
  // last negative start is the first wall; surfaces outside the two walls go.
  EXPECT_EQ(two.walls, (std::vector<WallEntry>{Wall(6, -900), Wall(4, 229900)}));
  EXPECT_EQ(two.surfaces, (std::vector<SurfaceEntry>{{-900, -900, 54}, {229900, 229900, 6}}));

  settings.all_walls_from = 0;
  settings.all_walls_to = 0;
  settings.first_strip_wall = 1;
  GplSection all = GplSectionFromStrips(strips, 0, settings);
  // First strip is a wall (type 2059 > 2): not put in front. Collected: -230100, -230000
  // (the strip behind a negative wall), -1000, -900, 229900 (the next is skipped).
  EXPECT_EQ(all.walls, (std::vector<WallEntry>{Wall(4, -230100), Wall(4, -230000), Wall(4, -1000),
                                               Wall(4, -900), Wall(4, 229900)}));
}

TEST(TrackGeometryWriterTest, TwelveLinesKeepLinesFourToSeven) {
  TrackSpec layout = samples::SampleCircuitSpec();
  layout.lines.clear();
  for (int i = 0; i < 12; ++i) layout.lines.push_back(-275000 + 50000 * i);
  TrackGeometry newest = Loaded(BuildTrackFile(layout, 3000));
  TrackGeometry gpl = Loaded(GplLayoutBytes(newest));
  ASSERT_EQ(gpl.line_count(), 4);
  EXPECT_EQ(gpl.lines(),
            std::vector<std::int32_t>(layout.lines.begin() + 4, layout.lines.begin() + 8));
  for (int s = 0; s < gpl.section_count(); ++s) {
    for (int l = 0; l < 4; ++l) {
      LineRecord expected = newest.line_record(s, l + 4);
      if (newest.section(s).kind() == kArc) expected[kPyWord] = kFiller;
      EXPECT_EQ(gpl.line_record(s, l), expected) << s << " " << l;
    }
  }
}

// Source layout -> newest layout -> GPL's layout. The writers copy the line records and the
// section words that positions are made from, so positions must agree to rounding of the
// same double arithmetic: 1e-6 m is far below GPL's own float precision and would catch any
// lost or shifted word (the smallest change, one track unit, is 5e-5 m).
TEST(TrackGeometryWriterTest, RoundTripKeepsTheTrack) {
  const std::vector<std::uint8_t> source_bytes =
      BuildTrackFile(samples::SampleCircuitSpec(), samples::kSourceLayoutVersion);
  TrackGeometry source = Loaded(source_bytes, "x/kestrel.trk");
  TrackGeometry newest = Loaded(NewestLayoutBytes(source), "x/kestrel.trk");
  ASSERT_EQ(newest.layout(), kNewestLayout);
  const std::vector<std::uint8_t> gpl_bytes = GplLayoutBytes(newest);
  TrackGeometry gpl = Loaded(gpl_bytes, "x/kestrel.trk");
  // The reader holds the header's block sizes to at most the file: the file holds nothing past
  // them.
  ByteReader header(std::span<const std::uint8_t>(gpl_bytes).subspan(24));  // the section block
  EXPECT_EQ(gpl_bytes.size(), gpl.section_block_at() + header.U32());
  // The GPL layout is written from the newest one: its positions hold both writers' words.
  EXPECT_EQ(gpl.track_length(), source.track_length());
  const std::int64_t length = source.track_length();
  for (std::int64_t d = 0; d < length; d += 9973) {
    const auto dlong = static_cast<std::int32_t>(d);
    EXPECT_DOUBLE_EQ(gpl.HeadingAt(dlong), source.HeadingAt(dlong));
    for (std::int32_t dlat : {-240000, -50000, 0, 1, 77777, 240000}) {
      const Point3 a = source.PositionAt(dlong, dlat);
      const Point3 b = gpl.PositionAt(dlong, dlat);
      ASSERT_NEAR(std::hypot(a.x - b.x, a.y - b.y, a.z - b.z) / 19685.0, 0, 1e-6)
          << d << " " << dlat;
    }
  }
}

// Each wall's end meets the next section's start, the last section's meeting section 0's: the
// value nearer to 0 wins (209900, the last wall 100 inside, against section 0's).
TEST(TrackGeometryWriterTest, WallsMeetAcrossTheLapEnd) {
  TrackSpec layout = samples::SampleCircuitSpec();
  layout.sections.back().walls = {{6, -260000, -250000, 0, 0}, {4, 200000, 210000, 0, 0}};
  TrackGeometry gpl = Loaded(GplLayoutBytes(Loaded(BuildTrackFile(layout, 6))));
  const int last = gpl.section_count() - 1;
  std::span<const WallEntry> end = gpl.walls(last);
  ASSERT_EQ(end.size(), gpl.walls(0).size());
  for (std::size_t k = 0; k < end.size(); ++k) EXPECT_EQ(end[k][2], gpl.walls(0)[k][1]) << k;
  EXPECT_EQ(end.back()[2], 209900);
  for (int s = 0; s < last; ++s) EXPECT_EQ(gpl.walls(s).back()[2], gpl.walls(s + 1).back()[1]) << s;
}

TEST(TrackGeometryWriterTest, GplLayoutRewriteSetsSlopesAndFillers) {
  TrackSpec layout = samples::SampleCircuitSpec();
  std::vector<std::uint8_t> bytes = BuildTrackFile(layout, 1);
  TrackGeometry original = Loaded(bytes);
  TrackGeometry again = Loaded(GplLayoutBytes(original));
  EXPECT_EQ(again.image().size(), bytes.size());
  const int last = again.section_count() - 1;
  EXPECT_EQ(again.line_record(0, 0)[4], 3 * again.line_record(0, 0)[0]);
  EXPECT_EQ(again.line_record(0, 0)[5], 2 * again.line_record(0, 0)[1]);
  EXPECT_EQ(again.line_record(last, 0)[4], original.line_record(last, 0)[4]);
  EXPECT_EQ(std::tuple(again.walls(0)[0][3], again.walls(0)[0][4]), std::tuple(kFiller, kFiller));
  // Writing the newest layout of a newest-layout track writes nothing.
  TrackGeometry newest = Loaded(BuildTrackFile(layout, 3000));
  EXPECT_TRUE(WriteNewestLayout(newest, "/nonexistent/velmora/x.trk").ok());
  EXPECT_FALSE(WriteGplLayout(TrackGeometry(), "/tmp/never.trk").ok());
}

}  // namespace
}  // namespace velmora
