// The carried objects read back through the GPL object reader and walk cleanly.
#include <gtest/gtest.h>

#include "object/gpl_object_check.h"
#include "object/gpl_object_reader.h"
#include "platform/resource_store.h"
#include "resources/embedded_files.h"

namespace velmora {
namespace {

TEST(CarriedObjectsTest, ReadBackAndWalkCleanly) {
  ResourceStore store(EmbeddedFiles());
  struct Row {
    const char* name;
    std::uint8_t version;
    std::size_t polygons;
    const char* texture;
  };
  for (const Row& row : {Row{"N4BLANK_3DO", 0, 0, ""}, Row{"_TIRE_3DO", 1, 120, "tireside"},
                         Row{"_HAY_3DO", 1, 5, "hayba_s"}, Row{"_CONE_3DO", 1, 17, "_conebs1"}}) {
    SCOPED_TRACE(row.name);
    std::optional<std::span<const std::uint8_t>> bytes = store.Find(row.name);
    ASSERT_TRUE(bytes);
    const std::vector<std::uint8_t> file(bytes->begin(), bytes->end());
    EXPECT_EQ(file[4], row.version);
    Result<GplObjectOutline> walk = CheckGplObject(file);
    ASSERT_TRUE(walk.ok()) << walk.status().ToString();
    Result<std::unique_ptr<GplObject>> object = GplObject::Read(file);
    ASSERT_TRUE(object.ok());
    (*object)->BuildTree();
    EXPECT_EQ((*object)->nodes().size(), walk->opcodes.size());
    EXPECT_EQ((*object)->code_count(kOpTexturedPolygonPlain), row.polygons);
    const std::string text(file.begin(), file.end());
    EXPECT_NE(text.find(row.texture), std::string::npos);
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
