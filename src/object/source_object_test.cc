// Source objects of both layouts through linking and the GPL writer; every file written is
// checked by the validating reader.
#include "object/object_model.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>

#include "format/chunk_file.h"
#include "object/gpl_object_check.h"
#include "object/object_file.h"
#include "object/source_object_writer.h"
#include "platform/byte_reader.h"
#include "samples/object_builders.h"

namespace velmora {
namespace {

using samples::Marker;
using samples::Object3Builder;
using samples::UntaggedBuilder;

struct Written {
  std::unique_ptr<Object3do> object;
  std::unique_ptr<GplObject> gpl;
  bool read = false;
  std::vector<std::uint8_t> bytes;
  GplObjectOutline walk;
  std::span<const std::uint8_t> prim;

  // The u32 words of node i of the stream.
  std::vector<std::uint32_t> Node(std::size_t i) const {
    const std::size_t at = walk.node_offsets.at(i);
    const std::size_t end = i + 1 < walk.node_offsets.size() ? walk.node_offsets[i + 1] : prim.size();
    std::vector<std::uint32_t> words;
    ByteReader r(prim.subspan(at, end - at));
    while (r.Has(4)) words.push_back(r.U32());
    return words;
  }
  float F(std::size_t node, std::size_t word) const {
    return std::bit_cast<float>(Node(node).at(word));
  }
};

Written Convert(std::vector<std::uint8_t> file, const std::string& path = "obj.3do") {
  Written w;
  Result<ObjectFile> read = ReadObjectBytes(std::move(file), path);
  if (!read.ok()) return w;
  w.read = true;
  w.object = std::move(read->source);
  w.gpl = std::move(read->gpl);
  if (w.gpl) {
    // A GPL object is passed through as it is: only what we convert must check cleanly.
    w.gpl->BuildTree();
    w.bytes = w.gpl->bytes();
    return w;
  }
  EXPECT_TRUE(w.object->BuildTree().ok());
  w.bytes = BuildGplObject(*w.object, {});
  Result<GplObjectOutline> outline = CheckGplObject(w.bytes);
  EXPECT_TRUE(outline.ok()) << outline.status().ToString();
  if (outline.ok()) w.walk = *outline;
  for (std::size_t at = 12; at + 12 <= w.bytes.size();) {
    Result<Chunk> c = ReadChunk(w.bytes, at);
    if (!c) break;
    if (c->Is(kTagNodes)) w.prim = std::span<const std::uint8_t>(w.bytes).subspan(c->payload, c->size);
    at = c->End();
  }
  return w;
}

TEST(GplObjectWriterTest, EmptyObjectIsHeaderAndNodeChunkAndPadsFollowTheStream) {
  GplObjectWriter empty;
  empty.BeginNodes();
  std::vector<std::uint8_t> bytes = empty.EndNodes(kNoNode);
  EXPECT_EQ(bytes.size(), 12u + 16u);
  EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "MIRP");
  EXPECT_TRUE(CheckGplObject(bytes).ok());

  for (std::size_t nodes : {28u, 30u}) {
    SCOPED_TRACE(nodes);
    GplObjectWriter writer;
    writer.BeginNodes();
    writer.out().Fill(nodes, 0);
    bytes = writer.EndNodes(4);
    const std::size_t pad = nodes == 28 ? 0 : 2;
    EXPECT_EQ(ByteReader(std::span(bytes).subspan(20)).U32(), 4 + nodes);
    EXPECT_EQ(bytes.size(), 12 + 12 + 4 + nodes + pad);
    EXPECT_EQ(ByteReader(std::span(bytes).subspan(8)).U32(), bytes.size() - 12);
    for (std::size_t i = bytes.size() - pad; i < bytes.size(); ++i) EXPECT_EQ(bytes[i], ' ');
  }
}

TEST(GplObjectWriterTest, StringTableSizes) {
  // 26 bytes of names and NULs: 28 (0xFF, one blank); 28 bytes: 32 (0xFF, three blanks).
  std::vector<std::uint8_t> t26 = BuildStringTable({"abcdefghijkl", "mnopqrstuvwx"});
  ASSERT_EQ(t26.size(), 28u);
  EXPECT_EQ(t26[26], 0xFF);
  EXPECT_EQ(t26[27], ' ');
  std::vector<std::uint8_t> t28 = BuildStringTable({"abcdefghijklm", "nopqrstuvwxyz"});
  ASSERT_EQ(t28.size(), 32u);
  EXPECT_EQ(t28[28], 0xFF);
  EXPECT_EQ(std::string(t28.begin() + 29, t28.end()), "   ");
  EXPECT_TRUE(BuildStringTable({}).empty());
}

TEST(Object3doTest, AddNameFindsIgnoringCaseAndGivesPrecedingLengths) {
  Object3do object;
  std::uint32_t offset = 99;
  EXPECT_EQ(object.AddName("_tire", 1, &offset), 0);
  EXPECT_EQ(offset, 0u);
  EXPECT_EQ(object.AddName("_cone", 1, &offset), 1);
  EXPECT_EQ(offset, 6u);
  EXPECT_EQ(object.AddName("_TIRE", 1, &offset), 0);
  EXPECT_EQ(offset, 0u);
  EXPECT_EQ(object.AddName("_hay", 1, &offset), 2);
  EXPECT_EQ(offset, 12u);
  EXPECT_EQ(object.AddName("x", 4, &offset), 0);
  EXPECT_EQ(object.names(NameKind::kObject).size(), 3u);
}

TEST(Object3doTest, FlaggerIsRenamedWhateverItsCase) {
  Object3Builder b;
  b.Group({b.ObjectRef("FlAgGeR"), b.ObjectRef("tree")});
  Written w = Convert(b.Build());
  const std::string text(w.bytes.begin(), w.bytes.end());
  EXPECT_NE(text.find(std::string("_blank_\0tree\0\xFF", 14)), std::string::npos);
  EXPECT_EQ(text.find("FlAgGeR"), std::string::npos);
}

TEST(Object3doTest, GplObjectOfVersionOneIsReadAndLinked) {
  GplObjectWriter writer;
  const GplVertex v[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  writer.AppendVertices(v);
  writer.BeginNodes();
  for (std::uint32_t word : {kOpwordFlatPolygon, 0u, 3u, 0u, 1u, 2u, kOpGroup, 1u, 4u}) {
    writer.out().U32(word);
  }
  std::vector<std::uint8_t> bytes = writer.EndNodes(28);
  bytes[4] = 1;  // top version
  Result<ObjectFile> file = ReadObjectBytes(bytes, "x.3do");
  ASSERT_TRUE(file.ok());
  ASSERT_TRUE(file->gpl);
  GplObject& object = *file->gpl;
  object.BuildTree();
  ASSERT_EQ(object.nodes().size(), 2u);
  ASSERT_EQ(object.nodes()[1]->children.size(), 1u);
  EXPECT_EQ(object.nodes()[1]->children[0], object.nodes()[0].get());
  EXPECT_EQ(object.bytes(), bytes);  // already GPL's: passed on unchanged
}

TEST(Object3doTest, EmptyVertexTableAndBlankPaddedStream) {
  Object3Builder b;
  b.ObjectRef("a");  // 13 bytes: the stream is followed by three blanks
  std::vector<std::uint8_t> file = b.Build();
  Written w = Convert(file);
  ASSERT_TRUE(w.object);
  EXPECT_EQ(w.object->nodes().size(), 1u);
  EXPECT_EQ(w.walk.vertices, 0u);
  EXPECT_EQ(w.walk.opcodes, (std::vector<std::uint32_t>{kOpObjectRef}));
  EXPECT_EQ(w.walk.planes, 2u);  // the two fixed planes
}

TEST(Object3doTest, ChildrenLinkOnlyToEarlierRecords) {
  Object3Builder b;
  const std::uint32_t v = b.Vertex(0, 0, 0);
  const std::uint32_t early = b.Sprite(v, "s", 0xC0004CE5);
  // A group naming a later record drops it; with nothing written it writes nothing.
  const std::uint32_t forward = b.Group({early + 17 + 13});
  b.Group({b.Group({early}), forward});
  Written w = Convert(b.Build());
  const auto& nodes = w.object->nodes();
  ASSERT_EQ(nodes.size(), 4u);
  EXPECT_TRUE(nodes[1]->children.empty());
  EXPECT_EQ(nodes[1]->output_offset, kNoNode);
  EXPECT_EQ(w.walk.opcodes, (std::vector<std::uint32_t>{kOpSprite, kOpGroup, kOpGroup}));
  // The root lists only its written child.
  EXPECT_EQ(w.Node(2), (std::vector<std::uint32_t>{kOpGroup, 1, static_cast<std::uint32_t>(w.Node(0).size() * 4 + 4)}));
}

TEST(Object3doTest, SpriteSizeFromTaggedWordIsOneMetre) {
  Object3Builder b;
  b.Sprite(b.Vertex(19685, 0, 0), "tree", 0xC0004CE5);
  Written w = Convert(b.Build());
  ASSERT_EQ(w.walk.opcodes, (std::vector<std::uint32_t>{kOpSprite}));
  EXPECT_EQ(w.Node(0)[0], kOpwordSprite);
  EXPECT_EQ(w.Node(0)[2], 0xFFFFFFFFu);
  EXPECT_EQ(w.F(0, 4), 1.0f);
  EXPECT_EQ(w.Node(0)[5], 0x00010000u);
}

TEST(Object3doTest, AttributesOfKindTwoAndThreeLeaveTheirChild) {
  for (std::uint32_t kind : {2u, 3u}) {
    SCOPED_TRACE(kind);
    Object3Builder b;
    const std::uint32_t a = b.Vertex(0, 0, 0), c = b.Vertex(100, 0, 0), d = b.Vertex(0, 100, 0);
    const std::uint32_t poly = b.Polygon(0, 7, {a, c, d});
    b.Group({b.Attribute(poly, kind, 9)});
    Written w = Convert(b.Build());
    EXPECT_EQ(w.walk.opcodes, (std::vector<std::uint32_t>{kOpFlatPolygon, kOpGroup}));
    EXPECT_EQ(w.Node(1), (std::vector<std::uint32_t>{kOpGroup, 1, 4}));
  }
}

TEST(Object3doTest, AttributeKindsWriteMappedValuesAndTextures) {
  Object3Builder b;
  const std::uint32_t a = b.Vertex(0, 0, 0), c = b.Vertex(100, 0, 0), d = b.Vertex(0, 100, 0);
  const std::uint32_t poly = b.Polygon(1, 7, {a, c, d}, {{0, 0}, {10, 0}, {0, 10}});
  const std::uint32_t tex = b.TextureAttribute(poly, 5, "wall", 7);
  b.Group({b.Attribute(tex, 4, 29)});
  Written w = Convert(b.Build());
  ASSERT_EQ(w.walk.opcodes, (std::vector<std::uint32_t>{kOpTexturedPolygon, kOpAttribute,
                                                        kOpAttribute, kOpGroup}));
  EXPECT_EQ(w.Node(1), (std::vector<std::uint32_t>{kOpAttribute, 4, 5, 0, 5}));  // 7 -> 5
  EXPECT_EQ(w.Node(2), (std::vector<std::uint32_t>{kOpAttribute, 68, 4, 20}));    // 29 -> 20
  EXPECT_EQ(w.object->textures()[0].value, 7);

  // A polygon whose value is 29 is not written; its attribute then refers to nothing.
  Object3Builder hidden;
  const std::uint32_t p = hidden.Polygon(1, 7, {hidden.Vertex(0, 0, 0), 0, 0});
  hidden.TextureAttribute(p, 5, "wall", 29);
  EXPECT_EQ(Convert(hidden.Build()).walk.opcodes, (std::vector<std::uint32_t>{kOpAttribute}));
}

TEST(Object3doTest, PolygonPlaneIsNegatedWhenItsNormalPointsDown) {
  Object3Builder b;
  // Clockwise seen from above: the cross product points down and is turned up.
  const std::uint32_t a = b.Vertex(0, 0, 19685), c = b.Vertex(0, 19685, 19685),
                      d = b.Vertex(19685, 19685, 19685);
  b.Polygon(0, 1, {a, c, d});
  Written w = Convert(b.Build());
  const ObjectPoint& plane = w.object->planes().at(2);
  EXPECT_DOUBLE_EQ(plane.z, 1.0);
  EXPECT_DOUBLE_EQ(plane.d, -1.0);  // z = 1 m: 0*x + 0*y + 1*z - 1 = 0
  EXPECT_EQ(w.object->nodes()[0]->plane_index, 2);
  EXPECT_DOUBLE_EQ(w.object->planes()[0].d, -100.0);
  EXPECT_DOUBLE_EQ(w.object->planes()[1].d, 100.0);
}

TEST(Object3doTest, RecordPlaneUsesTheSixtyFourBitDistance) {
  Object3Builder b;
  const std::uint32_t s = b.Sprite(b.Vertex(0, 0, 0), "s", 0xC0004CE5);
  b.Split(7, 0, 0, -3, -1, 19685u * 3u, {s, s});
  b.Split(11, 4, 0, 0, 0, 19685u * 8u, {s, 0xFFFF});
  Written w = Convert(b.Build());
  const auto& planes = w.object->planes();
  // hi < 0: D = hi * 2^32 - lo.
  EXPECT_DOUBLE_EQ(planes[2].z, -1.0);
  EXPECT_DOUBLE_EQ(planes[2].d, (-4294967296.0 - 19685.0 * 3) / (3 * 19685.0));
  EXPECT_DOUBLE_EQ(planes[3].x, 1.0);
  EXPECT_DOUBLE_EQ(planes[3].d, 2.0);
  EXPECT_EQ(w.Node(1), (std::vector<std::uint32_t>{7, 2, 4, 4}));
  EXPECT_EQ(w.Node(2), (std::vector<std::uint32_t>{11, 3, 4, 0xFFFFFFFF}));
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
  EXPECT_EQ(w.walk.vertices, 11u);
  EXPECT_EQ(v[4].y, 1.0);  // d, in metres now
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
  Written w = Convert(b.Build());
  ObjectNode& node = *w.object->nodes()[0];
  EXPECT_EQ(node.value, 0x1A3);
  const std::vector<std::uint32_t> t = w.Node(0);
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
  for (int i = 0; i < 4; ++i) s.push_back(b.SpriteRecord(v, 19685, static_cast<std::uint32_t>(sprite)));
  b.Split(7, 0, 0, 1, 0, 0, {s[0], s[1], s[2]});
  b.Split(9, 1, 0, 0, 0, 0, {s[0], s[1], s[2], s[3]});
  b.Split(6, 0, 1, 0, 0, 0, {s[3], 0});
  Written w = Convert(b.Build());
  ASSERT_EQ(w.walk.opcodes.size(), 7u);
  const std::uint32_t o[4] = {w.walk.node_offsets[0], w.walk.node_offsets[1],
                              w.walk.node_offsets[2], w.walk.node_offsets[3]};
  // Code 7: w6, w8, w7.  Code 9: w7, w8, w9.  Code 6 with w7 = 0: no second child.
  EXPECT_EQ(w.Node(4), (std::vector<std::uint32_t>{9, 2, o[0], o[2], o[1]}));
  EXPECT_EQ(w.Node(5), (std::vector<std::uint32_t>{10, 3, o[1], o[2], o[3]}));
  EXPECT_EQ(w.Node(6), (std::vector<std::uint32_t>{7, 4, o[3], 0xFFFFFFFF}));
  // Sprite size: w2 x height x 1.3 / (width x 19685), a sprite file missing: 128 by 128.
  EXPECT_FLOAT_EQ(w.F(0, 4), 1.3f);
}

TEST(Object3doTest, EveryAlignedMarkerStartsAnUntaggedRecord) {
  UntaggedBuilder b;
  const int tree = b.Sprite("tree");
  // The vertex's x is a sprite marker: it starts a record of its own as well.
  const std::uint32_t v = b.Vertex(static_cast<std::int32_t>(Marker(12)), 0, 0);
  b.SpriteRecord(v, 100, static_cast<std::uint32_t>(tree));
  Written w = Convert(b.Build());
  ASSERT_EQ(w.object->nodes().size(), 2u);
  EXPECT_EQ(w.object->nodes()[0]->code, 12);
  EXPECT_EQ(w.object->nodes()[0]->source_offset, v + 4);
  EXPECT_EQ(w.object->code_count(12), 1u);
  EXPECT_EQ(w.object->code_count(3), 1u);
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
  ASSERT_EQ(w.walk.opcodes, (std::vector<std::uint32_t>{kOpTexturedPolygon, kOpAttribute,
                                                        kOpFlatPolygon, kOpObjectRef,
                                                        kOpPlacement, kOpGroup}));
  // Texture value 2 (from the polygon through the walk) is written as 1.
  EXPECT_EQ(w.Node(1), (std::vector<std::uint32_t>{kOpAttribute, 4, 5, 6, 1}));
  EXPECT_EQ(w.Node(2)[1], 0xFF112233u);  // a packed colour as it is
  EXPECT_EQ(w.Node(0)[2], 0xFF333333u);  // low byte, no palette: the index itself
  EXPECT_FLOAT_EQ(w.F(4, 1), 1.0f);
  EXPECT_FLOAT_EQ(w.F(4, 2), 2.0f);
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
    ASSERT_TRUE(w.object->is_track_object());
    EXPECT_EQ(w.object->section_count(), 3);
    EXPECT_EQ(w.object->section_starts(), (std::vector<std::uint32_t>{0, 1000, 2000, 0}));
    const ObjectNode& second = *w.object->section_nodes()[1];
    EXPECT_EQ(second.list_head->section_index, 1);
    EXPECT_EQ(second.children[1]->section_index, 1);
    EXPECT_EQ(second.children[1]->position, 1);
    EXPECT_TRUE(second.children[1]->children[0]->section_flag);  // below a code 10
    EXPECT_EQ(second.children[1]->children[0]->group_bits, 0u);
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
    ASSERT_TRUE(w.object->is_track_object());
    // The first list at 0 turns the sections on, the next at 0 off again.
    EXPECT_EQ(w.object->section_starts(), (std::vector<std::uint32_t>{0, 700, 0}));
  }
}

TEST(Object3doTest, HostileFilesAreRefusedInsideTheirBytes) {
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
  std::vector<std::vector<std::uint8_t>> files = {o3.Build(), u.Build(), g.EndNodes(12)};
  for (const std::vector<std::uint8_t>& file : files) {
    for (std::size_t cut = 0; cut <= file.size(); ++cut) {
      SCOPED_TRACE(cut);
      std::vector<std::uint8_t> part(file.begin(), file.begin() + cut);
      Written w = Convert(part);
      if (!w.read) continue;
      for (std::size_t i = 0; i < part.size(); i += 5) {
        std::vector<std::uint8_t> flipped = part;
        flipped[i] ^= 0xA5;
        Convert(flipped);
      }
    }
  }
}

TEST(Object3doTest, OutOfRangeReferencesStopTheRecords) {
  Object3Builder b;
  const std::uint32_t v = b.Vertex(0, 0, 0);
  b.Sprite(v, "fine", 1);
  b.Record(3, {5, 0, 1});           // vertex 5 of 1
  b.Record(14, {1000, 0});          // string offset past the table
  Written w = Convert(b.Build());
  EXPECT_EQ(w.object->nodes().size(), 1u);

  // A group child offset in a 3DO4 stream that points at itself or forward is not linked.
  GplObjectWriter g;
  g.BeginNodes();
  for (std::uint32_t word : {kOpGroup, 2u, 4u, 20u, kOpGroup, 1u, 4u}) g.out().U32(word);
  Result<ObjectFile> cyclic = ReadObjectBytes(g.EndNodes(20), "c.3do");
  ASSERT_TRUE(cyclic.ok() && cyclic->gpl);
  cyclic->gpl->BuildTree();
  EXPECT_TRUE(cyclic->gpl->nodes()[0]->children.empty());
  EXPECT_EQ(cyclic->gpl->nodes()[1]->children.size(), 1u);
}

TEST(Object3doTest, DeepNestingNeedsNoDeepRecursion) {
  Object3Builder b;
  std::uint32_t child = b.Sprite(b.Vertex(0, 0, 0), "s", 0xC0004CE5);
  for (int i = 0; i < 50000; ++i) child = b.Group({child, child});
  Written w = Convert(b.Build());
  EXPECT_EQ(w.walk.opcodes.size(), 50001u);
}

}  // namespace
}  // namespace velmora
