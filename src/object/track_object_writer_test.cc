// The track object: section building, the strip test, the node stream and the closing groups,
// over synthetic track objects of both layouts; every file written passes the track object check.
#include "object/track_object_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <tuple>

#include "object/gpl_object_check.h"
#include "object/gpl_object_reader.h"
#include "object/object_file.h"
#include "object/source_node_writers.h"
#include "object/source_object_writer.h"
#include "platform/byte_reader.h"
#include "resources/embedded_files.h"
#include "samples/object_builders.h"
#include "samples/track_object_builder.h"
#include "testing/corruption.h"

namespace velmora {
namespace {

using samples::TrackObjectSpec;

constexpr std::uint32_t kMetre = 19685;

struct Written {
  std::unique_ptr<Object3do> object;
  std::vector<std::uint8_t> bytes;
  GplObjectOutline outline;
  std::span<const std::uint8_t> prim;

  std::uint32_t Word(std::uint32_t node, std::size_t k) const {
    return ByteReader(prim.subspan(node + 4 * k)).U32();
  }
  std::vector<std::uint32_t> OffsetsOf(std::uint32_t opcode) const {
    std::vector<std::uint32_t> found;
    for (std::size_t i = 0; i < outline.opcodes.size(); ++i) {
      if (outline.opcodes[i] == opcode) found.push_back(outline.node_offsets[i]);
    }
    return found;
  }
};

std::unique_ptr<Object3do> Linked(std::vector<std::uint8_t> bytes, const TrackGeometry* track) {
  Result<ObjectFile> file = ReadObjectBytes(std::move(bytes), "track.3do");
  if (!file.ok() || !file->source) return nullptr;
  std::unique_ptr<Object3do> object = std::move(file->source);
  object->SetTrack(track);
  EXPECT_TRUE(object->BuildTree().ok());
  return object;
}

std::unique_ptr<Object3do> Linked(const TrackObjectSpec& plan, const TrackGeometry& track,
                                  int format) {
  return Linked(samples::BuildTrackObject(plan, track, format), &track);
}

// Writes the object (with the tables `resources` hold, as the file `path`); every track object
// written must pass the track object check.
Written Write(std::unique_ptr<Object3do> object, const std::string& path = {},
              const ResourceStore* resources = nullptr) {
  Written w;
  w.object = std::move(object);
  if (resources != nullptr) w.object->SetResources(resources);
  w.bytes = BuildGplObject(*w.object, path);
  Result<GplObjectOutline> outline = CheckTrackObject(w.bytes);
  EXPECT_TRUE(outline.ok()) << outline.status().ToString();
  if (!outline.ok()) return w;
  w.outline = *outline;
  w.prim = std::span<const std::uint8_t>(w.bytes).subspan(outline->prim_at);
  return w;
}

// The sections as the writer lays them out, before it writes them.
struct Laid {
  std::unique_ptr<Object3do> object;
  std::unique_ptr<TrackObjectWriter> writer;
  const TrackSection& Section(std::size_t s) const { return writer->layout().sections.at(s); }
  double PlaneD(const ObjectNode* node) const { return object->planes()[node->plane_index].d; }
};

Laid Lay(std::unique_ptr<Object3do> object, bool keep_skid_marks = false) {
  Laid laid{std::move(object), nullptr};
  laid.object->SetKeepSkidMarks(keep_skid_marks);
  BuildPlanes(*laid.object);
  laid.writer = std::make_unique<TrackObjectWriter>(*laid.object, std::filesystem::path());
  laid.writer->BuildSections();
  return laid;
}

// A straight track of 100 m loaded under `name`, whose letters name some tracks' own rules.
TrackGeometry NamedTrack(const char* name) {
  TrackGeometry track;
  EXPECT_TRUE(
      track
          .LoadBytes(BuildTrackFile(samples::StraightTrackSpec(100), samples::kSourceLayoutVersion),
                     name)
          .ok());
  return track;
}

bool NamesTexture(const Object3do& object, std::string_view name) {
  const std::vector<NameRecord>& textures = object.names(NameKind::kTexture);
  return std::any_of(textures.begin(), textures.end(),
                     [&](const NameRecord& record) { return record.name == name; });
}

std::vector<std::uint32_t> PolygonIndices(const Written& w, std::uint32_t polygon) {
  EXPECT_EQ(w.Word(polygon, 0), kOpwordFlatPolygon);
  std::vector<std::uint32_t> indices;
  for (std::uint32_t i = 0; i < w.Word(polygon, 2) && i < 16; ++i) {
    indices.push_back(w.Word(polygon, 3 + i));
  }
  return indices;
}

TEST(SectionIndexListTest, OneValuePerStepOfTheLap) {
  EXPECT_EQ(SectionIndexList({0}, 0x80000), (std::vector<std::uint32_t>{0, 0}));
  EXPECT_EQ(SectionIndexList({0}, 0x80001).size(), 3u);
  EXPECT_EQ(SectionIndexList({0, 0x40000, 0x50000, 0x90000}, 0xA0000),
            (std::vector<std::uint32_t>{0, 1, 2}));
  // No section at or before a point gives 0; an unordered list takes the last that is.
  EXPECT_EQ(SectionIndexList({0x10000, 0x30000}, 0x80000), (std::vector<std::uint32_t>{0, 1}));
  EXPECT_EQ(SectionIndexList({0, 0x90000, 0x10000}, 0x80000), (std::vector<std::uint32_t>{0, 2}));
  EXPECT_TRUE(SectionIndexList({}, 0).empty());
}

// What the curving track's tests below leave out: the index list, lanes that take no part, the
// node counts and the groove. The links, the planes and the fixed table's entries are theirs.
TEST(TrackObjectWriterTest, BothLayoutsEndInTheTrackGroups) {
  const TrackGeometry track = samples::StraightTrack(400);
  TrackObjectSpec plan;
  plan.starts = {0, 100 * kMetre, 200 * kMetre, 300 * kMetre};
  plan.dividers = {3, 3, 0, 0, 3, 3, 3};
  plan.edges = true;
  Written w = Write(Linked(plan, track, 2));
  ASSERT_FALSE(w.outline.opcodes.empty());
  // The root, the fixed table and G1's shape are the track object check's (see Write).
  const std::uint32_t g2 = w.Word(w.outline.root, 2);
  EXPECT_EQ(w.Word(g2, 1), 4u + 2);
  // 400 m is 7874000 units: 31 steps of 0x40000.
  EXPECT_EQ(w.Word(w.Word(g2, 2), 1), 31u);
  EXPECT_EQ(w.Word(w.Word(g2, 2), 2 + 30), 3u);
  // Every surface group lists lanes 0, 1, 4, 5 and 6 and its number list.
  for (std::uint32_t s = 0; s < 4; ++s) {
    const std::uint32_t surface = w.Word(g2, 3 + s);
    EXPECT_EQ(w.Word(surface, 1), 8u);
    for (std::size_t k : {0u, 1u, 4u, 5u, 6u}) EXPECT_NE(w.Word(surface, 2 + k), 0xFFFFFFFFu);
    for (std::size_t k : {2u, 3u}) EXPECT_EQ(w.Word(surface, 2 + k), 0xFFFFFFFFu);
    EXPECT_EQ(w.Word(w.Word(surface, 9), 2), s * 100 * kMetre);
  }
  // 4 sections of 5 taking-part lanes, each of 3 dividers and 4 cross-section nodes.
  EXPECT_EQ(w.OffsetsOf(kOpTrackSection).size(), 4u * 5 * 4);
  EXPECT_EQ(w.OffsetsOf(kOpLaneDivider).size(), 4u * 5 * 3);
  EXPECT_TRUE(NamesTexture(*w.object, "groove"));
}

TEST(TrackObjectWriterTest, ContentsGoIntoTheStripsBetweenTheirDividers) {
  const TrackGeometry track = samples::StraightTrack(100);
  TrackObjectSpec plan;
  plan.dividers = {3, 0, 0, 0, 0, 0, 0};
  plan.contents = 2;
  // Lane 0 of three dividers: two strip groups of two contents each and the cross-section
  // node they close on; lane 6 has no dividers and no strips.
  const Written w = Write(Linked(plan, track, 2));
  int strips = 0;
  for (std::uint32_t divider : w.OffsetsOf(kOpLaneDivider)) {
    const std::uint32_t strip = w.Word(divider, 5);
    if (w.Word(strip, 0) != kOpGroup) continue;
    ++strips;
    EXPECT_EQ(w.Word(strip, 1), 3u);
    EXPECT_EQ(w.Word(w.Word(strip, 4), 0), kOpTrackSection);
  }
  EXPECT_EQ(strips, 2);
}

// A section whose p1 equals p0 takes the next start for p1 to p3; the last section's next start
// is the track's length. Its cut planes stand upright (the curving track's test holds where).
TEST(TrackObjectWriterTest, SectionBuildingPositionsCollapse) {
  const TrackGeometry track = samples::StraightTrack(100);
  samples::Object3Builder b;
  const std::uint32_t v = b.Vertex(0, 0, 0);
  std::vector<std::uint32_t> sections;
  for (std::uint32_t start : {0u, 500000u}) {
    const std::uint32_t split = b.Split(10, 0, -1000, 0, 0, 5000, {b.Polygon(0, 1, {v, v, v})});
    sections.push_back(b.Group({b.Group({split}), b.NumberList({start, start, start + 9, 7})}));
  }
  b.Group(sections);
  const Laid laid = Lay(Linked(b.Build(), &track));
  EXPECT_EQ(laid.Section(0).p, (std::array<std::uint32_t, 4>{0, 500000, 500000, 500000}));
  EXPECT_EQ(laid.Section(0).next_start, 500000u);
  EXPECT_EQ(laid.Section(1).next_start, track.track_length());
  const ObjectPoint& cut = laid.object->planes()[laid.Section(0).cut_planes[0]];
  EXPECT_DOUBLE_EQ(cut.z, 0.0);
  EXPECT_NEAR(cut.x * cut.x + cut.y * cut.y, 1.0, 1e-9);
}

TEST(TrackObjectWriterTest, SkidMarksAreLeftOutUnlessKept) {
  const TrackGeometry track = samples::StraightTrack(100);
  TrackObjectSpec plan;
  plan.dividers = {2, 0, 0, 0, 0, 0, 0};
  plan.skid_marks = true;
  for (bool keep : {false, true}) {
    SCOPED_TRACE(keep);
    const Laid laid = Lay(Linked(plan, track, 2), keep);
    const std::vector<ObjectNode*>& contents = laid.Section(0).lanes[0].contents;
    // One content polygon, the skid marks when kept, then four groove pieces and the start line.
    ASSERT_EQ(contents.size(), keep ? 7u : 6u);
    EXPECT_EQ(contents[1]->code == laid.object->roles().group, keep);
  }
}

// The placement and its reference come first; then one starter from the table; then the
// section: its track section nodes (lanes 0 and 6), the divider's road in order and mirrored, the
// divider, its number list and surface group; last the index list, G1, G2, the fixed table and
// the root.
TEST(TrackObjectWriterTest, NodeStreamOrder) {
  const TrackGeometry track = samples::StraightTrack(100);
  samples::Object3Builder full;
  full.Placement(13, 19685, 0, 0, 0, 0, 0, full.ObjectRef("tree"));
  const std::uint32_t v = full.Vertex(0, 0, 0);
  const std::uint32_t split = full.Split(10, 0, -1000, 0, 0, 20000,
                                         {0xFFFFFFFF, full.Polygon(0, 1, {v, v, v}), 0xFFFFFFFF});
  full.Group({full.Group({split}), full.NumberList({0, 1000, 2000, 3000})});
  const EmbeddedFile tables[] = {
      {"TRACK_STARTER_LAT", std::span(reinterpret_cast<const std::uint8_t*>("1,2,3\n"), 6)}};
  const ResourceStore store(tables);
  const Written w = Write(Linked(full.Build(), &track), "/gpl/tracks/track/track.3do", &store);
  EXPECT_EQ(
      w.outline.opcodes,
      (std::vector<std::uint32_t>{
          kOpObjectRef, kOpPlacement, kOpObjectRef, kOpPlacement, kOpTrackSection, kOpTrackSection,
          kOpTrackSection, kOpTrackSection, kOpFlatPolygon, kOpFlatPolygon, kOpLaneDivider,
          kOpNumberList, kOpGroup, kOpNumberList, kOpGroup, kOpGroup, kOpNumberList, kOpGroup}));
}

// Where the track's name says so, the inner walls drop: of a lane's four dividers the outer two
// are kept, and a lane of one node keeps it twice, between the fixed planes and its own.
TEST(TrackObjectWriterTest, InnerWallsAreDroppedWhereTheTrackSaysSo) {
  for (const char* path : {"straight.trk", "pocono.trk"}) {
    SCOPED_TRACE(path);
    const TrackGeometry track = NamedTrack(path);
    TrackObjectSpec plan;
    plan.dividers = {4, 0, 0, 0, 0, 0, 4};
    const Laid laid = Lay(Linked(plan, track, 2));
    const bool drops = std::string(path) == "pocono.trk";
    std::vector<double> d;  // left to right after the reordering of four
    for (const ObjectNode* n : laid.Section(0).lanes[0].lane_nodes) d.push_back(laid.PlaneD(n));
    EXPECT_EQ(d, drops ? (std::vector<double>{40, 10}) : (std::vector<double>{40, 30, 20, 10}));
  }
  TrackObjectSpec plan;
  plan.dividers = {4, 0, 0, 0, 0, 0, 1};
  const TrackGeometry pocono = NamedTrack("pocono.trk");
  const Laid laid = Lay(Linked(plan, pocono, 2));
  const TrackLane& lane = laid.Section(0).lanes[6];
  ASSERT_EQ(lane.lane_nodes.size(), 2u);
  EXPECT_EQ(lane.lane_nodes[0], lane.lane_nodes[1]);
  const std::int32_t plane = lane.lane_nodes[0]->plane_index;
  std::vector<std::pair<std::int32_t, std::int32_t>> left_right;
  for (const ObjectNode* n : lane.cross_sections)
    left_right.emplace_back(n->points[1], n->points[3]);
  EXPECT_EQ(left_right, (decltype(left_right){{0, plane}, {plane, plane}, {plane, 1}}));
}

// Planes facing right (normal -y): A at y = 10 m, B at y = 4 m or, narrow, nearer. A point
// within 1 m (3DO3) or within 3 m of A and 2 m of B (untagged) of the strip still lies in it;
// near both planes both conditions hold, which is not 1.
TEST(StripTestTest, LeavesBetweenTheTwoPlanesInBothLayouts) {
  const TrackGeometry track = samples::StraightTrack(100);
  const ObjectPoint a{.x = 0, .y = -1, .z = 0, .d = 10};
  // Layout, the node's points, plane B's distance, the result.
  const std::tuple<int, std::vector<double>, double, int> rows[] = {
      {2, {7.0, 7.5}, 4, 1}, {2, {7.0, 12.0}, 4, 0}, {2, {}, 4, 1},    {2, {10.5}, 9, 0},
      {1, {13.5}, 4, 1},     {1, {14.5}, 4, 0},      {1, {8.0}, 7, 0}, {1, {7.0}, 7, 1},
  };
  for (const auto& [format, ys, b, result] : rows) {
    SCOPED_TRACE(testing::Message() << format << " " << ys.size() << " b " << b);
    std::unique_ptr<Object3do> object = Linked(TrackObjectSpec{}, track, format);
    GplObjectWriter out;
    GplNodeStream stream(out, *object);
    ObjectNode node;
    node.code = 2;
    object->vertices().clear();
    for (double y : ys) {
      node.points.push_back(static_cast<std::int32_t>(object->vertices().size()));
      object->vertices().push_back({.x = 1, .y = y, .z = 0});
    }
    const ObjectPoint plane_b{.x = 0, .y = -1, .z = 0, .d = b};
    EXPECT_EQ(StripTest(node, a, plane_b, 0, stream), result);
    if (result == 0 || ys.size() != 2) continue;
    // One leaf between is enough for a group.
    ObjectNode outside = node;
    outside.points = {static_cast<std::int32_t>(object->vertices().size())};
    object->vertices().push_back({.x = 1, .y = 12.0, .z = 0});
    ObjectNode group;
    group.code = 4;
    group.children = {&outside, &node};
    EXPECT_EQ(StripTest(group, a, plane_b, 0, stream), 1);
  }
}

// Mode 1: a written placement by its position, exactly one condition; other leaves by code.
TEST(StripTestTest, PlacementsByTheirWrittenPosition) {
  const TrackGeometry track = samples::StraightTrack(100);
  std::unique_ptr<Object3do> object = Linked(TrackObjectSpec{}, track, 2);
  GplObjectWriter out;
  GplNodeStream stream(out, *object);
  const ObjectPoint a{.x = 0, .y = -1, .z = 0, .d = 10}, b{.x = 0, .y = -1, .z = 0, .d = 4},
      narrow_b{.x = 0, .y = -1, .z = 0, .d = 9};
  ObjectNode placement;
  stream.MarkNode(placement);
  stream.out().U32(kOpPlacement);
  for (float f : {1.0f, 7.0f, 0.0f, 0.f, 0.f, 0.f, 1.f}) stream.out().F32(f);
  stream.out().I32(kNoNode);
  EXPECT_EQ(StripTest(placement, a, b, 1, stream), 1);
  EXPECT_EQ(StripTest(placement, a, narrow_b, 1, stream), 0);
  ObjectNode polygon, reference;
  polygon.code = 2;
  reference.code = 14;
  EXPECT_EQ(StripTest(polygon, a, b, 1, stream), 0);
  EXPECT_EQ(StripTest(reference, a, b, 1, stream), 1);
}

TEST(TrackObjectWriterTest, HostileTrackObjectsWriteSoundObjects) {
  const TrackGeometry track = samples::StraightTrack(100);
  Write(Linked(samples::BuildTrackObject({}, track, 1), nullptr));  // no track attached
  // No sections at all: the index list and G1 only.
  samples::UntaggedBuilder u;
  u.Group({});
  u.SectionList(5, 1, 2, 3);  // never turns the sections on
  const Written none = Write(Linked(u.Build(), &track));
  EXPECT_EQ(none.Word(none.Word(none.outline.root, 2), 1), 2u);
  EXPECT_FALSE(NamesTexture(*none.object, "groove"));
  // Cut and flipped: whatever still reads as a track object is written soundly.
  TrackObjectSpec plan;
  plan.starts = {0, 50 * kMetre};
  plan.dividers = {2, 0, 0, 0, 1, 1, 1};
  plan.edges = true;
  for (int format : {1, 2}) {
    const std::vector<std::uint8_t> file = samples::BuildTrackObject(plan, track, format);
    for (std::size_t cut = file.size() / 2; cut <= file.size(); cut += file.size() / 23 + 1) {
      for (std::size_t i = 0; i < cut; i += cut / 11 + 1) {
        SCOPED_TRACE(testing::Message() << format << " cut " << cut << " flip " << i);
        std::unique_ptr<Object3do> object =
            Linked(testkit::WithBitFlipped(testkit::CutTo(file, cut), 8 * i + i % 8), &track);
        if (object && object->is_track_object()) Write(std::move(object));
      }
    }
  }
}

TEST(TrackObjectWriterTest, DividersSharingASubtreeGetItInOrderAndMirrored) {
  // The splits of lanes 0 and 6 share their second child.
  const TrackGeometry track = samples::StraightTrack(100);
  samples::Object3Builder b;
  const std::uint32_t v0 = b.Vertex(0, 0, 0), v1 = b.Vertex(19685, 0, 0),
                      v2 = b.Vertex(19685, 19685, 0);
  auto polygon = [&] { return b.Polygon(0, 1, {v0, v1, v2}); };
  const std::uint32_t shared = polygon();
  std::vector<std::uint32_t> lanes;
  for (int k = 0; k < 7; ++k) {
    std::vector<std::uint32_t> nodes;
    if (k == 0 || k == 6) {
      nodes.push_back(b.Split(10, 0, -1000, 0, 0, 5000 + 1000 * k, {polygon(), shared, polygon()}));
    }
    lanes.push_back(b.Group(nodes));
  }
  lanes.push_back(b.NumberList({0, 100000, 200000, 300000}));
  b.Group(lanes);
  Written w = Write(Linked(b.Build(), &track));
  const std::uint32_t surface = w.Word(w.Word(w.outline.root, 2), 3);
  const std::uint32_t lane0 = w.Word(surface, 2), lane6 = w.Word(surface, 2 + 6);
  // Both in-order slots name the one copy in order, each mirrored slot a copy reversed.
  EXPECT_EQ(w.Word(lane6, 3), w.Word(lane0, 3));
  const std::vector<std::uint32_t> in_order = PolygonIndices(w, w.Word(lane0, 3));
  EXPECT_LT(in_order.at(0), in_order.at(2));
  const std::vector<std::uint32_t> mirrored(in_order.rbegin(), in_order.rend());
  for (std::uint32_t divider : {lane0, lane6}) {
    EXPECT_EQ(PolygonIndices(w, w.Word(divider, 4)), mirrored) << divider;
  }
}

TEST(TrackObjectWriterTest, A3do3SectionTakesItsPositionsFromItsLastCountFourList) {
  const TrackGeometry track = samples::StraightTrack(100);
  samples::Object3Builder b;
  const std::uint32_t v = b.Vertex(0, 0, 0);
  const std::uint32_t head = b.NumberList({0, 100000, 200000, 300000});
  const std::uint32_t later = b.NumberList({0, 400000, 500000, 600000});
  const std::uint32_t polygon = b.Polygon(0, 1, {v, v, v});
  const std::uint32_t split = b.Split(10, 0, -1000, 0, 0, 5000, {polygon, polygon, later});
  b.Group({b.Group({split}), head});
  const std::vector<std::uint8_t> file = b.Build();
  EXPECT_EQ(Lay(Linked(file, &track)).Section(0).p,
            (std::array<std::uint32_t, 4>{0, 400000, 500000, 600000}));
  // The surface group closes on that list.
  Written w = Write(Linked(file, &track));
  const std::uint32_t surface = w.Word(w.Word(w.outline.root, 2), 3);
  EXPECT_EQ(w.Word(w.Word(surface, 9), 3), 400000u);
}

// The wiring of a whole track object over the curving, climbing track: four sections of 80 m
// (the last 160 m) whose seven lanes all take part, each lane of three dividers (stored second,
// first, third) with edges; two flaggers stand on the second divider of lane 0 of section 1. The
// file is read back through its track groups alone and held against the track's geometry.
class CurvingTrackObjectTest : public testing::TestWithParam<int> {
 protected:
  // Where positions p0 to p3 and the next start stand, in metres, per section.
  static constexpr double kPositions[4][5] = {{0, 20, 40, 60, 80},
                                              {80, 100, 120, 140, 160},
                                              {160, 180, 200, 220, 240},
                                              {240, 280, 320, 360, 400}};
  // Per lane, the positions its cut planes a and b stand at; the lane's dividers stand halfway.
  static constexpr int kCuts[7][2] = {{1, 0}, {2, 1}, {3, 2}, {4, 3}, {2, 0}, {4, 2}, {4, 0}};
  static constexpr double kDividerDlat[3] = {40, 30, 20};  // metres, left to right

  struct Lane {
    std::vector<std::uint32_t> dividers;  // left to right
    std::vector<std::uint32_t> cross;     // the cross-section nodes they close on
  };

  void SetUp() override {
    track_ = samples::CurvingTrack();
    TrackObjectSpec plan;
    plan.starts = {0, 80 * kMetre, 160 * kMetre, 240 * kMetre};
    plan.dividers = {3, 3, 3, 3, 3, 3, 3};
    plan.edges = true;
    std::unique_ptr<Object3do> object = Linked(plan, track_, GetParam());
    ASSERT_TRUE(object && object->is_track_object());
    static constexpr std::string_view kFlagLat = "88,30,0\n92,30,0\n";
    const EmbeddedFile tables[] = {
        {"CURVE_FLAG_LAT",
         std::span(reinterpret_cast<const std::uint8_t*>(kFlagLat.data()), kFlagLat.size())}};
    const ResourceStore store(tables);
    w_ = Write(std::move(object), "/gpl/tracks/curve/curve.3do", &store);
    Result<std::unique_ptr<GplObject>> read = GplObject::Read(w_.bytes);
    ASSERT_TRUE(read.ok());
    file_ = std::move(*read);
    ReadSections();
  }

  // Each lane's dividers, walked back from the surface group's entry, and its cross-section
  // nodes: the last entry of the first divider's left group and of each divider's right group.
  void ReadSections() {
    const std::uint32_t g2 = w_.Word(w_.outline.root, 2);
    auto closing = [&](std::uint32_t node) {
      return w_.Word(node, 0) == kOpGroup ? w_.Word(node, 1 + w_.Word(node, 1)) : node;
    };
    for (std::uint32_t s = 0; s + 2 < w_.Word(g2, 1); ++s) {
      std::array<Lane, 7>& lanes = sections_.emplace_back();
      const std::uint32_t surface = w_.Word(g2, 3 + s);
      for (std::size_t k = 0; k < 7; ++k) {
        Lane& lane = lanes[k];
        for (std::uint32_t d = w_.Word(surface, 2 + k);
             w_.Word(d, 0) == kOpLaneDivider && lane.dividers.size() < 8; d = w_.Word(d, 2)) {
          lane.dividers.insert(lane.dividers.begin(), d);
        }
        if (lane.dividers.empty()) continue;
        lane.cross.push_back(closing(w_.Word(lane.dividers.front(), 2)));
        for (std::uint32_t d : lane.dividers) lane.cross.push_back(closing(w_.Word(d, 5)));
      }
    }
  }

  // The world position of a track point, in metres.
  Point3 At(double dlong_metres, double dlat_metres) const {
    const Point3 p = track_.PositionAt(static_cast<std::int32_t>(dlong_metres * kMetre),
                                       static_cast<std::int32_t>(dlat_metres * kMetre));
    return {p.x / kMetre, p.y / kMetre, p.z / kMetre};
  }
  // How far off a plane of the file a point lies, in metres.
  double Off(std::uint32_t plane, const Point3& p) const {
    const ObjectPoint& n = file_->planes().at(plane);
    return n.x * p.x + n.y * p.y + n.z * p.z + n.d;
  }
  // Whether the first corner of the polygon written at `node` lies at the track point.
  bool StartsAt(std::uint32_t node, double dlong_metres, double dlat_metres) const {
    if (w_.Word(node, 0) != kOpwordFlatPolygon) return false;
    const ObjectPoint& v = file_->vertices().at(w_.Word(node, 3));
    const Point3 p = At(dlong_metres, dlat_metres);
    return std::abs(v.x - p.x) < 1e-3 && std::abs(v.y - p.y) < 1e-3;
  }
  // The children a track section node lists: (x, y, z, offset) each.
  std::vector<std::array<std::uint32_t, 4>> Entries(std::uint32_t node) const {
    std::vector<std::array<std::uint32_t, 4>> entries;
    for (std::uint32_t e = 0; e < w_.Word(node, 15) && e < 64; ++e) {
      entries.push_back({w_.Word(node, 16 + 4 * e), w_.Word(node, 17 + 4 * e),
                         w_.Word(node, 18 + 4 * e), w_.Word(node, 19 + 4 * e)});
    }
    return entries;
  }

  TrackGeometry track_;
  Written w_;
  std::unique_ptr<GplObject> file_;
  std::vector<std::array<Lane, 7>> sections_;
};

// The first section and the last, longer one (both link round the lap), lane by lane: the
// neighbour links, the planes, the dividers' slots and the edges; then the closing groups and
// the placements.
TEST_P(CurvingTrackObjectTest, LinksPlanesSlotsEdgesAndPlacements) {
  ASSERT_EQ(sections_.size(), 4u);
  // Per lane: the lane of the piece ahead (link 1), behind (link 3) and the first finer piece
  // (link 5); -1 for none. Lane 6 links round the lap to lane 6 of the next and previous section.
  constexpr int kNextSection = 10, kPreviousSection = 11;
  constexpr int kLinks[7][3] = {{1, -1, -1},
                                {-1, 0, -1},
                                {3, -1, -1},
                                {-1, 2, -1},
                                {5, -1, 0},
                                {-1, 4, 2},
                                {kNextSection, kPreviousSection, 4}};
  for (std::size_t s : {0u, 3u}) {
    for (std::size_t k = 0; k < 7; ++k) {
      SCOPED_TRACE(testing::Message() << "section " << s << " lane " << k);
      const Lane& lane = sections_[s][k];
      ASSERT_EQ(lane.dividers.size(), 3u);
      ASSERT_EQ(lane.cross.size(), 4u);
      const double a = kPositions[s][kCuts[k][0]], b = kPositions[s][kCuts[k][1]];
      const double from = b + (a - b) / 4;  // where the lane's pieces stand from
      for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(testing::Message() << "divider " << i);
        const std::uint32_t divider = lane.dividers[i];
        // Its plane runs along the road through its dlat, halfway along the lane; its second
        // child (the road beyond it) is in the in-order slot.
        EXPECT_NEAR(Off(w_.Word(divider, 1), At((a + b) / 2, kDividerDlat[i])), 0, 1e-3);
        EXPECT_TRUE(StartsAt(w_.Word(divider, 3), from, kDividerDlat[i] - 0.5));
      }
      for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(testing::Message() << "node " << i);
        const std::uint32_t node = lane.cross[i];
        auto node_of = [&](int link) -> std::uint32_t {
          if (link == kNextSection) return sections_[(s + 1) % 4][6].cross[0];
          if (link == kPreviousSection) return sections_[(s + 3) % 4][6].cross[0];
          return link < 0 ? 0xFFFFFFFF : sections_[s][link].cross[i];
        };
        EXPECT_EQ(w_.Word(node, 2), node_of(kLinks[k][0]));
        EXPECT_EQ(w_.Word(node, 4), i > 0 ? lane.cross[i - 1] : 0xFFFFFFFF);
        EXPECT_EQ(w_.Word(node, 6), node_of(kLinks[k][1]));
        EXPECT_EQ(w_.Word(node, 8), i < 3 ? lane.cross[i + 1] : 0xFFFFFFFF);
        EXPECT_EQ(w_.Word(node, 9), node_of(kLinks[k][2]));
        // Cut plane a ahead and b behind, across the road; left and right the fixed planes
        // outside, the dividers' planes between.
        for (double dlat : {0.0, 60.0}) {
          EXPECT_NEAR(Off(w_.Word(node, 1), At(a, dlat)), 0, 1e-2);
          EXPECT_NEAR(Off(w_.Word(node, 5), At(b, dlat)), 0, 1e-2);
        }
        EXPECT_EQ(w_.Word(node, 3), i == 0 ? 0 : w_.Word(lane.dividers[i - 1], 1));
        EXPECT_EQ(w_.Word(node, 7), i == 3 ? 1 : w_.Word(lane.dividers[i], 1));
      }
      // Of each edge pair the first is grouped before the outermost divider's road, the second
      // listed by the outermost node on its side.
      const std::uint32_t left = w_.Word(lane.dividers.front(), 2);
      const std::uint32_t right = w_.Word(lane.dividers.back(), 5);
      for (const auto& [group, dlat] : {std::pair{left, 43.0}, std::pair{right, 18.0}}) {
        ASSERT_EQ(std::pair(w_.Word(group, 0), w_.Word(group, 1)), std::pair(kOpGroup, 2u));
        EXPECT_TRUE(StartsAt(w_.Word(group, 2), from, dlat)) << dlat;
      }
      for (const auto& [node, dlat] :
           {std::pair{lane.cross.front(), 45.0}, std::pair{lane.cross.back(), 16.0}}) {
        const auto entries = Entries(node);
        EXPECT_TRUE(std::ranges::any_of(entries, [&](const auto& e) {
          return StartsAt(e[3], from, dlat);
        })) << dlat;
      }
    }
  }
  // G1 lists lane 6's first node of each section; the fixed table repeats its entry 60 times.
  const std::uint32_t g2 = w_.Word(w_.outline.root, 2);
  for (std::size_t s = 0; s < 4; ++s) {
    EXPECT_EQ(w_.Word(w_.Word(g2, 7), 2 + s), sections_[s][6].cross[0]);
  }
  const std::uint32_t fixed = w_.Word(w_.outline.root, 3);
  for (std::size_t word = 0; word < 240; ++word) {
    EXPECT_EQ(w_.Word(fixed, 2 + word), kFixedTableEntry[word % 4]) << word;
  }
  // Both flaggers stand on the second divider of lane 0 (80 to 100 m) of section 1, so both of
  // its strips hold them; the strip to the right takes them, under its cross-section node 2,
  // listed from the last child to the first, each with the placement's position.
  const std::vector<std::uint32_t> placements = w_.OffsetsOf(kOpPlacement);
  ASSERT_EQ(placements.size(), 2u);
  const std::vector<std::uint32_t>& cross = sections_[1][0].cross;
  EXPECT_TRUE(Entries(cross[1]).empty());
  const auto entries = Entries(cross[2]);
  ASSERT_EQ(entries.size(), 2u);
  for (std::size_t e = 0; e < 2; ++e) {
    SCOPED_TRACE(e);
    const Point3 p = At(e == 0 ? 92 : 88, 30);  // where the track has climbed
    const std::array<double, 3> xyz = {p.x, p.y, p.z};
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(std::bit_cast<float>(entries[e][c]), xyz[c], 1e-3);
    EXPECT_EQ(entries[e][3], placements[1 - e]);
  }
}

INSTANTIATE_TEST_SUITE_P(BothLayouts, CurvingTrackObjectTest, testing::Values(1, 2));

}  // namespace
}  // namespace velmora
