// The node stream counts offsets from the root field and patches words of written nodes.
#include "object/gpl_node_stream.h"

#include <gtest/gtest.h>

#include "object/gpl_object_check.h"
#include "platform/byte_reader.h"

namespace velmora {
namespace {

TEST(GplNodeStreamTest, OffsetsPatchesAndLastNode) {
  Object3do object;
  GplObjectWriter writer;
  GplNodeStream stream(writer, object);
  EXPECT_EQ(stream.NextOffset(), 4);
  EXPECT_EQ(stream.last_node_offset(), kNoNode);
  ObjectNode group;
  stream.MarkNode(group);
  EXPECT_EQ(group.output_offset, 4);
  stream.out().U32(kOpGroup);
  stream.out().U32(0);
  EXPECT_EQ(stream.MarkUnowned(), 12);
  stream.out().U32(kOpGroup);
  stream.out().U32(1);
  stream.out().I32(kNoNode);
  stream.PatchWord(12, 2, 4);  // now refers to the first group
  EXPECT_EQ(stream.last_node_offset(), 12);
  EXPECT_EQ(stream.WrittenOffset(0), kNoNode);  // no record at 0 in an empty object
  std::vector<std::uint8_t> bytes = writer.EndNodes(stream.last_node_offset());
  Result<GplObjectOutline> outline = CheckGplObject(bytes);
  ASSERT_TRUE(outline.ok()) << outline.status().ToString();
  EXPECT_EQ(outline->node_offsets, (std::vector<std::uint32_t>{4, 12}));
  // The patched word: file header 12, chunk header 12, root 4, node at 12 (8 bytes in), word 2.
  EXPECT_EQ(ByteReader(std::span(bytes).subspan(12 + 12 + 4 + 8 + 8)).U32(), 4u);
}

}  // namespace
}  // namespace velmora
