#include "image/ico_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/byte_reader.h"

namespace velmora {
namespace {

using Words = std::vector<std::uint32_t>;

// A 2 x 2 image (one transparent pixel) and a 256 x 256 one: the entries, the sizes and the
// offsets the icon file's layout gives, the bottom row first, and the mask.
TEST(IcoFileTest, EntriesOffsetsPixelsAndMask) {
  const IcoImage small{2, {0x00000000, 0xFF112233, 0x80445566, 0xFF778899}};
  const IcoImage large{256, std::vector<std::uint32_t>(256 * 256, 0xFF000000)};
  const std::vector<IcoImage> images = {small, large};
  const std::vector<std::uint8_t> file = WriteIcoFile(images);

  const std::uint32_t small_bytes = 40 + 2 * 2 * 4 + 4 * 2;  // header, pixels, mask rows
  const std::uint32_t large_bytes = 40 + 256 * 256 * 4 + 32 * 256;
  ASSERT_EQ(file.size(), 6 + 2 * 16 + small_bytes + large_bytes);
  ByteReader in(file);
  EXPECT_EQ((Words{in.U16(), in.U16(), in.U16()}), (Words{0, 1, 2}));
  // Each entry: width, height, colours, reserved, planes, bits per pixel, size, offset.
  const auto entry = [&] {
    return Words{in.U8(), in.U8(), in.U8(), in.U8(), in.U16(), in.U16(), in.U32(), in.U32()};
  };
  EXPECT_EQ(entry(), (Words{2, 2, 0, 0, 1, 32, small_bytes, 38}));
  EXPECT_EQ(entry(), (Words{0, 0, 0, 0, 1, 32, large_bytes, 38 + small_bytes}));
  // The small image's header size, width and colour plus mask rows.
  EXPECT_EQ((Words{in.U32(), in.U32(), in.U32()}), (Words{40, 2, 4}));
  in.Skip(28);
  // Bottom row first, BGRA bytes; then the mask rows, bottom first: both drawn, then the top
  // row's first pixel transparent.
  EXPECT_EQ((Words{in.U32(), in.U32(), in.U32(), in.U32(), in.U32(), in.U8()}),
            (Words{0x80445566, 0xFF778899, 0, 0xFF112233, 0, 0x80}));
  EXPECT_TRUE(in.ok());
}

}  // namespace
}  // namespace velmora
