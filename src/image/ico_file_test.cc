#include "image/ico_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/byte_reader.h"

namespace velmora {
namespace {

// A 2 x 2 image (one transparent pixel) and a 256 x 256 one: the entries, the sizes and the
// offsets the icon file's layout gives, the bottom row first, and the mask.
TEST(IcoFileTest, EntriesOffsetsPixelsAndMask) {
  const IcoImage small{2, {0x00000000, 0xFF112233, 0x80445566, 0xFF778899}};
  const IcoImage large{256, std::vector<std::uint32_t>(256 * 256, 0xFF000000)};
  const std::vector<IcoImage> images = {small, large};
  const std::vector<std::uint8_t> file = WriteIcoFile(images);

  const std::size_t small_bytes = 40 + 2 * 2 * 4 + 4 * 2;  // header, pixels, mask rows
  const std::size_t large_bytes = 40 + 256 * 256 * 4 + 32 * 256;
  ASSERT_EQ(file.size(), 6 + 2 * 16 + small_bytes + large_bytes);
  ByteReader in(file);
  EXPECT_EQ(in.U16(), 0u);
  EXPECT_EQ(in.U16(), 1u);
  EXPECT_EQ(in.U16(), 2u);
  const struct {
    std::uint8_t side;
    std::size_t bytes, offset;
  } kEntries[] = {{2, small_bytes, 38}, {0, large_bytes, 38 + small_bytes}};
  for (const auto& entry : kEntries) {
    SCOPED_TRACE(entry.offset);
    EXPECT_EQ(in.U8(), entry.side);
    EXPECT_EQ(in.U8(), entry.side);
    EXPECT_EQ(in.U16(), 0u);   // colours, reserved
    EXPECT_EQ(in.U16(), 1u);   // planes
    EXPECT_EQ(in.U16(), 32u);  // bits per pixel
    EXPECT_EQ(in.U32(), entry.bytes);
    EXPECT_EQ(in.U32(), entry.offset);
  }
  EXPECT_EQ(in.U32(), 40u);
  EXPECT_EQ(in.I32(), 2);
  EXPECT_EQ(in.I32(), 4);  // colour and mask rows
  in.Skip(28);
  // Bottom row first: 0x80445566, 0xFF778899, then 0, 0xFF112233; BGRA bytes.
  EXPECT_EQ(in.U32(), 0x80445566u);
  EXPECT_EQ(in.U32(), 0xFF778899u);
  EXPECT_EQ(in.U32(), 0u);
  EXPECT_EQ(in.U32(), 0xFF112233u);
  EXPECT_EQ(in.U32(), 0u);    // bottom mask row: both pixels drawn
  EXPECT_EQ(in.U8(), 0x80u);  // top mask row: its first pixel is transparent
  EXPECT_TRUE(in.ok());
}

}  // namespace
}  // namespace velmora
