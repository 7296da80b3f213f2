#ifndef VELMORA_OBJECT_GPL_OBJECT_CHECK_H_
#define VELMORA_OBJECT_GPL_OBJECT_CHECK_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/status.h"

namespace velmora {

// What a 3DO4 file holds, as the validating reader found it.
struct GplObjectOutline {
  std::size_t vertices = 0;
  std::size_t planes = 0;
  std::vector<std::uint32_t> opcodes;       // of the nodes, in file order
  std::vector<std::uint32_t> node_offsets;  // from the PRIM payload start
  std::uint32_t root = 0;
  std::size_t prim_at = 0;  // where the node stream's `root` field sits in the file
};

// Reads a 3DO4 file by its own reading of the format, sharing nothing with the object writer
// but the byte reader, so that a fault in the writer's idea of the format shows here: chunk
// order, sizes and pads against the file length, every node by the node length table, and every
// reference of every node (to an earlier node, a vertex, a plane or a name). Corruption naming
// the first problem.
Result<GplObjectOutline> CheckGplObject(std::span<const std::uint8_t> bytes);

// The same for a track object, which must in addition end in the shape every track object has:
// the root a group of 2 whose second child is the 968-byte fixed table and whose first is the
// track group (the section index list, one surface group per section, the section group); the
// section group holds one lane-6 node per section and then -1; every track section node's links
// point at track section nodes or are -1; and the first section's lane 6 links back to the last.
Result<GplObjectOutline> CheckTrackObject(std::span<const std::uint8_t> bytes);

// The track object's own shape alone, over the outline CheckGplObject made of the same bytes, for
// a caller that has checked them as an object already.
Status CheckTrackShape(std::span<const std::uint8_t> bytes, const GplObjectOutline& outline);

}  // namespace velmora

#endif  // VELMORA_OBJECT_GPL_OBJECT_CHECK_H_
