#include "inspect/track_object_view.h"

#include <gtest/gtest.h>

#include "format/chunk_file.h"
#include "platform/byte_writer.h"

namespace velmora {
namespace {

// A small track object in the 3DO4 layout: a placed tyre, one groove piece with its texture
// attribute, a flat quad, one track section node cutting at plane 2, the fixed table and the
// root group of two.
std::vector<std::uint8_t> TinyTrackObject(std::uint32_t fixed_words = 240) {
  ByteWriter out;
  ChunkScope file(out, "4OD3");
  {
    ChunkScope vertices(out, "SZYX");
    const float corners[4][2] = {{0, 0}, {4, 0}, {4, 1}, {0, 1}};
    for (const auto& c : corners) {
      out.U32(0);
      out.F32(c[0]);
      out.F32(c[1]);
      out.F32(0);
    }
  }
  {
    ChunkScope planes(out, "NALP");
    const float rows[3][4] = {{0, 0, 0, -100}, {0, 0, 0, 100}, {1, 0, 0, -2}};
    for (const auto& row : rows) {
      for (float v : row) out.F32(v);
    }
  }
  {
    ChunkScope strings(out, "NRTS");
    out.Text(std::string_view("_tire\0groove\0\xFF", 14));
    out.Fill(2, ' ');
  }
  ChunkScope prim(out, "MIRP");
  out.U32(0);  // root, patched below
  const std::size_t base = out.size() - 4;
  auto at = [&] { return static_cast<std::uint32_t>(out.size() - base); };
  const std::uint32_t ref = at();
  for (std::uint32_t w : {14u, 0u, 0u}) out.U32(w);
  const std::uint32_t placement = at();
  out.U32(19);
  for (float v : {10.0f, 20.0f, 0.5f, 0.0f, 0.0f, 0.0f, 1.0f}) out.F32(v);
  out.U32(ref);
  const std::uint32_t polygon = at();
  for (std::uint32_t w : {0x0820u, 0u, 0xFFFFFFFFu, 4u}) out.U32(w);
  for (int k = 0; k < 8; ++k) out.F32(0);
  for (std::uint32_t v : {0u, 1u, 2u, 3u}) out.U32(v);
  for (int k = 0; k < 4; ++k) out.U32(0xFFFFFFFF);
  for (std::uint32_t w : {5u, polygon, 5u, 6u, 20u}) out.U32(w);
  for (std::uint32_t w : {0x081Bu, 0xFF000000u, 4u, 0u, 1u, 2u, 3u}) out.U32(w);
  const std::uint32_t section = at();
  for (std::uint32_t w : {15u, 2u, 0xFFFFFFFFu, 0u, 0xFFFFFFFFu, 2u, 0xFFFFFFFFu, 1u}) out.U32(w);
  for (int k = 8; k < 15; ++k) out.U32(k < 11 ? 0xFFFFFFFF : 0);
  out.U32(0);
  const std::uint32_t table = at();
  out.U32(16);
  out.U32(fixed_words);
  for (std::uint32_t k = 0; k < fixed_words; ++k) out.U32(k % 4 == 0 ? 15000000 : 0);
  const std::uint32_t root = at();
  for (std::uint32_t w : {4u, 2u, section, table}) out.U32(w);
  out.PatchU32(base, root);
  (void)placement;
  prim.Close();
  file.Close();
  return out.Take();
}

TEST(TrackObjectViewTest, ReadsCutsPlacedObjectsGroovesAndFlatQuads) {
  std::optional<TrackObjectView> view = ReadTrackObject(TinyTrackObject());
  ASSERT_TRUE(view);
  ASSERT_EQ(view->cuts.size(), 1u);  // planes a and b are the same plane: listed once
  EXPECT_EQ(view->cuts[0].nx, 1);
  EXPECT_EQ(view->cuts[0].d, -2);
  ASSERT_EQ(view->placed.size(), 1u);
  EXPECT_EQ(view->placed[0].name, "_tire");
  EXPECT_EQ(view->placed[0].at.x, 10);
  EXPECT_EQ(view->placed[0].at.y, 20);
  ASSERT_EQ(view->grooves.size(), 1u);
  ASSERT_EQ(view->grooves[0].size(), 4u);
  EXPECT_EQ(view->grooves[0][2].x, 4);
  EXPECT_EQ(view->grooves[0][2].y, 1);
  EXPECT_EQ(view->flat_quads.size(), 1u);
}

TEST(TrackObjectViewTest, OnlyASoundTrackObjectIsRead) {
  // Without the 240-word fixed table the root is no track object's root.
  EXPECT_FALSE(ReadTrackObject(TinyTrackObject(236)));
  std::vector<std::uint8_t> bytes = TinyTrackObject();
  for (std::size_t cut = 0; cut < bytes.size(); cut += 7) {
    SCOPED_TRACE(cut);
    EXPECT_FALSE(ReadTrackObject(std::span(bytes).first(cut)));
  }
}

}  // namespace
}  // namespace velmora
