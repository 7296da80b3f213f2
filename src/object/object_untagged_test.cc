// Untagged objects laid out as the games' own files are: detail switches, heads, the header's
// root word and 64-bit plane distances, each through linking, the writer and the validating
// reader.
#include <gtest/gtest.h>

#include <unordered_set>

#include "object/gpl_object_check.h"
#include "object/gpl_object_reader.h"
#include "object/object_file.h"
#include "object/source_object_format.h"
#include "object/source_object_writer.h"
#include "samples/object_builders.h"

namespace velmora {
namespace {

using samples::Marker;
using samples::UntaggedBuilder;

struct Converted {
  std::unique_ptr<Object3do> object;
  std::vector<std::uint8_t> bytes;
};

// Reads, links and writes; every file written must pass the validating reader.
Converted Convert(std::vector<std::uint8_t> file) {
  Converted c;
  Result<ObjectFile> read = ReadObjectBytes(std::move(file), "obj.3do");
  EXPECT_TRUE(read.ok() && read->source);
  if (!read.ok() || !read->source) return c;
  c.object = std::move(read->source);
  EXPECT_TRUE(c.object->BuildTree().ok());
  c.bytes = BuildGplObject(*c.object, {});
  Result<GplObjectOutline> outline = CheckGplObject(c.bytes);
  EXPECT_TRUE(outline.ok()) << outline.status().ToString();
  return c;
}

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
      {"two levels, the children at words 3 and 5", {955092, 0}, 2, 42},
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
    Converted c = Convert(b.Build());
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

std::vector<std::uint8_t> Car(HeadKind head, std::uint32_t* head_at = nullptr) {
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
  const std::uint32_t at = b.Head(main, listed);
  if (head_at != nullptr) *head_at = at;
  if (head == HeadKind::kBeforeAListedPlacement) b.Placement(0, 19685, 0, 0, 0, 0, 1);
  return b.Build();
}

TEST(ObjectUntaggedTest, HeadLeadsToItsMainRecordAndWritesNothing) {
  std::uint32_t head = 0;
  Converted car = Convert(Car(HeadKind::kLast, &head));
  ASSERT_TRUE(car.object);
  EXPECT_EQ(PolygonsUnderRoot(car.bytes), 100u);
  ASSERT_NE(car.object->NodeAt(head), nullptr);
  EXPECT_EQ(car.object->NodeAt(head)->children.size(), 1u);  // the main record only
  // Nothing is written for the head: the car without it is written to the same bytes.
  EXPECT_EQ(Convert(Car(HeadKind::kNone)).bytes, car.bytes);
  // A record the head lists never becomes the root, named or last.
  EXPECT_EQ(PolygonsUnderRoot(Convert(Car(HeadKind::kBeforeAListedPlacement)).bytes), 100u);
}

TEST(ObjectUntaggedTest, HeaderNamesTheRoot) {
  struct Case {
    const char* name;
    int root;  // 0: 0; 1: the first model; 2: a vertex; 3: past the data
    std::size_t polygons;
  };
  const Case cases[] = {{"not named: the last record", 0, 2},
                        {"an earlier record", 1, 3},
                        {"no record there", 2, 2},
                        {"past the data", 3, 2}};
  for (const Case& t : cases) {
    SCOPED_TRACE(t.name);
    UntaggedBuilder b;
    const std::uint32_t first = Model(b, 3);
    const std::uint32_t vertex = b.Vertex(5, 5, 5);
    Model(b, 2);
    const std::uint32_t roots[] = {0, first, vertex, 1u << 20};
    b.SetRoot(roots[t.root]);
    Converted c = Convert(b.Build());
    EXPECT_EQ(PolygonsUnderRoot(c.bytes), t.polygons);
  }
}

TEST(ObjectUntaggedTest, PlaneDistanceIsTheSignedSixtyFourBitValue) {
  struct Case {
    std::uint32_t lo;
    std::int32_t hi;
    double distance;
  };
  const Case cases[] = {{19685u * 3u, 0, 19685.0 * 3},
                        {0, 1, 4294967296.0},
                        {0xFFFFFFFFu, -1, -1.0},
                        {1, -2, -8589934591.0},
                        {0, -1, -4294967296.0}};
  for (const Case& t : cases) {
    SCOPED_TRACE(t.distance);
    UntaggedBuilder b;
    const std::uint32_t model = Model(b, 1);
    b.Split(5, 0, 0, 2, t.lo, t.hi, {model});
    Converted c = Convert(b.Build());
    ASSERT_TRUE(c.object);
    // The plane follows the two fixed planes and the triangle's own.
    EXPECT_DOUBLE_EQ(c.object->planes().at(3).d, t.distance / (2 * 19685.0));
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
  Converted older = Convert(build(false));
  EXPECT_EQ(PolygonsUnderRoot(older.bytes), 3u);
  EXPECT_EQ(older.bytes, Convert(build(true)).bytes);
}

}  // namespace
}  // namespace velmora
