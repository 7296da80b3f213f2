#ifndef VELMORA_OBJECT_TRACK_OBJECT_WRITER_H_
#define VELMORA_OBJECT_TRACK_OBJECT_WRITER_H_

#include "object/gpl_node_stream.h"
#include "object/object_model.h"

namespace velmora {

// The writer of the track object: the object that holds the track-section lists
// (Object3do::is_track_object, with its sections in section_nodes() and section_starts()).
// The object writer calls BuildTrackSections before any node is written (the planes are built,
// the vertices not yet converted) and WriteTrackObjectNodes for the node stream.
void BuildTrackSections(Object3do& object);
void WriteTrackObjectNodes(GplNodeStream& stream);

}  // namespace velmora

#endif  // VELMORA_OBJECT_TRACK_OBJECT_WRITER_H_
