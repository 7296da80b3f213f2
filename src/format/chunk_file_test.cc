#include "format/chunk_file.h"

#include <gtest/gtest.h>

#include <vector>

#include "testing/corruption.h"

namespace velmora {
namespace {

TEST(ChunkFileTest, LeafPadsToFourAndContainerCountsChildPads) {
  for (std::size_t payload : {std::size_t{16}, std::size_t{18}, std::size_t{27}}) {
    SCOPED_TRACE(payload);
    ByteWriter out;
    {
      ChunkScope container(out, "PAMB");
      WriteLeafChunk(out, "ATAD", std::vector<std::uint8_t>(payload, 7));
    }
    const std::vector<std::uint8_t>& bytes = out.bytes();
    const std::size_t pad = payload == 16 ? 0 : payload == 18 ? 2 : 1;
    ASSERT_EQ(bytes.size(), 12 + 12 + payload + pad);
    for (std::size_t i = 0; i < pad; ++i) EXPECT_EQ(bytes[24 + payload + i], 0x20);
    Result<Chunk> outer = ReadChunk(bytes, 0);
    ASSERT_TRUE(outer);
    EXPECT_TRUE(outer->IsTerminated("PAMB"));
    EXPECT_EQ(outer->size, 12 + payload + pad);  // the child's pad is inside the container
    Result<Chunk> leaf = ReadChunk(bytes, outer->payload, outer->payload + outer->size);
    ASSERT_TRUE(leaf);
    EXPECT_EQ(leaf->size, payload);  // a leaf never counts its pad
    EXPECT_EQ(leaf->End(), bytes.size());
  }
}

TEST(ChunkFileTest, RefusesHeadersAndSizesPastTheirLimit) {
  ByteWriter out;
  WriteLeafChunk(out, "ATAD", std::vector<std::uint8_t>(8, 1));
  const std::vector<std::uint8_t>& bytes = out.bytes();
  EXPECT_TRUE(ReadChunk(bytes, 0));
  EXPECT_FALSE(ReadChunk(bytes, 0, bytes.size() - 1));  // payload runs past the container
  EXPECT_FALSE(ReadChunk(std::span(bytes).first(11), 0));
  EXPECT_FALSE(ReadChunk(bytes, 1000));
  const testkit::Reader read = [](std::vector<std::uint8_t> damaged) {
    return ReadChunk(damaged, 0).ok();
  };
  testkit::ExpectEveryCutRefused(read, bytes);
  testkit::ExpectRefused(read, testkit::WithU32(bytes, 8, 0xFFFFFFFF), "size past the end");
  testkit::ExpectRefused(read, testkit::WithU32(bytes, 8, 9), "size one past the end");
  // A terminated tag needs a zero after it.
  ByteWriter tagged;
  WriteChunkHeader(tagged, "4OD3", 1, 0);
  Result<Chunk> chunk = ReadChunk(tagged.bytes(), 0);
  ASSERT_TRUE(chunk);
  EXPECT_TRUE(chunk->Is("4OD3"));
  EXPECT_FALSE(chunk->IsTerminated("4OD3"));
}

}  // namespace
}  // namespace velmora
