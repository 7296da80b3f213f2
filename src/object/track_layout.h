#ifndef VELMORA_OBJECT_TRACK_LAYOUT_H_
#define VELMORA_OBJECT_TRACK_LAYOUT_H_

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "object/object_model.h"

namespace velmora {

// The sections of a track object as its writer lays them out before writing: per section seven
// lanes (0 to 3 the road's parts from left to right, 4 and 5 the two halves, 6 the whole), each
// cut across by planes into strips. The layout owns the nodes it makes (cross-section nodes,
// trackside placements, strip pieces); the lanes point at them and at the object's own nodes.

inline constexpr int kLaneCount = 7;
inline constexpr int kCutPlaneCount = 5;  // p0, p1, p2, p3 and the next start

struct TrackLane {
  std::uint32_t start = 0;  // stretch along the track, track units
  std::uint32_t end = 0;
  std::vector<ObjectNode*> lane_nodes;  // the three-way splits that divide the lane
  ObjectNode* anchor = nullptr;         // 3DO3 only: whose first child holds the contents
  // Left to right, lane node count + 1 of them; their points are plane indices: cut plane a,
  // the plane on the left, cut plane b, the plane on the right.
  std::vector<ObjectNode*> cross_sections;
  // The lane's own node list: surface contents, then what trackside placement and the strips
  // add. Written into the strips between the lane nodes' planes.
  std::vector<ObjectNode*> contents;
  std::vector<ObjectNode*> left_edge;
  std::vector<ObjectNode*> right_edge;
  // Offset of the last lane divider written, -1 until then.
  std::int32_t last_divider = -1;
};

struct TrackSection {
  std::array<TrackLane, kLaneCount> lanes;
  ObjectNode* surface_group = nullptr;
  ObjectNode* number_list = nullptr;  // the count-4 list that gave the positions
  std::array<std::uint32_t, 4> p{};   // p0 to p3
  std::uint32_t next_start = 0;
  std::array<std::int32_t, kCutPlaneCount> cut_planes{};
  int part_count = 0;
  int left_lane_count = 0;
  int right_lane_limit = 3;

  // Lane k takes part when k is 6, when 4 <= k <= the right lane limit, or below the left lane
  // count.
  bool TakesPart(int k) const {
    return k == 6 || (k >= 4 && k <= right_lane_limit) || k < left_lane_count;
  }
};

struct TrackLayout {
  std::vector<TrackSection> sections;
  std::vector<std::unique_ptr<ObjectNode>> owned;

  ObjectNode& NewNode() {
    owned.push_back(std::make_unique<ObjectNode>());
    return *owned.back();
  }
};

}  // namespace velmora

#endif  // VELMORA_OBJECT_TRACK_LAYOUT_H_
