#include "trackview/track_object_view.h"

#include <gtest/gtest.h>

#include <tuple>

#include "testing/corruption.h"
#include "testing/track_object_bytes.h"

namespace velmora {
namespace {

// A placed tyre, one groove piece, a flat quad and one track section node cutting at plane 2.
std::vector<std::uint8_t> TinyTrackObject(std::uint32_t fixed_words = 240) {
  testkit::TrackObjectParts parts;
  parts.vertices = {{0, 0}, {4, 0}, {4, 1}, {0, 1}};
  parts.cuts = {{1, 0, -2}};
  parts.flat_quads = {{0, 1, 2, 3}};
  parts.grooves = {{0, 1, 2, 3}};
  parts.placed = {{"_tire", {10, 20}}};
  parts.fixed_table_words = fixed_words;
  return testkit::BuildTrackObjectBytes(parts);
}

TEST(TrackObjectViewTest, ReadsCutsPlacedObjectsGroovesAndFlatQuads) {
  std::optional<TrackObjectView> view = ReadTrackObject(TinyTrackObject());
  ASSERT_TRUE(view);
  ASSERT_EQ(view->cuts.size(), 1u);  // planes a and b are the same plane: listed once
  EXPECT_EQ(std::tuple(view->cuts[0].nx, view->cuts[0].d), std::tuple(1, -2));
  ASSERT_EQ(view->placed.size(), 1u);
  EXPECT_EQ(std::tuple(view->placed[0].name, view->placed[0].at.x, view->placed[0].at.y),
            std::tuple("_tire", 10, 20));
  ASSERT_EQ(view->grooves.size(), 1u);
  ASSERT_EQ(view->grooves[0].size(), 4u);
  EXPECT_EQ(std::tuple(view->grooves[0][2].x, view->grooves[0][2].y), std::tuple(4, 1));
  EXPECT_EQ(view->flat_quads.size(), 1u);
}

TEST(TrackObjectViewTest, OnlyASoundTrackObjectIsRead) {
  // Without the 240-word fixed table the root is no track object's root.
  EXPECT_FALSE(ReadTrackObject(TinyTrackObject(236)));
  testkit::ExpectEveryCutRefused(
      [](std::vector<std::uint8_t> bytes) { return ReadTrackObject(bytes).has_value(); },
      TinyTrackObject());
}

}  // namespace
}  // namespace velmora
