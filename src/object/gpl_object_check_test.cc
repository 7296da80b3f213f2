// The validating reader of 3DO4 files names the first problem of a broken file.
#include "object/gpl_object_check.h"

#include <gtest/gtest.h>

#include "object/gpl_object_format.h"

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

TEST(GplObjectCheckTest, SoundFileGivesItsOutline) {
  Result<GplObjectOutline> outline = CheckGplObject(File({kOpObjectRef, 0, 0, kOpGroup, 1, 4}, 16));
  ASSERT_TRUE(outline.ok()) << outline.status().ToString();
  EXPECT_EQ(outline->vertices, 1u);
  EXPECT_EQ(outline->planes, 2u);
  EXPECT_EQ(outline->opcodes, (std::vector<std::uint32_t>{kOpObjectRef, kOpGroup}));
  EXPECT_EQ(outline->node_offsets, (std::vector<std::uint32_t>{4, 16}));
  EXPECT_EQ(outline->root, 16u);
}

TEST(GplObjectCheckTest, FirstProblemIsNamed) {
  struct Row {
    const char* what;
    std::vector<std::uint8_t> file;
    const char* message;
  };
  std::vector<std::uint8_t> truncated = File({kOpGroup, 0}, 4);
  truncated.pop_back();
  std::vector<std::uint8_t> bad_tag = File({kOpGroup, 0}, 4);
  bad_tag[0] = 'X';
  // The vertex chunk (12 bytes of header, one 16-byte vertex) twice, the file's size mended.
  std::vector<std::uint8_t> twice = File({kOpGroup, 0}, 4);
  twice.insert(twice.begin() + 40, twice.begin() + 12, twice.begin() + 40);
  const std::uint32_t body = static_cast<std::uint32_t>(twice.size() - 12);
  for (int i = 0; i < 4; ++i) twice[8 + i] = static_cast<std::uint8_t>(body >> (8 * i));
  const Row rows[] = {
      {"forward reference", File({kOpGroup, 1, 16, kOpGroup, 0}, 16), "node at 4 refers to 16"},
      {"vertex past the table", File({kOpwordFlatPolygon, 0, 1, 1}, 4), "vertex 1 past the table"},
      {"plane past the table", File({kOpPlaneGuard, 2, 0xFFFFFFFF}, 4), "plane 2 past the table"},
      {"string offset inside a name", File({kOpObjectRef, 1, 0}, 4), "string offset 1 is no name"},
      {"root not last", File({kOpGroup, 0, kOpGroup, 0}, 4), "root is not the last node"},
      {"node without length", File({12, 0}, 4), "node at 4 has no length that fits"},
      {"count past the stream", File({kOpGroup, 1000}, 4), "node at 4 has no length that fits"},
      {"cut file", truncated, "header size is not the file length - 12"},
      {"not 4OD3", bad_tag, "not a 4OD3 file"},
      {"a chunk twice", twice, "chunk SZYX out of order"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Result<GplObjectOutline> outline = CheckGplObject(row.file);
    ASSERT_FALSE(outline.ok());
    EXPECT_TRUE(outline.status().IsCorruption());
    EXPECT_EQ(outline.status().message(), row.message);
  }
}

TEST(GplObjectCheckTest, EveryCutAndFlipIsReadInsideTheBytes) {
  const std::vector<std::uint8_t> file = File({kOpObjectRef, 0, 0, kOpGroup, 1, 4}, 16);
  for (std::size_t cut = 0; cut < file.size(); ++cut) {
    std::vector<std::uint8_t> part(file.begin(), file.begin() + cut);
    EXPECT_FALSE(CheckGplObject(part).ok()) << cut;
    for (std::size_t i = 0; i < part.size(); ++i) {
      part[i] ^= 0xFF;
      CheckGplObject(part).status().IgnoreError();  // only: no read outside the bytes
      part[i] ^= 0xFF;
    }
  }
}

}  // namespace
}  // namespace velmora
