#include "object/track_object_writer.h"

#include "object/source_node_writers.h"

namespace velmora {

void BuildTrackSections(Object3do& /*object*/) {}

void WriteTrackObjectNodes(GplNodeStream& stream) {
  for (const auto& node : stream.object().nodes()) WriteSourceNode(*node, stream);
}

}  // namespace velmora
