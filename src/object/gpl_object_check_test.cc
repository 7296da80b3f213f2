// The validating reader of 3DO4 files names the first problem of a broken file; the carried
// objects pass it.
#include "object/gpl_object_check.h"

#include <gtest/gtest.h>

#include <tuple>

#include "object/gpl_object_format.h"
#include "object/gpl_object_reader.h"
#include "platform/resource_store.h"
#include "resources/embedded_files.h"
#include "testing/corruption.h"

namespace velmora {
namespace {

// A file with one vertex, the two fixed planes, one name and `nodes` as its node stream.
std::vector<std::uint8_t> File(std::initializer_list<std::uint32_t> nodes, std::int32_t root) {
  GplObjectWriter writer;
  const GplVertex vertex[1] = {};
  writer.AppendVertices(vertex);
  const GplPlane planes[2] = {{0, 0, 0, -100}, {0, 0, 0, 100}};
  writer.AppendPlanes(planes);
  writer.AppendStrings(BuildStringTable({"tree"}));
  writer.BeginNodes();
  for (std::uint32_t word : nodes) writer.out().U32(word);
  return writer.EndNodes(root);
}

TEST(GplObjectCheckTest, FirstProblemIsNamed) {
  std::vector<std::uint8_t> truncated = File({kOpGroup, 0}, 4);
  truncated.pop_back();
  std::vector<std::uint8_t> bad_tag = File({kOpGroup, 0}, 4);
  bad_tag[0] = 'X';
  // The vertex chunk (12 bytes of header, one 16-byte vertex) twice, the file's size mended.
  std::vector<std::uint8_t> twice = File({kOpGroup, 0}, 4);
  twice.insert(twice.begin() + 40, twice.begin() + 12, twice.begin() + 40);
  const std::uint32_t body = static_cast<std::uint32_t>(twice.size() - 12);
  for (int i = 0; i < 4; ++i) twice[8 + i] = static_cast<std::uint8_t>(body >> (8 * i));
  const std::tuple<const char*, std::vector<std::uint8_t>, const char*> rows[] = {
      {"forward reference", File({kOpGroup, 1, 16, kOpGroup, 0}, 16), "node at 4 refers to 16"},
      {"vertex past the table", File({kOpwordFlatPolygon, 0, 1, 1}, 4), "vertex 1 past the table"},
      {"plane past the table", File({kOpPlaneGuard, 2, 0xFFFFFFFF}, 4), "plane 2 past the table"},
      {"string offset inside a name", File({kOpObjectRef, 1, 0}, 4), "string offset 1 is no name"},
      {"root not last", File({kOpGroup, 0, kOpGroup, 0}, 4), "root is not the last node"},
      {"node without length", File({12, 0}, 4), "node at 4 has no length that fits"},
      {"cut file", truncated, "header size is not the file length - 12"},
      {"not 4OD3", bad_tag, "not a 4OD3 file"},
      {"a chunk twice", twice, "chunk SZYX out of order"},
  };
  for (const auto& [what, file, message] : rows) {
    const Status status = CheckGplObject(file).status();
    EXPECT_TRUE(status.IsCorruption() && status.message() == message)
        << what << ": " << status.ToString();
  }
}

TEST(GplObjectCheckTest, EveryCutAndFlipIsReadInsideTheBytes) {
  const std::vector<std::uint8_t> file = File({kOpObjectRef, 0, 0, kOpGroup, 1, 4}, 16);
  const testkit::Reader check = [](std::vector<std::uint8_t> bytes) {
    return CheckGplObject(bytes).ok();
  };
  testkit::ExpectEveryCutRefused(check, file);
  testkit::ReadEveryBitFlip(check, file, 0, file.size());  // only: no read outside the bytes
}

// The carried objects read back through the GPL object reader and walk cleanly.
TEST(CarriedObjectsTest, ReadBackAndWalkCleanly) {
  ResourceStore store(EmbeddedFiles());
  const std::tuple<const char*, std::uint8_t, std::size_t, const char*> rows[] = {
      {"N4BLANK_3DO", 0, 0, ""},
      {"_TIRE_3DO", 1, 120, "tireside"},
      {"_HAY_3DO", 1, 5, "hayba_s"},
      {"_CONE_3DO", 1, 17, "_conebs1"}};
  for (const auto& [name, version, polygons, texture] : rows) {
    SCOPED_TRACE(name);
    std::optional<std::span<const std::uint8_t>> bytes = store.Find(name);
    ASSERT_TRUE(bytes);
    const std::vector<std::uint8_t> file(bytes->begin(), bytes->end());
    EXPECT_EQ(file[4], version);
    Result<GplObjectOutline> walk = CheckGplObject(file);
    ASSERT_TRUE(walk.ok()) << walk.status().ToString();
    Result<std::unique_ptr<GplObject>> object = GplObject::Read(file);
    ASSERT_TRUE(object.ok());
    (*object)->BuildTree();
    EXPECT_EQ((*object)->code_count(kOpTexturedPolygonPlain), polygons);
    EXPECT_NE(std::string(file.begin(), file.end()).find(texture), std::string::npos);
  }
  // The cone's "collision" handle names its root.
  std::optional<std::span<const std::uint8_t>> cone = store.Find("_CONE_3DO");
  Result<std::unique_ptr<GplObject>> read = GplObject::Read({cone->begin(), cone->end()});
  ASSERT_TRUE(read.ok());
  const GplObject* object = read->get();
  ASSERT_EQ(object->handles().size(), 1u);
  EXPECT_EQ(object->handles()[0].second, object->root());
  const auto name = object->strings().subspan(object->handles()[0].first, 10);
  EXPECT_EQ(std::string(name.begin(), name.end()), std::string("collision\0", 10));
}

}  // namespace
}  // namespace velmora
