// Trackside objects from the carried tables and the groove and start line strips, placed on track
// objects over a straight track along +x (x is dlong, y dlat) and the curving, climbing one.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

#include "object/object_file.h"
#include "object/source_node_writers.h"
#include "object/track_object_writer.h"
#include "samples/track_object_builder.h"
#include "trackside/track_strips.h"
#include "trackside/trackside_placement.h"

namespace velmora {
namespace {

constexpr std::uint32_t kMetre = 19685;
constexpr double kQuarter = 1.570795, kHalf = 3.14159;
constexpr int kCurving = -1;  // the scene's track, in place of a second section's start
// On the road: the straight track's crossfall is left to the curving track's tests.
constexpr double kRoad = std::numeric_limits<double>::quiet_NaN();

std::span<const std::uint8_t> Text(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// A linked, sectioned track object with the given tables, and a stream to place into. On the
// straight track lanes 0 and 6 take part, over one section or two from `second` metres; on the
// curving one four sections of 80 m (the last 160 m) whose seven lanes all take part, so lanes
// 0 to 3 span a quarter of their section each, 4 and 5 a half.
struct Scene {
  TrackGeometry track;
  ResourceStore store;
  std::unique_ptr<Object3do> object;
  std::unique_ptr<TrackObjectWriter> writer;
  GplObjectWriter out;
  std::unique_ptr<GplNodeStream> stream;
  std::size_t planes_before = 0;

  explicit Scene(int second, std::span<const EmbeddedFile> tables = {}, int format = 2)
      : track(second == kCurving ? samples::CurvingTrack() : samples::StraightTrack(400)),
        store(tables) {
    samples::TrackObjectSpec plan;
    if (second == kCurving) {
      plan.starts = {0, 80 * kMetre, 160 * kMetre, 240 * kMetre};
      plan.dividers = {3, 3, 3, 3, 3, 3, 3};
    } else if (second > 0) {
      plan.starts.push_back(static_cast<std::uint32_t>(second) * kMetre);
    }
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
    planes_before = object->planes().size();
  }
  TrackLayout& layout() { return writer->layout(); }
  // Where the sections list `node`: "c" in a lane's own list, "l" / "r" under its leftmost /
  // rightmost cross-section node, then the lane; sections after the first put their number first.
  std::string Where(const ObjectNode* node) {
    std::string where;
    auto add = [&](std::size_t s, char kind, int k, const std::vector<ObjectNode*>& list) {
      if (std::find(list.begin(), list.end(), node) == list.end()) return;
      where += (where.empty() ? "" : " ") + (s > 0 ? std::to_string(s) : "") + kind;
      where += std::to_string(k);
    };
    for (std::size_t s = 0; s < layout().sections.size(); ++s) {
      for (int k = 0; k < kLaneCount; ++k) {
        const TrackLane& lane = layout().sections[s].lanes[k];
        add(s, 'c', k, lane.contents);
        if (lane.cross_sections.empty()) continue;
        add(s, 'l', k, lane.cross_sections.front()->children);
        add(s, 'r', k, lane.cross_sections.back()->children);
      }
    }
    return where;
  }
  // A strip's corner stands 500 units above the road at the track point, with its texel.
  void ExpectCorner(std::int32_t vertex, std::int32_t dlong, std::int32_t dlat, int u, int v) {
    const ObjectPoint& p = object->vertices().at(vertex);
    const Point3 road = track.PositionAt(dlong, dlat);
    EXPECT_NEAR(p.x, road.x, 1.0);
    EXPECT_NEAR(p.y, road.y, 1.0);
    EXPECT_NEAR(p.z - road.z, 500, 1.0);
    EXPECT_EQ(p.u, u);
    EXPECT_EQ(p.v, v);
  }
  void ExpectNewPlanesFaceUp() const {
    for (std::size_t p = planes_before; p < object->planes().size(); ++p) {
      EXPECT_GE(object->planes()[p].z, 0.0) << p;
    }
  }
};

// A placement's position and turn in metres and radians, and where it is listed.
struct Pose {
  double x, y, z, a1, a2;
  std::string where;
};

void ExpectPlaced(Scene& scene, const std::vector<Pose>& expected) {
  std::size_t i = 0;
  for (const auto& node : scene.layout().owned) {
    if (node->output_offset == kNoNode) continue;
    const auto at = static_cast<std::uint32_t>(node->output_offset);
    if (scene.stream->WordAt(at, 0) != kOpPlacement) continue;
    ASSERT_LT(i, expected.size());
    SCOPED_TRACE(i);
    const Pose& e = expected[i++];
    const double want[] = {e.x, e.y, e.z, e.a1, e.a2};
    for (std::size_t w = 0; w < 5; ++w) {
      const float got = std::bit_cast<float>(scene.stream->WordAt(at, w + 1));
      if (!std::isnan(want[w])) {
        EXPECT_NEAR(got, want[w], 1e-4) << "word " << w + 1;
      }
    }
    EXPECT_EQ(scene.Where(node.get()), e.where);
  }
  EXPECT_EQ(i, expected.size());
}

TEST(TracksideTest, TableLinesSkipEmptyLinesAndKeepCarriageReturns) {
  EXPECT_EQ(TableLines(Text("a\r\n\n\nb\nc")), (std::vector<std::string>{"a\r", "b", "c"}));
  EXPECT_TRUE(TableLines({}).empty());
  // A zero ends the text, as it ends the zero-terminated copy the tables were read from.
  EXPECT_EQ(TableLines(Text(std::string_view("a\nb\0c\nd", 7))),
            (std::vector<std::string>{"a", "b"}));
}

// On the curving track a starter stands on the end of lane 0 of section 0 (20 m), flaggers of
// section 1 (80 to 160 m) on both sides, flaggers by dlat on the end of lane 0 and the start of
// lane 1; rows of tyres, cones and hay, each row's end and a lane's start and end holding none.
TEST(TracksideTest, EachTablePlacesItsObjects) {
  const TrackGeometry track = samples::CurvingTrack();
  auto at = [&](double dlong, double dlat, double lift, double a1, const char* where) -> Pose {
    const Point3 p = track.PositionAt(static_cast<std::int32_t>(dlong * kMetre),
                                      static_cast<std::int32_t>(dlat * kMetre));
    return {p.x / kMetre, p.y / kMetre, p.z / kMetre + lift, a1, 0, where};
  };
  auto hay = [&](double dlong, const char* where) {  // tilted by the road's drop over 1 m
    Pose pose = at(dlong, -3, 0, dlong / 250, where);
    pose.a2 = pose.z - at(dlong + 1, -3, 0, 0, "").z;
    return pose;
  };
  EXPECT_GT(std::abs(at(20, 0, 0, 0, "").z), 0.1);  // the track has climbed there
  // Flaggers face their section's average heading (the curve turns 1 / 250 m), the right-side
  // ones turned half a turn, 1.5 m behind their point; rows face along the track, tyres across.
  const double a = 120.0 / 250, b = a + kHalf;
  struct Case {
    const char* name;
    int second;
    std::vector<EmbeddedFile> tables;
    std::vector<Pose> placed;
  };
  const Case cases[] = {
      {"no starter line parses", 0, {{"TEST_STARTER_LAT", Text("a,b\nnot,a,line\n")}}, {}},
      {"the starter's defaults, before the first section's end",
       15,
       {{"TEST_STARTER_LAT", Text("dlong,dlat,height\n1,2,3\n")}},
       {{(15.0 * kMetre - 20000) / kMetre, 10, kRoad, 0, 0, "c0 c6"}}},
      {"a starter outside every lane of the first section",
       100,
       {{"TEST_STARTER_LAT", Text("300,-2.5,4.7\r\n")}},
       {{300, -2.5, kRoad, 0, 0, ""}}},
      {"flaggers right in track units, on their own list; no section 7",
       0,
       {{"TEST_FLAGS", Text("Flagger no.,Track section,Side,X,Y,Z\r\n2,0,0,1968500,393700,0,W\r\n"
                            "3,0,2,100,20,0\r\n4,7,1,100,20,0\r\n")}},
       {{100, 18.5, 0.2, kHalf, 0, "r0 r6"}, {100, 18.5, 0.2, kHalf, 0, "c0 c6"}}},
      {"every kind on the curving track",
       kCurving,
       {{"TEST_STARTER_LAT", Text("20,-2.5,4.7\n")},
        {"TEST_FLAGS", Text("1,1,1,100,50,2\n2,1,0,100,50,2\n")},
        {"TEST_FLAG_LAT", Text("Dlong,Dlat,Flag\n20,7.5,0\nnot,a,line\n20,7.5,1\n")},
        {"TEST_TIRES", Text("Start,End,Latitude\n100,116,-7.5\n")},
        {"TEST_CONES", Text("112,125,3\n")},
        {"TEST_HAY", Text("Start,End,Latitude\r\n30,50,-3\r\n\n60,60,1\n")}},
       {at(20, -2.5, 4.9, 0, "c0 c4 c6"),  // a starter is listed where lanes end too
        {100 - 1.5 * std::sin(a), 50 + 1.5 * std::cos(a), 2.2, a, 0, "1l0 1l4 1l6"},
        {100 - 1.5 * std::sin(b), 50 + 1.5 * std::cos(b), 2.2, b, 0, "1r0 1r4 1r6"},
        at(20, 7.5, 0, 20.0 / 250 + kQuarter, "c4 c6"),
        at(20, 7.5, 0, 20.0 / 250 + kQuarter, "c4 c6"),
        at(100, -7.5, 0, 100.0 / 250 + kQuarter, "1c4 1c6"),
        at(108, -7.5, 0, 108.0 / 250 + kQuarter, "1c1 1c4 1c6"),
        at(112, 3, 0, 112.0 / 250, "1c1 1c4 1c6"),
        at(124, 3, 0, 124.0 / 250, "1c2 1c5 1c6"),
        hay(30, "c1 c4 c6"),
        hay(40, "c6")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene(c.second, c.tables);
    PlaceTrackside(*scene.object, scene.layout(), "TEST", *scene.stream);
    ExpectPlaced(scene, c.placed);
  }
}

TEST(TrackStripsTest, GroovePiecesFollowTheLineAndTheBraking) {
  Scene scene(kCurving);
  // Lane 0 of the last section spans 60 m, 2.4 pieces of 25 m; its other lanes, 40 m or more,
  // take one piece each.
  TrackSection& last = scene.layout().sections[3];
  last.lanes[0].end = 300 * kMetre;
  // The groove moves 5 cm left per metre; the cars brake up to 1800000.
  const GrooveLine line{[](std::int32_t d) { return d / 19685.0 * 0.05; },
                        [](std::int32_t d) { return d < 1800000 ? 1.0 : 0.0; }};
  LayGrooveStrips(*scene.object, scene.layout(), line, 2);
  scene.ExpectNewPlanesFaceUp();
  const auto& v = scene.object->vertices();
  for (int k = 0; k < kLaneCount; ++k) EXPECT_EQ(last.lanes[k].contents.size(), k ? 1u : 2u) << k;
  // The second piece of two from 240 m starts at 270 m: texel row 2657 & 63.
  EXPECT_EQ(v[last.lanes[0].contents.at(1)->points[0]].v, 33);
  // Lane 0 of section 0 brakes throughout, lane 1 of section 1 nowhere.
  EXPECT_EQ(scene.layout().sections[0].lanes[0].contents.at(0)->value, 0x100 + 0xC0 + 0xC);
  EXPECT_EQ(scene.layout().sections[1].lanes[1].contents.at(0)->value, 0x100 + 0x20 + 2);
  // Lane 0 of section 1, 80 to 100 m, one piece: the groove at 4 m and 5 m, 0.7 of it in track
  // units, 40000 either side; braking at its start, none at its end; texel rows from 787 & 63.
  const ObjectNode& piece = *scene.layout().sections[1].lanes[0].contents.at(0);
  EXPECT_EQ(piece.value, 0x100 + 0xC0 + 2);
  EXPECT_EQ(piece.texture_index,
            scene.object->AddName("groove", static_cast<int>(NameKind::kTexture)));
  ASSERT_EQ(piece.points.size(), 4u);
  scene.ExpectCorner(piece.points[0], 1574800, 15118, 0, 19);
  scene.ExpectCorner(piece.points[2], 1968500, 108897, 128, 215);
}

TEST(TrackStripsTest, StartLineOverTheSurfacesFromCodeThirtySix) {
  // The straight track's road (code 50) runs from dlat 0 to 60 m; across the curving one code 36
  // from 0, 50 from 30 m, 35 from 60 m. A band a surface in lanes 0, 4 and 6, 1 m long, of the
  // flat colour 47 (3DO3) or 36 (untagged).
  for (const auto& [curving, format] : {std::pair{false, 1}, {false, 2}, {true, 2}}) {
    SCOPED_TRACE(testing::Message() << "curving " << curving << " format " << format);
    Scene scene(curving ? kCurving : 0, {}, format);
    LayStartLine(*scene.object, scene.layout());
    const std::size_t bands = curving ? 2 : 1;
    EXPECT_EQ(scene.object->planes().size(), scene.planes_before + 3 * bands);
    scene.ExpectNewPlanesFaceUp();
    for (int k = 0; k < kLaneCount; ++k) {
      const std::vector<ObjectNode*>& laid = scene.layout().sections[0].lanes[k].contents;
      ASSERT_EQ(laid.size(), k == 0 || k == 4 || k == 6 ? bands : 0u) << k;
      for (std::size_t b = 0; b < laid.size(); ++b) {
        SCOPED_TRACE(testing::Message() << "lane " << k << " band " << b);
        EXPECT_EQ(laid[b]->code, format);
        EXPECT_EQ(scene.object->Field(laid[b]->source_offset, format == 2 ? 9 : 4),
                  format == 2 ? 47u : 36u);
        const auto across = [&](std::size_t edge) { return 1181100 * edge / bands; };
        scene.ExpectCorner(laid[b]->points[0], 0, across(b), 0, 0);
        scene.ExpectCorner(laid[b]->points[2], 19685, across(b + 1), 0, 0);
      }
    }
  }
}

}  // namespace
}  // namespace velmora
