// Trackside objects from the carried tables, and the groove and start line strips, on a track.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "object/object_file.h"
#include "object/source_node_writers.h"
#include "object/track_object_writer.h"
#include "samples/track_object_builder.h"
#include "trackside/track_strips.h"
#include "trackside/trackside_placement.h"

namespace velmora {
namespace {

using namespace std::string_view_literals;

constexpr std::uint32_t kMetre = 19685;
constexpr double kQuarter = 1.570795, kHalf = 3.14159;

std::span<const std::uint8_t> Text(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// A linked, sectioned track object with the given tables, and a stream to place into: four
// sections from 0, 80, 160 and 240 m whose seven lanes all take part, so lanes 0 to 3 span a
// quarter of their section each, 4 and 5 a half.
struct Scene {
  TrackGeometry track = samples::CurvingTrack();
  ResourceStore store;
  std::unique_ptr<Object3do> object;
  std::unique_ptr<TrackObjectWriter> writer;
  GplObjectWriter out;
  std::unique_ptr<GplNodeStream> stream;

  explicit Scene(std::span<const EmbeddedFile> tables = {}, int format = 2) : store(tables) {
    samples::TrackObjectSpec plan;
    plan.starts = {0, 80 * kMetre, 160 * kMetre, 240 * kMetre};
    plan.dividers = {3, 3, 3, 3, 3, 3, 3};
    Result<ObjectFile> file =
        ReadObjectBytes(samples::BuildTrackObject(plan, track, format), "t.3do");
    object = std::move(file->source);
    object->SetTrack(&track);
    object->SetResources(&store);
    EXPECT_TRUE(object->BuildTree().ok());
    BuildPlanes(*object);
    writer = std::make_unique<TrackObjectWriter>(*object, std::filesystem::path{});
    writer->BuildSections();
    for (TrackSection& section : layout().sections) {
      for (TrackLane& lane : section.lanes) lane.contents.clear();  // only what is laid here
    }
    stream = std::make_unique<GplNodeStream>(out, *object);
  }
  TrackLayout& layout() { return writer->layout(); }
  // Where the sections list `node`: "c" in a lane's own list, "l" / "r" under its leftmost /
  // rightmost cross-section node, then the lane; sections after the first put their number first.
  std::string Where(const ObjectNode* node) {
    std::string where;
    for (std::size_t s = 0; s < layout().sections.size(); ++s) {
      for (int k = 0; k < kLaneCount; ++k) {
        const TrackLane& lane = layout().sections[s].lanes[k];
        for (const auto& [kind, list] : {std::pair{'c', &lane.contents},
                                         {'l', &lane.cross_sections.front()->children},
                                         {'r', &lane.cross_sections.back()->children}}) {
          if (std::ranges::count(*list, node) == 0) continue;
          where += (where.empty() ? "" : " ") + (s > 0 ? std::to_string(s) : "") + kind;
          where += std::to_string(k);
        }
      }
    }
    return where;
  }
  // A strip piece faces up, its first and third corners 500 units above the road at the given
  // track points {dlong, dlat, u, v}.
  void ExpectPiece(const ObjectNode& piece, std::array<std::int32_t, 4> first,
                   std::array<std::int32_t, 4> third) {
    EXPECT_GE(object->planes().at(piece.plane_index).z, 0.0);
    for (const auto& [vertex, c] :
         {std::pair{piece.points.at(0), first}, {piece.points.at(2), third}}) {
      const ObjectPoint& p = object->vertices().at(vertex);
      const Point3 road = track.PositionAt(c[0], c[1]);
      EXPECT_LT(
          std::max({std::abs(p.x - road.x), std::abs(p.y - road.y), std::abs(p.z - road.z - 500)}),
          1.0);
      EXPECT_EQ((std::pair<int, int>(p.u, p.v)), std::pair(c[2], c[3]));
    }
  }
};

// A placement's position and turn in metres and radians, and where it is listed.
struct Pose {
  double x, y, z, a1, a2;
  std::string where;
};

// A starter on the end of lane 0 (20 m), flaggers of section 1 on both sides and one in track
// units in section 0's own lists, one by dlat at a lane's end; rows of tyres, cones and hay, each
// row's end and a lane's start and end holding none.
TEST(TracksideTest, EachTablePlacesItsObjects) {
  const EmbeddedFile tables[] = {
      {"TEST_STARTER_LAT", Text("\n20,-2.5,4.7\n")},  // the first line that is not empty
      {"TEST_FLAGS", Text("1,1,1,100,50,2\n2,1,0,100,50,2\n3,0,2,1968500,393700,0,W\r\n"
                          "4,7,1,100,20,0\n")},
      {"TEST_FLAG_LAT", Text("Dlong,Dlat,Flag\nnot,a,line\n20,7.5,1\n")},
      {"TEST_TIRES", Text("Start,End,Latitude\n100,116,-7.5\n")},
      {"TEST_CONES", Text("112,125,3\n\0001,9,3\n"sv)},  // a zero ends the table
      {"TEST_HAY", Text("Start,End,Latitude\r\n30,40,-3\r\n\n60,60,1\n")}};
  Scene scene(tables);
  PlaceTrackside(*scene.object, scene.layout(), "TEST", *scene.stream);
  auto at = [&](double dlong, double dlat, double lift, double a1, const char* where) -> Pose {
    const Point3 p = scene.track.PositionAt(static_cast<std::int32_t>(dlong * kMetre),
                                            static_cast<std::int32_t>(dlat * kMetre));
    return {p.x / kMetre, p.y / kMetre, p.z / kMetre + lift, a1, 0, where};
  };
  auto hay = [&](double dlong, const char* where) {  // tilted by the road's drop over 1 m
    Pose pose = at(dlong, -3, 0, dlong / 250, where);
    pose.a2 = pose.z - at(dlong + 1, -3, 0, 0, "").z;
    return pose;
  };
  // Flaggers face their section's average heading (the curve turns 1 / 250 m), the right-side
  // ones turned half a turn, 1.5 m behind their point; rows face along the track, tyres across.
  const double a = 120.0 / 250, b = a + kHalf, d = 40.0 / 250 + kHalf;
  const std::vector<Pose> expected = {
      at(20, -2.5, 4.9, 0, "c0 c4 c6"),  // a starter is listed where lanes end too
      {100 - 1.5 * std::sin(a), 50 + 1.5 * std::cos(a), 2.2, a, 0, "1l0 1l4 1l6"},
      {100 - 1.5 * std::sin(b), 50 + 1.5 * std::cos(b), 2.2, b, 0, "1r0 1r4 1r6"},
      {100 - 1.5 * std::sin(d), 20 + 1.5 * std::cos(d), 0.2, d, 0, "c0 c4 c6"},
      at(20, 7.5, 0, 20.0 / 250 + kQuarter, "c4 c6"),
      at(100, -7.5, 0, 100.0 / 250 + kQuarter, "1c4 1c6"),
      at(108, -7.5, 0, 108.0 / 250 + kQuarter, "1c1 1c4 1c6"),
      at(112, 3, 0, 112.0 / 250, "1c1 1c4 1c6"),
      at(124, 3, 0, 124.0 / 250, "1c2 1c5 1c6"),
      hay(30, "c1 c4 c6")};
  std::size_t i = 0;
  for (const auto& node : scene.layout().owned) {
    const auto offset = static_cast<std::uint32_t>(node->output_offset);
    if (node->output_offset == kNoNode || scene.stream->WordAt(offset, 0) != kOpPlacement) continue;
    ASSERT_LT(i, expected.size());
    const Pose& e = expected[i++];
    const double want[] = {e.x, e.y, e.z, e.a1, e.a2};
    for (std::uint32_t w = 0; w < 5; ++w) {
      const float got = std::bit_cast<float>(scene.stream->WordAt(offset, w + 1));
      EXPECT_NEAR(got, want[w], 1e-4) << "placement " << i - 1 << " word " << w + 1;
    }
    EXPECT_EQ(scene.Where(node.get()), e.where) << "placement " << i - 1;
  }
  EXPECT_EQ(i, expected.size());

  // A starter outside every lane of the first section is written, and listed in none.
  const EmbeddedFile far_table[] = {{"TEST_STARTER_LAT", Text("300,-2.5,4.7\n")}};
  Scene far(far_table);
  PlaceTrackside(*far.object, far.layout(), "TEST", *far.stream);
  const auto starter = std::ranges::find_if(far.layout().owned, [&](const auto& node) {
    return node->output_offset != kNoNode &&
           far.stream->WordAt(static_cast<std::uint32_t>(node->output_offset), 0) == kOpPlacement;
  });
  ASSERT_NE(starter, far.layout().owned.end());
  EXPECT_EQ(far.Where(starter->get()), "");
}

// Across the road code 36 from 0, 50 from 30 m, 35 from 60 m: a start line band a surface from
// code 36 on, 1 m long, of the flat colour 36 (untagged) or 47 (3DO3). The groove moves 5 cm left
// per metre, 0.7 of it in track units, 40000 either side; the cars brake up to 1800000.
TEST(TrackStripsTest, StartLineOverTheSurfacesFromCodeThirtySixThenTheGroove) {
  const GrooveLine line{[](std::int32_t d) { return d / 19685.0 * 0.05; },
                        [](std::int32_t d) { return d < 1800000 ? 1.0 : 0.0; }};
  for (int format : {1, 2}) {
    SCOPED_TRACE(format);
    Scene scene({}, format);
    std::array<TrackLane, kLaneCount>& first = scene.layout().sections[0].lanes;
    LayStartLine(*scene.object, scene.layout());
    EXPECT_EQ(std::tuple(first[0].contents.size(), first[3].contents.size(),
                         first[4].contents.size(), first[6].contents.size()),
              std::tuple(2u, 0u, 2u, 2u));
    for (std::int32_t band = 0; band < 2; ++band) {
      const ObjectNode& piece = *first[0].contents.at(band);
      EXPECT_EQ(piece.code, format);
      EXPECT_EQ(scene.object->Field(piece.source_offset, format == 2 ? 9 : 4),
                format == 2 ? 47u : 36u);
      scene.ExpectPiece(piece, {0, 590550 * band, 0, 0}, {19685, 590550 * (band + 1), 0, 0});
    }
    std::array<TrackLane, kLaneCount>& last = scene.layout().sections[3].lanes;
    last[0].end = 300 * kMetre;  // 60 m: two pieces of 25 m at most; lanes from 4 on take one
    LayGrooveStrips(*scene.object, scene.layout(), line, format);
    EXPECT_EQ(std::tuple(last[0].contents.size(), last[4].contents.size()), std::tuple(2u, 1u));
    EXPECT_EQ(first[0].contents.at(2)->value, 0x100 + 0xC0 + 0xC);
    EXPECT_EQ(scene.layout().sections[1].lanes[1].contents.at(0)->value, 0x100 + 0x20 + 2);
    const ObjectNode& piece = *scene.layout().sections[1].lanes[0].contents.at(0);
    EXPECT_EQ(piece.value, 0x100 + 0xC0 + 2);
    scene.ExpectPiece(piece, {1574800, 15118, 0, 19}, {1968500, 108897, 128, 215});
  }
}

}  // namespace
}  // namespace velmora
