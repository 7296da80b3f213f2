#include "object/track_object_writer.h"

#include "object/object3do.h"

namespace velmora {

void BuildTrackSections(Object3do& /*object*/) {}

void WriteTrackObjectNodes(Object3do& object) {
  for (const auto& node : object.nodes()) object.WriteNode(*node, false);
}

}  // namespace velmora
