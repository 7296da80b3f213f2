#include "object/track_object_writer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <unordered_set>
#include <utility>

#include "object/source_node_writers.h"
#include "object/source_object_format.h"
#include "platform/ascii.h"
#include "track/racing_lines.h"
#include "trackside/track_strips.h"
#include "trackside/trackside_placement.h"

namespace velmora {

namespace {

// The cut planes (indices into the section's five) on either side of each lane: a ahead, b
// behind.
constexpr int kCutA[kLaneCount] = {1, 2, 3, 4, 2, 4, 4};
constexpr int kCutB[kLaneCount] = {0, 1, 2, 3, 0, 2, 0};
// Where the five neighbour links go in a track section node.
constexpr std::size_t kLinkWords[5] = {2, 4, 6, 8, 9};
// A hostile object may share subtrees among many lanes: this many node writes per node at most.
constexpr std::size_t kSubtreeWritesPerNode = 64;

// The plane of a lane node; the fixed plane `fallback` (0: far left, 1: far right) for a lane
// node that is not there or has no plane.
std::int32_t PlaneIndexOf(const std::vector<ObjectNode*>& lane_nodes, std::size_t i,
                          std::int32_t fallback, std::size_t plane_count) {
  if (i >= lane_nodes.size()) return fallback;
  const std::int32_t index = lane_nodes[i]->plane_index;
  return index >= 0 && static_cast<std::size_t>(index) < plane_count ? index : fallback;
}

std::int32_t OffsetOf(const ObjectNode* node) { return node != nullptr ? node->output_offset : kNoNode; }

}  // namespace

TrackObjectWriter::TrackObjectWriter(Object3do& object, std::filesystem::path output)
    : object_(object), output_(std::move(output)) {}

// ---------------------------------------------------------------------------------------------
// Section building.

void TrackObjectWriter::BuildSections() {
  layout_.sections.assign(static_cast<std::size_t>(std::max(object_.section_count(), 0)),
                          TrackSection{});
  SortNodes();
  SetPositions();
  MakeCutPlanes();
  for (TrackSection& section : layout_.sections) {
    CountLanes(section);
    MakeCrossSections(section);
    FillContents(section);
    SetStretches(section);
  }
  const int format_mode = object_.source_format() == SourceFormat::k3do3 ? 2 : 1;
  if (RacingLines* lines = object_.gpl_lines()) {
    LayGrooves(object_, layout_, *lines, format_mode);
  } else {
    LayGrooves(object_, layout_, output_.parent_path(), format_mode);
  }
  LayStartLine(object_, layout_);
}

// Sorts the nodes the value walk marked with a section into surface groups, anchors, lane
// nodes and positions.
void TrackObjectWriter::SortNodes() {
  const SourceRoles& roles = object_.roles();
  const bool untagged = object_.source_format() == SourceFormat::kUntagged;
  const auto count = static_cast<std::int32_t>(layout_.sections.size());
  for (const auto& owned : object_.nodes()) {
    ObjectNode& node = *owned;
    if (node.code == roles.group && node.list_head != nullptr &&
        node.list_head->section_index >= 0 && node.list_head->section_index < count) {
      layout_.sections[node.list_head->section_index].surface_group = &node;
    }
    if (node.section_index < 0 || node.section_index >= count) continue;
    TrackSection& section = layout_.sections[node.section_index];
    const std::int32_t k = node.position;
    const bool in_lane = k >= 0 && k < kLaneCount;
    if (roles.anchor != 0 && node.code == roles.anchor && in_lane) section.lanes[k].anchor = &node;
    if (node.code == roles.three_way_split && in_lane) {
      // An untagged split writes its children in the order first, third, second.
      if (untagged && node.children.size() >= 3) std::swap(node.children[1], node.children[2]);
      section.lanes[k].lane_nodes.push_back(&node);
    }
    const bool positions = untagged ? node.code == roles.number_list
                                    : node.code == roles.number_list && k >= 0 &&
                                          object_.Field(node.source_offset, 5) == 4;
    if (positions) section.number_list = &node;
  }
  // An untagged section takes its positions from its own list head, the list that opened it,
  // so p0 is the section's start; a 3DO3 section from the last count-4 list it holds.
  for (std::size_t s = 0; untagged && s < layout_.sections.size(); ++s) {
    ObjectNode* head = object_.section_nodes()[s]->list_head;
    if (head != nullptr) layout_.sections[s].number_list = head;
  }
  for (TrackSection& section : layout_.sections) {
    if (section.number_list == nullptr) continue;
    const std::size_t first = untagged ? 4 : 9;
    for (std::size_t i = 0; i < 4; ++i) {
      section.p[i] = object_.Field(section.number_list->source_offset, first + 4 * i);
    }
  }
}

void TrackObjectWriter::SetPositions() {
  std::vector<TrackSection>& sections = layout_.sections;
  for (std::size_t s = 0; s < sections.size(); ++s) {
    TrackSection& section = sections[s];
    section.next_start = s + 1 < sections.size() ? sections[s + 1].p[0]
                         : object_.track() != nullptr ? object_.track_length()
                                                      : 0;
    std::array<std::uint32_t, 4>& p = section.p;
    if (p[1] == p[0]) p[1] = p[2] = p[3] = section.next_start;
    if (p[2] == p[1]) p[2] = p[3] = section.next_start;
  }
}

void TrackObjectWriter::MakeCutPlanes() {
  const TrackGeometry& track = object_.track_or_empty();
  std::vector<ObjectPoint>& planes = object_.planes();
  for (TrackSection& section : layout_.sections) {
    const std::uint32_t at[kCutPlaneCount] = {section.p[0], section.p[1], section.p[2],
                                              section.p[3], section.next_start};
    for (int i = 0; i < kCutPlaneCount; ++i) {
      const TrackDirection direction = track.DirectionAt(static_cast<std::int32_t>(at[i]));
      ObjectPoint plane;
      plane.x = direction.cos;
      plane.y = direction.sin;
      plane.d = direction.plane_offset;
      plane.index = static_cast<std::int32_t>(planes.size());
      section.cut_planes[i] = plane.index;
      planes.push_back(plane);
    }
  }
}

// Lane counts, the reordering of three and four parts, and the inner walls some tracks drop.
void TrackObjectWriter::CountLanes(TrackSection& section) {
  section.part_count = static_cast<int>(section.lanes[0].lane_nodes.size());
  section.left_lane_count = 0;
  for (int k = 0; k < 4; ++k) section.left_lane_count += !section.lanes[k].lane_nodes.empty();
  section.right_lane_limit = 3;
  for (int k = 4; k < 6; ++k) section.right_lane_limit += !section.lanes[k].lane_nodes.empty();
  for (int k = 0; k < kLaneCount; ++k) {
    if (!section.TakesPart(k)) continue;
    std::vector<ObjectNode*>& n = section.lanes[k].lane_nodes;
    if (section.part_count == 4 && n.size() == 4) n = {n[2], n[0], n[1], n[3]};
    if (section.part_count == 3 && n.size() == 3) n = {n[1], n[0], n[2]};
  }
  const TrackGeometry* track = object_.track();
  if (section.part_count > 2 && track != nullptr && track->DropsInnerWalls(section.p[0])) {
    for (int k = 0; k < kLaneCount; ++k) {
      std::vector<ObjectNode*>& n = section.lanes[k].lane_nodes;
      // A lane of one lane node keeps it twice: both its inner planes are that node's.
      if (section.TakesPart(k) && !n.empty()) n = {n.front(), n.back()};
    }
    section.part_count = 2;
  }
}

void TrackObjectWriter::MakeCrossSections(TrackSection& section) {
  const std::size_t plane_count = object_.planes().size();
  for (int k = 0; k < kLaneCount; ++k) {
    if (!section.TakesPart(k)) continue;
    TrackLane& lane = section.lanes[k];
    for (int i = 0; i <= section.part_count; ++i) {
      ObjectNode& node = layout_.NewNode();
      const std::int32_t left =
          i == 0 ? 0 : PlaneIndexOf(lane.lane_nodes, static_cast<std::size_t>(i - 1), 0, plane_count);
      const std::int32_t right = i == section.part_count
                                     ? 1
                                     : PlaneIndexOf(lane.lane_nodes, i, 1, plane_count);
      node.points = {section.cut_planes[kCutA[k]], left, section.cut_planes[kCutB[k]], right};
      lane.cross_sections.push_back(&node);
    }
  }
}

// The lane's contents: the children, from the second on, of its group (3DO3: the first child of
// its anchor; untagged: child k of the surface group), without a trailing group of skid marks
// unless they are kept.
void TrackObjectWriter::FillContents(TrackSection& section) {
  const bool untagged = object_.source_format() == SourceFormat::kUntagged;
  for (int k = 0; k < kLaneCount; ++k) {
    if (!section.TakesPart(k)) continue;
    TrackLane& lane = section.lanes[k];
    const ObjectNode* group = nullptr;
    if (!untagged && lane.anchor != nullptr && !lane.anchor->children.empty()) {
      group = lane.anchor->children.front();
    } else if (untagged && section.surface_group != nullptr &&
               static_cast<std::size_t>(k) < section.surface_group->children.size()) {
      group = section.surface_group->children[k];
    }
    if (group != nullptr && group->children.size() > 1) {
      lane.contents.assign(group->children.begin() + 1, group->children.end());
      if (!object_.keep_skid_marks() && lane.contents.back()->code == object_.roles().group) {
        lane.contents.pop_back();
      }
    }
    AddEdges(section, lane);
  }
}

// The pieces beyond the lane's outer dividers. The second node of an edge pair is listed as one
// child of the outermost cross-section node; it is written as a subtree just before that node,
// so the track section entry points at the root of what stands beyond the edge.
void TrackObjectWriter::AddEdges(TrackSection& /*section*/, TrackLane& lane) {
  if (lane.lane_nodes.empty() || lane.cross_sections.empty()) return;
  const ObjectNode* first = lane.lane_nodes.front();
  if (!first->children.empty() && first->children[0]->children.size() == 2) {
    lane.left_edge.push_back(first->children[0]->children[0]);
    lane.cross_sections.front()->children.push_back(first->children[0]->children[1]);
  }
  const ObjectNode* last = lane.lane_nodes.back();
  if (last->children.size() == 3 && last->children[2]->children.size() == 2) {
    lane.right_edge.push_back(last->children[2]->children[0]);
    lane.cross_sections.back()->children.push_back(last->children[2]->children[1]);
  }
}

void TrackObjectWriter::SetStretches(TrackSection& section) {
  for (int k = 0; k < kLaneCount; ++k) {
    section.lanes[k].start = section.p[0];
    section.lanes[k].end = section.next_start;
  }
  if (section.left_lane_count > 1) {
    for (int k = 0; k < 4; ++k) {
      section.lanes[k].start = section.p[k];
      section.lanes[k].end = k < 3 ? section.p[k + 1] : section.next_start;
    }
  }
  if (section.right_lane_limit == 5) {
    section.lanes[4].start = section.p[0];
    section.lanes[4].end = section.p[2];
    section.lanes[5].start = section.p[2];
    section.lanes[5].end = section.next_start;
  }
}

// ---------------------------------------------------------------------------------------------
// The node stream.

void TrackObjectWriter::WriteNodes(GplNodeStream& stream) {
  subtree_budget_ =
      kSubtreeWritesPerNode * (object_.nodes().size() + layout_.owned.size()) + 4096;
  const SourceRoles& roles = object_.roles();
  for (const auto& node : object_.nodes()) {
    if (node->code == roles.placement ||
        (roles.object_reference != 0 && node->code == roles.object_reference)) {
      WriteSourceNode(*node, stream);
    }
  }
  PlaceTrackside(object_, layout_, AsciiUpper(output_.parent_path().filename().string()), stream);
  for (TrackSection& section : layout_.sections) WriteSectionBlock(section, stream);
  LinkLaneSix();
  PatchLinks(stream);
  WriteFinalGroups(stream);
}

void TrackObjectWriter::WriteSectionBlock(TrackSection& section, GplNodeStream& stream) {
  WriteStripContents(section, stream);
  WriteCrossSections(section, stream);
  LinkNeighbours(section);
  for (int k = 0; k < kLaneCount; ++k) {
    if (section.TakesPart(k)) WriteLaneDividers(section, section.lanes[k], stream);
  }
  WriteSurfaceGroup(section, stream);
}

std::int32_t TrackObjectWriter::WriteSubtree(ObjectNode* root, GplNodeStream& stream) {
  if (root == nullptr) return kNoNode;
  const bool again = stream.reverse();  // a mirrored copy rewrites what was written
  // The mirrored copy links its own nodes through their offsets; afterwards every node names
  // its copy in order again, so a later divider or group sharing the subtree links that one.
  struct InOrder {
    ObjectNode* node;
    std::int32_t offset;
    std::size_t written_at;
  };
  std::vector<InOrder> in_order;
  std::unordered_set<const ObjectNode*> seen;
  std::vector<std::pair<ObjectNode*, bool>> stack{{root, false}};
  while (!stack.empty()) {
    auto [node, children_done] = stack.back();
    stack.pop_back();
    if (children_done) {
      // Nodes the program made (trackside placements) were written where they were made.
      if (again && node->code != 0) {
        in_order.push_back({node, node->output_offset, node->written_at});
        node->output_offset = kNoNode;
      }
      if (node->output_offset == kNoNode) WriteSourceNode(*node, stream);
      continue;
    }
    if (!seen.insert(node).second) continue;
    if (!again && node->output_offset != kNoNode) continue;  // written, and so its subtree
    if (subtree_budget_ == 0) continue;
    --subtree_budget_;
    stack.emplace_back(node, true);
    for (auto it = node->children.rbegin(); it != node->children.rend(); ++it) {
      if (*it != nullptr) stack.emplace_back(*it, false);
    }
  }
  const std::int32_t written = root->output_offset;
  for (const InOrder& kept : in_order) {
    kept.node->output_offset = kept.offset;
    kept.node->written_at = kept.written_at;
  }
  return written;
}

// Content nodes that stand between two lane dividers go below the cross-section node between
// them, each to the first strip, from the right, that takes it.
void TrackObjectWriter::WriteStripContents(TrackSection& section, GplNodeStream& stream) {
  const std::vector<ObjectPoint>& planes = object_.planes();
  for (int k = 0; k < kLaneCount; ++k) {
    if (!section.TakesPart(k)) continue;
    TrackLane& lane = section.lanes[k];
    for (int i = section.part_count - 2; i >= 0; --i) {
      if (static_cast<std::size_t>(i + 1) >= lane.lane_nodes.size()) continue;
      const ObjectPoint& a = planes[PlaneIndexOf(lane.lane_nodes, i, 0, planes.size())];
      const ObjectPoint& b = planes[PlaneIndexOf(lane.lane_nodes, i + 1, 1, planes.size())];
      std::vector<ObjectNode*> kept;
      for (ObjectNode* node : lane.contents) {
        if (StripTest(*node, a, b, 1, stream) == 0) {
          kept.push_back(node);
          continue;
        }
        WriteSubtree(node, stream);
        lane.cross_sections[i + 1]->children.push_back(node);
      }
      lane.contents = std::move(kept);
    }
  }
}

void TrackObjectWriter::WriteCrossSections(TrackSection& section, GplNodeStream& stream) {
  for (int k = 0; k < kLaneCount; ++k) {
    if (!section.TakesPart(k)) continue;
    for (ObjectNode* node : section.lanes[k].cross_sections) {
      std::vector<ObjectNode*> written;
      for (ObjectNode* child : node->children) {
        if (WriteSubtree(child, stream) != kNoNode) written.push_back(child);
      }
      stream.MarkNode(*node);
      ByteWriter& o = stream.out();
      o.U32(kOpTrackSection);
      for (std::int32_t point : node->points) {
        o.I32(point);
        o.I32(kNoNode);  // a neighbour link, filled in when every section is written
      }
      for (int word = 9; word < 11; ++word) o.I32(kNoNode);
      for (int word = 11; word < 15; ++word) o.U32(0);
      o.U32(static_cast<std::uint32_t>(written.size()));
      for (auto it = written.rbegin(); it != written.rend(); ++it) {
        const std::int32_t at = (*it)->output_offset;
        const bool placement = stream.WordAt(at, 0) == kOpPlacement;
        for (std::size_t w = 1; w <= 3; ++w) o.U32(placement ? stream.WordAt(at, w) : 0);
        o.I32(at);
      }
    }
  }
}

void TrackObjectWriter::LinkNeighbours(TrackSection& section) {
  auto node_of = [&](int lane, std::size_t i) -> ObjectNode* {
    if (!section.TakesPart(lane)) return nullptr;
    const std::vector<ObjectNode*>& nodes = section.lanes[lane].cross_sections;
    return i < nodes.size() ? nodes[i] : nullptr;
  };
  const bool halves = section.right_lane_limit == 5;
  for (int k = 0; k < kLaneCount; ++k) {
    if (!section.TakesPart(k)) continue;
    std::vector<ObjectNode*>& nodes = section.lanes[k].cross_sections;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
      std::vector<ObjectNode*> links(5, nullptr);
      if (i > 0) links[1] = nodes[i - 1];
      if (i + 1 < nodes.size()) links[3] = nodes[i + 1];
      if (((k == 0 || k == 2) && k + 1 < section.left_lane_count) || (k == 4 && halves)) {
        links[0] = node_of(k + 1, i);
      }
      if (((k == 1 || k == 3) && k < section.left_lane_count) || (k == 5 && halves)) {
        links[2] = node_of(k - 1, i);
      }
      if (k == 4) links[4] = node_of(0, i);
      if (k == 5) links[4] = node_of(2, i);
      if (k == 6) links[4] = node_of(4, i);
      nodes[i]->children = std::move(links);
    }
  }
}

// One divider per lane node, left to right, each pointing at the one before it and at the strip
// between it and the next. A lane of three parts is written the same way: its reordering
// (second, first, third) already gives the order its dividers chain in.
void TrackObjectWriter::WriteLaneDividers(TrackSection& section, TrackLane& lane,
                                          GplNodeStream& stream) {
  const std::size_t count =
      std::min(static_cast<std::size_t>(section.part_count), lane.lane_nodes.size());
  if (lane.cross_sections.empty()) return;
  std::int32_t previous = kNoNode;
  for (std::size_t i = 0; i < count; ++i) {
    ObjectNode& divider = *lane.lane_nodes[i];
    ObjectNode* second = divider.children.size() > 1 ? divider.children[1] : nullptr;
    const std::int32_t in_order = WriteSubtree(second, stream);
    stream.set_reverse(true);
    const std::int32_t mirrored = WriteSubtree(second, stream);
    stream.set_reverse(false);
    std::int32_t left = previous;
    if (i == 0) {
      left = lane.left_edge.empty()
                 ? lane.cross_sections.front()->output_offset
                 : WriteEdgeGroup(lane.left_edge, lane.cross_sections.front(), stream);
    }
    std::int32_t right = kNoNode;
    if (i + 1 < count) {
      right = WriteStripGroup(lane, static_cast<int>(i), stream);
    } else {
      right = lane.right_edge.empty()
                  ? lane.cross_sections.back()->output_offset
                  : WriteEdgeGroup(lane.right_edge, lane.cross_sections.back(), stream);
    }
    stream.MarkNode(divider);
    ByteWriter& o = stream.out();
    o.U32(kOpLaneDivider);
    o.I32(PlaneIndexOf(lane.lane_nodes, i, 0, object_.planes().size()));
    o.I32(left);
    o.I32(in_order);
    o.I32(mirrored);
    o.I32(right);
    previous = divider.output_offset;
  }
  lane.last_divider = previous;
}

std::int32_t TrackObjectWriter::WriteStripGroup(TrackLane& lane, int i, GplNodeStream& stream) {
  const std::vector<ObjectPoint>& planes = object_.planes();
  const ObjectPoint& a = planes[PlaneIndexOf(lane.lane_nodes, i, 0, planes.size())];
  const ObjectPoint& b = planes[PlaneIndexOf(lane.lane_nodes, i + 1, 1, planes.size())];
  std::vector<ObjectNode*> taken, kept;
  for (ObjectNode* node : lane.contents) {
    (StripTest(*node, a, b, 0, stream) != 0 ? taken : kept).push_back(node);
  }
  lane.contents = std::move(kept);
  ObjectNode* closing =
      static_cast<std::size_t>(i + 1) < lane.cross_sections.size() ? lane.cross_sections[i + 1]
                                                                    : nullptr;
  return WriteEdgeGroup(taken, closing, stream);
}

// A group of subtrees ending with a cross-section node's offset (strip and edge groups).
std::int32_t TrackObjectWriter::WriteEdgeGroup(const std::vector<ObjectNode*>& nodes,
                                               ObjectNode* outermost, GplNodeStream& stream) {
  std::vector<std::int32_t> offsets;
  offsets.reserve(nodes.size() + 1);
  for (ObjectNode* node : nodes) {
    const std::int32_t at = WriteSubtree(node, stream);
    offsets.push_back(at == 0 ? kNoNode : at);
  }
  offsets.push_back(OffsetOf(outermost));
  const std::int32_t group = stream.MarkUnowned();
  stream.out().U32(kOpGroup);
  stream.out().U32(static_cast<std::uint32_t>(offsets.size()));
  for (std::int32_t at : offsets) stream.out().I32(at);
  return group;
}

void TrackObjectWriter::WriteSurfaceGroup(TrackSection& section, GplNodeStream& stream) {
  std::int32_t list = kNoNode;
  if (section.number_list != nullptr) {
    WriteSourceNode(*section.number_list, stream);
    list = section.number_list->output_offset;
  }
  if (section.surface_group == nullptr) section.surface_group = &layout_.NewNode();
  stream.MarkNode(*section.surface_group);
  ByteWriter& o = stream.out();
  o.U32(kOpGroup);
  o.U32(kLaneCount + 1);
  for (int k = 0; k < kLaneCount; ++k) {
    o.I32(section.TakesPart(k) ? section.lanes[k].last_divider : kNoNode);
  }
  o.I32(list);
}

// Lane 6 of every section is linked to lane 6 of the next and of the previous one, round the lap.
void TrackObjectWriter::LinkLaneSix() {
  std::vector<TrackSection>& sections = layout_.sections;
  const std::size_t n = sections.size();
  auto first_of = [&](std::size_t s) -> ObjectNode* {
    const std::vector<ObjectNode*>& nodes = sections[s].lanes[6].cross_sections;
    return nodes.empty() ? nullptr : nodes.front();
  };
  for (std::size_t s = 0; s < n; ++s) {
    for (ObjectNode* node : sections[s].lanes[6].cross_sections) {
      if (node->children.size() < 5) node->children.resize(5, nullptr);
      node->children[0] = first_of((s + 1) % n);
      node->children[2] = first_of((s + n - 1) % n);
    }
  }
}

void TrackObjectWriter::PatchLinks(GplNodeStream& stream) {
  for (const TrackSection& section : layout_.sections) {
    for (int k = 0; k < kLaneCount; ++k) {
      if (!section.TakesPart(k)) continue;
      for (const ObjectNode* node : section.lanes[k].cross_sections) {
        if (node->output_offset == kNoNode) continue;
        for (std::size_t j = 0; j < 5 && j < node->children.size(); ++j) {
          const ObjectNode* link = node->children[j];
          if (link == nullptr) continue;
          stream.PatchWord(node->output_offset, kLinkWords[j],
                           static_cast<std::uint32_t>(link->output_offset));
        }
      }
    }
  }
}

void TrackObjectWriter::WriteFinalGroups(GplNodeStream& stream) {
  ByteWriter& o = stream.out();
  std::vector<std::uint32_t> starts = object_.section_starts();
  if (!starts.empty()) starts.pop_back();  // the track length
  starts.resize(layout_.sections.size(), 0);
  const std::vector<std::uint32_t> index = SectionIndexList(starts, object_.track_length());
  const std::int32_t index_list = stream.MarkUnowned();
  o.U32(kOpNumberList);
  o.U32(static_cast<std::uint32_t>(index.size()));
  for (std::uint32_t value : index) o.U32(value);

  const auto sections = static_cast<std::uint32_t>(layout_.sections.size());
  const std::int32_t g1 = stream.MarkUnowned();
  o.U32(kOpGroup);
  o.U32(sections + 1);
  for (const TrackSection& section : layout_.sections) {
    const std::vector<ObjectNode*>& lane6 = section.lanes[6].cross_sections;
    o.I32(lane6.empty() ? kNoNode : lane6.front()->output_offset);
  }
  o.I32(kNoNode);

  const std::int32_t g2 = stream.MarkUnowned();
  o.U32(kOpGroup);
  o.U32(sections + 2);
  o.I32(index_list);
  for (const TrackSection& section : layout_.sections) o.I32(OffsetOf(section.surface_group));
  o.I32(g1);

  const std::int32_t fixed = stream.MarkUnowned();
  o.U32(kOpNumberList);
  o.U32(4 * kFixedTableEntries);
  for (std::uint32_t e = 0; e < kFixedTableEntries; ++e) {
    for (std::uint32_t word : kFixedTableEntry) o.U32(word);
  }
  stream.MarkUnowned();
  o.U32(kOpGroup);
  o.U32(2);
  o.I32(g2);
  o.I32(fixed);
}

// ---------------------------------------------------------------------------------------------

std::vector<std::uint32_t> SectionIndexList(const std::vector<std::uint32_t>& starts,
                                            std::uint32_t length) {
  const std::uint64_t n = (std::uint64_t{length} + kSectionIndexStep - 1) / kSectionIndexStep;
  // The smallest start from each section on: the last section starting at or before a point is
  // the last whose suffix holds a start at or before it, and these minima never fall.
  std::vector<std::uint32_t> suffix_min(starts.size());
  std::uint32_t smallest = UINT32_MAX;
  for (std::size_t i = starts.size(); i-- > 0;) {
    smallest = std::min(smallest, starts[i]);
    suffix_min[i] = smallest;
  }
  std::vector<std::uint32_t> values;
  values.reserve(n);
  for (std::uint64_t k = 0; k < n; ++k) {
    const std::uint64_t at = k * kSectionIndexStep;
    const auto past = std::upper_bound(suffix_min.begin(), suffix_min.end(), at,
                                       [](std::uint64_t v, std::uint32_t m) { return v < m; });
    values.push_back(past == suffix_min.begin()
                         ? 0
                         : static_cast<std::uint32_t>(past - suffix_min.begin() - 1));
  }
  return values;
}

int StripTest(const ObjectNode& root, const ObjectPoint& a, const ObjectPoint& b, int mode,
              const GplNodeStream& stream) {
  const Object3do& object = stream.object();
  const bool untagged = object.source_format() == SourceFormat::kUntagged;
  const double t = untagged ? 3 : 1;
  const double u = untagged ? 2 : 1;
  // The two conditions at a point (metres): within t of A's inside, within u of B's.
  auto conditions = [&](double x, double y, double z) {
    const double da = std::trunc(a.x * x + a.y * y + a.z * z + a.d);
    const double db = std::trunc(b.x * x + b.y * y + b.z * z + b.d);
    return std::pair<bool, bool>{da >= -t && db <= t, da <= u && db >= -u};
  };
  const std::vector<ObjectPoint>& vertices = object.vertices();
  // The result is a sum of 0s and 1s over the leaves, so one leaf that lies between decides.
  std::unordered_set<const ObjectNode*> seen;
  std::vector<const ObjectNode*> stack{&root};
  while (!stack.empty()) {
    const ObjectNode& node = *stack.back();
    stack.pop_back();
    if (!seen.insert(&node).second) continue;
    const bool descend =
        mode == 0 || untagged || node.code != static_cast<int>(Code3do3::kPlacement);
    if (descend && !node.children.empty()) {
      for (const ObjectNode* child : node.children) {
        if (child != nullptr) stack.push_back(child);
      }
      continue;
    }
    int result = 0;
    if (mode == 0) {
      std::size_t count = 0;
      for (std::int32_t index : node.points) {
        if (index < 0 || static_cast<std::size_t>(index) >= vertices.size()) continue;
        const ObjectPoint& p = vertices[index];
        const auto [first, second] = conditions(p.x, p.y, p.z);
        count += static_cast<std::size_t>(first) + static_cast<std::size_t>(second);
      }
      result = count == node.points.size() ? 1 : 0;
    } else if (node.output_offset != kNoNode &&
               stream.WordAt(node.output_offset, 0) == kOpPlacement) {
      auto coordinate = [&](std::size_t w) {
        return static_cast<double>(std::bit_cast<float>(stream.WordAt(node.output_offset, w)));
      };
      const auto [first, second] = conditions(coordinate(1), coordinate(2), coordinate(3));
      result = first != second ? 1 : 0;
    } else {
      result = node.code > 2 ? 1 : 0;
    }
    if (result != 0) return 1;
  }
  return 0;
}

}  // namespace velmora
