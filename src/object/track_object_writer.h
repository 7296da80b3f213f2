#ifndef VELMORA_OBJECT_TRACK_OBJECT_WRITER_H_
#define VELMORA_OBJECT_TRACK_OBJECT_WRITER_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "object/gpl_node_stream.h"
#include "object/object_model.h"
#include "object/track_layout.h"

namespace velmora {

// The writer of the track object: the object that holds the track-section lists
// (Object3do::is_track_object, its sections in section_nodes() and section_starts()). The
// object writer calls BuildSections before the tables are written (the planes are built, the
// vertices not yet converted; the cut planes, strip vertices and strip planes join the tables)
// and WriteNodes for the node stream: placements, trackside objects, one block per section,
// the section index list, the two section groups, the fixed table and the root.
class TrackObjectWriter {
 public:
  // `output` is the file being written: its folder holds the racing lines and names the
  // trackside tables.
  TrackObjectWriter(Object3do& object, std::filesystem::path output);

  void BuildSections();
  void WriteNodes(GplNodeStream& stream);

  const TrackLayout& layout() const { return layout_; }
  TrackLayout& layout() { return layout_; }

 private:
  // Section building.
  void SortNodes();
  void SetPositions();
  void MakeCutPlanes();
  void CountLanes(TrackSection& section);
  void MakeCrossSections(TrackSection& section);
  void FillContents(TrackSection& section);
  void AddEdges(TrackSection& section, TrackLane& lane);
  void SetStretches(TrackSection& section);
  // The node stream.
  void WriteSectionBlock(TrackSection& section, GplNodeStream& stream);
  void WriteStripContents(TrackSection& section, GplNodeStream& stream);
  void WriteCrossSections(TrackSection& section, GplNodeStream& stream);
  void LinkNeighbours(TrackSection& section);
  void WriteLaneDividers(TrackSection& section, TrackLane& lane, GplNodeStream& stream);
  std::int32_t WriteStripGroup(TrackLane& lane, int i, GplNodeStream& stream);
  std::int32_t WriteEdgeGroup(const std::vector<ObjectNode*>& edge, ObjectNode* outermost,
                              GplNodeStream& stream);
  void WriteSurfaceGroup(TrackSection& section, GplNodeStream& stream);
  void LinkLaneSix();
  void PatchLinks(GplNodeStream& stream);
  void WriteFinalGroups(GplNodeStream& stream);
  // Writes a subtree children first (each node once per call) and returns its root's offset.
  std::int32_t WriteSubtree(ObjectNode* root, GplNodeStream& stream);

  Object3do& object_;
  std::filesystem::path output_;
  TrackLayout layout_;
  // Nodes written as subtrees so far; bounds the work a hostile object can ask for.
  std::size_t subtree_budget_ = 0;
};

// Whether `node` lies between two lane planes (A on the left): not 0 when it does. Positions in
// metres. Mode 0 tests every point of the node's leaves; mode 1 tests the position of a written
// placement and takes any other leaf whose code is above 2.
int StripTest(const ObjectNode& node, const ObjectPoint& a, const ObjectPoint& b, int mode,
              const GplNodeStream& stream);

// The section index list: for every 0x40000 track units of a lap of `length`, the index of the
// last section starting at or before that point (0 when there is none).
std::vector<std::uint32_t> SectionIndexList(const std::vector<std::uint32_t>& starts,
                                            std::uint32_t length);

// The 60 entries of the table every track object ends with.
inline constexpr std::uint32_t kFixedTableEntry[4] = {15000000, 0, 8000000, 0};
inline constexpr std::uint32_t kFixedTableEntries = 60;
inline constexpr std::uint32_t kSectionIndexStep = 0x40000;

}  // namespace velmora

#endif  // VELMORA_OBJECT_TRACK_OBJECT_WRITER_H_
