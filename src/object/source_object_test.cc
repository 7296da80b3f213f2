// Source objects of both layouts through linking and the GPL writer; every file written is
// checked by the validating reader.
#include <gtest/gtest.h>

#include <bit>
#include <tuple>
#include <unordered_set>

#include "object/gpl_object_check.h"
#include "object/gpl_object_reader.h"
#include "object/object_file.h"
#include "object/object_model.h"
#include "object/source_object_writer.h"
#include "platform/byte_reader.h"
#include "platform/file_system.h"
#include "platform/temp_folder.h"
#include "samples/image_builders.h"
#include "samples/object_builders.h"
#include "testing/corruption.h"

namespace velmora {
namespace {

using samples::Marker;
using samples::Object3Builder;
using samples::UntaggedBuilder;

struct Written {
  std::unique_ptr<Object3do> object;
  bool read = false;
  std::vector<std::uint8_t> bytes;
  GplObjectOutline walk;

  // The u32 words of node i of the stream (the node chunk comes last).
  std::vector<std::uint32_t> Node(std::size_t i) const {
    const auto prim = std::span<const std::uint8_t>(bytes).subspan(walk.prim_at);
    const std::size_t at = walk.node_offsets.at(i);
    const std::size_t end =
        i + 1 < walk.node_offsets.size() ? walk.node_offsets[i + 1] : prim.size();
    std::vector<std::uint32_t> words;
    ByteReader r(prim.subspan(at, end - at));
    while (r.Has(4)) words.push_back(r.U32());
    return words;
  }
  float F(std::size_t node, std::size_t word) const {
    return std::bit_cast<float>(Node(node).at(word));
  }
};

// Reads, links and writes; every source object written must pass the validating reader. A GPL
// object is passed through as it is.
Written Convert(std::vector<std::uint8_t> file, const std::string& path = "obj.3do") {
  Written w;
  Result<ObjectFile> read = ReadObjectBytes(std::move(file), path);
  if (!read.ok()) return w;
  w.read = true;
  if (read->gpl) {
    read->gpl->BuildTree();
    w.bytes = read->gpl->bytes();
    return w;
  }
  w.object = std::move(read->source);
  EXPECT_TRUE(w.object->BuildTree().ok());
  w.bytes = BuildGplObject(*w.object, {});
  Result<GplObjectOutline> outline = CheckGplObject(w.bytes);
  EXPECT_TRUE(outline.ok()) << outline.status().ToString();
  if (outline.ok()) w.walk = *outline;
  return w;
}

// The header's size word and the chunks' own sizes are the validating reader's (see Convert).
TEST(GplObjectWriterTest, EmptyObjectIsHeaderAndNodeChunkAndPadsFollowTheStream) {
  for (std::size_t nodes : {0u, 28u, 30u}) {
    SCOPED_TRACE(nodes);
    GplObjectWriter writer;
    writer.BeginNodes();
    writer.out().Fill(nodes, 0);
    const std::vector<std::uint8_t> bytes = writer.EndNodes(nodes == 0 ? kNoNode : 4);
    const std::size_t pad = nodes == 30 ? 2 : 0;
    EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "MIRP");
    EXPECT_EQ(bytes.size(), 12 + 12 + 4 + nodes + pad);
    for (std::size_t i = bytes.size() - pad; i < bytes.size(); ++i) EXPECT_EQ(bytes[i], ' ');
    EXPECT_TRUE(nodes != 0 || CheckGplObject(bytes).ok());
  }
}

TEST(GplObjectWriterTest, StringTableSizes) {
  auto table = [](const std::vector<std::string>& names) {
    const std::vector<std::uint8_t> bytes = BuildStringTable(names);
    return std::string(bytes.begin(), bytes.end());
  };
  // Names and NULs, then 0xFF and blanks to a multiple of four: 26 bytes take 28, 28 take 32.
  EXPECT_EQ(table({"abcdefghijkl", "mnopqrstuvwx"}),
            std::string("abcdefghijkl\0mnopqrstuvwx\0\xFF ", 28));
  EXPECT_EQ(table({"abcdefghijklm", "nopqrstuvwxyz"}),
            std::string("abcdefghijklm\0nopqrstuvwxyz\0\xFF   ", 32));
  EXPECT_EQ(table({}), "");
}

// A name's offset is the length of the names before it, NULs included. The string table ends
// each name with 0 and the table with 0xFF: a name holding either byte is cut there, so the
// written table still reads back name by name. The flagger is renamed whatever its case.
TEST(Object3doTest, NamesFoundIgnoringCaseAndCutAtTheTablesMarkers) {
  const std::string tree_ff = std::string("tr\xFF", 3) + "ee";
  // Name, kind, index and offset; kind 4 does not exist: nothing added.
  const std::tuple<std::string, int, int, std::uint32_t> rows[] = {
      {"_tire", 1, 0, 0}, {"_cone", 1, 1, 6}, {"_TIRE", 1, 0, 0},
      {"x", 4, 0, 99},    {tree_ff, 2, 0, 0}, {std::string("bu\0sh", 5), 2, 1, 3}};
  Object3do object;
  for (const auto& [name, kind, index, offset] : rows) {
    std::uint32_t found = 99;
    EXPECT_EQ(object.AddName(name, kind, &found), index) << name;
    EXPECT_EQ(found, offset) << name;
  }
  EXPECT_EQ(object.names(NameKind::kTexture)[1].name, "bu");
  Object3Builder b;
  b.Group({b.ObjectRef(tree_ff), b.ObjectRef("FlAgGeR"), b.ObjectRef("tree")});
  const Written w = Convert(b.Build());
  const std::string text(w.bytes.begin(), w.bytes.end());
  EXPECT_NE(text.find(std::string("tr\0_blank_\0tree\0\xFF", 17)), std::string::npos);
  EXPECT_EQ(text.find("FlAgGeR"), std::string::npos);
}

// A GPL object (here of version 1) is passed on unchanged. A group's children link only to
// nodes before it: one that points at the group itself or forward is left out.
TEST(Object3doTest, GplObjectIsPassedOnAndLinksOnlyBackwards) {
  GplObjectWriter writer;
  const GplVertex v[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  writer.AppendVertices(v);
  writer.BeginNodes();
  // A polygon at 4; a group at 28 listing it, itself and the root; the root at 48.
  for (std::uint32_t word :
       {kOpwordFlatPolygon, 0u, 3u, 0u, 1u, 2u, kOpGroup, 3u, 4u, 28u, 48u, kOpGroup, 1u, 28u}) {
    writer.out().U32(word);
  }
  std::vector<std::uint8_t> bytes = writer.EndNodes(48);
  bytes[4] = 1;  // top version
  Result<ObjectFile> file = ReadObjectBytes(bytes, "x.3do");
  ASSERT_TRUE(file.ok() && file->gpl);
  GplObject& object = *file->gpl;
  object.BuildTree();
  const auto& nodes = object.nodes();
  ASSERT_EQ(nodes.size(), 3u);
  EXPECT_EQ(nodes[1]->children, (std::vector<ObjectNode*>{nodes[0].get()}));
  EXPECT_EQ(nodes[2]->children, (std::vector<ObjectNode*>{nodes[1].get()}));
  EXPECT_EQ(object.bytes(), bytes);
}

TEST(Object3doTest, EmptyVertexTableAndBlankPaddedStream) {
  Object3Builder b;
  b.ObjectRef("a");  // 13 bytes: the stream is followed by three blanks
  Written w = Convert(b.Build());
  EXPECT_EQ(w.walk.opcodes, (std::vector<std::uint32_t>{kOpObjectRef}));
  EXPECT_EQ(std::tuple(w.walk.vertices, w.walk.planes), std::tuple(0u, 2u));  // the fixed planes
}

TEST(Object3doTest, ChildrenLinkOnlyToEarlierRecords) {
  Object3Builder b;
  const std::uint32_t v = b.Vertex(0, 0, 0);
  const std::uint32_t early = b.Sprite(v, "s", 0xC0004CE5);
  // A group naming a later record drops it; with nothing written it writes nothing.
  const std::uint32_t forward = b.Group({early + 17 + 13});
  b.Group({b.Group({early}), forward});
  Written w = Convert(b.Build());
  EXPECT_EQ(w.walk.opcodes, (std::vector<std::uint32_t>{kOpSprite, kOpGroup, kOpGroup}));
  // The root lists only its written child.
  EXPECT_EQ(w.Node(2), (std::vector<std::uint32_t>{
                           kOpGroup, 1, static_cast<std::uint32_t>(w.Node(0).size() * 4 + 4)}));
  // The sprite's size from its tagged word is one metre.
  EXPECT_EQ(w.Node(0)[0], kOpwordSprite);
  EXPECT_EQ(w.Node(0)[2], 0xFFFFFFFFu);
  EXPECT_EQ(w.F(0, 4), 1.0f);
  EXPECT_EQ(w.Node(0)[5], 0x00010000u);
}

TEST(Object3doTest, AttributeKindsWriteMappedValuesAndTextures) {
  Object3Builder b;
  const std::uint32_t a = b.Vertex(0, 0, 0), c = b.Vertex(100, 0, 0), d = b.Vertex(0, 100, 0);
  const std::uint32_t poly = b.Polygon(1, 7, {a, c, d}, {{0, 0}, {10, 0}, {0, 10}});
  const std::uint32_t tex = b.TextureAttribute(poly, 5, "wall", 7);
  b.Group({b.Attribute(tex, 4, 29)});
  Written w = Convert(b.Build());
  ASSERT_EQ(w.walk.opcodes,
            (std::vector<std::uint32_t>{kOpTexturedPolygon, kOpAttribute, kOpAttribute, kOpGroup}));
  EXPECT_EQ(w.Node(1), (std::vector<std::uint32_t>{kOpAttribute, 4, 5, 0, 5}));  // 7 -> 5
  EXPECT_EQ(w.Node(2), (std::vector<std::uint32_t>{kOpAttribute, 68, 4, 20}));   // 29 -> 20

  // A polygon whose value is 29 is not written; its attribute then refers to nothing.
  Object3Builder hidden;
  const std::uint32_t p = hidden.Polygon(1, 7, {hidden.Vertex(0, 0, 0), 0, 0});
  hidden.TextureAttribute(p, 5, "wall", 29);
  EXPECT_EQ(Convert(hidden.Build()).walk.opcodes, (std::vector<std::uint32_t>{kOpAttribute}));
  // Kinds 2 (and 3) leave their child as it is.
  Object3Builder k;
  const std::uint32_t flat = k.Polygon(0, 7, {k.Vertex(0, 0, 0), k.Vertex(100, 0, 0), 0});
  k.Group({k.Attribute(flat, 2, 9)});
  Written plain = Convert(k.Build());
  EXPECT_EQ(plain.walk.opcodes, (std::vector<std::uint32_t>{kOpFlatPolygon, kOpGroup}));
  EXPECT_EQ(plain.Node(1), (std::vector<std::uint32_t>{kOpGroup, 1, 4}));
}

// A polygon's plane turns up when its normal points down (clockwise seen from above); a
// record's plane takes the 64-bit distance, hi * 2^32 - lo when hi < 0.
TEST(Object3doTest, PlanesOfPolygonsAndRecords) {
  Object3Builder b;
  const std::uint32_t a = b.Vertex(0, 0, 19685), c = b.Vertex(0, 19685, 19685),
                      d = b.Vertex(19685, 19685, 19685);
  const std::uint32_t s = b.Polygon(0, 1, {a, c, d});
  b.Split(7, 0, 0, -3, -1, 19685u * 3u, {s, s});
  b.Split(11, 4, 0, 0, 0, 19685u * 8u, {s, 0xFFFF});
  Written w = Convert(b.Build());
  const auto& planes = w.object->planes();
  EXPECT_EQ(std::pair(planes[0].d, planes[1].d), std::pair(-100.0, 100.0));  // the fixed planes
  EXPECT_DOUBLE_EQ(planes[2].z, 1.0);
  EXPECT_DOUBLE_EQ(planes[2].d, -1.0);  // z = 1 m: 0*x + 0*y + 1*z - 1 = 0
  EXPECT_DOUBLE_EQ(planes[3].z, -1.0);
  EXPECT_DOUBLE_EQ(planes[3].d, (-4294967296.0 - 19685.0 * 3) / (3 * 19685.0));
  EXPECT_DOUBLE_EQ(planes[4].x, 1.0);
  EXPECT_DOUBLE_EQ(planes[4].d, 2.0);
  EXPECT_EQ(w.Node(1), (std::vector<std::uint32_t>{7, 3, 4, 4}));
  EXPECT_EQ(w.Node(2), (std::vector<std::uint32_t>{11, 4, 4, 0xFFFFFFFF}));
}

TEST(Object3doTest, TexturedCornersFollowThePerpVerticesInRecordOrder) {
  Object3Builder b;
  const std::uint32_t a = b.Vertex(0, 0, 0), c = b.Vertex(19685, 0, 0), d = b.Vertex(0, 19685, 0);
  b.Vertex(5, 5, 5);
  const std::uint32_t flat = b.Polygon(0, 1, {a, c, d});
  const std::uint32_t tex1 = b.Polygon(1, 1, {d, c, a}, {{1, 2}, {3, 4}, {5, 6}});
  const std::uint32_t tex2 = b.Polygon(3, 1, {a, d, c, a}, {{7, 8}, {9, 10}, {11, 12}, {13, 14}});
  b.Group({flat, b.TextureAttribute(b.Group({tex1, tex2}), 1, "t")});
  Written w = Convert(b.Build());
  const auto& v = w.object->vertices();
  ASSERT_EQ(v.size(), 4u + 3u + 4u);
  EXPECT_EQ(v[4].u, 1);
  EXPECT_EQ(v[10].u, 13);
  EXPECT_EQ(w.Node(0), (std::vector<std::uint32_t>{kOpwordFlatPolygon, 0xFF010101, 3, 0, 1, 2}));
  // Textured: 0, colour, n, (u, v) x n, indices, vertex colours.
  const std::vector<std::uint32_t> t = w.Node(1);
  ASSERT_EQ(t.size(), 4u + 6u + 3u + 3u);
  EXPECT_EQ(t[0], kOpwordTexturedPolygon);
  EXPECT_EQ(std::vector<std::uint32_t>(t.begin() + 10, t.begin() + 13),
            (std::vector<std::uint32_t>{4, 5, 6}));
  EXPECT_EQ(t[13], 0xFFFFFFFFu);
}

TEST(Object3doTest, BlendedPolygonAlphaAndReverseOrder) {
  Object3Builder b;
  std::vector<std::uint32_t> corners;
  for (int i = 0; i < 5; ++i) corners.push_back(b.Vertex(i * 100, i * i * 50, 0));
  const std::uint32_t poly = b.Polygon(1, 1, corners);
  b.TextureAttribute(poly, 5, "glass", 0x1A3);
  const std::vector<std::uint32_t> t = Convert(b.Build()).Node(0);
  const std::vector<std::uint32_t> colours(t.end() - 5, t.end());
  EXPECT_EQ(colours, (std::vector<std::uint32_t>{0xC0FFFFFF, 0x50FFFFFF, 0x50FFFFFF, 0xC0FFFFFF,
                                                 0xC0FFFFFF}));
  EXPECT_EQ(std::vector<std::uint32_t>(t.end() - 10, t.end() - 5),
            (std::vector<std::uint32_t>{5, 6, 7, 8, 9}));
}

TEST(Object3doTest, UntaggedSplitsWriteChildrenInTheirOrder) {
  UntaggedBuilder b;
  const std::uint32_t v = b.Vertex(0, 0, 0);
  const int sprite = b.Sprite("pole");
  std::vector<std::uint32_t> s;
  for (int i = 0; i < 4; ++i)
    s.push_back(b.SpriteRecord(v, 19685, static_cast<std::uint32_t>(sprite)));
  b.Split(7, 0, 0, 1, 0, 0, {s[0], s[1], s[2]});
  b.Split(9, 1, 0, 0, 0, 0, {s[0], s[1], s[2], s[3]});
  b.Split(6, 0, 1, 0, 0, 0, {s[3], 0});
  Written w = Convert(b.Build());
  ASSERT_EQ(w.walk.opcodes.size(), 7u);
  const std::vector<std::uint32_t>& o = w.walk.node_offsets;
  // Code 7: w6, w8, w7.  Code 9: w7, w8, w9.  Code 6 with w7 = 0: no second child.
  EXPECT_EQ(w.Node(4), (std::vector<std::uint32_t>{9, 2, o[0], o[2], o[1]}));
  EXPECT_EQ(w.Node(5), (std::vector<std::uint32_t>{10, 3, o[1], o[2], o[3]}));
  EXPECT_EQ(w.Node(6), (std::vector<std::uint32_t>{7, 4, o[3], 0xFFFFFFFF}));
}

TEST(Object3doTest, EveryAlignedMarkerStartsAnUntaggedRecord) {
  UntaggedBuilder b;
  const int tree = b.Sprite("tree");
  // The vertex's x is a sprite marker: it starts a record of its own as well.
  const std::uint32_t v = b.Vertex(static_cast<std::int32_t>(Marker(12)), 0, 0);
  b.SpriteRecord(v, 100, static_cast<std::uint32_t>(tree));
  Written w = Convert(b.Build());
  ASSERT_EQ(w.object->nodes().size(), 2u);
  EXPECT_EQ(std::tuple(w.object->nodes()[0]->code, w.object->nodes()[0]->source_offset),
            std::tuple(12, v + 4));
}

TEST(Object3doTest, UntaggedPlacementAttributeAndColours) {
  UntaggedBuilder b;
  const int tex = b.Texture("board");
  b.Object("other");
  const std::uint32_t p0 = b.Vertex(0, 0, 0, 0, 0), p1 = b.Vertex(19685, 0, 0, 32, 0),
                      p2 = b.Vertex(0, 19685, 0, 0, 16);
  const std::uint32_t poly = b.Polygon(2, 0x00112233, {p0, p1, p2});
  const std::uint32_t attr = b.Attribute(static_cast<std::uint32_t>(tex), poly);
  const std::uint32_t flat = b.FlatPolygon(0x00112233, {p2, p1, p0});
  const std::uint32_t place = b.Placement(19685, 2 * 19685, 0, 0x40000000, 0x40000000, 0, -1);
  b.Group({attr, flat, place});
  Written w = Convert(b.Build());
  ASSERT_EQ(w.walk.opcodes,
            (std::vector<std::uint32_t>{kOpTexturedPolygon, kOpAttribute, kOpFlatPolygon,
                                        kOpObjectRef, kOpPlacement, kOpGroup}));
  // Texture value 2 (from the polygon through the walk) is written as 1.
  EXPECT_EQ(w.Node(1), (std::vector<std::uint32_t>{kOpAttribute, 4, 5, 6, 1}));
  EXPECT_EQ(w.Node(2)[1], 0xFF112233u);  // a packed colour as it is
  EXPECT_EQ(w.Node(0)[2], 0xFF333333u);  // low byte, no palette: the index itself
  EXPECT_EQ(std::tuple(w.F(4, 1), w.F(4, 2)), std::tuple(1.0f, 2.0f));
  EXPECT_FLOAT_EQ(w.F(4, 4), static_cast<float>(0x40000000 * 1.462916844274344e-9));
  EXPECT_FLOAT_EQ(w.F(4, 5), static_cast<float>(-0x40000000 * 1.462916844274344e-9));
  EXPECT_EQ(w.Node(4)[8], w.walk.node_offsets[3]);
}

TEST(Object3doTest, TrackSectionsAreCollectedInBothLayouts) {
  {
    SCOPED_TRACE("3DO3");
    Object3Builder b;
    const std::uint32_t v = b.Vertex(0, 0, 0);
    std::vector<std::uint32_t> groups;
    for (std::uint32_t start : {5u, 0u, 1000u, 2000u, 0u}) {
      const std::uint32_t s = b.Sprite(v, "x", 0xC0004CE5);
      const std::uint32_t split = b.Split(10, 0, 1, 0, 0, 0, {s, 0xFFFFFFFF, s});
      groups.push_back(b.Group({b.NumberList({start, 1, 2, 3}), split}));
    }
    b.Group(groups);
    Written w = Convert(b.Build());
    EXPECT_EQ(w.object->section_count(), 3);
    EXPECT_EQ(w.object->section_starts(), (std::vector<std::uint32_t>{0, 1000, 2000, 0}));
    const ObjectNode& split = *w.object->section_nodes().at(1)->children.at(1);
    EXPECT_EQ(std::tuple(split.section_index, split.position, split.children[0]->section_flag),
              std::tuple(1, 1, true));  // the sprite below a code 10 is flagged
  }
  {
    SCOPED_TRACE("untagged");
    UntaggedBuilder b;
    const std::uint32_t v = b.Vertex(0, 0, 0);
    const int pole = b.Sprite("p");
    for (std::uint32_t start : {0u, 700u, 0u, 900u}) {
      b.Group({b.SpriteRecord(v, 1, static_cast<std::uint32_t>(pole))});
      b.SectionList(start, 1, 2, 3);
    }
    Written w = Convert(b.Build());
    // The first list at 0 turns the sections on, the next at 0 off again.
    EXPECT_EQ(w.object->section_starts(), (std::vector<std::uint32_t>{0, 700, 0}));
  }
}

TEST(Object3doTest, HostileFilesAreReadInsideTheirBytes) {
  Object3Builder o3;
  const std::uint32_t v = o3.Vertex(1, 2, 3);
  const std::uint32_t s = o3.Sprite(v, "s", 7);
  o3.Group({s, o3.Polygon(1, 2, {v, v, v}), o3.Line(3, v, v), o3.ObjectRef("o")});
  UntaggedBuilder u;
  const std::uint32_t uv = u.Vertex(1, 2, 3);
  u.Texture("t");
  u.Group({u.Attribute(0, u.Polygon(3, 4, {uv, uv, uv})), u.FlatPolygon(1, {uv, uv, uv})});
  GplObjectWriter g;
  const GplVertex gv[1] = {};
  g.AppendVertices(gv);
  g.BeginNodes();
  for (std::uint32_t word : {kOpNumberList, 0u, kOpGroup, 1u, 4u}) g.out().U32(word);
  // Whatever is read is linked, written and checked; only: no read outside the bytes.
  const testkit::Reader convert = [](std::vector<std::uint8_t> bytes) {
    return Convert(std::move(bytes)).read;
  };
  for (const std::vector<std::uint8_t>& file : {o3.Build(), u.Build(), g.EndNodes(12)}) {
    for (std::size_t cut = 0; cut < file.size(); ++cut) convert(testkit::CutTo(file, cut));
    testkit::ReadEveryBitFlip(convert, file, 0, file.size());
  }
}

TEST(Object3doTest, DeepNestingNeedsNoDeepRecursion) {
  Object3Builder b;
  std::uint32_t child = b.Sprite(b.Vertex(0, 0, 0), "s", 0xC0004CE5);
  for (int i = 0; i < 50000; ++i) child = b.Group({child, child});
  Written w = Convert(b.Build());
  EXPECT_EQ(w.walk.opcodes.size(), 50001u);
}

// The value walk goes down every path, shared subtrees included, and the last leaf it walks
// gives the texture its value: here a split sharing a branch.
TEST(Object3doTest, ValueWalkRewalksSharedSubtrees) {
  UntaggedBuilder b;
  const std::uint32_t a = b.Vertex(0, 0, 0), c = b.Vertex(19685, 0, 0), d = b.Vertex(0, 19685, 0);
  const auto texture = static_cast<std::uint32_t>(b.Texture("wall"));
  const std::uint32_t a1 = b.Attribute(texture, b.Polygon(1, 5, {a, c, d}));
  const std::uint32_t a2 = b.Attribute(texture, b.Polygon(3, 5, {d, c, a}));
  b.Split(6, 0, 0, 1, 0, 0, {b.Group({a1, a2}), a1});
  Written w = Convert(b.Build());
  ASSERT_EQ(w.object->names(NameKind::kTexture).size(), 1u);
  EXPECT_EQ(w.object->names(NameKind::kTexture)[0].value, 1);
}

// Written vertex words of a horizon, worked out apart from the code with Python's struct
// module: f32(x / 19685.0) for each coordinate, s = 10000.0 / (the largest such x), then
// f32(x * s), f32(y * s), f32(z * s - 200.0). In doubles a word of each row but the first
// would differ.
TEST(Object3doTest, HorizonIsScaledFromFloatMetres) {
  using Points = std::vector<std::array<std::int32_t, 3>>;
  using Words = std::vector<std::array<float, 3>>;
  const Points source = {{1234567, 0, 0}, {123686, -601860, 207001}, {-874079, 584274, 219242}};
  const Words expected = {{10000.0f, 0.0f, -200.0f},
                          {1001.8573f, -4875.06934f, 1476.70935f},
                          {-7080.04492f, 4732.62305f, 1575.86157f}};
  auto written = [](const Points& points) {
    UntaggedBuilder b;
    std::vector<std::uint32_t> vertices;
    for (const auto& p : points) vertices.push_back(b.Vertex(p[0], p[1], p[2]));
    b.FlatPolygon(5, vertices);
    Result<std::unique_ptr<GplObject>> file =
        GplObject::Read(Convert(b.Build(), "tracks/kestrel/khoriz.3do").bytes);
    Words words;
    for (const ObjectPoint& p : file.ok() ? (*file)->vertices() : std::vector<ObjectPoint>{}) {
      words.push_back({static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)});
    }
    return words;
  };
  EXPECT_EQ(written(source), expected);
  // The largest x exactly 10 km: s = 1.0, and the horizon is still lowered by 200 m.
  EXPECT_EQ(written({{196850000, 0, 19685}, {19685, 39370, -19685}}),
            (Words{{10000.0f, 0.0f, -199.0f}, {1.0f, 2.0f, -201.0f}}));
}

// Files an object names are looked up only beside it, in the folder it was unpacked into. A
// sprite's size is w2 x height x 1.3 / (width x 19685), the width and height from its own file,
// 128 by 128 when there is none; a texture named outside the folder is never read.
TEST(Object3doTest, NamedFilesAreReadOnlyFromBesideTheObject) {
  std::optional<TempFolder> root = TempFolder::Create("objects");
  ASSERT_TRUE(root);
  const std::filesystem::path folder = root->path() / "unpacked";
  std::filesystem::create_directories(folder);
  auto convert = [&](UntaggedBuilder& b) {
    return Convert(b.Build(), (folder / "o.3do").string());
  };
  auto sprite_size = [&](const std::string& name) {
    UntaggedBuilder b;
    b.SpriteRecord(b.Vertex(0, 0, 0), 19685, static_cast<std::uint32_t>(b.Sprite(name)));
    return convert(b).F(0, 4);
  };
  const auto p16 = samples::BuildP16(32, 128, 0, 0, [](int, int) { return 0xFFFF; });
  ASSERT_TRUE(WriteFileBytes(folder / "pole.p16", p16));
  EXPECT_FLOAT_EQ(sprite_size("pole"), 5.2f);
  EXPECT_FLOAT_EQ(sprite_size("nothing"), 1.3f);
  // Untagged names hold at most 8 characters.
  ASSERT_TRUE(WriteFileBytes(root->path() / "out.p16", p16));
  ASSERT_TRUE(WriteFileBytes(root->path() / "out.mip",
                             samples::BuildRaw8(8, 8, [](int, int) { return 40; })));
  for (const char* name : {"../out", "..\\out", "c:out", "/out"}) {
    SCOPED_TRACE(name);
    EXPECT_FLOAT_EQ(sprite_size(name), 1.3f);
    UntaggedBuilder b;
    const std::uint32_t a = b.Vertex(0, 0, 0), c = b.Vertex(19685, 0, 0), d = b.Vertex(0, 1, 0);
    b.Attribute(static_cast<std::uint32_t>(b.Texture(name)), b.Polygon(1, 5, {a, c, d}));
    Written w = convert(b);
    ASSERT_EQ(w.object->textures().size(), 1u);
    EXPECT_EQ(w.object->textures()[0].width, 0);
  }
}

// 3DO3 placements: code 13 is GPL's opword 19, code 19 GPL's 13.
TEST(Object3doTest, PlacementCodesSwapTheirGplOpwords) {
  Object3Builder b;
  const std::uint32_t a = b.Vertex(0, 0, 0), c = b.Vertex(19685, 0, 0), d = b.Vertex(0, 19685, 0);
  const std::uint32_t poly = b.Polygon(0, 1, {a, c, d});
  const std::uint32_t code13 = b.Placement(13, 19685, 0, 0, 0, 0, 0, poly);
  const std::uint32_t code19 = b.Placement(19, 0, 39370, 0, 0, 0, 0, poly);
  b.Group({code13, code19});
  Written w = Convert(b.Build());
  std::vector<std::pair<float, std::uint32_t>> placements;  // (x + y in metres, opword)
  for (std::size_t i = 0; i < w.walk.node_offsets.size(); ++i) {
    const std::vector<std::uint32_t> words = w.Node(i);
    if (words.size() == 9 && w.F(i, 7) == 1.0f)
      placements.emplace_back(w.F(i, 1) + w.F(i, 2), words[0]);
  }
  EXPECT_EQ(placements, (std::vector<std::pair<float, std::uint32_t>>{{1.0f, 19u}, {2.0f, 13u}}));
}

// Untagged objects laid out as the games' own files are: detail switches, heads, the header's
// root word and 64-bit plane distances.

// The polygons the written object's root reaches, as GPL's own linking of the file finds them.
std::size_t PolygonsUnderRoot(const std::vector<std::uint8_t>& bytes) {
  Result<std::unique_ptr<GplObject>> gpl = GplObject::Read(bytes);
  if (!gpl.ok()) return 0;
  (*gpl)->BuildTree();
  std::vector<const ObjectNode*> stack;
  for (const auto& node : (*gpl)->nodes()) {
    if (node->source_offset == (*gpl)->root()) stack.push_back(node.get());
  }
  std::unordered_set<const ObjectNode*> seen;
  std::size_t polygons = 0;
  while (!stack.empty()) {
    const ObjectNode* node = stack.back();
    stack.pop_back();
    if (!seen.insert(node).second) continue;
    if (node->code == kOpFlatPolygon || node->code == kOpTexturedPolygon) ++polygons;
    for (const ObjectNode* child : node->children) stack.push_back(child);
  }
  return polygons;
}

// A model of `count` flat triangles, as a group.
std::uint32_t Model(UntaggedBuilder& b, int count) {
  const std::uint32_t a = b.Vertex(0, 0, 0), c = b.Vertex(19685, 0, 0), d = b.Vertex(0, 19685, 0);
  std::vector<std::uint32_t> faces;
  for (int i = 0; i < count; ++i) faces.push_back(b.FlatPolygon(7, {a, c, d}));
  return b.Group(faces);
}

// The levels of a car model: the coarsest first, the most detailed last.
constexpr int kLevelPolygons[4] = {21, 42, 67, 100};
constexpr std::int32_t kLevelDistances[4] = {955092, 334618, 225321, 0};

TEST(ObjectUntaggedTest, DetailSwitchLinksEveryLevelAndWritesTheNearest) {
  struct Case {
    const char* name;
    std::vector<std::int32_t> distances;  // one per level, models of kLevelPolygons
    std::size_t levels_linked;            // 0: a bad record, which ends the records
    std::size_t polygons;                 // under the written root
  };
  const Case cases[] = {
      {"four levels", {955092, 334618, 225321, 0}, 4, 100},
      {"one level", {0}, 1, 21},
      {"the levels after distance 0 are not the switch's", {955092, 0, 7, 0}, 2, 42},
      {"never reaching distance 0 in the data", {955092, 334618}, 0, 42},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.name);
    UntaggedBuilder b;
    std::vector<std::pair<std::int32_t, std::uint32_t>> pairs;
    for (std::size_t i = 0; i < t.distances.size(); ++i) {
      pairs.emplace_back(t.distances[i], Model(b, kLevelPolygons[i]));
    }
    const std::uint32_t at = b.DetailSwitch(b.Vertex(1, 2, 3), pairs);
    Written c = Convert(b.Build());
    ASSERT_TRUE(c.object);
    const ObjectNode* node = c.object->NodeAt(at);
    if (t.levels_linked == 0) {
      EXPECT_EQ(node, nullptr);
    } else {
      ASSERT_NE(node, nullptr);
      EXPECT_EQ(node->children.size(), t.levels_linked);
    }
    EXPECT_EQ(PolygonsUnderRoot(c.bytes), t.polygons);
  }
}

// A car as the game holds it: the four-level switch under a head that also lists a placement
// the nearest model holds.
enum class HeadKind { kNone, kLast, kBeforeAListedPlacement };

std::vector<std::uint8_t> Car(HeadKind head) {
  UntaggedBuilder b;
  b.Object("wheel");
  std::vector<std::pair<std::int32_t, std::uint32_t>> levels;
  std::uint32_t placement = 0;
  for (int i = 0; i < 4; ++i) {
    std::uint32_t model = Model(b, kLevelPolygons[i]);
    if (i == 3) {
      placement = b.Placement(19685, 0, 0, 0, 0, 0, 1);
      model = b.Group({model, placement});
    }
    levels.emplace_back(kLevelDistances[i], model);
  }
  const std::uint32_t main = b.DetailSwitch(b.Vertex(0, 0, 0), levels);
  if (head == HeadKind::kNone) return b.Build();
  std::vector<std::uint32_t> listed = {placement};
  // A placement after the head (and named as the root): its offset follows the head's words.
  if (head == HeadKind::kBeforeAListedPlacement) listed.push_back(b.Words({}, false) + 20);
  b.Head(main, listed);
  if (head == HeadKind::kBeforeAListedPlacement) b.Placement(0, 19685, 0, 0, 0, 0, 1);
  return b.Build();
}

TEST(ObjectUntaggedTest, HeadLeadsToItsMainRecordAndWritesNothing) {
  // Nothing is written for the head: the car without it is written to the same bytes.
  EXPECT_EQ(Convert(Car(HeadKind::kNone)).bytes, Convert(Car(HeadKind::kLast)).bytes);
  // A record the head lists never becomes the root, named or last.
  EXPECT_EQ(PolygonsUnderRoot(Convert(Car(HeadKind::kBeforeAListedPlacement)).bytes), 100u);
}

TEST(ObjectUntaggedTest, HeaderNamesTheRoot) {
  // The root named: 0 (not named: the last record), the first model, a vertex (no record
  // there) or past the data.
  for (int root : {0, 1, 2, 3}) {
    UntaggedBuilder b;
    const std::uint32_t first = Model(b, 3);
    const std::uint32_t vertex = b.Vertex(5, 5, 5);
    Model(b, 2);
    const std::uint32_t roots[] = {0, first, vertex, 1u << 20};
    b.SetRoot(roots[root]);
    EXPECT_EQ(PolygonsUnderRoot(Convert(b.Build()).bytes), root == 1 ? 3u : 2u) << root;
  }
}

TEST(ObjectUntaggedTest, PlaneDistanceIsTheSignedSixtyFourBitValue) {
  const std::tuple<std::uint32_t, std::int32_t, double> cases[] = {
      {19685u * 3u, 0, 19685.0 * 3}, {0, 1, 4294967296.0}, {0xFFFFFFFFu, -1, -1.0}};
  for (const auto& [lo, hi, distance] : cases) {
    UntaggedBuilder b;
    b.Split(5, 0, 0, 2, lo, hi, {Model(b, 1)});
    Written c = Convert(b.Build());
    ASSERT_TRUE(c.object);
    // The plane follows the two fixed planes and the triangle's own.
    EXPECT_DOUBLE_EQ(c.object->planes().at(3).d, distance / (2 * 19685.0)) << distance;
  }
}

// Files laid out as the program has always read them (no root named, a two-word head, a
// two-level switch) are written to the same bytes as the game's own layout of that object.
TEST(ObjectUntaggedTest, OlderLayoutReadsAsTheGamesLayout) {
  auto build = [](bool games) {
    UntaggedBuilder b;
    const std::uint32_t far = Model(b, 2), near = Model(b, 3);
    const std::uint32_t guard = b.Split(5, 0, 0, 1, 19685, 0, {near});
    const std::uint32_t main = b.DetailSwitch(b.Vertex(0, 0, 0), {{5000, far}, {0, guard}});
    if (games) {
      b.Head(main, {far});
    } else {
      b.Words({Marker(16), main});
      b.SetRoot(0);
    }
    return b.Build();
  };
  Written older = Convert(build(false));
  EXPECT_EQ(PolygonsUnderRoot(older.bytes), 3u);
  EXPECT_EQ(older.bytes, Convert(build(true)).bytes);
}

}  // namespace
}  // namespace velmora
