// The track object: section building, the strip test, the node stream and the closing groups,
// over synthetic track objects of both layouts; every file written passes the track object check.
#include "object/track_object_writer.h"

#include <gtest/gtest.h>

#include <bit>

#include "object/gpl_object_check.h"
#include "object/object_file.h"
#include "object/source_node_writers.h"
#include "object/source_object_writer.h"
#include "platform/byte_reader.h"
#include "samples/object_builders.h"
#include "samples/track_object_builder.h"

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

Written Write(std::unique_ptr<Object3do> object) {
  Written w;
  w.object = std::move(object);
  w.bytes = BuildGplObject(*w.object, {});
  Result<GplObjectOutline> outline = CheckTrackObject(w.bytes);
  EXPECT_TRUE(outline.ok()) << outline.status().ToString();
  if (!outline.ok()) return w;
  w.outline = *outline;
  w.prim = std::span<const std::uint8_t>(w.bytes).subspan(outline->prim_at);
  return w;
}

Written Write(const TrackObjectSpec& spec, const TrackGeometry& track, int format) {
  return Write(Linked(samples::BuildTrackObject(spec, track, format), &track));
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

TEST(TrackObjectWriterTest, BothLayoutsEndInTheTrackGroups) {
  const TrackGeometry track = samples::StraightTrack(400);
  TrackObjectSpec spec;
  spec.starts = {0, 100 * kMetre, 200 * kMetre, 300 * kMetre};
  spec.dividers = {3, 3, 0, 0, 3, 3, 3};
  spec.edges = true;
  for (int format : {1, 2}) {
    SCOPED_TRACE(format);
    Written w = Write(spec, track, format);
    ASSERT_FALSE(w.outline.opcodes.empty());
    const std::uint32_t root = w.outline.root;
    EXPECT_EQ(w.Word(root, 0), kOpGroup);
    const std::uint32_t g2 = w.Word(root, 2), fixed = w.Word(root, 3);
    EXPECT_EQ(root - fixed, 968u);
    EXPECT_EQ(w.Word(fixed, 2), 15000000u);
    EXPECT_EQ(w.Word(fixed, 4), 8000000u);
    EXPECT_EQ(w.Word(g2, 1), 4u + 2);
    const std::uint32_t index = w.Word(g2, 2);
    // 400 m is 7874000 units: 31 steps of 0x40000.
    EXPECT_EQ(w.Word(index, 1), 31u);
    EXPECT_EQ(w.Word(index, 2 + 30), 3u);
    const std::uint32_t g1 = w.Word(g2, 2 + 4 + 1);
    EXPECT_EQ(w.Word(g1, 1), 5u);
    EXPECT_EQ(w.Word(g1, 6), 0xFFFFFFFFu);
    // Lane 6 of the last section links forward to the first.
    EXPECT_EQ(w.Word(w.Word(g1, 5), 2), w.Word(g1, 2));
    // Every surface group lists lanes 0, 1, 4, 5 and 6 and its number list.
    for (std::uint32_t s = 0; s < 4; ++s) {
      const std::uint32_t surface = w.Word(g2, 3 + s);
      EXPECT_EQ(w.Word(surface, 1), 8u);
      for (std::size_t k : {0u, 1u, 4u, 5u, 6u}) EXPECT_NE(w.Word(surface, 2 + k), 0xFFFFFFFFu);
      for (std::size_t k : {2u, 3u}) EXPECT_EQ(w.Word(surface, 2 + k), 0xFFFFFFFFu);
      EXPECT_EQ(w.Word(w.Word(surface, 9), 0), kOpNumberList);
      EXPECT_EQ(w.Word(w.Word(surface, 9), 2), s * 100 * kMetre);
    }
    // 4 sections of 5 taking-part lanes, each of 3 dividers and 4 cross-section nodes.
    EXPECT_EQ(w.OffsetsOf(kOpTrackSection).size(), 4u * 5 * 4);
    EXPECT_EQ(w.OffsetsOf(kOpLaneDivider).size(), 4u * 5 * 3);
  }
}

TEST(TrackObjectWriterTest, ContentsGoIntoTheStripsBetweenTheirDividers) {
  const TrackGeometry track = samples::StraightTrack(100);
  TrackObjectSpec spec;
  spec.dividers = {3, 0, 0, 0, 0, 0, 0};
  spec.contents = 2;
  for (int format : {1, 2}) {
    SCOPED_TRACE(format);
    Written w = Write(spec, track, format);
    // Lane 0 of three dividers: two strip groups of two contents each and the cross-section
    // node they close on; lane 6 has no dividers and no strips.
    std::vector<std::uint32_t> strips;
    for (std::uint32_t divider : w.OffsetsOf(kOpLaneDivider)) {
      const std::uint32_t right = w.Word(divider, 5);
      if (w.Word(right, 0) == kOpGroup) strips.push_back(right);
    }
    ASSERT_EQ(strips.size(), 2u);
    for (std::uint32_t strip : strips) {
      EXPECT_EQ(w.Word(strip, 1), 3u);
      EXPECT_EQ(w.Word(w.Word(strip, 4), 0), kOpTrackSection);
    }
    // The dividers chain left to right: each points back at the one before.
    const std::vector<std::uint32_t> dividers = w.OffsetsOf(kOpLaneDivider);
    ASSERT_EQ(dividers.size(), 3u);
    EXPECT_EQ(w.Word(dividers[1], 2), dividers[0]);
    EXPECT_EQ(w.Word(dividers[2], 2), dividers[1]);
    // And they stand left to right after the reordering of three: their planes fall to the right.
    const auto& planes = w.object->planes();
    const double d0 = planes[w.Word(dividers[0], 1)].d, d2 = planes[w.Word(dividers[2], 1)].d;
    EXPECT_GT(d0, d2);
  }
}

TEST(TrackObjectWriterTest, SectionBuildingPositionsCollapseAndCutPlanes) {
  const TrackGeometry track = samples::StraightTrack(100);
  samples::Object3Builder b;
  const std::uint32_t v = b.Vertex(0, 0, 0);
  std::vector<std::uint32_t> sections;
  for (std::uint32_t start : {0u, 500000u}) {
    const std::uint32_t split = b.Split(10, 0, -1000, 0, 0, 5000, {b.Polygon(0, 1, {v, v, v})});
    // p1 equals p0: p1 to p3 become the next start.
    sections.push_back(b.Group({b.Group({split}), b.NumberList({start, start, start + 9, 7})}));
  }
  b.Group(sections);
  std::unique_ptr<Object3do> object = Linked(b.Build(), &track);
  ASSERT_TRUE(object && object->is_track_object());
  const std::size_t planes_before = 2 + 2;  // the fixed two and one per split
  TrackObjectWriter writer(*object, {});
  object->planes().clear();
  object->planes().resize(planes_before);
  writer.BuildSections();
  const TrackLayout& layout = writer.layout();
  ASSERT_EQ(layout.sections.size(), 2u);
  EXPECT_EQ(layout.sections[0].p, (std::array<std::uint32_t, 4>{0, 500000, 500000, 500000}));
  EXPECT_EQ(layout.sections[0].next_start, 500000u);
  EXPECT_EQ(layout.sections[1].next_start, track.track_length());
  EXPECT_EQ(layout.sections[0].cut_planes[0], static_cast<std::int32_t>(planes_before));
  EXPECT_EQ(layout.sections[1].cut_planes[4], static_cast<std::int32_t>(planes_before + 9));
  const ObjectPoint& cut = object->planes()[layout.sections[0].cut_planes[0]];
  EXPECT_DOUBLE_EQ(cut.z, 0.0);
  EXPECT_NEAR(cut.x * cut.x + cut.y * cut.y, 1.0, 1e-9);
  // One divider at position 0: part count 1, lane 0 takes part with two cross-section nodes
  // bounded by the fixed planes and the divider's plane.
  const TrackSection& first = layout.sections[0];
  EXPECT_EQ(first.part_count, 1);
  EXPECT_EQ(first.left_lane_count, 1);
  EXPECT_EQ(first.right_lane_limit, 3);
  ASSERT_EQ(first.lanes[0].cross_sections.size(), 2u);
  EXPECT_EQ(first.lanes[0].cross_sections[0]->points[1], 0);
  EXPECT_EQ(first.lanes[0].cross_sections[1]->points[3], 1);
  EXPECT_EQ(first.lanes[0].cross_sections[0]->points[0], first.cut_planes[1]);
  EXPECT_EQ(first.lanes[0].cross_sections[0]->points[2], first.cut_planes[0]);
  EXPECT_EQ(first.lanes[6].cross_sections[0]->points[0], first.cut_planes[4]);
}

TEST(TrackObjectWriterTest, SkidMarksAreLeftOutUnlessKept) {
  const TrackGeometry track = samples::StraightTrack(100);
  TrackObjectSpec spec;
  spec.dividers = {2, 0, 0, 0, 0, 0, 0};
  spec.skid_marks = true;
  for (int format : {1, 2}) {
    for (bool keep : {false, true}) {
      SCOPED_TRACE(testing::Message() << format << " keep " << keep);
      std::unique_ptr<Object3do> object =
          Linked(samples::BuildTrackObject(spec, track, format), &track);
      object->SetKeepSkidMarks(keep);
      BuildPlanes(*object);
      TrackObjectWriter writer(*object, {});
      writer.BuildSections();
      const std::vector<ObjectNode*>& contents = writer.layout().sections[0].lanes[0].contents;
      // One content polygon, the skid marks when kept, then four groove pieces and the start line.
      ASSERT_EQ(contents.size(), keep ? 7u : 6u);
      EXPECT_EQ(contents[1]->code == object->roles().group, keep);
    }
  }
}

TEST(TrackObjectWriterTest, NodeStreamOrder) {
  const TrackGeometry track = samples::StraightTrack(100);
  // The placement and its reference come first; then one starter from the table; then the
  // section: its track section nodes, its dividers, its number list and surface group; last
  // the index list, G1, G2, the fixed table and the root.
  samples::Object3Builder full;
  const std::uint32_t ref = full.ObjectRef("tree");
  full.Placement(13, 19685, 0, 0, 0, 0, 0, ref);
  const std::uint32_t v = full.Vertex(0, 0, 0);
  const std::uint32_t split =
      full.Split(10, 0, -1000, 0, 0, 20000, {0xFFFFFFFF, full.Polygon(0, 1, {v, v, v}), 0xFFFFFFFF});
  full.Group({full.Group({split}), full.NumberList({0, 1000, 2000, 3000})});
  const EmbeddedFile tables[] = {
      {"TRACK_STARTER_LAT", std::span(reinterpret_cast<const std::uint8_t*>("1,2,3\n"), 6)}};
  ResourceStore store(tables);
  std::unique_ptr<Object3do> object = Linked(full.Build(), &track);
  object->SetResources(&store);
  Written w;
  w.object = std::move(object);
  w.bytes = BuildGplObject(*w.object, "/gpl/tracks/track/track.3do");
  Result<GplObjectOutline> outline = CheckTrackObject(w.bytes);
  ASSERT_TRUE(outline.ok()) << outline.status().ToString();
  const std::vector<std::uint32_t>& ops = outline->opcodes;
  ASSERT_GE(ops.size(), 9u);
  EXPECT_EQ(std::vector<std::uint32_t>(ops.begin(), ops.begin() + 4),
            (std::vector<std::uint32_t>{kOpObjectRef, kOpPlacement, kOpObjectRef, kOpPlacement}));
  EXPECT_EQ(std::vector<std::uint32_t>(ops.end() - 5, ops.end()),
            (std::vector<std::uint32_t>{kOpNumberList, kOpGroup, kOpGroup, kOpNumberList,
                                        kOpGroup}));
  // One lane divider (lane 0) after lane 0's two and lane 6's two track section nodes; the
  // number list and the surface group close the section.
  const auto first_divider = std::find(ops.begin(), ops.end(), kOpLaneDivider);
  ASSERT_NE(first_divider, ops.end());
  EXPECT_EQ(std::count(ops.begin(), first_divider, kOpTrackSection), 4);
  EXPECT_EQ(std::count(first_divider, ops.end(), kOpTrackSection), 0);
  EXPECT_EQ(std::vector<std::uint32_t>(ops.end() - 7, ops.end() - 5),
            (std::vector<std::uint32_t>{kOpNumberList, kOpGroup}));
}

TEST(TrackObjectWriterTest, InnerWallsAreDroppedWhereTheTrackSaysSo) {
  for (const char* path : {"straight.trk", "pocono.trk"}) {
    SCOPED_TRACE(path);
    TrackGeometry track;
    ASSERT_TRUE(track
                    .LoadBytes(BuildTrackFile(samples::StraightTrackSpec(100),
                                              samples::kSourceLayoutVersion),
                               path)
                    .ok());
    TrackObjectSpec spec;
    spec.dividers = {4, 0, 0, 0, 0, 0, 4};
    std::unique_ptr<Object3do> object =
        Linked(samples::BuildTrackObject(spec, track, 2), &track);
    BuildPlanes(*object);
    TrackObjectWriter writer(*object, {});
    writer.BuildSections();
    const TrackSection& section = writer.layout().sections[0];
    const bool drops = std::string(path) == "pocono.trk";
    EXPECT_EQ(section.part_count, drops ? 2 : 4);
    // Left to right after the reordering of four; the outer two are kept.
    std::vector<double> d;
    for (const ObjectNode* n : section.lanes[0].lane_nodes) {
      d.push_back(object->planes()[n->plane_index].d);
    }
    EXPECT_EQ(d, drops ? (std::vector<double>{40, 10}) : (std::vector<double>{40, 30, 20, 10}));
    EXPECT_EQ(section.lanes[6].cross_sections.size(), drops ? 3u : 5u);
    Written w = Write(Linked(samples::BuildTrackObject(spec, track, 2), &track));
    EXPECT_EQ(w.OffsetsOf(kOpLaneDivider).size(), drops ? 4u : 8u);
  }
}

TEST(StripTestTest, BothModes) {
  const TrackGeometry track = samples::StraightTrack(100);
  std::unique_ptr<Object3do> object =
      Linked(samples::BuildTrackObject(TrackObjectSpec{}, track, 2), &track);
  // Planes facing right (normal -y): A at y = 10 m, B at y = 4 m.
  ObjectPoint a{.x = 0, .y = -1, .z = 0, .d = 10}, b{.x = 0, .y = -1, .z = 0, .d = 4};
  std::vector<ObjectPoint>& v = object->vertices();
  v.clear();
  for (double y : {7.0, 7.5, 10.5, 12.0, 4.5}) v.push_back({.x = 1, .y = y, .z = 0});
  GplObjectWriter out;
  GplNodeStream stream(out, *object);
  auto node = [](int code, std::vector<std::int32_t> points) {
    ObjectNode n;
    n.code = code;
    n.points = std::move(points);
    return n;
  };
  ObjectNode inside = node(2, {0, 1});
  ObjectNode outside = node(2, {0, 3});
  ObjectNode no_points = node(2, {});
  ObjectNode group = node(4, {});
  group.children = {&outside, &inside};
  EXPECT_EQ(StripTest(inside, a, b, 0, stream), 1);
  EXPECT_EQ(StripTest(outside, a, b, 0, stream), 0);
  EXPECT_EQ(StripTest(no_points, a, b, 0, stream), 1);
  EXPECT_EQ(StripTest(group, a, b, 0, stream), 1);  // one child between is enough
  // Near both planes (a strip narrower than twice the tolerance) both conditions hold: not 1.
  ObjectPoint narrow_b{.x = 0, .y = -1, .z = 0, .d = 9};
  ObjectNode near_both = node(2, {2});  // y = 10.5
  EXPECT_EQ(StripTest(near_both, a, narrow_b, 0, stream), 0);
  // Mode 1: a written placement by its position, exactly one condition; other leaves by code.
  ObjectNode placement;
  stream.MarkNode(placement);
  stream.out().U32(kOpPlacement);
  for (float f : {1.0f, 7.0f, 0.0f, 0.f, 0.f, 0.f, 1.f}) stream.out().F32(f);
  stream.out().I32(kNoNode);
  EXPECT_EQ(StripTest(placement, a, b, 1, stream), 1);
  EXPECT_EQ(StripTest(placement, a, narrow_b, 1, stream), 0);
  ObjectNode polygon = node(2, {}), reference = node(14, {});
  EXPECT_EQ(StripTest(polygon, a, b, 1, stream), 0);
  EXPECT_EQ(StripTest(reference, a, b, 1, stream), 1);
}

TEST(TrackObjectWriterTest, HostileTrackObjectsWriteSoundObjects) {
  const TrackGeometry track = samples::StraightTrack(100);
  {
    SCOPED_TRACE("sections without positions, lanes without nodes, a list that never closes");
    samples::Object3Builder b;
    std::vector<std::uint32_t> sections;
    for (std::uint32_t start : {0u, 7u, 9u}) {
      sections.push_back(b.Group({b.Group({}), b.NumberList({start, 1, 2, 3})}));
    }
    b.Group(sections);
    Written w = Write(Linked(b.Build(), &track));
    EXPECT_EQ(w.object->section_count(), 3);
  }
  {
    SCOPED_TRACE("planes of zero length");
    samples::Object3Builder b;
    const std::uint32_t v = b.Vertex(0, 0, 0);
    const std::uint32_t split = b.Split(10, 0, 0, 0, 0, 0, {b.Polygon(0, 1, {v, v, v})});
    b.Group({b.Group({split, split}), b.NumberList({0, 0, 0, 0})});
    Written w = Write(Linked(b.Build(), &track));
    EXPECT_EQ(w.object->section_count(), 1);
  }
  {
    SCOPED_TRACE("no track attached");
    Written w = Write(Linked(samples::BuildTrackObject(TrackObjectSpec{}, track, 1), nullptr));
    EXPECT_FALSE(w.outline.opcodes.empty());
  }
  {
    SCOPED_TRACE("no sections at all: the index list and G1 only");
    samples::UntaggedBuilder u;
    u.Group({});
    u.SectionList(5, 1, 2, 3);  // never turns the sections on
    Written w = Write(Linked(u.Build(), &track));
    const std::uint32_t g2 = w.Word(w.outline.root, 2);
    EXPECT_EQ(w.Word(g2, 1), 2u);
    EXPECT_EQ(w.Word(w.Word(g2, 3), 1), 1u);
  }
}

TEST(TrackObjectWriterTest, CutAndFlippedTrackObjectsNeverCrash) {
  const TrackGeometry track = samples::StraightTrack(100);
  TrackObjectSpec spec;
  spec.starts = {0, 50 * kMetre};
  spec.dividers = {2, 0, 0, 0, 1, 1, 1};
  spec.edges = true;
  for (int format : {1, 2}) {
    const std::vector<std::uint8_t> file = samples::BuildTrackObject(spec, track, format);
    const std::size_t step = file.size() / 23 + 1;
    for (std::size_t cut = file.size() / 2; cut <= file.size(); cut += step) {
      std::vector<std::uint8_t> part(file.begin(), file.begin() + cut);
      for (std::size_t i = 0; i < part.size(); i += part.size() / 11 + 1) {
        part[i] ^= 0x5A;
        std::unique_ptr<Object3do> object = Linked(part, &track);
        if (object == nullptr || !object->is_track_object()) continue;
        const std::vector<std::uint8_t> bytes = BuildGplObject(*object, {});
        EXPECT_TRUE(CheckTrackObject(bytes).ok()) << format << " cut " << cut << " flip " << i;
        part[i] ^= 0x5A;
      }
    }
  }
}

}  // namespace
}  // namespace velmora
