// Trackside objects from the carried tables and the groove and start line strips, placed on
// synthetic track objects over a straight track along +x (so x is dlong and y is dlat).
#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "object/object_file.h"
#include "object/source_node_writers.h"
#include "object/track_object_writer.h"
#include "resources/embedded_files.h"
#include "samples/track_object_builder.h"
#include "trackside/track_strips.h"
#include "trackside/trackside_placement.h"

namespace velmora {
namespace {

constexpr std::uint32_t kMetre = 19685;

std::span<const std::uint8_t> Text(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// A linked, sectioned track object and a stream to place into.
struct Scene {
  TrackGeometry track;
  std::unique_ptr<Object3do> object;
  std::unique_ptr<TrackObjectWriter> writer;
  GplObjectWriter out;
  std::unique_ptr<GplNodeStream> stream;

  Scene(TrackGeometry geometry, const samples::TrackObjectSpec& plan, const ResourceStore* store,
        int format = 2)
      : track(std::move(geometry)) {
    Result<ObjectFile> file =
        ReadObjectBytes(samples::BuildTrackObject(plan, track, format), "t.3do");
    object = std::move(file->source);
    object->SetTrack(&track);
    object->SetResources(store);
    EXPECT_TRUE(object->BuildTree().ok());
    BuildPlanes(*object);
    writer = std::make_unique<TrackObjectWriter>(*object, std::filesystem::path{});
    writer->BuildSections();
    stream = std::make_unique<GplNodeStream>(out, *object);
  }
  TrackLayout& layout() { return writer->layout(); }
  float F(const ObjectNode& node, std::size_t word) const {
    return std::bit_cast<float>(stream->WordAt(node.output_offset, word));
  }
  // The placements written, in order.
  std::vector<const ObjectNode*> Placed() const {
    std::vector<const ObjectNode*> placed;
    for (const auto& node : writer->layout().owned) {
      if (node->output_offset != kNoNode &&
          stream->WordAt(node->output_offset, 0) == kOpPlacement) {
        placed.push_back(node.get());
      }
    }
    return placed;
  }
};

bool Lists(const std::vector<ObjectNode*>& list, const ObjectNode* node) {
  return std::find(list.begin(), list.end(), node) != list.end();
}

TEST(TracksideTest, RiversideTyreRowsFromTheCarriedTable) {
  ResourceStore store(EmbeddedFiles());
  Scene scene(samples::StraightTrack(3000), {}, &store);
  PlaceTrackside(*scene.object, scene.layout(), "RIVERSID", *scene.stream);
  const std::vector<const ObjectNode*> placed = scene.Placed();
  // The starter (1.0, 12 m, 4.7 up) first; the tyres after the flaggers: 600, 608, ..., 648 m.
  ASSERT_GT(placed.size(), 9u);
  EXPECT_NEAR(scene.F(*placed[0], 2), 12.0, 1e-3);
  std::size_t row = 1;
  while (row < placed.size() && std::abs(scene.F(*placed[row], 1) - 600.0f) > 0.01f) ++row;
  ASSERT_LT(row + 8, placed.size());
  std::vector<float> first_row;
  for (std::size_t i = row; i < row + 8; ++i) first_row.push_back(scene.F(*placed[i], 1));
  const std::vector<float> expected = {600, 608, 616, 624, 632, 640, 648, 730};
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(first_row[i], expected[i], 1e-2);
  // Tyres stand across the road (heading + a quarter turn) at -7.5 m.
  EXPECT_NEAR(scene.F(*placed[row], 2), -7.5, 1e-3);
  EXPECT_NEAR(scene.F(*placed[row], 4), 1.570795, 1e-5);
}

TEST(TracksideTest, HayBalesEveryTenMetresWithTheHeightDrop) {
  const EmbeddedFile files[] = {
      {"TEST_HAY", Text("Start,End,Latitude\r\n5,125,5.6\r\n\n60,60,1\n")}};
  ResourceStore store(files);
  Scene scene(samples::StraightTrack(400), {}, &store);
  PlaceTrackside(*scene.object, scene.layout(), "TEST", *scene.stream);
  const std::vector<const ObjectNode*> placed = scene.Placed();
  ASSERT_EQ(placed.size(), 12u);  // 5, 15, ..., 115; the row 60,60 places nothing
  for (std::size_t i = 0; i < placed.size(); ++i) {
    SCOPED_TRACE(i);
    const auto dlong = static_cast<std::int32_t>((5 + 10 * i) * kMetre);
    EXPECT_NEAR(scene.F(*placed[i], 1), 5 + 10.0 * i, 1e-2);
    const double drop = (scene.track.PositionAt(dlong, 5.6 * kMetre).z -
                         scene.track.PositionAt(dlong + 19685, 5.6 * kMetre).z) /
                        kMetre;
    EXPECT_NEAR(scene.F(*placed[i], 5), drop, 1e-5);
    EXPECT_NEAR(scene.F(*placed[i], 4), scene.track.HeadingAt(dlong), 1e-5);
  }
}

TEST(TracksideTest, FlagsInMetresOrTrackUnitsAndTheirSides) {
  const EmbeddedFile files[] = {
      {"TEST_FLAGS", Text("Flagger no.,Track section,Side,X,Y,Z\r\n"
                          "1,0,1,100,20,0\r\n"               // metres, left
                          "2,0,0,1968500,393700,0,Wall\r\n"  // track units, right
                          "3,0,2,100,20,0\r\n"               // own node list
                          "4,7,1,100,20,0\r\n")}};           // no such section
  ResourceStore store(files);
  samples::TrackObjectSpec plan;
  plan.dividers = {2, 0, 0, 0, 0, 0, 2};
  Scene scene(samples::StraightTrack(400), plan, &store);
  PlaceTrackside(*scene.object, scene.layout(), "TEST", *scene.stream);
  const std::vector<const ObjectNode*> placed = scene.Placed();
  ASSERT_EQ(placed.size(), 3u);
  // Both first lines stand 1.5 m behind (100, 20): side 0 is turned a half turn more.
  const double a1 = scene.F(*placed[0], 4), a0 = scene.F(*placed[1], 4);
  EXPECT_NEAR(a0 - a1, 3.14159, 1e-5);
  EXPECT_NEAR(scene.F(*placed[0], 1), 100 - 1.5 * std::sin(a1), 1e-3);
  EXPECT_NEAR(scene.F(*placed[0], 2), 20 + 1.5 * std::cos(a1), 1e-3);
  EXPECT_NEAR(scene.F(*placed[1], 1), 100 - 1.5 * std::sin(a0), 1e-3);
  EXPECT_NEAR(scene.F(*placed[1], 2), 20 + 1.5 * std::cos(a0), 1e-3);
  EXPECT_NEAR(scene.F(*placed[0], 3), 0.2, 1e-6);
  const TrackSection& section = scene.layout().sections[0];
  for (int k : {0, 6}) {
    SCOPED_TRACE(k);
    const TrackLane& lane = section.lanes[k];
    EXPECT_TRUE(Lists(lane.cross_sections.front()->children, placed[0]));  // side 1: left edge
    EXPECT_TRUE(Lists(lane.cross_sections.back()->children, placed[1]));   // side 0: right edge
    EXPECT_TRUE(Lists(lane.contents, placed[2]));                          // side 2: own list
    EXPECT_FALSE(Lists(lane.contents, placed[0]));
  }
  EXPECT_TRUE(section.lanes[4].contents.empty() || !Lists(section.lanes[4].contents, placed[2]));
}

TEST(TracksideTest, StarterAtTheTableOrTheDefaultsAndListedOnlyWhereItStands) {
  // No starter from no table, nor from a table in which no line parses.
  for (const EmbeddedFile& table :
       {EmbeddedFile{"OTHER_HAY", Text("1,2,3\n")},
        EmbeddedFile{"TEST_STARTER_LAT", Text("dlong,dlat,height\nnot,a,line\n")}}) {
    SCOPED_TRACE(table.name);
    ResourceStore store(std::span(&table, 1));
    Scene scene(samples::StraightTrack(400), {}, &store);
    PlaceTrackside(*scene.object, scene.layout(), "TEST", *scene.stream);
    EXPECT_TRUE(scene.Placed().empty());
  }
  {
    SCOPED_TRACE("a table without a parsable first line: the defaults");
    const EmbeddedFile files[] = {{"TEST_STARTER_LAT", Text("dlong,dlat,height\n1,2,3\n")}};
    ResourceStore store(files);
    samples::TrackObjectSpec plan;
    plan.starts = {0, 15 * kMetre};  // the first section ends before 400000
    Scene scene(samples::StraightTrack(400), plan, &store);
    PlaceTrackside(*scene.object, scene.layout(), "TEST", *scene.stream);
    ASSERT_EQ(scene.Placed().size(), 1u);
    const ObjectNode& starter = *scene.Placed()[0];
    EXPECT_NEAR(scene.F(starter, 1), (15.0 * kMetre - 20000) / kMetre, 1e-3);
    EXPECT_NEAR(scene.F(starter, 2), 10.0, 1e-4);
    // 275375 lies in lane 6 of the first section, whose stretch ends at 295275.
    EXPECT_TRUE(Lists(scene.layout().sections[0].lanes[6].contents, &starter));
  }
  {
    SCOPED_TRACE("outside every lane of the first section: written, listed nowhere");
    const EmbeddedFile files[] = {{"TEST_STARTER_LAT", Text("300,-2.5,4.7\r\n")}};
    ResourceStore store(files);
    samples::TrackObjectSpec plan;
    plan.starts = {0, 100 * kMetre};
    Scene scene(samples::StraightTrack(400), plan, &store);
    PlaceTrackside(*scene.object, scene.layout(), "TEST", *scene.stream);
    ASSERT_EQ(scene.Placed().size(), 1u);
    const ObjectNode& starter = *scene.Placed()[0];
    EXPECT_NEAR(scene.F(starter, 2), -2.5, 1e-4);
    for (const TrackSection& section : scene.layout().sections) {
      for (const TrackLane& lane : section.lanes) EXPECT_FALSE(Lists(lane.contents, &starter));
    }
  }
}

TEST(TracksideTest, FlagLatListsInEveryLaneHoldingItAndIgnoresItsFlag) {
  const EmbeddedFile files[] = {{"TEST_FLAG_LAT", Text("50,7.5,0\n50,7.5,1\nnot,a,line\n")}};
  ResourceStore store(files);
  Scene scene(samples::StraightTrack(400), {}, &store);
  PlaceTrackside(*scene.object, scene.layout(), "TEST", *scene.stream);
  const std::vector<const ObjectNode*> placed = scene.Placed();
  ASSERT_EQ(placed.size(), 2u);
  for (int w = 1; w <= 7; ++w) EXPECT_EQ(scene.F(*placed[0], w), scene.F(*placed[1], w)) << w;
  EXPECT_TRUE(Lists(scene.layout().sections[0].lanes[6].contents, placed[0]));
}

TEST(TrackStripsTest, GroovePieceCountsValuesAndTexels) {
  // A section whose lanes 0 to 3 span 100, 30, 49 and 21 m and whose halves are lanes 4, 5.
  ResourceStore store(std::span<const EmbeddedFile>{});
  samples::TrackObjectSpec plan;
  plan.dividers = {1, 1, 1, 1, 1, 1, 1};
  plan.starts = {0, 200 * kMetre};  // lane 4 then spans 100 m, lane 5 100 m, lane 6 200 m
  Scene scene(samples::StraightTrack(400), plan, &store);
  TrackSection& section = scene.layout().sections[0];
  const std::uint32_t bounds[] = {0, 100 * kMetre, 130 * kMetre, 179 * kMetre, 200 * kMetre};
  for (int k = 0; k < 4; ++k) {
    section.lanes[k].start = bounds[k];
    section.lanes[k].end = bounds[k + 1];
  }
  for (TrackLane& lane : section.lanes) lane.contents.clear();
  const GrooveLine line{[](std::int32_t) { return 5.0; },
                        [](std::int32_t d) { return d < 100 * 19685 ? 1.0 : 0.0; }};
  const std::size_t planes = scene.object->planes().size();
  LayGrooveStrips(*scene.object, scene.layout(), line, 2);
  const std::size_t counts[7] = {4, 1, 1, 1, 1, 1, 1};
  for (int k = 0; k < 7; ++k) EXPECT_EQ(section.lanes[k].contents.size(), counts[k]) << k;
  const ObjectNode& first = *section.lanes[0].contents[0];
  EXPECT_EQ(first.value, 0x1CC);
  EXPECT_EQ(section.lanes[1].contents[0]->value, 0x122);
  EXPECT_EQ(first.texture_index,
            scene.object->AddName("groove", static_cast<int>(NameKind::kTexture)));
  // 25 m pieces from 0: the second starts at 492125, t0 = 246 & 63 = 54.
  const auto& v = scene.object->vertices();
  const ObjectNode& second = *section.lanes[0].contents[1];
  EXPECT_EQ(v[second.points[0]].v, 54);
  EXPECT_EQ(v[second.points[1]].v, 54 + 246);
  EXPECT_EQ(v[second.points[2]].u, 128);
  // The strip is 80000 units wide around 5 m x 0.7.
  EXPECT_DOUBLE_EQ(v[first.points[0]].y, std::trunc(5 * 19685 * 0.7 - 40000));
  EXPECT_DOUBLE_EQ(v[first.points[3]].y, std::trunc(5 * 19685 * 0.7 + 40000));
  for (std::size_t p = planes; p < scene.object->planes().size(); ++p) {
    EXPECT_GE(scene.object->planes()[p].z, 0.0) << p;
  }
}

TEST(TrackStripsTest, TexelRowsWrapAtSixtyFour) {
  ResourceStore store(std::span<const EmbeddedFile>{});
  Scene scene(samples::StraightTrack(400), {}, &store);
  TrackSection& section = scene.layout().sections[0];
  const GrooveLine line{[](std::int32_t) { return 0.0; }, [](std::int32_t) { return 0.0; }};
  for (std::uint32_t start : {126000u, 128000u}) {
    for (TrackLane& lane : section.lanes) {
      lane.contents.clear();
      lane.start = start;
      lane.end = start + 10000;
    }
    LayGrooveStrips(*scene.object, scene.layout(), line, 1);
    const ObjectNode& piece = *section.lanes[6].contents.at(0);
    EXPECT_EQ(scene.object->vertices()[piece.points[0]].v, start == 126000 ? 63 : 0);
  }
}

TEST(TrackStripsTest, StartLineIsLaidThreeTimesOverTheRoad) {
  ResourceStore store(std::span<const EmbeddedFile>{});
  for (int format : {1, 2}) {
    SCOPED_TRACE(format);
    Scene scene(samples::StraightTrack(400), {}, &store, format);
    for (TrackLane& lane : scene.layout().sections[0].lanes) lane.contents.clear();
    const std::size_t planes = scene.object->planes().size();
    LayStartLine(*scene.object, scene.layout());
    // The straight track's road (code 50) from dlat 0 to the run-off at 60 m: one band a lane.
    for (int k : {0, 4, 6}) {
      ASSERT_EQ(scene.layout().sections[0].lanes[k].contents.size(), 1u) << k;
      const ObjectNode& band = *scene.layout().sections[0].lanes[k].contents[0];
      EXPECT_EQ(band.code, format == 2 ? 2 : 1);
      const auto& v = scene.object->vertices();
      EXPECT_DOUBLE_EQ(v[band.points[1]].x - v[band.points[0]].x, 19685.0);
      EXPECT_DOUBLE_EQ(v[band.points[3]].y - v[band.points[0]].y, 1181100.0);
      EXPECT_EQ(scene.object->Field(band.source_offset, format == 2 ? 9 : 4),
                format == 2 ? 47u : 36u);
    }
    EXPECT_EQ(scene.object->planes().size(), planes + 3);
    for (std::size_t p = planes; p < scene.object->planes().size(); ++p) {
      EXPECT_GE(scene.object->planes()[p].z, 0.0);
    }
  }
}

TEST(TracksideTest, TableLinesSkipEmptyLinesAndKeepCarriageReturns) {
  EXPECT_EQ(TableLines(Text("a\r\n\n\nb\nc")), (std::vector<std::string>{"a\r", "b", "c"}));
  EXPECT_TRUE(TableLines({}).empty());
  // A zero ends the text, as it ends the zero-terminated copy the tables were read from.
  EXPECT_EQ(TableLines(Text(std::string_view("a\nb\0c\nd", 7))),
            (std::vector<std::string>{"a", "b"}));
}

// On the curving, climbing track (heading d / 250 m): four sections of 80 m (the last 160 m),
// every lane taking part, so lanes 0 to 3 span a quarter of their section each.
class CurvingTrackTest : public testing::Test {
 protected:
  static samples::TrackObjectSpec Plan() {
    samples::TrackObjectSpec plan;
    plan.starts = {0, 80 * kMetre, 160 * kMetre, 240 * kMetre};
    plan.dividers = {3, 3, 3, 3, 3, 3, 3};
    return plan;
  }
  static Point3 At(double dlong_metres, double dlat_metres) {
    const TrackGeometry track = samples::CurvingTrack();
    const Point3 p = track.PositionAt(static_cast<std::int32_t>(dlong_metres * kMetre),
                                      static_cast<std::int32_t>(dlat_metres * kMetre));
    return {p.x / kMetre, p.y / kMetre, p.z / kMetre};
  }
  static double Heading(double dlong_metres) {
    return dlong_metres / samples::kCurvingTrackRadiusMetres;
  }
  // The lanes of a section that list `node` in their own node lists, as a set of lane numbers.
  static std::vector<int> ListingLanes(const TrackSection& section, const ObjectNode* node) {
    std::vector<int> lanes;
    for (int k = 0; k < kLaneCount; ++k) {
      if (Lists(section.lanes[k].contents, node)) lanes.push_back(k);
    }
    return lanes;
  }
};

TEST_F(CurvingTrackTest, TracksideObjectsFollowTheHeadingAndTheHeight) {
  // A starter on the end of lane 0 of section 0 (20 m); flaggers of section 1 (80 to 160 m) on
  // both sides; a flagger on the end of lane 0 and start of lane 1; a row of cones.
  const EmbeddedFile files[] = {{"TEST_STARTER_LAT", Text("20,-2.5,4.7\n")},
                                {"TEST_FLAGS", Text("1,1,1,100,50,2\n2,1,0,100,50,2\n")},
                                {"TEST_FLAG_LAT", Text("20,7.5,0\n")},
                                {"TEST_CONES", Text("100,130,3\n")}};
  ResourceStore store(files);
  Scene scene(samples::CurvingTrack(), Plan(), &store);
  PlaceTrackside(*scene.object, scene.layout(), "TEST", *scene.stream);
  const std::vector<const ObjectNode*> placed = scene.Placed();
  ASSERT_EQ(placed.size(), 7u);
  const TrackSection& first = scene.layout().sections[0];
  const TrackSection& second = scene.layout().sections[1];

  // The starter, 4.7 m and 0.2 m above the road, listed where lanes end at it too.
  const Point3 starter = At(20, -2.5);
  EXPECT_NEAR(scene.F(*placed[0], 1), starter.x, 1e-3);
  EXPECT_NEAR(scene.F(*placed[0], 3), starter.z + 4.9, 1e-3);
  EXPECT_GT(std::abs(starter.z), 0.1);
  EXPECT_EQ(ListingLanes(first, placed[0]), (std::vector<int>{0, 4, 6}));

  // The flaggers face the section's average heading, (80 + 160) / 2 / 250 = 0.48, the right-side
  // one turned half a turn; each stands 1.5 m behind its point and is listed by lanes 0, 4, 6.
  for (std::size_t f = 1; f <= 2; ++f) {
    SCOPED_TRACE(f);
    const double a = Heading(120) + (f == 2 ? 3.14159 : 0.0);
    EXPECT_NEAR(scene.F(*placed[f], 4), a, 1e-4);
    EXPECT_NEAR(scene.F(*placed[f], 1), 100 - 1.5 * std::sin(a), 1e-3);
    EXPECT_NEAR(scene.F(*placed[f], 2), 50 + 1.5 * std::cos(a), 1e-3);
    EXPECT_NEAR(scene.F(*placed[f], 3), 2.2, 1e-5);
    for (int k = 0; k < kLaneCount; ++k) {
      const std::vector<ObjectNode*>& cross = second.lanes[k].cross_sections;
      const ObjectNode* edge = f == 1 ? cross.front() : cross.back();
      EXPECT_EQ(Lists(edge->children, placed[f]), k == 0 || k == 4 || k == 6) << k;
    }
  }

  // On the end of lane 0 and the start of lane 1: strictly inside lanes 4 and 6 only.
  EXPECT_NEAR(scene.F(*placed[3], 4), Heading(20) + 1.570795, 1e-4);
  EXPECT_EQ(ListingLanes(first, placed[3]), (std::vector<int>{4, 6}));

  // Cones every 12 m from 100 m to before 130 m, facing along the track.
  for (std::size_t c = 0; c < 3; ++c) {
    SCOPED_TRACE(c);
    const double dlong = 100 + 12.0 * c;
    const Point3 p = At(dlong, 3);
    EXPECT_NEAR(scene.F(*placed[4 + c], 1), p.x, 1e-3);
    EXPECT_NEAR(scene.F(*placed[4 + c], 2), p.y, 1e-3);
    EXPECT_NEAR(scene.F(*placed[4 + c], 4), Heading(dlong), 1e-4);
  }
}

TEST_F(CurvingTrackTest, LaneStretches) {
  ResourceStore store(std::span<const EmbeddedFile>{});
  Scene scene(samples::CurvingTrack(), Plan(), &store);
  // Per lane, in metres from the section's start: lanes 0 to 3 a quarter each, 4 and 5 a half.
  constexpr double kStretch[7][2] = {{0, 20}, {20, 40}, {40, 60}, {60, 80},
                                     {0, 40}, {40, 80}, {0, 80}};
  const TrackSection& section = scene.layout().sections[1];
  for (int k = 0; k < kLaneCount; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(section.lanes[k].start, static_cast<std::uint32_t>((80 + kStretch[k][0]) * kMetre));
    EXPECT_EQ(section.lanes[k].end, static_cast<std::uint32_t>((80 + kStretch[k][1]) * kMetre));
  }
}

TEST_F(CurvingTrackTest, GroovePieceFollowsTheLineAndTheBraking) {
  ResourceStore store(std::span<const EmbeddedFile>{});
  Scene scene(samples::CurvingTrack(), Plan(), &store);
  for (TrackSection& section : scene.layout().sections) {
    for (TrackLane& lane : section.lanes) lane.contents.clear();
  }
  // The groove moves 5 cm left per metre; the cars brake up to 1800000.
  const GrooveLine line{[](std::int32_t d) { return d / 19685.0 * 0.05; },
                        [](std::int32_t d) { return d < 1800000 ? 1.0 : 0.0; }};
  LayGrooveStrips(*scene.object, scene.layout(), line, 2);
  // Lane 0 of section 1, 80 to 100 m, one piece: the groove at 4 m and 5 m, 0.7 of it in track
  // units, 40000 either side; braking at its start, none at its end; texel rows from 787 & 63.
  const std::vector<ObjectNode*>& pieces = scene.layout().sections[1].lanes[0].contents;
  ASSERT_EQ(pieces.size(), 1u);
  const ObjectNode& piece = *pieces[0];
  EXPECT_EQ(piece.value, 0x100 + 0xC0 + 2);
  struct Corner {
    std::int32_t dlong, dlat;
    int u, v;
  };
  const Corner corners[4] = {{1574800, 15118, 0, 19},
                             {1968500, 28897, 0, 215},
                             {1968500, 108897, 128, 215},
                             {1574800, 95118, 128, 19}};
  ASSERT_EQ(piece.points.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const ObjectPoint& v = scene.object->vertices()[piece.points[i]];
    const Point3 road = scene.track.PositionAt(corners[i].dlong, corners[i].dlat);
    EXPECT_NEAR(v.x, road.x, 1.0);
    EXPECT_NEAR(v.y, road.y, 1.0);
    EXPECT_NEAR(v.z - road.z, 500, 1.0);  // lifted off the road
    EXPECT_EQ(v.u, corners[i].u);
    EXPECT_EQ(v.v, corners[i].v);
  }
}

TEST_F(CurvingTrackTest, StartLineOverTheSurfacesFromCodeThirtySix) {
  ResourceStore store(std::span<const EmbeddedFile>{});
  Scene scene(samples::CurvingTrack(), Plan(), &store);
  for (TrackLane& lane : scene.layout().sections[0].lanes) lane.contents.clear();
  LayStartLine(*scene.object, scene.layout());
  // Across the road: code 35 from -100000, 36 from 0, 50 from 590550, 35 from 1181100: bands
  // over the middle two, in lanes 0, 4 and 6.
  for (int k = 0; k < kLaneCount; ++k) {
    const std::vector<ObjectNode*>& bands = scene.layout().sections[0].lanes[k].contents;
    const bool laid = k == 0 || k == 4 || k == 6;
    ASSERT_EQ(bands.size(), laid ? 2u : 0u) << k;
    for (std::size_t b = 0; laid && b < 2; ++b) {
      const ObjectPoint& p3 = scene.object->vertices()[bands[b]->points[3]];
      const Point3 road = scene.track.PositionAt(0, b == 0 ? 590550 : 1181100);
      EXPECT_NEAR(p3.y, road.y, 1.0) << k << " " << b;
      EXPECT_NEAR(p3.z - road.z, 500, 1.0) << k << " " << b;
    }
  }
}

}  // namespace
}  // namespace velmora
